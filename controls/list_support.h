// What the skinned lists share: the scroll position over fixed-height rows (kept in step with an
// attached scroll bar) and the in-place edit field.
#pragma once

#include <string>

#include "bitmap_scrollbar.h"
#include "wingui/window.h"

// Posted by a list to itself when its edit field lost the focus: the field is destroyed outside
// its own message.
inline constexpr UINT kFinishEditMessage = WM_APP + 0x302;

class RowScroller {
 public:
  RowScroller(int rowHeight, int firstRowY) : rowHeight_(rowHeight), firstRowY_(firstRowY) {}
  // The bar then tells the list when the user scrolls.
  void Attach(CBitmapScrollbar* bar, HWND list) {
    bar_ = bar;
    if (bar_) bar_->SetNotifyWindow(list);
  }
  // Rows that fit in a client area of the given height.
  int Visible(int clientHeight) const;
  int Top() const { return top_; }
  // Limits the top row to the rows there are and updates the bar; true when it moved.
  bool ScrollTo(int top, int count, int clientHeight);
  bool EnsureVisible(int row, int count, int clientHeight);
  // The row at a client y (may be beyond the last row), -1 above the first.
  int RowAtY(int y) const;
  int RowTop(int row) const { return firstRowY_ + (row - top_) * rowHeight_; }
  int RowHeight() const { return rowHeight_; }
  // WM_VSCROLL from the attached bar: true when the list moved.
  bool OnScroll(UINT code, int count, int clientHeight);

 private:
  int rowHeight_;
  int firstRowY_;
  int top_ = 0;
  CBitmapScrollbar* bar_ = nullptr;
};

// An edit field over one cell. Enter commits and Escape cancels; both hand the focus back to
// the list, whose EN_KILLFOCUS handler then reads Cancelled() and Text().
class InPlaceEdit : public wingui::Window {
 public:
  bool Begin(HWND list, int id, const RECT& cell, const std::wstring& text, int limit = 260);
  bool Active() const { return hwnd() != nullptr; }
  bool Cancelled() const { return cancelled_; }
  // Ends the edit and answers the text, empty when it was cancelled.
  std::wstring Finish();
  int Row() const { return row_; }
  int Column() const { return column_; }
  void SetCell(int row, int column) { row_ = row; column_ = column; }

 protected:
  LRESULT OnKeyDown(UINT key, LPARAM lp) override;
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  bool cancelled_ = false;
  int row_ = -1, column_ = -1;
  wingui::UniqueFont font_;
};
