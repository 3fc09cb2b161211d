#include "wingui/window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <utility>

namespace wingui {

namespace {
constexpr UINT_PTR kSubclassId = 0x54534C;  // one subclass of ours per window

POINT PointFrom(LPARAM lp) { return POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}; }
}  // namespace

Window::~Window() {
  if (!hwnd_) return;
  HWND h = hwnd_;
  Detach();
  if (owned_) DestroyWindow(h);
}

void Window::RegisterSkinClass(HINSTANCE instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (GetClassInfoExW(instance, kSkinWindowClass, &wc)) return;
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kSkinWindowClass;
  RegisterClassExW(&wc);
}

bool Window::Create(const wchar_t* cls, const wchar_t* text, DWORD style, DWORD exStyle,
                    const RECT& r, HWND parent, int id) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  RegisterSkinClass(instance);
  HMENU menuOrId = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)) : nullptr;
  HWND h = CreateWindowExW(exStyle, cls, text, style, r.left, r.top, r.right - r.left,
                           r.bottom - r.top, parent, menuOrId, instance, nullptr);
  if (!h) return false;
  if (!Attach(h)) {
    DestroyWindow(h);
    return false;
  }
  owned_ = true;
  return true;
}

bool Window::Attach(HWND hwnd) {
  if (!hwnd || hwnd_) return false;
  if (!SetWindowSubclass(hwnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
    return false;
  hwnd_ = hwnd;
  OnAttached();
  return true;
}

void Window::Detach() {
  if (!hwnd_) return;
  RemoveWindowSubclass(hwnd_, SubclassProc, kSubclassId);
  hwnd_ = nullptr;
}

RECT Window::ClientRect() const {
  RECT r{};
  GetClientRect(hwnd_, &r);
  return r;
}

std::wstring Window::Text() const {
  std::wstring s(static_cast<size_t>(GetWindowTextLengthW(hwnd_)) + 1, L'\0');
  s.resize(static_cast<size_t>(GetWindowTextW(hwnd_, s.data(), static_cast<int>(s.size()))));
  return s;
}

std::wstring Window::StoredText() const {
  wchar_t buffer[512];
  int n = InternalGetWindowText(hwnd_, buffer, 512);
  return std::wstring(buffer, static_cast<size_t>(n > 0 ? n : 0));
}

LRESULT Window::CopyText(const std::wstring& s, int size, wchar_t* buffer) {
  if (!buffer || size <= 0) return 0;
  size_t n = std::min(s.size(), static_cast<size_t>(size - 1));
  s.copy(buffer, n);
  buffer[n] = L'\0';
  return static_cast<LRESULT>(n);
}

void Window::NotifyChildrenPixelsChanged() {
  for (HWND c = GetWindow(hwnd_, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    SendMessageW(c, kParentPixelsChanged, 0, 0);
}

LRESULT CALLBACK Window::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                      DWORD_PTR ref) {
  auto* self = reinterpret_cast<Window*>(ref);
  if (msg == WM_NCDESTROY) {
    self->OnDestroyed();
    self->Detach();
    self->owned_ = false;
    return DefSubclassProc(hwnd, msg, wp, lp);
  }
  return self->Dispatch(msg, wp, lp);
}

LRESULT Window::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
  Current saved = std::exchange(current_, Current{msg, wp, lp});
  if (msg == WM_SIZE || msg == WM_PAINT) NotifyChildrenPixelsChanged();
  LRESULT r = OnMessage(msg, wp, lp);
  current_ = saved;
  return r;
}

LRESULT Window::Default(UINT msg, WPARAM wp, LPARAM lp) {
  return DefSubclassProc(hwnd_, msg, wp, lp);
}

LRESULT Window::Default() { return Default(current_.msg, current_.wp, current_.lp); }

LRESULT Window::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: return OnPaint();
    case WM_ERASEBKGND: return OnEraseBackground(reinterpret_cast<HDC>(wp));
    case WM_LBUTTONDOWN: return OnLButtonDown(static_cast<UINT>(wp), PointFrom(lp));
    case WM_LBUTTONUP: return OnLButtonUp(static_cast<UINT>(wp), PointFrom(lp));
    case WM_LBUTTONDBLCLK: return OnLButtonDblClk(static_cast<UINT>(wp), PointFrom(lp));
    case WM_RBUTTONDOWN: return OnRButtonDown(static_cast<UINT>(wp), PointFrom(lp));
    case WM_RBUTTONUP: return OnRButtonUp(static_cast<UINT>(wp), PointFrom(lp));
    case WM_RBUTTONDBLCLK: return OnRButtonDblClk(static_cast<UINT>(wp), PointFrom(lp));
    case WM_MBUTTONDOWN: return OnMButtonDown(static_cast<UINT>(wp), PointFrom(lp));
    case WM_MOUSEMOVE: return OnMouseMove(static_cast<UINT>(wp), PointFrom(lp));
    case WM_MOUSEHOVER: return OnMouseHover(static_cast<UINT>(wp), PointFrom(lp));
    case WM_MOUSELEAVE: return OnMouseLeave();
    case WM_MOUSEWHEEL:
      return OnMouseWheel(GET_WHEEL_DELTA_WPARAM(wp), GET_KEYSTATE_WPARAM(wp), PointFrom(lp));
    case WM_TIMER: return OnTimer(wp);
    case WM_KEYDOWN: return OnKeyDown(static_cast<UINT>(wp), lp);
    case WM_CHAR: return OnChar(static_cast<wchar_t>(wp), lp);
    case WM_SETFOCUS: return OnSetFocus(reinterpret_cast<HWND>(wp));
    case WM_KILLFOCUS: return OnKillFocus(reinterpret_cast<HWND>(wp));
    case WM_VSCROLL: return OnVScroll(LOWORD(wp), reinterpret_cast<HWND>(lp));
    case WM_SIZE: return OnSize(static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp));
    case WM_GETTEXT: return OnGetText(static_cast<int>(wp), reinterpret_cast<wchar_t*>(lp));
    case WM_GETTEXTLENGTH: return OnGetTextLength();
    case WM_COMMAND: {
      HWND ctl = reinterpret_cast<HWND>(lp);
      if (ctl && SendMessageW(ctl, kReflectBase + WM_COMMAND, wp, lp)) return 0;
      return OnCommand(LOWORD(wp), HIWORD(wp), ctl);
    }
    case WM_DRAWITEM: {
      auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
      if (d->CtlType != ODT_MENU && SendMessageW(d->hwndItem, kReflectBase + WM_DRAWITEM, wp, lp))
        return TRUE;
      return Default();
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSCROLLBAR: {
      if (LRESULT brush = SendMessageW(reinterpret_cast<HWND>(lp), kReflectBase + msg, wp, lp))
        return brush;
      return Default();
    }
    case kReflectBase + WM_CTLCOLOREDIT:
    case kReflectBase + WM_CTLCOLORSTATIC:
    case kReflectBase + WM_CTLCOLORLISTBOX:
    case kReflectBase + WM_CTLCOLORBTN:
    case kReflectBase + WM_CTLCOLORSCROLLBAR:
      return reinterpret_cast<LRESULT>(OnControlColour(reinterpret_cast<HDC>(wp)));
    case kReflectBase + WM_DRAWITEM:
      return OnDrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lp)) ? TRUE : FALSE;
    case kReflectBase + WM_COMMAND:
      return OnReflectedCommand(HIWORD(wp)) ? TRUE : FALSE;
    default: return Default();
  }
}

INT_PTR Dialog::DoModal(HINSTANCE instance, int templateId, HWND parent) {
  modal_ = true;
  return DialogBoxParamW(instance, MAKEINTRESOURCEW(templateId), parent, DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

bool Dialog::CreateModeless(HINSTANCE instance, int templateId, HWND parent) {
  modal_ = false;
  HWND h = CreateDialogParamW(instance, MAKEINTRESOURCEW(templateId), parent, DialogProc,
                              reinterpret_cast<LPARAM>(this));
  if (!h) return false;
  owned_ = true;
  return true;
}

void Dialog::End(INT_PTR result) {
  if (modal_)
    EndDialog(hwnd(), result);
  else
    DestroyWindow(hwnd());
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT msg, WPARAM, LPARAM lp) {
  // Everything but the first message reaches the dialog through its subclass.
  if (msg != WM_INITDIALOG) return FALSE;
  auto* self = reinterpret_cast<Dialog*>(lp);
  if (!self->Attach(hwnd)) return FALSE;
  return self->OnInitDialog();
}

LRESULT Dialog::OnCommand(int id, int code, HWND ctl) {
  if (code == BN_CLICKED || !ctl) {
    if (id == IDOK) { OnOK(); return 0; }
    if (id == IDCANCEL) { OnCancel(); return 0; }
  }
  return Default();
}

}  // namespace wingui
