// CCoricCfgApp: the configurator's frame. One instance per session; the main dialog is built
// again in the new language after a language change.
#pragma once

#include <windows.h>

#include <string>

#include "configurator/app/tray.h"
#include "formats/install_settings.h"
#include "formats/win32_file_system.h"

namespace tessel::cfgapp {

inline constexpr wchar_t kMarkerText[] = L"memu_Marlo_2";

class CCoricCfgApp {
public:
    explicit CCoricCfgApp(HINSTANCE instance) : instance_(instance) {}
    // The program's life; answers the exit code.
    int Run();

    // Asked by the main dialog for command 22000 + n: false when n is no other language. The
    // new language is stored and the dialog is built again once the current one has ended.
    bool ChangeLanguage(int index);

    const formats::InstallSettings& Settings() const { return settings_; }
    CTrayControl& Tray() { return tray_; }
    formats::FileSystem& Files() { return files_; }
    HINSTANCE Instance() const { return instance_; }

    // The main dialog of a running configurator, found by its marker among all descendants of
    // every top-level window; null when there is none.
    static HWND FindRunning();

private:
    void ReadSettings();
    void TakeFonts() const;

    HINSTANCE instance_;
    formats::InstallSettings settings_;
    formats::Win32Files files_;
    CTrayControl tray_;
    bool restart_ = false;
};

}  // namespace tessel::cfgapp
