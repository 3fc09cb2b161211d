#include "message_box.h"

#include <algorithm>

namespace {
constexpr COLORREF kFieldBack = RGB(14, 16, 21);
constexpr COLORREF kFieldText = RGB(232, 236, 242);
constexpr COLORREF kAccent = RGB(0, 194, 255);
constexpr int kButtonWidth = 110, kButtonHeight = 32, kGap = 8, kMargin = 20;
}  // namespace

// --- CKeyCaptureField ---

void CKeyCaptureField::Capture(WPARAM virtualKey, LPARAM lp) {
  code_ = HIWORD(lp) & kKeyMask;
  virtualKey_ = static_cast<UINT>(virtualKey);
  wchar_t name[64] = L"";
  if (GetKeyNameTextW(static_cast<LONG>(lp), name, 64) <= 0)
    wsprintfW(name, L"Key %u", virtualKey_);
  SetText(name);
  Invalidate();
}

LRESULT CKeyCaptureField::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: Capture(wp, lp); return 0;
    case WM_CHAR:
    case WM_SYSCHAR:
    case WM_KEYUP:
    case WM_SYSKEYUP: return 0;  // the key press alone counts
    case WM_SETFOCUS:
    case WM_KILLFOCUS: Invalidate(); return 0;
    default: return Window::OnMessage(msg, wp, lp);
  }
}

LRESULT CKeyCaptureField::OnLButtonDown(UINT, POINT) {
  SetFocus(hwnd());
  return 0;
}

LRESULT CKeyCaptureField::OnPaint() {
  PaintBuffered(hwnd(), [&](HDC dc, const RECT& c) {
    wingui::UniqueBrush back(CreateSolidBrush(kFieldBack));
    FillRect(dc, &c, back.get());
    wingui::UniqueBrush frame(CreateSolidBrush(GetFocus() == hwnd() ? kAccent : RGB(54, 61, 75)));
    FrameRect(dc, &c, frame.get());
    if (!font_) font_ = MakeFont(15, DefaultFaceName(), true);
    std::wstring shown = StoredText();
    DrawCaption(dc, c, shown.empty() ? KitText(L"Press a key") : shown, font_.get(),
                shown.empty() ? RGB(90, 96, 107) : kAccent, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  });
  return 0;
}

// --- CBitmapMessageBox ---

CBitmapMessageBox::CBitmapMessageBox(std::wstring title, std::wstring text)
    : title_(std::move(title)), text_(std::move(text)) {}

bool CBitmapMessageBox::AddButton(const std::wstring& caption, int result) {
  if (static_cast<int>(buttons_.size()) >= kMaxButtons) return false;
  buttons_.emplace_back(caption, result);
  return true;
}

void CBitmapMessageBox::EnableInput(const std::wstring& initial, int limit) {
  input_enabled_ = true;
  input_ = initial.substr(0, kMaxInput);
  inputLimit_ = std::clamp(limit, 1, kMaxInput);
}

void CBitmapMessageBox::SetTextStyle(int height, const std::wstring& face, COLORREF colour) {
  textHeight_ = height;
  face_ = face;
  textColour_ = colour;
}

INT_PTR CBitmapMessageBox::Show(HWND owner, int templateId, HINSTANCE module) {
  return DoModal(module ? module : GetModuleHandleW(nullptr), templateId, owner);
}

BOOL CBitmapMessageBox::OnInitDialog() {
  HWND self = hwnd();
  HINSTANCE module = GetModuleHandleW(nullptr);
  background_ = LoadBitmapResource(module, backgroundId_);
  SIZE picture = BitmapSize(background_.get());
  if (picture.cx > 0) size_ = picture;
  size_.cx = std::max<LONG>(size_.cx, static_cast<LONG>(buttons_.size()) * (kButtonWidth + kGap) +
                                          2 * kMargin);
  std::wstring face = face_.empty() ? DefaultFaceName() : face_;
  textFont_ = MakeFont(textHeight_, face, false);
  titleFont_ = MakeFont(textHeight_ + 2, face, true);
  inputFont_ = MakeFont(textHeight_, face, false);
  inputBrush_.reset(CreateSolidBrush(kFieldBack));
  SetWindowTextW(self, title_.c_str());

  // Magenta corners of the picture are see-through.
  SetWindowLongPtrW(self, GWL_EXSTYLE, GetWindowLongPtrW(self, GWL_EXSTYLE) | WS_EX_LAYERED);
  SetLayeredWindowAttributes(self, kTransparentKey, 0, LWA_COLORKEY);

  RECT area{};
  HWND owner = GetWindow(self, GW_OWNER);
  if (owner) GetWindowRect(owner, &area); else SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  SetWindowPos(self, nullptr, (area.left + area.right - size_.cx) / 2,
               (area.top + area.bottom - size_.cy) / 2, size_.cx, size_.cy,
               SWP_NOZORDER | SWP_NOACTIVATE);

  for (int i = 0; i < kMaxButtons; ++i) {
    HWND b = GetDlgItem(self, IDC_MESSAGE_BUTTON_FIRST + i);
    if (!b) continue;
    if (i >= static_cast<int>(buttons_.size())) {
      ShowWindow(b, SW_HIDE);
      continue;
    }
    CHoverButtonV2& button = Bind(buttonWindows_[i], IDC_MESSAGE_BUTTON_FIRST + i);
    button.SetFixedSize(kButtonWidth, kButtonHeight);
    button.LoadBitmaps(IDB_BUTTON, IDB_BUTTON_PRESSED, IDB_BUTTON_HOVER, IDB_BUTTON_DISABLED, -1,
                       -1, -1);
    button.SetFont(textHeight_, face, RGB(232, 236, 242), RGB(255, 255, 255), kAccent,
                   RGB(90, 96, 107), true);
    button.SetCaption(buttons_[i].first);
    ShowWindow(b, SW_SHOW);
  }
  if (HWND c = GetDlgItem(self, IDC_MESSAGE_CLOSE)) {
    Bind(close_, IDC_MESSAGE_CLOSE);
    close_.SetFixedSize(24, 22);
    close_.LoadBitmaps(IDB_BUTTON, IDB_BUTTON_PRESSED, IDB_BUTTON_HOVER, -1, -1, -1, -1);
    close_.SetFont(14, face, RGB(200, 206, 216), RGB(255, 255, 255), kAccent, RGB(90, 96, 107),
                   true);
    close_.SetCaption(L"\u00D7");
    ShowWindow(c, SW_SHOW);
  }
  if (HWND e = GetDlgItem(self, IDC_MESSAGE_INPUT)) {
    SendMessageW(e, WM_SETFONT, reinterpret_cast<WPARAM>(inputFont_.get()), FALSE);
    SendMessageW(e, EM_LIMITTEXT, static_cast<WPARAM>(inputLimit_), 0);
    SetWindowTextW(e, input_.c_str());
    ShowWindow(e, input_enabled_ ? SW_SHOW : SW_HIDE);
  }
  if (HWND k = GetDlgItem(self, IDC_MESSAGE_KEY)) {
    Bind(key_, IDC_MESSAGE_KEY);
    ShowWindow(k, keyCapture_ ? SW_SHOW : SW_HIDE);
  }
  Layout();
  if (keyCapture_ && key_.hwnd()) {
    SetFocus(key_.hwnd());
    return FALSE;
  }
  if (input_enabled_) {
    HWND e = GetDlgItem(self, IDC_MESSAGE_INPUT);
    SetFocus(e);
    SendMessageW(e, EM_SETSEL, 0, -1);
    return FALSE;
  }
  return TRUE;
}

void CBitmapMessageBox::Layout() {
  HWND self = hwnd();
  int n = static_cast<int>(buttons_.size());
  int x = size_.cx - kMargin - n * kButtonWidth - (n > 0 ? (n - 1) * kGap : 0);
  int y = size_.cy - kMargin - kButtonHeight + 6;
  for (int i = 0; i < n; ++i) {
    if (buttonWindows_[i].hwnd())
      SetWindowPos(buttonWindows_[i].hwnd(), nullptr, x, y, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    x += kButtonWidth + kGap;
  }
  if (close_.hwnd())
    SetWindowPos(close_.hwnd(), nullptr, size_.cx - 34, 7, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT field{kMargin + 8, size_.cy - 96, size_.cx - kMargin - 8, size_.cy - 70};
  for (int id : {IDC_MESSAGE_INPUT, IDC_MESSAGE_KEY})
    if (HWND w = GetDlgItem(self, id))
      SetWindowPos(w, nullptr, field.left, field.top, field.right - field.left,
                   field.bottom - field.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CBitmapMessageBox::PaintBackground(HDC dc) {
  RECT c{0, 0, size_.cx, size_.cy};
  wingui::UniqueBrush key(CreateSolidBrush(kTransparentKey));
  FillRect(dc, &c, key.get());
  DrawKeyedStretched(dc, c, background_.get());
  DrawCaption(dc, RECT{30, 6, size_.cx - 44, 34}, title_, titleFont_.get(), textColour_,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
  bool field = input_enabled_ || keyCapture_;
  RECT text{kMargin + 8, 44, size_.cx - kMargin - 8, size_.cy - (field ? 100 : 56)};
  DrawCaption(dc, text, text_, textFont_.get(), textColour_, DT_LEFT | DT_WORDBREAK);
}

LRESULT CBitmapMessageBox::OnEraseBackground(HDC dc) {
  PaintBackground(dc);
  return 1;
}

LRESULT CBitmapMessageBox::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PRINTCLIENT: PaintBackground(reinterpret_cast<HDC>(wp)); return 0;
    case WM_CTLCOLOREDIT: {
      HDC dc = reinterpret_cast<HDC>(wp);
      SetTextColor(dc, kFieldText);
      SetBkColor(dc, kFieldBack);
      return reinterpret_cast<LRESULT>(inputBrush_.get());
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      // Key messages the box itself receives go to the capture field.
      if (keyCapture_ && key_.hwnd()) {
        key_.Capture(wp, lp);
        return 0;
      }
      return Dialog::OnMessage(msg, wp, lp);
    default: return Dialog::OnMessage(msg, wp, lp);
  }
}

void CBitmapMessageBox::Press(int index) {
  if (index < 0 || index >= static_cast<int>(buttons_.size())) return;
  if (index == 0 && input_enabled_) {
    wchar_t text[kMaxInput + 1] = L"";
    GetDlgItemTextW(hwnd(), IDC_MESSAGE_INPUT, text, kMaxInput + 1);
    input_ = text;  // never more than 260 characters
  }
  End(buttons_[index].second);
}

LRESULT CBitmapMessageBox::OnCommand(int id, int code, HWND ctl) {
  if (id >= IDC_MESSAGE_BUTTON_FIRST && id <= IDC_MESSAGE_BUTTON_LAST && code == BN_CLICKED) {
    Press(id - IDC_MESSAGE_BUTTON_FIRST);
    return 0;
  }
  if (id == IDC_MESSAGE_CLOSE && code == BN_CLICKED) {
    End(kClosed);
    return 0;
  }
  return Dialog::OnCommand(id, code, ctl);
}

// Enter presses the first button.
void CBitmapMessageBox::OnOK() {
  if (buttons_.empty()) End(kClosed); else Press(0);
}

LRESULT CBitmapMessageBox::OnLButtonDown(UINT, POINT) {
  // The box has no caption: a press on its picture moves it.
  ReleaseCapture();
  SendMessageW(hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
  return 0;
}
