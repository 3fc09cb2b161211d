#include "hover_button.h"

bool CHoverButton::LoadBitmaps(int normal, int ticked, int hover, int disabled,
                               HINSTANCE module) {
  if (!module) module = GetModuleHandleW(nullptr);
  std::array<int, kRoles> ids{normal, ticked, hover, disabled};
  for (int r = 0; r < kRoles; ++r) {
    wingui::UniqueBitmap b = LoadBitmapResource(module, ids[r]);
    if (b) {  // a picture that cannot be loaded keeps the previous one
      owned_[r] = std::move(b);
      picture_[r] = owned_[r].get();
    } else if (!owned_[r]) {
      picture_[r] = picture_[kNormal];
    }
  }
  FitToPicture(hwnd(), picture_[kNormal]);
  background_.Drop();
  Invalidate();
  return picture_[kNormal] != nullptr;
}

LRESULT CHoverButton::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (background_.Dropped(msg)) return 0;
  return Window::OnMessage(msg, wp, lp);
}

LRESULT CHoverButton::OnLButtonUp(UINT, POINT) {
  SetTicked(!ticked_);
  return Default();
}

LRESULT CHoverButton::OnMouseMove(UINT, POINT) {
  tracking_.OnMove(hwnd());
  return Default();
}

LRESULT CHoverButton::OnMouseHover(UINT, POINT) {
  hover_ = true;
  Invalidate();
  if (owner_ && !help_.empty()) owner_->ShowHelpText(help_);
  return Default();
}

LRESULT CHoverButton::OnMouseLeave() {
  tracking_.OnLeave();
  hover_ = false;
  Invalidate();
  return Default();
}

bool CHoverButton::OnDrawItem(DRAWITEMSTRUCT& d) {
  RECT client = ClientRect();
  wingui::Canvas canvas(d.hDC, client.right, client.bottom);
  background_.Draw(hwnd(), canvas.dc());
  Role role = !IsEnabled() ? kDisabled : ticked_ ? kTicked : hover_ ? kHover : kNormal;
  DrawKeyedStretched(canvas.dc(), client, picture_[role]);
  if (!font_) font_ = MakeFont(14, DefaultFaceName(), false);
  DrawCaption(canvas.dc(), client, Text(), font_.get(),
              IsEnabled() ? RGB(232, 236, 242) : RGB(90, 96, 107),
              DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  BitBlt(d.hDC, 0, 0, client.right, client.bottom, canvas.dc(), 0, 0, SRCCOPY);
  return true;
}
