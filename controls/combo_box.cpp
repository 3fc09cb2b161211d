#include "combo_box.h"

#include "art_ids.h"
#include "row_query.h"

#include <algorithm>
#include <utility>

// --- CComboBoxList ---

bool CComboBoxList::Create(CBitmapComboBox& owner, int visibleRows) {
  owner_ = &owner;
  visibleRows_ = visibleRows > 0 ? visibleRows : 1;
  // A popup of the desktop, so the list may reach beyond its dialog.
  if (!Window::Create(wingui::kSkinWindowClass, L"", WS_POPUP,
                      WS_EX_TOOLWINDOW | WS_EX_TOPMOST, RECT{0, 0, 10, 10}, nullptr, 0))
    return false;
  HINSTANCE module = GetModuleHandleW(nullptr);
  arrows_[0] = LoadBitmapResource(module, IDB_COMBO_LIST_UP);
  arrows_[1] = LoadBitmapResource(module, IDB_COMBO_LIST_DOWN);
  arrows_[2] = LoadBitmapResource(module, IDB_COMBO_LIST_TRACK);
  owner.AttachList(this);
  return true;
}

int CComboBoxList::AddItem(const std::wstring& text, int32_t value) {
  items_.push_back(Item{text, value, false});
  return Count() - 1;
}

bool CComboBoxList::RemoveItem(int index) {
  if (index < 0 || index >= Count()) return false;
  items_.erase(items_.begin() + index);
  if (highlight_ >= Count()) highlight_ = Count() - 1;
  ScrollTo(top_);
  return true;
}

void CComboBoxList::Clear() {
  items_.clear();
  highlight_ = -1;
  top_ = 0;
  Invalidate();
}

std::wstring CComboBoxList::ItemText(int index) const {
  return index >= 0 && index < Count() ? items_[index].text : std::wstring();
}

int32_t CComboBoxList::ItemValue(int index) const {
  return index >= 0 && index < Count() ? items_[index].value : 0;
}

RECT CComboBoxList::RowRect(int index) const {
  RECT c = ClientRect();
  int y = kFirstRowY + (index - top_) * kRowHeight;
  int right = c.right - (Scrollable() ? BitmapSize(arrows_[0].get()).cx + 2 : 2);
  return RECT{2, y, right, y + kRowHeight};
}

int CComboBoxList::RowAt(POINT p) const {
  if (PartAt(p) != kRows) return -1;
  int row = top_ + (p.y - kFirstRowY) / kRowHeight;
  return row >= 0 && row < Count() && row < top_ + visibleRows_ ? row : -1;
}

CComboBoxList::Part CComboBoxList::PartAt(POINT p) const {
  RECT c = ClientRect();
  if (!PtInRect(&c, p)) return kNone;
  if (Scrollable()) {
    SIZE a = BitmapSize(arrows_[0].get());
    if (p.x >= c.right - a.cx - 1) {
      if (p.y < a.cy + 1) return kUp;
      if (p.y >= c.bottom - a.cy - 1) return kDown;
      return kPage;
    }
  }
  return kRows;
}

void CComboBoxList::ScrollTo(int top) {
  int last = std::max(0, Count() - visibleRows_);
  top_ = std::min(std::max(top, 0), last);
  Invalidate();
}

void CComboBoxList::Highlight(int index) {
  if (index < -1 || index >= Count() || index == highlight_) return;
  highlight_ = index;
  if (index >= 0 && index < top_) ScrollTo(index);
  if (index >= top_ + visibleRows_) ScrollTo(index - visibleRows_ + 1);
  Invalidate();
}

void CComboBoxList::Open() {
  if (!owner_ || IsOpen()) return;
  RECT box{};
  GetWindowRect(owner_->hwnd(), &box);
  int rows = std::max(1, std::min(Count(), visibleRows_));
  int height = 2 * kFirstRowY + rows * kRowHeight;
  SetWindowPos(hwnd(), HWND_TOPMOST, box.left, box.bottom - 1, box.right - box.left, height,
               SWP_NOACTIVATE);
  highlight_ = owner_->CurSel();
  top_ = 0;
  if (highlight_ >= visibleRows_) ScrollTo(highlight_ - visibleRows_ + 1);
  entered_ = false;
  restingOn_ = popupAskedFor_ = -1;
  ShowWindow(hwnd(), SW_SHOW);
  SetFocus(hwnd());
  SetCapture(hwnd());
  Invalidate();
}

void CComboBoxList::Close() {
  if (!IsOpen()) return;
  for (UINT_PTR t : {kUpTimer, kDownTimer, kPageTimer, kPopupTimer}) StopTimer(t);
  pressed_ = kNone;
  ShowWindow(hwnd(), SW_HIDE);
  if (GetCapture() == hwnd()) ReleaseCapture();
  if (owner_) {
    SetFocus(GetAncestor(owner_->hwnd(), GA_ROOT));
    owner_->ListClosed();
  }
}

void CComboBoxList::Choose(int index) {
  if (index < 0 || index >= Count() || !owner_) return;
  owner_->SetCurSel(index);
  Close();
  if (parent_) parent_->OnComboBoxChoice(owner_->id(), index);
  SendMessageW(owner_->parent(), WM_COMMAND, MAKEWPARAM(owner_->id(), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(owner_->hwnd()));
}

void CComboBoxList::OpenSecondLevel() {
  int index = highlight_;
  if (!parentV2_ || index < 0 || !owner_) return;
  wingui::UniqueMenu menu(CreatePopupMenu());
  parentV2_->FillSecondLevel(owner_->id(), index, menu.get());
  int count = GetMenuItemCount(menu.get());
  if (count <= 0) return;
  // The popup is drawn in the list's colours: its string items become owner-drawn, each
  // keeping its text for the drawing.
  std::vector<std::wstring> texts(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    wchar_t text[260] = L"";
    MENUITEMINFOW mi{};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_FTYPE | MIIM_STRING;
    mi.dwTypeData = text;
    mi.cch = 260;
    if (!GetMenuItemInfoW(menu.get(), static_cast<UINT>(i), TRUE, &mi) ||
        (mi.fType & (MFT_SEPARATOR | MFT_BITMAP)))
      continue;
    texts[i] = text;
    MENUITEMINFOW od{};
    od.cbSize = sizeof od;
    od.fMask = MIIM_FTYPE | MIIM_DATA;
    od.fType = mi.fType | MFT_OWNERDRAW;
    od.dwItemData = reinterpret_cast<ULONG_PTR>(texts[i].c_str());
    SetMenuItemInfoW(menu.get(), static_cast<UINT>(i), TRUE, &od);
  }
  RECT row = RowRect(index);
  POINT at{row.right, row.top};
  ClientToScreen(hwnd(), &at);
  // The menu runs its own loop and takes the capture for as long as it shows.
  inPopup_ = true;
  ReleaseCapture();
  int command = TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN |
                               TPM_NONOTIFY, at.x, at.y, 0, hwnd(), nullptr);
  inPopup_ = false;
  if (command != 0) {
    parentV2_->OnSecondLevelChoice(owner_->id(), index, command, menu.get());
    owner_->SetCurSel(index);
    Close();
  } else if (IsOpen()) {
    SetCapture(hwnd());
  }
}

LRESULT CComboBoxList::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case kRowQueryMessage: {
      int row = static_cast<int>(wp);
      if (wp != static_cast<WPARAM>(-1) && row >= 0 && row < Count())
        SendRowAnswer(hwnd(), reinterpret_cast<HWND>(lp), row, items_[row].text,
                      items_[row].value);
      return Count();
    }
    case WM_CAPTURECHANGED:
      // Another window took the mouse away: the list would otherwise stay open unheard.
      if (reinterpret_cast<HWND>(lp) != hwnd() && !inPopup_ && IsOpen()) Close();
      return 0;
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS;
    case WM_MEASUREITEM: {
      auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
      if (m->CtlType != ODT_MENU) break;
      m->itemHeight = kRowHeight + 4;
      m->itemWidth = 140;
      return TRUE;
    }
    case WM_DRAWITEM: {
      auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
      if (d->CtlType != ODT_MENU) break;
      bool hot = (d->itemState & ODS_SELECTED) != 0;
      wingui::UniqueBrush back(CreateSolidBrush(colours_[hot ? kHighlight : kBackground]));
      FillRect(d->hDC, &d->rcItem, back.get());
      if (!font_) font_ = MakeFont(14, DefaultFaceName(), false);
      RECT t = d->rcItem;
      t.left += 10;
      DrawCaption(d->hDC, t, reinterpret_cast<const wchar_t*>(d->itemData), font_.get(),
                  colours_[hot ? kHighlightText : kText], DT_LEFT | DT_VCENTER | DT_SINGLELINE);
      return TRUE;
    }
    default: break;
  }
  return Window::OnMessage(msg, wp, lp);
}

LRESULT CComboBoxList::OnPaint() {
  PaintBuffered(hwnd(), [&](HDC dc, const RECT& c) { PaintList(dc, c); });
  return 0;
}

void CComboBoxList::PaintList(HDC dc, const RECT& c) {
  wingui::UniqueBrush back(CreateSolidBrush(colours_[kBackground]));
  FillRect(dc, &c, back.get());
  if (!font_) font_ = MakeFont(14, DefaultFaceName(), false);
  int ownerId = owner_ ? owner_->id() : 0;
  int selected = owner_ ? owner_->CurSel() : -1;
  for (int i = top_; i < Count() && i < top_ + visibleRows_; ++i) {
    RECT r = RowRect(i);
    COLORREF text = items_[i].marked ? colours_[kMarkedText]
                    : i == selected  ? colours_[kSelectedText]
                                     : colours_[kText];
    if (i == highlight_) {
      wingui::UniqueBrush hi(CreateSolidBrush(colours_[kHighlight]));
      FillRect(dc, &r, hi.get());
      text = colours_[kHighlightText];
      if (parentV2_ && popupAskedFor_ != i && parentV2_->HasSecondLevel(ownerId, i)) {
        popupAskedFor_ = i;
        StartTimer(kPopupTimer, kRepeatMs);
      }
    }
    RECT t{r.left + 8, r.top, r.right - 14, r.bottom};
    DrawCaption(dc, t, items_[i].text, font_.get(), text,
                DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    if (items_[i].marked)
      DrawCaption(dc, RECT{r.right - 14, r.top, r.right - 2, r.bottom}, L"\u203A", font_.get(),
                  text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  if (Scrollable()) {
    SIZE a = BitmapSize(arrows_[0].get());
    RECT track{c.right - a.cx - 1, a.cy + 1, c.right - 1, c.bottom - a.cy - 1};
    DrawKeyedStretched(dc, track, arrows_[2].get());
    DrawKeyed(dc, track.left, 1, arrows_[0].get());
    DrawKeyed(dc, track.left, c.bottom - a.cy - 1, arrows_[1].get());
  }
  wingui::UniqueBrush border(CreateSolidBrush(colours_[kBorder]));
  FrameRect(dc, &c, border.get());
}

LRESULT CComboBoxList::OnMouseMove(UINT, POINT p) {
  Part part = PartAt(p);
  if (part == kNone) {
    if (entered_ && pressed_ == kNone) {
      int ownerId = owner_ ? owner_->id() : 0;
      Close();
      if (parent_) parent_->OnComboListLeft(ownerId);
    }
    return 0;
  }
  entered_ = true;
  int row = RowAt(p);
  if (row < 0) return 0;
  Highlight(row);
  if (row != restingOn_ && parentV2_ && owner_) {
    restingOn_ = row;
    if (items_[row].value != 0) {
      bool marked = parentV2_->OnItemWithValue(owner_->id(), row, items_[row].value) != nullptr;
      if (marked != items_[row].marked) {
        items_[row].marked = marked;
        Invalidate();
      }
    } else {
      parentV2_->OnItemWithoutValue(owner_->id(), row);
    }
  }
  return 0;
}

LRESULT CComboBoxList::OnLButtonDown(UINT, POINT p) {
  Part part = PartAt(p);
  switch (part) {
    case kNone: Close(); return 0;  // on the owner box or anywhere else
    case kUp: ScrollTo(top_ - 1); StartTimer(kUpTimer, kRepeatMs); break;
    case kDown: ScrollTo(top_ + 1); StartTimer(kDownTimer, kRepeatMs); break;
    case kPage: OnTimer(kPageTimer); StartTimer(kPageTimer, kRepeatMs); break;
    case kRows: break;
  }
  pressed_ = part;
  return 0;
}

LRESULT CComboBoxList::OnLButtonUp(UINT, POINT p) {
  Part was = std::exchange(pressed_, kNone);
  for (UINT_PTR t : {kUpTimer, kDownTimer, kPageTimer}) StopTimer(t);
  if (was == kRows && PartAt(p) == kRows) Choose(RowAt(p));
  return 0;
}

LRESULT CComboBoxList::OnMouseWheel(int delta, UINT, POINT) {
  ScrollTo(top_ - delta / WHEEL_DELTA);
  return 0;
}

LRESULT CComboBoxList::OnTimer(UINT_PTR id) {
  switch (id) {
    case kUpTimer: ScrollTo(top_ - 1); return 0;
    case kDownTimer: ScrollTo(top_ + 1); return 0;
    case kPageTimer: {
      POINT p{};
      GetCursorPos(&p);
      ScreenToClient(hwnd(), &p);
      ScrollTo(p.y < ClientRect().bottom / 2 ? top_ - visibleRows_ : top_ + visibleRows_);
      return 0;
    }
    case kPopupTimer: StopTimer(kPopupTimer); OpenSecondLevel(); return 0;
    default: return Default();
  }
}

LRESULT CComboBoxList::OnKeyDown(UINT key, LPARAM) {
  switch (key) {
    case VK_UP: Highlight(std::max(0, highlight_ - 1)); break;
    case VK_DOWN: Highlight(std::min(Count() - 1, highlight_ + 1)); break;
    case VK_RETURN: Choose(highlight_); break;
    case VK_ESCAPE: Close(); break;
    default: break;
  }
  return 0;
}

// --- CBitmapComboBox ---

bool CBitmapComboBox::LoadBitmaps(int normal, int hover, int open, int disabled,
                                  HINSTANCE module) {
  bool all = LoadPictures<kRoles>(module, {normal, hover, open, disabled}, picture_);
  FitToPicture(hwnd(), picture_[kNormal].get());
  background_.Drop();
  Invalidate();
  return all;
}

void CBitmapComboBox::SetCurSel(int index) {
  selection_ = list_ && index >= 0 && index < list_->Count() ? index : -1;
  Invalidate();
}

std::wstring CBitmapComboBox::Caption() const {
  if (list_ && selection_ >= 0) return list_->ItemText(selection_);
  return StoredText();
}

LRESULT CBitmapComboBox::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (background_.Dropped(msg)) return 0;
  return Window::OnMessage(msg, wp, lp);
}

LRESULT CBitmapComboBox::OnPaint() {
  PaintBuffered(hwnd(), [&](HDC dc, const RECT& c) {
    background_.Draw(hwnd(), dc);
    bool open = list_ && list_->IsOpen();
    Role role = !IsEnabled() ? kDisabled : open ? kOpen : hover_ ? kHover : kNormal;
    DrawKeyedStretched(dc, c, picture_[role].get());
    if (!font_) font_ = MakeFont(14, DefaultFaceName(), false);
    DrawCaption(dc, RECT{10, 0, c.right - 30, c.bottom}, Caption(), font_.get(),
                IsEnabled() ? RGB(232, 236, 242) : RGB(90, 96, 107),
                DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
  });
  return 0;
}

LRESULT CBitmapComboBox::OnLButtonDown(UINT, POINT p) {
  RECT c = ClientRect();
  if (list_ && PtInRect(&c, p)) {
    if (list_->IsOpen()) list_->Close(); else list_->Open();
    Invalidate();
  } else {
    SendMessageW(parent(), WM_COMMAND, MAKEWPARAM(id(), BN_CLICKED),
                 reinterpret_cast<LPARAM>(hwnd()));
  }
  return 0;
}

LRESULT CBitmapComboBox::OnLButtonUp(UINT, POINT) { return 0; }

LRESULT CBitmapComboBox::OnMouseMove(UINT, POINT) {
  tracking_.OnMove(hwnd());
  return 0;
}

LRESULT CBitmapComboBox::OnMouseHover(UINT, POINT) {
  hover_ = true;
  if (parent_) parent_->OnComboBoxEnter(id());
  SendHelpText(hwnd(), help_);
  Invalidate();
  return 0;
}

LRESULT CBitmapComboBox::OnMouseLeave() {
  tracking_.OnLeave();
  hover_ = false;
  if (parent_) parent_->OnComboBoxLeave(id());
  Invalidate();
  return 0;
}

LRESULT CBitmapComboBox::OnGetText(int size, wchar_t* buffer) {
  return CopyText(Caption(), size, buffer);
}

LRESULT CBitmapComboBox::OnGetTextLength() { return static_cast<LRESULT>(Caption().size()); }
