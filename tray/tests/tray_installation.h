// The tray installed as a user has it, for the end-to-end test and the benchmark: the real
// tray, middleware, OSD.dll and lhc.exe in one installation folder of the UI session, the
// middleware registered there, the simulated mouse with profiles 1, 3 and 4 ("One", "Three",
// "Four"), and side files that switch the notices on for One and Three, off for Four, and bind
// Three to "GAME.EXE"; helpers that look at the tray and its notices as the system shows them.
#pragma once

#include <windows.h>
#include <dbt.h>
#include <shlobj.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "formats/exchange_file.h"
#include "formats/win32_file_system.h"
#include "sim/mouse_state.h"
#include "sim/state_store.h"
#include "uidriver/picture.h"

namespace tray_testing {

namespace sim = tessel::sim;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr UINT kHandshakeMessage = WM_USER + 301;

inline std::wstring g_install;   // the installation folder, ending in '\'
inline std::wstring g_planted;   // the tray's current directory, holding a planted lhc.exe
inline std::string g_mousePath;  // the simulated mouse's state file

inline std::wstring widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }
inline std::wstring windowsPath(std::wstring path) {
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

inline bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (done()) return true;
        if (Clock::now() >= deadline) return false;
        Sleep(50);
    }
}

// --- processes ---

inline HANDLE startProcess(const std::wstring& program, const std::wstring& arguments, const std::wstring& directory) {
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

inline DWORD runToEnd(const std::wstring& program, const std::wstring& arguments) {
    HANDLE process = startProcess(program, arguments, g_planted);
    if (!process) return static_cast<DWORD>(-1);
    WaitForSingleObject(process, 60000);
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return code;
}

inline DWORD tesselsim(const std::string& arguments) {
    return runToEnd(windowsPath(widen(TESSEL_TESSELSIM)), L"--state \"" + widen(g_mousePath) + L"\" " + widen(arguments));
}

sim::MouseState mouse() { return sim::StateStore::inFile(g_mousePath)->read(); }

// --- windows ---

inline std::vector<HWND> topLevelWindows(const wchar_t* className) {
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

inline std::vector<HWND> trays() { return topLevelWindows(L"Kavix_Tessel_Tray"); }
inline HWND tray() { return FindWindowW(L"Kavix_Tessel_Tray", L"Kavix Tessel Tray"); }
inline HWND configuratorMarker() {
    HWND main = FindWindowW(L"TrayTestWindow", L"Tessel Configurator");
    return main ? FindWindowExW(main, nullptr, L"BUTTON", L"memu_Marlo_2") : nullptr;
}
inline DWORD processOf(HWND window) {
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    return id;
}

// The visible notices: gauges are as tall as their picture, the profile notice is one line.
struct VisibleNotices {
    int gauges = 0;
    int profile = 0;
};
inline VisibleNotices visibleNotices() {
    VisibleNotices visible;
    for (HWND window : topLevelWindows(L"OsdNoticeWindow")) {
        if (!IsWindowVisible(window)) continue;
        RECT rect{};
        GetWindowRect(window, &rect);
        (rect.bottom - rect.top >= 282 ? visible.gauges : visible.profile)++;
    }
    return visible;
}
inline bool noneVisible() {
    const VisibleNotices v = visibleNotices();
    return v.gauges == 0 && v.profile == 0;
}

void screenshot(const std::wstring& name) { uidriver::savePng(uidriver::captureScreen(), name); }

// The icon's callback message, as the shell sends it.
inline void postIconInput(UINT mouseMessage) {
    PostMessageW(tray(), RegisterWindowMessageW(L"KXIconCreated98"), 103, mouseMessage);
}

inline HWND openMenu() {
    postIconInput(WM_RBUTTONUP);
    HWND menu = nullptr;
    waitFor([&] { return (menu = FindWindowW(L"#32768", nullptr)) && IsWindowVisible(menu); }, 5000ms);
    return menu;
}

inline int menuWidth(HWND menu) {
    RECT rect{};
    GetWindowRect(menu, &rect);
    return rect.right - rect.left;
}

inline void pressKey(HWND window, UINT key) {
    PostMessageW(window, WM_KEYDOWN, key, 0);
    PostMessageW(window, WM_KEYUP, key, 0xC0000000);
}

// The device-interface record of an arrival or removal, as the system sends it.
inline void sendDeviceChange(HWND window, WPARAM event, const std::wstring& name) {
    std::vector<BYTE> bytes(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + (name.size() + 1) * sizeof(wchar_t));
    auto* record = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(bytes.data());
    record->dbcc_size = static_cast<DWORD>(bytes.size());
    record->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    std::copy(name.begin(), name.end(), record->dbcc_name);
    record->dbcc_name[name.size()] = L'\0';
    SendMessageW(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(record));
}

// A sensitivity step as the mouse signals it: F24 a step up, F21 to F24 together a step down
// (the middleware answers from its cache, whatever stage the simulated mouse is at).
inline void pressSensitivityKey(bool up = true) {
    const WORD chord[] = {VK_F21, VK_F22, VK_F23, VK_F24};
    const size_t first = up ? 3 : 0;
    std::vector<INPUT> keys;
    for (bool release : {false, true})
        for (size_t k = first; k < std::size(chord); ++k) {
            INPUT key{};
            key.type = INPUT_KEYBOARD;
            key.ki.wVk = chord[k];
            key.ki.dwFlags = release ? KEYEVENTF_KEYUP : 0;
            keys.push_back(key);
        }
    SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
}

// --- the installation ---

inline void writeRegistry(const std::wstring& name, const std::wstring& value) {
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, L"Software\\Kavix\\Kavix Tessel", name.c_str(), REG_SZ, value.c_str(),
                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}
inline void writeRegistry(const std::wstring& name, DWORD value) {
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, L"Software\\Kavix\\Kavix Tessel", name.c_str(), REG_DWORD, &value,
                    sizeof(value));
}

inline bool copyInto(const std::wstring& folder, const std::string& file, const std::wstring& as = {}) {
    const std::wstring from = windowsPath(widen(file));
    const std::wstring name = as.empty() ? from.substr(from.find_last_of(L'\\') + 1) : as;
    return CopyFileW(from.c_str(), (folder + name).c_str(), FALSE) != FALSE;
}

class NoLinks final : public tessel::formats::ExchangeLookup {
public:
    std::optional<std::u16string> profileName(std::int32_t) const override { return std::nullopt; }
    std::optional<std::u16string> macroName(std::int32_t) const override { return std::nullopt; }
    std::optional<tessel::formats::ExchangeMacro> macro(std::u16string_view) const override { return std::nullopt; }
};

inline tessel::formats::ExchangeProfile sideFile(std::u16string name, std::u16string executable, int autoload, int notices) {
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

inline sim::MouseState profilesOneThreeFour() {
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

inline HANDLE startTray(const std::wstring& arguments = {}) {
    return startProcess(g_install + L"KavixTesselTray.exe", arguments, g_planted);
}

// Installs everything in a new folder of the temporary directory; false when a step failed.
inline bool installTray() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring root = std::wstring(temp) + L"tray-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    g_install = root + L"Kavix Tessel\\";
    g_planted = root + L"elsewhere\\";
    CreateDirectoryW(root.c_str(), nullptr);
    CreateDirectoryW(g_install.c_str(), nullptr);
    CreateDirectoryW(g_planted.c_str(), nullptr);
    for (const char* file : {TRAY_PROGRAM, OSD_LIBRARY, LHC_PROGRAM, SERVER_LIBRARY, SIMULATOR_LIBRARY})
        if (!copyInto(g_install, file)) return false;
    if (!copyInto(g_install, TEST_WINDOW_PROGRAM, L"TesselCfg.exe") ||
        !copyInto(g_install, TEST_WINDOW_PROGRAM, L"game.exe"))
        return false;
    // A restart program where the tray is started from: it must never be the one that runs.
    if (!copyInto(g_planted, TEST_WINDOW_PROGRAM, L"lhc.exe")) return false;
    std::ofstream(windowsPath(g_install + L"German.txt").c_str());  // filled by the German test

    const std::wstring server = g_install + L"KavixMiddlewareServer.dll";
    if (runToEnd(L"C:\\windows\\system32\\regsvr32.exe", L"/s \"" + server + L"\"") != 0) return false;
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
    if (SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, appData) != S_OK) return false;
    tessel::formats::Win32Files files;
    return tessel::formats::writeSideFiles(
        files, std::u16string(appData, appData + wcslen(appData)),
        {sideFile(u"One", u"", 0, 1), sideFile(u"Three", u"GAME.EXE", 1, 1), sideFile(u"Four", u"", 0, 0)},
        NoLinks{}) &&
           std::wstring(appData) == ownAppData;
}

// Ends the trays and the configurator that remain.
inline void endTrays() {
    for (HWND window : trays()) PostMessageW(window, WM_USER + 18, 0, 0);
    if (HWND marker = configuratorMarker()) PostMessageW(GetParent(marker), WM_CLOSE, 0, 0);
    waitFor([] { return trays().empty(); }, 10000ms);
}

}  // namespace tray_testing
