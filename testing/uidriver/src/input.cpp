#include "uidriver/input.h"

#include "uidriver/find.h"

#include <vector>

namespace uidriver {

namespace {

void send(std::vector<INPUT> inputs) {
    const UINT sent = SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
    if (sent != inputs.size())
        throw Failure("SendInput accepted " + std::to_string(sent) + " of " + std::to_string(inputs.size()) +
                      " events (error " + std::to_string(GetLastError()) + ")");
}

INPUT mouse(DWORD flags, LONG dx = 0, LONG dy = 0) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = dx;
    in.mi.dy = dy;
    in.mi.dwFlags = flags;
    return in;
}

// Absolute coordinates are 0..65535 over the virtual screen; rounding up makes the system's
// conversion back (which truncates) land on exactly this pixel.
LONG normalised(LONG pixel, LONG origin, LONG extent) {
    return LONG(((long long)(pixel - origin) * 65536 + extent - 1) / extent);
}

POINT screenPoint(HWND window, POINT clientPoint) {
    if (!IsWindow(window)) throw Failure(L"cannot click " + describe(window));
    POINT at = clientPoint;
    ClientToScreen(window, &at);
    // The click lands on whatever is on top at that point; say so rather than click elsewhere.
    HWND top = WindowFromPoint(at);
    if (!top || GetAncestor(top, GA_ROOT) != GetAncestor(window, GA_ROOT))
        throw Failure(L"the point (" + std::to_wstring(at.x) + L"," + std::to_wstring(at.y) + L") of " + describe(window) +
                      L" is covered by " + (top ? describe(top) : std::wstring(L"no window")));
    return at;
}

POINT centre(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return {(client.right - client.left) / 2, (client.bottom - client.top) / 2};
}

void moveToScreen(POINT at) {
    const LONG left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const LONG width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    send({mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK, normalised(at.x, left, width),
                normalised(at.y, top, height))});
    POINT now{};
    GetCursorPos(&now);
    if (now.x != at.x || now.y != at.y)
        throw Failure("the pointer went to (" + std::to_string(now.x) + "," + std::to_string(now.y) + ") instead of (" +
                      std::to_string(at.x) + "," + std::to_string(at.y) + ")");
}

INPUT key(WORD virtualKey, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = virtualKey;
    in.ki.wScan = WORD(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    switch (virtualKey) {  // keys of the extended block
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_HOME: case VK_END: case VK_PRIOR:
    case VK_NEXT: case VK_INSERT: case VK_DELETE: case VK_RCONTROL: case VK_RMENU: case VK_DIVIDE:
        in.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
        break;
    default:
        break;
    }
    if (up) in.ki.dwFlags |= KEYEVENTF_KEYUP;
    return in;
}

}  // namespace

void moveTo(HWND window, POINT clientPoint) { moveToScreen(screenPoint(window, clientPoint)); }

void clickAt(HWND window, POINT clientPoint, MouseButton button) {
    moveTo(window, clientPoint);
    const bool left = button == MouseButton::Left;
    send({mouse(left ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_RIGHTDOWN), mouse(left ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_RIGHTUP)});
}

void click(HWND window, MouseButton button) { clickAt(window, centre(window), button); }

void doubleClickAt(HWND window, POINT clientPoint) {
    moveTo(window, clientPoint);
    send({mouse(MOUSEEVENTF_LEFTDOWN), mouse(MOUSEEVENTF_LEFTUP), mouse(MOUSEEVENTF_LEFTDOWN), mouse(MOUSEEVENTF_LEFTUP)});
}

void doubleClick(HWND window) { doubleClickAt(window, centre(window)); }

void clickByMessage(HWND button) {
    if (!PostMessageW(button, BM_CLICK, 0, 0)) throw Failure(L"cannot post BM_CLICK to " + describe(button));
}

void sendCommand(HWND control, WORD notification) {
    HWND parent = GetParent(control);
    if (!parent || !PostMessageW(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), notification), LPARAM(control)))
        throw Failure(L"cannot post WM_COMMAND for " + describe(control));
}

void pressKey(WORD virtualKey) { send({key(virtualKey, false), key(virtualKey, true)}); }

void pressKeys(std::span<const WORD> chord) {
    std::vector<INPUT> inputs;
    for (WORD k : chord) inputs.push_back(key(k, false));
    for (auto k = std::rbegin(chord); k != std::rend(chord); ++k) inputs.push_back(key(*k, true));
    send(inputs);
}

void typeText(std::wstring_view text) {
    std::vector<INPUT> inputs;
    for (wchar_t c : text) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wScan = c;
        in.ki.dwFlags = KEYEVENTF_UNICODE;
        inputs.push_back(in);
        in.ki.dwFlags |= KEYEVENTF_KEYUP;
        inputs.push_back(in);
    }
    if (!inputs.empty()) send(inputs);
}

void bringToFront(HWND window, milliseconds timeout) {
    HWND root = GetAncestor(window, GA_ROOT);
    if (!root) throw Failure(L"cannot bring " + describe(window) + L" to the front");
    waitUntil([&] { return GetForegroundWindow() == root || (SetForegroundWindow(root), GetForegroundWindow() == root); },
              timeout, [&] { return describe(root) + L" to become the foreground window"; });
}

}  // namespace uidriver
