// The other programs of the suite as the tray sees them: windows found by title, messages sent
// with a bound on the wait, programs started by absolute path.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace tessel::tray {

inline constexpr wchar_t kTrayWindowClass[] = L"Kavix_Tessel_Tray";
inline constexpr wchar_t kTrayWindowTitle[] = L"Kavix Tessel Tray";
// The hidden marker control in the configurator's main dialog.
inline constexpr wchar_t kConfiguratorMarker[] = L"memu_Marlo_2";
inline constexpr wchar_t kConfiguratorProgram[] = L"TesselCfg.exe";
inline constexpr wchar_t kRestartProgram[] = L"lhc.exe";
inline constexpr wchar_t kRestartArguments[] = L"KavixTesselTray.exe /r";

// Messages between the programs.
inline constexpr UINT kReloadProfilesMessage = WM_USER + 14;
inline constexpr UINT kSettingsChangedMessage = WM_USER + 16;
inline constexpr UINT kOpenConfiguratorMessage = WM_USER + 17;
inline constexpr UINT kCloseTrayMessage = WM_USER + 18;
inline constexpr UINT kHandshakeMessage = WM_USER + 301;
inline constexpr LRESULT kHandshakeAnswer = 0x2A3B4C5D;

// The window whose text is `title` among all top-level windows and their descendants; the last
// one in enumeration order when there are several. Null when there is none.
HWND findWindowByTitle(std::wstring_view title);

// SendMessage that gives up after two seconds or at once when the receiver hangs, so a hung
// configurator never freezes the tray. The answer, or 0.
LRESULT sendBounded(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

// The folder programs of the suite are started from: the installation folder when there is one,
// else the folder of this program. Ends in a separator.
std::wstring programFolder(const std::wstring& installDir);

// Starts `program` of `folder` (verb "open", shown normally) with `folder` as its current
// directory. False when it could not be started.
bool startProgram(const std::wstring& folder, std::wstring_view program, std::wstring_view arguments = {});

// The file name (without folder) of the program that owns `window`; empty when unknown.
std::wstring programNameOfWindow(HWND window);

}  // namespace tessel::tray
