// The tray program as the configurator sees it: its window, found by class and title, and its
// program, started by absolute path. Messages go through SendMessageTimeout, so a hung tray
// never stops the configurator.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace tessel::cfgapp {

inline constexpr UINT kTrayReloadProfiles = WM_USER + 14;
inline constexpr UINT kTrayLanguageChanged = WM_USER + 16;
inline constexpr UINT kTrayClose = WM_USER + 18;
// The instance handshake both programs answer.
inline constexpr UINT kHandshakeMessage = WM_USER + 301;
inline constexpr LRESULT kHandshakeAnswer = 0x2A3B4C5D;

class CTrayControl {
public:
    // `installDir` ends in a path separator; empty means the configurator's own folder.
    void SetInstallDir(std::wstring installDir) { installDir_ = std::move(installDir); }

    static HWND Find();
    // Starts the tray program unless its window exists. A program that is not there fails
    // quietly.
    bool Start();
    bool Notify(UINT message) const;
    // Sends `message` after `delayMs` from a short thread of its own.
    void NotifyLater(UINT message, DWORD delayMs) const;
    // Asks the tray to close and waits while its window exists (21 checks, 500 ms apart).
    void Stop() const;

    // Around a polling-rate change (run on the configuration worker).
    void ReloadProfiles() const;
    void StopForRateChange() const;
    void StartAfterRateChange();

    std::wstring ProgramPath() const;
    // The folder of the suite's programs and documents: `installDir`, or when it is empty the
    // configurator's own folder. Ends in a separator.
    static std::wstring SuiteFolder(const std::wstring& installDir);

private:
    void AwaitHandshake() const;

    std::wstring installDir_;
    bool started_ = false;  // the program was started by this configurator at least once
};

// Polls `done` every `intervalMs`, at most `tries` times, delivering this thread's messages
// between the polls.
bool WaitPumping(const std::function<bool()>& done, int tries, DWORD intervalMs);

}  // namespace tessel::cfgapp
