// Picture areas: CBackgroundWnd reports mouse presses, drags and releases to its owner;
// CBackgroundWndV2 is the newer base of the two list controls.
#pragma once

#include <string>

#include "parents.h"
#include "skin_paint.h"
#include "wingui/window.h"

class CBackgroundWnd : public wingui::Window {
 public:
  bool SetPicture(int id, HINSTANCE module = nullptr);
  void SetParentCallback(CBackgroundWndParent* parent) { callback_ = parent; }
  void SetHelpText(const std::wstring& text) { help_ = text; }

 protected:
  // Paint calls the background and then the foreground.
  virtual void DrawBackground(HDC dc, const RECT& client);
  virtual void DrawForeground(HDC, const RECT&) {}

  LRESULT OnEraseBackground(HDC) override { return 1; }
  LRESULT OnPaint() override;
  LRESULT OnLButtonDown(UINT flags, POINT p) override;
  LRESULT OnLButtonUp(UINT flags, POINT p) override;
  LRESULT OnMouseMove(UINT flags, POINT p) override;

 private:
  wingui::UniqueBitmap picture_;
  CBackgroundWndParent* callback_ = nullptr;
  std::wstring help_;
  bool pressed_ = false;
};

class CBackgroundWndV2 : public wingui::Window {
 public:
  void SetHelpText(const std::wstring& text) { help_ = text; }
  void SetBackgroundColour(COLORREF colour) { background_ = colour; Invalidate(); }

 protected:
  // The whole picture, drawn into a memory context.
  virtual void Draw(HDC dc, const RECT& client);
  COLORREF BackgroundColour() const { return background_; }

  LRESULT OnEraseBackground(HDC) override { return 1; }
  LRESULT OnPaint() override;
  LRESULT OnLButtonDown(UINT flags, POINT p) override;
  LRESULT OnMouseMove(UINT flags, POINT p) override;

 private:
  std::wstring help_;
  COLORREF background_ = RGB(17, 19, 24);
};
