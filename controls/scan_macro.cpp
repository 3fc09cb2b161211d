#include "scan_macro.h"

void CScanMacro::Start(const RECT& cover) {
  active_ = true;
  SetWindowPos(hwnd(), HWND_TOP, cover.left, cover.top, cover.right - cover.left, cover.bottom - cover.top,
               SWP_SHOWWINDOW);
  SetFocus(hwnd());
  if (parent_) parent_->OnScanStarted();
}

void CScanMacro::Stop() {
  if (!active_) return;
  active_ = false;
  if (GetCapture() == hwnd()) ReleaseCapture();
  ShowWindow(hwnd(), SW_HIDE);
  if (parent_) parent_->OnScanStopped();
}

LRESULT CScanMacro::OnPaint() {
  PAINTSTRUCT paint;
  BeginPaint(hwnd(), &paint);
  EndPaint(hwnd(), &paint);
  return 0;
}

void CScanMacro::Mouse(int button, bool down) {
  if (!active_ || !parent_) return;
  // The release arrives here even when the pointer has left the field meanwhile.
  if (down) SetCapture(hwnd()); else if (GetCapture() == hwnd()) ReleaseCapture();
  if (down) parent_->OnScanMouseDown(button); else parent_->OnScanMouseUp(button);
}

LRESULT CScanMacro::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS | DLGC_WANTCHARS | DLGC_WANTMESSAGE;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (active_ && parent_) parent_->OnScanKeyDown(HIWORD(lp) & (kKeyCode | kRepeat));
      return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (active_ && parent_) parent_->OnScanKeyUp(HIWORD(lp) & kKeyCode);
      return 0;
    case WM_CHAR:
    case WM_SYSCHAR: return 0;  // keys alone count; Alt and F10 must not reach the window menu
    case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: Mouse(1, true); return 0;
    case WM_LBUTTONUP: Mouse(1, false); return 0;
    case WM_MBUTTONDOWN: case WM_MBUTTONDBLCLK: Mouse(2, true); return 0;
    case WM_MBUTTONUP: Mouse(2, false); return 0;
    case WM_RBUTTONDOWN: case WM_RBUTTONDBLCLK: Mouse(3, true); return 0;
    case WM_RBUTTONUP: Mouse(3, false); return 0;
    case WM_XBUTTONDOWN: case WM_XBUTTONDBLCLK: Mouse(HIWORD(wp) == XBUTTON1 ? 4 : 5, true); return TRUE;
    case WM_XBUTTONUP: Mouse(HIWORD(wp) == XBUTTON1 ? 4 : 5, false); return TRUE;
    case WM_KILLFOCUS:
      if (active_ && parent_) parent_->OnScanFocusLost();
      return 0;
    default: return Window::OnMessage(msg, wp, lp);
  }
}
