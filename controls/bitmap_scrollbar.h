// CBitmapScrollbar: a vertical scroll bar drawn from bitmaps (up, down, track, thumb) with arrow
// and track repeat. Right-button and double-click messages are swallowed.
#pragma once

#include <array>

#include "skin_paint.h"
#include "wingui/window.h"

class CBitmapScrollbar : public wingui::Window {
 public:
  static constexpr UINT_PTR kRepeatTimer = 113;
  static constexpr UINT kRepeatMs = 100;

  bool LoadBitmaps(int up, int down, int track, int thumb, HINSTANCE module = nullptr);
  void SetRange(int low, int high, int page);
  void SetPos(int pos);
  int Pos() const;
  // The window that gets WM_VSCROLL (the parent unless a list takes the bar).
  void SetNotifyWindow(HWND window) { notify_ = window; }
  RECT ThumbRect() const;

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  LRESULT OnEraseBackground(HDC) override { return 1; }
  LRESULT OnPaint() override;
  LRESULT OnLButtonDown(UINT flags, POINT p) override;
  LRESULT OnLButtonUp(UINT flags, POINT p) override;
  LRESULT OnMouseMove(UINT flags, POINT p) override;
  LRESULT OnMouseWheel(int delta, UINT flags, POINT p) override;
  LRESULT OnMouseLeave() override;
  LRESULT OnTimer(UINT_PTR id) override;
  LRESULT OnGetText(int size, wchar_t* buffer) override;
  LRESULT OnGetTextLength() override;
  LRESULT OnLButtonDblClk(UINT, POINT) override { return 0; }
  LRESULT OnRButtonDown(UINT, POINT) override { return 0; }
  LRESULT OnRButtonUp(UINT, POINT) override { return 0; }
  LRESULT OnRButtonDblClk(UINT, POINT) override { return 0; }

 private:
  enum Part { kNone, kUp, kDown, kPageUp, kPageDown, kThumb };
  enum Role { kUpArrow, kDownArrow, kTrack, kThumbPicture, kRoles };
  SCROLLINFO Info() const;
  // Arrow and thumb heights, the range the thumb stands for and the pixels it travels.
  struct Track {
    int arrow, thumb, low, pos, span, travel;
  };
  Track Geometry() const;
  Part PartAt(POINT p) const;
  void Act(Part part);
  void Scroll(int code, int pos = 0);
  int PosAt(int y) const;

  std::array<wingui::UniqueBitmap, kRoles> picture_;
  Part pressed_ = kNone;
  int grabOffset_ = 0;
  HWND notify_ = nullptr;
};
