#include "configurator/model/button_functions.h"

#include <algorithm>

namespace tessel::cfg {

namespace {

struct FunctionEntry {
    std::u16string_view name;
    std::int32_t mouseButton;  // _TMouseButtonType of a plain button function, -1 otherwise
};

// Indexed by ButtonFunction.
constexpr std::array<FunctionEntry, kFunctionCount> kFunctions = {{
    {u"Click", 1},
    {u"Menu", 2},
    {u"Universal Scrolling", 3},
    {u"Double-Click", 13},
    {u"Macro", -1},
    {u"Sensitivity Stage Up", 11},
    {u"Sensitivity Stage Down", 12},
    {u"Forward", 4},
    {u"Backward", 5},
    {u"On-The-Fly Sensitivity", 10},
    {u"Single Key", -1},
    {u"Profile", -1},
    {u"Scroll Up", 8},
    {u"Scroll Down", 9},
    {u"Button Off", 0},
}};

constexpr std::array<ButtonRow, kButtonRows> kRows = {{
    {2800, 1, 0, false, ButtonFunction::click},
    {2801, 2, 1, false, ButtonFunction::menu},
    {2802, 3, 2, false, ButtonFunction::universalScrolling},
    {2803, 5, 4, false, ButtonFunction::backward},
    {2804, 4, 3, false, ButtonFunction::forward},
    {2805, 6, 5, false, ButtonFunction::stageDown},
    {2806, 7, 6, false, ButtonFunction::stageUp},
    {2807, 8, 7, true, ButtonFunction::scrollUp},
    {2808, 9, 8, true, ButtonFunction::scrollDown},
}};

const FunctionEntry& entry(ButtonFunction function) { return kFunctions[static_cast<std::size_t>(function)]; }

}  // namespace

std::u16string_view functionName(ButtonFunction function) { return entry(function).name; }

const ButtonRow& buttonRow(int row) { return kRows.at(static_cast<std::size_t>(row)); }

int rowOfEntry(int tableEntry) {
    for (int row = 0; row < kButtonRows; ++row)
        if (kRows[static_cast<std::size_t>(row)].tableEntry == tableEntry) return row;
    return -1;
}

bool offeredInRow(int row, ButtonFunction function) {
    if (!buttonRow(row).wheel) return true;
    return std::find(kWheelFunctions.begin(), kWheelFunctions.end(), function) != kWheelFunctions.end();
}

MappingRecord mappingFor(int row, ButtonFunction function, std::int32_t keyCode, std::int32_t linkedId) {
    MappingRecord record;
    record.button = buttonRow(row).button;
    switch (function) {
    case ButtonFunction::macro:
        record.mappingType = mapping::macro;
        record.actionType = mapping::actionPressed;
        record.info = {linkedId, 1, 0};
        break;
    case ButtonFunction::profile:
        record.mappingType = mapping::deviceAction;
        record.actionType = mapping::actionClick;
        record.info = {mapping::propertyProfile, 0, linkedId};
        break;
    case ButtonFunction::singleKey:
        record.mappingType = mapping::userAction;
        record.actionType = mapping::actionKeycode;
        record.info = {keyCode, 0, 0};
        break;
    default:
        record.mappingType = mapping::buttons;
        record.actionType = mapping::actionPressed;
        record.info = {entry(function).mouseButton, 0, 0};
        break;
    }
    return record;
}

std::optional<ButtonFunction> functionOf(int row, const MappingRecord& record) {
    std::optional<ButtonFunction> found;
    if (record.mappingType == mapping::buttons && record.actionType == mapping::actionPressed) {
        for (int i = 0; i < kFunctionCount; ++i)
            if (kFunctions[static_cast<std::size_t>(i)].mouseButton == record.info[0]) found = ButtonFunction(i);
    } else if (record.mappingType == mapping::macro) {
        found = ButtonFunction::macro;
    } else if (record.mappingType == mapping::deviceAction && record.info[0] == mapping::propertyProfile) {
        found = ButtonFunction::profile;
    } else if (record.mappingType == mapping::userAction && record.actionType == mapping::actionKeycode) {
        found = ButtonFunction::singleKey;
    }
    if (found && !offeredInRow(row, *found)) return std::nullopt;
    return found;
}

MappingTable defaultMappings() {
    MappingTable table;
    for (int row = 0; row < kButtonRows; ++row)
        table[static_cast<std::size_t>(buttonRow(row).tableEntry)] = mappingFor(row, buttonRow(row).defaultFunction);
    return table;
}

}  // namespace tessel::cfg
