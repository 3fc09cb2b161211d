// The rules of the settings model alone: button rows and records, the left-click rule, links,
// live rows, the profile and macro lists, bounds on outside input, Restore Default.
#include <gtest/gtest.h>

#include "configurator/model/settings_model.h"

namespace tessel::cfg {
namespace {

using F = ButtonFunction;

TEST(ButtonFunctions, RecordsOfTheRowsAndBack) {
    struct Case {
        int row;
        F function;
        MappingRecord record;
    };
    const Case cases[] = {
        {0, F::click, {1, 6, 5, {1, 0, 0}}},
        {3, F::forward, {5, 6, 5, {4, 0, 0}}},  // row 3 is button 4 (definition 5)
        {4, F::backward, {4, 6, 5, {5, 0, 0}}},
        {5, F::stageUp, {6, 6, 5, {11, 0, 0}}},
        {1, F::doubleClick, {2, 6, 5, {13, 0, 0}}},
        {2, F::off, {3, 6, 5, {0, 0, 0}}},
        {7, F::scrollDown, {8, 6, 5, {9, 0, 0}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(mappingFor(c.row, c.function), c.record) << c.row;
        EXPECT_EQ(functionOf(c.row, c.record), c.function) << c.row;
    }
    EXPECT_EQ(mappingFor(1, F::singleKey, 41), (MappingRecord{2, 3, 1, {41, 0, 0}}));
    EXPECT_EQ(mappingFor(6, F::profile, 0, 4), (MappingRecord{7, 1, 0, {5, 0, 4}}));
    EXPECT_EQ(mappingFor(8, F::macro, 0, 3), (MappingRecord{9, 2, 5, {3, 1, 0}}));
    // Records a row cannot show leave it as it was.
    EXPECT_EQ(functionOf(0, {1, 6, 5, {7, 0, 0}}), std::nullopt);
    EXPECT_EQ(functionOf(7, {8, 6, 5, {1, 0, 0}}), std::nullopt);  // the wheel has no click
    EXPECT_EQ(functionOf(7, {8, 6, 5, {11, 0, 0}}), F::stageUp);

    const MappingTable defaults = defaultMappings();
    EXPECT_EQ(defaults[3], (MappingRecord{4, 6, 5, {4, 0, 0}}));  // entry 3: Forward, row 4
    EXPECT_EQ(defaults[4], (MappingRecord{5, 6, 5, {5, 0, 0}}));  // entry 4: Backward, row 3
    EXPECT_EQ(defaults[5].info[0], 12);  // row 5 defaults to Stage Down
    EXPECT_EQ(defaults[6].info[0], 11);
}

TEST(StageRecord, OutsideInputIsBounded) {
    StageRecord read = StageRecord::defaults();
    read.count = 0;
    EXPECT_EQ(StageRecord::fromOutside(read), StageRecord::defaults());
    read.count = 6;
    EXPECT_EQ(StageRecord::fromOutside(read), StageRecord::defaults());
    read.count = 2;
    read.currentStage = 7;
    read.defaultStage = 0;
    const StageRecord bounded = StageRecord::fromOutside(read);
    EXPECT_EQ(bounded.currentStage, 2);
    EXPECT_EQ(bounded.defaultStage, 1);

    const std::pair<double, int> sliders[] = {{31.5, 32}, {31.0, 31}, {0.6, 1}, {-3, 1}, {12.51, 13}, {12.5, 12}, {1e9, 32}};
    for (auto [value, position] : sliders) EXPECT_EQ(sliderPosition(value), position) << value;
    const std::pair<double, int> steps[] = {{9.3, 10}, {9.1, 9}, {0.0, 1}, {55.0, 10}};
    for (auto [value, step] : steps) EXPECT_EQ(accelerationStep(value), step) << value;
}

// A model as read from a mouse with `count` profiles, each on the device with default buttons.
void loadProfiles(SettingsModel& model, int count) {
    for (int i = 1; i <= count; ++i) {
        ProfileNode& node = model.appendProfile();
        node.name = u"P" + std::u16string(1, char16_t(u'0' + i));
        node.deviceNumber = i;
        node.onDevice = true;
        node.mappings = defaultMappings();
        node.stages = StageRecord::defaults();
    }
    model.finishLoading(u"P1");
}

TEST(SettingsModel, AtLeastOneButtonKeepsTheClick) {
    SettingsModel model;
    loadProfiles(model, 1);
    EXPECT_EQ(model.chooseFunction(0, F::menu), ChoiceResult::refusedLeftClick);
    EXPECT_EQ(model.rowFunction(0), F::click);
    EXPECT_EQ(model.chooseFunction(0, F::macro), ChoiceResult::refusedLeftClick);
    // With another row on Click the left button is free.
    EXPECT_EQ(model.chooseFunction(1, F::click), ChoiceResult::applied);
    EXPECT_EQ(model.chooseFunction(0, F::menu), ChoiceResult::applied);
    EXPECT_EQ(model.rowFunction(0), F::menu);
    EXPECT_EQ(model.chooseFunction(7, F::click), ChoiceResult::ignored);  // not in the wheel list
    EXPECT_TRUE(model.current()->changed);
}

TEST(SettingsModel, SecondLevelChoicesLinkOneTargetPerRow) {
    SettingsModel model;
    loadProfiles(model, 2);
    model.createMacro(u"Mac");
    EXPECT_EQ(model.chooseFunction(3, F::profile), ChoiceResult::awaitingSecondLevel);
    EXPECT_EQ(model.rowFunction(3), F::backward);  // nothing changes before the choice
    EXPECT_FALSE(model.linkProfile(3, 2));         // beyond the list: ignored
    ASSERT_TRUE(model.linkProfile(3, 1));
    ProfileNode& node = *model.current();
    EXPECT_EQ(node.profileLinks[4], model.profileAt(1));
    EXPECT_TRUE(node.hasProfileSwitchLinks);
    EXPECT_EQ((*node.mappings)[4], (MappingRecord{5, 1, 0, {5, 0, 2}}));
    // A macro chosen afterwards replaces the profile switch.
    ASSERT_TRUE(model.linkMacro(3, 0));
    EXPECT_EQ(node.profileLinks[4], nullptr);
    EXPECT_EQ(node.macroLinks[4], model.macroAt(0));
    EXPECT_FALSE(node.hasProfileSwitchLinks);
    EXPECT_EQ(model.rowFunction(3), F::macro);
    // The macro is not on the mouse yet: the table cannot be written with it.
    EXPECT_FALSE(model.resolveLinks(node));
    model.macroAt(0)->onDevice = true;
    model.macroAt(0)->deviceId = 6;
    EXPECT_TRUE(model.resolveLinks(node));
    EXPECT_EQ((*node.mappings)[4], (MappingRecord{5, 2, 5, {6, 1, 0}}));
}

TEST(SettingsModel, RowsAreLiveNodes) {
    SettingsModel model;
    loadProfiles(model, 4);
    ASSERT_TRUE(model.selectProfile(3).selected);
    ASSERT_TRUE(model.linkProfile(1, 2));  // P4's right button switches to P3
    EXPECT_EQ(model.deleteProfile(0), ListResult::refused);
    EXPECT_EQ(model.deleteProfile(2), ListResult::done);
    ProfileNode* deleted = model.profileNodes()[2].get();
    EXPECT_TRUE(deleted->markedForDeletion);
    EXPECT_EQ(model.profileCount(), 3u);
    EXPECT_EQ(model.profileAt(2)->name, u"P4");  // the row after the deleted one moved up
    EXPECT_EQ(model.current()->name, u"P4");     // still showing the same profile
    EXPECT_EQ(model.profileByName(u"P3"), nullptr);
    // The button that switched to it takes its default function.
    EXPECT_EQ(model.rowFunction(1), F::menu);
    EXPECT_EQ(model.current()->profileLinks[1], nullptr);

    // A profile that never reached the mouse goes at once.
    EXPECT_EQ(model.createProfile(u"New"), ListResult::done);
    EXPECT_EQ(model.deleteProfile(3), ListResult::done);
    EXPECT_EQ(model.profileNodes().size(), 4u);
    EXPECT_EQ(model.deleteProfile(5), ListResult::noSuchRow);
}

TEST(SettingsModel, ProfileListLimitsAndNames) {
    SettingsModel model;
    loadProfiles(model, 1);
    model.profileAt(0)->name = u"Default";
    EXPECT_EQ(model.copyProfile(0), ListResult::done);
    EXPECT_EQ(model.copyProfile(0), ListResult::done);
    EXPECT_EQ(model.profileAt(1)->name, u"Default^2");
    EXPECT_EQ(model.profileAt(2)->name, u"Default^3");
    EXPECT_TRUE(model.profileAt(0)->copiedFrom);
    EXPECT_FALSE(model.profileAt(1)->onDevice);
    EXPECT_EQ(model.profileAt(1)->deviceNumber, 0);  // its own objects once the mouse creates it
    EXPECT_TRUE(model.profileAt(1)->changed);

    model.profileAt(0)->name = u"ABCDEFGHIJKLMNOPQRS";  // 19 characters, as long as the mouse keeps
    EXPECT_EQ(model.copyProfile(0), ListResult::done);
    EXPECT_EQ(model.profileAt(3)->name, u"ABCDEFGHIJKLMNOP^2");

    EXPECT_EQ(model.createProfile(u"Default^2"), ListResult::nameTaken);
    EXPECT_EQ(model.createProfile(u"ABCDEFGHIJKLMNOPQRST"), ListResult::nameInvalid);  // 20
    EXPECT_EQ(model.createProfile(u""), ListResult::nameInvalid);
    EXPECT_EQ(model.createProfile(u"Fifth"), ListResult::done);
    const ProfileNode& fifth = *model.profileAt(4);
    EXPECT_EQ(fifth.ledBits, 7u);
    EXPECT_EQ(fifth.stages, StageRecord::defaults());
    EXPECT_TRUE(fifth.rewrite);
    EXPECT_EQ(model.createProfile(u"Sixth"), ListResult::limitReached);
    EXPECT_EQ(model.copyProfile(0), ListResult::limitReached);

    EXPECT_EQ(model.setApplication(1, u"C:\\Games\\game.exe"), ListResult::done);
    EXPECT_EQ(model.profileAt(1)->application, u"game.exe");
}

TEST(SettingsModel, RenamesThatWouldBreakNameLinksAreRefused) {
    SettingsModel model;
    loadProfiles(model, 2);
    const std::pair<std::u16string_view, ListResult> cases[] = {
        {u"", ListResult::nameInvalid},
        {u"P2", ListResult::nameTaken},
        {u"ABCDEFGHIJKLMNOPQRST", ListResult::nameInvalid},  // longer than the mouse keeps
        {std::u16string_view(u"A\0B", 3), ListResult::nameInvalid},
    };
    for (const auto& [name, result] : cases) {
        EXPECT_EQ(model.renameProfile(0, name), result);
        EXPECT_EQ(model.profileAt(0)->name, u"P1");
    }
    EXPECT_EQ(model.renameProfile(0, u"P1"), ListResult::done);  // its own name again
    EXPECT_EQ(model.renameProfile(1, u"Sniper"), ListResult::done);
    EXPECT_EQ(model.profileAt(1)->name, u"Sniper");
    EXPECT_EQ(model.renameProfile(2, u"X"), ListResult::noSuchRow);
}

TEST(SettingsModel, DeletingResetsTheButtonsOfEveryProfileThatReachedIt) {
    SettingsModel model;
    loadProfiles(model, 3);
    model.createMacro(u"Mac");
    // P2 (not shown at the deletion) runs the macro and switches to P3; P1 switches to P3 too.
    model.selectProfile(1);
    ASSERT_TRUE(model.linkMacro(2, 0));
    ASSERT_TRUE(model.linkProfile(3, 2));
    model.selectProfile(0);
    ASSERT_TRUE(model.linkProfile(6, 2));
    for (const auto& node : model.profileNodes()) node->changed = false;

    ASSERT_EQ(model.deleteProfile(2), ListResult::done);
    ProfileNode& p1 = *model.profileAt(0);
    ProfileNode& p2 = *model.profileAt(1);
    EXPECT_EQ(p1.profileLinks[6], nullptr);
    EXPECT_EQ((*p1.mappings)[6], mappingFor(6, F::stageUp));
    EXPECT_FALSE(p1.hasProfileSwitchLinks);
    EXPECT_EQ(p2.profileLinks[4], nullptr);
    EXPECT_EQ((*p2.mappings)[4], mappingFor(3, F::backward));
    EXPECT_TRUE(p1.changed && p2.changed);
    EXPECT_EQ(p2.macroLinks[2], model.macroAt(0));  // the macro stays

    p2.changed = false;
    ASSERT_EQ(model.deleteMacro(0), ListResult::done);  // never on the mouse: gone at once
    EXPECT_EQ(model.macroNodes().size(), 0u);
    EXPECT_EQ(p2.macroLinks[2], nullptr);
    EXPECT_EQ((*p2.mappings)[2], mappingFor(2, F::universalScrolling));
    EXPECT_TRUE(p2.changed);
    EXPECT_EQ(model.current(), &p1);
}

TEST(SettingsModel, MacrosKeepSixteenEventsAndLeaveTheButtonsWhenDeleted) {
    SettingsModel model;
    loadProfiles(model, 1);
    ASSERT_EQ(model.createMacro(u"Mac"), ListResult::done);
    EXPECT_EQ(model.createMacro(u"Mac"), ListResult::nameTaken);
    std::vector<MacroEvent> events;
    for (std::uint16_t i = 0; i < 20; ++i) events.push_back({static_cast<std::uint16_t>(30 + (i % 2) * kReleaseBit), i * 100u});
    model.setMacroEvents(0, events);
    EXPECT_EQ(model.macroAt(0)->events.size(), 16u);

    MacroNode& macro = *model.macroAt(0);
    macro.onDevice = true;
    macro.deviceId = 2;
    macro.written = true;
    ASSERT_TRUE(model.linkMacro(8, 0));
    EXPECT_EQ(model.deleteMacro(0), ListResult::done);
    EXPECT_TRUE(macro.markedForDeletion);
    EXPECT_FALSE(macro.written);  // deleting is a change still to write
    EXPECT_EQ(model.macroCount(), 0u);
    EXPECT_EQ(model.rowFunction(8), F::scrollDown);
}

TEST(SettingsModel, MacroEventsTravelAsDeviceElements) {
    // LShift, A, A up, LShift up with 300 ms between, then a right click.
    const std::vector<MacroEvent> events = {
        {42, 0}, {30, 300}, {30 | kReleaseBit, 600}, {42 | kReleaseBit, 900}, {3 * 0x200, 950}, {3 * 0x200 | kReleaseBit, 1000},
    };
    const std::vector<DeviceMacroElement> elements = toDeviceElements(events);
    const std::vector<DeviceMacroElement> expected = {
        {1, 225, 0, 300}, {1, 4, 0, 300}, {1, 4, 2, 300}, {1, 225, 2, 50}, {0, 1, 0, 50}, {0, 1, 2, 0},
    };
    EXPECT_EQ(elements, expected);
    // Read back, mouse events carry the code the mouse gives them.
    std::vector<MacroEvent> back = events;
    back[4].code = 0x7E03;
    back[5].code = 0x7E03 | kReleaseBit;
    EXPECT_EQ(fromDeviceElements(elements), back);
    EXPECT_EQ(toDeviceElements(back), elements);
    EXPECT_EQ(hidUsageOf(0x100 + 28), 88);
    EXPECT_EQ(keyName(0x100 + 93), u"Menu");
    EXPECT_EQ(keyCodeOfName(u"Esc"), 1);
}

TEST(SettingsModel, RestoreDefaultsAndSlidersOfTheCurrentStage) {
    SettingsModel model;
    loadProfiles(model, 2);
    StageRecord stages = StageRecord::defaults();
    stages.count = 3;
    stages.currentStage = 2;
    stages.stages[1] = {1500, 2000};
    model.profileAt(1)->stages = stages;
    model.profileAt(1)->mappings.reset();  // the mouse gave no mapping table
    model.profileAt(1)->ledBits = 5;

    const auto selection = model.selectProfile(1);
    EXPECT_TRUE(selection.defaultsRestored);
    ProfileNode& node = *model.current();
    EXPECT_EQ(node.mappings, defaultMappings());
    EXPECT_EQ(node.stages, StageRecord::defaults());
    EXPECT_EQ(node.ledBits, 6u);  // wheel off, battery on, dock kept
    EXPECT_TRUE(node.changed && node.rewrite);
    EXPECT_EQ(model.performance().pollingRate, 500);
    EXPECT_EQ(model.performance().sliderX, 12);

    model.profileAt(0)->stages = stages;
    model.selectProfile(0);
    EXPECT_EQ(model.performance().sliderX, 12);
    EXPECT_EQ(model.performance().sliderY, 16);
    EXPECT_TRUE(model.performance().independentXY);
    model.setIndependentXY(false);
    model.setSensitivity(20.4, 3);
    const StageRecord& written = model.settleCurrentStages();
    EXPECT_EQ(written.stages[1], (Sensitivity{2500, 2500}));
    EXPECT_EQ(written.count, 3u);
}

}  // namespace
}  // namespace tessel::cfg
