// Finding windows among all descendants of every process's top-level windows.
#pragma once

#include "uidriver/failure.h"

#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace uidriver {

// What a window must have; empty fields match anything.
struct Match {
    std::optional<std::wstring> title{};      // exact text (WM_GETTEXT, so skinned controls match)
    std::optional<std::wstring> className{};  // window class, case-insensitive as in Windows
    std::optional<int> id{};                  // control id of a child window
    DWORD processId = 0;                      // 0: any process
    bool visible = false;                     // true: only windows that are shown
};

Match byTitle(std::wstring title);
Match byClass(std::wstring className);
Match byId(int id);

// A window handle as "0x…", the form uidriver.exe prints and takes back in hwnd=.
std::wstring handleText(HWND window);

// How a window or a match reads in a failure message.
std::wstring describe(const Match& match);
std::wstring describe(HWND window);

// All windows that match, in Z-order, each top-level window before its descendants. With no
// root, the search covers every top-level window of every process and all their descendants.
std::vector<HWND> findAll(const Match& match, HWND root = nullptr);
HWND find(const Match& match, HWND root = nullptr);  // the first, or nullptr

// A path: each step is searched among the descendants of the window the previous step found
// (any window the previous step matches is tried, so an ambiguous early step still resolves).
HWND findPath(std::span<const Match> path, HWND root = nullptr);
std::wstring describe(std::span<const Match> path);

HWND waitFor(const Match& match, milliseconds timeout = kDefaultTimeout, HWND root = nullptr);
HWND waitForPath(std::span<const Match> path, milliseconds timeout = kDefaultTimeout);
inline HWND waitForPath(std::initializer_list<Match> path, milliseconds timeout = kDefaultTimeout) {
    return waitForPath(std::span<const Match>(path.begin(), path.size()), timeout);
}

// Waits until the window is destroyed or hidden, or until nothing matches any more.
void waitGone(HWND window, milliseconds timeout = kDefaultTimeout);
void waitGone(const Match& match, milliseconds timeout = kDefaultTimeout, HWND root = nullptr);

}  // namespace uidriver
