#include "bitmap_slider.h"

#include <cmath>
#include <cwchar>

bool CBitmapSliderCtrl::LoadBitmaps(int track, int fill, int thumb, int thumbPressed,
                                    int thumbDisabled, int thumbMask, HINSTANCE module) {
  bool all = LoadPictures<kRoles>(
      module, {track, fill, thumb, thumbPressed, thumbDisabled, thumbMask}, picture_);
  FitToPicture(hwnd(), picture_[kTrack].get());
  background_.Drop();
  Invalidate();
  return all;
}

void CBitmapSliderCtrl::SetRange(float low, float high) {
  if (!(low < high)) return;
  low_ = low;
  high_ = high;
  value_ = std::fmin(std::fmax(value_, low_), high_);
  Changed();
}

bool CBitmapSliderCtrl::SetValue(float value) {
  if (!(value >= low_ && value <= high_)) return false;
  value_ = value;
  Changed();
  return true;
}

void CBitmapSliderCtrl::SetLabel(HWND label) {
  label_ = label;
  Changed();
}

std::wstring CBitmapSliderCtrl::ValueText() const {
  wchar_t text[32];
  swprintf(text, 32, L"%.2f", static_cast<double>(value_));
  return text;
}

void CBitmapSliderCtrl::Changed() {
  if (label_) SetWindowTextW(label_, ValueText().c_str());
  Invalidate();
}

int CBitmapSliderCtrl::ThumbLeft() const {
  int travel = ClientRect().right - BitmapSize(picture_[kThumb].get()).cx;
  return static_cast<int>(std::lround((value_ - low_) / (high_ - low_) * travel));
}

RECT CBitmapSliderCtrl::ThumbRect() const {
  SIZE t = BitmapSize(picture_[kThumb].get());
  RECT c = ClientRect();
  int left = ThumbLeft(), top = (c.bottom - t.cy) / 2;
  return RECT{left, top, left + t.cx, top + t.cy};
}

float CBitmapSliderCtrl::ValueAt(int x) const {
  int travel = ClientRect().right - BitmapSize(picture_[kThumb].get()).cx;
  if (travel <= 0) return low_;
  float v = low_ + (high_ - low_) * static_cast<float>(x) / static_cast<float>(travel);
  return std::fmin(std::fmax(v, low_), high_);
}

void CBitmapSliderCtrl::StepTowards(int x) {
  RECT t = ThumbRect();
  if (x >= t.left && x < t.right) return;  // the thumb has reached the cursor
  float v = x < t.left ? value_ - step_ : value_ + step_;
  value_ = std::fmin(std::fmax(v, low_), high_);
  stepped_ = true;
  Changed();
  if (callback_) callback_->OnSliderValueChanged(this, value_);
}

LRESULT CBitmapSliderCtrl::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (background_.Dropped(msg)) return 0;
  if (msg == WM_CAPTURECHANGED) dragging_ = false;
  return Window::OnMessage(msg, wp, lp);
}

LRESULT CBitmapSliderCtrl::OnPaint() {
  PaintBuffered(hwnd(), [&](HDC dc, const RECT& c) {
    background_.Draw(hwnd(), dc);
    SIZE track = BitmapSize(picture_[kTrack].get());
    int top = (c.bottom - track.cy) / 2;
    DrawKeyed(dc, 0, top, picture_[kTrack].get());
    RECT t = ThumbRect();
    if (IsEnabled() && picture_[kFill]) {
      // The filled part of the track runs up to the thumb's centre.
      wingui::UniqueRegion clip(CreateRectRgn(0, 0, (t.left + t.right) / 2, c.bottom));
      SelectClipRgn(dc, clip.get());
      DrawKeyed(dc, 0, top, picture_[kFill].get());
      SelectClipRgn(dc, nullptr);
    }
    Role thumb = !IsEnabled() ? kThumbDisabled : dragging_ ? kThumbPressed : kThumb;
    DrawKeyed(dc, t.left, t.top, picture_[thumb].get());
  });
  return 0;
}

LRESULT CBitmapSliderCtrl::OnLButtonDown(UINT, POINT p) {
  RECT t = ThumbRect();
  POINT inThumb{p.x - t.left, p.y - t.top};
  if (BitmapPixel(picture_[kThumbMask].get(), inThumb) == kDefaultMaskKey) {
    dragging_ = true;
    grabOffset_ = inThumb.x;
    SetCapture(hwnd());
    Invalidate();
    if (callback_) callback_->OnSliderThumbPressed(this, value_);
    return 0;
  }
  stepped_ = false;
  cursor_ = p;
  SetCapture(hwnd());
  StartTimer(kRepeatTimer, kRepeatMs);
  return 0;
}

LRESULT CBitmapSliderCtrl::OnLButtonUp(UINT, POINT p) {
  bool wasDragging = dragging_;
  StopTimer(kRepeatTimer);
  if (GetCapture() == hwnd()) ReleaseCapture();
  dragging_ = false;
  if (wasDragging) {
    if (callback_) callback_->OnSliderValueChanged(this, value_);
  } else if (!stepped_) {
    StepTowards(p.x);  // a click shorter than one repeat still moves one step
  }
  stepped_ = true;
  Invalidate();
  SendMessageW(parent(), WM_COMMAND, MAKEWPARAM(id(), 0), reinterpret_cast<LPARAM>(hwnd()));
  return 0;
}

LRESULT CBitmapSliderCtrl::OnLButtonDblClk(UINT, POINT p) {
  StepTowards(p.x);
  return 0;
}

LRESULT CBitmapSliderCtrl::OnMouseMove(UINT, POINT p) {
  SendHelpText(hwnd(), help_);
  cursor_ = p;
  if (dragging_) {
    value_ = ValueAt(p.x - grabOffset_);
    Changed();
  }
  return 0;
}

LRESULT CBitmapSliderCtrl::OnTimer(UINT_PTR id) {
  if (id != kRepeatTimer) return Default();
  StepTowards(cursor_.x);
  return 0;
}

LRESULT CBitmapSliderCtrl::OnGetText(int size, wchar_t* buffer) {
  return CopyText(ValueText(), size, buffer);
}

LRESULT CBitmapSliderCtrl::OnGetTextLength() {
  return static_cast<LRESULT>(ValueText().size());
}
