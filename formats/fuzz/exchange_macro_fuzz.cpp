// The macro reader on arbitrary bytes. A macro read writes a block that reads back the same.
#include <cstdint>
#include <string_view>

#include "formats/exchange_file.h"
#include "formats/utf16_text.h"

using namespace tessel::formats;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string text =
        decodeUtf16le(std::string_view(reinterpret_cast<const char*>(data), size));
    const auto macro = readMacroBlock(text);
    if (!macro) return 0;
    if (macro->events.size() > kMaxMacroEvents || macro->name.size() > kMaxMacroName)
        __builtin_trap();
    const auto back = readMacroBlock(macroBlockText(*macro));
    if (!back || back->name != macro->name || back->events != macro->events ||
        (!macro->events.empty() && back->end != macro->end))
        __builtin_trap();
    return 0;
}
