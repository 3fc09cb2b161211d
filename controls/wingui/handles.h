// RAII owners for the window system's handles: each frees its handle exactly once, with the call
// that matches how the handle was made.
#pragma once

#include <windows.h>

#include <utility>

namespace wingui {

// One owner template; the traits say what "no handle" is and how to free one.
template <typename Traits>
class Unique {
 public:
  using Handle = typename Traits::Handle;
  Unique() = default;
  explicit Unique(Handle h) : h_(h) {}
  Unique(Unique&& o) noexcept : h_(std::exchange(o.h_, Traits::Invalid())) {}
  Unique& operator=(Unique&& o) noexcept {
    if (this != &o) reset(std::exchange(o.h_, Traits::Invalid()));
    return *this;
  }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  ~Unique() { reset(); }

  Handle get() const { return h_; }
  explicit operator bool() const { return h_ != Traits::Invalid(); }
  Handle release() { return std::exchange(h_, Traits::Invalid()); }
  void reset(Handle h = Traits::Invalid()) {
    if (h_ != Traits::Invalid()) Traits::Free(h_);
    h_ = h;
  }

 private:
  Handle h_ = Traits::Invalid();
};

template <typename H>
struct GdiObjectTraits {
  using Handle = H;
  static Handle Invalid() { return nullptr; }
  static void Free(Handle h) { DeleteObject(h); }
};
struct WindowTraits {
  using Handle = HWND;
  static HWND Invalid() { return nullptr; }
  static void Free(HWND h) { DestroyWindow(h); }
};
struct MemoryDcTraits {
  using Handle = HDC;
  static HDC Invalid() { return nullptr; }
  static void Free(HDC h) { DeleteDC(h); }
};
struct GlobalTraits {
  using Handle = HGLOBAL;
  static HGLOBAL Invalid() { return nullptr; }
  static void Free(HGLOBAL h) { GlobalFree(h); }
};
struct FontResourceTraits {
  using Handle = HANDLE;
  static HANDLE Invalid() { return nullptr; }
  static void Free(HANDLE h) { RemoveFontMemResourceEx(h); }
};
struct MenuTraits {
  using Handle = HMENU;
  static HMENU Invalid() { return nullptr; }
  static void Free(HMENU h) { DestroyMenu(h); }
};

using UniqueBitmap = Unique<GdiObjectTraits<HBITMAP>>;
using UniqueFont = Unique<GdiObjectTraits<HFONT>>;
using UniqueRegion = Unique<GdiObjectTraits<HRGN>>;
using UniqueBrush = Unique<GdiObjectTraits<HBRUSH>>;
using UniqueWindow = Unique<WindowTraits>;
using UniqueMemoryDc = Unique<MemoryDcTraits>;
using UniqueGlobal = Unique<GlobalTraits>;
using UniqueFontResource = Unique<FontResourceTraits>;
using UniqueMenu = Unique<MenuTraits>;

// A window's device context from GetDC, given back with ReleaseDC.
class WindowDc {
 public:
  explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
  ~WindowDc() { if (dc_) ReleaseDC(hwnd_, dc_); }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
};

// BeginPaint / EndPaint.
class PaintDc {
 public:
  explicit PaintDc(HWND hwnd) : hwnd_(hwnd) { dc_ = BeginPaint(hwnd, &ps_); }
  ~PaintDc() { EndPaint(hwnd_, &ps_); }
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;
  HDC get() const { return dc_; }
  const RECT& dirty() const { return ps_.rcPaint; }

 private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
  HDC dc_;
};

// SelectObject that puts the previous object back.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ obj) : dc_(dc), old_(obj ? SelectObject(dc, obj) : nullptr) {}
  ~Selected() { if (old_) SelectObject(dc_, old_); }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// SaveDC / RestoreDC around a drawing step that changes modes, colours or fonts.
class SavedDc {
 public:
  explicit SavedDc(HDC dc) : dc_(dc), id_(SaveDC(dc)) {}
  ~SavedDc() { RestoreDC(dc_, id_); }
  SavedDc(const SavedDc&) = delete;
  SavedDc& operator=(const SavedDc&) = delete;

 private:
  HDC dc_;
  int id_;
};

// GlobalLock / GlobalUnlock.
class GlobalLocked {
 public:
  explicit GlobalLocked(HGLOBAL h) : h_(h), p_(GlobalLock(h)) {}
  ~GlobalLocked() { if (p_) GlobalUnlock(h_); }
  GlobalLocked(const GlobalLocked&) = delete;
  GlobalLocked& operator=(const GlobalLocked&) = delete;
  void* get() const { return p_; }

 private:
  HGLOBAL h_;
  void* p_;
};

// A memory context with a compatible bitmap of the given size selected: the place where a
// control composes its picture before one copy to the screen.
class Canvas {
 public:
  Canvas(HDC like, int width, int height)
      : dc_(CreateCompatibleDC(like)),
        bitmap_(CreateCompatibleBitmap(like, width > 0 ? width : 1, height > 0 ? height : 1)),
        selected_(dc_.get(), bitmap_.get()) {}
  HDC dc() const { return dc_.get(); }

 private:
  UniqueMemoryDc dc_;
  UniqueBitmap bitmap_;
  Selected selected_;
};

}  // namespace wingui
