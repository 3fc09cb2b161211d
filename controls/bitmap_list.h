// The two skinned lists on CBackgroundWndV2: CBitmapListCtrlV2, the macro key list (rows of key,
// delay and mouse events with in-place editing of delays), and CBitmapListCtrlV3, the
// multi-column profile list with numbered rows, icons, a toggle column and editable cells.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "background_wnd.h"
#include "list_support.h"

class CBitmapListCtrlV2 : public CBackgroundWndV2 {
 public:
  enum RowKind { kKeyPress = 0, kKeyRelease = 1, kDelay = 2, kMouse = 3 };
  static constexpr int kEditId = 1000;

  // "%.03f sec delay"
  static std::wstring DelayText(double seconds);

  void SetParentCallback(BitmapListCtrlV2Parent* parent) { callback_ = parent; }
  void AttachScrollBar(CBitmapScrollbar* bar);
  int InsertRow(int index, const std::wstring& text, RowKind kind, int64_t value = 0);
  int AddRow(const std::wstring& text, RowKind kind, int64_t value = 0) {
    return InsertRow(RowCount(), text, kind, value);
  }
  bool RemoveRow(int index);
  void Clear();
  int RowCount() const { return static_cast<int>(rows_.size()); }
  std::wstring RowText(int index) const;
  RowKind Kind(int index) const;
  int64_t RowValue(int index) const;
  int Selected() const { return selected_; }
  void Select(int index);
  int TopRow() const { return scroller_.Top(); }
  // Opens the edit field on a delay row (whole milliseconds).
  bool BeginEdit(int index);
  bool Editing() const { return edit_.Active(); }
  void EndEdit();

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void Draw(HDC dc, const RECT& client) override;
  LRESULT OnKeyDown(UINT key, LPARAM lp) override;
  LRESULT OnLButtonDown(UINT flags, POINT p) override;
  LRESULT OnLButtonDblClk(UINT flags, POINT p) override;
  LRESULT OnRButtonDown(UINT flags, POINT p) override;
  LRESULT OnMButtonDown(UINT flags, POINT p) override;
  LRESULT OnMouseWheel(int delta, UINT flags, POINT p) override;
  LRESULT OnVScroll(UINT code, HWND bar) override;
  LRESULT OnCommand(int id, int code, HWND ctl) override;

 private:
  struct Row {
    std::wstring text;
    RowKind kind;
    int64_t value;
  };
  int RowAt(POINT p) const;
  void Rescroll();

  std::vector<Row> rows_;
  int selected_ = -1;
  RowScroller scroller_{18, 2};
  InPlaceEdit edit_;
  BitmapListCtrlV2Parent* callback_ = nullptr;
  wingui::UniqueFont font_;
};

class CBitmapListCtrlV3 : public CBackgroundWndV2 {
 public:
  static constexpr int kEditId = 1001;
  static constexpr int kHeaderHeight = 24;

  void SetParentCallback(BitmapListCtrlV2Parent* parent) { callback_ = parent; }
  void AttachScrollBar(CBitmapScrollbar* bar);
  // Columns after the numbered first one; a toggle column flips its row's switch on a click.
  void AddColumn(const std::wstring& title, int width, bool editable, bool toggle = false);
  int AddRow(const std::vector<std::wstring>& cells, bool switched = false, int64_t value = 0);
  bool RemoveRow(int index);
  void Clear();
  int RowCount() const { return static_cast<int>(rows_.size()); }
  std::wstring CellText(int row, int column) const;
  void SetCellText(int row, int column, const std::wstring& text);
  bool Switched(int row) const;
  int Selected() const { return selected_; }
  void Select(int index);
  bool BeginEdit(int row, int column);
  bool Editing() const { return edit_.Active(); }
  void EndEdit();

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void Draw(HDC dc, const RECT& client) override;
  LRESULT OnLButtonDown(UINT flags, POINT p) override;
  LRESULT OnLButtonDblClk(UINT flags, POINT p) override;
  LRESULT OnRButtonDown(UINT flags, POINT p) override;
  LRESULT OnMouseWheel(int delta, UINT flags, POINT p) override;
  LRESULT OnVScroll(UINT code, HWND bar) override;
  LRESULT OnCommand(int id, int code, HWND ctl) override;

 private:
  struct Column {
    std::wstring title;
    int width;
    bool editable;
    bool toggle;
  };
  struct Row {
    std::vector<std::wstring> cells;
    bool switched;
    int64_t value;
  };
  static constexpr int kNumberWidth = 52;
  int RowAt(POINT p) const;
  int ColumnAt(int x) const;
  RECT CellRect(int row, int column) const;
  std::wstring JoinedText(int row) const;

  std::vector<Column> columns_;
  std::vector<Row> rows_;
  int selected_ = -1;
  RowScroller scroller_{22, kHeaderHeight};
  InPlaceEdit edit_;
  BitmapListCtrlV2Parent* callback_ = nullptr;
  std::array<wingui::UniqueBitmap, 4> icons_;
  wingui::UniqueFont font_, bold_;
};
