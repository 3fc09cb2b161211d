#include "sim/mouse_state.h"

#include <algorithm>

namespace tessel::sim {

std::uint32_t unitsFor(std::size_t size) {
    return static_cast<std::uint32_t>((size + kMemoryUnitBytes - 1) / kMemoryUnitBytes);
}

std::uint32_t MouseState::usedUnits() const {
    std::uint32_t used = 0;
    for (const auto& [index, image] : macros) used += unitsFor(image.size());
    return used;
}

NameRecord freeName() {
    NameRecord record;
    record.fill(0xFF);
    return record;
}

NameRecord nameRecord(const std::u16string& text) {
    NameRecord record{};
    const std::size_t chars = std::min(text.size(), kNameBytes / 2 - 1);
    for (std::size_t i = 0; i < chars; ++i) {
        record[2 * i] = static_cast<std::uint8_t>(text[i] & 0xFF);
        record[2 * i + 1] = static_cast<std::uint8_t>(text[i] >> 8);
    }
    return record;
}

std::optional<std::u16string> nameText(const NameRecord& record) {
    if (record[0] == 0xFF) return std::nullopt;
    std::u16string text;
    for (std::size_t i = 0; i + 1 < record.size(); i += 2) {
        const char16_t c = static_cast<char16_t>(record[i] | (record[i + 1] << 8));
        if (c == 0) break;
        text.push_back(c);
    }
    return text;
}

Profile defaultProfile() {
    Profile profile;
    profile.name = nameRecord(u"");
    profile.lighting = 7;
    profile.defaultStage = 3;
    profile.stageCount = 5;
    constexpr std::array<std::uint8_t, kStageCount> codes = {16, 36, 56, 76, 156};
    for (int i = 0; i < kStageCount; ++i) profile.stages[i] = {codes[i], codes[i]};
    constexpr std::array<std::uint8_t, kButtonCount> functions = {1, 2, 3, 4, 5, 12, 11, 8, 9};
    for (int i = 0; i < kButtonCount; ++i)
        profile.buttons[i] = {static_cast<std::uint8_t>(i + 1), functions[i], 0, 0};
    return profile;
}

MouseState MouseState::factory() {
    MouseState state;
    state.serial = {7, 3, 0, 1, 2, 4, 0, 5, 1, 7, 0, 0, 0, 0, 0, 0,
                    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4};
    state.firmwareMajor = 1;
    state.firmwareMinor = 7;
    state.receiverSerial = "TSL-RX-7A3C-0001234";
    state.battery = 1;
    state.wirelessDistance = 2;

    for (int number = 1; number <= kProfileCount; ++number) state.profile(number).name = freeName();
    Profile& first = state.profile(1);
    first = defaultProfile();
    first.name = nameRecord(u"Profile 1");

    state.activeProfile = 1;
    state.pollingCode = 1;
    state.currentStage = first.defaultStage;
    state.current = first.stages[first.defaultStage - 1];
    connect(state, {Interface::wired});
    return state;
}

std::vector<Interface> pluggedInterfaces(const MouseState& state) {
    std::vector<Interface> plugged;
    for (const auto& [which, generation] : state.link.plugged) plugged.push_back(which);
    return plugged;
}

void connect(MouseState& state, const std::vector<Interface>& which) {
    Link& link = state.link;
    std::erase_if(link.plugged, [&](const auto& entry) {
        return std::find(which.begin(), which.end(), entry.first) == which.end();
    });
    for (Interface wanted : which)
        if (wanted != Interface::foreign && !link.plugged.contains(wanted))
            link.plugged[wanted] = link.nextGeneration++;
    link.replug.clear();
    link.replugAtMs.reset();
    if (link.plugged.empty()) state.transaction = Transaction{};
}

void unplugAll(MouseState& state) { connect(state, {}); }

void replugAll(MouseState& state) {
    const std::vector<Interface> plugged = pluggedInterfaces(state);
    unplugAll(state);
    connect(state, plugged);
}

}  // namespace tessel::sim
