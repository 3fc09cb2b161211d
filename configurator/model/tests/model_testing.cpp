#include "configurator/model/tests/model_testing.h"

namespace tessel::cfg::testing {

namespace {

// A macro image: its name record, a fixed delay of 10 ms, then the elements.
std::vector<std::uint8_t> macroImage(const std::u16string& name, const std::vector<std::uint8_t>& elements) {
    std::vector<std::uint8_t> image(50, 0);
    const sim::NameRecord record = sim::nameRecord(name);
    std::copy(record.begin(), record.end(), image.begin());
    image[42] = 10;
    image.insert(image.end(), elements.begin(), elements.end());
    return image;
}

}  // namespace

sim::MouseState preparedMouse() {
    sim::MouseState state = sim::MouseState::factory();
    sim::Profile& base = state.profile(1);
    base.name = sim::nameRecord(u"Base");
    base.lighting = 7;
    base.stageCount = 3;
    base.defaultStage = 2;
    base.stages[1] = {36, 56};  // 1000 x 1500

    sim::Profile& game = state.profile(3);
    game = sim::defaultProfile();
    game.name = sim::nameRecord(u"Game");
    game.lighting = 2;
    game.buttons[0] = {1, 2, 0, 0};
    game.buttons[1] = {2, 1, 0, 0};
    game.buttons[3] = {4, sim::function::runMacro, 0, 1};        // macro 1
    game.buttons[4] = {5, sim::function::selectProfile, 1, 0};  // profile 1
    state.activeProfile = 3;
    state.currentStage = 3;

    // LCtrl, C, C up, LCtrl up (HID usages), 40 ms apart.
    state.macros[0] = macroImage(u"Copy", {0x01, 224, 0x11, 40, 0x01, 6, 0x11, 40, 0x00, 6, 0x11, 40, 0x00, 224});
    return state;
}

}  // namespace tessel::cfg::testing
