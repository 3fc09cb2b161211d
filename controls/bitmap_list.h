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

// What both lists share: rows of one height under an optional header, the selected row, the
// scroll position with its bar, the in-place edit field and the owner's callback.
class CBitmapRowList : public CBackgroundWndV2 {
 public:
  void SetParentCallback(BitmapListCtrlV2Parent* parent) { callback_ = parent; }
  void AttachScrollBar(CBitmapScrollbar* bar);
  virtual int RowCount() const = 0;
  int Selected() const { return selected_; }
  void Select(int index);
  int TopRow() const { return scroller_.Top(); }
  bool Editing() const { return edit_.Active(); }
  virtual void EndEdit() = 0;

 protected:
  CBitmapRowList(int rowHeight, int firstRowY, int editId)
      : scroller_(rowHeight, firstRowY), editId_(editId) {}
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  LRESULT OnRButtonDown(UINT flags, POINT p) override;
  LRESULT OnMouseWheel(int delta, UINT flags, POINT p) override;
  LRESULT OnVScroll(UINT code, HWND bar) override;
  LRESULT OnCommand(int id, int code, HWND ctl) override;
  // The row under a client point, -1 when none.
  int RowAt(POINT p) const;
  // Keeps the scroll position within the rows and repaints.
  void Rescroll();

  int selected_ = -1;
  RowScroller scroller_;
  InPlaceEdit edit_;
  BitmapListCtrlV2Parent* callback_ = nullptr;

 private:
  int editId_;
};

class CBitmapListCtrlV2 : public CBitmapRowList {
 public:
  enum RowKind { kKeyPress = 0, kKeyRelease = 1, kDelay = 2, kMouse = 3 };
  static constexpr int kEditId = 1000;

  // "%.03f sec delay"
  static std::wstring DelayText(double seconds);

  CBitmapListCtrlV2() : CBitmapRowList(18, 2, kEditId) {}

  int InsertRow(int index, const std::wstring& text, RowKind kind, int64_t value = 0);
  int AddRow(const std::wstring& text, RowKind kind, int64_t value = 0) {
    return InsertRow(RowCount(), text, kind, value);
  }
  bool RemoveRow(int index);
  void Clear();
  int RowCount() const override { return static_cast<int>(rows_.size()); }
  std::wstring RowText(int index) const;
  RowKind Kind(int index) const;
  int64_t RowValue(int index) const;
  // Opens the edit field on a delay row (whole milliseconds).
  bool BeginEdit(int index);
  void EndEdit() override;

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void Draw(HDC dc, const RECT& client) override;
  LRESULT OnKeyDown(UINT key, LPARAM lp) override;
  LRESULT OnLButtonDown(UINT flags, POINT p) override;
  LRESULT OnLButtonDblClk(UINT flags, POINT p) override;
  LRESULT OnMButtonDown(UINT flags, POINT p) override;

 private:
  struct Row {
    std::wstring text;
    RowKind kind;
    int64_t value;
  };

  std::vector<Row> rows_;
  wingui::UniqueFont font_;
};

class CBitmapListCtrlV3 : public CBitmapRowList {
 public:
  static constexpr int kEditId = 1001;
  static constexpr int kHeaderHeight = 24;

  CBitmapListCtrlV3() : CBitmapRowList(22, kHeaderHeight, kEditId) {}

  // Columns after the numbered first one; a toggle column flips its row's switch on a click.
  void AddColumn(const std::wstring& title, int width, bool editable, bool toggle = false);
  int AddRow(const std::vector<std::wstring>& cells, bool switched = false, int64_t value = 0);
  bool RemoveRow(int index);
  void Clear();
  int RowCount() const override { return static_cast<int>(rows_.size()); }
  std::wstring CellText(int row, int column) const;
  void SetCellText(int row, int column, const std::wstring& text);
  bool Switched(int row) const;
  bool BeginEdit(int row, int column);
  void EndEdit() override;

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void Draw(HDC dc, const RECT& client) override;
  LRESULT OnLButtonDown(UINT flags, POINT p) override;
  LRESULT OnLButtonDblClk(UINT flags, POINT p) override;

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
  int ColumnAt(int x) const;
  RECT CellRect(int row, int column) const;
  std::wstring JoinedText(int row) const;

  std::vector<Column> columns_;
  std::vector<Row> rows_;
  std::array<wingui::UniqueBitmap, 4> icons_;
  wingui::UniqueFont font_, bold_;
};
