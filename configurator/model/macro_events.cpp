#include "configurator/model/macro_events.h"

#include "configurator/model/button_functions.h"

#include <algorithm>
#include <array>

namespace tessel::cfg {

namespace {

constexpr std::int32_t kOptionBreak = 2;

struct Key {
    std::uint16_t scanCode;
    std::u16string_view name;
    std::uint16_t usage;
};

// Set-1 scan codes and the HID keyboard usages they correspond to.
constexpr std::array<Key, 104> kKeys = {{
    {1, u"Esc", 41},       {2, u"!1", 30},        {3, u"@2", 31},          {4, u"#3", 32},
    {5, u"$4", 33},        {6, u"%5", 34},        {7, u"^6", 35},          {8, u"&7", 36},
    {9, u"*8", 37},        {10, u"(9", 38},       {11, u")0", 39},         {12, u"_-", 45},
    {13, u"+=", 46},       {14, u"Bksp", 42},     {15, u"Tab", 43},        {16, u"Q", 20},
    {17, u"W", 26},        {18, u"E", 8},         {19, u"R", 21},          {20, u"T", 23},
    {21, u"Y", 28},        {22, u"U", 24},        {23, u"I", 12},          {24, u"O", 18},
    {25, u"P", 19},        {26, u"{[", 47},       {27, u"}]", 48},         {28, u"Enter", 40},
    {29, u"LCtrl", 224},   {30, u"A", 4},         {31, u"S", 22},          {32, u"D", 7},
    {33, u"F", 9},         {34, u"G", 10},        {35, u"H", 11},          {36, u"J", 13},
    {37, u"K", 14},        {38, u"L", 15},        {39, u":;", 51},         {40, u"\"'", 52},
    {41, u"~`", 53},       {42, u"LShift", 225},  {43, u"|\\", 49},        {44, u"Z", 29},
    {45, u"X", 27},        {46, u"C", 6},         {47, u"V", 25},          {48, u"B", 5},
    {49, u"N", 17},        {50, u"M", 16},        {51, u"<,", 54},         {52, u">.", 55},
    {53, u"?/", 56},       {54, u"Rshift", 229},  {55, u"*", 85},          {56, u"LAlt", 226},
    {57, u"Space", 44},    {58, u"Caps", 57},     {59, u"F1", 58},         {60, u"F2", 59},
    {61, u"F3", 60},       {62, u"F4", 61},       {63, u"F5", 62},         {64, u"F6", 63},
    {65, u"F7", 64},       {66, u"F8", 65},       {67, u"F9", 66},         {68, u"F10", 67},
    {69, u"Pause", 72},    {70, u"Scroll", 71},   {71, u"7Home", 95},      {72, u"8Up", 96},
    {73, u"9PgUp", 97},    {74, u"-", 86},        {75, u"4Left", 92},      {76, u"5", 93},
    {77, u"6Right", 94},   {78, u"+", 87},        {79, u"1End", 89},       {80, u"2Down", 90},
    {81, u"3PgDn", 91},    {82, u"0Ins", 98},     {83, u".Del", 99},       {87, u"F11", 68},
    {88, u"F12", 69},
    {0x100 + 28, u"Enter", 88},  {0x100 + 29, u"RCtrl", 228}, {0x100 + 53, u"/", 84},
    {0x100 + 55, u"Print", 70},  {0x100 + 56, u"RAlt", 230},  {0x100 + 69, u"Num", 83},
    {0x100 + 71, u"Home", 74},   {0x100 + 72, u"Up", 82},     {0x100 + 73, u"PgUp", 75},
    {0x100 + 75, u"Left", 80},   {0x100 + 77, u"Right", 79},  {0x100 + 79, u"End", 77},
    {0x100 + 80, u"Down", 81},   {0x100 + 81, u"PgDn", 78},   {0x100 + 82, u"Ins", 73},
    {0x100 + 83, u"Del", 76},    {0x100 + 91, u"LWin", 227},  {0x100 + 92, u"RWin", 231},
    {0x100 + 93, u"Menu", 101},
}};

const Key* findKey(std::uint16_t scanCode) {
    for (const Key& key : kKeys)
        if (key.scanCode == scanCode) return &key;
    return nullptr;
}

// Mouse events 1-5 in the order of their codes, with the click value the mouse takes for each.
struct MouseEvent {
    std::u16string_view name;
    std::int32_t clickValue;
};
constexpr std::array<MouseEvent, 5> kMouseEvents = {{
    {u"Left Button", 0},
    {u"Wheel", 2},
    {u"Right Button", 1},
    {u"Side Button 1", 3},
    {u"Side Button 2", 4},
}};

}  // namespace

bool isMouseEvent(std::uint16_t code) { return (code & kMouseMask) != 0; }

int mouseEventOf(std::uint16_t code) {
    const std::uint16_t press = code & ~kReleaseBit;
    if ((press & kMouseMask) == kMouseMask) return press & 0xFF;  // as read from the mouse
    return press >> 9;
}

std::u16string_view mouseEventName(int mouseEvent) {
    if (mouseEvent < 1 || mouseEvent > 5) return {};
    return kMouseEvents[static_cast<std::size_t>(mouseEvent - 1)].name;
}

std::u16string_view keyName(std::uint16_t scanCode) {
    const Key* key = findKey(scanCode);
    return key ? key->name : std::u16string_view();
}

std::uint16_t keyCodeOfName(std::u16string_view name) {
    for (const Key& key : kKeys)
        if (key.name == name) return key.scanCode;
    return 0;
}

std::uint16_t hidUsageOf(std::uint16_t scanCode) {
    const Key* key = findKey(scanCode);
    return key ? key->usage : 0;
}

std::uint16_t scanCodeOfUsage(std::uint16_t usage) {
    if (usage == 0) return 0;
    for (const Key& key : kKeys)
        if (key.usage == usage) return key.scanCode;
    return 0;
}

std::vector<DeviceMacroElement> toDeviceElements(const std::vector<MacroEvent>& events) {
    std::vector<DeviceMacroElement> elements;
    const std::size_t count = std::min(events.size(), kMaxMacroEvents);
    for (std::size_t i = 0; i < count; ++i) {
        const MacroEvent& event = events[i];
        DeviceMacroElement element;
        element.options = (event.code & kReleaseBit) ? kOptionBreak : 0;
        if (isMouseEvent(event.code)) {
            const int mouse = mouseEventOf(event.code);
            if (mouse < 1 || mouse > 5) continue;
            element.actionType = mapping::actionClick;
            element.value = kMouseEvents[static_cast<std::size_t>(mouse - 1)].clickValue;
        } else {
            element.actionType = mapping::actionKeycode;
            element.value = hidUsageOf(event.code & ~kReleaseBit);
        }
        if (i + 1 < count && events[i + 1].timeMs > event.timeMs)
            element.delayMs = static_cast<std::int32_t>(events[i + 1].timeMs - event.timeMs);
        elements.push_back(element);
    }
    return elements;
}

std::optional<std::vector<MacroEvent>> fromDeviceElements(const std::vector<DeviceMacroElement>& elements) {
    std::vector<MacroEvent> events;
    std::uint32_t time = 0;
    for (const DeviceMacroElement& element : elements) {
        std::uint16_t code = 0;
        if (element.actionType == mapping::actionClick && element.value >= 0 && element.value <= 11) {
            const std::int32_t mask = 1 << element.value;
            for (std::size_t i = 0; i < kMouseEvents.size(); ++i)
                if ((1 << kMouseEvents[i].clickValue) == mask) code = static_cast<std::uint16_t>(kMouseMask + i + 1);
        } else if (element.actionType == mapping::actionKeycode && element.value > 0 && element.value <= 0xFFFF) {
            code = scanCodeOfUsage(static_cast<std::uint16_t>(element.value));
        }
        if (code != 0) {
            if (events.size() == kMaxMacroEvents) return std::nullopt;
            if (element.options == kOptionBreak) code |= kReleaseBit;
            events.push_back({code, time});
        }
        if (element.delayMs > 0) time += static_cast<std::uint32_t>(element.delayMs);
    }
    return events;
}

}  // namespace tessel::cfg
