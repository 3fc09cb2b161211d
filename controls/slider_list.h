// CSliderListCtrlV2: a list whose rows carry slider values; a row's value is set by clicking or
// dragging on its track, by the arrow keys, or typed into the edit field (id 999).
#pragma once

#include <string>
#include <vector>

#include "list_support.h"
#include "skin_paint.h"
#include "wingui/window.h"

class CSliderListCtrlV2 : public wingui::Window {
 public:
  static constexpr int kEditId = 999;

  void AttachScrollBar(CBitmapScrollbar* bar);
  int AddRow(const std::wstring& label, float value, float low, float high, float step = 1.0f);
  int RowCount() const { return static_cast<int>(rows_.size()); }
  float RowValue(int row) const;
  // Values outside the row's range are ignored.
  bool SetRowValue(int row, float value);
  int Selected() const { return selected_; }
  bool BeginEdit(int row);
  bool Editing() const { return edit_.Active(); }
  RECT TrackRect(int row) const;

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  LRESULT OnEraseBackground(HDC) override { return 1; }
  LRESULT OnPaint() override;
  LRESULT OnKeyDown(UINT key, LPARAM lp) override;
  LRESULT OnLButtonDown(UINT flags, POINT p) override;
  LRESULT OnLButtonUp(UINT flags, POINT p) override;
  LRESULT OnLButtonDblClk(UINT flags, POINT p) override;
  LRESULT OnMouseMove(UINT flags, POINT p) override;
  LRESULT OnMouseWheel(int delta, UINT flags, POINT p) override;
  LRESULT OnVScroll(UINT code, HWND bar) override;
  LRESULT OnCommand(int id, int code, HWND ctl) override;

 private:
  struct Row {
    std::wstring label;
    float value, low, high, step;
  };
  int RowAt(POINT p) const;
  float ValueAt(int row, int x) const;
  void Changed(int row);
  void EndEdit();
  static std::wstring ValueText(float value);

  std::vector<Row> rows_;
  int selected_ = -1;
  int dragging_ = -1;
  RowScroller scroller_{26, 2};
  InPlaceEdit edit_;
  wingui::UniqueFont font_;
};
