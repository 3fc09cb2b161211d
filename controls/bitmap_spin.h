// CBitmapSpinCtrl: a spin box made of three child buttons: up (4000), down (4001) and the value
// field (4002). Each child's command reaches the parent as WM_COMMAND with the spin box's id
// (the child's id as notification code).
#pragma once

#include <string>

#include "hover_button_v2.h"
#include "spin_button.h"
#include "wingui/window.h"

class CBitmapSpinCtrl : public wingui::Window, private HoverButtonV2Parent {
 public:
  static constexpr int kUpId = 4000, kDownId = 4001, kFieldId = 4002;

  void SetRange(int low, int high, int step = 1);
  // Values outside the range are limited to it.
  void SetValue(int value);
  int Value() const { return value_; }
  void SetHelpText(const std::wstring& text);
  CSpinButton& UpButton() { return up_; }
  CSpinButton& DownButton() { return down_; }

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnAttached() override;
  LRESULT OnEraseBackground(HDC) override { return 1; }
  LRESULT OnPaint() override;
  LRESULT OnCommand(int id, int code, HWND ctl) override;
  LRESULT OnMouseMove(UINT flags, POINT p) override;
  LRESULT OnGetText(int size, wchar_t* buffer) override;
  LRESULT OnGetTextLength() override;
  void OnDestroyed() override;

 private:
  void OnHoverButtonV2(int controlId, int value) override;
  void ShowValue();
  void Forward(int childId);

  CSpinButton up_, down_;
  CHoverButtonV2 field_;
  int low_ = 0, high_ = 100, step_ = 1, value_ = 0;
  std::wstring help_;
  BackgroundCopy background_;
};
