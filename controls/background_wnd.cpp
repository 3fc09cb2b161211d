#include "background_wnd.h"

bool CBackgroundWnd::SetPicture(int id, HINSTANCE module) {
  wingui::UniqueBitmap b = LoadBitmapResource(module ? module : GetModuleHandleW(nullptr), id);
  if (!b) return false;  // the previous picture stays
  picture_ = std::move(b);
  Invalidate();
  return true;
}

void CBackgroundWnd::DrawBackground(HDC dc, const RECT& client) {
  FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOWFRAME));
  DrawKeyedStretched(dc, client, picture_.get());
}

LRESULT CBackgroundWnd::OnPaint() {
  PaintBuffered(hwnd(), [&](HDC dc, const RECT& c) {
    DrawBackground(dc, c);
    DrawForeground(dc, c);
  });
  return 0;
}

LRESULT CBackgroundWnd::OnLButtonDown(UINT flags, POINT p) {
  pressed_ = true;
  SetCapture(hwnd());
  if (callback_) callback_->OnBackgroundMouse(hwnd(), flags, p.x, p.y, MousePhase::Pressed);
  return 0;
}

LRESULT CBackgroundWnd::OnLButtonUp(UINT flags, POINT p) {
  if (!pressed_) return 0;
  pressed_ = false;
  if (GetCapture() == hwnd()) ReleaseCapture();
  if (callback_) callback_->OnBackgroundMouse(hwnd(), flags, p.x, p.y, MousePhase::Released);
  return 0;
}

LRESULT CBackgroundWnd::OnMouseMove(UINT flags, POINT p) {
  SendHelpText(hwnd(), help_);
  if (pressed_ && callback_)
    callback_->OnBackgroundMouse(hwnd(), flags, p.x, p.y, MousePhase::MovedWhilePressed);
  return 0;
}

void CBackgroundWndV2::Draw(HDC dc, const RECT& client) {
  wingui::UniqueBrush b(CreateSolidBrush(background_));
  FillRect(dc, &client, b.get());
}

LRESULT CBackgroundWndV2::OnPaint() {
  PaintBuffered(hwnd(), [&](HDC dc, const RECT& c) { Draw(dc, c); });
  return 0;
}

LRESULT CBackgroundWndV2::OnLButtonDown(UINT, POINT) {
  SetFocus(hwnd());
  return 0;
}

LRESULT CBackgroundWndV2::OnMouseMove(UINT, POINT) {
  SendHelpText(hwnd(), help_);
  return 0;
}
