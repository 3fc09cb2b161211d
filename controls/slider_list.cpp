#include "slider_list.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

#include "row_query.h"

namespace {
void Fill(HDC dc, const RECT& r, COLORREF colour) {
  wingui::UniqueBrush b(CreateSolidBrush(colour));
  FillRect(dc, &r, b.get());
}
}  // namespace

std::wstring CSliderListCtrlV2::ValueText(float value) {
  wchar_t text[32];
  swprintf(text, 32, L"%.2f", static_cast<double>(value));
  return text;
}

void CSliderListCtrlV2::AttachScrollBar(CBitmapScrollbar* bar) {
  scroller_.Attach(bar, hwnd());
  scroller_.ScrollTo(scroller_.Top(), RowCount(), ClientRect().bottom);
}

int CSliderListCtrlV2::AddRow(const std::wstring& label, float value, float low, float high,
                              float step) {
  if (!(low < high)) return -1;
  rows_.push_back(Row{label, std::clamp(value, low, high), low, high, step});
  scroller_.ScrollTo(scroller_.Top(), RowCount(), ClientRect().bottom);
  Invalidate();
  return RowCount() - 1;
}

float CSliderListCtrlV2::RowValue(int row) const {
  return row >= 0 && row < RowCount() ? rows_[row].value : 0.0f;
}

bool CSliderListCtrlV2::SetRowValue(int row, float value) {
  if (row < 0 || row >= RowCount()) return false;
  if (!(value >= rows_[row].low && value <= rows_[row].high)) return false;
  rows_[row].value = value;
  Invalidate();
  return true;
}

void CSliderListCtrlV2::Changed(int row) {
  Invalidate();
  SendMessageW(parent(), WM_COMMAND, MAKEWPARAM(id(), row), reinterpret_cast<LPARAM>(hwnd()));
}

RECT CSliderListCtrlV2::TrackRect(int row) const {
  RECT c = ClientRect();
  int top = scroller_.RowTop(row);
  int left = c.right * 2 / 5;
  return RECT{left, top + 4, c.right - 64, top + scroller_.RowHeight() - 4};
}

int CSliderListCtrlV2::RowAt(POINT p) const {
  int row = scroller_.RowAtY(p.y);
  return row >= 0 && row < RowCount() ? row : -1;
}

float CSliderListCtrlV2::ValueAt(int row, int x) const {
  RECT t = TrackRect(row);
  const Row& r = rows_[row];
  float f =
      static_cast<float>(x - t.left) / static_cast<float>(std::max<LONG>(1, t.right - t.left));
  float v = r.low + std::clamp(f, 0.0f, 1.0f) * (r.high - r.low);
  return std::round((v - r.low) / r.step) * r.step + r.low;
}

bool CSliderListCtrlV2::BeginEdit(int row) {
  if (row < 0 || row >= RowCount()) return false;
  RECT c = ClientRect();
  int top = scroller_.RowTop(row);
  RECT cell{c.right - 60, top + 2, c.right - 4, top + scroller_.RowHeight() - 2};
  if (!edit_.Begin(hwnd(), kEditId, cell, ValueText(rows_[row].value), 12)) return false;
  edit_.SetCell(row, 0);
  return true;
}

void CSliderListCtrlV2::EndEdit() {
  if (!edit_.Active()) return;
  int row = edit_.Row();
  bool cancelled = edit_.Cancelled();
  std::wstring text = edit_.Finish();
  if (cancelled) return;
  wchar_t* end = nullptr;
  double v = wcstod(text.c_str(), &end);
  if (end != text.c_str() && SetRowValue(row, static_cast<float>(v))) Changed(row);
}

LRESULT CSliderListCtrlV2::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case kRowQueryMessage: {
      int row = static_cast<int>(wp);
      if (wp != static_cast<WPARAM>(-1) && row >= 0 && row < RowCount())
        SendRowAnswer(hwnd(), reinterpret_cast<HWND>(lp), row,
                      rows_[row].label + L'\t' + ValueText(rows_[row].value),
                      std::llround(rows_[row].value));
      return RowCount();
    }
    case kFinishEditMessage:
      EndEdit();
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_CAPTURECHANGED:
      dragging_ = -1;
      return 0;
    default:
      return Window::OnMessage(msg, wp, lp);
  }
}

LRESULT CSliderListCtrlV2::OnPaint() {
  PaintBuffered(hwnd(), [&](HDC dc, const RECT& c) {
    Fill(dc, c, RGB(17, 19, 24));
    if (!font_) font_ = MakeFont(14, DefaultFaceName(), false);
    const UINT cell = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS;
    int visible = scroller_.Visible(c.bottom);
    for (int i = scroller_.Top(); i < RowCount() && i < scroller_.Top() + visible; ++i) {
      int top = scroller_.RowTop(i);
      RECT r{1, top, c.right - 1, top + scroller_.RowHeight()};
      if (i == selected_) Fill(dc, r, RGB(32, 40, 54));
      DrawCaption(dc, RECT{8, top, TrackRect(i).left - 6, r.bottom}, rows_[i].label, font_.get(),
                  RGB(214, 220, 229), cell);
      RECT t = TrackRect(i);
      int mid = (t.top + t.bottom) / 2;
      Fill(dc, RECT{t.left, mid - 2, t.right, mid + 2}, RGB(14, 16, 21));
      const Row& row = rows_[i];
      int x = t.left + static_cast<int>((row.value - row.low) / (row.high - row.low) *
                                        static_cast<float>(t.right - t.left));
      Fill(dc, RECT{t.left, mid - 2, x, mid + 2}, RGB(0, 168, 221));
      Fill(dc, RECT{x - 4, t.top, x + 4, t.bottom},
           i == dragging_ ? RGB(0, 194, 255) : RGB(232, 236, 242));
      DrawCaption(dc, RECT{c.right - 58, top, c.right - 6, r.bottom}, ValueText(row.value),
                  font_.get(), RGB(0, 194, 255), DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    }
    wingui::UniqueBrush frame(CreateSolidBrush(RGB(54, 61, 75)));
    FrameRect(dc, &c, frame.get());
  });
  return 0;
}

LRESULT CSliderListCtrlV2::OnKeyDown(UINT key, LPARAM) {
  if (key == VK_UP && selected_ > 0)
    --selected_;
  else if (key == VK_DOWN && selected_ + 1 < RowCount())
    ++selected_;
  else if ((key == VK_LEFT || key == VK_RIGHT) && selected_ >= 0) {
    Row& r = rows_[selected_];
    float v = std::clamp(r.value + (key == VK_LEFT ? -r.step : r.step), r.low, r.high);
    if (v != r.value) {
      r.value = v;
      Changed(selected_);
    }
  }
  if (selected_ >= 0) scroller_.EnsureVisible(selected_, RowCount(), ClientRect().bottom);
  Invalidate();
  return 0;
}

LRESULT CSliderListCtrlV2::OnLButtonDown(UINT, POINT p) {
  SetFocus(hwnd());
  int row = RowAt(p);
  if (row < 0) return 0;
  selected_ = row;
  RECT t = TrackRect(row);
  InflateRect(&t, 6, 0);
  if (PtInRect(&t, p)) {
    dragging_ = row;
    SetCapture(hwnd());
    rows_[row].value = ValueAt(row, p.x);
    Changed(row);
  }
  Invalidate();
  return 0;
}

LRESULT CSliderListCtrlV2::OnLButtonUp(UINT, POINT) {
  if (GetCapture() == hwnd()) ReleaseCapture();
  dragging_ = -1;
  Invalidate();
  return 0;
}

LRESULT CSliderListCtrlV2::OnLButtonDblClk(UINT, POINT p) {
  int row = RowAt(p);
  if (row >= 0 && p.x >= ClientRect().right - 64) BeginEdit(row);
  return 0;
}

LRESULT CSliderListCtrlV2::OnMouseMove(UINT, POINT p) {
  if (dragging_ < 0) return 0;
  float v = ValueAt(dragging_, p.x);
  if (v != rows_[dragging_].value) {
    rows_[dragging_].value = v;
    Changed(dragging_);
  }
  return 0;
}

LRESULT CSliderListCtrlV2::OnMouseWheel(int delta, UINT, POINT) {
  if (scroller_.ScrollTo(scroller_.Top() - delta / WHEEL_DELTA, RowCount(), ClientRect().bottom))
    Invalidate();
  return 0;
}

LRESULT CSliderListCtrlV2::OnVScroll(UINT code, HWND) {
  if (scroller_.OnScroll(code, RowCount(), ClientRect().bottom)) Invalidate();
  return 0;
}

LRESULT CSliderListCtrlV2::OnCommand(int id, int code, HWND) {
  if (id == kEditId && code == EN_KILLFOCUS) PostMessageW(hwnd(), kFinishEditMessage, 0, 0);
  return 0;
}
