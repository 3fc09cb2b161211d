// The conversion of notice texts to a code page for SetText: bounded, whole characters only.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "osd/osd.h"

namespace {

std::wstring decode(const std::string& bytes, UINT codePage) {
    const int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(),
                                      static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(),
                        static_cast<int>(bytes.size()), wide.data(), n);
    return wide;
}

TEST(OsdAnsiText, CutsOnlyBetweenWholeCharactersWithinItsCapacity) {
    const std::wstring cjk(70, L'\x4E2D'); // two bytes each in the Chinese code page
    struct Case {
        std::wstring text;
        std::size_t capacity;
        UINT codePage;
        std::size_t bytes;      // expected length without the terminator
        std::size_t characters; // UTF-16 units of the text kept
    };
    const Case cases[] = {
        {L"Profile 1", 128, 1252, 9, 9},
        {std::wstring(200, L'a'), 128, 1252, 127, 127},
        {L"a" + cjk, 128, 936, 127, 64},  // 1 + 63 * 2 fills the room exactly
        {L"ab" + cjk, 128, 936, 126, 64}, // the 64th character would need byte 128
        {L"a\xD83D\xDE00", 6, 65001, 5, 3},  // a surrogate pair is one four-byte character
        {L"ab\xD83D\xDE00", 6, 65001, 2, 2}, // never half of it
        {L"abc", 1, 1252, 0, 0},
        {L"abc", 0, 1252, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "capacity " << c.capacity << ", code page " << c.codePage
                                        << ", " << c.text.size() << " units");
        const std::string out = OsdAnsiText(c.text, c.capacity, c.codePage);
        EXPECT_EQ(out.size(), c.bytes);
        EXPECT_EQ(decode(out, c.codePage), c.text.substr(0, c.characters));
        EXPECT_EQ(out.c_str()[out.size()], '\0');
    }
}

} // namespace
