// What every skinned control shares: loading its pictures, colour-keyed copies, the copy of the
// parent's pixels under it, hover tracking and the help-text message.
#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <string_view>

#include "wingui/handles.h"
#include "wingui/window.h"

// Sent to the parent with wParam = the help text (const wchar_t*), lParam = the control.
constexpr UINT kHelpTextMessage = WM_USER + 201;
constexpr COLORREF kTransparentKey = RGB(255, 0, 255);
constexpr COLORREF kDefaultMaskKey = RGB(0, 255, 0);

// The face name skinned texts use unless a control is told otherwise.
void SetDefaultFaceName(const std::wstring& face);
const std::wstring& DefaultFaceName();
wingui::UniqueFont MakeFont(int height, const std::wstring& face, bool bold);

// The kit's own texts ("On", "Press a key", the delay row's format) in the program's language:
// the program hands in its lookup, which keeps a format's translation only when its conversions
// are those of the source. Without one the texts stay as written.
using KitTextLookup = std::wstring (*)(std::wstring_view source);
void SetKitTextLookup(KitTextLookup lookup);
std::wstring KitText(std::wstring_view source);

// Paints a window through a memory context: draw gets the context and the client rectangle.
template <typename Draw>
void PaintBuffered(HWND window, Draw draw) {
  wingui::PaintDc paint(window);
  RECT c{};
  GetClientRect(window, &c);
  wingui::Canvas canvas(paint.get(), c.right, c.bottom);
  draw(canvas.dc(), c);
  BitBlt(paint.get(), 0, 0, c.right, c.bottom, canvas.dc(), 0, 0, SRCCOPY);
}

// A bitmap resource by id; null when it is missing.
wingui::UniqueBitmap LoadBitmapResource(HINSTANCE module, int id);
SIZE BitmapSize(HBITMAP bitmap);
// Loads a set of pictures by id; one that cannot be loaded keeps the previous picture. True when
// all were loaded.
template <size_t N>
bool LoadPictures(HINSTANCE module, const std::array<int, N>& ids,
                  std::array<wingui::UniqueBitmap, N>& pictures) {
  if (!module) module = GetModuleHandleW(nullptr);
  bool all = true;
  for (size_t i = 0; i < N; ++i) {
    wingui::UniqueBitmap b = LoadBitmapResource(module, ids[i]);
    if (b) pictures[i] = std::move(b); else all = false;
  }
  return all;
}
// Gives a window the size of a picture, keeping its place and order.
void FitToPicture(HWND window, HBITMAP picture);
// Copies a picture, leaving out its magenta pixels.
void DrawKeyed(HDC dc, int x, int y, HBITMAP bitmap);
void DrawKeyedStretched(HDC dc, const RECT& to, HBITMAP bitmap);
// The colour of one pixel of a bitmap (CLR_INVALID outside it).
COLORREF BitmapPixel(HBITMAP bitmap, POINT p);

// Draws a caption with a transparent background; nothing is selected for an empty text.
void DrawCaption(HDC dc, RECT r, const std::wstring& text, HFONT font, COLORREF colour,
                 UINT format);

void SendHelpText(HWND control, const std::wstring& text);

// The parent's pixels under a control, taken by asking the parent to paint into memory, so a
// window that once covered the control never ends up in the copy. Dropped when the parent's
// pixels change.
class BackgroundCopy {
 public:
  void Draw(HWND control, HDC dc);
  void Drop() { bitmap_.reset(); }
  // Drops the copy on the parent's notice; true when the message was that notice.
  bool Dropped(UINT msg) {
    if (msg != wingui::kParentPixelsChanged) return false;
    Drop();
    return true;
  }
  bool Taken() const { return static_cast<bool>(bitmap_); }

 private:
  void Take(HWND control, HDC like);
  wingui::UniqueBitmap bitmap_;
};

// TME_HOVER | TME_LEAVE armed on the first move after the cursor enters.
class HoverTracking {
 public:
  void OnMove(HWND hwnd);
  void OnLeave() { armed_ = false; }

 private:
  bool armed_ = false;
};
