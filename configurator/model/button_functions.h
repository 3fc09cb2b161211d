#pragma once
// The nine button rows of the configurator, the functions a row can take and the mapping
// record each function stands for on the mouse. Rows 3 and 4 take the table entries in crossed
// order; the wheel rows offer six of the functions.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tessel::cfg {

inline constexpr int kButtonRows = 9;
inline constexpr int kClickRows = 7;  // rows 0-6: at least one of them keeps the plain click

// The values of the record's words that the configurator writes and recognises.
namespace mapping {
inline constexpr std::int32_t deviceAction = 1;  // BUTTON_MAPPING_DEVICE_ACTION
inline constexpr std::int32_t macro = 2;         // BUTTON_MAPPING_MACRO
inline constexpr std::int32_t userAction = 3;    // BUTTON_MAPPING_USER_ACTION
inline constexpr std::int32_t buttons = 6;       // BUTTON_MAPPING_BUTTONS
inline constexpr std::int32_t actionClick = 0;   // BUTTON_ACTION_CLICK
inline constexpr std::int32_t actionKeycode = 1; // BUTTON_ACTION_KEYCODE
inline constexpr std::int32_t actionPressed = 5; // BUTTON_ACTION_PRESSED
inline constexpr std::int32_t propertyProfile = 5;  // PROPERTY_PROFILE
}  // namespace mapping

// Six 32-bit words: button definition, mapping type, action type and three information words.
struct MappingRecord {
    std::int32_t button = 0;
    std::int32_t mappingType = 0;
    std::int32_t actionType = 0;
    std::array<std::int32_t, 3> info{};
    bool operator==(const MappingRecord&) const = default;
};
using MappingTable = std::array<MappingRecord, kButtonRows>;  // entry = button definition - 1

// The full function list, in list order.
enum class ButtonFunction : int {
    click,
    menu,
    universalScrolling,
    doubleClick,
    macro,
    stageUp,
    stageDown,
    forward,
    backward,
    onTheFlySensitivity,
    singleKey,
    profile,
    scrollUp,
    scrollDown,
    off,
};
inline constexpr int kFunctionCount = 15;

std::u16string_view functionName(ButtonFunction function);  // "Click", "Menu", ...

struct ButtonRow {
    int listId;            // the row's drop-down list control
    std::int32_t button;   // _TButtonDefinitionType
    int tableEntry;        // index into the mapping table
    bool wheel;            // offers the wheel list only
    ButtonFunction defaultFunction;
};
const ButtonRow& buttonRow(int row);  // row 0-8
int rowOfEntry(int tableEntry);       // the row that edits a table entry

// The wheel list shows six entries of the full list.
inline constexpr std::array<ButtonFunction, 6> kWheelFunctions = {
    ButtonFunction::macro,    ButtonFunction::stageUp,    ButtonFunction::stageDown,
    ButtonFunction::scrollUp, ButtonFunction::scrollDown, ButtonFunction::off,
};
bool offeredInRow(int row, ButtonFunction function);

// The record of `function` in `row`. For "Single Key" `keyCode` is the device key code; for
// "Macro" and "Profile", `linkedId` is the macro's device id or the target's profile number.
MappingRecord mappingFor(int row, ButtonFunction function, std::int32_t keyCode = 0, std::int32_t linkedId = 0);

// Which function a stored record shows in `row`; nullopt for a record the row cannot show (the
// row keeps what it showed).
std::optional<ButtonFunction> functionOf(int row, const MappingRecord& record);

// Every row on its default function.
MappingTable defaultMappings();

}  // namespace tessel::cfg
