// Standard window-system controls with the kit's small additions: help texts on movement, a
// click that takes the focus, and an edit field for floating-point values.
#pragma once

#include <string>

#include "skin_paint.h"
#include "wingui/window.h"

// A standard control that shows its help text while the mouse moves over it.
class CHelpTextControl : public wingui::Window {
 public:
  void SetHelpText(const std::wstring& text) { help_ = text; }

 protected:
  LRESULT OnMouseMove(UINT, POINT) override {
    SendHelpText(hwnd(), help_);
    return Default();
  }

 private:
  std::wstring help_;
};

class CGWComboBox : public CHelpTextControl {};
class CGWSpinButtonCtrl : public CHelpTextControl {};

// An edit field that takes the focus on a click.
class CSmartEdit : public wingui::Window {
 protected:
  LRESULT OnLButtonDown(UINT, POINT) override {
    SetFocus(hwnd());
    return Default();
  }
};

// An edit field for a floating-point value, shown with "%.2f" or with "%1f" to "%10f".
class CBitmapEditCtrl : public wingui::Window {
 public:
  // 0 selects "%.2f"; 1 to 10 select "%1f" to "%10f".
  bool SetFormat(int width);
  void SetValue(double value);
  double Value() const { return value_; }
  void SetHelpText(const std::wstring& text) { help_ = text; }
  void SetColours(COLORREF text, COLORREF background);

 protected:
  void OnAttached() override;
  bool OnReflectedCommand(int code) override;
  HBRUSH OnControlColour(HDC dc) override;
  LRESULT OnKeyDown(UINT key, LPARAM lp) override;
  LRESULT OnChar(wchar_t c, LPARAM lp) override;
  LRESULT OnMouseMove(UINT, POINT) override;

 private:
  // Reads the field; a text that is no number keeps the previous value.
  void Commit();
  std::wstring Formatted() const;

  double value_ = 0.0;
  int width_ = 0;
  std::wstring help_;
  COLORREF text_ = RGB(232, 236, 242);
  COLORREF background_ = RGB(14, 16, 21);
  wingui::UniqueBrush brush_;
  wingui::UniqueFont font_;
};
