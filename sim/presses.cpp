#include "sim/presses.h"

#include <algorithm>
#include <array>

namespace tessel::sim {

namespace {

// Chord bits: F21 = 8, F22 = 4, F23 = 2, F24 = 1.
constexpr std::uint8_t kStepUpChord = 0x1;
constexpr std::uint8_t kStepDownChord = 0xF;
constexpr std::array<std::uint8_t, kStageCount> kStageChords = {0x3, 0x5, 0x6, 0x9, 0xA};
constexpr std::array<std::uint8_t, kProfileCount> kProfileChords = {0x7, 0xB, 0xC, 0xD, 0xE};

// All keys of the chord go down, then all come up: the host decodes the chord when the last
// key is released.
std::vector<KeyEvent> chordKeys(std::uint8_t chord) {
    constexpr std::array<std::pair<std::uint8_t, std::uint8_t>, 4> keys = {
        {{0x8, vk::f21}, {0x4, vk::f22}, {0x2, vk::f23}, {0x1, vk::f24}}};
    std::vector<KeyEvent> events;
    for (bool down : {true, false})
        for (const auto& [bit, key] : keys)
            if (chord & bit) events.push_back({key, down});
    return events;
}

std::string dpiText(const StageCodes& codes) {
    return std::to_string(100 + 25 * codes.x) + " x " + std::to_string(100 + 25 * codes.y) + " DPI";
}

int stageCount(const Profile& profile) { return std::min<int>(profile.stageCount, kStageCount); }

PressOutcome unchanged(std::string why) { return {false, std::move(why), {}}; }

PressOutcome moveToStage(MouseState& state, int stage, std::uint8_t chord) {
    const Profile& profile = state.profile(state.activeProfile);
    const StageCodes codes = profile.stages[static_cast<std::size_t>(stage - 1)];
    if (stage == state.currentStage && codes == state.current) return unchanged("stays at stage " + std::to_string(stage));
    const std::string from = std::to_string(state.currentStage);
    state.currentStage = static_cast<std::uint8_t>(stage);
    state.current = codes;
    return {true, "stage " + from + " -> " + std::to_string(stage) + " (" + dpiText(codes) + ")", chordKeys(chord)};
}

bool validProfile(int number) { return number >= 1 && number <= kProfileCount; }

}  // namespace

PressOutcome press(MouseState& state, Press what) {
    if (what.kind == PressKind::refresh) return {false, "asks the host to read the mouse again", {{vk::f20, true}, {vk::f20, false}}};
    if (what.kind == PressKind::selectProfile) {
        const int number = what.number;
        if (!validProfile(number) || state.profile(number).free())
            return unchanged("profile " + std::to_string(number) + " is not in use");
        if (number == state.activeProfile) return unchanged("profile " + std::to_string(number) + " is active already");
        const Profile& profile = state.profile(number);
        const int from = state.activeProfile;
        state.activeProfile = static_cast<std::uint8_t>(number);
        // The profile starts at its default stage.
        const int count = stageCount(profile);
        if (count > 0) {
            state.currentStage = static_cast<std::uint8_t>(std::clamp<int>(profile.defaultStage, 1, count));
            state.current = profile.stages[state.currentStage - 1u];
        }
        return {true, "profile " + std::to_string(from) + " -> " + std::to_string(number) + ", stage " +
                          std::to_string(state.currentStage) + " (" + dpiText(state.current) + ")",
                chordKeys(kProfileChords[number - 1])};
    }

    if (!validProfile(state.activeProfile)) return unchanged("no valid active profile");
    const int count = stageCount(state.profile(state.activeProfile));
    if (count == 0) return unchanged("the active profile has no stages");
    const int current = state.currentStage;
    const bool inRange = current >= 1 && current <= count;
    // A step from a valid stage is reported as a step; from a stage the profile does not have
    // (the host may have set one) the mouse lands on a valid stage and names it.
    auto stepTo = [&](int target, std::uint8_t stepChord) {
        return moveToStage(state, target, inRange && target != current ? stepChord : kStageChords[target - 1u]);
    };
    switch (what.kind) {
    case PressKind::stageUp: return stepTo(current < 1 ? 1 : std::min(current + 1, count), kStepUpChord);
    case PressKind::stageDown: return stepTo(current > count ? count : std::max(current - 1, 1), kStepDownChord);
    case PressKind::selectStage:
        if (what.number < 1 || what.number > count)
            return unchanged("the active profile has " + std::to_string(count) + " stages");
        return moveToStage(state, what.number, kStageChords[what.number - 1u]);
    default: return unchanged("");
    }
}

PressOutcome pressButton(MouseState& state, int button) {
    if (button < 1 || button > kButtonCount) return unchanged("the mouse has buttons 1 to 9");
    if (!validProfile(state.activeProfile)) return unchanged("no valid active profile");
    const auto& entries = state.profile(state.activeProfile).buttons;
    const auto entry = std::find_if(entries.begin(), entries.end(), [&](const ButtonEntry& e) { return e.button == button; });
    if (entry == entries.end()) return unchanged("button " + std::to_string(button) + " has no entry in the active profile");
    switch (entry->function) {
    case function::stageUp: return press(state, {PressKind::stageUp});
    case function::stageDown: return press(state, {PressKind::stageDown});
    case function::selectStage: return press(state, {PressKind::selectStage, entry->first});
    case function::selectProfile: return press(state, {PressKind::selectProfile, entry->first});
    case function::runMacro:
        return unchanged("button " + std::to_string(button) + " plays onboard macro " + std::to_string(entry->first + 1) +
                         " (not simulated)");
    default:
        return unchanged("button " + std::to_string(button) + " sends mouse or key input (function 0x" +
                         [](std::uint8_t f) {
                             const char* digits = "0123456789abcdef";
                             return std::string{digits[f >> 4], digits[f & 0xF]};
                         }(entry->function) +
                         ", not simulated)");
    }
}

std::string describeKeys(const std::vector<KeyEvent>& keys) {
    std::string text;
    for (std::size_t i = 0; i < keys.size();) {
        std::string names;
        const bool down = keys[i].down;
        for (; i < keys.size() && keys[i].down == down; ++i)
            names += (names.empty() ? "F" : "+F") + std::to_string(20 + keys[i].virtualKey - vk::f20);
        text += (text.empty() ? "" : ", ") + names + (down ? " down" : " up");
    }
    return text;
}

}  // namespace tessel::sim
