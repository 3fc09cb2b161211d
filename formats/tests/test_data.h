#pragma once
// The files under tests/data, as bytes and as text.
#include <fstream>
#include <iterator>
#include <string>

#include "formats/utf16_text.h"

namespace tessel::formats::testing {

inline std::string dataBytes(const std::string& name) {
    std::ifstream in(std::string(TESSEL_FORMATS_TEST_DATA) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::u16string dataText(const std::string& name) {
    return decodeUtf16le(dataBytes(name));
}

}  // namespace tessel::formats::testing
