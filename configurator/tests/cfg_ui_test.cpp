// TesselCfg driven as a user drives it, against the real middleware (registered in this test's
// session) and the simulated mouse: reading, editing on the pages and in the stages dialog,
// Apply, Cancel, the connection messages, a second start and a change of language.
#include "configurator/tests/cfg_ui_fixture.h"

namespace tessel::cfg::testing {
namespace {

TEST_F(Configurator, ReadingFillsThePages) {
    const ULONGLONG started = GetTickCount64();
    start();
    uidriver::waitForText(control(IDC_BUTTON_ROW_FIRST + 0), L"Menu");
    // The worker's first poll (1 s) and the box's delay (2 s) are part of it.
    printf("start to filled page: %llu ms\n", GetTickCount64() - started);
    // Profile 3 "Game" is active: left and right swapped; the rows of the fourth and fifth
    // button (crossed) switch profiles and run the macro.
    EXPECT_EQ(text(IDC_BUTTON_ROW_FIRST + 0), L"Menu");
    EXPECT_EQ(text(IDC_BUTTON_ROW_FIRST + 1), L"Click");
    EXPECT_EQ(text(IDC_BUTTON_ROW_FIRST + 2), L"Universal Scrolling");
    EXPECT_EQ(text(IDC_BUTTON_ROW_FIRST + 3), L"Profile");
    EXPECT_EQ(text(IDC_BUTTON_ROW_FIRST + 4), L"Macro");
    shoot(dialog_, L"buttons_page");
    press(control(IDC_TAB_PERFORMANCE));
    uidriver::waitFor({.id = IDC_SENSITIVITY_X, .visible = true}, 5s, dialog_);
    EXPECT_EQ(text(IDC_SENSITIVITY_X_LABEL), L"1500");  // stage 3 of the default record
    shoot(dialog_, L"performance_page");
    for (int tab : {IDC_TAB_PROFILES, IDC_TAB_MACROS, IDC_TAB_LIGHTING}) {
        press(control(tab));
        uidriver::waitGone(control(IDC_SENSITIVITY_X), 5s);
    }
    shoot(dialog_, L"lighting_page");
    // Escape alone does not close while the mouse is attached.
    uidriver::bringToFront(dialog_);
    uidriver::pressKey(VK_ESCAPE);
    Sleep(500);
    EXPECT_TRUE(IsWindowVisible(dialog_));

    // Cancel writes nothing.
    const sim::MouseState before = mouse::read();
    press(control(IDC_TAB_BUTTONS));
    chooseInRow(2, L"Double-Click");
    uidriver::waitForText(control(IDC_BUTTON_ROW_FIRST + 2), L"Double-Click");
    press(control(IDCANCEL));
    EXPECT_EQ(program_->waitForExit(20s), 0u);
    const sim::MouseState after = mouse::read();
    EXPECT_EQ(after.profiles, before.profiles);
    EXPECT_EQ(after.macros, before.macros);
}

TEST_F(Configurator, EditsOfThePagesAndStagesReachTheMouseAtApply) {
    // What the mouse does not keep comes from the side files: "Base" (first in the list) has a
    // program of its own.
    formats::Win32Files files;
    formats::ExchangeProfile base;
    base.name = u"Base";
    base.executable = u"C:\\Games\\arena.exe";
    base.autoload = 1;
    ASSERT_TRUE(formats::writeTextFile(files, formats::sideFilePath(sideFileFolder(), 0), formats::profileBlockText(base, NoLinks())));
    start();
    chooseInRow(2, L"Double-Click");
    uidriver::waitForText(control(IDC_BUTTON_ROW_FIRST + 2), L"Double-Click");

    // One step up on the sensitivity slider: a press on the track beside the thumb.
    press(control(IDC_TAB_PERFORMANCE));
    HWND slider = uidriver::waitFor({.id = IDC_SENSITIVITY_X, .visible = true}, 5s, dialog_);
    RECT track{};
    GetClientRect(slider, &track);
    pressAt(slider, POINT{track.right - 4, track.bottom / 2});
    uidriver::waitForText(control(IDC_SENSITIVITY_X_LABEL), L"1625");
    press(control(IDC_RATE_500));

    // The stages dialog: four stages instead of five.
    press(control(IDC_STAGES));
    HWND stages = box(L"Sensitivity Stage Settings");
    shoot(stages, L"stages_dialog");
    HWND count = uidriver::find(byId(IDC_STAGE_COUNT), stages);
    press(uidriver::find(byId(4001), count));  // the spin box's down arrow
    uidriver::waitForText(count, L"4");
    pressBoxButton(stages, 0);  // OK
    uidriver::waitGone(stages, 5s);

    apply();
    const sim::Profile game = mouse::read().profile(3);
    EXPECT_EQ(game.buttons[2], (sim::ButtonEntry{3, 13, 0, 0}));  // the middle button double-clicks
    EXPECT_EQ(game.stageCount, 4);
    EXPECT_EQ(game.stages[2], (sim::StageCodes{61, 61}));  // stage 3: (1625 - 100) / 25
    EXPECT_EQ(game.buttons[0], (sim::ButtonEntry{1, 2, 0, 0}));  // untouched rows stay
    EXPECT_EQ(mouse::read().pollingCode, 2);  // 500 Hz
    // The side files were written again, one per profile, the program kept.
    const auto first = formats::readTextFile(files, formats::sideFilePath(sideFileFolder(), 0));
    const auto second = formats::readTextFile(files, formats::sideFilePath(sideFileFolder(), 1));
    ASSERT_TRUE(first && second);
    EXPECT_NE(first->find(u"C:\\Games\\arena.exe"), std::u16string::npos);
    EXPECT_NE(second->find(u"Game"), std::u16string::npos);
    // The new rate is awaited, not taken for a pulled cable.
    Sleep(2500);
    EXPECT_FALSE(uidriver::find({.title = L"Information", .processId = program_->processId(), .visible = true}));
    EXPECT_TRUE(IsWindowVisible(dialog_));
    press(control(IDCANCEL));
    program_->waitForExit(20s);
}

// The rules of a row: the last click is kept, an abandoned Single Key box or list of macro names
// leaves the row as it was, and the chosen key and macro reach the mouse.
TEST_F(Configurator, ButtonRowsKeepTheirRules) {
    start();
    chooseInRow(1, L"Menu");  // the only row on "Click"
    HWND refusal = box(L"Information", 5s);
    shoot(refusal, L"left_click_rule");
    pressBoxButton(refusal, 0);
    uidriver::waitGone(refusal, 5s);
    uidriver::waitForText(control(IDC_BUTTON_ROW_FIRST + 1), L"Click");

    chooseInRow(2, L"Single Key");
    HWND keyBox = box(L"Single Key Settings", 5s);
    pressBoxButton(keyBox, 1);  // Cancel
    uidriver::waitGone(keyBox, 5s);
    uidriver::waitForText(control(IDC_BUTTON_ROW_FIRST + 2), L"Universal Scrolling");
    // A key the mouse cannot send leaves the row as it was.
    chooseInRow(2, L"Single Key");
    keyBox = box(L"Single Key Settings", 5s);
    uidriver::pressKey(VK_F13);
    pressBoxButton(keyBox, 0);  // OK
    uidriver::waitGone(keyBox, 5s);
    uidriver::waitForText(control(IDC_BUTTON_ROW_FIRST + 2), L"Universal Scrolling");
    chooseInRow(2, L"Single Key");
    keyBox = box(L"Single Key Settings", 5s);
    uidriver::pressKey('A');
    shoot(keyBox, L"single_key");
    pressBoxButton(keyBox, 0);  // OK
    uidriver::waitGone(keyBox, 5s);
    uidriver::waitForText(control(IDC_BUTTON_ROW_FIRST + 2), L"Single Key");

    // "Macro" shows the macro names when the pointer rests on it: Escape leaves them unchosen
    // and the row as it was; a name chosen links the macro.
    auto restOn = [&](int row, ButtonFunction function) {
        // Wine now and then drops a pointer move, and the list closes when the pointer leaves it:
        // the rest is tried again, from a list opened again when it has gone.
        HWND list = nullptr;
        for (int attempt = 0;; ++attempt) {
            try {
                if (!list || !IsWindowVisible(list)) {
                    press(control(IDC_BUTTON_ROW_FIRST + row));
                    list = openList();
                }
                EXPECT_GT(uidriver::rowCount(list), static_cast<int>(function));  // the list is in place
                uidriver::moveTo(list, POINT{40, 2 + static_cast<int>(function) * 16 + 8});
                uidriver::waitFor({.className = L"#32768", .visible = true}, 5s);
                return list;
            } catch (const std::exception&) {
                if (attempt == 2) {
                    uidriver::savePng(uidriver::captureScreen(), L"list_not_reached");
                    throw;
                }
                Sleep(500);
            }
        }
    };
    for (ButtonFunction function : {ButtonFunction::macro, ButtonFunction::profile}) {
        HWND list = restOn(5, function);
        uidriver::pressKey(VK_ESCAPE);
        uidriver::waitGone({.className = L"#32768", .visible = true}, 5s);
        EXPECT_EQ(text(IDC_BUTTON_ROW_FIRST + 5), L"Sensitivity Stage Down");
        press(control(IDC_BUTTON_ROW_FIRST + 5));  // a click on its box closes the list
        uidriver::waitGone(list, 5s);
    }
    restOn(6, ButtonFunction::macro);
    uidriver::pressKey(VK_DOWN);
    uidriver::pressKey(VK_RETURN);  // "Copy", the only macro
    uidriver::waitForText(control(IDC_BUTTON_ROW_FIRST + 6), L"Macro");

    // OK writes, then closes.
    press(control(IDOK));
    EXPECT_EQ(program_->waitForExit(40s), 0u);
    const sim::Profile game = mouse::read().profile(3);
    EXPECT_EQ(game.buttons[6].function, sim::function::runMacro);
    EXPECT_EQ(game.buttons[2].function, sim::function::keyboardKey);
    EXPECT_EQ(game.buttons[2].first, 4);  // the usage of A
    EXPECT_EQ(game.buttons[1], (sim::ButtonEntry{2, 1, 0, 0}));  // still the click
}

// The stages dialog's own Apply writes at once, behind the writing box, and the dialog stays.
TEST_F(Configurator, TheStagesDialogAppliesAtOnce) {
    start();
    press(control(IDC_TAB_PERFORMANCE));
    press(uidriver::waitFor({.id = IDC_STAGES, .visible = true}, 5s, dialog_));
    HWND stages = box(L"Sensitivity Stage Settings");
    HWND count = uidriver::find(byId(IDC_STAGE_COUNT), stages);
    for (const wchar_t* shown : {L"4", L"3"}) {
        press(uidriver::find(byId(4001), count));  // the spin box's down arrow
        uidriver::waitForText(count, shown);
    }
    pressBoxButton(stages, 2);  // Apply
    uidriver::waitGone(box(L"Information"), 40s);
    EXPECT_EQ(mouse::read().profile(3).stageCount, 3);
    EXPECT_TRUE(IsWindowVisible(stages));
    pressBoxButton(stages, 1);  // Cancel
    uidriver::waitGone(stages, 5s);
    press(control(IDCANCEL));
    EXPECT_EQ(program_->waitForExit(20s), 0u);
}

// OK writes and closes only when everything reached the mouse: failures are named and the
// dialog stays.
TEST_F(Configurator, FailedWritesAreNamedAndOkKeepsTheDialog) {
    start();
    mouse::change([](sim::MouseState& s) { s.faults.statusSequence.assign(3, sim::status::refused); });
    press(control(IDOK));
    uidriver::waitGone(box(L"Information"), 60s);  // the writing box
    HWND failures = box(L"Information", 60s);
    shoot(failures, L"write_failures");
    pressBoxButton(failures, 0);
    uidriver::waitGone(failures, 5s);
    EXPECT_TRUE(program_->running());
    EXPECT_TRUE(IsWindowVisible(dialog_));
    mouse::change([](sim::MouseState& s) { s.faults.statusSequence.clear(); });
    press(control(IDCANCEL));
    EXPECT_EQ(program_->waitForExit(20s), 0u);
}

// Closing during a write ends nothing forcibly: the write finishes, the program ends, and the
// next transaction of another process goes through at once.
TEST_F(Configurator, ClosingDuringAWriteLetsTheWriteFinish) {
    start();
    chooseInRow(2, L"Double-Click");
    uidriver::waitForText(control(IDC_BUTTON_ROW_FIRST + 2), L"Double-Click");
    mouse::change([](sim::MouseState& s) { s.faults.slowAnswerMs = 150; });
    press(control(IDC_APPLY));
    box(L"Information");
    Sleep(1500);  // the worker takes the command within its one-second poll
    PostMessageW(uidriver::find({.title = L"memu_Marlo_2"}, dialog_), WM_CLOSE, 0, 0);
    EXPECT_EQ(program_->waitForExit(40s), 0u);
    mouse::change([](sim::MouseState& s) { s.faults.slowAnswerMs = 0; });
    EXPECT_EQ(mouse::read().profile(3).buttons[2], (sim::ButtonEntry{3, 13, 0, 0}));

    tessel::com::testing::Apartment apartment;
    SettingsModel model;
    DeviceSession session(model);
    const ULONGLONG before = GetTickCount64();
    EXPECT_TRUE(session.connectAndRead().ok());
    EXPECT_LT(GetTickCount64() - before, 10000u);
    EXPECT_EQ(mouse::read().counters.interleaved, 0u);
}

// The three ways the mouse cannot be configured: each shows its box and ends the program.
TEST_F(Configurator, WithoutACableTheProgramEnds) {
    struct Case {
        const char* name;
        std::function<void(sim::MouseState&)> link;
        bool afterStart;
        const wchar_t* button;
    };
    const Case cases[] = {
        {"wireless only", [](sim::MouseState& s) { s.link.plugged.erase(sim::Interface::wired); s.link.plugged[sim::Interface::wireless] = 9; }, false, L"CANCEL"},
        {"no mouse", [](sim::MouseState& s) { s.link.plugged.clear(); }, false, L"OK"},
        {"cable pulled", [](sim::MouseState& s) { s.link.plugged.erase(sim::Interface::wired); }, true, L"CANCEL"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        mouse::reset(preparedMouse());
        if (!c.afterStart) mouse::change(c.link);
        start();
        if (c.afterStart) mouse::change(c.link);
        HWND message = box(L"Information", 15s);
        HWND button = uidriver::find(byId(IDC_MESSAGE_BUTTON_FIRST), message);
        EXPECT_EQ(uidriver::windowText(button), c.button);
        std::wstring shot = L"lost_" + std::wstring(c.name, c.name + strlen(c.name));
        std::replace(shot.begin(), shot.end(), L' ', L'_');
        shoot(message, shot.c_str());
        press(button);
        EXPECT_EQ(program_->waitForExit(20s), 0u);
    }
}

TEST_F(Configurator, ASecondStartRaisesTheFirst) {
    start();
    SendMessageW(dialog_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(IsIconic(dialog_));
    uidriver::Program second(L"\"" + configuratorPath() + L"\"");
    EXPECT_EQ(second.waitForExit(10s), 0u);
    EXPECT_FALSE(IsIconic(dialog_));
    EXPECT_EQ(uidriver::findAll({.title = kTitle, .visible = true}).size(), 1u);
    // The marker closes its dialog.
    PostMessageW(uidriver::find({.title = L"memu_Marlo_2"}, dialog_), WM_CLOSE, 0, 0);
    EXPECT_EQ(program_->waitForExit(20s), 0u);
}

// The middleware's keyboard hook lives on the configurator's worker, which waits pumping
// messages: keystrokes of the whole system pass it at once while the configurator is idle.
TEST_F(Configurator, KeystrokesPassTheHookAtOnce) {
    start();
    Sleep(1500);  // the worker is idle, polling
    HWND field = CreateWindowExW(0, L"EDIT", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 300, 60, nullptr, nullptr,
                                 nullptr, nullptr);
    ASSERT_TRUE(field);
    uidriver::bringToFront(field);
    SetFocus(field);
    std::vector<ULONGLONG> latencies;
    for (int i = 0; i < 20; ++i) {
        const int before = GetWindowTextLengthW(field);
        const ULONGLONG sent = GetTickCount64();
        uidriver::pressKey('A');
        MSG message;
        while (GetWindowTextLengthW(field) == before && GetTickCount64() - sent < 5000) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        latencies.push_back(GetTickCount64() - sent);
    }
    DestroyWindow(field);
    std::sort(latencies.begin(), latencies.end());
    printf("keystroke latency with the configurator idle: median %llu ms, max %llu ms\n", latencies[10], latencies.back());
    EXPECT_LT(latencies.back(), 500u);
    press(control(IDCANCEL));
    EXPECT_EQ(program_->waitForExit(20s), 0u);
}

// Languages as an installation lists them, with their translation files.
class InstalledLanguages : public Configurator {
protected:
    void SetUp() override {
        Configurator::SetUp();
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"tessel-cfg-languages\\";
        CreateDirectoryW(folder_.c_str(), nullptr);
        writeUtf16(folder_ + L"English.txt", L"");
        writeUtf16(folder_ + L"Deutsch.txt", L"Apply\r\n\u00DCbernehmen\r\nCancel\r\nAbbrechen\r\n");
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr), ERROR_SUCCESS);
        setString(L"InstallDir", folder_);
        setNumber(L"Translation", 0);
        setNumber(L"TranslationMode", 0);
        const wchar_t* names[] = {L"English", L"Deutsch"};
        for (int n = 0; n < 2; ++n) {
            const std::wstring i = std::to_wstring(n);
            setString(L"Language" + i, names[n]);
            setString(L"TranslationFile" + i, std::wstring(names[n]) + L".txt");
            setString(L"TranslationDefaultFont" + i, L"Play");
            setString(L"TranslationFont" + i, L"Play");
        }
    }
    void TearDown() override {
        RegCloseKey(key_);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kKey);
    }
    DWORD number(const wchar_t* name) const {
        DWORD value = 0, size = sizeof value;
        RegGetValueW(key_, nullptr, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
        return value;
    }

private:
    static constexpr wchar_t kKey[] = L"Software\\Kavix\\Kavix Tessel";
    static void writeUtf16(const std::wstring& path, const std::wstring& text) {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
        CloseHandle(file);
    }
    void setString(const std::wstring& name, const std::wstring& value) {
        RegSetValueExW(key_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    void setNumber(const wchar_t* name, DWORD value) {
        RegSetValueExW(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    }
    std::wstring folder_;
    HKEY key_ = nullptr;
};

TEST_F(InstalledLanguages, ALanguageChangeRebuildsTheDialog) {
    start();
    EXPECT_EQ(text(IDC_APPLY), L"Apply");
    const HWND first = dialog_;
    // The language already selected changes nothing.
    SendMessageW(first, WM_COMMAND, IDM_LANGUAGE_FIRST + 0, 0);
    EXPECT_TRUE(IsWindowVisible(first));
    PostMessageW(first, WM_COMMAND, IDM_LANGUAGE_FIRST + 1, 0);
    uidriver::waitGone(first, 20s);
    HWND reading = box(L"Information");
    uidriver::waitGone(reading, 30s);
    dialog_ = uidriver::waitFor({.title = kTitle, .processId = program_->processId(), .visible = true});
    EXPECT_NE(dialog_, first);
    EXPECT_EQ(text(IDC_APPLY), L"\u00DCbernehmen");
    EXPECT_EQ(text(IDCANCEL), L"Abbrechen");
    EXPECT_EQ(text(IDOK), L"OK");  // not in the file: the source text
    EXPECT_EQ(number(L"Translation"), 1u);
    shoot(dialog_, L"buttons_page_deutsch");
    // A suspend closes the program (the system's power broadcast, sent here by the test).
    PostMessageW(dialog_, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    EXPECT_EQ(program_->waitForExit(20s), 0u);
}

}  // namespace
}  // namespace tessel::cfg::testing
