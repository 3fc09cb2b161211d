#include "middleware/store/store_values.h"

#include <algorithm>
#include <cstring>

namespace tessel::store {
namespace {

void putWord(std::uint8_t* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t getWord(const std::uint8_t* bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
    return value;
}

// The 16 bytes of an action as four words: the action type and the three words of `_TInfo`.
std::array<std::uint32_t, 4> actionWords(const records::_TActionInfo& action) {
    const records::_TRawValueInfo& raw = action.info.rawValueInfo;
    return {static_cast<std::uint32_t>(action.actionType), static_cast<std::uint32_t>(raw.lValue1),
            static_cast<std::uint32_t>(raw.lValue2), static_cast<std::uint32_t>(raw.lReserved)};
}

records::_TActionInfo actionFromWords(const std::array<std::uint32_t, 4>& words) {
    records::_TActionInfo action{};
    action.actionType = static_cast<records::_TButtonActionType>(words[0]);
    action.info.rawValueInfo = {static_cast<std::int32_t>(words[1]),
                                static_cast<std::int32_t>(words[2]),
                                static_cast<std::int32_t>(words[3])};
    return action;
}

// The first N bytes, zero-filled beyond `size`, so short values read as 0.
template <std::size_t N>
std::array<std::uint8_t, N> padded(const std::uint8_t* bytes, std::size_t size) {
    std::array<std::uint8_t, N> buffer{};
    if (bytes) std::copy_n(bytes, std::min(size, N), buffer.begin());
    return buffer;
}

}  // namespace

bool ButtonMapping::namesEntry() const {
    return mappingType == records::BUTTON_MAPPING_MACRO ||
           mappingType == records::BUTTON_MAPPING_USER_ACTION;
}

bool operator==(const ButtonMapping& a, const ButtonMapping& b) {
    return encodeMapping(a) == encodeMapping(b);
}

bool operator==(const Macro& a, const Macro& b) {
    auto sameElement = [](const records::_TMacroElement& x, const records::_TMacroElement& y) {
        return encodeElement(x) == encodeElement(y);
    };
    return a.version == b.version && a.options == b.options && a.type == b.type &&
           a.repeat == b.repeat && a.iconFile == b.iconFile &&
           std::equal(a.elements.begin(), a.elements.end(), b.elements.begin(), b.elements.end(),
                      sameElement);
}

std::vector<std::uint8_t> encodeMapping(const ButtonMapping& mapping) {
    const bool named = mapping.namesEntry();
    std::vector<std::uint8_t> bytes(kMappingRecordSize +
                                    (named ? 2 * (mapping.name.size() + 1) : 0));
    std::array<std::uint32_t, 4> words = actionWords(mapping.action);
    if (named) words[0] = 0;  // where the record holds the name pointer
    putWord(&bytes[0], static_cast<std::uint32_t>(mapping.button));
    putWord(&bytes[4], static_cast<std::uint32_t>(mapping.mappingType));
    for (std::size_t i = 0; i < words.size(); ++i) putWord(&bytes[8 + 4 * i], words[i]);
    if (named) {
        std::uint8_t* out = &bytes[kMappingRecordSize];
        for (char16_t c : mapping.name) {
            *out++ = static_cast<std::uint8_t>(c);
            *out++ = static_cast<std::uint8_t>(c >> 8);
        }
    }
    return bytes;
}

ButtonMapping decodeMapping(const std::uint8_t* bytes, std::size_t size) {
    const auto record = padded<kMappingRecordSize>(bytes, size);
    ButtonMapping mapping;
    mapping.button = static_cast<std::int32_t>(getWord(&record[0]));
    mapping.mappingType = static_cast<std::int32_t>(getWord(&record[4]));
    mapping.action = actionFromWords(
        {getWord(&record[8]), getWord(&record[12]), getWord(&record[16]), getWord(&record[20])});
    if (mapping.namesEntry() && size > kMappingRecordSize)
        mapping.name = decodeUtf16(bytes + kMappingRecordSize, size - kMappingRecordSize);
    return mapping;
}

std::array<std::uint8_t, kElementSize> encodeElement(const records::_TMacroElement& element) {
    std::array<std::uint8_t, kElementSize> bytes{};
    const auto words = actionWords(element.action);
    for (std::size_t i = 0; i < words.size(); ++i) putWord(&bytes[4 * i], words[i]);
    putWord(&bytes[16], static_cast<std::uint32_t>(element.lDelayMs));
    putWord(&bytes[20], static_cast<std::uint32_t>(element.lHoldMs));
    return bytes;
}

records::_TMacroElement decodeElement(const std::uint8_t* bytes, std::size_t size) {
    const auto element = padded<kElementSize>(bytes, size);
    records::_TMacroElement result{};
    result.action = actionFromWords(
        {getWord(&element[0]), getWord(&element[4]), getWord(&element[8]), getWord(&element[12])});
    result.lDelayMs = static_cast<std::int32_t>(getWord(&element[16]));
    result.lHoldMs = static_cast<std::int32_t>(getWord(&element[20]));
    return result;
}

std::u16string decodeUtf16(const std::uint8_t* bytes, std::size_t size) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const auto c = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (c == 0) break;
        text.push_back(c);
    }
    return text;
}

HResult fromRecord(const records::_TButtonMappingInfo& record, ButtonMapping& mapping) {
    mapping = ButtonMapping{};
    mapping.button = record.lButton;
    mapping.mappingType = record.mappingType;
    if (!mapping.namesEntry()) {
        mapping.action = record.actionOrMacro.actionInfo;
        return hr::ok;
    }
    // Both union members are the same pointer; which one is meant follows from the type.
    records::LPWSTR* name = record.actionOrMacro.ppszMacroName;
    if (!name || !*name) return hr::pointer;
    mapping.name = *name;
    return hr::ok;
}

records::_TButtonMappingInfo toRecord(const ButtonMapping& mapping, records::LPWSTR* nameSlot) {
    records::_TButtonMappingInfo record;
    std::memset(&record, 0, sizeof record);  // every byte defined, the pointer's spare ones too
    record.lButton = static_cast<records::_TButtonDefinitionType>(mapping.button);
    record.mappingType = static_cast<records::_TButtonMappingType>(mapping.mappingType);
    if (mapping.mappingType == records::BUTTON_MAPPING_MACRO)
        record.actionOrMacro.ppszMacroName = nameSlot;
    else if (mapping.mappingType == records::BUTTON_MAPPING_USER_ACTION)
        record.actionOrMacro.ppszUserActionName = nameSlot;
    else
        record.actionOrMacro.actionInfo = mapping.action;
    return record;
}

ButtonMapping fromManaged(const records::TButtonMappingManaged& managed) {
    ButtonMapping mapping;
    mapping.button = managed.lButtonType;
    mapping.mappingType = managed.lButtonMapping;
    mapping.action = actionFromWords({static_cast<std::uint32_t>(managed.lActionType),
                                      static_cast<std::uint32_t>(managed.lParam0),
                                      static_cast<std::uint32_t>(managed.lParam1),
                                      static_cast<std::uint32_t>(managed.lParam2)});
    return mapping;
}

records::TButtonMappingManaged toManaged(const ButtonMapping& mapping) {
    const auto words = actionWords(mapping.action);
    return {mapping.button,
            mapping.mappingType,
            static_cast<std::int32_t>(words[0]),
            static_cast<std::int32_t>(words[1]),
            static_cast<std::int32_t>(words[2]),
            static_cast<std::int32_t>(words[3])};
}

records::_TMacroElement fromManaged(const records::TMacroElementManaged& managed) {
    records::_TMacroElement element{};
    element.action = actionFromWords({static_cast<std::uint32_t>(managed.lActionType),
                                      static_cast<std::uint32_t>(managed.lParam0),
                                      static_cast<std::uint32_t>(managed.lParam1),
                                      static_cast<std::uint32_t>(managed.lParam2)});
    element.lDelayMs = managed.lDelayMs;
    element.lHoldMs = managed.lHoldMs;
    return element;
}

records::TMacroElementManaged toManaged(const records::_TMacroElement& element) {
    const auto words = actionWords(element.action);
    return {static_cast<std::int32_t>(words[0]),
            static_cast<std::int32_t>(words[1]),
            static_cast<std::int32_t>(words[2]),
            static_cast<std::int32_t>(words[3]),
            element.lDelayMs,
            element.lHoldMs};
}

HResult fromRecord(const records::_TMacroParams& params, Macro& macro) {
    if (params.lNumElements < 0) return hr::invalidArg;
    if (params.lNumElements > 0 && (!params.ppElements || !*params.ppElements)) return hr::pointer;
    macro = Macro{};
    macro.version = params.lVersion;
    macro.options = params.options;
    macro.type = params.type;
    macro.repeat = params.lRepeat;
    if (params.ppszIconFile && *params.ppszIconFile) macro.iconFile = *params.ppszIconFile;
    if (params.lNumElements > 0)
        macro.elements.assign(*params.ppElements, *params.ppElements + params.lNumElements);
    return hr::ok;
}

HResult fromRecord(const records::_TUserActionParams& params, UserAction& action) {
    if (params.lNumData < 0) return hr::invalidArg;
    if (params.lNumData > 0 && (!params.ppData || !*params.ppData)) return hr::pointer;
    action = UserAction{};
    action.code = params.lCode;
    if (params.lNumData > 0) action.data.assign(*params.ppData, *params.ppData + params.lNumData);
    return hr::ok;
}

}  // namespace tessel::store
