// KavixTesselTray end to end: the real tray with the real middleware (registered in the test's
// Wine prefix), OSD.dll and lhc.exe, installed together in a folder of their own, against the
// simulated mouse. The mouse keeps profiles 1, 3 and 4 ("One", "Three", "Four"); their side
// files switch the notices on for One and Three, off for Four, and bind Three to "GAME.EXE".
//
// The tests run in the order written and share one tray where they can, so that each long
// fixed wait (the 10.5 s cycle, the 5 s notices) is paid once. Messages the system or the shell
// would send are sent by the test to the tray's window.
#include <windows.h>
#include <dbt.h>
#include <shlobj.h>
#include <wtsapi32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "formats/exchange_file.h"
#include "formats/win32_file_system.h"
#include "uidriver/picture.h"
#include "sim/mouse_state.h"
#include "sim/state_store.h"

namespace {

namespace sim = tessel::sim;

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr UINT kOpenConfiguratorMessage = WM_USER + 17;
constexpr UINT kHandshakeMessage = WM_USER + 301;

std::wstring g_install;   // the installation folder, ending in '\'
std::wstring g_planted;   // the tray's current directory, holding a planted lhc.exe
std::string g_mousePath;  // the simulated mouse's state file

std::wstring widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }
std::wstring windowsPath(std::wstring path) {
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (done()) return true;
        if (Clock::now() >= deadline) return false;
        Sleep(50);
    }
}

// --- processes ---

HANDLE startProcess(const std::wstring& program, const std::wstring& arguments, const std::wstring& directory) {
    std::wstring line = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(), &startup,
                        &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

DWORD runToEnd(const std::wstring& program, const std::wstring& arguments) {
    HANDLE process = startProcess(program, arguments, g_planted);
    if (!process) return static_cast<DWORD>(-1);
    WaitForSingleObject(process, 60000);
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return code;
}

DWORD tesselsim(const std::string& arguments) {
    return runToEnd(windowsPath(widen(TESSEL_TESSELSIM)), L"--state \"" + widen(g_mousePath) + L"\" " + widen(arguments));
}

sim::MouseState mouse() { return sim::StateStore::inFile(g_mousePath)->read(); }

// --- windows ---

std::vector<HWND> topLevelWindows(const wchar_t* className) {
    struct Search {
        const wchar_t* className;
        std::vector<HWND> found;
    } search{className, {}};
    EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            auto* search = reinterpret_cast<Search*>(context);
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (wcscmp(name, search->className) == 0) search->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> trays() { return topLevelWindows(L"Kavix_Tessel_Tray"); }
HWND tray() { return FindWindowW(L"Kavix_Tessel_Tray", L"Kavix Tessel Tray"); }
HWND configuratorMarker() {
    HWND main = FindWindowW(L"TrayTestWindow", L"Tessel Configurator");
    return main ? FindWindowExW(main, nullptr, L"BUTTON", L"memu_Marlo_2") : nullptr;
}
DWORD processOf(HWND window) {
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    return id;
}

// The visible notices: gauges are as tall as their picture, the profile notice is one line.
struct VisibleNotices {
    int gauges = 0;
    int profile = 0;
};
VisibleNotices visibleNotices() {
    VisibleNotices visible;
    for (HWND window : topLevelWindows(L"OsdNoticeWindow")) {
        if (!IsWindowVisible(window)) continue;
        RECT rect{};
        GetWindowRect(window, &rect);
        (rect.bottom - rect.top >= 282 ? visible.gauges : visible.profile)++;
    }
    return visible;
}
bool noneVisible() {
    const VisibleNotices v = visibleNotices();
    return v.gauges == 0 && v.profile == 0;
}

void screenshot(const std::wstring& name) { uidriver::savePng(uidriver::captureScreen(), name); }

// The icon's callback message, as the shell sends it.
void postIconInput(UINT mouseMessage) {
    PostMessageW(tray(), RegisterWindowMessageW(L"KXIconCreated98"), 103, mouseMessage);
}

HWND openMenu() {
    postIconInput(WM_RBUTTONUP);
    HWND menu = nullptr;
    waitFor([&] { return (menu = FindWindowW(L"#32768", nullptr)) && IsWindowVisible(menu); }, 5000ms);
    return menu;
}

int menuWidth(HWND menu) {
    RECT rect{};
    GetWindowRect(menu, &rect);
    return rect.right - rect.left;
}
int g_englishMenuWidth = 0;

void pressKey(HWND window, UINT key) {
    PostMessageW(window, WM_KEYDOWN, key, 0);
    PostMessageW(window, WM_KEYUP, key, 0xC0000000);
}

// The device-interface record of an arrival or removal, as the system sends it.
void sendDeviceChange(HWND window, WPARAM event, const std::wstring& name) {
    std::vector<BYTE> bytes(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + (name.size() + 1) * sizeof(wchar_t));
    auto* record = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(bytes.data());
    record->dbcc_size = static_cast<DWORD>(bytes.size());
    record->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    std::copy(name.begin(), name.end(), record->dbcc_name);
    record->dbcc_name[name.size()] = L'\0';
    SendMessageW(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(record));
}

// --- the installation ---

void writeRegistry(const std::wstring& name, const std::wstring& value) {
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, L"Software\\Kavix\\Kavix Tessel", name.c_str(), REG_SZ, value.c_str(),
                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}
void writeRegistry(const std::wstring& name, DWORD value) {
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, L"Software\\Kavix\\Kavix Tessel", name.c_str(), REG_DWORD, &value,
                    sizeof(value));
}

void copyInto(const std::wstring& folder, const std::string& file, const std::wstring& as = {}) {
    const std::wstring from = windowsPath(widen(file));
    const std::wstring name = as.empty() ? from.substr(from.find_last_of(L'\\') + 1) : as;
    ASSERT_TRUE(CopyFileW(from.c_str(), (folder + name).c_str(), FALSE)) << file;
}

class NoLinks final : public tessel::formats::ExchangeLookup {
public:
    std::optional<std::u16string> profileName(std::int32_t) const override { return std::nullopt; }
    std::optional<std::u16string> macroName(std::int32_t) const override { return std::nullopt; }
    std::optional<tessel::formats::ExchangeMacro> macro(std::u16string_view) const override { return std::nullopt; }
};

tessel::formats::ExchangeProfile sideFile(std::u16string name, std::u16string executable, int autoload, int notices) {
    tessel::formats::ExchangeProfile profile;
    profile.name = std::move(name);
    profile.executable = std::move(executable);
    profile.autoload = autoload;
    profile.sensitivityNotice = notices;
    profile.profileNotice = notices;
    for (int slot = 0; slot < tessel::formats::kButtonCount; ++slot)
        profile.mappings[slot] = tessel::formats::defaultMapping(slot);
    return profile;
}

constexpr std::uint8_t code(long dpi) { return static_cast<std::uint8_t>((dpi - 100) / 25); }

sim::MouseState profilesOneThreeFour() {
    sim::MouseState state = sim::MouseState::factory();
    state.profile(1).name = sim::nameRecord(u"One");
    for (int number : {3, 4}) {
        state.profile(number) = sim::defaultProfile();
        state.profile(number).name = sim::nameRecord(number == 3 ? u"Three" : u"Four");
    }
    // X and Y apart: a step of the sensitivity shows both gauges.
    state.current = {code(1000), code(800)};
    return state;
}

HANDLE startTray(const std::wstring& arguments = {}) {
    return startProcess(g_install + L"KavixTesselTray.exe", arguments, g_planted);
}

class TrayEnvironment final : public ::testing::Environment {
public:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        const std::wstring root = std::wstring(temp) + L"tray-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        g_install = root + L"Kavix Tessel\\";
        g_planted = root + L"elsewhere\\";
        CreateDirectoryW(root.c_str(), nullptr);
        CreateDirectoryW(g_install.c_str(), nullptr);
        CreateDirectoryW(g_planted.c_str(), nullptr);
        for (const char* file : {TRAY_PROGRAM, OSD_LIBRARY, LHC_PROGRAM, SERVER_LIBRARY}) copyInto(g_install, file);
        copyInto(g_install, TEST_WINDOW_PROGRAM, L"TesselCfg.exe");
        copyInto(g_install, TEST_WINDOW_PROGRAM, L"game.exe");
        // A restart program where the tray is started from: it must never be the one that runs.
        copyInto(g_planted, TEST_WINDOW_PROGRAM, L"lhc.exe");
        std::ofstream(windowsPath(g_install + L"German.txt").c_str());  // filled by the German test

        const std::wstring server = g_install + L"KavixMiddlewareServer.dll";
        ASSERT_EQ(runToEnd(L"C:\\windows\\system32\\regsvr32.exe", L"/s \"" + server + L"\""), 0u);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Kavix\\Kavix Tessel");
        writeRegistry(L"InstallDir", g_install);
        writeRegistry(L"Translation", 0);
        writeRegistry(L"Language0", L"English");
        writeRegistry(L"TranslationFile0", L"");

        char tempA[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, tempA);
        g_mousePath = std::string(tempA) + "tray-e2e-" + std::to_string(GetCurrentProcessId()) + ".state";
        sim::writeStateFile(g_mousePath, profilesOneThreeFour());
        SetEnvironmentVariableW(L"TESSEL_SIM", widen(g_mousePath).c_str());

        // The profile side files live in the user's application data: a folder of this test's
        // own, set in the session's registry, which the tray reads too.
        const std::wstring ownAppData = root + L"AppData";
        CreateDirectoryW(ownAppData.c_str(), nullptr);
        for (const wchar_t* key : {L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                                   L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"})
            RegSetKeyValueW(HKEY_CURRENT_USER, key, L"AppData", REG_SZ, ownAppData.c_str(),
                            static_cast<DWORD>((ownAppData.size() + 1) * sizeof(wchar_t)));
        wchar_t appData[MAX_PATH] = {};
        ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, appData), S_OK);
        tessel::formats::Win32Files files;
        ASSERT_TRUE(tessel::formats::writeSideFiles(
            files, std::u16string(appData, appData + wcslen(appData)),
            {sideFile(u"One", u"", 0, 1), sideFile(u"Three", u"GAME.EXE", 1, 1), sideFile(u"Four", u"", 0, 0)},
            NoLinks{}));
        ASSERT_EQ(std::wstring(appData), ownAppData);
    }

    void TearDown() override {
        for (HWND window : trays()) PostMessageW(window, WM_USER + 18, 0, 0);
        if (HWND marker = configuratorMarker()) PostMessageW(GetParent(marker), WM_CLOSE, 0, 0);
        waitFor([] { return trays().empty(); }, 10000ms);
    }
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new TrayEnvironment);

// --- one tray, from the first start to the game in the foreground ---

HANDLE g_tray = nullptr;

TEST(TrayEndToEnd, TwoSimultaneousStartsLeaveOneTrayThatAnswersTheHandshake) {
    HANDLE first = startTray();
    HANDLE second = startTray();
    ASSERT_TRUE(first && second);
    ASSERT_TRUE(waitFor([] { return tray() != nullptr; }, 60000ms));
    // The later one hands its (empty) command to the first and ends.
    HANDLE both[] = {first, second};
    const DWORD ended = WaitForMultipleObjects(2, both, FALSE, 30000);
    ASSERT_LT(ended, WAIT_OBJECT_0 + 2);
    g_tray = both[1 - (ended - WAIT_OBJECT_0)];
    CloseHandle(both[ended - WAIT_OBJECT_0]);
    Sleep(1000);
    EXPECT_EQ(trays().size(), 1u);
    EXPECT_EQ(WaitForSingleObject(g_tray, 0), static_cast<DWORD>(WAIT_TIMEOUT));

    HWND window = tray();
    EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & WS_POPUP, WS_POPUP);
    EXPECT_FALSE(IsWindowVisible(window));
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutW(window, kHandshakeMessage, 0, 0, SMTO_BLOCK, 5000, &answer));
    EXPECT_EQ(answer, 0x2A3B4C5Du);
    EXPECT_TRUE(noneVisible());
}

TEST(TrayEndToEnd, SensitivityStepsShowTheGaugesForFiveSecondsYOnlyWhenItDiffers) {
    ASSERT_TRUE(tray());
    // X 1000, Y 800 plus one step: both gauges.
    ASSERT_EQ(tesselsim("press stage-up"), 0u);
    ASSERT_TRUE(waitFor([] { return visibleNotices().gauges == 2; }, 5000ms));
    const auto shown = Clock::now();
    Sleep(700);  // past the fade-in
    screenshot(L"gauges_x_and_y");
    EXPECT_EQ(visibleNotices().profile, 0);
    ASSERT_TRUE(waitFor([] { return visibleNotices().gauges == 0; }, 9000ms));
    const auto seconds = std::chrono::duration<double>(Clock::now() - shown).count();
    EXPECT_GT(seconds, 4.0);
    EXPECT_LT(seconds, 7.0);

    // The mouse moves to stage 3 (1500 x 1500) on its own and asks to be read again: X alone.
    ASSERT_EQ(tesselsim("press stage 3 --no-keys"), 0u);
    ASSERT_EQ(tesselsim("press refresh"), 0u);
    ASSERT_TRUE(waitFor([] { return visibleNotices().gauges == 1; }, 5000ms));
    Sleep(1000);
    EXPECT_EQ(visibleNotices().gauges, 1);
    screenshot(L"gauge_x_only");
}

TEST(TrayEndToEnd, AProfileButtonShowsTheNameAndKeepsTheRightProfileAmongOneThreeFour) {
    ASSERT_TRUE(tray());
    ASSERT_EQ(tesselsim("press profile 3"), 0u);
    ASSERT_TRUE(waitFor([] { return visibleNotices().profile == 1; }, 5000ms));
    Sleep(700);
    screenshot(L"profile_notice");
    // The tray activates the profile numbered 3 (the second entry), not the third entry (4).
    Sleep(500);
    EXPECT_EQ(mouse().activeProfile, 3);
}

TEST(TrayEndToEnd, TheIconMenuListsTheProfilesAndActivatesOne) {
    ASSERT_TRUE(tray());
    HWND menu = openMenu();
    ASSERT_TRUE(menu);
    Sleep(300);
    screenshot(L"menu");
    // The menu's items belong to the tray's process (tray_parts_test reads them); here the keys
    // walk them: down to "Four" past "Load Tessel Configurator", "One" and "Three".
    g_englishMenuWidth = menuWidth(menu);
    for (int i = 0; i < 4; ++i) pressKey(menu, VK_DOWN);
    pressKey(menu, VK_RETURN);
    ASSERT_TRUE(waitFor([] { return !FindWindowW(L"#32768", nullptr) || !IsWindowVisible(FindWindowW(L"#32768", nullptr)); }, 5000ms));
    EXPECT_TRUE(waitFor([] { return mouse().activeProfile == 4; }, 3000ms));
}

TEST(TrayEndToEnd, WithNoticesOffNothingIsShown) {
    ASSERT_TRUE(tray());
    ASSERT_EQ(mouse().activeProfile, 4);
    ASSERT_TRUE(waitFor(noneVisible, 8000ms));
    ASSERT_EQ(tesselsim("press stage-up"), 0u);
    ASSERT_EQ(tesselsim("press profile 4"), 0u);
    EXPECT_FALSE(waitFor([] { return !noneVisible(); }, 2500ms));
}

TEST(TrayEndToEnd, AGameInTheForegroundSwitchesTheProfileOnceWithinACycle) {
    ASSERT_TRUE(tray());
    ASSERT_EQ(mouse().activeProfile, 4);
    HANDLE game = startProcess(g_install + L"game.exe", L"", g_install);
    ASSERT_TRUE(game);
    ASSERT_TRUE(waitFor([] { return FindWindowW(L"TrayTestWindow", L"game.exe") != nullptr; }, 10000ms));
    SetForegroundWindow(FindWindowW(L"TrayTestWindow", L"game.exe"));
    const auto start = Clock::now();
    EXPECT_TRUE(waitFor([] { return mouse().activeProfile == 3; }, 12000ms));
    const auto seconds = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_LT(seconds, 11.0);
    // Once: a whole further cycle with the game in front sends the mouse nothing.
    Sleep(500);
    const std::uint64_t before = mouse().counters.requests;
    Sleep(11000);
    EXPECT_EQ(mouse().counters.requests, before);
    TerminateProcess(game, 0);
    CloseHandle(game);
}

// --- suspend and resume ---

TEST(TrayEndToEnd, WhileSuspendedTheMouseHearsNothingAndResumeReconnectsWithinACycle) {
    HWND window = tray();
    ASSERT_TRUE(window);
    SendMessageW(window, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);  // as the system before sleep
    const std::uint64_t before = mouse().counters.requests;
    ASSERT_EQ(tesselsim("press stage-up"), 0u);
    Sleep(11000);  // longer than a cycle: no reconnection either
    EXPECT_EQ(mouse().counters.requests, before);
    PostMessageW(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    const auto resumed = Clock::now();
    // 5 s for the mouse to wake, then within one cycle of 10.5 s.
    EXPECT_TRUE(waitFor([&] { return mouse().counters.requests > before; }, 17000ms));
    const auto seconds = std::chrono::duration<double>(Clock::now() - resumed).count();
    EXPECT_LT(seconds, 16.5);
    // Subscribed again: a step shows its gauge.
    ASSERT_TRUE(waitFor(noneVisible, 8000ms));
    Sleep(1500);  // the Download after the connection
    ASSERT_EQ(tesselsim("press stage-up"), 0u);
    EXPECT_TRUE(waitFor([] { return visibleNotices().gauges >= 1; }, 5000ms));
}

// --- code 9, device changes, console disconnect ---

TEST(TrayEndToEnd, CodeNineClosesTrayAndConfigurator) {
    HWND window = tray();
    ASSERT_TRUE(window);
    // The tray starts the configurator from the installation folder, not its current directory.
    PostMessageW(window, kOpenConfiguratorMessage, 0, 0);
    ASSERT_TRUE(waitFor([] { return configuratorMarker() != nullptr; }, 20000ms));
    ASSERT_EQ(runToEnd(g_install + L"KavixTesselTray.exe", L"9"), 0u);
    EXPECT_TRUE(waitFor([] { return !tray() && !configuratorMarker(); }, 10000ms));
    EXPECT_EQ(WaitForSingleObject(g_tray, 10000), WAIT_OBJECT_0);
    CloseHandle(g_tray);
    g_tray = nullptr;
}

TEST(TrayEndToEnd, TheMouseArrivingRestartsTheTrayThroughLhcAndAnotherVendorDoesNot) {
    g_tray = startTray();
    ASSERT_TRUE(waitFor([] { return tray() != nullptr; }, 60000ms));
    HWND window = tray();
    const DWORD oldProcess = processOf(window);
    sendDeviceChange(window, DBT_DEVICEARRIVAL, L"\\\\?\\HID#VID_1234&PID_0013#7&1a2b3c&0&0000#{378de44c-56ef-11d1-bc8c-00a0c91405dd}");
    Sleep(1500);
    EXPECT_EQ(tray(), window);
    sendDeviceChange(window, DBT_DEVICEREMOVECOMPLETE,
                     L"\\\\?\\hid#vid_7a3c&pid_0013#7&1a2b3c&0&0000#{378de44c-56ef-11d1-bc8c-00a0c91405dd}");
    EXPECT_EQ(WaitForSingleObject(g_tray, 15000), WAIT_OBJECT_0);
    CloseHandle(g_tray);
    g_tray = nullptr;
    ASSERT_TRUE(waitFor([&] { HWND now = tray(); return now && processOf(now) != oldProcess; }, 60000ms));
    Sleep(2000);
    EXPECT_EQ(trays().size(), 1u);
    // The planted restart program in the tray's current directory never ran.
    EXPECT_EQ(FindWindowW(L"TrayTestWindow", L"lhc.exe"), nullptr);
    // "/r" acts as code 0: the new tray opens the configurator.
    EXPECT_TRUE(waitFor([] { return configuratorMarker() != nullptr; }, 20000ms));
}

TEST(TrayEndToEnd, ConsoleDisconnectEndsTrayAndConfigurator) {
    HWND window = tray();
    ASSERT_TRUE(window);
    ASSERT_TRUE(waitFor([] { return configuratorMarker() != nullptr; }, 20000ms));
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processOf(window));
    SendMessageW(window, WM_WTSSESSION_CHANGE, WTS_CONSOLE_DISCONNECT, 0);  // as the session service
    EXPECT_EQ(WaitForSingleObject(process, 15000), WAIT_OBJECT_0);
    CloseHandle(process);
    EXPECT_TRUE(waitFor([] { return !configuratorMarker(); }, 10000ms));
    EXPECT_TRUE(trays().empty());
}

// --- texts ---

TEST(TrayEndToEnd, AGermanTranslationFileGivesAGermanMenu) {
    {
        // UTF-16LE lines: source, translation.
        const std::wstring text = L"\xFEFFLoad Tessel Configurator\r\nTessel-Konfigurator laden\r\n"
                                  L"Close Tray Icon\r\nTaskleistensymbol schlie\u00DFen\r\n";
        std::ofstream file(windowsPath(g_install + L"German.txt").c_str(), std::ios::binary);
        file.write(reinterpret_cast<const char*>(text.data()), static_cast<std::streamsize>(text.size() * 2));
    }
    writeRegistry(L"Language1", L"Deutsch");
    writeRegistry(L"TranslationFile1", L"German.txt");
    writeRegistry(L"Translation", 1);
    HANDLE process = startTray();
    ASSERT_TRUE(waitFor([] { return tray() != nullptr; }, 60000ms));
    HWND menu = openMenu();
    ASSERT_TRUE(menu);
    Sleep(300);
    screenshot(L"menu_german");
    // "Taskleistensymbol schließen" is wider than any English item.
    EXPECT_GT(menuWidth(menu), g_englishMenuWidth);
    pressKey(menu, VK_ESCAPE);
    writeRegistry(L"Translation", 0);
    PostMessageW(tray(), WM_USER + 18, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process, 15000), WAIT_OBJECT_0);
    CloseHandle(process);
}

}  // namespace
