#pragma once
// Byte forms of the mouse's own macro memory: the macro image (name, 40 bytes; fixed delay,
// 24-bit, high byte first; seven zero bytes; then the elements, each an action and an optional
// delay) and the directory pages. Pure code over bytes; everything read back from the mouse is
// outside input.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "middleware/common/records.h"
#include "middleware/common/status.h"
#include "middleware/device/dova_report.h"

namespace tessel::device {

namespace macroImage {
inline constexpr std::size_t nameBytes = 40;
inline constexpr std::size_t fixedDelay = 40;  // bytes 40-42
inline constexpr std::size_t headerSize = 50;  // elements start here
inline constexpr std::uint32_t minFixedDelay = 10;
inline constexpr std::uint32_t maxDelay = 0xFFFFFF;  // fixed delay and element delays are 24-bit
}  // namespace macroImage

// Encodes fixed delay (limited to 10 ... 16777215) and elements; the name bytes are left zero
// for the caller to fill from the name record. Actions other than key and click: E_FAIL; a click
// of a button above MOUSE_CLICK_BUTTON5CLK: E_INVALIDARG. `image` is untouched on failure.
HResult EncodeMacroImage(std::uint32_t fixedDelay, std::span<const records::_TMacroElement> elements,
                         std::vector<std::uint8_t>& image);

// One element delay: nothing for 0, else 0x11/0x12/0x13 and one to three bytes, high first.
// Negative delays count as 0 and delays beyond 24 bits are limited to 16777215.
void EncodeMacroDelay(std::int32_t delayMs, std::vector<std::uint8_t>& out);

struct DecodedMacro {
    // lVersion 0, MACRO_OPTIONS_USE_REPEAT_COUNT, MACRO_TYPE_KEYSTROKE, lRepeat 1, the fixed delay
    // and lNumElements; the pointer fields stay null for the caller to fill.
    records::_TMacroParams params{};
    std::vector<records::_TMacroElement> elements;
};

// Decodes until the image ends or an element cannot be decoded. Success when the image ended or
// at least one element was decoded; otherwise E_INVALIDARG for a first byte 0x02-0x7F and E_FAIL
// for anything else undecodable (a click state that changes no button, a truncated element). An
// image shorter than its header (as created, 40 zero bytes) is an empty macro.
HResult DecodeMacroImage(std::span<const std::uint8_t> image, DecodedMacro& macro);

inline constexpr std::size_t kMacroDirectoryPlaces = 70;

// One directory place; size 0 marks an empty place.
struct MacroDirectoryEntry {
    std::uint8_t index = 0;
    std::uint16_t size = 0;
    bool operator==(const MacroDirectoryEntry&) const = default;
};
using MacroDirectory = std::array<MacroDirectoryEntry, kMacroDirectoryPlaces>;

// One directory page answer: appends its entries to `entries` and tells whether a full page
// (80 bytes) asks for the next one. A page byte count (byte 5) over 80 or not a multiple of 4 is
// not a page: E_FAIL.
HResult DecodeDirectoryPage(const DovaReport& page, std::vector<MacroDirectoryEntry>& entries, bool& morePages);

}  // namespace tessel::device
