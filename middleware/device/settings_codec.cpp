#include "middleware/device/settings_codec.h"

#include <algorithm>

namespace tessel::device {

using namespace records;

namespace {

// Function codes of a button entry beside the plain button functions 0x00-0x0E.
namespace function {
constexpr std::uint8_t lastButtonFunction = 0x0E;
constexpr std::uint8_t selectStage = 0x21;
constexpr std::uint8_t selectProfile = 0x22;
constexpr std::uint8_t keyboardKey = 0x31;
constexpr std::uint8_t multimedia = 0x32;
constexpr std::uint8_t advanced = 0x33;
constexpr std::uint8_t macro = 0x41;
}  // namespace function

constexpr std::uint8_t lowByte(std::int64_t value) { return static_cast<std::uint8_t>(value & 0xFF); }

std::size_t entryOffset(std::size_t i) { return profileByte::buttonEntries + kButtonEntrySize * i; }

void appendDecimal(std::u16string& text, unsigned value) {
    const std::string digits = std::to_string(value);
    text.append(digits.begin(), digits.end());
}

}  // namespace

std::optional<std::uint8_t> PollingRateCode(std::int32_t rateHz) {
    switch (rateHz) {
        case 1000: return 1;
        case 500: return 2;
        case 125: return 8;
        default: return std::nullopt;
    }
}

std::optional<std::int32_t> PollingRateHz(std::uint8_t code) {
    switch (code) {
        case 1: return 1000;
        case 2: return 500;
        case 8: return 125;
        default: return std::nullopt;
    }
}

HResult DecodeStageTable(const DovaReport& block, _stDpiStageType& stages) {
    const std::uint8_t count = block[profileByte::stageCount];
    if (count > kMaxStages) return hr::fail;
    stages.ulTotalStages = count;
    stages.lDefaultStage = block[profileByte::defaultStage];
    for (std::size_t i = 0; i < count; ++i) {
        stages.Sensitivity[i].ulXSensitivity = SensitivityDpi(block[profileByte::stageCodes + 2 * i]);
        stages.Sensitivity[i].ulYSensitivity = SensitivityDpi(block[profileByte::stageCodes + 2 * i + 1]);
    }
    return hr::ok;
}

void EncodeStageTable(const _stDpiStageType& stages, DovaReport& block) {
    const std::size_t count = std::min<std::size_t>(stages.ulTotalStages, kMaxStages);
    for (std::size_t i = 0; i < count; ++i) {
        block[profileByte::stageCodes + 2 * i] = SensitivityCode(stages.Sensitivity[i].ulXSensitivity);
        block[profileByte::stageCodes + 2 * i + 1] = SensitivityCode(stages.Sensitivity[i].ulYSensitivity);
    }
    block[profileByte::stageCount] = lowByte(stages.ulTotalStages);
    block[profileByte::defaultStage] = lowByte(stages.lDefaultStage);
}

void EncodeButtonEntries(std::span<const _TButtonMappingInfo> mappings, DovaReport& block) {
    const std::size_t count = std::min(mappings.size(), kButtonEntries);
    for (std::size_t i = 0; i < count; ++i) {
        const _TButtonMappingInfo& mapping = mappings[i];
        const _TActionInfo& action = mapping.actionOrMacro.actionInfo;
        std::uint8_t* entry = block.raw() + entryOffset(i);
        auto set = [entry](std::uint8_t functionCode, std::int64_t first, std::int64_t second) {
            entry[1] = functionCode;
            entry[2] = lowByte(first);
            entry[3] = lowByte(second);
        };
        entry[0] = lowByte(mapping.lButton);
        switch (mapping.mappingType) {
            case BUTTON_MAPPING_DISABLED:
                entry[1] = 0;
                break;
            case BUTTON_MAPPING_DEVICE_ACTION:
                if (action.info.propertyInfo.lProp == PROPERTY_DPI_STAGE)
                    set(function::selectStage, action.info.propertyInfo.lVal, 0);
                else if (action.info.propertyInfo.lProp == PROPERTY_PROFILE)
                    set(function::selectProfile, action.info.propertyInfo.lVal, 0);
                break;
            case BUTTON_MAPPING_MACRO:
                set(function::macro, std::int64_t{action.info.macroInfo.lMacroId} - 1,
                    action.info.macroInfo.lReserved2);
                break;
            case BUTTON_MAPPING_USER_ACTION:
                if (action.actionType == BUTTON_ACTION_KEYCODE)
                    set(function::keyboardKey, action.info.keycodeInfo.ulScanCode, 0);
                break;
            case BUTTON_MAPPING_MULTIMEDIA:
            case BUTTON_MAPPING_ADVANCED:
                if (action.actionType == BUTTON_ACTION_RAW_VALUE)
                    set(mapping.mappingType == BUTTON_MAPPING_MULTIMEDIA ? function::multimedia
                                                                        : function::advanced,
                        action.info.rawValueInfo.lValue1, action.info.rawValueInfo.lValue2);
                break;
            case BUTTON_MAPPING_BUTTONS:
                if (action.actionType == BUTTON_ACTION_PRESSED) set(lowByte(action.info.buttonInfo.button), 0, 0);
                break;
        }
    }
}

void DecodeButtonEntries(const DovaReport& block, std::span<_TButtonMappingInfo, kButtonEntries> mappings) {
    for (std::size_t i = 0; i < kButtonEntries; ++i) {
        const std::uint8_t* entry = block.raw() + entryOffset(i);
        const std::uint8_t code = entry[1], first = entry[2], second = entry[3];
        _TButtonMappingInfo& mapping = mappings[i];
        _TActionInfo& action = mapping.actionOrMacro.actionInfo;
        auto decoded = [&](_TButtonMappingType type) {
            mapping.lButton = static_cast<_TButtonDefinitionType>(entry[0]);
            mapping.mappingType = type;
        };
        if (code <= function::lastButtonFunction) {
            decoded(BUTTON_MAPPING_BUTTONS);
            action.actionType = BUTTON_ACTION_PRESSED;
            action.info.buttonInfo.button = static_cast<_TMouseButtonType>(code);
        } else if (code == function::selectStage || code == function::selectProfile) {
            // The action type stays as the caller's record holds it.
            decoded(BUTTON_MAPPING_DEVICE_ACTION);
            action.info.propertyInfo.lProp = code == function::selectStage ? PROPERTY_DPI_STAGE : PROPERTY_PROFILE;
            action.info.propertyInfo.lVal = first;
        } else if (code == function::keyboardKey) {
            decoded(BUTTON_MAPPING_USER_ACTION);
            action.actionType = BUTTON_ACTION_KEYCODE;
            action.info.keycodeInfo.ulScanCode = first;
        } else if (code == function::multimedia || code == function::advanced) {
            decoded(code == function::multimedia ? BUTTON_MAPPING_MULTIMEDIA : BUTTON_MAPPING_ADVANCED);
            action.actionType = BUTTON_ACTION_RAW_VALUE;
            action.info.rawValueInfo.lValue1 = first;
            action.info.rawValueInfo.lValue2 = second;
        } else if (code == function::macro) {
            decoded(BUTTON_MAPPING_MACRO);
            action.info.macroInfo.lMacroId = first + 1;
            action.info.macroInfo.lReserved2 = second;
        }
    }
}

DovaReport DefaultProfileBlock(std::uint8_t number) {
    DovaReport block = DovaReport::writeRequest(command::profileBlock, writeParam::profileBlock);
    block[profileByte::selector] = number;
    block[profileByte::lighting] = 7;
    block[profileByte::defaultStage] = 3;
    block[profileByte::stageCount] = 5;
    constexpr std::uint8_t stageCodes[kMaxStages] = {16, 36, 56, 76, 156};  // 500 ... 4000 DPI
    for (std::size_t i = 0; i < kMaxStages; ++i) {
        block[profileByte::stageCodes + 2 * i] = stageCodes[i];
        block[profileByte::stageCodes + 2 * i + 1] = stageCodes[i];
    }
    constexpr std::uint8_t functions[kButtonEntries] = {1, 2, 3, 4, 5, 12, 11, 8, 9};
    for (std::size_t i = 0; i < kButtonEntries; ++i) {
        block[entryOffset(i)] = static_cast<std::uint8_t>(i + 1);
        block[entryOffset(i) + 1] = functions[i];
    }
    return block;
}

DovaReport FixedMappingBlock() {
    DovaReport block = DovaReport::writeRequest(command::profileBlock, writeParam::fixedMapping);
    block[9] = 3;
    block[10] = 2;
    block[11] = 4;
    // Entries (0, 0, button, function) from byte 12.
    constexpr std::uint8_t functions[kButtonEntries] = {1, 2, 3, 4, 5, 11, 12, 8, 9};
    for (std::size_t i = 0; i < kButtonEntries; ++i) {
        block[12 + 4 * i + 2] = static_cast<std::uint8_t>(i + 1);
        block[12 + 4 * i + 3] = functions[i];
    }
    return block;
}

HResult DecodeNameField(NameField field, std::u16string& name) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < field.size(); i += 2) {
        const char16_t c = static_cast<char16_t>(field[i] | (field[i + 1] << 8));
        if (c == u'\0') {
            name = std::move(text);
            return hr::ok;
        }
        text.push_back(c);
    }
    return hr::fail;
}

HResult EncodeNameField(std::u16string_view name, std::span<std::uint8_t, kNameFieldBytes> field) {
    const std::size_t length = std::min(name.find(u'\0'), name.size());
    if (2 * (length + 1) > field.size()) return hr::fail;
    std::fill(field.begin(), field.end(), 0);
    for (std::size_t i = 0; i < length; ++i) {
        field[2 * i] = static_cast<std::uint8_t>(name[i] & 0xFF);
        field[2 * i + 1] = static_cast<std::uint8_t>(name[i] >> 8);
    }
    return hr::ok;
}

HResult DecodeProfileName(const DovaReport& nameRecord, std::u16string& name) {
    if (nameRecord[profileNameByte::name] == kFreeProfileMarker) {
        name.clear();
        return hr::ok;
    }
    return DecodeNameField(NameField(nameRecord.raw() + profileNameByte::name, kNameFieldBytes), name);
}

std::u16string DecodeSerialNumber(const DovaReport& identity) {
    std::u16string serial;
    for (std::size_t i = 0; i < identityByte::serialLength; ++i) appendDecimal(serial, identity[identityByte::serial + i]);
    return serial;
}

std::u16string FormatFirmwareVersion(std::uint8_t major, std::uint8_t minor) {
    std::u16string version;
    appendDecimal(version, major);
    version.push_back(u'.');
    if (minor < 10) version.push_back(u'0');
    appendDecimal(version, minor);
    return version;
}

std::u16string DecodeWirelessSerial(std::span<const std::uint8_t, shortReport::serialLength> report) {
    std::u16string serial;
    for (std::size_t i = 1; i < report.size() && report[i] != 0; ++i)
        serial.push_back(report[i] >= 0x20 && report[i] < 0x7F ? char16_t{report[i]} : u'?');
    return serial;
}

int BatteryPercent(std::uint8_t stateCode, std::atomic<int>& rememberedLevel) {
    constexpr int levels[] = {100, 30, 10, 0};  // codes 1-4
    if (stateCode >= 1 && stateCode <= 4) {
        rememberedLevel = levels[stateCode - 1];
        return levels[stateCode - 1];
    }
    const int remembered = rememberedLevel;
    return remembered < 0 ? 100 : remembered;
}

}  // namespace tessel::device
