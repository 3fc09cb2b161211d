#pragma once
// UTF-16LE text files: bytes to code units and back, and the lines of such a file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessel::formats {

// Code units of little-endian bytes; an odd last byte is not a unit and is dropped.
std::u16string decodeUtf16le(std::string_view bytes);
std::string encodeUtf16le(std::u16string_view text);

// A number in decimal digits ("%d").
std::u16string decimalText(std::int64_t value);

struct LineRules {
    // Longest line read; a longer one ends reading as the end of the file does.
    std::size_t maxLength = std::u16string::npos;
    // Whether text after the last line end counts as a line.
    bool keepUnterminated = false;
};

// The lines of `text`. A carriage return and line feed end a line. A carriage return before
// anything else and a lone line feed are dropped; so is 0xFEFF wherever it stands.
std::vector<std::u16string> splitLines(std::u16string_view text, LineRules rules = {});

}  // namespace tessel::formats
