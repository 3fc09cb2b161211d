// Macro images as the mouse hands them back: any bytes, any length.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "middleware/device/macro_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessel;
    device::DecodedMacro macro;
    if (hr::failed(device::DecodeMacroImage({data, size}, macro))) return 0;
    if (macro.params.lNumElements != static_cast<std::int32_t>(macro.elements.size())) std::abort();
    // Every element takes at least one byte after the header.
    if (macro.elements.size() > (size > device::macroImage::headerSize ? size - device::macroImage::headerSize : 0))
        std::abort();
    for (const records::_TMacroElement& e : macro.elements)
        if (e.lDelayMs < 0 || static_cast<std::uint32_t>(e.lDelayMs) > device::macroImage::maxDelay || e.lHoldMs != 0)
            std::abort();
    return 0;
}
