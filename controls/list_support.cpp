#include "list_support.h"

#include <algorithm>

#include "skin_paint.h"

int RowScroller::Visible(int clientHeight) const {
  return std::max(1, (clientHeight - firstRowY_) / rowHeight_);
}

bool RowScroller::ScrollTo(int top, int count, int clientHeight) {
  int visible = Visible(clientHeight);
  int last = std::max(0, count - visible);
  int before = top_;
  top_ = std::clamp(top, 0, last);
  if (bar_ && bar_->hwnd()) {
    bar_->SetRange(0, std::max(0, count - 1), visible);
    bar_->SetPos(top_);
  }
  return top_ != before;
}

bool RowScroller::EnsureVisible(int row, int count, int clientHeight) {
  int visible = Visible(clientHeight);
  if (row < top_) return ScrollTo(row, count, clientHeight);
  if (row >= top_ + visible) return ScrollTo(row - visible + 1, count, clientHeight);
  return false;
}

int RowScroller::RowAtY(int y) const {
  if (y < firstRowY_) return -1;
  return top_ + (y - firstRowY_) / rowHeight_;
}

bool RowScroller::OnScroll(UINT code, int count, int clientHeight) {
  int visible = Visible(clientHeight);
  switch (code) {
    case SB_LINEUP: return ScrollTo(top_ - 1, count, clientHeight);
    case SB_LINEDOWN: return ScrollTo(top_ + 1, count, clientHeight);
    case SB_PAGEUP: return ScrollTo(top_ - visible, count, clientHeight);
    case SB_PAGEDOWN: return ScrollTo(top_ + visible, count, clientHeight);
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      return bar_ ? ScrollTo(bar_->Pos(), count, clientHeight) : false;
    default: return false;
  }
}

bool InPlaceEdit::Begin(HWND list, int id, const RECT& cell, const std::wstring& text,
                        int limit) {
  if (Active()) return false;
  cancelled_ = false;
  if (!Create(L"Edit", text.c_str(), WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 0, cell,
              list, id))
    return false;
  font_ = MakeFont(14, DefaultFaceName(), false);
  SendMessageW(hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
  SendMessageW(hwnd(), EM_LIMITTEXT, static_cast<WPARAM>(limit), 0);
  SendMessageW(hwnd(), EM_SETSEL, 0, -1);
  SetFocus(hwnd());
  return true;
}

std::wstring InPlaceEdit::Finish() {
  if (!Active()) return {};
  std::wstring text = cancelled_ ? std::wstring() : Text();
  HWND h = hwnd();
  Detach();
  DestroyWindow(h);
  return text;
}

LRESULT InPlaceEdit::OnKeyDown(UINT key, LPARAM) {
  if (key == VK_RETURN || key == VK_ESCAPE) {
    cancelled_ = key == VK_ESCAPE;
    SetFocus(parent());
    return 0;
  }
  return Default();
}

LRESULT InPlaceEdit::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_GETDLGCODE) return DLGC_WANTALLKEYS;  // Enter and Escape stay with the field
  return Window::OnMessage(msg, wp, lp);
}
