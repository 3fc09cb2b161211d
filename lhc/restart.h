// What lhc.exe does: wait (bounded) until the old tray has ended, then start the program it
// was given from lhc's own folder, never from the current directory or the search path.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace lhc {

// The tray's window class: its window lives as long as the old tray does.
inline constexpr wchar_t kTrayWindowClass[] = L"Kavix_Tessel_Tray";
// How long the old tray may take to end before the new one is started anyway.
inline constexpr DWORD kWaitForTrayMs = 10000;

struct RestartRequest {
    std::wstring program;   // a plain file name in lhc's folder
    std::wstring arguments; // passed on unchanged
};

// Reads "program arguments..." (the program optionally quoted). No text means the tray with
// "/r". Returns nothing when the program is not a plain file name (a path, a drive, "..").
std::optional<RestartRequest> parseRestartRequest(std::wstring_view commandLine);

// Waits until no window of the tray's class remains and its process has ended, at most
// `timeoutMs`. Returns false on time-out.
bool waitForTrayToEnd(DWORD timeoutMs);

// Starts the program by its absolute path in the folder of this executable, with that folder
// as its current directory. Returns false when it cannot be started.
bool startFromOwnFolder(const RestartRequest& request);

} // namespace lhc
