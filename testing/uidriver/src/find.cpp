#include "uidriver/find.h"

#include "uidriver/texts.h"

#include <cwchar>

namespace uidriver {

Match byTitle(std::wstring title) { return Match{.title = std::move(title)}; }
Match byClass(std::wstring className) { return Match{.className = std::move(className)}; }
Match byId(int id) { return Match{.id = id}; }

namespace {

std::wstring classOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

bool matches(HWND window, const Match& match) {
    if (match.visible && !IsWindowVisible(window)) return false;
    if (match.processId) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid != match.processId) return false;
    }
    if (match.id) {
        // GWLP_ID of a top-level window is its menu, not an id.
        if (!(GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) || GetDlgCtrlID(window) != *match.id) return false;
    }
    if (match.className && _wcsicmp(classOf(window).c_str(), match.className->c_str()) != 0) return false;
    if (match.title) {
        // A window that stops answering cannot be the one looked for; do not fail the search.
        try {
            if (windowText(window, milliseconds{1000}) != *match.title) return false;
        } catch (const Failure&) {
            return false;
        }
    }
    return true;
}

// Every top-level window of the desktop (all processes), or the root, then the descendants.
std::vector<HWND> windowsUnder(HWND root) {
    std::vector<HWND> all;
    auto add = [](HWND window, LPARAM list) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
        return TRUE;
    };
    std::vector<HWND> tops;
    if (root) {
        EnumChildWindows(root, add, LPARAM(&all));
        return all;
    }
    EnumWindows(add, LPARAM(&tops));
    for (HWND top : tops) {
        all.push_back(top);
        EnumChildWindows(top, add, LPARAM(&all));  // recursive: children of children too
    }
    return all;
}

HWND findPathFrom(std::span<const Match> path, HWND root) {
    if (path.empty()) return root;
    for (HWND window : findAll(path.front(), root)) {
        if (HWND found = findPathFrom(path.subspan(1), window)) return found;
    }
    return nullptr;
}

}  // namespace

std::wstring describe(const Match& match) {
    std::wstring out;
    auto field = [&out](const std::wstring& text) { out += (out.empty() ? L"" : L", ") + text; };
    if (match.title) field(L"title \"" + *match.title + L"\"");
    if (match.className) field(L"class \"" + *match.className + L"\"");
    if (match.id) field(L"id " + std::to_wstring(*match.id));
    if (match.processId) field(L"process " + std::to_wstring(match.processId));
    if (match.visible) field(L"shown");
    return L"a window with " + (out.empty() ? std::wstring(L"any properties") : out);
}

std::wstring describe(std::span<const Match> path) {
    std::wstring out;
    for (const Match& step : path) out += (out.empty() ? L"" : L" containing ") + describe(step);
    return out;
}

std::wstring handleText(HWND window) {
    wchar_t text[32];
    swprintf(text, 32, L"0x%llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)));
    return text;
}

std::wstring describe(HWND window) {
    if (!IsWindow(window)) return L"window " + handleText(window) + L" (destroyed)";
    std::wstring out = L"window " + handleText(window) + L" of class \"" + classOf(window) + L"\"";
    if (GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) out += L", id " + std::to_wstring(GetDlgCtrlID(window));
    try {
        out += L", text \"" + windowText(window, milliseconds{500}) + L"\"";
    } catch (const Failure&) {
        out += L", not answering";
    }
    return out;
}

std::vector<HWND> findAll(const Match& match, HWND root) {
    std::vector<HWND> found;
    for (HWND window : windowsUnder(root)) {
        if (matches(window, match)) found.push_back(window);
    }
    return found;
}

HWND find(const Match& match, HWND root) {
    for (HWND window : windowsUnder(root)) {
        if (matches(window, match)) return window;
    }
    return nullptr;
}

HWND findPath(std::span<const Match> path, HWND root) { return findPathFrom(path, root); }

HWND waitFor(const Match& match, milliseconds timeout, HWND root) {
    HWND found = nullptr;
    waitUntil([&] { return (found = find(match, root)) != nullptr; }, timeout,
              [&] { return describe(match) + L" to appear"; });
    return found;
}

HWND waitForPath(std::span<const Match> path, milliseconds timeout) {
    HWND found = nullptr;
    waitUntil([&] { return (found = findPath(path)) != nullptr; }, timeout,
              [&] { return describe(path) + L" to appear"; });
    return found;
}

void waitGone(HWND window, milliseconds timeout) {
    waitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeout,
              [&] { return describe(window) + L" to go away"; });
}

void waitGone(const Match& match, milliseconds timeout, HWND root) {
    HWND still = nullptr;
    waitUntil([&] { return (still = find(match, root)) == nullptr; }, timeout,
              [&] { return describe(match) + L" to go away; still there: " + describe(still); });
}

}  // namespace uidriver
