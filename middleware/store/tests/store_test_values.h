#pragma once
// Small items for the store tests.
#include <string>
#include <vector>

#include "middleware/store/store_values.h"

namespace tessel::store::testing {

inline ButtonMapping clickMapping(std::int32_t button, std::int32_t click = 0) {
    ButtonMapping mapping;
    mapping.button = button;
    mapping.mappingType = records::BUTTON_MAPPING_DEVICE_ACTION;
    mapping.action.actionType = records::BUTTON_ACTION_CLICK;
    mapping.action.info.clickInfo.mouseClick = static_cast<records::_TMouseClickType>(click);
    return mapping;
}

inline ButtonMapping namedMapping(std::int32_t button, std::int32_t type, std::u16string name) {
    ButtonMapping mapping;
    mapping.button = button;
    mapping.mappingType = type;
    mapping.name = std::move(name);
    return mapping;
}

inline ButtonMapping macroMapping(std::int32_t button, std::u16string name) {
    return namedMapping(button, records::BUTTON_MAPPING_MACRO, std::move(name));
}

inline ButtonMapping userActionMapping(std::int32_t button, std::u16string name) {
    return namedMapping(button, records::BUTTON_MAPPING_USER_ACTION, std::move(name));
}

inline records::_TMacroElement keyElement(std::uint32_t scanCode, std::uint32_t virtualKey,
                                          std::int32_t delayMs, std::int32_t holdMs) {
    records::_TMacroElement element{};
    element.action.actionType = records::BUTTON_ACTION_KEYCODE;
    element.action.info.keycodeInfo.ulScanCode = scanCode;
    element.action.info.keycodeInfo.ulVirtualKeycode = virtualKey;
    element.lDelayMs = delayMs;
    element.lHoldMs = holdMs;
    return element;
}

inline Macro sampleMacro(std::size_t elements = 2, std::u16string iconFile = u"icon.ico") {
    Macro macro;
    macro.version = 1;
    macro.options = records::MACRO_OPTIONS_REPEAT_UNTIL_RELEASED;
    macro.type = records::MACRO_TYPE_KEYSTROKE;
    macro.repeat = 3;
    macro.iconFile = std::move(iconFile);
    for (std::size_t i = 0; i < elements; ++i)
        macro.elements.push_back(keyElement(0x1E + static_cast<std::uint32_t>(i), 0x41,
                                            10 * static_cast<std::int32_t>(i), 20));
    return macro;
}

inline UserAction sampleAction(std::vector<std::uint8_t> data = {1, 2, 0xFF}) {
    return UserAction{7, std::move(data)};
}

inline Profile sampleProfile(std::vector<ButtonMapping> mappings, std::int32_t version = 1) {
    return Profile{version, std::move(mappings)};
}

}  // namespace tessel::store::testing
