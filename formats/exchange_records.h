#pragma once
// The plain records that exchange files carry: what the configurator's model converts its
// profile and macro nodes to and from, and what the tray takes from the profile side files.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "middleware/api/records.h"

namespace tessel::formats {

inline constexpr int kButtonCount = 9;
inline constexpr int kMaxStages = 5;
inline constexpr int kMaxMacroEvents = 16;
inline constexpr std::size_t kMaxLinkName = 20;
inline constexpr std::size_t kMaxMacroName = 63;

// The mapping-table slot of button row r (the rows of the button page, the "[BUTTONMAPPING%d]"
// sections): rows 3 and 4 take the slots of the fourth and fifth button crossed.
inline constexpr std::array<int, kButtonCount> kRowSlot = {0, 1, 2, 4, 3, 5, 6, 7, 8};

// One button's mapping: button definition (slot + 1), mapping type, action type and the three
// information words.
struct MappingRecord {
    std::int32_t button = 0;
    std::int32_t mappingType = records::BUTTON_MAPPING_DISABLED;
    std::int32_t actionType = records::BUTTON_ACTION_CLICK;
    std::array<std::int32_t, 3> info{};
    friend bool operator==(const MappingRecord&, const MappingRecord&) = default;
};

// The function a button has out of the box (slot 0 to 8).
MappingRecord defaultMapping(int slot);

struct ExchangeProfile {
    std::u16string name;
    std::optional<records::_stDpiStageType> stages;  // absent: the profile has no stage record
    std::uint32_t lights = 0;                        // bit 0 wheel, 1 battery, 2 charging dock
    std::u16string executable;                       // empty: no program activates it
    std::int32_t autoload = 0;
    std::int32_t sensitivityNotice = 0;
    std::int32_t profileNotice = 0;
    std::array<MappingRecord, kButtonCount> mappings{};       // by slot
    std::array<std::u16string, kButtonCount> profileLinks{};  // by row: target profile's name
    std::array<std::u16string, kButtonCount> macroLinks{};    // by row: assigned macro's name
};

struct MacroEvent {
    std::uint16_t code = 0;
    std::int32_t time = 0;  // milliseconds from the start of the macro
    friend bool operator==(const MacroEvent&, const MacroEvent&) = default;
};

struct ExchangeMacro {
    std::u16string name;
    std::vector<MacroEvent> events;  // at most kMaxMacroEvents
    // The entry after the last event: its time carries a delay that follows the last event.
    MacroEvent end;
};

// What the writers and the side-file reader ask of the caller's lists of profiles and macros.
class ExchangeLookup {
public:
    virtual ~ExchangeLookup() = default;
    // The name of the profile with this device profile number, if there is one.
    virtual std::optional<std::u16string> profileName(std::int32_t profileNumber) const = 0;
    // The name of the macro with this device id, if there is one.
    virtual std::optional<std::u16string> macroName(std::int32_t macroId) const = 0;
    // The macro of that name, for the macro blocks that follow a profile.
    virtual std::optional<ExchangeMacro> macro(std::u16string_view name) const = 0;
};

}  // namespace tessel::formats
