// CBitmapSliderCtrl: a slider drawn from six bitmaps (track, filled track, thumb, pressed thumb,
// disabled thumb, thumb mask) with a floating-point value shown in an attached label.
#pragma once

#include <array>

#include "parents.h"
#include "skin_paint.h"
#include "wingui/window.h"

class CBitmapSliderCtrl : public wingui::Window {
 public:
  static constexpr UINT_PTR kRepeatTimer = 111;
  static constexpr UINT kRepeatMs = 100;

  bool LoadBitmaps(int track, int fill, int thumb, int thumbPressed, int thumbDisabled,
                   int thumbMask, HINSTANCE module = nullptr);
  void SetRange(float low, float high);
  // A value outside the range is ignored.
  bool SetValue(float value);
  float Value() const { return value_; }
  void SetStep(float step) { step_ = step; }
  void SetLabel(HWND label);
  void SetParentCallback(CSliderCtrlParent* parent) { callback_ = parent; }
  void SetHelpText(const std::wstring& text) { help_ = text; }
  bool Dragging() const { return dragging_; }
  // The thumb's rectangle in client coordinates.
  RECT ThumbRect() const;

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  LRESULT OnEraseBackground(HDC) override { return 1; }
  LRESULT OnPaint() override;
  LRESULT OnLButtonDown(UINT flags, POINT p) override;
  LRESULT OnLButtonUp(UINT flags, POINT p) override;
  LRESULT OnLButtonDblClk(UINT flags, POINT p) override;
  LRESULT OnMouseMove(UINT flags, POINT p) override;
  LRESULT OnTimer(UINT_PTR id) override;
  LRESULT OnGetText(int size, wchar_t* buffer) override;
  LRESULT OnGetTextLength() override;

 private:
  enum Role { kTrack, kFill, kThumb, kThumbPressed, kThumbDisabled, kThumbMask, kRoles };
  float ValueAt(int x) const;
  int ThumbLeft() const;
  void StepTowards(int x);
  void Changed();
  std::wstring ValueText() const;

  std::array<wingui::UniqueBitmap, kRoles> picture_;
  float low_ = 1.0f, high_ = 10.0f, value_ = 5.0f, step_ = 1.0f;
  bool dragging_ = false;
  bool stepped_ = true;  // false from a press on the track until its first step
  int grabOffset_ = 0;
  POINT cursor_{};
  HWND label_ = nullptr;
  CSliderCtrlParent* callback_ = nullptr;
  std::wstring help_;
  BackgroundCopy background_;
};
