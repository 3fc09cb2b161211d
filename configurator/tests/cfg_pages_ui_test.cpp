// TesselCfg's profile, macro and lighting pages driven as a user drives them, against the real
// middleware and the simulated mouse: profiles made, copied, deleted, bound to a program,
// exported and imported on another mouse; a macro recorded from real key input, extended from
// the advanced dialog and written to the mouse; lights, versions and the About box.
#include "configurator/tests/cfg_ui_fixture.h"

#include <fstream>
#include <iterator>

#include "configurator/model/macro_events.h"

namespace tessel::cfg::testing {
namespace {

constexpr wchar_t kGames[] = L"C:\\Games";

std::u16string rowName(const uidriver::Row& row) {
    const std::wstring name = row.text.substr(0, row.text.find(L'\t'));
    return std::u16string(name.begin(), name.end());
}

std::vector<std::u16string> profileNamesOnMouse() {
    std::vector<std::u16string> names;
    for (const sim::Profile& profile : mouse::read().profiles)
        if (auto name = sim::nameText(profile.name)) names.push_back(*name);
    return names;
}

std::vector<char> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string narrow(const std::u16string& path) { return std::string(path.begin(), path.end()); }

void sendKey(WORD scanCode, bool extended, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wScan = scanCode;
    input.ki.wVk = static_cast<WORD>(MapVirtualKeyW(scanCode, MAPVK_VSC_TO_VK_EX));
    input.ki.dwFlags = KEYEVENTF_SCANCODE | (extended ? KEYEVENTF_EXTENDEDKEY : 0) | (up ? KEYEVENTF_KEYUP : 0);
    SendInput(1, &input, sizeof input);
}

class Pages : public Configurator {
protected:
    // Each case starts without side files: what one wrote must not feed the next.
    void SetUp() override {
        Configurator::SetUp();
        for (int n = 0; n < formats::kSideFileCount; ++n)
            DeleteFileW(reinterpret_cast<const wchar_t*>(formats::sideFilePath(sideFileFolder(), n).c_str()));
    }
    HWND list(int id) const { return uidriver::waitFor({.id = id, .visible = true}, 5s, dialog_); }
    std::vector<uidriver::Row> profileRows() const { return uidriver::readRows(list(IDC_PROFILE_LIST)); }
    void waitForRows(int id, int count) const {
        uidriver::waitUntil([&] { return uidriver::rowCount(list(id)) == count; }, 10s,
                            [&] { return L"a list of " + std::to_wstring(count) + L" rows"; });
    }
    void clickRow(int row) const { pressAt(list(IDC_PROFILE_LIST), POINT{120, 24 + row * 22 + 11}); }
    void rightClickRow(int row) const {
        pressAt(list(IDC_PROFILE_LIST), POINT{120, 24 + row * 22 + 11}, uidriver::MouseButton::Right);
    }
    // A box of the given title answered with its button at `index`.
    void answer(const wchar_t* title, int index, const wchar_t* screenshot = nullptr) {
        HWND b = box(title, 10s);
        if (screenshot) shoot(b, screenshot);
        pressBoxButton(b, index);
        uidriver::waitGone(b, 5s);
    }
    void newProfile(const wchar_t* name) {
        press(control(IDC_PAGE_NEW));
        HWND b = box(L"Create Profile", 10s);
        uidriver::typeText(name);
        pressBoxButton(b, 0);
        uidriver::waitGone(b, 5s);
    }
};

// New, Copy and Delete within the limit of five, the base profile kept, and what Apply writes:
// the profiles on the mouse and one side file per profile, byte for byte.
TEST_F(Pages, ProfilesAreMadeCopiedAndDeletedWithinFive) {
    start();
    press(control(IDC_TAB_PROFILES));
    ASSERT_EQ(profileRows().size(), 2u);  // "Base" and "Game"
    EXPECT_EQ(rowName(profileRows()[0]), u"Base");
    newProfile(L"Alpha");
    waitForRows(IDC_PROFILE_LIST, 3);
    EXPECT_EQ(profileRows()[2].text, L"Alpha\t<none>\t");
    shoot(dialog_, L"profiles_page");
    for (int copy = 0; copy < 2; ++copy) {
        rightClickRow(2);
        chooseInMenu(7);  // "Copy"
        answer(L"Copy Profile", 0);
    }
    waitForRows(IDC_PROFILE_LIST, 5);
    EXPECT_EQ(rowName(profileRows()[3]), u"Alpha^2");
    EXPECT_EQ(rowName(profileRows()[4]), u"Alpha^3");
    press(control(IDC_PAGE_NEW));
    answer(L"Create Profile", 0, L"profile_limit");  // "Maximum number of profiles reached"
    rightClickRow(1);
    chooseInMenu(7);
    answer(L"Copy Profile", 0);  // "Maximum Number of Profiles reached"

    clickRow(0);
    press(control(IDC_PAGE_DELETE));
    answer(L"Delete Profile", 0);  // the base profile stays
    clickRow(4);
    press(control(IDC_PAGE_DELETE));
    answer(L"Delete Profile", 0);  // "Yes"
    waitForRows(IDC_PROFILE_LIST, 4);
    clickRow(2);  // "Alpha" is shown, and active once applied
    apply();

    const std::vector<std::u16string> names = profileNamesOnMouse();
    EXPECT_EQ(names, (std::vector<std::u16string>{u"Base", u"Alpha", u"Game", u"Alpha^2"}));
    EXPECT_EQ(sim::nameText(mouse::read().profile(mouse::read().activeProfile).name), u"Alpha");
    // Side files follow the list: "Alpha" is the third, exactly as a new profile is written.
    EXPECT_EQ(fileBytes(narrow(formats::sideFilePath(sideFileFolder(), 2))), fileBytes(TESSEL_SIDE_ALPHA));
    EXPECT_EQ(GetFileAttributesW(reinterpret_cast<const wchar_t*>(formats::sideFilePath(sideFileFolder(), 4).c_str())),
              INVALID_FILE_ATTRIBUTES);
    press(control(IDCANCEL));
    program_->waitForExit(20s);
}

// A program bound by the real open dialog, an export over an older, longer file, and the file
// imported on a mouse that has never seen the profile or its macro.
TEST_F(Pages, AProfileTravelsWithItsMacroToAnotherMouse) {
    CreateDirectoryW(kGames, nullptr);
    const std::wstring program = std::wstring(kGames) + L"\\game.exe";
    const std::wstring exported = std::wstring(kGames) + L"\\game.kxp";
    formats::Win32Files files;
    ASSERT_TRUE(formats::writeTextFile(files, u"C:\\Games\\game.exe", u"not a program"));
    ASSERT_TRUE(formats::writeTextFile(files, u"C:\\Games\\game.kxp", std::u16string(20000, u'#') + u"[FILEVERSION]\r\n"));
    start();
    press(control(IDC_TAB_PROFILES));
    clickRow(1);  // "Game": its fourth and fifth buttons switch to "Base" and run the macro "Copy"
    rightClickRow(1);
    chooseInMenu(1);  // "Preview"
    HWND preview = box(L"Profile Preview", 10s);
    const std::wstring assignments = uidriver::windowText(uidriver::find(byId(IDC_PREVIEW_BUTTONS), preview));
    EXPECT_NE(assignments.find(L"Back Button:\tProfile: Base"), std::wstring::npos) << uidriver::toUtf8(assignments);
    EXPECT_NE(assignments.find(L"Forward Button:\tMacro: Copy"), std::wstring::npos);
    EXPECT_NE(uidriver::windowText(uidriver::find(byId(IDC_PREVIEW_STAGES), preview)).find(L"Stage 3:\t"), std::wstring::npos);
    shoot(preview, L"profile_preview");
    pressBoxButton(preview, 0);
    uidriver::waitGone(preview, 5s);
    rightClickRow(1);
    chooseInMenu(8);  // "Assign Application"
    chooseFile(L"Choose Application", program);
    uidriver::waitUntil([&] { return profileRows()[1].text == L"Game\tgame.exe\t"; }, 5s,
                        [] { return std::wstring(L"game.exe in the application cell"); });
    press(control(IDC_PAGE_EXPORT));
    chooseFile(L"Export Profile", exported);
    // The program writes once its dialog has gone.
    std::optional<std::u16string> text;
    uidriver::waitUntil([&] { return (text = formats::readTextFile(files, u"C:\\Games\\game.kxp")) && text->find(u'#') == std::u16string::npos; },
                        10s, [] { return std::wstring(L"the export replacing the older, longer file whole"); });
    EXPECT_NE(text->find(u"[EXECUTABLE]\r\ngame.exe\r\n"), std::u16string::npos);
    EXPECT_NE(text->find(u"[MACRONAME]\r\n'Copy'\r\n"), std::u16string::npos);
    press(control(IDCANCEL));
    program_->waitForExit(20s);

    mouse::reset();  // a mouse as it leaves the factory: one profile, no macro
    start();
    press(control(IDC_TAB_PROFILES));
    press(control(IDC_PAGE_IMPORT));
    chooseFile(L"Import Profile", exported);
    waitForRows(IDC_PROFILE_LIST, 2);
    EXPECT_EQ(profileRows()[1].text, L"Game\tgame.exe\t");
    apply();
    const sim::MouseState state = mouse::read();
    EXPECT_EQ(state.macros.size(), 1u);
    EXPECT_EQ(profileNamesOnMouse().back(), u"Game");
    press(control(IDCANCEL));
    program_->waitForExit(20s);

    // The model reads back what the import wrote: the macro and the button that runs it.
    ReadBack mouseRead;
    const SettingsModel& model = mouseRead.model;
    const MacroNode* copy = model.macroByName(u"Copy");
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->events.size(), 4u);
    const ProfileNode* game = model.profileByName(u"Game");
    ASSERT_TRUE(game);
    EXPECT_EQ(game->macroLinks[buttonRow(4).tableEntry], copy);
}

// Keys recorded as the user types them, with the delays between; a ready-made command from the
// advanced dialog; the macro on the mouse after Apply; and the seventeenth event ends recording.
TEST_F(Pages, AMacroIsRecordedFromTheKeyboard) {
    start();
    press(control(IDC_TAB_MACROS));
    press(control(IDC_PAGE_NEW));
    HWND b = box(L"Create Macro", 10s);
    uidriver::typeText(L"Combo");
    pressBoxButton(b, 0);
    uidriver::waitGone(b, 5s);
    uidriver::waitForText(control(IDC_MACRO_NAME), L"Combo");

    press(control(IDC_MACRO_RECORD));
    uidriver::waitForText(control(IDC_MACRO_RECORD), L"Stop");
    constexpr WORD kShift = 0x2A, kA = 0x1E;
    for (auto [code, up] : {std::pair{kShift, false}, {kA, false}, {kA, true}, {kShift, true}}) {
        sendKey(code, false, up);
        Sleep(300);
    }
    press(control(IDC_MACRO_RECORD));
    uidriver::waitForText(control(IDC_MACRO_RECORD), L"Record");
    std::vector<uidriver::Row> rows = uidriver::readRows(list(IDC_KEY_LIST));
    ASSERT_EQ(rows.size(), 7u);
    for (int event : {0, 2, 4, 6}) EXPECT_EQ(rows[event].text, event % 6 == 0 ? L"LShift" : L"A");
    for (int delay : {1, 3, 5}) {
        EXPECT_EQ(rows[delay].text.substr(rows[delay].text.size() - 10), L" sec delay");
        EXPECT_NEAR(std::stod(rows[delay].text), 0.3, 0.12) << "the delay measured between the keys";
    }
    shoot(dialog_, L"macros_page");

    press(control(IDC_MACRO_ADVANCED));
    HWND advanced = box(L"Advanced Settings", 10s);
    press(uidriver::find(byId(IDC_ADVANCED_MORE), advanced));
    HWND commands = openList();
    pressAt(commands, POINT{40, 2 + 1 * 16 + 8});  // "Close Window"
    uidriver::waitForText(uidriver::find(byId(IDC_ADVANCED_MORE), advanced), L"Close Window");
    shoot(advanced, L"macro_advanced");
    press(uidriver::find(byId(IDC_ADVANCED_MORE_INSERT), advanced));
    uidriver::waitGone(advanced, 5s);
    waitForRows(IDC_KEY_LIST, 11);
    rows = uidriver::readRows(list(IDC_KEY_LIST));
    EXPECT_EQ(rows[7].text, L"LAlt");
    EXPECT_EQ(rows[8].text, L"F4");
    EXPECT_EQ(rows[9].text, L"F4");
    EXPECT_EQ(rows[10].text, L"LAlt");
    apply();

    // Nine keys pressed and released are eighteen events: the seventeenth ends the recording.
    press(control(IDC_MACRO_RECORD));
    uidriver::waitForText(control(IDC_MACRO_RECORD), L"Stop");
    for (WORD code = 0x10; code < 0x19; ++code) {  // Q to O
        sendKey(code, false, false);
        sendKey(code, false, true);
        Sleep(60);
    }
    uidriver::waitForText(control(IDC_MACRO_RECORD), L"Record");
    int events = 0;
    for (const uidriver::Row& row : uidriver::readRows(list(IDC_KEY_LIST)))
        if (row.text.find(L"delay") == std::wstring::npos) ++events;
    EXPECT_EQ(events, 16);
    press(control(IDCANCEL));
    program_->waitForExit(20s);

    ReadBack mouseRead;
    const SettingsModel& model = mouseRead.model;
    const MacroNode* combo = model.macroByName(u"Combo");
    ASSERT_TRUE(combo);
    std::vector<std::uint16_t> codes;
    for (const MacroEvent& event : combo->events) codes.push_back(event.code);
    EXPECT_EQ(codes, (std::vector<std::uint16_t>{0x2A, 0x1E, 0x1E | kReleaseBit, 0x2A | kReleaseBit, 0x38, 0x3E,
                                                 0x3E | kReleaseBit, 0x38 | kReleaseBit}));
    EXPECT_NEAR(combo->events[1].timeMs - combo->events[0].timeMs, 300, 120);
}

// The lights of the shown profile reach the mouse once, the versions read from it are shown, and
// the About box names the program's version.
TEST_F(Pages, LightsVersionsAndAbout) {
    start();
    press(control(IDC_TAB_LIGHTING));
    uidriver::waitUntil([&] { return text(IDC_FIRMWARE_VERSION) != L"Firmware Version : 0.00"; }, 5s,
                        [] { return std::wstring(L"the firmware version read"); });
    EXPECT_EQ(text(IDC_FIRMWARE_VERSION).rfind(L"Firmware Version : ", 0), 0u);
    EXPECT_EQ(text(IDC_DRIVER_VERSION).rfind(L"Driver Version : ", 0), 0u);
    EXPECT_FALSE(IsWindowEnabled(control(IDC_LED_DOCK_ON))) << "the dock's light is not set on the cable";
    const std::uint8_t before = mouse::read().profile(3).lighting;
    press(control(IDC_LED_WHEEL_OFF));
    press(control(IDC_LED_WHEEL_OFF));  // already off: nothing changes
    press(control(IDC_LED_BATTERY_ON));
    shoot(dialog_, L"lighting_page");
    apply();
    const std::uint8_t after = mouse::read().profile(3).lighting;
    EXPECT_EQ(after & 0x3, 0x2) << "wheel off, battery indicator on";
    EXPECT_EQ(after & ~0x3, before & ~0x3);

    PostMessageW(dialog_, WM_SYSCOMMAND, 0x10, 0);  // the system menu's About, as the menu sends it
    HWND about = box(L"About Kavix Tessel", 10s);
    EXPECT_EQ(uidriver::windowText(uidriver::find(byId(IDC_ABOUT_VERSION), about)),
              L"Kavix Tessel Config Application Version 4.0.0");
    shoot(about, L"about");
    pressBoxButton(about, 0);
    uidriver::waitGone(about, 5s);
    press(control(IDCANCEL));
    program_->waitForExit(20s);
}

// Restore Default asks first: "No" keeps the profile, "Yes" gives it the factory settings, which
// the next Apply writes.
TEST_F(Pages, RestoreDefaultIsAskedFirst) {
    start();
    press(control(IDC_TAB_LIGHTING));
    press(control(IDC_LED_WHEEL_ON));
    press(control(IDC_RESTORE_DEFAULTS));
    answer(L"Restore Defaults", 1, L"restore_defaults");  // "No"
    apply();
    EXPECT_EQ(mouse::read().profile(3).lighting & 0x1, 0x1) << "the edit before stays";
    press(control(IDC_RESTORE_DEFAULTS));
    answer(L"Restore Defaults", 0);  // "Yes"
    press(control(IDC_TAB_BUTTONS));
    uidriver::waitForText(control(IDC_BUTTON_ROW_FIRST + 0), L"Click");  // "Game" had left and right swapped
    EXPECT_EQ(text(IDC_BUTTON_ROW_FIRST + 1), L"Menu");
    apply();
    const sim::Profile game = mouse::read().profile(3);
    EXPECT_EQ(game.stageCount, 5);
    EXPECT_EQ(game.defaultStage, 3);
    EXPECT_EQ(game.lighting & 0x3, 0x2) << "scroll wheel off, battery indicator on";
    press(control(IDCANCEL));
    program_->waitForExit(20s);

    ReadBack mouseRead;
    const SettingsModel& model = mouseRead.model;
    const ProfileNode* restored = model.profileByName(u"Game");
    ASSERT_TRUE(restored && restored->mappings);
    for (int row = 0; row < kButtonRows; ++row)
        EXPECT_EQ(functionOf(row, (*restored->mappings)[buttonRow(row).tableEntry]), buttonRow(row).defaultFunction) << row;
}

// The manual and the download page go through the shell's real open path, to whatever the user
// has for HTML files and web pages: here a recording program registered in this session.
TEST_F(Pages, TheManualAndTheDownloadPageOpenThroughTheShell) {
    const std::wstring recorder = TESSEL_OPEN_RECORDER;
    const std::wstring log = recorder + L".log";
    DeleteFileW(log.c_str());
    const std::wstring command = L"\"" + recorder + L"\" \"%1\"";
    for (const wchar_t* kind : {L"htmlfile", L"http", L"https"}) {
        const std::wstring key = std::wstring(L"Software\\Classes\\") + kind + L"\\shell\\open";
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, (key + L"\\ddeexec").c_str());
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, (key + L"\\command").c_str(), nullptr, REG_SZ, command.c_str(),
                        static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    }
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.html", nullptr, REG_SZ, L"htmlfile", 18);

    wchar_t temp[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, temp);
    const std::wstring install = std::wstring(temp) + L"tessel-cfg-shell\\";
    const std::wstring manual = install + L"Translations\\Manuals\\English\\index.html";
    for (const std::wstring& folder : {install, install + L"Translations", install + L"Translations\\Manuals",
                                       install + L"Translations\\Manuals\\English"})
        CreateDirectoryW(folder.c_str(), nullptr);
    formats::Win32Files files;
    ASSERT_TRUE(formats::writeTextFile(files, std::u16string(manual.begin(), manual.end()), u"<html></html>"));
    const std::wstring page = L"https://downloads.example.invalid/tessel";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Kavix\\Kavix Tessel", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const auto setString = [&](const wchar_t* name, const std::wstring& value) {
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    };
    setString(L"InstallDir", install);
    setString(L"UpdateUrl", page);
    setString(L"Language0", L"English");
    setString(L"TranslationFile0", L"English.txt");
    setString(L"TranslationDefaultFont0", L"Play");
    setString(L"TranslationFont0", L"Play");

    const auto logged = [&] {
        const auto text = formats::readTextFile(files, std::u16string(log.begin(), log.end()));
        return text ? std::wstring(text->begin(), text->end()) : std::wstring();
    };
    start();
    press(control(IDC_TAB_LIGHTING));
    press(control(IDC_CHECK_UPDATES));
    uidriver::waitUntil([&] { return logged().find(page) != std::wstring::npos; }, 20s,
                        [&] { return L"the download page opened; the recorder got: " + logged(); });
    press(control(IDC_MANUAL));
    uidriver::waitUntil([&] { return logged().find(L"index.html") != std::wstring::npos; }, 20s,
                        [&] { return L"the manual opened; the recorder got: " + logged(); });
    EXPECT_NE(logged().find(L"Manuals\\English\\index.html"), std::wstring::npos) << uidriver::toUtf8(logged());
    press(control(IDCANCEL));
    program_->waitForExit(20s);
    RegCloseKey(key);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Kavix\\Kavix Tessel");
}

}  // namespace
}  // namespace tessel::cfg::testing
