// The macro page's logic: rows and their texts, the recorder with its delay rules and its
// 16-event limit, the key list's menu and the advanced commands, all stored in the model.
#include "configurator/model/macro_editor.h"

#include <gtest/gtest.h>

namespace tessel::cfg {
namespace {

constexpr std::uint16_t kLShift = 42, kA = 30, kQ = 16, kW = 17, kLAlt = 56, kF4 = 62;

std::vector<std::u16string> texts(const std::vector<KeyRow>& rows) {
    std::vector<std::u16string> all;
    for (const KeyRow& row : rows) all.push_back(rowText(row));
    return all;
}

// A mouse with one profile and one macro, the macro chosen on the page.
struct Page {
    SettingsModel model;
    MacroEditor editor{model};

    Page() {
        ProfileNode& profile = model.appendProfile();
        profile.name = u"P1";
        profile.onDevice = true;
        profile.deviceNumber = 1;
        profile.mappings = defaultMappings();
        model.finishLoading(u"P1");
        model.createMacro(u"Mac");
        EXPECT_TRUE(editor.show(0));
    }
    MacroNode& macro() { return *model.macroAt(0); }
    // Rows as the page would have them, stored in the macro.
    void setRows(const std::vector<MacroEvent>& events) {
        model.setMacroEvents(0, events);
        editor.show(0);
    }
    // Every key and button the macro presses is released again.
    bool nothingStuck() {
        std::vector<std::uint16_t> held;
        for (const MacroEvent& event : macro().events) {
            const std::uint16_t source = event.code & ~kReleaseBit;
            const auto found = std::find(held.begin(), held.end(), source);
            if (event.code & kReleaseBit) {
                if (found != held.end()) held.erase(found);
            } else {
                held.push_back(source);
            }
        }
        return held.empty();
    }
};

TEST(MacroRows, TextComesFromTheCodeOnly) {
    const std::pair<KeyRow, std::u16string_view> cases[] = {
        {KeyRow::delay(300), u"0.300 sec delay"},
        {KeyRow::delay(59000), u"59.000 sec delay"},
        {KeyRow::delay(1), u"0.001 sec delay"},
        {KeyRow::press(kLShift), u"LShift"},
        {KeyRow::release(0x100 + 91), u"LWin"},
        {KeyRow::press(0x100 + 28), u"Enter"},
        {KeyRow::mouse(1, true), u"Left Button Down"},
        {KeyRow::mouse(2, false), u"Wheel Up"},
        {KeyRow::mouse(5, true), u"Side Button 2 Down"},
        {KeyRow::press(85), u"?"},  // no key at 84-86
        {KeyRow::press(0), u"?"},
        {{KeyRowKind::mouseEvent, 0x7E09, 0}, u"?"},
    };
    for (const auto& [row, text] : cases) EXPECT_EQ(rowText(row), text) << int(row.kind) << " " << row.code;
    EXPECT_EQ(KeyRow::release(kA).eventCode(), kA | kReleaseBit);
    EXPECT_EQ(KeyRow::mouse(3, false).eventCode(), 0x600 | kReleaseBit);
}

TEST(MacroRows, ShowingAndRebuildingAMacro) {
    // As read from the mouse: a right click in the codes the mouse gives, delays out of bounds.
    const std::vector<MacroEvent> read = {
        {kA, 0}, {kA | kReleaseBit, 10}, {0x7E03, 70010}, {0x7E03 | kReleaseBit, 70010},
    };
    const std::vector<KeyRow> rows = rowsOfEvents(read);
    const std::vector<KeyRow> expected = {
        KeyRow::press(kA), KeyRow::delay(50),    KeyRow::release(kA),
        KeyRow::delay(59000), KeyRow::mouse(3, true), KeyRow::mouse(3, false),
    };
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(eventsOfRows(rows), (std::vector<MacroEvent>{
                                      {kA, 0}, {kA | kReleaseBit, 50}, {0x600, 59050}, {0x600 | kReleaseBit, 59050}}));

    // Delays before the first event and in a row add up; rows after the 16th event are no part.
    std::vector<KeyRow> long_ = {KeyRow::delay(100), KeyRow::delay(200)};
    for (int i = 0; i < 9; ++i) long_.insert(long_.end(), {KeyRow::press(kQ), KeyRow::release(kQ)});
    const auto events = eventsOfRows(long_);
    ASSERT_EQ(events.size(), 16u);
    EXPECT_EQ(events.front(), (MacroEvent{kQ, 300}));
    EXPECT_EQ(rowsOfEvents(events).front(), KeyRow::delay(300));

    EXPECT_TRUE(rowsOfEvents({}).empty());
    std::vector<MacroEvent> seventeen(17, MacroEvent{kQ, 0});
    EXPECT_TRUE(rowsOfEvents(seventeen).empty());
}

TEST(MacroRecorder, DelayRules) {
    struct Case {
        const char* what;
        RecorderOptions options;
        int defaultDelay;
        bool mouse;
        std::uint64_t gap;
        std::vector<std::u16string> delays;  // the delay rows of two presses and two releases
    };
    const Case cases[] = {
        {"measured", {}, 50, false, 300, {u"0.300 sec delay", u"0.300 sec delay", u"0.300 sec delay"}},
        {"default delay", {false, true}, 50, false, 300, {u"0.050 sec delay", u"0.050 sec delay", u"0.050 sec delay"}},
        {"keys at least 0.05 s", {}, 50, false, 10, {u"0.050 sec delay", u"0.050 sec delay", u"0.050 sec delay"}},
        {"mouse at least 0.001 s", {}, 50, true, 10, {u"0.010 sec delay", u"0.010 sec delay", u"0.010 sec delay"}},
        {"mouse at the same time", {}, 50, true, 0, {u"0.001 sec delay", u"0.001 sec delay", u"0.001 sec delay"}},
        {"at most 59 s", {}, 50, false, 70000, {u"59.000 sec delay", u"59.000 sec delay", u"59.000 sec delay"}},
        {"no delays", {true, false}, 50, false, 300, {}},
    };
    for (const Case& c : cases) {
        Page page;
        page.model.setMacroDefaultDelayMs(c.defaultDelay);
        std::uint64_t now = 1000;
        ASSERT_TRUE(page.editor.startRecording(now, c.options));
        auto next = [&] { return now += c.gap; };
        if (c.mouse) {
            page.editor.mouseButton(1, true, next());
            page.editor.mouseButton(3, true, next());
            page.editor.mouseButton(3, false, next());
            page.editor.mouseButton(1, false, next());
        } else {
            page.editor.keyDown(kLShift, false, next());
            page.editor.keyDown(kA, false, next());
            page.editor.keyUp(kA, next());
            page.editor.keyUp(kLShift, next());
        }
        std::vector<std::u16string> delays;
        for (const KeyRow& row : page.editor.rows())
            if (row.kind == KeyRowKind::delay) delays.push_back(rowText(row));
        EXPECT_EQ(delays, c.delays) << c.what;
        EXPECT_EQ(page.macro().events.size(), 4u) << c.what;
    }
}

TEST(MacroRecorder, RecordsIntoTheMacroAndIgnoresRepeats) {
    Page page;
    page.setRows({{kQ, 0}, {kQ | kReleaseBit, 100}});
    page.model.profileAt(0)->changed = false;
    page.macro().changed = false;
    std::uint64_t now = 5000;
    ASSERT_TRUE(page.editor.startRecording(now, {}));
    // Recording starts a new event list and counts as a change.
    EXPECT_TRUE(page.editor.rows().empty());
    EXPECT_TRUE(page.macro().events.empty());
    EXPECT_TRUE(page.macro().changed);
    EXPECT_TRUE(page.model.profileAt(0)->changed);

    EXPECT_EQ(page.editor.keyDown(kLShift, false, now), RecordResult::recorded);
    EXPECT_EQ(page.editor.keyDown(kLShift, true, now += 30), RecordResult::ignored);   // auto-repeat
    EXPECT_EQ(page.editor.keyDown(kLShift, false, now += 30), RecordResult::ignored);  // still held
    EXPECT_EQ(page.editor.keyUp(kA, now += 30), RecordResult::ignored);  // released, never pressed here
    EXPECT_EQ(page.editor.keyDown(0x100 + 200, false, now), RecordResult::ignored);  // no such key
    EXPECT_EQ(page.editor.keyDown(kA, false, now = 5300), RecordResult::recorded);
    EXPECT_EQ(page.editor.keyUp(kA, now += 300), RecordResult::recorded);
    EXPECT_EQ(page.editor.keyUp(kLShift, now += 300), RecordResult::recorded);
    page.editor.stopRecording();
    EXPECT_FALSE(page.editor.recording());
    EXPECT_EQ(page.editor.keyDown(kQ, false, now), RecordResult::ignored);

    EXPECT_EQ(texts(page.editor.rows()),
              (std::vector<std::u16string>{u"LShift", u"0.300 sec delay", u"A", u"0.300 sec delay", u"A",
                                           u"0.300 sec delay", u"LShift"}));
    EXPECT_EQ(page.macro().events,
              (std::vector<MacroEvent>{{kLShift, 0}, {kA, 300}, {kA | kReleaseBit, 600}, {kLShift | kReleaseBit, 900}}));
}

TEST(MacroRecorder, SixteenEventsAndNoStuckKey) {
    // Eight taps fill the macro; the 17th event stops recording and is not kept.
    {
        Page page;
        std::uint64_t now = 0;
        page.editor.startRecording(now, {true, false});
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(page.editor.keyDown(kQ, false, now += 100), RecordResult::recorded);
            EXPECT_EQ(page.editor.keyUp(kQ, now += 100), RecordResult::recorded);
        }
        EXPECT_EQ(page.editor.mouseButton(1, true, now += 100), RecordResult::stopped);
        EXPECT_FALSE(page.editor.recording());
        EXPECT_EQ(page.macro().events.size(), 16u);
    }
    // A press whose release would be the 17th event stops recording instead of being kept.
    {
        Page page;
        std::uint64_t now = 0;
        page.editor.startRecording(now, {});
        page.editor.keyDown(kLShift, false, now += 100);
        for (int i = 0; i < 7; ++i) {
            page.editor.keyDown(kQ, false, now += 100);
            page.editor.keyUp(kQ, now += 100);
        }
        // 15 events with LShift held: only its release still fits.
        EXPECT_EQ(page.editor.keyDown(kA, false, now += 100), RecordResult::stopped);
        EXPECT_EQ(page.macro().events.size(), 16u);
        EXPECT_EQ(page.macro().events.back().code, kLShift | kReleaseBit);
        EXPECT_TRUE(page.nothingStuck());
    }
    // Stopped while a key and a button are held: their releases close the macro.
    {
        Page page;
        page.editor.startRecording(0, {});
        page.editor.keyDown(kA, false, 100);
        page.editor.mouseButton(4, true, 200);
        page.editor.stopRecording();
        EXPECT_EQ(texts(page.editor.rows()), (std::vector<std::u16string>{u"A", u"0.100 sec delay", u"Side Button 1 Down",
                                                                          u"Side Button 1 Up", u"A"}));
        EXPECT_TRUE(page.nothingStuck());
    }
}

TEST(MacroKeyList, DeleteTakesTheMatchingPressOrRelease) {
    struct Case {
        const char* what;
        std::size_t row;
        std::vector<std::u16string> left;
    };
    // Q, W, W up, Q up, Q, Q up, then a click.
    const std::vector<MacroEvent> events = {
        {kQ, 0},   {kW, 100}, {kW | kReleaseBit, 200}, {kQ | kReleaseBit, 300}, {kQ, 400}, {kQ | kReleaseBit, 500},
        {0x200, 600}, {0x200 | kReleaseBit, 600},
    };
    const Case cases[] = {
        {"press", 0, {u"0.100 sec delay", u"W", u"0.100 sec delay", u"W", u"0.100 sec delay", u"0.100 sec delay", u"Q",
                      u"0.100 sec delay", u"Q", u"0.100 sec delay", u"Left Button Down", u"Left Button Up"}},
        {"release", 6, {u"0.100 sec delay", u"W", u"0.100 sec delay", u"W", u"0.100 sec delay", u"0.100 sec delay", u"Q",
                        u"0.100 sec delay", u"Q", u"0.100 sec delay", u"Left Button Down", u"Left Button Up"}},
        {"later press", 8, {u"Q", u"0.100 sec delay", u"W", u"0.100 sec delay", u"W", u"0.100 sec delay", u"Q",
                            u"0.100 sec delay", u"0.100 sec delay", u"0.100 sec delay", u"Left Button Down",
                            u"Left Button Up"}},
        {"mouse up", 13, {u"Q", u"0.100 sec delay", u"W", u"0.100 sec delay", u"W", u"0.100 sec delay", u"Q",
                          u"0.100 sec delay", u"Q", u"0.100 sec delay", u"Q", u"0.100 sec delay"}},
        {"delay", 1, {u"Q", u"W", u"0.100 sec delay", u"W", u"0.100 sec delay", u"Q", u"0.100 sec delay", u"Q",
                      u"0.100 sec delay", u"Q", u"0.100 sec delay", u"Left Button Down", u"Left Button Up"}},
    };
    for (const Case& c : cases) {
        Page page;
        page.setRows(events);
        ASSERT_EQ(page.editor.rows().size(), 14u);
        EXPECT_EQ(page.editor.deleteRow(c.row), EditResult::done) << c.what;
        EXPECT_EQ(texts(page.editor.rows()), c.left) << c.what;
        EXPECT_TRUE(page.nothingStuck()) << c.what;
    }
}

TEST(MacroKeyList, InsertEditAndReplace) {
    Page page;
    page.setRows({{kQ, 0}, {kQ | kReleaseBit, 100}});
    page.model.profileAt(0)->changed = false;
    EXPECT_EQ(page.editor.insertDelay(1), EditResult::done);
    EXPECT_TRUE(page.model.profileAt(0)->changed);
    EXPECT_EQ(page.macro().events[1].timeMs, 600u);

    EXPECT_EQ(page.editor.editDelay(1, -5), EditResult::done);
    EXPECT_EQ(page.editor.rows()[1], KeyRow::delay(0));
    EXPECT_EQ(page.editor.editDelay(1, 1'000'000), EditResult::done);
    EXPECT_EQ(page.editor.rows()[1], KeyRow::delay(59000));
    EXPECT_EQ(page.editor.editDelay(0, 100), EditResult::wrongKind);
    EXPECT_EQ(page.editor.editDelay(9, 100), EditResult::noSuchRow);

    // The press takes the new key and so does its release: W is not left held.
    EXPECT_EQ(page.editor.replaceKey(0, kW), EditResult::done);
    EXPECT_EQ(texts(page.editor.rows()),
              (std::vector<std::u16string>{u"W", u"59.000 sec delay", u"0.100 sec delay", u"W"}));
    EXPECT_EQ(page.macro().events, (std::vector<MacroEvent>{{kW, 0}, {kW | kReleaseBit, 59100}}));
    EXPECT_EQ(page.editor.replaceKey(0, 85), EditResult::invalidKey);
    EXPECT_EQ(page.editor.replaceKey(1, kA), EditResult::wrongKind);
}

TEST(MacroKeyList, AdvancedCommands) {
    const std::pair<std::u16string_view, std::vector<std::u16string>> basic[] = {
        {u"Cut", {u"LCtrl", u"X"}},  {u"Copy", {u"LCtrl", u"C"}}, {u"Paste", {u"LCtrl", u"V"}},
        {u"Undo", {u"LCtrl", u"Z"}}, {u"All", {u"LCtrl", u"A"}},  {u"Find", {u"LCtrl", u"F"}},
        {u"New", {u"LCtrl", u"N"}},  {u"Print", {u"LCtrl", u"P"}}, {u"Save", {u"LCtrl", u"S"}},
    };
    const std::pair<std::u16string_view, std::vector<std::u16string>> additional[] = {
        {u"Swap Windows", {u"LAlt", u"Tab"}}, {u"Close Window", {u"LAlt", u"F4"}}, {u"Lock PC", {u"LWin", u"L"}},
        {u"Open Explorer", {u"LWin", u"E"}},  {u"Run", {u"LWin", u"R"}},          {u"Show Desktop", {u"LWin", u"D"}},
        {u"Zoom In", {u"LCtrl", u"+="}},      {u"Zoom Out", {u"LCtrl", u"_-"}},
    };
    auto check = [](auto names, auto rowsOf, const auto& table) {
        ASSERT_EQ(names.size(), std::size(table));
        for (std::size_t i = 0; i < names.size(); ++i) {
            EXPECT_EQ(names[i], table[i].first);
            const std::vector<KeyRow> rows = rowsOf(i);
            const auto& keys = table[i].second;
            EXPECT_EQ(texts(rows), (std::vector<std::u16string>{keys[0], keys[1], keys[1], keys[0]})) << i;
            ASSERT_EQ(rows.size(), 4u);
            EXPECT_EQ(rows[0].kind, KeyRowKind::keyPress);
            EXPECT_EQ(rows[1].kind, KeyRowKind::keyPress);
            EXPECT_EQ(rows[2].kind, KeyRowKind::keyRelease);
            EXPECT_EQ(rows[3].kind, KeyRowKind::keyRelease);
        }
        EXPECT_TRUE(rowsOf(names.size()).empty());
    };
    check(basicCommandNames(), basicCommandRows, basic);
    check(additionalCommandNames(), additionalCommandRows, additional);
    EXPECT_EQ(additionalCommandRows(2)[0].code, 0x100 + 91);  // the extended LWin

    Page page;
    page.setRows({{kQ, 0}, {kQ | kReleaseBit, 100}});
    EXPECT_EQ(page.editor.insertAdditionalCommand(1, std::nullopt), EditResult::done);  // Close Window at the start
    EXPECT_EQ(page.editor.insertBasicCommand(0, 5), EditResult::done);                 // Cut after the delay
    EXPECT_EQ(page.editor.insertBasicCommand(0, 99), EditResult::noSuchRow);
    EXPECT_EQ(texts(page.editor.rows()),
              (std::vector<std::u16string>{u"LAlt", u"F4", u"F4", u"LAlt", u"Q", u"0.100 sec delay", u"LCtrl", u"X",
                                           u"X", u"LCtrl", u"Q"}));
    EXPECT_EQ(page.macro().events.front(), (MacroEvent{kLAlt, 0}));
    EXPECT_EQ(page.macro().events[1], (MacroEvent{kF4, 0}));
    // 10 events: one more command fits, a second would pass 16 and changes nothing.
    EXPECT_EQ(page.editor.insertBasicCommand(1, std::nullopt), EditResult::done);
    const std::vector<KeyRow> before = page.editor.rows();
    EXPECT_EQ(page.editor.insertBasicCommand(2, std::nullopt), EditResult::tooManyEvents);
    EXPECT_EQ(page.editor.rows(), before);
    EXPECT_EQ(page.macro().events.size(), 14u);
}

TEST(MacroKeyList, NothingToEditWithoutALiveMacro) {
    Page page;
    page.setRows({{kQ, 0}, {kQ | kReleaseBit, 100}});
    page.editor.startRecording(0, {});
    EXPECT_EQ(page.editor.insertDelay(0), EditResult::recording);
    EXPECT_FALSE(page.editor.show(0));
    page.editor.stopRecording();

    page.model.createMacro(u"Other");
    ASSERT_EQ(page.model.deleteMacro(0), ListResult::done);
    EXPECT_TRUE(page.editor.rows().empty());
    EXPECT_EQ(page.editor.insertDelay(0), EditResult::noMacro);
    EXPECT_EQ(page.editor.deleteRow(0), EditResult::noMacro);
    EXPECT_FALSE(page.editor.startRecording(0, {}));
    EXPECT_TRUE(page.model.macroAt(0)->events.empty());  // "Other" was not touched
    EXPECT_TRUE(page.editor.show(0));
    EXPECT_EQ(page.model.currentMacro()->name, u"Other");
}

TEST(MacroKeyList, AMacroTooLongToShowIsOnlyRecordedAnew) {
    std::vector<DeviceMacroElement> elements(16, DeviceMacroElement{1, 4, 0, 10});
    elements.push_back({1, 0, 0, 10});  // names no key: skipped, 16 events still
    ASSERT_TRUE(fromDeviceElements(elements).has_value());
    EXPECT_EQ(fromDeviceElements(elements)->size(), 16u);
    elements.push_back({1, 4, 2, 0});
    EXPECT_FALSE(fromDeviceElements(elements).has_value());

    Page page;
    page.macro().tooLong = true;
    page.macro().onDevice = true;
    page.macro().changed = false;
    ASSERT_TRUE(page.editor.show(0));
    EXPECT_TRUE(page.editor.rows().empty());
    EXPECT_EQ(page.editor.insertDelay(0), EditResult::tooLong);
    EXPECT_EQ(page.editor.insertBasicCommand(0, std::nullopt), EditResult::tooLong);
    EXPECT_FALSE(page.macro().changed);
    ASSERT_TRUE(page.editor.startRecording(0, {}));
    page.editor.keyDown(kA, false, 10);
    page.editor.stopRecording();
    EXPECT_FALSE(page.macro().tooLong);
    EXPECT_TRUE(page.macro().changed);
    EXPECT_EQ(page.macro().events.size(), 2u);
}

}  // namespace
}  // namespace tessel::cfg
