#include "hover_button_v2.h"

#include <commctrl.h>

CHoverButtonV2::~CHoverButtonV2() {
  if (tooltip_) DestroyWindow(tooltip_);
}

void CHoverButtonV2::Reuse(Role role, Role from) {
  owned_[role].reset();
  picture_[role] = picture_[from];
}

// A picture that cannot be loaded leaves the previous one; a previous picture that was only
// borrowed from another role follows the new normal picture, so nothing points at freed art.
void CHoverButtonV2::LoadRole(Role role, int id, HINSTANCE module, Role reuse) {
  wingui::UniqueBitmap loaded = LoadBitmapResource(module, id);
  if (loaded) {
    owned_[role] = std::move(loaded);
    picture_[role] = owned_[role].get();
  } else if (picture_[role] != owned_[role].get() || !picture_[role]) {
    Reuse(role, reuse);
  }
}

int CHoverButtonV2::LoadBitmaps(int normal, int pressed, int hover, int disabled, int mask,
                                int disabledTicked, int tickedHover, HINSTANCE module) {
  if (!module) module = GetModuleHandleW(nullptr);
  LoadRole(kNormal, normal, module, kNormal);

  pressEnabled_ = pressed != 0;
  if (pressEnabled_) LoadRole(kPressed, pressed, module, kNormal); else Reuse(kPressed, kNormal);

  hoverEnabled_ = hover != 0;
  if (hoverEnabled_) LoadRole(kHover, hover, module, kNormal); else Reuse(kHover, kNormal);

  if (disabled == -1) Reuse(kDisabled, kNormal); else LoadRole(kDisabled, disabled, module, kNormal);
  if (disabledTicked == -1) Reuse(kDisabledTicked, kDisabled);
  else LoadRole(kDisabledTicked, disabledTicked, module, kDisabled);

  useTickedHover_ = tickedHover != -1;
  if (useTickedHover_) LoadRole(kTickedHover, tickedHover, module, kHover);
  else Reuse(kTickedHover, kHover);

  if (mask == -1) {
    owned_[kMask].reset();
    picture_[kMask] = nullptr;
  } else {
    wingui::UniqueBitmap m = LoadBitmapResource(module, mask);
    if (m) {
      owned_[kMask] = std::move(m);
      picture_[kMask] = owned_[kMask].get();
    }
  }
  kind_ = PictureKind::Bitmap;
  ApplySize(BitmapSize(picture_[kNormal]));
  return 1;
}

int CHoverButtonV2::LoadPngs(int normal, int hover, int pressed, int tickedHover, int disabled) {
  if (normal == 0) return 0;
  std::array<int, kPngRoles> ids{normal, hover, pressed, tickedHover, disabled};
  std::array<CGdiPlusBitmapResource, kPngRoles> loaded;
  bool all = true;
  for (int r = 0; r < kPngRoles; ++r)
    if (ids[r] != 0 && !loaded[r].Load(ids[r])) all = false;
  kind_ = PictureKind::Png;
  if (!all) {
    // No size: the button paints as a plain push button until a load succeeds.
    ApplySize(SIZE{0, 0});
    return 0;
  }
  png_.swap(loaded);
  for (int r = 0; r < kPngRoles; ++r)
    pngPicture_[r] = ids[r] != 0 ? png_[r].image() : png_[kPngNormal].image();
  ApplySize(png_[kPngNormal].Size());
  return 1;
}

int CHoverButtonV2::LoadPngs(int normal, int hover, int pressed, int disabled) {
  int ok = LoadPngs(normal, hover, pressed, 0, disabled);
  hoverEnabled_ = hover != 0;
  pressEnabled_ = pressed != 0;
  useTickedHover_ = false;
  return ok;
}

void CHoverButtonV2::ApplySize(SIZE picture) {
  size_ = fixedSize_ ? fixed_ : picture;
  if (!hwnd()) return;
  LONG_PTR style = GetWindowLongPtrW(hwnd(), GWL_STYLE);
  LONG_PTR wanted = (style & ~BS_TYPEMASK) | (size_.cx > 0 && size_.cy > 0 ? BS_OWNERDRAW : BS_PUSHBUTTON);
  if (wanted != style) SetWindowLongPtrW(hwnd(), GWL_STYLE, wanted);
  if (size_.cx > 0 && size_.cy > 0)
    SetWindowPos(hwnd(), nullptr, 0, 0, size_.cx, size_.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  background_.Drop();
  Invalidate();
}

void CHoverButtonV2::SetFixedSize(int width, int height) {
  fixedSize_ = true;
  fixed_ = SIZE{width, height};
  if (kind_ != PictureKind::None) ApplySize(size_);
}

void CHoverButtonV2::SetFont(int height, const std::wstring& face, COLORREF normal,
                             COLORREF pressed, COLORREF hover, COLORREF disabled, bool bold) {
  wingui::UniqueFont f = MakeFont(height, face.empty() ? DefaultFaceName() : face, bold);
  if (f) font_ = std::move(f);  // the old font is freed here
  textColour_ = {normal, pressed, hover, disabled};
  Invalidate();
}

void CHoverButtonV2::SetTicked(bool on) {
  ticked_ = on;
  Invalidate();
}

void CHoverButtonV2::SetNotification(bool notify, int commandValue,
                                     HoverButtonV2Parent* callback) {
  notify_ = notify;
  commandValue_ = commandValue;
  callback_ = callback;
}

int CHoverButtonV2::SetWindowShape(int shape, int left, int top, int right, int bottom,
                                   int cornerWidth, int cornerHeight) {
  wingui::UniqueRegion region;
  switch (shape) {
    case kEllipse: region.reset(CreateEllipticRgn(left, top, right, bottom)); break;
    case kRectangle: region.reset(CreateRectRgn(left, top, right, bottom)); break;
    case kRoundedRectangle:
      region.reset(CreateRoundRectRgn(left, top, right, bottom, cornerWidth, cornerHeight));
      break;
    case kCircle: {
      int side = std::max(right - left, bottom - top);
      region.reset(CreateRoundRectRgn(left, top, left + side, top + side, side, side));
      break;
    }
    case kPolygon: {
      POINT p[4] = {{left, top}, {left + 8, bottom}, {right - 9, bottom}, {right - 1, top}};
      region.reset(CreatePolygonRgn(p, 4, WINDING));
      break;
    }
    default: return 0;
  }
  if (!region || !SetWindowRgn(hwnd(), region.get(), TRUE)) return 0;
  region.release();  // the window owns it now
  return 1;
}

void CHoverButtonV2::EnsureTooltip() {
  if (tooltip_) return;
  tooltip_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                             hwnd(), nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!tooltip_) return;
  TTTOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.uFlags = TTF_IDISHWND;
  ti.hwnd = parent();
  ti.uId = reinterpret_cast<UINT_PTR>(hwnd());
  ti.lpszText = const_cast<wchar_t*>(L"");
  SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  // Silent unless the owner switches it on.
  SendMessageW(tooltip_, TTM_ACTIVATE, FALSE, 0);
}

LRESULT CHoverButtonV2::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) {
    EnsureTooltip();
    MSG m{hwnd(), msg, wp, lp, static_cast<DWORD>(GetMessageTime()), {}};
    GetCursorPos(&m.pt);
    if (tooltip_) SendMessageW(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
  }
  if (background_.Dropped(msg)) return 0;
  return Window::OnMessage(msg, wp, lp);
}

LRESULT CHoverButtonV2::OnLButtonDown(UINT, POINT) {
  return pressEnabled_ ? Default() : 0;
}

void CHoverButtonV2::ToggleAndNotify(POINT p) {
  RECT client = ClientRect();
  bool hit = picture_[kMask] && kind_ == PictureKind::Bitmap
                 ? BitmapPixel(picture_[kMask], p) == maskKey_
                 : PtInRect(&client, p) != FALSE;
  if (hit && !locked_) SetTicked(!ticked_);
  if (notify_) Notify(commandValue_ == -1 ? (ticked_ ? 1 : 0) : commandValue_);
}

void CHoverButtonV2::Notify(int value) {
  if (callback_)
    callback_->OnHoverButtonV2(id(), value);
  else
    SendMessageW(NotifyTarget(), WM_COMMAND, static_cast<WPARAM>(commandValue_),
                 reinterpret_cast<LPARAM>(hwnd()));
}

LRESULT CHoverButtonV2::OnLButtonUp(UINT, POINT p) {
  if (pressEnabled_ && checkStyle_) ToggleAndNotify(p);
  return Default();
}

LRESULT CHoverButtonV2::OnMouseMove(UINT, POINT) {
  tracking_.OnMove(hwnd());
  return Default();
}

LRESULT CHoverButtonV2::OnMouseHover(UINT, POINT) {
  if (hoverEnabled_) {
    hover_ = true;
    Invalidate();
    SendHelpText(hwnd(), help_);
  }
  return Default();
}

LRESULT CHoverButtonV2::OnMouseLeave() {
  tracking_.OnLeave();
  if (hoverEnabled_) {
    hover_ = false;
    Invalidate();
  }
  return Default();
}

LRESULT CHoverButtonV2::OnTimer(UINT_PTR id) {
  SendMessageW(NotifyTarget(), WM_TIMER, id, 0);
  return 0;
}

bool CHoverButtonV2::OnDrawItem(DRAWITEMSTRUCT& d) {
  if (size_.cx == 0 || size_.cy == 0) {
    ApplySize(SIZE{0, 0});  // back to a plain push button
    return true;
  }
  RECT client = ClientRect();
  bool selected = (d.itemState & ODS_SELECTED) != 0;
  wingui::Canvas canvas(d.hDC, client.right, client.bottom);
  if (characterSpacing_ != -1) SetTextCharacterExtra(canvas.dc(), characterSpacing_);
  if (backgroundCopyOn_) background_.Draw(hwnd(), canvas.dc());
  if (kind_ == PictureKind::Png)
    PaintPngKind(canvas.dc(), client, selected);
  else
    PaintBitmapKind(canvas.dc(), client, selected);
  BitBlt(d.hDC, 0, 0, client.right, client.bottom, canvas.dc(), 0, 0, SRCCOPY);
  return true;
}

void CHoverButtonV2::PaintPngKind(HDC dc, const RECT& client, bool selected) {
  bool disabled = !IsEnabled();
  PngRole role = kPngNormal;
  TextColour colour = kTextNormal;
  if (!checkStyle_) {
    if (selected) role = kPngPressed, colour = kTextPressed;
    else if (disabled) role = kPngDisabled, colour = kTextDisabled;
    else if (hover_) role = kPngHover, colour = kTextHover;
  } else {
    if (disabled) role = kPngDisabled, colour = kTextDisabled;
    else if (hover_) role = ticked_ && useTickedHover_ ? kPngTickedHover : kPngHover, colour = kTextHover;
    else if (ticked_) role = kPngPressed, colour = kTextPressed;
  }
  if (Gdiplus::Bitmap* image = pngPicture_[role]) {
    Gdiplus::Graphics g(dc);
    g.SetInterpolationMode(Gdiplus::InterpolationModeBilinear);
    g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    g.DrawImage(image, 0, 0, client.right, client.bottom);
  }
  DrawCaption(dc, client, textColour_[colour]);
}

void CHoverButtonV2::PaintBitmapKind(HDC dc, const RECT& client, bool selected) {
  bool disabled = !IsEnabled();
  Role role = kNormal;
  TextColour colour = kTextNormal;
  if (!checkStyle_) {
    if (disabled) role = kDisabled, colour = kTextDisabled;
    else if (selected && pressEnabled_) role = kPressed, colour = kTextPressed;
    else if (hover_) role = kHover, colour = kTextHover;
  } else {
    if (disabled) role = ticked_ ? kDisabledTicked : kDisabled, colour = kTextDisabled;
    else if (ticked_)
      role = useTickedHover_ && hover_ ? kTickedHover : kPressed,
      colour = useTickedHover_ && hover_ ? kTextHover : kTextPressed;
    else if (hover_) role = kHover, colour = kTextHover;
  }
  DrawKeyedStretched(dc, client, picture_[role]);
  DrawCaption(dc, client, textColour_[colour]);
}

void CHoverButtonV2::DrawCaption(HDC dc, const RECT& client, COLORREF colour) {
  std::wstring caption = Text();
  if (caption.empty()) return;
  if (!font_) font_ = MakeFont(16, DefaultFaceName(), false);
  RECT r = IsRectEmpty(&textRect_) ? client : textRect_;
  if (textEdges_.left) r.left = textEdges_.left;
  if (textEdges_.right) r.right = textEdges_.right;
  if (textEdges_.top) r.top = textEdges_.top;
  if (textEdges_.bottom) r.bottom = textEdges_.bottom;
  ::DrawCaption(dc, r, caption, font_.get(), colour, textFormat_);
}
