#include "tools/tesselctl/console.h"

#include <windows.h>

#include "middleware/store/xml_exchange_file.h"

namespace tessel::ctl {
namespace {

void write(DWORD which, std::string_view text) {
    const HANDLE stream = GetStdHandle(which);
    if (stream == nullptr || stream == INVALID_HANDLE_VALUE) return;
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(stream, &mode)) {
        const std::wstring wide = toWide(text);
        WriteConsoleW(stream, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    // Windows text files end their lines with CR LF.
    std::string bytes;
    bytes.reserve(text.size());
    for (char c : text) {
        if (c == '\n') bytes += '\r';
        bytes += c;
    }
    WriteFile(stream, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wide characters");

// One conversion for the whole tool: the exchange files' own (invalid input becomes U+FFFD).
std::string toUtf8(std::wstring_view text) {
    return store::encodeUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

std::wstring toWide(std::string_view text) {
    const std::u16string wide = store::decodeUtf8(text);
    return std::wstring(wide.begin(), wide.end());
}

void writeOut(std::string_view text) { write(STD_OUTPUT_HANDLE, text); }
void writeError(std::string_view text) { write(STD_ERROR_HANDLE, text); }

void Output::result(const Json& data, std::string_view text) const {
    writeOut(json_ ? data.dump() + "\n" : std::string(text) + "\n");
}

}  // namespace tessel::ctl
