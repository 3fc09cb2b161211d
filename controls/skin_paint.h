// What every skinned control shares: loading its pictures, colour-keyed copies, the copy of the
// parent's pixels under it, hover tracking and the help-text message.
#pragma once

#include <windows.h>

#include <string>

#include "wingui/handles.h"

// Sent to the parent with wParam = the help text (const wchar_t*), lParam = the control.
constexpr UINT kHelpTextMessage = WM_USER + 201;
constexpr COLORREF kTransparentKey = RGB(255, 0, 255);
constexpr COLORREF kDefaultMaskKey = RGB(0, 255, 0);

// The face name skinned texts use unless a control is told otherwise.
void SetDefaultFaceName(const std::wstring& face);
const std::wstring& DefaultFaceName();
wingui::UniqueFont MakeFont(int height, const std::wstring& face, bool bold);

// A bitmap resource by id; null when it is missing.
wingui::UniqueBitmap LoadBitmapResource(HINSTANCE module, int id);
SIZE BitmapSize(HBITMAP bitmap);
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
