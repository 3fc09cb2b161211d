#include "bitmap_scrollbar.h"

#include <algorithm>
#include <string>

bool CBitmapScrollbar::LoadBitmaps(int up, int down, int track, int thumb, HINSTANCE module) {
  bool all = LoadPictures<kRoles>(module, {up, down, track, thumb}, picture_);
  Invalidate();
  return all;
}

SCROLLINFO CBitmapScrollbar::Info() const {
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  GetScrollInfo(hwnd(), SB_CTL, &si);
  return si;
}

// The bar keeps its numbers in the standard control and draws them itself.
void CBitmapScrollbar::SetRange(int low, int high, int page) {
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL;
  si.nMin = low;
  si.nMax = high;
  si.nPage = static_cast<UINT>(std::max(page, 0));
  SetScrollInfo(hwnd(), SB_CTL, &si, FALSE);
  Invalidate();
}

void CBitmapScrollbar::SetPos(int pos) {
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_POS;
  si.nPos = pos;
  SetScrollInfo(hwnd(), SB_CTL, &si, FALSE);
  Invalidate();
}

int CBitmapScrollbar::Pos() const { return Info().nPos; }

CBitmapScrollbar::Track CBitmapScrollbar::Geometry() const {
  RECT c = ClientRect();
  Track t{};
  t.arrow = static_cast<int>(BitmapSize(picture_[kUpArrow].get()).cy);
  t.thumb = static_cast<int>(BitmapSize(picture_[kThumbPicture].get()).cy);
  SCROLLINFO si = Info();
  t.low = si.nMin;
  t.pos = si.nPos;
  t.span = std::max(1, si.nMax - si.nMin - std::max(static_cast<int>(si.nPage) - 1, 0));
  t.travel = std::max(1, static_cast<int>(c.bottom) - 2 * t.arrow - t.thumb);
  return t;
}

RECT CBitmapScrollbar::ThumbRect() const {
  Track t = Geometry();
  int top = t.arrow + static_cast<int>(static_cast<long long>(t.pos - t.low) * t.travel / t.span);
  return RECT{0, top, ClientRect().right, top + t.thumb};
}

int CBitmapScrollbar::PosAt(int y) const {
  Track t = Geometry();
  return t.low + std::clamp(y - t.arrow, 0, t.travel) * t.span / t.travel;
}

CBitmapScrollbar::Part CBitmapScrollbar::PartAt(POINT p) const {
  RECT c = ClientRect();
  if (!PtInRect(&c, p)) return kNone;
  int arrow = static_cast<int>(BitmapSize(picture_[kUpArrow].get()).cy);
  if (p.y < arrow) return kUp;
  if (p.y >= c.bottom - arrow) return kDown;
  RECT t = ThumbRect();
  if (p.y < t.top) return kPageUp;
  if (p.y >= t.bottom) return kPageDown;
  return kThumb;
}

void CBitmapScrollbar::Scroll(int code, int pos) {
  SendMessageW(notify_ ? notify_ : parent(), WM_VSCROLL, MAKEWPARAM(code, pos),
               reinterpret_cast<LPARAM>(hwnd()));
}

void CBitmapScrollbar::Act(Part part) {
  SCROLLINFO si = Info();
  int page = std::max(1, static_cast<int>(si.nPage));
  int last = si.nMax - std::max(static_cast<int>(si.nPage) - 1, 0);
  int pos = si.nPos;
  switch (part) {
    case kUp:
      pos -= 1;
      Scroll(SB_LINEUP);
      break;
    case kDown:
      pos += 1;
      Scroll(SB_LINEDOWN);
      break;
    case kPageUp:
      pos -= page;
      Scroll(SB_PAGEUP);
      break;
    case kPageDown:
      pos += page;
      Scroll(SB_PAGEDOWN);
      break;
    default:
      return;
  }
  SetPos(std::clamp(pos, si.nMin, last));
}

LRESULT CBitmapScrollbar::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CAPTURECHANGED && pressed_ != kNone) {
    StopTimer(kRepeatTimer);
    pressed_ = kNone;
  }
  if (msg == WM_CONTEXTMENU || msg == WM_NCRBUTTONDOWN) return 0;
  return Window::OnMessage(msg, wp, lp);
}

LRESULT CBitmapScrollbar::OnPaint() {
  PaintBuffered(hwnd(), [&](HDC dc, const RECT& c) {
    int arrow = static_cast<int>(BitmapSize(picture_[kUpArrow].get()).cy);
    DrawKeyedStretched(dc, RECT{0, arrow, c.right, c.bottom - arrow}, picture_[kTrack].get());
    DrawKeyed(dc, 0, 0, picture_[kUpArrow].get());
    DrawKeyed(dc, 0, c.bottom - arrow, picture_[kDownArrow].get());
    RECT t = ThumbRect();
    if (IsEnabled()) DrawKeyed(dc, 0, t.top, picture_[kThumbPicture].get());
  });
  return 0;
}

LRESULT CBitmapScrollbar::OnLButtonDown(UINT, POINT p) {
  pressed_ = PartAt(p);
  if (pressed_ == kNone) return 0;
  SetCapture(hwnd());
  if (pressed_ == kThumb) {
    grabOffset_ = p.y - ThumbRect().top;
    return 0;
  }
  Act(pressed_);
  StartTimer(kRepeatTimer, kRepeatMs);
  return 0;
}

LRESULT CBitmapScrollbar::OnLButtonUp(UINT, POINT p) {
  Part was = pressed_;
  StopTimer(kRepeatTimer);
  pressed_ = kNone;
  if (GetCapture() == hwnd()) ReleaseCapture();
  if (was == kThumb) Scroll(SB_THUMBPOSITION, PosAt(p.y - grabOffset_));
  if (was != kNone) Scroll(SB_ENDSCROLL);
  return 0;
}

LRESULT CBitmapScrollbar::OnMouseMove(UINT, POINT p) {
  if (pressed_ != kThumb) return 0;
  int pos = PosAt(p.y - grabOffset_);
  SetPos(pos);
  Scroll(SB_THUMBTRACK, pos);
  return 0;
}

LRESULT CBitmapScrollbar::OnMouseWheel(int delta, UINT, POINT) {
  Act(delta > 0 ? kUp : kDown);
  return 0;
}

LRESULT CBitmapScrollbar::OnMouseLeave() { return 0; }

LRESULT CBitmapScrollbar::OnTimer(UINT_PTR id) {
  if (id != kRepeatTimer) return Default();
  POINT p{};
  GetCursorPos(&p);
  ScreenToClient(hwnd(), &p);
  // Track repeat stops once the thumb reaches the cursor.
  if (PartAt(p) == pressed_ || pressed_ == kUp || pressed_ == kDown) Act(pressed_);
  return 0;
}

LRESULT CBitmapScrollbar::OnGetText(int size, wchar_t* buffer) {
  return CopyText(std::to_wstring(Pos()), size, buffer);
}

LRESULT CBitmapScrollbar::OnGetTextLength() {
  return static_cast<LRESULT>(std::to_wstring(Pos()).size());
}
