#include "osd/notice_window.h"

#include "osd/top_down_dib.h"

#include <algorithm>
#include <cstdlib>

namespace osd {
namespace {

enum TimerId : UINT_PTR { kExpiryTimer = 1, kFadeTimer = 2 };
constexpr UINT kFadeStepMs = 15;

// Outline passes grow with the square of the width; wider outlines are no longer outlines.
constexpr int kMaxOutline = 8;
constexpr int kMaxShadow = 32;

std::wstring fromAnsi(const char* text) {
    if (text == nullptr || *text == '\0') {
        return {};
    }
    const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 1) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), n);
    wide.resize(static_cast<std::size_t>(n - 1));
    return wide;
}

COLORREF toColorref(UINT32 argb) {
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

bool drawn(UINT32 argb) { return (argb >> 24) != 0; }

int clampInt(INT_PTR value, int low, int high) {
    return static_cast<int>(std::clamp<INT_PTR>(value, low, high));
}

// Where a part of width `part` starts in a width `whole` under the alignment.
int alignedLeft(int alignment, int whole, int part) {
    switch (alignment) {
    case OsdAlignLeft: return 0;
    case OsdAlignRight: return whole - part;
    default: return (whole - part) / 2;
    }
}

UINT drawTextAlignment(int alignment) {
    switch (alignment) {
    case OsdAlignLeft: return DT_LEFT;
    case OsdAlignRight: return DT_RIGHT;
    default: return DT_CENTER;
    }
}

} // namespace

NoticeWindow* NoticeWindow::create(HINSTANCE owner, const char* text) {
    auto* notice = new NoticeWindow();
    // Layered for the colour key and opacity; transparent so clicks reach the window below;
    // no-activate and tool window so it never takes the focus or a taskbar button.
    const HWND hwnd = CreateWindowExW(
        WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW,
        kNoticeClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, owner, notice);
    if (hwnd == nullptr) {
        delete notice;
        return nullptr;
    }
    notice->text_ = fromAnsi(text);
    notice->changed(true);
    return notice;
}

NoticeWindow::~NoticeWindow() {
    for (HGDIOBJ object : {static_cast<HGDIOBJ>(picture_), static_cast<HGDIOBJ>(font_),
                           static_cast<HGDIOBJ>(frame_)}) {
        if (object != nullptr) {
            DeleteObject(object);
        }
    }
}

LRESULT CALLBACK NoticeWindow::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* notice = static_cast<NoticeWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        notice->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(notice));
    }
    auto* notice = reinterpret_cast<NoticeWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (notice == nullptr) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return notice->handle(message, wParam, lParam);
}

LRESULT NoticeWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCHITTEST: return HTTRANSPARENT;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: paint(); return 0;
    case WM_TIMER: onTimer(wParam); return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void NoticeWindow::paint() {
    PAINTSTRUCT ps;
    const HDC dc = BeginPaint(hwnd_, &ps);
    if (frame_ != nullptr) {
        const HDC source = CreateCompatibleDC(dc);
        const HGDIOBJ old = SelectObject(source, frame_);
        BitBlt(dc, 0, 0, frameSize_.cx, frameSize_.cy, source, 0, 0, SRCCOPY);
        SelectObject(source, old);
        DeleteDC(source);
    }
    EndPaint(hwnd_, &ps);
}

void NoticeWindow::Show() {
    shown_ = true;
    if (duration_ > 0) {
        SetTimer(hwnd_, kExpiryTimer, static_cast<UINT>(duration_), nullptr);
    } else {
        KillTimer(hwnd_, kExpiryTimer);
    }
    present();
}

void NoticeWindow::present() {
    if (frame_ == nullptr) {
        // Nothing to show yet; the notice appears when it gets a text or picture.
        finishHiding();
        return;
    }
    place();
    if (!IsWindowVisible(hwnd_)) {
        applyOpacity(fade_ && fadeTime_ > 0 ? 0 : alpha_);
        SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }
    fadeTo(alpha_);
}

void NoticeWindow::Hide() {
    shown_ = false;
    KillTimer(hwnd_, kExpiryTimer);
    if (IsWindowVisible(hwnd_)) {
        fadeTo(0);
    }
}

void NoticeWindow::onTimer(UINT_PTR id) {
    if (id == kExpiryTimer) {
        Hide();
        return;
    }
    if (id != kFadeTimer) {
        return;
    }
    const DWORD elapsed = GetTickCount() - fadeStart_;
    if (elapsed >= static_cast<DWORD>(fadeTime_)) {
        KillTimer(hwnd_, kFadeTimer);
        applyOpacity(fadeTarget_);
        if (fadeTarget_ == 0 && !shown_) {
            finishHiding();
        }
        return;
    }
    const int step = (static_cast<int>(fadeTarget_) - fadeFrom_) * static_cast<int>(elapsed) / fadeTime_;
    applyOpacity(static_cast<BYTE>(fadeFrom_ + step));
}

void NoticeWindow::fadeTo(BYTE target) {
    if (!fade_ || fadeTime_ <= 0 || opacity_ == target) {
        KillTimer(hwnd_, kFadeTimer);
        applyOpacity(target);
        if (target == 0 && !shown_) {
            finishHiding();
        }
        return;
    }
    fadeFrom_ = opacity_;
    fadeTarget_ = target;
    fadeStart_ = GetTickCount();
    SetTimer(hwnd_, kFadeTimer, kFadeStepMs, nullptr);
}

void NoticeWindow::applyOpacity(BYTE alpha) {
    // Each call makes the window system redo the window's shape: only real changes go out.
    if (alpha == opacity_ && key_ == appliedKey_) {
        return;
    }
    opacity_ = alpha;
    appliedKey_ = key_;
    SetLayeredWindowAttributes(hwnd_, key_, alpha, LWA_COLORKEY | LWA_ALPHA);
}

void NoticeWindow::finishHiding() {
    KillTimer(hwnd_, kFadeTimer);
    ShowWindow(hwnd_, SW_HIDE);
}

void NoticeWindow::SetParameter(int id, INT_PTR value) {
    bool font = false;
    switch (id) {
    case OsdHorizontal: horizontal_ = clampInt(value, 0, 100); break;
    case OsdVertical: vertical_ = clampInt(value, 0, 100); break;
    case OsdFadeTime: fadeTime_ = clampInt(value, 0, 10000); break;
    case OsdOutlineColour: outlineColour_ = static_cast<UINT32>(value); break;
    case OsdTextColour: textColour_ = static_cast<UINT32>(value); break;
    case OsdFontName: {
        std::wstring name = fromAnsi(reinterpret_cast<const char*>(value));
        name.resize(std::min<std::size_t>(name.size(), LF_FACESIZE - 1));
        fontName_ = name.empty() ? L"Arial" : name;
        font = true;
        break;
    }
    case OsdFontSize: fontSize_ = clampInt(value, 1, 1000); font = true; break;
    case OsdDuration: duration_ = clampInt(value, 0, 24 * 3600 * 1000); return;
    case OsdShadow: shadow_ = clampInt(value, 0, kMaxShadow); break;
    case OsdOutline: outline_ = clampInt(value, 0, kMaxOutline); break;
    case OsdAlpha:
        alpha_ = static_cast<BYTE>(clampInt(value, 0, 255));
        if (shown_) {
            fadeTo(alpha_);
        }
        return;
    default: return;
    }
    changed(font);
}

void NoticeWindow::SetText(const char* text) {
    text_ = fromAnsi(text);
    changed(false);
}

void NoticeWindow::SetAlignment(int alignment) {
    alignment_ = std::clamp(alignment, static_cast<int>(OsdAlignLeft), static_cast<int>(OsdAlignRight));
    changed(false);
}

void NoticeWindow::SetPicture(HBITMAP picture, UINT32 key) {
    if (picture_ != nullptr) {
        DeleteObject(picture_);
        picture_ = nullptr;
    }
    pictureSize_ = {};
    if (picture != nullptr) {
        picture_ = static_cast<HBITMAP>(CopyImage(picture, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        BITMAP info{};
        if (picture_ != nullptr && GetObjectW(picture_, sizeof info, &info) != 0) {
            pictureSize_ = {info.bmWidth, std::abs(info.bmHeight)};
        }
    }
    key_ = toColorref(key);
    changed(false);
}

void NoticeWindow::Destroy() {
    DestroyWindow(hwnd_);
    delete this;
}

void NoticeWindow::SetOffset(int dx, int dy) {
    offset_ = {dx, dy};
    changed(false);
}

void NoticeWindow::SetFade(int on) {
    fade_ = on != 0;
}

void NoticeWindow::changed(bool font) {
    if (font || font_ == nullptr) {
        if (font_ != nullptr) {
            DeleteObject(font_);
        }
        // Without smoothing: blended edges would mix with the key colour and leave a fringe.
        font_ = CreateFontW(-fontSize_, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                            DEFAULT_PITCH, fontName_.c_str());
    }
    compose();
    applyOpacity(opacity_);
    if (shown_) {
        present();
    } else if (IsWindowVisible(hwnd_)) {
        place();
    }
}

void NoticeWindow::compose() {
    if (frame_ != nullptr) {
        DeleteObject(frame_);
        frame_ = nullptr;
    }
    frameSize_ = {};

    const HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ oldFont = SelectObject(dc, font_);
    const UINT format = DT_NOPREFIX | drawTextAlignment(alignment_);
    RECT textRect{};
    if (!text_.empty()) {
        DrawTextW(dc, text_.c_str(), static_cast<int>(text_.size()), &textRect, format | DT_CALCRECT);
    }
    // The outline surrounds the text, the shadow falls down and to the right.
    const bool hasText = textRect.right > 0 && textRect.bottom > 0;
    const int textWidth = hasText ? textRect.right + 2 * outline_ + shadow_ : 0;
    const int textHeight = hasText ? textRect.bottom + 2 * outline_ + shadow_ : 0;
    const int width = std::max<int>(pictureSize_.cx, textWidth);
    const int height = pictureSize_.cy + textHeight;
    if (width <= 0 || height <= 0) {
        SelectObject(dc, oldFont);
        DeleteDC(dc);
        return;
    }

    void* bits = nullptr;
    frame_ = createTopDownDib(dc, width, height, &bits);
    if (frame_ == nullptr) {
        SelectObject(dc, oldFont);
        DeleteDC(dc);
        return;
    }
    frameSize_ = {width, height};
    const DWORD keyPixel = (GetRValue(key_) << 16) | (GetGValue(key_) << 8) | GetBValue(key_);
    std::fill_n(static_cast<DWORD*>(bits), static_cast<std::size_t>(width) * height, keyPixel);
    const HGDIOBJ oldFrame = SelectObject(dc, frame_);

    if (picture_ != nullptr) {
        const HDC source = CreateCompatibleDC(dc);
        const HGDIOBJ old = SelectObject(source, picture_);
        BitBlt(dc, alignedLeft(alignment_, width, pictureSize_.cx), 0, pictureSize_.cx,
               pictureSize_.cy, source, 0, 0, SRCCOPY);
        SelectObject(source, old);
        DeleteDC(source);
    }

    if (hasText) {
        SetBkMode(dc, TRANSPARENT);
        const int left = alignedLeft(alignment_, width, textWidth) + outline_;
        const int top = pictureSize_.cy + outline_;
        auto drawAt = [&](int dx, int dy) {
            RECT r{left + dx, top + dy, left + dx + textRect.right, top + dy + textRect.bottom};
            DrawTextW(dc, text_.c_str(), static_cast<int>(text_.size()), &r, format);
        };
        if (drawn(outlineColour_)) {
            SetTextColor(dc, toColorref(outlineColour_));
            if (shadow_ > 0) {
                drawAt(shadow_, shadow_);
            }
            for (int dy = -outline_; dy <= outline_; ++dy) {
                for (int dx = -outline_; dx <= outline_; ++dx) {
                    if (dx != 0 || dy != 0) {
                        drawAt(dx, dy);
                    }
                }
            }
        }
        if (drawn(textColour_)) {
            SetTextColor(dc, toColorref(textColour_));
            drawAt(0, 0);
        }
    }
    GdiFlush();
    SelectObject(dc, oldFrame);
    SelectObject(dc, oldFont);
    DeleteDC(dc);
}

void NoticeWindow::place() {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& area = monitor.rcWork;
    const int x = area.left + (area.right - area.left - frameSize_.cx) * horizontal_ / 100 + offset_.x;
    const int y = area.top + (area.bottom - area.top - frameSize_.cy) * vertical_ / 100 + offset_.y;
    RECT now{};
    GetWindowRect(hwnd_, &now);
    if (now.left != x || now.top != y || now.right - now.left != frameSize_.cx ||
        now.bottom - now.top != frameSize_.cy) {
        SetWindowPos(hwnd_, HWND_TOPMOST, x, y, frameSize_.cx, frameSize_.cy, SWP_NOACTIVATE);
    }
    InvalidateRect(hwnd_, nullptr, FALSE);
}

} // namespace osd
