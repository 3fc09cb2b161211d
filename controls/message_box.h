// CBitmapMessageBox: the skinned dialog under every message box and small dialog: a picture
// background, a title and text, up to eight buttons with their result values, an optional input
// field and an optional key-capture field.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "art_ids.h"
#include "hover_button_v2.h"
#include "wingui/window.h"

// The field that takes one key press: it keeps the key's code (scan code, extended flag and
// transition bit of the key message, masked with 0x81FF) and shows the key's name.
class CKeyCaptureField : public wingui::Window {
 public:
  static constexpr UINT kKeyMask = 0x81FF;
  UINT KeyCode() const { return code_; }
  UINT VirtualKey() const { return virtualKey_; }
  // A key message from anywhere in the box.
  void Capture(WPARAM virtualKey, LPARAM lp);

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  LRESULT OnEraseBackground(HDC) override { return 1; }
  LRESULT OnPaint() override;
  LRESULT OnLButtonDown(UINT, POINT) override;

 private:
  UINT code_ = 0;
  UINT virtualKey_ = 0;
  wingui::UniqueFont font_;
};

class CBitmapMessageBox : public wingui::Dialog {
 public:
  enum Result { kClosed = 0, kOk = 1, kCancel = 2, kYes = 3, kNo = 4, kApply = 5 };
  static constexpr int kMaxButtons = 8;
  static constexpr int kMaxInput = 260;

  CBitmapMessageBox(std::wstring title, std::wstring text);

  // False once eight buttons are there.
  bool AddButton(const std::wstring& caption, int result);
  void EnableInput(const std::wstring& initial, int limit = kMaxInput);
  void EnableKeyCapture() { keyCapture_ = true; }
  void SetBackground(int bitmapId) { backgroundId_ = bitmapId; }
  void SetTextStyle(int height, const std::wstring& face, COLORREF colour);

  // Shows the box modally; answers the result value of the button pressed (0 when closed).
  INT_PTR Show(HWND owner, int templateId = IDD_BITMAP_MESSAGE_BOX, HINSTANCE module = nullptr);

  const std::wstring& Input() const { return input_; }
  UINT KeyCode() const { return key_.KeyCode(); }
  UINT VirtualKey() const { return key_.VirtualKey(); }

 protected:
  BOOL OnInitDialog() override;
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  LRESULT OnEraseBackground(HDC dc) override;
  LRESULT OnCommand(int id, int code, HWND ctl) override;
  LRESULT OnLButtonDown(UINT flags, POINT p) override;
  void OnOK() override;
  void OnCancel() override { End(kClosed); }
  // The picture, title and text; also what the buttons see under them.
  virtual void PaintBackground(HDC dc);

 private:
  void Layout();
  void Press(int index);

  std::wstring title_, text_;
  std::vector<std::pair<std::wstring, int>> buttons_;
  std::array<CHoverButtonV2, kMaxButtons> buttonWindows_;
  CHoverButtonV2 close_;
  CKeyCaptureField key_;
  bool input_enabled_ = false;
  bool keyCapture_ = false;
  int inputLimit_ = kMaxInput;
  std::wstring input_;
  int backgroundId_ = IDB_MESSAGE_BOX;
  int textHeight_ = 14;
  std::wstring face_;
  COLORREF textColour_ = RGB(255, 255, 255);
  wingui::UniqueBitmap background_;
  wingui::UniqueFont textFont_, titleFont_, inputFont_;
  wingui::UniqueBrush inputBrush_;
  SIZE size_{400, 190};
};
