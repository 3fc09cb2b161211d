// Presses of the mouse's own buttons: what changes and which F20-F24 keys reach the host.
#include <gtest/gtest.h>

#include <map>

#include "sim/presses.h"

namespace tessel::sim {
namespace {

// What a host makes of the keys, by the chord table of the button-event handling: F20 asks
// for a refresh; F21-F24 chords (F21 = 8, F22 = 4, F23 = 2, F24 = 1) decode once every key is
// released.
std::string meaning(const std::vector<KeyEvent>& keys) {
    static const std::map<int, std::string> kChords = {
        {1, "step +1"},   {15, "step -1"},  {3, "stage 1"},   {5, "stage 2"},   {6, "stage 3"},
        {9, "stage 4"},   {10, "stage 5"},  {7, "profile 1"}, {11, "profile 2"}, {12, "profile 3"},
        {13, "profile 4"}, {14, "profile 5"}};
    std::string out;
    int chord = 0, held = 0;
    for (const KeyEvent& key : keys) {
        if (key.virtualKey == vk::f20) {
            if (key.down) out += "refresh;";
            continue;
        }
        const int bit = 1 << (vk::f24 - key.virtualKey);
        if (key.down) {
            chord |= bit;
            held |= bit;
        } else {
            held &= ~bit;
        }
        if (held == 0) {
            const auto found = kChords.find(chord);
            out += (found == kChords.end() ? "nothing" : found->second) + ";";
            chord = 0;
        }
    }
    return held == 0 ? out : out + "keys still held;";
}

MouseState withSecondProfile() {
    MouseState state = MouseState::factory();
    Profile& second = state.profile(2);
    second = defaultProfile();
    second.name = nameRecord(u"Two");
    second.defaultStage = 2;
    second.stageCount = 3;
    second.stages[1] = {40, 44};
    return state;
}

TEST(Presses, ChangeTheStateAndSendTheirChord) {
    struct Case {
        const char* what;
        std::function<void(MouseState&)> setUp;
        Press press;
        std::string meaning;  // empty: nothing changes and no key is sent
        int profile, stage;
        StageCodes codes;
    };
    auto none = [](MouseState&) {};
    auto stage = [](int n) {
        return [n](MouseState& s) {
            s.currentStage = static_cast<std::uint8_t>(n);
            s.current = s.profile(s.activeProfile).stages[n - 1];
        };
    };
    const Case cases[] = {
        {"up from 3", none, {PressKind::stageUp}, "step +1;", 1, 4, {76, 76}},
        {"up at the top", stage(5), {PressKind::stageUp}, "", 1, 5, {156, 156}},
        {"down from 3", none, {PressKind::stageDown}, "step -1;", 1, 2, {36, 36}},
        {"down at the bottom", stage(1), {PressKind::stageDown}, "", 1, 1, {16, 16}},
        {"select stage 5", none, {PressKind::selectStage, 5}, "stage 5;", 1, 5, {156, 156}},
        {"select stage 1", none, {PressKind::selectStage, 1}, "stage 1;", 1, 1, {16, 16}},
        {"select the current stage", none, {PressKind::selectStage, 3}, "", 1, 3, {56, 56}},
        {"select a stage the profile lacks", [](MouseState& s) { s.profile(1).stageCount = 2; }, {PressKind::selectStage, 3}, "", 1, 3, {56, 56}},
        {"up from a stage the profile lacks", [](MouseState& s) { s.profile(1).stageCount = 2; }, {PressKind::stageUp}, "stage 2;", 1, 2, {36, 36}},
        {"up from stage 0", [](MouseState& s) { s.currentStage = 0; }, {PressKind::stageUp}, "stage 1;", 1, 1, {16, 16}},
        {"up after the host set other codes", [](MouseState& s) { s.currentStage = 5; s.current = {1, 1}; }, {PressKind::stageUp}, "stage 5;", 1, 5, {156, 156}},
        {"no stages", [](MouseState& s) { s.profile(1).stageCount = 0; }, {PressKind::stageUp}, "", 1, 3, {56, 56}},
        {"profile 2 at its default stage", none, {PressKind::selectProfile, 2}, "profile 2;", 2, 2, {40, 44}},
        {"a free profile", none, {PressKind::selectProfile, 3}, "", 1, 3, {56, 56}},
        {"the active profile", none, {PressKind::selectProfile, 1}, "", 1, 3, {56, 56}},
        {"profile 6", none, {PressKind::selectProfile, 6}, "", 1, 3, {56, 56}},
        {"refresh", none, {PressKind::refresh}, "refresh;", 1, 3, {56, 56}},
    };
    for (const Case& c : cases) {
        MouseState state = withSecondProfile();
        c.setUp(state);
        const MouseState before = state;
        const PressOutcome outcome = press(state, c.press);
        EXPECT_EQ(meaning(outcome.keys), c.meaning) << c.what;
        EXPECT_EQ(outcome.changed, c.press.kind != PressKind::refresh && !c.meaning.empty()) << c.what;
        EXPECT_FALSE(outcome.description.empty()) << c.what;
        EXPECT_EQ(state.activeProfile, c.profile) << c.what;
        EXPECT_EQ(state.currentStage, c.stage) << c.what;
        EXPECT_EQ(state.current, c.codes) << c.what;
        state.activeProfile = before.activeProfile;
        state.currentStage = before.currentStage;
        state.current = before.current;
        EXPECT_EQ(state, before) << c.what << ": nothing else changes";
    }
}

TEST(Presses, EveryStageAndProfileHasItsOwnChord) {
    MouseState state = MouseState::factory();
    for (int n = 2; n <= kProfileCount; ++n) {
        state.profile(n) = defaultProfile();
        state.profile(n).name = nameRecord(u"P");
    }
    for (std::uint8_t n = 1; n <= kStageCount; ++n) {
        state.currentStage = n == 1 ? 2 : 1;
        EXPECT_EQ(meaning(press(state, {PressKind::selectStage, n}).keys), "stage " + std::to_string(n) + ";");
    }
    for (std::uint8_t n : {2, 3, 4, 5, 1})
        EXPECT_EQ(meaning(press(state, {PressKind::selectProfile, n}).keys), "profile " + std::to_string(n) + ";");
}

TEST(Presses, PhysicalButtonsFollowTheActiveProfile) {
    MouseState state = withSecondProfile();
    state.profile(1).buttons[3] = {4, function::selectProfile, 2, 0};
    state.profile(1).buttons[4] = {5, function::runMacro, 6, 0};
    state.profile(2).buttons[0] = {1, function::selectStage, 3, 0};

    EXPECT_EQ(meaning(pressButton(state, 7).keys), "step +1;") << "button 7 is sensitivity up";
    EXPECT_EQ(meaning(pressButton(state, 6).keys), "step -1;") << "button 6 is sensitivity down";
    const PressOutcome click = pressButton(state, 1);
    EXPECT_FALSE(click.changed);
    EXPECT_TRUE(click.keys.empty());
    EXPECT_NE(pressButton(state, 5).description.find("macro 7"), std::string::npos);
    EXPECT_EQ(meaning(pressButton(state, 4).keys), "profile 2;");
    EXPECT_EQ(state.activeProfile, 2);
    EXPECT_EQ(meaning(pressButton(state, 1).keys), "stage 3;") << "now profile 2's buttons count";
    EXPECT_TRUE(pressButton(state, 10).keys.empty());
}

TEST(Presses, KeysAreDescribedForPeople) {
    MouseState state = MouseState::factory();
    EXPECT_EQ(describeKeys(press(state, {PressKind::selectStage, 5}).keys), "F21+F23 down, F21+F23 up");
    EXPECT_EQ(describeKeys(press(state, {PressKind::refresh}).keys), "F20 down, F20 up");
}

}  // namespace
}  // namespace tessel::sim
