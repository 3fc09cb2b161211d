#include "ui_harness.h"

#include <commctrl.h>

#include <intrin.h>

#include <atomic>
#include <thread>

#include "gallery/resource.h"
#include "skin_paint.h"
#include "uidriver/input.h"
#include "wingui/window.h"

KitSession::KitSession() {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS | ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  SetDoubleClickTime(150);
  font_.Register(GetModuleHandleW(nullptr), {IDR_FONT_REGULAR, IDR_FONT_BOLD});
  wingui::Window::RegisterSkinClass(GetModuleHandleW(nullptr));
}

void Pump(int ms) {
  DWORD end = GetTickCount() + static_cast<DWORD>(ms);
  do {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  } while (static_cast<int>(end - GetTickCount()) > 0);
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
  DWORD end = GetTickCount() + static_cast<DWORD>(timeoutMs);
  while (!condition()) {
    if (static_cast<int>(end - GetTickCount()) <= 0) return condition();
    Pump(10);
  }
  return true;
}

void RunScript(const std::function<void()>& script) {
  std::atomic<bool> done{false};
  std::thread runner([&] {
    script();
    done = true;
  });
  while (!done) Pump(10);
  runner.join();
}

void RunScript(const std::function<void()>& script, const std::function<void()>& modal) {
  std::thread runner(script);
  modal();
  runner.join();
}

uint32_t PixelAt(const uidriver::Picture& picture, HWND window, POINT client) {
  POINT p = ScreenPoint(window, client);
  return picture.pixel(p.x, p.y);
}

POINT ScreenPoint(HWND window, POINT client) {
  ClientToScreen(window, &client);
  return client;
}

POINT Centre(HWND window) {
  RECT r = ScreenRect(window);
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

RECT ScreenRect(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

namespace {
void SendMouse(DWORD flags, LONG x = 0, LONG y = 0, DWORD data = 0) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = x;
  in.mi.dy = y;
  in.mi.mouseData = data;
  in.mi.dwFlags = flags;
  SendInput(1, &in, sizeof in);
  Pump(30);
}
}  // namespace

void MoveMouse(POINT screen) {
  int w = GetSystemMetrics(SM_CXSCREEN) - 1, h = GetSystemMetrics(SM_CYSCREEN) - 1;
  SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, MulDiv(screen.x, 65535, w),
            MulDiv(screen.y, 65535, h));
  // The display server may report the pointer late; a press must not land at the old place.
  DWORD end = GetTickCount() + 500;
  POINT now{};
  while (GetCursorPos(&now) && (now.x != screen.x || now.y != screen.y) &&
         static_cast<int>(end - GetTickCount()) > 0)
    Pump(10);
}

void ButtonDown(bool right) { SendMouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN); }
void ButtonUp(bool right) { SendMouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP); }

// Clicks and keys go through the UI driver; presses held over time and the wheel, which it does
// not offer, are sent here.
void Click(POINT screen, bool right) {
  // Two clicks in a row are two clicks, not a double click.
  Pump(static_cast<int>(GetDoubleClickTime()) + 20);
  HWND window = WindowFromPoint(screen);
  POINT client = screen;
  ScreenToClient(window, &client);
  uidriver::clickAt(window, client, right ? uidriver::MouseButton::Right : uidriver::MouseButton::Left);
  Pump(60);
}

void DoubleClick(POINT screen) {
  Pump(static_cast<int>(GetDoubleClickTime()) + 20);
  HWND window = WindowFromPoint(screen);
  POINT client = screen;
  ScreenToClient(window, &client);
  uidriver::doubleClickAt(window, client);
  Pump(60);
}

void Wheel(POINT screen, int notches) {
  MoveMouse(screen);
  SendMouse(MOUSEEVENTF_WHEEL, 0, 0, static_cast<DWORD>(notches * WHEEL_DELTA));
}

void Key(WORD virtualKey) {
  uidriver::pressKey(virtualKey);
  Pump(50);
}

// Wine answers GetGuiResources with 0; there the process's GDI handle table, which the PEB
// points to as on Windows, tells how many objects are alive.
DWORD GdiObjects() {
  if (DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return n;
  struct HandleEntry {
    uint64_t object;
    uint16_t processId;
    uint16_t lock;
    uint16_t unique;
    uint8_t type;
    uint8_t flags;
    uint64_t user;
  };
  static_assert(sizeof(HandleEntry) == 24);
  const auto* peb = reinterpret_cast<const uint8_t*>(__readgsqword(0x60));  // the PEB
  const auto* table = *reinterpret_cast<const HandleEntry* const*>(peb + 0xF8);
  if (!table) return 0;
  DWORD n = 0;
  for (size_t i = 0; i < 0x10000; ++i) n += table[i].type != 0;
  return n;
}
