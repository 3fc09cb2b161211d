#include "formats/utf16_text.h"

#include <string>

namespace tessel::formats {

std::u16string decodeUtf16le(std::string_view bytes) {
    std::u16string text(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                        static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return text;
}

std::string encodeUtf16le(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

std::u16string decimalText(std::int64_t value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

std::vector<std::u16string> splitLines(std::u16string_view text, LineRules rules) {
    std::vector<std::u16string> lines;
    std::u16string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit == u'\r') {
            if (i + 1 < text.size() && text[i + 1] == u'\n') {
                lines.push_back(std::move(line));
                line.clear();
                ++i;
            }
            continue;
        }
        if (unit == u'\n' || unit == u'\uFEFF') continue;
        if (line.size() == rules.maxLength) return lines;
        line.push_back(unit);
    }
    if (rules.keepUnterminated && !line.empty()) lines.push_back(std::move(line));
    return lines;
}

}  // namespace tessel::formats
