// KavixTesselTray.exe [code]: the resident tray program, one per session.
#include <windows.h>

#include "tray/programs.h"
#include "tray/tray_app.h"

namespace {

// How long a second start waits for the first tray's window: the first connects to the mouse
// and loads its profiles before the window exists.
constexpr DWORD kWaitForFirstTrayMs = 30000;

void waitForTrayWindow() {
    for (DWORD waited = 0; waited < kWaitForFirstTrayMs; waited += 100) {
        if (tessel::tray::findWindowByTitle(tessel::tray::kTrayWindowTitle)) return;
        Sleep(100);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    using namespace tessel::tray;
    const int code = parseCommandCode(commandLine);
    // Code 9 only closes the tray and the configurator, whether or not a tray runs.
    if (code == 9) {
        TrayApp(instance, code).runCommandAction();
        return 0;
    }
    // One tray per session: the window appears only after the mouse is connected, so the name
    // is taken first and a second start hands its command to the first tray.
    HANDLE single = CreateMutexW(nullptr, FALSE, L"Local\\KavixTesselTray");
    if (!single || GetLastError() == ERROR_ALREADY_EXISTS) {
        waitForTrayWindow();
        TrayApp(instance, code).runCommandAction();
        if (single) CloseHandle(single);
        return 0;
    }
    TrayApp tray(instance, code);
    tray.runCommandAction();
    const int result = tray.run();
    CloseHandle(single);
    return result;
}
