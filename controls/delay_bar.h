// CBitmapDelayBarCtrl: a bar that shows a value against its maximum, painted only.
#pragma once

#include "skin_paint.h"
#include "wingui/window.h"

class CBitmapDelayBarCtrl : public wingui::Window {
 public:
  bool LoadBitmaps(int bar, int fill, HINSTANCE module = nullptr);
  void SetRange(int maximum);
  void SetValue(int value);
  int Value() const { return value_; }

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  LRESULT OnEraseBackground(HDC) override { return 1; }
  LRESULT OnPaint() override;
  LRESULT OnGetText(int size, wchar_t* buffer) override;
  LRESULT OnGetTextLength() override;

 private:
  wingui::UniqueBitmap bar_, fill_;
  int maximum_ = 100;
  int value_ = 0;
  BackgroundCopy background_;
};
