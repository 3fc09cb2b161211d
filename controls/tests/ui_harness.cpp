#include "ui_harness.h"

#include <commctrl.h>

#include <intrin.h>

#include <atomic>
#include <thread>

#include "gallery/resource.h"
#include "skin_paint.h"
#include "wingui/window.h"

namespace {
HDESK g_desktop = nullptr;

// The prefix's default desktop may have been made before this test's display existed; a desktop
// of our own gets its window from this process, on this display.
void UseOwnDesktop() {
  if (g_desktop) {
    SetThreadDesktop(g_desktop);
    return;
  }
  wchar_t name[64];
  wsprintfW(name, L"tessel-ui-%lu", GetCurrentProcessId());
  // The desktop's size comes from the prefix's settings; the whole display is wanted.
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Explorer\\Desktops", 0, nullptr, 0,
                      KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
    const wchar_t size[] = L"1280x1024";
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(size), sizeof size);
    RegCloseKey(key);
  }
  g_desktop = CreateDesktopW(name, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
  if (g_desktop) SetThreadDesktop(g_desktop);
}
}  // namespace

KitSession::KitSession() {
  UseOwnDesktop();
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
    UseOwnDesktop();
    script();
    done = true;
  });
  while (!done) Pump(10);
  runner.join();
}

void RunScript(const std::function<void()>& script, const std::function<void()>& modal) {
  std::thread runner([&] {
    UseOwnDesktop();
    script();
  });
  modal();
  runner.join();
}

uint32_t Capture::At(HWND window, POINT client) const {
  POINT p = ScreenPoint(window, client);
  return At(p.x, p.y);
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

void Click(POINT screen, bool right) {
  // Two clicks in a row are two clicks, not a double click.
  Pump(static_cast<int>(GetDoubleClickTime()) + 20);
  MoveMouse(screen);
  ButtonDown(right);
  ButtonUp(right);
}

void DoubleClick(POINT screen) {
  MoveMouse(screen);
  for (int i = 0; i < 2; ++i) {
    ButtonDown();
    ButtonUp();
  }
}

void Wheel(POINT screen, int notches) {
  MoveMouse(screen);
  SendMouse(MOUSEEVENTF_WHEEL, 0, 0, static_cast<DWORD>(notches * WHEEL_DELTA));
}

void Key(WORD virtualKey) {
  INPUT in[2]{};
  for (auto& i : in) {
    i.type = INPUT_KEYBOARD;
    i.ki.wVk = virtualKey;
    i.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
  }
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, in, sizeof in[0]);
  Pump(50);
}

uint64_t Capture::Hash(const RECT& r) const {
  uint64_t h = 1469598103934665603ull;
  for (int y = std::max<LONG>(r.top, 0); y < std::min<LONG>(r.bottom, height); ++y)
    for (int x = std::max<LONG>(r.left, 0); x < std::min<LONG>(r.right, width); ++x)
      h = (h ^ At(x, y)) * 1099511628211ull;
  return h;
}

int Capture::Count(uint32_t colour, const RECT& r) const {
  int n = 0;
  for (int y = std::max<LONG>(r.top, 0); y < std::min<LONG>(r.bottom, height); ++y)
    for (int x = std::max<LONG>(r.left, 0); x < std::min<LONG>(r.right, width); ++x)
      n += At(x, y) == colour;
  return n;
}

Capture CaptureScreen() {
  Capture c;
  c.width = GetSystemMetrics(SM_CXSCREEN);
  c.height = GetSystemMetrics(SM_CYSCREEN);
  c.pixels.resize(static_cast<size_t>(c.width) * c.height);
  HDC screen = GetDC(nullptr);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = c.width;
  bi.bmiHeader.biHeight = -c.height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC mem = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(mem, dib);
  BitBlt(mem, 0, 0, c.width, c.height, screen, 0, 0, SRCCOPY);
  GdiFlush();
  const auto* p = static_cast<const uint32_t*>(bits);
  for (size_t i = 0; i < c.pixels.size(); ++i) c.pixels[i] = p[i] & 0xFFFFFF;
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(dib);
  ReleaseDC(nullptr, screen);
  return c;
}

std::wstring SaveArtefact(const Capture& c, const std::wstring& name) {
  std::wstring dir = TESSEL_ARTEFACTS;
  CreateDirectoryW(dir.c_str(), nullptr);
  std::wstring path = dir + L"\\" + name;
  std::vector<uint32_t> argb(c.pixels);
  for (auto& v : argb) v |= 0xFF000000u;
  Gdiplus::Bitmap image(c.width, c.height, c.width * 4, PixelFormat32bppARGB,
                        reinterpret_cast<BYTE*>(argb.data()));
  // The PNG encoder's class id.
  const CLSID png = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
  image.Save(path.c_str(), &png, nullptr);
  return path;
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
