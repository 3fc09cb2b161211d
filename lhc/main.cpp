// lhc.exe "KavixTesselTray.exe /r": the tray hands over to it when the mouse arrives or leaves;
// it starts the tray again once the old one has gone.
#include "lhc/restart.h"

namespace {

enum ExitCode : int { kStarted = 0, kNotStarted = 1, kBadRequest = 2 };

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    const auto request = lhc::parseRestartRequest(commandLine != nullptr ? commandLine : L"");
    if (!request) {
        return kBadRequest;
    }
    // A tray that has not ended in time is hung; the new one's single-instance rule deals
    // with it, which beats leaving the user without a tray.
    lhc::waitForTrayToEnd(lhc::kWaitForTrayMs);
    return lhc::startFromOwnFolder(*request) ? kStarted : kNotStarted;
}
