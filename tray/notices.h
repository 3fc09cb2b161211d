// The on-screen notices: the name of a newly active profile and the gauges of a new
// sensitivity, drawn by OSD.dll and hidden again by the tray's timer after ten ticks.
#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <string_view>

#include "osd/osd.h"

namespace tessel::tray {

class TrayTexts;

// Ticks of the tray's 500 ms timer that a notice stays on screen.
inline constexpr int kNoticeTicks = 10;

class Notices {
public:
    enum Window { profileNotice, sensitivityNoticeX, sensitivityNoticeY, windowCount };

    // Creates the three windows, hidden; one that OSD.dll cannot make stays absent.
    Notices(HINSTANCE instance, TrayTexts& texts);

    // The switches of the active profile.
    void setSwitches(bool sensitivityNotice, bool profileNotice);

    void showProfile(std::wstring_view name);
    void showSensitivity(long x, long y);
    // One timer tick: counts down and hides the notices whose time is up.
    void tick();

    bool exists(Window window) const { return windows_[window] != nullptr; }
    int countdown(Window window) const { return countdowns_[window]; }

private:
    void showGauge(Window window, long dpi);

    HINSTANCE instance_;
    TrayTexts& texts_;
    std::array<OsdWindow*, windowCount> windows_{};
    std::array<int, windowCount> countdowns_{};
    bool sensitivityNotice_ = false;
    bool profileNotice_ = false;
};

// The text of a profile notice: names of up to 18 characters are set off by leading spaces.
std::wstring profileNoticeText(std::wstring_view format, std::wstring_view name);

}  // namespace tessel::tray
