// CHoverButtonV2: an owner-drawn push button painted from bitmap or PNG pictures, with hover,
// check style, hit mask, caption and window shapes. The model of the kit's other buttons.
#pragma once

#include <array>
#include <string>

#include "gdiplus_bitmap.h"
#include "parents.h"
#include "skin_paint.h"
#include "wingui/handles.h"
#include "wingui/window.h"

class CHoverButtonV2 : public wingui::Window {
 public:
  enum class PictureKind { None, Bitmap, Png };
  // Window shapes.
  enum Shape { kEllipse = 0, kRectangle = 1, kRoundedRectangle = 2, kCircle = 3, kPolygon = 4 };

  CHoverButtonV2() = default;
  ~CHoverButtonV2() override;

  virtual int LoadBitmaps(int normal, int pressed, int hover, int disabled, int mask,
                          int disabledTicked, int tickedHover, HINSTANCE module = nullptr);
  virtual int LoadPngs(int normal, int hover, int pressed, int tickedHover, int disabled);
  virtual int LoadPngs(int normal, int hover, int pressed, int disabled);

  void SetFont(int height, const std::wstring& face, COLORREF normal, COLORREF pressed,
               COLORREF hover, COLORREF disabled, bool bold);
  void SetCaption(const std::wstring& text) { SetText(text); }
  void SetHelpText(const std::wstring& text) { help_ = text; }
  void SetCheckStyle(bool on) { checkStyle_ = on; }
  void SetTicked(bool on);
  // Shows the hover look without the cursor, as when the owner highlights the button itself.
  void SetHover(bool on) { hover_ = on; Invalidate(); }
  void SetLocked(bool on) { locked_ = on; }
  void SetNotification(bool notify, int commandValue, HoverButtonV2Parent* callback);
  void SetNotifyWindow(HWND window) { notifyWindow_ = window; }
  void SetFixedSize(int width, int height);
  void SetTextLeftEdge(int left) { textEdges_.left = left; }
  void SetTextRect(const RECT& r) { textRect_ = r; }
  void SetTextFormat(UINT format) { textFormat_ = format; }
  void SetCharacterSpacing(int spacing) { characterSpacing_ = spacing; }
  int SetWindowShape(int shape, int left, int top, int right, int bottom, int cornerWidth,
                     int cornerHeight);

  bool Ticked() const { return ticked_; }
  bool Locked() const { return locked_; }
  bool Hovering() const { return hover_; }
  bool PressEnabled() const { return pressEnabled_; }
  bool HoverEnabled() const { return hoverEnabled_; }
  PictureKind Kind() const { return kind_; }
  SIZE PictureSize() const { return size_; }
  HWND Tooltip() const { return tooltip_; }

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  bool OnDrawItem(DRAWITEMSTRUCT& d) override;
  LRESULT OnEraseBackground(HDC) override { return 1; }
  LRESULT OnSetFocus(HWND) override { return 0; }
  LRESULT OnKillFocus(HWND) override { return 0; }
  LRESULT OnLButtonDown(UINT flags, POINT p) override;
  LRESULT OnLButtonUp(UINT flags, POINT p) override;
  LRESULT OnMouseMove(UINT flags, POINT p) override;
  LRESULT OnMouseHover(UINT flags, POINT p) override;
  LRESULT OnMouseLeave() override;
  LRESULT OnTimer(UINT_PTR id) override;

  // Draws the caption in the state's colour; used by every kind.
  void DrawCaption(HDC dc, const RECT& client, COLORREF colour);
  HWND NotifyTarget() const { return notifyWindow_ ? notifyWindow_ : parent(); }
  void ToggleAndNotify(POINT p);
  // Tells the owner: through the callback when set, else WM_COMMAND to the notify window.
  void Notify(int value);

  // Picture roles of the bitmap kind.
  enum Role { kNormal, kPressed, kHover, kDisabled, kMask, kDisabledTicked, kTickedHover, kRoles };
  // Roles of the PNG kind.
  enum PngRole { kPngNormal, kPngHover, kPngPressed, kPngTickedHover, kPngDisabled, kPngRoles };
  enum TextColour { kTextNormal, kTextPressed, kTextHover, kTextDisabled };

  bool hoverEnabled_ = true;
  bool pressEnabled_ = true;
  bool useTickedHover_ = true;
  bool checkStyle_ = false;
  bool ticked_ = false;
  bool locked_ = false;
  bool notify_ = false;
  int commandValue_ = 0;
  bool backgroundCopyOn_ = true;
  int characterSpacing_ = -1;
  COLORREF maskKey_ = RGB(0, 255, 0);
  bool hover_ = false;

 private:
  void LoadRole(Role role, int id, HINSTANCE module, Role reuse);
  void Reuse(Role role, Role from);
  void ApplySize(SIZE picture);
  void PaintBitmapKind(HDC dc, const RECT& client, bool selected);
  void PaintPngKind(HDC dc, const RECT& client, bool selected);
  void EnsureTooltip();

  PictureKind kind_ = PictureKind::None;
  std::array<wingui::UniqueBitmap, kRoles> owned_;
  std::array<HBITMAP, kRoles> picture_{};
  std::array<CGdiPlusBitmapResource, kPngRoles> png_;
  std::array<Gdiplus::Bitmap*, kPngRoles> pngPicture_{};
  SIZE size_{0, 0};
  bool fixedSize_ = false;
  SIZE fixed_{0, 0};

  wingui::UniqueFont font_;
  std::array<COLORREF, 4> textColour_{RGB(255, 255, 255), RGB(255, 255, 255),
                                      RGB(255, 255, 255), RGB(255, 255, 255)};
  RECT textRect_{};
  RECT textEdges_{};  // 0 keeps the edge of the text rectangle
  UINT textFormat_ = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

  std::wstring help_;
  HWND tooltip_ = nullptr;
  HWND notifyWindow_ = nullptr;
  HoverButtonV2Parent* callback_ = nullptr;
  HoverTracking tracking_;
  BackgroundCopy background_;
};
