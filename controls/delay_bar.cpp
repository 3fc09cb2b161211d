#include "delay_bar.h"

#include <algorithm>
#include <string>

bool CBitmapDelayBarCtrl::LoadBitmaps(int bar, int fill, HINSTANCE module) {
  if (!module) module = GetModuleHandleW(nullptr);
  wingui::UniqueBitmap b = LoadBitmapResource(module, bar), f = LoadBitmapResource(module, fill);
  bool all = b && f;  // a picture that cannot be loaded keeps the previous one
  if (b) bar_ = std::move(b);
  if (f) fill_ = std::move(f);
  FitToPicture(hwnd(), bar_.get());
  Invalidate();
  return all;
}

void CBitmapDelayBarCtrl::SetRange(int maximum) {
  maximum_ = std::max(1, maximum);
  SetValue(value_);
}

void CBitmapDelayBarCtrl::SetValue(int value) {
  value_ = std::clamp(value, 0, maximum_);
  Invalidate();
}

LRESULT CBitmapDelayBarCtrl::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (background_.Dropped(msg)) return 0;
  return Window::OnMessage(msg, wp, lp);
}

LRESULT CBitmapDelayBarCtrl::OnPaint() {
  PaintBuffered(hwnd(), [&](HDC dc, const RECT& c) {
    background_.Draw(hwnd(), dc);
    DrawKeyed(dc, 0, 0, bar_.get());
    int filled = static_cast<int>(static_cast<long long>(c.right) * value_ / maximum_);
    if (filled > 0 && fill_) {
      wingui::UniqueMemoryDc src(CreateCompatibleDC(dc));
      wingui::Selected sel(src.get(), fill_.get());
      SIZE s = BitmapSize(fill_.get());
      TransparentBlt(dc, 0, 0, std::min<LONG>(filled, s.cx), s.cy, src.get(), 0, 0,
                     std::min<LONG>(filled, s.cx), s.cy, kTransparentKey);
    }
  });
  return 0;
}

LRESULT CBitmapDelayBarCtrl::OnGetText(int size, wchar_t* buffer) {
  return CopyText(std::to_wstring(value_), size, buffer);
}

LRESULT CBitmapDelayBarCtrl::OnGetTextLength() {
  return static_cast<LRESULT>(std::to_wstring(value_).size());
}
