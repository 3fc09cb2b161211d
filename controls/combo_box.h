// CBitmapComboBox, the closed box drawn from bitmaps, and CComboBoxList, its drop-down list: a
// popup on the desktop that holds (text, value) items and may open a second-level popup menu.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "parents.h"
#include "skin_paint.h"
#include "wingui/window.h"

class CBitmapComboBox;

class CComboBoxList : public wingui::Window {
 public:
  static constexpr UINT_PTR kUpTimer = 4200, kDownTimer = 4201, kPageTimer = 4202;
  static constexpr UINT_PTR kPopupTimer = 4203;
  static constexpr UINT kRepeatMs = 100;
  static constexpr int kRowHeight = 16;
  static constexpr int kFirstRowY = 2;

  // Colours of the list.
  enum Colour {
    kBackground, kText, kHighlight, kHighlightText, kBorder, kMarkedText, kSelectedText,
    kSeparator, kScrollArea, kColours
  };

  // Makes the hidden popup for its owner box.
  bool Create(CBitmapComboBox& owner, int visibleRows = 8);
  void SetParents(ComboBoxParent* parent, ComboBoxParentV2* parentV2) {
    parent_ = parent;
    parentV2_ = parentV2;
  }
  void SetColour(Colour which, COLORREF colour) { colours_[which] = colour; }

  int AddItem(const std::wstring& text, int32_t value);
  bool RemoveItem(int index);
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  std::wstring ItemText(int index) const;
  int32_t ItemValue(int index) const;

  void Open();
  void Close();
  bool IsOpen() const { return IsWindowVisible(hwnd()) != FALSE; }
  int Highlighted() const { return highlight_; }
  int TopRow() const { return top_; }
  // The row under a client point, -1 when none.
  int RowAt(POINT p) const;
  RECT RowRect(int index) const;

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  LRESULT OnEraseBackground(HDC) override { return 1; }
  LRESULT OnPaint() override;
  void PaintList(HDC dc, const RECT& client);
  LRESULT OnMouseMove(UINT flags, POINT p) override;
  LRESULT OnLButtonDown(UINT flags, POINT p) override;
  LRESULT OnLButtonUp(UINT flags, POINT p) override;
  LRESULT OnMouseWheel(int delta, UINT flags, POINT p) override;
  LRESULT OnTimer(UINT_PTR id) override;
  LRESULT OnKeyDown(UINT key, LPARAM lp) override;

 private:
  struct Item {
    std::wstring text;
    int32_t value;
    bool marked;  // has second-level choices
  };
  enum Part { kNone, kRows, kUp, kDown, kPage };
  Part PartAt(POINT p) const;
  bool Scrollable() const { return Count() > visibleRows_; }
  void ScrollTo(int top);
  void Highlight(int index);
  void Choose(int index);
  void OpenSecondLevel();
  LRESULT AnswerRowQuery(WPARAM row, HWND asker);

  CBitmapComboBox* owner_ = nullptr;
  ComboBoxParent* parent_ = nullptr;
  ComboBoxParentV2* parentV2_ = nullptr;
  std::vector<Item> items_;
  std::array<COLORREF, kColours> colours_{
      RGB(23, 26, 33),   RGB(214, 220, 229), RGB(0, 120, 160),  RGB(255, 255, 255),
      RGB(0, 194, 255),  RGB(255, 138, 30),  RGB(0, 194, 255),  RGB(42, 48, 59),
      RGB(20, 23, 29)};
  std::array<wingui::UniqueBitmap, 3> arrows_;  // up, down, page area
  wingui::UniqueFont font_;
  int visibleRows_ = 8;
  int top_ = 0;
  int highlight_ = -1;
  int restingOn_ = -1;
  int popupAskedFor_ = -1;
  bool entered_ = false;
  bool inPopup_ = false;
  Part pressed_ = kNone;
};

class CBitmapComboBox : public wingui::Window {
 public:
  bool LoadBitmaps(int normal, int hover, int open, int disabled, HINSTANCE module = nullptr);
  void AttachList(CComboBoxList* list) { list_ = list; }
  CComboBoxList* List() const { return list_; }
  void SetParent(ComboBoxParent* parent) { parent_ = parent; }
  void SetHelpText(const std::wstring& text) { help_ = text; }
  int CurSel() const { return selection_; }
  void SetCurSel(int index);
  bool Hovering() const { return hover_; }
  // Called by the list when it closes.
  void ListClosed() { Invalidate(); }

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  LRESULT OnEraseBackground(HDC) override { return 1; }
  LRESULT OnPaint() override;
  LRESULT OnLButtonDown(UINT flags, POINT p) override;
  LRESULT OnLButtonUp(UINT flags, POINT p) override;
  LRESULT OnMouseMove(UINT flags, POINT p) override;
  LRESULT OnMouseHover(UINT flags, POINT p) override;
  LRESULT OnMouseLeave() override;
  LRESULT OnGetText(int size, wchar_t* buffer) override;
  LRESULT OnGetTextLength() override;

 private:
  std::wstring Caption() const;
  enum Role { kNormal, kHover, kOpen, kDisabled, kRoles };
  std::array<wingui::UniqueBitmap, kRoles> picture_;
  CComboBoxList* list_ = nullptr;
  ComboBoxParent* parent_ = nullptr;
  std::wstring help_;
  int selection_ = -1;
  bool hover_ = false;
  wingui::UniqueFont font_;
  HoverTracking tracking_;
  BackgroundCopy background_;
};
