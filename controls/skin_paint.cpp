#include "skin_paint.h"

#include <algorithm>

namespace {
std::wstring& FaceName() {
  static std::wstring face = L"Play";
  return face;
}
}  // namespace

void SetDefaultFaceName(const std::wstring& face) { FaceName() = face; }
const std::wstring& DefaultFaceName() { return FaceName(); }

namespace {
KitTextLookup g_kitTextLookup = nullptr;
}  // namespace

void SetKitTextLookup(KitTextLookup lookup) { g_kitTextLookup = lookup; }
std::wstring KitText(std::wstring_view source) {
  return g_kitTextLookup ? g_kitTextLookup(source) : std::wstring(source);
}

wingui::UniqueFont MakeFont(int height, const std::wstring& face, bool bold) {
  return wingui::UniqueFont(CreateFontW(-height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE,
                                        FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                        DEFAULT_PITCH | FF_DONTCARE, face.c_str()));
}

wingui::UniqueBitmap LoadBitmapResource(HINSTANCE module, int id) {
  if (id <= 0) return {};
  return wingui::UniqueBitmap(static_cast<HBITMAP>(
      LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP bm{};
  if (!bitmap || !GetObjectW(bitmap, sizeof bm, &bm)) return SIZE{0, 0};
  return SIZE{bm.bmWidth, bm.bmHeight};
}

void FitToPicture(HWND window, HBITMAP picture) {
  SIZE s = BitmapSize(picture);
  if (window && s.cx > 0 && s.cy > 0)
    SetWindowPos(window, nullptr, 0, 0, s.cx, s.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void DrawKeyedStretched(HDC dc, const RECT& to, HBITMAP bitmap) {
  if (!bitmap) return;
  SIZE s = BitmapSize(bitmap);
  wingui::UniqueMemoryDc src(CreateCompatibleDC(dc));
  wingui::Selected sel(src.get(), bitmap);
  RECT part = to;
  RECT clip{};
  // Unstretched pictures copy only the part the context will keep (a large panel is often
  // painted for a control's small background copy).
  if (s.cx == to.right - to.left && s.cy == to.bottom - to.top &&
      GetClipBox(dc, &clip) != ERROR && !IntersectRect(&part, &to, &clip))
    return;
  if (s.cx != to.right - to.left || s.cy != to.bottom - to.top) part = to;
  int sx = (part.left - to.left) * s.cx / std::max<LONG>(1, to.right - to.left);
  int sy = (part.top - to.top) * s.cy / std::max<LONG>(1, to.bottom - to.top);
  int sw = (part.right - part.left) * s.cx / std::max<LONG>(1, to.right - to.left);
  int sh = (part.bottom - part.top) * s.cy / std::max<LONG>(1, to.bottom - to.top);
  TransparentBlt(dc, part.left, part.top, part.right - part.left, part.bottom - part.top,
                 src.get(), sx, sy, sw, sh, kTransparentKey);
}

void DrawKeyed(HDC dc, int x, int y, HBITMAP bitmap) {
  SIZE s = BitmapSize(bitmap);
  DrawKeyedStretched(dc, RECT{x, y, x + s.cx, y + s.cy}, bitmap);
}

COLORREF BitmapPixel(HBITMAP bitmap, POINT p) {
  SIZE s = BitmapSize(bitmap);
  if (p.x < 0 || p.y < 0 || p.x >= s.cx || p.y >= s.cy) return CLR_INVALID;
  wingui::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  wingui::Selected sel(dc.get(), bitmap);
  return GetPixel(dc.get(), p.x, p.y);
}

void DrawCaption(HDC dc, RECT r, const std::wstring& text, HFONT font, COLORREF colour,
                 UINT format) {
  if (text.empty()) return;
  wingui::SavedDc saved(dc);
  SelectObject(dc, font);
  SetTextColor(dc, colour);
  SetBkMode(dc, TRANSPARENT);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
}

void SendHelpText(HWND control, const std::wstring& text) {
  if (text.empty()) return;
  SendMessageW(GetParent(control), kHelpTextMessage, reinterpret_cast<WPARAM>(text.c_str()),
               reinterpret_cast<LPARAM>(control));
}

void BackgroundCopy::Take(HWND control, HDC like) {
  RECT r{};
  GetClientRect(control, &r);
  HWND parent = GetParent(control);
  POINT at{0, 0};
  MapWindowPoints(control, parent, &at, 1);
  wingui::UniqueBitmap copy(CreateCompatibleBitmap(like, r.right > 0 ? r.right : 1,
                                                   r.bottom > 0 ? r.bottom : 1));
  wingui::UniqueMemoryDc dc(CreateCompatibleDC(like));
  {
    wingui::Selected sel(dc.get(), copy.get());
    // Parents that paint no picture show their class brush colour.
    FillRect(dc.get(), &r, GetSysColorBrush(COLOR_BTNFACE));
    SetViewportOrgEx(dc.get(), -at.x, -at.y, nullptr);
    SendMessageW(parent, WM_PRINT, reinterpret_cast<WPARAM>(dc.get()),
                 PRF_ERASEBKGND | PRF_CLIENT);
  }
  bitmap_ = std::move(copy);
}

void BackgroundCopy::Draw(HWND control, HDC dc) {
  if (!bitmap_) Take(control, dc);
  SIZE s = BitmapSize(bitmap_.get());
  wingui::UniqueMemoryDc src(CreateCompatibleDC(dc));
  wingui::Selected sel(src.get(), bitmap_.get());
  BitBlt(dc, 0, 0, s.cx, s.cy, src.get(), 0, 0, SRCCOPY);
}

void HoverTracking::OnMove(HWND hwnd) {
  if (armed_) return;
  TRACKMOUSEEVENT t{sizeof t, TME_HOVER | TME_LEAVE, hwnd, 1};
  armed_ = TrackMouseEvent(&t) != FALSE;
}
