#pragma once
// Presses of the mouse's own buttons. The mouse changes its state and tells the host through
// presses of the keys F20 to F24: F24 alone is one sensitivity step up, F21-F24 together one
// step down, two- and three-key chords select a stage or a profile, F20 asks the host to read
// the mouse again.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/mouse_state.h"

namespace tessel::sim {

enum class PressKind { stageUp, stageDown, selectStage, selectProfile, refresh };

struct Press {
    PressKind kind;
    std::uint8_t number = 0;  // the stage or profile of a select
};

namespace vk {
inline constexpr std::uint8_t f20 = 0x83;
inline constexpr std::uint8_t f21 = 0x84;
inline constexpr std::uint8_t f22 = 0x85;
inline constexpr std::uint8_t f23 = 0x86;
inline constexpr std::uint8_t f24 = 0x87;
}  // namespace vk

struct KeyEvent {
    std::uint8_t virtualKey;
    bool down;
    bool operator==(const KeyEvent&) const = default;
};

struct PressOutcome {
    bool changed = false;
    std::string description;    // what the mouse did, for people
    std::vector<KeyEvent> keys;  // what it sends to the host, in order
};

PressOutcome press(MouseState& state, Press what);

// A press of physical button 1-9: what the active profile's entry for it makes the mouse do.
// Buttons that send mouse input or play a macro change nothing here.
PressOutcome pressButton(MouseState& state, int button);

// "F21+F22 down, F21+F22 up" and the like.
std::string describeKeys(const std::vector<KeyEvent>& keys);

}  // namespace tessel::sim
