// The model read from and written to the simulated mouse through the real middleware, created
// by its ProgID through the component runtime.
#include <algorithm>
#include <optional>

#include "configurator/model/tests/model_testing.h"
#include "sim/firmware.h"

namespace tessel::cfg::testing {
namespace {

using F = ButtonFunction;
namespace command = sim::command;

// What the mouse keeps of its settings (not the transaction or the counters).
auto settingsOf(const sim::MouseState& state) {
    return std::tie(state.profiles, state.macros, state.activeProfile, state.pollingCode, state.currentStage,
                    state.current);
}

std::vector<std::u16string> subjects(const CommandReport& report, const std::string& operation) {
    std::vector<std::u16string> found;
    for (const Failure& failure : report.failures)
        if (failure.operation == operation) found.push_back(failure.subject);
    return found;
}

TEST_F(ModelOnMouse, PointerWithoutAccelerationThresholdsReadsAsTheDefaultLevel) {
    // Acceleration off: the system holds no thresholds, so there is no level to read.
    int none[3] = {0, 0, 0};
    ASSERT_TRUE(SystemParametersInfoW(SPI_SETMOUSE, 0, none, 0));
    model_.performance().acceleration = 9;
    const CommandReport report = session_->connectAndRead();
    EXPECT_TRUE(report.ok()) << report.failures.front().operation;
    EXPECT_FALSE(model_.performance().accelerationOn);
    EXPECT_EQ(model_.performance().acceleration, 5);
    int thresholds[3] = {6, 10, 1};  // the system's own default
    ASSERT_TRUE(SystemParametersInfoW(SPI_SETMOUSE, 0, thresholds, 0));
    EXPECT_TRUE(session_->connectAndRead().ok());
    EXPECT_TRUE(model_.performance().accelerationOn);
    EXPECT_EQ(model_.performance().acceleration, 9);
}

TEST_F(ModelOnMouse, ReadFillsTheModel) {
    mouse::change([](sim::MouseState& state) {
        state.currentStage = 5;  // beyond the three stages of Base
        state.profile(3).stageCount = 0;
    });
    const CommandReport report = session_->connectAndRead();
    EXPECT_TRUE(report.ok()) << report.failures.front().operation;
    const ConnectionState& state = session_->state();
    EXPECT_TRUE(state.wiredConnected);
    EXPECT_FALSE(state.wirelessConnected);
    EXPECT_TRUE(state.loaded);
    EXPECT_EQ(state.wiredFirmware, u"1.07");
    EXPECT_EQ(state.driverVersion, u"1.02");
    EXPECT_EQ(state.rateRead, 1000);

    ASSERT_EQ(model_.profileCount(), 2u);
    ProfileNode& base = *model_.profileAt(0);
    ProfileNode& game = *model_.profileAt(1);
    EXPECT_EQ(base.name, u"Base");
    EXPECT_EQ(base.deviceNumber, 1);
    EXPECT_EQ(game.deviceNumber, 3);
    EXPECT_EQ(base.ledBits, 7u);
    ASSERT_TRUE(base.stages);
    EXPECT_EQ(base.stages->count, 3u);
    EXPECT_EQ(base.stages->defaultStage, 2);
    EXPECT_EQ(base.stages->currentStage, 3);  // the mouse's stage 5, limited to the three stages
    EXPECT_EQ(base.stages->stages[1], (Sensitivity{1000, 1500}));
    EXPECT_EQ(game.stages, StageRecord::defaults());  // no stages on the mouse: the default record

    // The active profile is the one shown; its rows and links come from the mouse.
    EXPECT_EQ(model_.current(), &game);
    EXPECT_EQ(model_.activeOnDevice(), &game);
    EXPECT_EQ(model_.rowFunction(0), F::menu);
    EXPECT_EQ(model_.rowFunction(1), F::click);
    ASSERT_EQ(model_.macroCount(), 1u);
    MacroNode& copy = *model_.macroAt(0);
    EXPECT_EQ(copy.name, u"Copy");
    EXPECT_EQ(copy.deviceId, 1);
    EXPECT_EQ(copy.events, (std::vector<MacroEvent>{{29, 0}, {46, 40}, {46 | kReleaseBit, 80}, {29 | kReleaseBit, 120}}));
    EXPECT_EQ(game.macroLinks[3], &copy);  // button 5 (row 4) runs it
    EXPECT_EQ(game.profileLinks[4], &base);  // button 4 (row 3) switches to Base
    EXPECT_EQ(model_.rowFunction(4), F::macro);
    EXPECT_EQ(model_.rowFunction(3), F::profile);
    EXPECT_FALSE(game.changed);
}

TEST_F(ModelOnMouse, WriteSendsExactlyTheEditsInTheFixedOrder) {
    // The program's own steps come after the profiles, around the polling rate.
    std::optional<RequestWatch> watch;
    std::vector<std::pair<std::string, std::size_t>> steps;  // step, writes seen before it
    auto note = [&](const char* step) { steps.emplace_back(step, watch->seen().size()); };
    ProgramSteps program;
    program.writeSideFiles = [&](const SettingsModel& model) {
        EXPECT_EQ(&model, &model_);
        note("side files");
    };
    program.rateUnchanged = [&] { note("rate unchanged"); };
    program.beforeRateChange = [&] { note("before rate change"); };
    program.afterRateChange = [&] { note("after rate change"); };
    DeviceSession session(model_, program);
    ASSERT_TRUE(session.connectAndRead().ok());
    const sim::MouseState before = mouse::read();

    ASSERT_EQ(model_.current()->name, u"Game");
    ASSERT_EQ(model_.chooseFunction(2, F::doubleClick), ChoiceResult::applied);
    ASSERT_TRUE(model_.setLed(kLedScrollWheel, true));
    model_.setSensitivity(16, 16);  // 2000 DPI on the current stage
    model_.setMacroEvents(0, {{30, 0}, {30 | kReleaseBit, 20}});
    ASSERT_EQ(model_.createMacro(u"Paste"), ListResult::done);
    ASSERT_EQ(model_.chooseFunction(7, F::macro), ChoiceResult::awaitingSecondLevel);
    ASSERT_TRUE(model_.linkMacro(7, 1));
    model_.setAcceleration(true, 7);
    ASSERT_TRUE(model_.setPollingRate(500));

    watch.emplace(mouse::statePath());
    const CommandReport report = session.writeAll();
    const std::vector<SeenWrite> writes = watch->stop();
    EXPECT_TRUE(report.ok()) << report.failures.front().operation;
    // Side files and the tray after every profile write; the rate change alone in between.
    EXPECT_EQ(steps, (std::vector<std::pair<std::string, std::size_t>>{{"side files", writes.size() - 1},
                                                                       {"before rate change", writes.size() - 1},
                                                                       {"after rate change", writes.size()}}));
    EXPECT_TRUE(session.state().rateChanging);
    EXPECT_EQ(session.state().rateRead, 500);

    // The order: the shown profile's stages (profile block, then the performance block), the
    // macros (the edited one, then the new one created first), the profile (name, lights,
    // stages, button table), the polling rate last.
    std::vector<std::uint8_t> order;
    for (const SeenWrite& write : writes)
        if (order.empty() || write.command != command::macroChunk || order.back() != command::macroChunk)
            order.push_back(write.command);
    const std::vector<std::uint8_t> expected = {
        command::profileBlock, command::performance,                                             // stages
        command::macroName, command::macroDirectory, command::macroChunk,                        // Copy
        command::macroDirectory, command::macroChunk,                                            // Paste created
        command::macroName, command::macroDirectory, command::macroChunk,                        // Paste written
        command::profileName, command::profileBlock, command::profileBlock, command::performance,  // Game
        command::profileBlock,                                                                   // its buttons
        command::performance,                                                                    // 500 Hz
    };
    EXPECT_EQ(order, expected);
    ASSERT_FALSE(writes.empty());
    EXPECT_EQ(writes.front().byte(9), 3);   // profile 3's block ...
    EXPECT_EQ(writes.front().byte(17), 76);  // ... with stage 3 at 2000 DPI
    EXPECT_EQ(writes.back().byte(10), 2);    // polling code of 500 Hz

    // On the mouse: exactly the edits.
    const sim::MouseState after = mouse::read();
    sim::MouseState wanted = before;
    sim::Profile& game = wanted.profile(3);
    game.lighting = 3;
    game.stages[2] = {76, 76};
    game.buttons[2] = {3, 13, 0, 0};
    game.buttons[7] = {8, sim::function::runMacro, 1, 1};  // macro 2, index 1
    wanted.pollingCode = 2;
    wanted.current = {76, 76};
    EXPECT_EQ(after.profiles, wanted.profiles);
    EXPECT_EQ(after.activeProfile, 3);
    EXPECT_EQ(after.pollingCode, 2);
    EXPECT_EQ(after.current, (sim::StageCodes{76, 76}));
    ASSERT_EQ(after.macros.size(), 2u);
    EXPECT_NE(after.macros.at(0), before.macros.at(0));

    // Everything written is clean; reading again gives what the model held.
    EXPECT_FALSE(model_.current()->changed);
    EXPECT_TRUE(model_.macroAt(1)->onDevice);
    SettingsModel reread;
    DeviceSession second(reread);
    ASSERT_TRUE(second.connectAndRead().ok());
    EXPECT_EQ(reread.macroAt(0)->events, model_.macroAt(0)->events);
    for (int row = 0; row < kButtonRows; ++row) EXPECT_EQ(reread.rowFunction(row), model_.rowFunction(row)) << row;
    EXPECT_EQ(reread.current()->macroLinks[7], reread.macroAt(1));
}

TEST_F(ModelOnMouse, ApplyWithoutEditsWritesOnlyTheShownStages) {
    mouse::change([](sim::MouseState& state) { state.profile(3).buttons[4] = {5, 5, 0, 0}; });  // no profile switch
    ASSERT_TRUE(session_->connectAndRead().ok());
    RequestWatch watch(mouse::statePath());
    const CommandReport report = session_->writeAll();
    const std::vector<SeenWrite> writes = watch.stop();
    EXPECT_TRUE(report.ok()) << report.failures.front().operation;
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].command, command::profileBlock);
    EXPECT_EQ(writes[1].command, command::performance);
}

TEST_F(ModelOnMouse, MiceThatCannotBeConfigured) {
    struct Case {
        std::vector<sim::Interface> plugged;
        bool wired, wireless;
    };
    const Case cases[] = {{{sim::Interface::wireless}, false, true}, {{}, false, false}};
    for (const Case& c : cases) {
        mouse::change([&](sim::MouseState& state) { sim::connect(state, c.plugged); });
        const CommandReport report = session_->connectAndRead();
        EXPECT_TRUE(report.ok()) << report.failures.front().operation;  // an absent mouse is no failure
        EXPECT_EQ(session_->state().wiredConnected, c.wired);
        EXPECT_EQ(session_->state().wirelessConnected, c.wireless);
        EXPECT_EQ(model_.profileCount(), 0u);
        EXPECT_EQ(model_.current(), nullptr);
    }
}

TEST_F(ModelOnMouse, CancelLeavesTheMouseUnchanged) {
    ASSERT_TRUE(session_->connectAndRead().ok());
    const sim::MouseState before = mouse::read();
    model_.chooseFunction(2, F::off);
    model_.setLed(kLedChargingDock, true);
    model_.createProfile(u"Extra");
    model_.deleteMacro(0);
    // Cancel drops the edits: the next life of the dialog reads the mouse again.
    ASSERT_TRUE(session_->connectAndRead().ok());
    EXPECT_EQ(settingsOf(mouse::read()), settingsOf(before));
    EXPECT_EQ(model_.profileCount(), 2u);
    EXPECT_EQ(model_.macroCount(), 1u);
    EXPECT_EQ(model_.rowFunction(2), F::universalScrolling);
}

TEST_F(ModelOnMouse, RestoreDefaultReachesTheMouse) {
    ASSERT_TRUE(session_->connectAndRead().ok());
    model_.restoreDefaults();
    const CommandReport report = session_->writeAll();
    EXPECT_TRUE(report.ok()) << report.failures.front().operation;
    const sim::MouseState after = mouse::read();
    sim::Profile wanted = sim::defaultProfile();
    wanted.name = sim::nameRecord(u"Game");
    wanted.lighting = 2;  // wheel off, battery on
    EXPECT_EQ(after.profile(3), wanted);
    EXPECT_EQ(after.pollingCode, 2);
    EXPECT_EQ(after.current, (sim::StageCodes{56, 56}));  // stage 3 of the defaults: 1500 DPI
}

TEST_F(ModelOnMouse, ProfilesAreCreatedDeletedAndMadeActive) {
    ASSERT_TRUE(session_->connectAndRead().ok());
    ASSERT_EQ(model_.createProfile(u"Extra"), ListResult::done);
    ASSERT_EQ(model_.deleteProfile(1), ListResult::done);  // Game, the active one
    ASSERT_TRUE(model_.selectProfile(1).selected);          // Extra is shown and becomes active
    const CommandReport report = session_->writeAll();
    EXPECT_TRUE(report.ok()) << report.failures.front().operation;
    const sim::MouseState after = mouse::read();
    EXPECT_TRUE(after.profile(3).free());
    EXPECT_EQ(sim::nameText(after.profile(2).name), u"Extra");
    EXPECT_EQ(after.activeProfile, 2);
    EXPECT_EQ(model_.profileNodes().size(), 2u);  // the deleted node is gone
    EXPECT_EQ(model_.profileAt(1)->deviceNumber, 2);
}

TEST_F(ModelOnMouse, DeletingTheProfileTheMouseHasActiveNowMovesItToTheBaseFirst) {
    mouse::change([](sim::MouseState& state) {
        state.profile(2) = sim::defaultProfile();
        state.profile(2).name = sim::nameRecord(u"Third");
    });
    ASSERT_TRUE(session_->connectAndRead().ok());
    ASSERT_EQ(model_.profileAt(1)->name, u"Third");
    ASSERT_EQ(model_.activeOnDevice()->name, u"Game");
    // Since the read the mouse's own button (or the tray) made Third active.
    mouse::change([](sim::MouseState& state) { state.activeProfile = 2; });
    ASSERT_EQ(model_.deleteProfile(1), ListResult::done);
    const CommandReport report = session_->writeAll();
    EXPECT_TRUE(report.ok()) << report.failures.front().operation;
    const sim::MouseState after = mouse::read();
    EXPECT_TRUE(after.profile(2).free());
    EXPECT_EQ(after.activeProfile, 3);  // Game, the profile shown
    EXPECT_EQ(model_.activeOnDevice()->name, u"Game");
}

TEST_F(ModelOnMouse, FailuresAreNamedAndWrittenAgainNextTime) {
    ASSERT_TRUE(session_->connectAndRead().ok());
    model_.setLed(kLedScrollWheel, true);
    model_.createMacro(u"Paste");
    // The mouse refuses everything for a while.
    mouse::change([](sim::MouseState& state) { state.faults.statusSequence.assign(400, sim::status::refused); });
    CommandReport report = session_->writeAll();
    EXPECT_FALSE(report.ok());
    EXPECT_EQ(subjects(report, "SetDpiStages"), std::vector<std::u16string>({u"Game", u"Game"}));
    EXPECT_EQ(subjects(report, "CreateMacro"), std::vector<std::u16string>({u"Paste"}));
    EXPECT_EQ(subjects(report, "SetStatus"), std::vector<std::u16string>({u"Game"}));
    EXPECT_EQ(subjects(report, "GetRate").size(), 1u);
    EXPECT_TRUE(model_.current()->changed);
    EXPECT_FALSE(model_.macroAt(1)->onDevice);

    mouse::change([](sim::MouseState& state) { state.faults = {}; });
    report = session_->writeAll();
    EXPECT_TRUE(report.ok()) << report.failures.front().operation;
    const sim::MouseState after = mouse::read();
    EXPECT_EQ(after.profile(3).lighting, 3);
    EXPECT_EQ(after.macros.size(), 2u);
}

TEST_F(ModelOnMouse, UnplugMidWriteNamesWhatFailed) {
    ASSERT_TRUE(session_->connectAndRead().ok());
    model_.setLed(kLedScrollWheel, true);
    model_.chooseFunction(2, F::off);
    // Unplugged after the stage record reached the mouse.
    mouse::change([](sim::MouseState& state) { state.faults.dropAfterReports = 24; });
    const CommandReport report = session_->writeAll();
    // Everything from the lights on failed, each operation named once; nothing counts as done.
    std::vector<std::string> operations;
    for (const Failure& failure : report.failures) operations.push_back(failure.operation);
    EXPECT_EQ(operations, (std::vector<std::string>{"SetStatus", "SetDpiStages", "SetActiveProfile", "SetButtonMappings",
                                                    "GetRate"}));
    EXPECT_EQ(report.failures.front().subject, u"Game");
    EXPECT_EQ(report.failures.front().status, E_ABORT);  // the HID access itself failed
    EXPECT_TRUE(model_.current()->changed);
    EXPECT_EQ(mouse::read().profile(3).buttons[2], (sim::ButtonEntry{3, 3, 0, 0}));
}

}  // namespace
}  // namespace tessel::cfg::testing
