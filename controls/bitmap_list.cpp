#include "bitmap_list.h"

#include <algorithm>
#include <cwchar>

#include "art_ids.h"
#include "row_query.h"

namespace {
constexpr COLORREF kRowText = RGB(214, 220, 229);
constexpr COLORREF kRowAlternate = RGB(22, 25, 31);
constexpr COLORREF kRowSelected = RGB(11, 95, 126);
constexpr COLORREF kHeader = RGB(32, 36, 45);
constexpr COLORREF kHeaderText = RGB(140, 149, 166);
constexpr COLORREF kFrame = RGB(54, 61, 75);

void Fill(HDC dc, const RECT& r, COLORREF colour) {
  wingui::UniqueBrush b(CreateSolidBrush(colour));
  FillRect(dc, &r, b.get());
}

// Answers the row query for a list whose rows are read through the given functions.
template <typename TextOf, typename ValueOf>
LRESULT AnswerRowQuery(HWND list, WPARAM wp, LPARAM lp, int count, TextOf text, ValueOf value) {
  int row = static_cast<int>(wp);
  if (wp != static_cast<WPARAM>(-1) && row >= 0 && row < count)
    SendRowAnswer(list, reinterpret_cast<HWND>(lp), row, text(row), value(row));
  return count;
}
}  // namespace

// --- CBitmapRowList ---

void CBitmapRowList::AttachScrollBar(CBitmapScrollbar* bar) {
  scroller_.Attach(bar, hwnd());
  Rescroll();
}

void CBitmapRowList::Rescroll() {
  scroller_.ScrollTo(scroller_.Top(), RowCount(), ClientRect().bottom);
  Invalidate();
}

void CBitmapRowList::Select(int index) {
  if (index < -1 || index >= RowCount()) return;
  selected_ = index;
  if (index >= 0) scroller_.EnsureVisible(index, RowCount(), ClientRect().bottom);
  Invalidate();
  if (callback_) callback_->OnListSelectionChanged(hwnd(), index);
}

int CBitmapRowList::RowAt(POINT p) const {
  int row = scroller_.RowAtY(p.y);
  return row >= 0 && row < RowCount() ? row : -1;
}

LRESULT CBitmapRowList::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case kFinishEditMessage: EndEdit(); return 0;
    case WM_SIZE: Rescroll(); return CBackgroundWndV2::OnMessage(msg, wp, lp);
    default: return CBackgroundWndV2::OnMessage(msg, wp, lp);
  }
}

LRESULT CBitmapRowList::OnRButtonDown(UINT, POINT p) {
  int row = RowAt(p);
  if (row >= 0) Select(row);
  POINT screen = p;
  ClientToScreen(hwnd(), &screen);
  if (callback_) callback_->OnListRightClick(hwnd(), row, screen);
  return 0;
}

LRESULT CBitmapRowList::OnMouseWheel(int delta, UINT, POINT) {
  if (scroller_.ScrollTo(scroller_.Top() - delta / WHEEL_DELTA, RowCount(), ClientRect().bottom))
    Invalidate();
  if (callback_) callback_->OnListScrolled(hwnd(), scroller_.Top());
  return 0;
}

LRESULT CBitmapRowList::OnVScroll(UINT code, HWND) {
  if (scroller_.OnScroll(code, RowCount(), ClientRect().bottom)) Invalidate();
  return 0;
}

LRESULT CBitmapRowList::OnCommand(int id, int code, HWND) {
  // The field is destroyed outside its own message.
  if (id == editId_ && code == EN_KILLFOCUS) PostMessageW(hwnd(), kFinishEditMessage, 0, 0);
  return 0;
}

// --- CBitmapListCtrlV2 ---

std::wstring CBitmapListCtrlV2::DelayText(double seconds) {
  wchar_t text[64];
  swprintf(text, 64, KitText(L"%.03f sec delay").c_str(), seconds);
  return text;
}



int CBitmapListCtrlV2::InsertRow(int index, const std::wstring& text, RowKind kind,
                                 int64_t value) {
  index = std::clamp(index, 0, RowCount());
  rows_.insert(rows_.begin() + index, Row{text, kind, value});
  Rescroll();
  return index;
}

bool CBitmapListCtrlV2::RemoveRow(int index) {
  if (index < 0 || index >= RowCount()) return false;
  rows_.erase(rows_.begin() + index);
  if (selected_ >= RowCount()) selected_ = RowCount() - 1;
  Rescroll();
  return true;
}

void CBitmapListCtrlV2::Clear() {
  EndEdit();
  rows_.clear();
  selected_ = -1;
  scroller_.ScrollTo(0, 0, ClientRect().bottom);
  Invalidate();
}

std::wstring CBitmapListCtrlV2::RowText(int index) const {
  return index >= 0 && index < RowCount() ? rows_[index].text : std::wstring();
}

CBitmapListCtrlV2::RowKind CBitmapListCtrlV2::Kind(int index) const {
  return index >= 0 && index < RowCount() ? rows_[index].kind : kKeyPress;
}

int64_t CBitmapListCtrlV2::RowValue(int index) const {
  return index >= 0 && index < RowCount() ? rows_[index].value : 0;
}



bool CBitmapListCtrlV2::BeginEdit(int index) {
  if (Kind(index) != kDelay || index >= RowCount()) return false;
  RECT c = ClientRect();
  int top = scroller_.RowTop(index);
  RECT cell{28, top, c.right - 4, top + scroller_.RowHeight()};
  if (!edit_.Begin(hwnd(), kEditId, cell, std::to_wstring(rows_[index].value), 6)) return false;
  edit_.SetCell(index, 0);
  if (callback_) callback_->OnListEditStarted(hwnd(), index, 0);
  return true;
}

// A delay row keeps whole milliseconds as its value and shows the seconds.
void CBitmapListCtrlV2::EndEdit() {
  if (!edit_.Active()) return;
  int row = edit_.Row();
  bool cancelled = edit_.Cancelled();
  std::wstring text = edit_.Finish();
  if (cancelled || row < 0 || row >= RowCount()) return;
  wchar_t* end = nullptr;
  long ms = wcstol(text.c_str(), &end, 10);
  if (end == text.c_str() || ms < 0) return;  // not a number: the row keeps its delay
  rows_[row].value = ms;
  rows_[row].text = DelayText(ms / 1000.0);
  Invalidate();
  if (callback_) callback_->OnListEditEnded(hwnd(), row, 0, rows_[row].text.c_str());
}

LRESULT CBitmapListCtrlV2::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case kRowQueryMessage:
      return AnswerRowQuery(hwnd(), wp, lp, RowCount(), [&](int r) { return rows_[r].text; },
                            [&](int r) { return rows_[r].value; });
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    default: return CBitmapRowList::OnMessage(msg, wp, lp);
  }
}

void CBitmapListCtrlV2::Draw(HDC dc, const RECT& client) {
  CBackgroundWndV2::Draw(dc, client);
  if (!font_) font_ = MakeFont(14, DefaultFaceName(), false);
  static constexpr COLORREF kKindColour[] = {RGB(0, 194, 255), RGB(90, 96, 107),
                                             RGB(255, 138, 30), RGB(120, 220, 140)};
  int visible = scroller_.Visible(client.bottom);
  for (int i = scroller_.Top(); i < RowCount() && i < scroller_.Top() + visible; ++i) {
    int top = scroller_.RowTop(i);
    RECT r{1, top, client.right - 1, top + scroller_.RowHeight()};
    if (i == selected_) Fill(dc, r, kRowSelected);
    else if (i % 2) Fill(dc, r, kRowAlternate);
    Fill(dc, RECT{8, top + 5, 18, top + 13}, kKindColour[rows_[i].kind & 3]);
    DrawCaption(dc, RECT{28, top, client.right - 6, r.bottom}, rows_[i].text, font_.get(),
                kRowText, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
  }
  wingui::UniqueBrush frame(CreateSolidBrush(kFrame));
  FrameRect(dc, &client, frame.get());
}

LRESULT CBitmapListCtrlV2::OnKeyDown(UINT key, LPARAM lp) {
  if (key == VK_UP && selected_ > 0) Select(selected_ - 1);
  else if (key == VK_DOWN && selected_ + 1 < RowCount()) Select(selected_ + 1);
  if (callback_) callback_->OnListKey(hwnd(), key, HIWORD(lp));
  return 0;
}

LRESULT CBitmapListCtrlV2::OnLButtonDown(UINT flags, POINT p) {
  CBitmapRowList::OnLButtonDown(flags, p);
  Select(RowAt(p));
  if (callback_) callback_->OnListMouseButton(hwnd(), WM_LBUTTONDOWN, p);
  return 0;
}

LRESULT CBitmapListCtrlV2::OnLButtonDblClk(UINT, POINT p) {
  int row = RowAt(p);
  if (row < 0) return 0;
  if (callback_) callback_->OnListDoubleClick(hwnd(), row, 0);
  BeginEdit(row);
  return 0;
}


LRESULT CBitmapListCtrlV2::OnMButtonDown(UINT, POINT p) {
  if (callback_) callback_->OnListMiddleClick(hwnd(), RowAt(p));
  return 0;
}




// --- CBitmapListCtrlV3 ---


void CBitmapListCtrlV3::AddColumn(const std::wstring& title, int width, bool editable,
                                  bool toggle) {
  columns_.push_back(Column{title, width, editable, toggle});
  Invalidate();
}

int CBitmapListCtrlV3::AddRow(const std::vector<std::wstring>& cells, bool switched,
                              int64_t value) {
  rows_.push_back(Row{cells, switched, value});
  rows_.back().cells.resize(columns_.size());
  Rescroll();
  return RowCount() - 1;
}

bool CBitmapListCtrlV3::RemoveRow(int index) {
  if (index < 0 || index >= RowCount()) return false;
  EndEdit();
  rows_.erase(rows_.begin() + index);
  if (selected_ >= RowCount()) selected_ = RowCount() - 1;
  Rescroll();
  return true;
}

void CBitmapListCtrlV3::Clear() {
  EndEdit();
  rows_.clear();
  selected_ = -1;
  scroller_.ScrollTo(0, 0, ClientRect().bottom);
  Invalidate();
}

std::wstring CBitmapListCtrlV3::CellText(int row, int column) const {
  if (row < 0 || row >= RowCount() || column < 0 || column >= static_cast<int>(columns_.size()))
    return {};
  return rows_[row].cells[column];
}

void CBitmapListCtrlV3::SetCellText(int row, int column, const std::wstring& text) {
  if (row < 0 || row >= RowCount() || column < 0 || column >= static_cast<int>(columns_.size()))
    return;
  rows_[row].cells[column] = text;
  Invalidate();
}

bool CBitmapListCtrlV3::Switched(int row) const {
  return row >= 0 && row < RowCount() && rows_[row].switched;
}


std::wstring CBitmapListCtrlV3::JoinedText(int row) const {
  std::wstring text;
  for (size_t c = 0; c < rows_[row].cells.size(); ++c) {
    if (c) text += L'\t';
    text += rows_[row].cells[c];
  }
  return text;
}


int CBitmapListCtrlV3::ColumnAt(int x) const {
  int left = kNumberWidth;
  for (size_t c = 0; c < columns_.size(); ++c) {
    if (x >= left && x < left + columns_[c].width) return static_cast<int>(c);
    left += columns_[c].width;
  }
  return -1;
}

RECT CBitmapListCtrlV3::CellRect(int row, int column) const {
  int left = kNumberWidth;
  for (int c = 0; c < column; ++c) left += columns_[c].width;
  int top = scroller_.RowTop(row);
  return RECT{left, top, left + columns_[column].width, top + scroller_.RowHeight()};
}

bool CBitmapListCtrlV3::BeginEdit(int row, int column) {
  if (row < 0 || row >= RowCount() || column < 0 || column >= static_cast<int>(columns_.size()) ||
      !columns_[column].editable)
    return false;
  RECT cell = CellRect(row, column);
  InflateRect(&cell, -2, -1);
  if (!edit_.Begin(hwnd(), kEditId, cell, rows_[row].cells[column], 260)) return false;
  edit_.SetCell(row, column);
  if (callback_) callback_->OnListEditStarted(hwnd(), row, column);
  return true;
}

void CBitmapListCtrlV3::EndEdit() {
  if (!edit_.Active()) return;
  int row = edit_.Row(), column = edit_.Column();
  bool cancelled = edit_.Cancelled();
  std::wstring text = edit_.Finish();
  if (cancelled || row < 0 || row >= RowCount()) return;
  rows_[row].cells[column] = text;
  Invalidate();
  if (callback_) callback_->OnListEditEnded(hwnd(), row, column, text.c_str());
}

LRESULT CBitmapListCtrlV3::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case kRowQueryMessage:
      return AnswerRowQuery(hwnd(), wp, lp, RowCount(), [&](int r) { return JoinedText(r); },
                            [&](int r) { return rows_[r].switched ? 1 : 0; });
    default: return CBitmapRowList::OnMessage(msg, wp, lp);
  }
}

void CBitmapListCtrlV3::Draw(HDC dc, const RECT& client) {
  CBackgroundWndV2::Draw(dc, client);
  if (!font_) {
    font_ = MakeFont(14, DefaultFaceName(), false);
    bold_ = MakeFont(14, DefaultFaceName(), true);
    HINSTANCE module = GetModuleHandleW(nullptr);
    icons_[0] = LoadBitmapResource(module, IDB_PROFILE_ICON);
    icons_[1] = LoadBitmapResource(module, IDB_PROFILE_ICON_SELECTED);
    icons_[2] = LoadBitmapResource(module, IDB_PROFILE_ICON_AUTO);
    icons_[3] = LoadBitmapResource(module, IDB_PROFILE_ICON_AUTO_SELECTED);
  }
  Fill(dc, RECT{1, 1, client.right - 1, kHeaderHeight}, kHeader);
  const UINT cell = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS;
  DrawCaption(dc, RECT{8, 0, kNumberWidth, kHeaderHeight}, L"#", bold_.get(), kHeaderText, cell);
  int left = kNumberWidth;
  for (const Column& c : columns_) {
    DrawCaption(dc, RECT{left + 6, 0, left + c.width, kHeaderHeight}, c.title, bold_.get(),
                kHeaderText, cell);
    left += c.width;
  }
  int visible = scroller_.Visible(client.bottom);
  for (int i = scroller_.Top(); i < RowCount() && i < scroller_.Top() + visible; ++i) {
    int top = scroller_.RowTop(i);
    RECT r{1, top, client.right - 1, top + scroller_.RowHeight()};
    bool selected = i == selected_;
    if (selected) Fill(dc, r, kRowSelected);
    else if (i % 2) Fill(dc, r, kRowAlternate);
    wchar_t number[16];
    swprintf(number, 16, L"   %d", i + 1);
    DrawCaption(dc, RECT{0, top, 30, r.bottom}, number, font_.get(), kHeaderText, cell);
    HBITMAP icon = icons_[(rows_[i].switched ? 2 : 0) + (selected ? 1 : 0)].get();
    DrawKeyed(dc, 32, top + 3, icon);
    for (size_t c = 0; c < columns_.size(); ++c) {
      RECT cr = CellRect(i, static_cast<int>(c));
      std::wstring text = columns_[c].toggle ? KitText(rows_[i].switched ? L"On" : L"Off")
                                             : rows_[i].cells[c];
      COLORREF colour = columns_[c].toggle && rows_[i].switched ? RGB(255, 138, 30) : kRowText;
      DrawCaption(dc, RECT{cr.left + 6, cr.top, cr.right - 4, cr.bottom}, text, font_.get(),
                  colour, cell);
    }
  }
  wingui::UniqueBrush frame(CreateSolidBrush(kFrame));
  FrameRect(dc, &client, frame.get());
}

LRESULT CBitmapListCtrlV3::OnLButtonDown(UINT flags, POINT p) {
  CBitmapRowList::OnLButtonDown(flags, p);
  EndEdit();
  int row = RowAt(p);
  if (row < 0) return 0;
  Select(row);
  int column = ColumnAt(p.x);
  if (column >= 0 && columns_[column].toggle) {
    rows_[row].switched = !rows_[row].switched;
    Invalidate();
    if (callback_) callback_->OnListCellToggled(hwnd(), row, column);
  }
  return 0;
}

LRESULT CBitmapListCtrlV3::OnLButtonDblClk(UINT, POINT p) {
  int row = RowAt(p), column = ColumnAt(p.x);
  if (row < 0) return 0;
  if (callback_) callback_->OnListDoubleClick(hwnd(), row, column);
  BeginEdit(row, column);
  return 0;
}




