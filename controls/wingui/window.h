// The thin window layer: one window base with virtual message handlers and one dialog base.
// A Window attaches to a real HWND by subclassing it (SetWindowSubclass), whether the window
// came from a dialog template or from Create(); every message goes through OnMessage, whose
// default dispatch calls the virtual handlers below, each of which falls back to Default().
#pragma once

#include <windows.h>

#include <string>

namespace wingui {

// The window class of our own that owner-drawn controls are made of, in templates and in code.
inline constexpr wchar_t kSkinWindowClass[] = L"TesselSkinWnd";

// Notifications a parent passes back to the child they concern, so that a control can draw and
// handle its own notifications (the parent still sees them unless the child consumes them).
inline constexpr UINT kReflectBase = WM_USER + 0x1C00;

// Sent by a window to its direct children when its own pixels change (it was resized or
// repainted): controls that keep a copy of the parent under them drop it.
inline constexpr UINT kParentPixelsChanged = WM_APP + 0x301;

class Window {
 public:
  Window() = default;
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND hwnd() const { return hwnd_; }
  int id() const { return GetDlgCtrlID(hwnd_); }
  HWND parent() const { return GetParent(hwnd_); }

  // Makes a window of the given class and attaches to it; the window is destroyed with this
  // object.
  bool Create(const wchar_t* cls, const wchar_t* text, DWORD style, DWORD exStyle, const RECT& r,
              HWND parent, int id);
  // Attaches to an existing window (a template's control); it stays the template's.
  bool Attach(HWND hwnd);
  void Detach();

  // Timers by id.
  void StartTimer(UINT_PTR id, UINT ms) { SetTimer(hwnd_, id, ms, nullptr); }
  void StopTimer(UINT_PTR id) { KillTimer(hwnd_, id); }

  void Invalidate(bool erase = false) { if (hwnd_) InvalidateRect(hwnd_, nullptr, erase); }
  RECT ClientRect() const;
  std::wstring Text() const;
  // The text the window system keeps for the window, without asking the window (for controls
  // that answer WM_GETTEXT with something of their own).
  std::wstring StoredText() const;
  void SetText(const std::wstring& s) { SetWindowTextW(hwnd_, s.c_str()); }
  bool IsEnabled() const { return IsWindowEnabled(hwnd_) != FALSE; }

  static void RegisterSkinClass(HINSTANCE instance);

 protected:
  virtual LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Default(UINT msg, WPARAM wp, LPARAM lp);
  // The message being handled, for handlers that fall back to Default.
  LRESULT Default();

  virtual void OnAttached() {}
  virtual LRESULT OnPaint() { return Default(); }
  virtual LRESULT OnEraseBackground(HDC) { return Default(); }
  virtual LRESULT OnLButtonDown(UINT, POINT) { return Default(); }
  virtual LRESULT OnLButtonUp(UINT, POINT) { return Default(); }
  virtual LRESULT OnLButtonDblClk(UINT, POINT) { return Default(); }
  virtual LRESULT OnRButtonDown(UINT, POINT) { return Default(); }
  virtual LRESULT OnRButtonUp(UINT, POINT) { return Default(); }
  virtual LRESULT OnRButtonDblClk(UINT, POINT) { return Default(); }
  virtual LRESULT OnMButtonDown(UINT, POINT) { return Default(); }
  virtual LRESULT OnMouseMove(UINT, POINT) { return Default(); }
  virtual LRESULT OnMouseHover(UINT, POINT) { return Default(); }
  virtual LRESULT OnMouseLeave() { return Default(); }
  virtual LRESULT OnMouseWheel(int, UINT, POINT) { return Default(); }
  virtual LRESULT OnTimer(UINT_PTR) { return Default(); }
  virtual LRESULT OnKeyDown(UINT, LPARAM) { return Default(); }
  virtual LRESULT OnChar(wchar_t, LPARAM) { return Default(); }
  virtual LRESULT OnSetFocus(HWND) { return Default(); }
  virtual LRESULT OnKillFocus(HWND) { return Default(); }
  virtual LRESULT OnVScroll(UINT, HWND) { return Default(); }
  // A command: from a menu or accelerator (control null) or a child's notification.
  virtual LRESULT OnCommand(int, int, HWND) { return Default(); }
  virtual LRESULT OnSize(UINT, int, int) { return Default(); }
  virtual LRESULT OnGetText(int, wchar_t*) { return Default(); }
  virtual LRESULT OnGetTextLength() { return Default(); }
  // Reflected from the parent: return true when handled (a reflected WM_COMMAND handled here
  // is not passed on to the parent's OnCommand).
  virtual bool OnDrawItem(DRAWITEMSTRUCT&) { return false; }
  virtual bool OnReflectedCommand(int) { return false; }
  // Reflected WM_CTLCOLOR*: a brush paints the control, null leaves it to the parent.
  virtual HBRUSH OnControlColour(HDC) { return nullptr; }
  virtual void OnDestroyed() {}

  // Copies a caption into a WM_GETTEXT buffer; answers the copied length.
  static LRESULT CopyText(const std::wstring& s, int size, wchar_t* buffer);
  // Tells the direct children that this window's pixels changed.
  void NotifyChildrenPixelsChanged();

  bool owned_ = false;  // made by Create or a modeless dialog: destroyed with this object

 private:
  static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp);

  HWND hwnd_ = nullptr;
  struct Current {
    UINT msg;
    WPARAM wp;
    LPARAM lp;
  } current_{};
};

// A dialog from a .rc template. The template's controls are attached by id in OnInitDialog.
class Dialog : public Window {
 public:
  INT_PTR DoModal(HINSTANCE instance, int templateId, HWND parent);
  bool CreateModeless(HINSTANCE instance, int templateId, HWND parent);
  void End(INT_PTR result);

  template <typename C>
  C& Bind(C& control, int id) {
    control.Attach(GetDlgItem(hwnd(), id));
    return control;
  }

 protected:
  virtual BOOL OnInitDialog() { return TRUE; }
  LRESULT OnCommand(int id, int code, HWND ctl) override;
  virtual void OnOK() { End(IDOK); }
  virtual void OnCancel() { End(IDCANCEL); }

 private:
  static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);
  bool modal_ = false;
};

}  // namespace wingui
