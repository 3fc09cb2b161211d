// KavixTesselTray: the hidden window whose procedure carries the program: the notification
// icon and its menu, the configurator, the mouse's profiles (by menu, by foreground program and
// by the mouse's own buttons), and the reactions to device, power and session changes.
#pragma once

#include <windows.h>
#include <shellapi.h>
#include <dbt.h>

#include <memory>
#include <optional>
#include <string>

#include "middleware/store/win32_registry.h"
#include "tray/auto_activation.h"
#include "tray/device_context.h"
#include "tray/event_sink.h"
#include "tray/notices.h"
#include "tray/tray_texts.h"

namespace tessel::tray {

// The command-line code: -1 without an argument, else the argument's leading decimal number
// (0 when it starts with none, so "/r" reads as 0).
int parseCommandCode(const wchar_t* commandLine);

// The interface name of a device-interface record, read within its stated size only; empty
// for other records.
std::wstring deviceInterfaceName(const DEV_BROADCAST_HDR* header);
// The mouse by cable: "PID_0013" and "VID_7A3C" in the name (any case), neither at its start.
bool isTrayMouseInterface(std::wstring name);

class TrayApp final : TrayEventTarget {
public:
    TrayApp(HINSTANCE instance, int commandCode);
    ~TrayApp();

    // The whole program after the single-instance rule; returns the exit code.
    int run();

    // Runs the command action of the code against whichever tray and configurator exist.
    void runCommandAction();

private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

    void onCreate();
    void onTick();
    void onIconInput(LPARAM mouseMessage);
    void showMenu();
    void onDeviceChange(WPARAM event, LPARAM record);
    void onSessionChange(WPARAM event);
    void onPowerBroadcast(WPARAM event);
    void shutdown();

    bool connectMouse();
    // After a connection: side files, event objects, subscription and notice switches.
    void startEvents();
    void stopEvents();
    void reloadProfiles();
    void activateProfile(int index, bool withNotice);
    void autoActivate();
    void takeSwitches(const TrayProfileEntry* entry);

    void startOrRaiseConfigurator();
    void lookForConfigurator();
    void closeConfigurator();
    void restartThroughLhc();

    bool addIcon();
    void refreshIcon();
    void removeIcon();
    NOTIFYICONDATAW iconRecord() const;

    void unregisterNotifications();

    // TrayEventTarget
    void onHaldenEvent(const _THaldenInfoType& info) override;
    void onSensitivityEvent() override;

    HINSTANCE instance_;
    int commandCode_;
    HWND window_ = nullptr;
    bool quit_ = false;
    bool suspended_ = false;
    bool closeConfiguratorOnExit_ = true;
    bool startingConfigurator_ = false;
    int configuratorLooks_ = 0;
    bool devicePresent_ = false;
    int tick_ = 0;
    AutoActivation autoActivation_;
    UINT iconMessage_ = 0;
    UINT taskbarCreatedMessage_ = 0;
    HMODULE sessionLibrary_ = nullptr;
    DWORD (WINAPI* activeConsoleSession_)() = nullptr;
    DWORD consoleSession_ = 0;
    HDEVNOTIFY deviceNotification_ = nullptr;
    ULONGLONG lastTooltipRefresh_ = 0;
    bool shutDown_ = false;

    store::Win32Registry registry_;
    TrayTexts texts_;
    TrayDeviceContext device_;
    EventConnection events_;
    std::unique_ptr<Notices> notices_;
};

}  // namespace tessel::tray
