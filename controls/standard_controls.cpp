#include "standard_controls.h"

#include <cwchar>
#include <cwctype>

bool CBitmapEditCtrl::SetFormat(int width) {
  if (width < 0 || width > 10) return false;
  width_ = width;
  SetText(Formatted());
  return true;
}

std::wstring CBitmapEditCtrl::Formatted() const {
  wchar_t text[64];
  if (width_ == 0)
    swprintf(text, 64, L"%.2f", value_);
  else
    swprintf(text, 64, L"%*f", width_, value_);
  return text;
}

void CBitmapEditCtrl::SetValue(double value) {
  value_ = value;
  if (hwnd()) SetText(Formatted());
}

void CBitmapEditCtrl::SetColours(COLORREF text, COLORREF background) {
  text_ = text;
  background_ = background;
  brush_.reset(CreateSolidBrush(background_));
  Invalidate(true);
}

void CBitmapEditCtrl::OnAttached() {
  brush_.reset(CreateSolidBrush(background_));
  font_ = MakeFont(14, DefaultFaceName(), false);
  SendMessageW(hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
  SetText(Formatted());
}

void CBitmapEditCtrl::Commit() {
  std::wstring text = Text();
  wchar_t* end = nullptr;
  double v = wcstod(text.c_str(), &end);
  if (end != text.c_str()) value_ = v;
  SetText(Formatted());
}

bool CBitmapEditCtrl::OnReflectedCommand(int code) {
  if (code == EN_KILLFOCUS) Commit();
  return false;  // the parent still hears of it
}

HBRUSH CBitmapEditCtrl::OnControlColour(HDC dc) {
  SetTextColor(dc, text_);
  SetBkColor(dc, background_);
  return brush_.get();
}

LRESULT CBitmapEditCtrl::OnKeyDown(UINT key, LPARAM) {
  if (key == VK_RETURN) {
    Commit();
    SendMessageW(parent(), WM_COMMAND, MAKEWPARAM(id(), EN_CHANGE),
                 reinterpret_cast<LPARAM>(hwnd()));
    return 0;
  }
  return Default();
}

// Only what can be part of a number reaches the field.
LRESULT CBitmapEditCtrl::OnChar(wchar_t c, LPARAM) {
  if (std::iswdigit(c) || c == L'.' || c == L'-' || c == L'\b' || c < L' ') return Default();
  return 0;
}

LRESULT CBitmapEditCtrl::OnMouseMove(UINT, POINT) {
  SendHelpText(hwnd(), help_);
  return Default();
}
