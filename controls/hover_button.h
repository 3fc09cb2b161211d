// CHoverButton: the older bitmap button. Every release toggles its tick state; on hover it hands
// its help text straight to the owning dialog.
#pragma once

#include <array>
#include <string>

#include "parents.h"
#include "skin_paint.h"
#include "wingui/window.h"

class CHoverButton : public wingui::Window {
 public:
  // Normal, ticked, hover and disabled pictures; 0 reuses the normal one.
  bool LoadBitmaps(int normal, int ticked, int hover, int disabled, HINSTANCE module = nullptr);
  void SetOwner(HelpTextOwner* owner) { owner_ = owner; }
  void SetHelpText(const std::wstring& text) { help_ = text; }
  void SetTicked(bool on) { ticked_ = on; Invalidate(); }
  bool Ticked() const { return ticked_; }
  bool Hovering() const { return hover_; }

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  bool OnDrawItem(DRAWITEMSTRUCT& d) override;
  LRESULT OnEraseBackground(HDC) override { return 1; }
  LRESULT OnLButtonUp(UINT flags, POINT p) override;
  LRESULT OnMouseMove(UINT flags, POINT p) override;
  LRESULT OnMouseHover(UINT flags, POINT p) override;
  LRESULT OnMouseLeave() override;

 private:
  enum Role { kNormal, kTicked, kHover, kDisabled, kRoles };
  std::array<wingui::UniqueBitmap, kRoles> owned_;
  std::array<HBITMAP, kRoles> picture_{};
  bool ticked_ = false;
  bool hover_ = false;
  std::wstring help_;
  HelpTextOwner* owner_ = nullptr;
  wingui::UniqueFont font_;
  HoverTracking tracking_;
  BackgroundCopy background_;
};
