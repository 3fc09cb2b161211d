#pragma once
// Macro events as the configurator keeps them (16-bit codes with time stamps), the key table
// that names them, and their conversion to and from the mouse's macro elements.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tessel::cfg {

inline constexpr std::size_t kMaxMacroEvents = 16;

// 1-88: key press by set-1 scan code; 0x100 + s: extended key; i * 0x200 (i = 1..5): mouse press;
// 0x7E00 + i: mouse press as read from the mouse; + 0x8000: the release.
struct MacroEvent {
    std::uint16_t code = 0;
    std::uint32_t timeMs = 0;
    bool operator==(const MacroEvent&) const = default;
};

inline constexpr std::uint16_t kReleaseBit = 0x8000;
inline constexpr std::uint16_t kExtendedKey = 0x100;
inline constexpr std::uint16_t kMouseMask = 0x7E00;

bool isMouseEvent(std::uint16_t code);
// Mouse event 1-5 ("Left Button", "Wheel", "Right Button", "Side Button 1", "Side Button 2").
int mouseEventOf(std::uint16_t code);
std::u16string_view mouseEventName(int mouseEvent);

// The key table: names and USB HID usages of scan codes (with kExtendedKey for E0 keys).
std::u16string_view keyName(std::uint16_t scanCode);  // empty for none
std::uint16_t keyCodeOfName(std::u16string_view name);  // 0 for none
std::uint16_t hidUsageOf(std::uint16_t scanCode);       // 0 for none
std::uint16_t scanCodeOfUsage(std::uint16_t usage);     // 0 for none

// One macro element as the mouse takes it (the fields of _TMacroElement that are used).
struct DeviceMacroElement {
    std::int32_t actionType = 0;  // 0 click, 1 key code
    std::int32_t value = 0;       // click value, or the key's HID usage
    std::int32_t options = 0;     // 2 for a release
    std::int32_t delayMs = 0;     // to the next element
    bool operator==(const DeviceMacroElement&) const = default;
};

// At most 16 events; each element's delay is the time to the next event.
std::vector<DeviceMacroElement> toDeviceElements(const std::vector<MacroEvent>& events);
// The reverse: times accumulate the delays; elements that name no key or mouse event are
// skipped (their delay still counts). None when they give more than 16 events: such a macro is
// not shown, and not cut either.
std::optional<std::vector<MacroEvent>> fromDeviceElements(const std::vector<DeviceMacroElement>& elements);

}  // namespace tessel::cfg
