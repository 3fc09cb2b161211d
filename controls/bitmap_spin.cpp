#include "bitmap_spin.h"

#include <algorithm>

#include "art_ids.h"

void CBitmapSpinCtrl::OnAttached() {
  HWND self = hwnd();
  SIZE field = BitmapSize(LoadBitmapResource(GetModuleHandleW(nullptr), IDB_SPIN_FIELD).get());
  const DWORD style = WS_CHILD | WS_VISIBLE | BS_OWNERDRAW;
  field_.Create(L"Button", L"", style, 0, RECT{0, 0, field.cx, field.cy}, self, kFieldId);
  field_.LoadBitmaps(IDB_SPIN_FIELD, 0, 0, -1, -1, -1, -1);
  field_.SetFont(14, L"", RGB(232, 236, 242), RGB(232, 236, 242), RGB(232, 236, 242),
                 RGB(90, 96, 107), false);
  int x = field.cx + 2;
  up_.Create(L"Button", L"", style, 0, RECT{x, 0, x + 20, 13}, self, kUpId);
  up_.LoadBitmaps(IDB_SPIN_UP, IDB_SPIN_UP_PRESSED, IDB_SPIN_UP_HOVER, -1, -1, -1, -1);
  down_.Create(L"Button", L"", style, 0, RECT{x, 13, x + 20, 26}, self, kDownId);
  down_.LoadBitmaps(IDB_SPIN_DOWN, IDB_SPIN_DOWN_PRESSED, IDB_SPIN_DOWN_HOVER, -1, -1, -1, -1);
  up_.SetNotification(true, +1, this);
  down_.SetNotification(true, -1, this);
  SetWindowPos(self, nullptr, 0, 0, x + 20, std::max<LONG>(field.cy, 26),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowValue();
}

void CBitmapSpinCtrl::OnDestroyed() {
  // The children go with this window; their objects let go of them first.
  field_.Detach();
  up_.Detach();
  down_.Detach();
}

void CBitmapSpinCtrl::SetRange(int low, int high, int step) {
  if (low > high || step <= 0) return;
  low_ = low;
  high_ = high;
  step_ = step;
  SetValue(value_);
}

void CBitmapSpinCtrl::SetValue(int value) {
  value_ = std::clamp(value, low_, high_);
  ShowValue();
}

void CBitmapSpinCtrl::SetHelpText(const std::wstring& text) {
  help_ = text;
  field_.SetHelpText(text);
  up_.SetHelpText(text);
  down_.SetHelpText(text);
}

void CBitmapSpinCtrl::ShowValue() {
  if (field_.hwnd()) field_.SetCaption(std::to_wstring(value_));
}

void CBitmapSpinCtrl::Forward(int childId) {
  SendMessageW(parent(), WM_COMMAND, MAKEWPARAM(id(), childId), reinterpret_cast<LPARAM>(hwnd()));
}

// A step of the up or down button.
void CBitmapSpinCtrl::OnHoverButtonV2(int controlId, int) {
  SetValue(value_ + (controlId == kUpId ? step_ : -step_));
  Forward(controlId);
}

LRESULT CBitmapSpinCtrl::OnCommand(int id, int, HWND) {
  // Steps come through the callback; a click on the field is passed on as it is.
  if (id == kFieldId) Forward(kFieldId);
  return 0;
}

LRESULT CBitmapSpinCtrl::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case wingui::kParentPixelsChanged:
      background_.Dropped(msg);
      NotifyChildrenPixelsChanged();
      return 0;
    case WM_PRINT:
      // The box has no picture of its own: its children see what lies under it.
      background_.Draw(hwnd(), reinterpret_cast<HDC>(wp));
      return 0;
    default: return Window::OnMessage(msg, wp, lp);
  }
}

LRESULT CBitmapSpinCtrl::OnPaint() {
  wingui::PaintDc paint(hwnd());
  background_.Draw(hwnd(), paint.get());
  return 0;
}

LRESULT CBitmapSpinCtrl::OnMouseMove(UINT, POINT) {
  SendHelpText(hwnd(), help_);
  return 0;
}

LRESULT CBitmapSpinCtrl::OnGetText(int size, wchar_t* buffer) {
  return CopyText(std::to_wstring(value_), size, buffer);
}

LRESULT CBitmapSpinCtrl::OnGetTextLength() {
  return static_cast<LRESULT>(std::to_wstring(value_).size());
}
