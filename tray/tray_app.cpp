#include "tray/tray_app.h"

#include <dbt.h>
#include <shellapi.h>
#include <wtsapi32.h>

#include <algorithm>
#include <ctime>
#include <cwctype>

#include "tray/auto_activation.h"
#include "tray/programs.h"
#include "tray/resource.h"
#include "tray/tray_menu.h"

namespace tessel::tray {
namespace {

constexpr UINT_PTR kTickTimer = 275;
constexpr UINT kTickMs = 500;
constexpr int kTicksPerCycle = 21;  // 10.5 s
constexpr int kAutoActivationTick = 5;
// Looks for the configurator's window after starting it: 22, half a second apart.
constexpr UINT_PTR kConfiguratorTimer = 276;
constexpr int kConfiguratorLooks = 22;
// After a resume the mouse needs time before it answers again.
constexpr UINT_PTR kResumeTimer = 277;
constexpr UINT kResumeDelayMs = 5000;
constexpr UINT kIconId = IDI_TRAY;
constexpr int kIconAttempts = 5;
constexpr std::time_t kTooltipRefreshSeconds = 10;

// "{378DE44C-56EF-11D1-BC8C-00A0C91405DD}": the mouse interface class.
constexpr GUID kMouseInterfaceClass = {0x378de44c, 0x56ef, 0x11d1, {0xbc, 0x8c, 0x00, 0xa0, 0xc9, 0x14, 0x05, 0xdd}};

}  // namespace

std::wstring deviceInterfaceName(const DEV_BROADCAST_HDR* header) {
    if (!header || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return {};
    const size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    if (header->dbch_size <= nameOffset) return {};
    const auto* record = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header);
    const size_t capacity = (header->dbch_size - nameOffset) / sizeof(wchar_t);
    const wchar_t* name = record->dbcc_name;
    return std::wstring(name, std::find(name, name + capacity, L'\0'));
}

bool isTrayMouseInterface(std::wstring name) {
    std::transform(name.begin(), name.end(), name.begin(), [](wchar_t c) { return std::towupper(c); });
    auto after = [&](std::wstring_view part) {
        const size_t at = name.find(part);
        return at != std::wstring::npos && at > 0;
    };
    return after(L"PID_0013") && after(L"VID_7A3C");
}

int parseCommandCode(const wchar_t* commandLine) {
    if (!commandLine) return -1;
    while (*commandLine == L' ' || *commandLine == L'\t') ++commandLine;
    if (!*commandLine) return -1;
    long code = 0;
    for (; *commandLine >= L'0' && *commandLine <= L'9'; ++commandLine) {
        code = code * 10 + (*commandLine - L'0');
        if (code > 1000000) break;  // no code is that long
    }
    return static_cast<int>(code);
}

TrayApp::TrayApp(HINSTANCE instance, int commandCode)
    : instance_(instance), commandCode_(commandCode), texts_(registry_) {}

TrayApp::~TrayApp() = default;

void TrayApp::runCommandAction() {
    if (commandCode_ == -1) return;
    Sleep(50);
    switch (commandCode_) {
    case 0:
        if (HWND tray = findWindowByTitle(kTrayWindowTitle))
            sendBounded(tray, kOpenConfiguratorMessage);
        else
            commandCode_ = 10;
        break;
    case 1: case 2: case 3: case 4: case 5: case 6:
        activateProfile(commandCode_ - 1, false);
        break;
    case 9:
        if (HWND tray = findWindowByTitle(kTrayWindowTitle)) sendBounded(tray, WM_CLOSE);
        if (HWND marker = findWindowByTitle(kConfiguratorMarker)) sendBounded(marker, WM_CLOSE);
        break;
    case 10:
        if (HWND tray = findWindowByTitle(kTrayWindowTitle))
            sendBounded(tray, kOpenConfiguratorMessage);
        else
            startOrRaiseConfigurator();
        break;
    default:
        break;
    }
}

int TrayApp::run() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (connectMouse()) startEvents();
    notices_ = std::make_unique<Notices>(instance_, texts_);
    takeSwitches(device_.entryAt(device_.currentIndex()));

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = instance_;
    windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.hIconSm = LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kTrayWindowClass;
    RegisterClassExW(&windowClass);
    CreateWindowExW(0, kTrayWindowClass, kTrayWindowTitle, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance_, this);

    while (!quit_) {
        MSG message;
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) continue;
        TranslateMessage(&message);
        // While suspended the tick does not run: the mouse may be gone.
        if (message.message == WM_TIMER && message.wParam == kTickTimer && suspended_) continue;
        DispatchMessageW(&message);
        if (message.message == WM_CLOSE) break;
    }

    stopEvents();
    device_.release();
    notices_.reset();
    CoUninitialize();
    return 0;
}

LRESULT CALLBACK TrayApp::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* app = static_cast<TrayApp*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        app->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(app));
    }
    auto* app = reinterpret_cast<TrayApp*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!app) return DefWindowProcW(window, message, wParam, lParam);
    return app->handle(message, wParam, lParam);
}

LRESULT TrayApp::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (iconMessage_ && message == iconMessage_) {
        if (wParam == kIconId) onIconInput(lParam);
        return 0;
    }
    if (taskbarCreatedMessage_ && message == taskbarCreatedMessage_) {
        addIcon();
        return 0;
    }
    switch (message) {
    case WM_CREATE:
        onCreate();
        return 0;
    case WM_TIMER:
        if (wParam == kTickTimer) {
            onTick();
        } else if (wParam == kConfiguratorTimer) {
            lookForConfigurator();
        } else if (wParam == kResumeTimer) {
            KillTimer(window_, kResumeTimer);
            SetTimer(window_, kTickTimer, kTickMs, nullptr);
            suspended_ = false;
        }
        return 0;
    case kReloadProfilesMessage:
        reloadProfiles();
        return 0;
    case kSettingsChangedMessage:
        texts_.reread();
        DrawMenuBar(window_);
        return 0;
    case kOpenConfiguratorMessage:
        startOrRaiseConfigurator();
        return 0;
    case kCloseTrayMessage:
        closeConfiguratorOnExit_ = false;
        removeIcon();
        PostMessageW(window_, WM_CLOSE, 0, 0);
        return 0;
    case kHandshakeMessage:
        return kHandshakeAnswer;
    case WM_DEVICECHANGE:
        onDeviceChange(wParam, lParam);
        return TRUE;
    case WM_WTSSESSION_CHANGE:
        onSessionChange(wParam);
        return 0;
    case WM_POWERBROADCAST:
        onPowerBroadcast(wParam);
        return TRUE;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            DestroyWindow(window_);
            PostQuitMessage(0);
            return 0;
        }
        break;
    case WM_CLOSE:
        shutdown();
        break;
    case WM_DESTROY:
        shutdown();
        // A WM_CLOSE sent by another program destroys the window without passing the loop.
        PostQuitMessage(0);
        break;
    default:
        break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void TrayApp::onCreate() {
    iconMessage_ = RegisterWindowMessageW(L"KXIconCreated98");
    addIcon();
    taskbarCreatedMessage_ = RegisterWindowMessageW(L"TaskbarCreated");
    // Session notices need wtsapi32, which may be absent.
    sessionLibrary_ = LoadLibraryW(L"wtsapi32.dll");
    if (sessionLibrary_) {
        auto registerNotification = reinterpret_cast<BOOL(WINAPI*)(HWND, DWORD)>(
            reinterpret_cast<void*>(GetProcAddress(sessionLibrary_, "WTSRegisterSessionNotification")));
        activeConsoleSession_ = reinterpret_cast<DWORD(WINAPI*)()>(
            reinterpret_cast<void*>(GetProcAddress(sessionLibrary_, "WTSGetActiveConsoleSessionId")));
        if (registerNotification) registerNotification(window_, NOTIFY_FOR_THIS_SESSION);
    }
    runCommandAction();
    SetTimer(window_, kTickTimer, kTickMs, nullptr);
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kMouseInterfaceClass;
    deviceNotification_ = RegisterDeviceNotificationW(window_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

void TrayApp::onTick() {
    if (tick_ == kAutoActivationTick && !device_.profiles().empty()) autoActivate();
    if (tick_++ == kTicksPerCycle - 1) {
        tick_ = 0;
        if (!devicePresent_) {
            if (connectMouse())
                startEvents();
            else
                device_.release();
        }
    }
    notices_->tick();
}

bool TrayApp::connectMouse() {
    devicePresent_ = device_.connect();
    return devicePresent_;
}

void TrayApp::startEvents() {
    device_.readSideFiles(texts_.translate(L"<none>"));
    if (events_.open(device_.device())) events_.subscribe(*this);
    if (notices_) takeSwitches(device_.entryAt(device_.currentIndex()));
}

void TrayApp::stopEvents() {
    events_.release(devicePresent_ ? device_.device() : nullptr);
}

void TrayApp::takeSwitches(const TrayProfileEntry* entry) {
    if (entry && notices_) notices_->setSwitches(entry->settings.sensitivityNotice != 0, entry->settings.profileNotice != 0);
}

void TrayApp::reloadProfiles() {
    device_.freeLists();
    if (!devicePresent_ || !device_.device()) return;
    device_.buildLists();
    device_.readSideFiles(texts_.translate(L"<none>"));
    takeSwitches(device_.entryAt(device_.currentIndex()));
    activateProfile(device_.currentIndex(), true);
}

void TrayApp::activateProfile(int index, bool withNotice) {
    TrayProfileEntry* entry = device_.entryAt(index);
    if (!entry) return;
    device_.activate(*entry);
    if (withNotice && notices_) notices_->showProfile(wide(entry->settings.name));
    takeSwitches(entry);
    autoActivation_.activated(*entry);
}

void TrayApp::autoActivate() {
    const std::optional<size_t> index =
        autoActivation_.forForeground(programNameOfWindow(GetForegroundWindow()), device_.profiles());
    if (index) activateProfile(static_cast<int>(*index), true);
}

void TrayApp::onHaldenEvent(const _THaldenInfoType& info) {
    if (info.ValidFields & 2) {
        // The list holds only the profile numbers in use: find the number, not the position.
        int index = info.ActiveProfile - 1;
        const auto& profiles = device_.profiles();
        for (size_t i = 0; i < profiles.size(); ++i)
            if (profiles[i].id == info.ActiveProfile) index = static_cast<int>(i);
        activateProfile(index, true);
    }
    if ((info.ValidFields & 1) && notices_) notices_->showSensitivity(info.DpiX, info.DpiY);
}

void TrayApp::onSensitivityEvent() {
    if (devicePresent_) readActiveSensitivity(device_.device());
}

// --- the icon and its menu ---

NOTIFYICONDATAW TrayApp::iconRecord() const {
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof(icon);
    icon.hWnd = window_;
    icon.uID = kIconId;
    icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon.uCallbackMessage = iconMessage_;
    icon.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(IDI_TRAY));
    const std::wstring_view tip = texts_.tooltip().substr(0, std::size(icon.szTip) - 1);
    std::copy(tip.begin(), tip.end(), icon.szTip);
    return icon;
}

bool TrayApp::addIcon() {
    NOTIFYICONDATAW icon = iconRecord();
    for (int attempt = 0; attempt < kIconAttempts; ++attempt) {
        if (Shell_NotifyIconW(NIM_ADD, &icon)) {
            icon.uVersion = NOTIFYICON_VERSION;
            Shell_NotifyIconW(NIM_SETVERSION, &icon);
            return true;
        }
    }
    return false;
}

void TrayApp::refreshIcon() {
    NOTIFYICONDATAW icon = iconRecord();
    for (int attempt = 0; attempt < kIconAttempts; ++attempt)
        if (Shell_NotifyIconW(NIM_MODIFY, &icon)) return;
}

void TrayApp::removeIcon() {
    NOTIFYICONDATAW icon = iconRecord();
    Shell_NotifyIconW(NIM_DELETE, &icon);
}

void TrayApp::onIconInput(LPARAM mouseMessage) {
    switch (LOWORD(mouseMessage)) {
    case WM_MOUSEMOVE: {
        const std::time_t now = std::time(nullptr);
        if (now - static_cast<std::time_t>(lastTooltipRefresh_) > kTooltipRefreshSeconds) {
            lastTooltipRefresh_ = static_cast<ULONGLONG>(now);
            refreshIcon();
        }
        break;
    }
    case WM_LBUTTONDBLCLK:
        startOrRaiseConfigurator();
        break;
    case WM_RBUTTONUP:
    case WM_CONTEXTMENU:
        showMenu();
        break;
    default:
        break;
    }
}

void TrayApp::showMenu() {
    std::vector<std::wstring> names;
    for (const TrayProfileEntry& entry : device_.profiles()) names.push_back(wide(entry.settings.name));
    HMENU menu = loadTrayMenu(instance_, names, texts_);
    if (!menu) return;
    SetForegroundWindow(window_);
    SetMenuDefaultItem(menu, 0, TRUE);
    POINT cursor{};
    GetCursorPos(&cursor);
    const UINT command = static_cast<UINT>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, cursor.x, cursor.y, 0, window_, nullptr));
    // The menu closes when the user clicks elsewhere only if this window gets a message next.
    PostMessageW(window_, WM_NULL, 0, 0);
    DestroyMenu(menu);

    if (command == ID_LOAD_CONFIGURATOR) {
        startOrRaiseConfigurator();
    } else if (command >= ID_PROFILE_FIRST && command <= ID_PROFILE_LAST) {
        activateProfile(static_cast<int>(command - ID_PROFILE_FIRST), false);
    } else if (command == ID_CLOSE_TRAY) {
        removeIcon();
        quit_ = true;
        if (HWND marker = findWindowByTitle(kConfiguratorMarker)) PostMessageW(marker, WM_CLOSE, 0, 0);
        if (HWND tray = findWindowByTitle(kTrayWindowTitle)) PostMessageW(tray, WM_CLOSE, 0, 0);
    }
}

// --- the configurator ---

void TrayApp::startOrRaiseConfigurator() {
    HWND marker = findWindowByTitle(kConfiguratorMarker);
    if (startingConfigurator_) return;
    startingConfigurator_ = true;
    if (marker) {
        sendBounded(marker, kHandshakeMessage);
        SetForegroundWindow(GetAncestor(marker, GA_ROOT));
        startingConfigurator_ = false;
        return;
    }
    startProgram(programFolder(texts_.installDir()), kConfiguratorProgram);
    // Looked for on the timer: the tray keeps answering (and the mouse's key hook with it).
    configuratorLooks_ = 0;
    lookForConfigurator();
}

void TrayApp::lookForConfigurator() {
    // Before the window exists there is no timer to look with; the start is enough.
    if (!window_) {
        startingConfigurator_ = false;
        return;
    }
    if (HWND marker = findWindowByTitle(kConfiguratorMarker)) {
        SetForegroundWindow(GetAncestor(marker, GA_ROOT));
    } else if (++configuratorLooks_ < kConfiguratorLooks) {
        SetTimer(window_, kConfiguratorTimer, 500, nullptr);
        return;
    }
    KillTimer(window_, kConfiguratorTimer);
    startingConfigurator_ = false;
}

void TrayApp::closeConfigurator() {
    if (HWND marker = findWindowByTitle(kConfiguratorMarker))
        if (HWND dialog = GetParent(marker)) sendBounded(dialog, WM_CLOSE);
}

// --- device, session and power ---

void TrayApp::onDeviceChange(WPARAM event, LPARAM record) {
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return;
    if (!isTrayMouseInterface(deviceInterfaceName(reinterpret_cast<const DEV_BROADCAST_HDR*>(record)))) return;
    restartThroughLhc();
}

void TrayApp::restartThroughLhc() {
    // A new tray connects to the mouse as it now is; this one hands over and ends.
    stopEvents();
    device_.release();
    devicePresent_ = false;
    removeIcon();
    quit_ = true;
    texts_.reread();
    startProgram(programFolder(texts_.installDir()), kRestartProgram, kRestartArguments);
    PostQuitMessage(0);
}

void TrayApp::onSessionChange(WPARAM event) {
    if (activeConsoleSession_) consoleSession_ = activeConsoleSession_();
    if (event != WTS_CONSOLE_DISCONNECT) return;
    stopEvents();
    device_.release();
    devicePresent_ = false;
    unregisterNotifications();
    if (closeConfiguratorOnExit_) closeConfigurator();
    removeIcon();
    quit_ = true;
    if (HWND marker = findWindowByTitle(kConfiguratorMarker)) PostMessageW(marker, WM_CLOSE, 0, 0);
    if (HWND tray = findWindowByTitle(kTrayWindowTitle)) PostMessageW(tray, WM_CLOSE, 0, 0);
}

void TrayApp::onPowerBroadcast(WPARAM event) {
    if (event == PBT_APMSUSPEND) {
        KillTimer(window_, kTickTimer);
        KillTimer(window_, kResumeTimer);
        suspended_ = true;
        if (devicePresent_) {
            stopEvents();
            device_.release();
            devicePresent_ = false;
        }
    } else if (event == PBT_APMRESUMEAUTOMATIC) {
        // The tick starts again after the delay; the next full cycle reconnects.
        SetTimer(window_, kResumeTimer, kResumeDelayMs, nullptr);
    }
}

void TrayApp::unregisterNotifications() {
    if (sessionLibrary_) {
        auto unregister = reinterpret_cast<BOOL(WINAPI*)(HWND)>(
            reinterpret_cast<void*>(GetProcAddress(sessionLibrary_, "WTSUnRegisterSessionNotification")));
        if (unregister) unregister(window_);
        FreeLibrary(sessionLibrary_);
        sessionLibrary_ = nullptr;
        activeConsoleSession_ = nullptr;
    }
}

void TrayApp::shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    unregisterNotifications();
    if (deviceNotification_) {
        UnregisterDeviceNotification(deviceNotification_);
        deviceNotification_ = nullptr;
    }
    if (closeConfiguratorOnExit_) closeConfigurator();
    removeIcon();
    quit_ = true;
}

}  // namespace tessel::tray
