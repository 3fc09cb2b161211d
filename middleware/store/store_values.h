#pragma once
// The items of the settings store as plain values, their stored byte forms, and their
// conversions from and to the middleware records. Stored bytes are always written and read
// field by field in little-endian order, never by copying a record that holds pointers.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "middleware/common/records.h"
#include "middleware/common/status.h"

namespace tessel::store {

// One button mapping: the 24-byte `_TButtonMappingInfo` without its pointer, plus the macro or
// user-action name that mapping types 2 and 3 refer to.
struct ButtonMapping {
    std::int32_t button = 0;       // lButton
    std::int32_t mappingType = 0;  // _TButtonMappingType
    // The 16 bytes of actionOrMacro. For types 2 and 3 its first word is where the record
    // keeps the name pointer; it is stored as 0.
    records::_TActionInfo action{records::BUTTON_ACTION_CLICK, {.rawValueInfo = {}}};
    std::u16string name;  // types 2 and 3 only

    bool namesEntry() const;  // mapping type 2 or 3

    friend bool operator==(const ButtonMapping&, const ButtonMapping&);
};

struct Profile {
    std::int32_t version = 0;
    std::vector<ButtonMapping> mappings;

    friend bool operator==(const Profile&, const Profile&) = default;
};

// A macro as stored; `FixedDelay` of `_TMacroParams` is not part of it.
struct Macro {
    std::int32_t version = 0;
    std::int32_t options = 0;
    std::int32_t type = 0;
    std::int32_t repeat = 0;
    std::u16string iconFile;
    std::vector<records::_TMacroElement> elements;

    friend bool operator==(const Macro&, const Macro&);
};

struct UserAction {
    std::int32_t code = 0;
    std::vector<std::uint8_t> data;

    friend bool operator==(const UserAction&, const UserAction&) = default;
};

// --- stored byte forms ---

inline constexpr std::size_t kMappingRecordSize = 24;
inline constexpr std::size_t kElementSize = 24;

// The mapping value: 24 bytes, then for types 2 and 3 the name in UTF-16LE with its
// terminating 0 (24 + 2 × (length + 1) bytes in all).
std::vector<std::uint8_t> encodeMapping(const ButtonMapping& mapping);
// Reads a mapping value of any length: missing record bytes count as 0; for types 2 and 3 the
// name is the text from byte 24 up to its terminator or the last whole character.
ButtonMapping decodeMapping(const std::uint8_t* bytes, std::size_t size);

std::array<std::uint8_t, kElementSize> encodeElement(const records::_TMacroElement& element);
// Reads the first 24 bytes; missing bytes count as 0.
records::_TMacroElement decodeElement(const std::uint8_t* bytes, std::size_t size);

// UTF-16LE text up to the first 0 character or the last whole character of `size` bytes.
std::u16string decodeUtf16(const std::uint8_t* bytes, std::size_t size);

// --- records of the middleware's interfaces ---

// E_POINTER when a type-2/3 mapping has no name pointer.
HResult fromRecord(const records::_TButtonMappingInfo& record, ButtonMapping& mapping);
// For types 2 and 3 the record points to `nameSlot`, which the caller fills with its own copy
// of `mapping.name` (the record owns no memory).
records::_TButtonMappingInfo toRecord(const ButtonMapping& mapping, records::LPWSTR* nameSlot);

// The Managed forms: the type fields, then the three words of `_TInfo`. They carry no name.
ButtonMapping fromManaged(const records::TButtonMappingManaged& managed);
records::TButtonMappingManaged toManaged(const ButtonMapping& mapping);
records::_TMacroElement fromManaged(const records::TMacroElementManaged& managed);
records::TMacroElementManaged toManaged(const records::_TMacroElement& element);

// Version, options, type, repeat, icon file and elements of `_TMacroParams` (null icon file
// pointers read as an empty name). E_INVALIDARG for a negative element count, E_POINTER for
// elements missing behind a positive count.
HResult fromRecord(const records::_TMacroParams& params, Macro& macro);
// E_INVALIDARG for a negative count, E_POINTER for data missing behind a positive count.
HResult fromRecord(const records::_TUserActionParams& params, UserAction& action);

}  // namespace tessel::store
