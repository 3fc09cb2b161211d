// The contract between the mouse and the middleware's key handler: the keys of every press,
// handed to the handler as the keyboard hook hands them over, give the notification the press
// means.
#include <gtest/gtest.h>

#include <vector>

#include "middleware/store/button_event_keys.h"
#include "sim/presses.h"

namespace tessel::sim {
namespace {

struct Posted {
    std::uint32_t message;
    std::int32_t argument;
    bool operator==(const Posted&) const = default;
};

class RecordingPort final : public store::ButtonEventPort {
public:
    void post(std::uint32_t message, std::uintptr_t wParam) override { posted.push_back({message, store::fromWParam(wParam)}); }
    void setTimer(std::uint32_t, std::uint32_t) override {}
    void killTimer(std::uint32_t) override {}
    std::vector<Posted> posted;
};

// Feeds the keys to a handler, lets the burst run out, and returns what it posted.
std::vector<Posted> notifications(const std::vector<KeyEvent>& keys) {
    RecordingPort port;
    store::ButtonKeyHandler handler(port);
    for (const KeyEvent& key : keys) handler.onKey(key.down ? store::keymsg::keyDown : store::keymsg::keyUp, key.virtualKey);
    for (int tick = 0; tick < 4 && handler.timersRunning(); ++tick) handler.onTimer(store::kDeliveryTimer);
    if (handler.timersRunning()) handler.onTimer(store::kBurstEndTimer);
    return port.posted;
}

MouseState everyProfileInUse() {
    MouseState state = MouseState::factory();
    for (int n = 2; n <= kProfileCount; ++n) {
        state.profile(n) = defaultProfile();
        state.profile(n).name = nameRecord(u"P");
    }
    return state;
}

TEST(PressesToButtonEvents, EachPressGivesItsNotification) {
    using namespace store::buttonmsg;
    MouseState state = everyProfileInUse();
    EXPECT_EQ(notifications(press(state, {PressKind::stageUp}).keys), (std::vector<Posted>{{sensitivityStep, 1}}));
    EXPECT_EQ(notifications(press(state, {PressKind::stageDown}).keys), (std::vector<Posted>{{sensitivityStep, -1}}));
    EXPECT_EQ(notifications(press(state, {PressKind::refresh}).keys), (std::vector<Posted>{{refresh, 0}}));
    for (std::uint8_t n = 1; n <= kStageCount; ++n) {
        state.currentStage = n == 1 ? 2 : 1;
        EXPECT_EQ(notifications(press(state, {PressKind::selectStage, n}).keys), (std::vector<Posted>{{stageSelected, n}}));
    }
    for (std::uint8_t n : {2, 3, 4, 5, 1})
        EXPECT_EQ(notifications(press(state, {PressKind::selectProfile, n}).keys), (std::vector<Posted>{{profileSelected, n}}));
}

}  // namespace
}  // namespace tessel::sim
