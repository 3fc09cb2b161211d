// How UTF-16 text files break into lines.
#include <gtest/gtest.h>

#include "formats/utf16_text.h"

namespace tessel::formats {
namespace {

TEST(TextLines, LineEndsMarksAndBounds) {
    struct Case {
        const char* what;
        std::u16string text;
        LineRules rules;
        std::vector<std::u16string> lines;
    };
    const std::u16string longest(259, u'x');
    const Case cases[] = {
        {"CR LF ends lines, empty ones too", u"a\r\n\r\nb\r\n", {}, {u"a", u"", u"b"}},
        {"a mark anywhere is dropped", u"\uFEFFa\uFEFF\r\nb\r\n", {}, {u"a", u"b"}},
        {"CR without LF and a lone LF are dropped", u"a\rb\nc\r\n", {}, {u"abc"}},
        {"CR CR LF is one line end", u"a\r\r\nb\r\n", {}, {u"a", u"b"}},
        {"a CR-only file has no lines", u"a\rb\r", {}, {}},
        {"text after the last line end is no line", u"a\r\nb", {}, {u"a"}},
        {"unless asked for", u"a\r\nb", {std::u16string::npos, true}, {u"a", u"b"}},
        {"the longest line is read", longest + u"\r\nz\r\n", {259, false}, {longest, u"z"}},
        {"a longer one ends reading", u"a\r\n" + longest + u"y\r\nz\r\n", {259, false}, {u"a"}},
    };
    for (const Case& c : cases) EXPECT_EQ(splitLines(c.text, c.rules), c.lines) << c.what;
}

TEST(TextLines, Utf16leBytes) {
    const std::u16string text = u"Ä\x20AC\r\n";
    const std::string bytes = encodeUtf16le(text);
    EXPECT_EQ(bytes, std::string("\xC4\x00\xAC\x20\x0D\x00\x0A\x00", 8));
    EXPECT_EQ(decodeUtf16le(bytes), text);
    EXPECT_EQ(decodeUtf16le(bytes + "\x41"), text) << "an odd last byte is no unit";
}

}  // namespace
}  // namespace tessel::formats
