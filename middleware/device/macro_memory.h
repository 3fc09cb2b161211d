#pragma once
// The mouse's own macro memory: directory, memory figures, name records, and the chunked
// transfer of macro images under a one-byte index (interfaces show id = index + 1). Every call
// takes the device type's current DriverHandler and fails with E_FAIL without one.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "middleware/common/records.h"
#include "middleware/common/status.h"
#include "middleware/device/driver_handler.h"
#include "middleware/device/dova_report.h"
#include "middleware/device/macro_codec.h"
#include "middleware/device/settings_commands.h"

namespace tessel::device {

inline constexpr std::size_t kMacroChunkBytes = 80;

// Reads the directory page by page into its 70 places (later entries are dropped; places past
// the last entry stay empty).
HResult ReadMacroDirectory(DriverHandler* handler, MacroDirectory& directory);

// Name record of a macro (at most 19 characters; longer names: E_FAIL before any exchange).
HResult GetMacroName(DriverHandler* handler, std::uint8_t index, std::u16string& name);
HResult SetMacroName(DriverHandler* handler, std::uint8_t index, std::u16string_view name);

// Chunked transfer of an image under `index`.
HResult AllocateMacro(DriverHandler* handler, std::uint8_t index, std::uint16_t bytes);
// Sends every chunk, even after a failed one, and returns the first failure: an image with a
// chunk missing is not stored.
HResult WriteMacroImage(DriverHandler* handler, std::uint8_t index, std::span<const std::uint8_t> image);
// Reads `bytes` into `image`; the first failing chunk ends the read with its status.
HResult ReadMacroImage(DriverHandler* handler, std::uint8_t index, std::uint16_t bytes, std::vector<std::uint8_t>& image);

// Takes the first empty directory place (needs a free memory unit: else E_OUTOFMEMORY), stores
// an empty 40-byte image there and returns its index.
HResult CreateMacro(DriverHandler* handler, std::uint8_t& index);
// Encodes and stores the elements with the name of the macro's name record; E_OUTOFMEMORY when
// the image does not fit the free memory.
HResult SetMacroElements(DriverHandler* handler, std::uint8_t index, std::uint32_t fixedDelay,
                         std::span<const records::_TMacroElement> elements);
// Stores the empty 40-byte image.
HResult ClearMacroElements(DriverHandler* handler, std::uint8_t index);
// Reads the macro's image (its size from the directory) and decodes it. A size the memory could
// not hold is not believed: E_FAIL.
HResult GetMacroElements(DriverHandler* handler, std::uint8_t index, DecodedMacro& macro);
HResult DeleteMacro(DriverHandler* handler, std::uint8_t index);

// Enumeration of the macros by position, as the macro manager hands them out: position 0
// re-reads the directory and closes up its empty places; later positions use that reading.
class MacroEnumeration {
public:
    // The macro index at `position`; E_FAIL for an empty position, E_INVALIDARG past the 70.
    HResult GetMacro(DriverHandler* handler, std::uint32_t position, std::uint8_t& index);

private:
    MacroDirectory places_{};
};

}  // namespace tessel::device
