// The notice window behind OsdWindow: its settings, its own copies of text and picture, and the
// composed frame that WM_PAINT puts on screen.
#pragma once

#include <windows.h>

#include <string>

#include "osd/osd.h"

namespace osd {

// Registered by OsdInitialize, used by every notice.
inline constexpr wchar_t kNoticeClass[] = L"OsdNoticeWindow";

class NoticeWindow final : public OsdWindow {
public:
    static NoticeWindow* create(HINSTANCE owner, const char* text);
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    void Show() override;
    void Hide() override;
    void SetParameter(int id, INT_PTR value) override;
    void SetText(const char* text) override;
    HWND Handle() const override { return hwnd_; }
    void SetAlignment(int alignment) override;
    void SetPicture(HBITMAP picture, UINT32 key) override;
    void Destroy() override;
    void SetOffset(int dx, int dy) override;
    void SetFade(int on) override;

private:
    NoticeWindow() = default;
    ~NoticeWindow();

    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void paint();
    void onTimer(UINT_PTR id);

    // Rebuilds the font and the frame after a change and moves a visible window to match.
    void changed(bool font);
    void compose();
    void place();
    // Puts a shown notice on screen, or keeps it hidden while it has nothing to show.
    void present();
    // Fading: the window's opacity moves from its current value to `target` over the fade time.
    void fadeTo(BYTE target);
    void applyOpacity(BYTE alpha);
    void finishHiding();

    HWND hwnd_ = nullptr;
    std::wstring text_;
    HBITMAP picture_ = nullptr; // our copy
    SIZE pictureSize_{};
    COLORREF key_ = RGB(255, 0, 255);
    COLORREF appliedKey_ = CLR_INVALID; // as last given to the window system
    HFONT font_ = nullptr;
    HBITMAP frame_ = nullptr; // text and picture on the key colour, the window's size
    SIZE frameSize_{};

    int horizontal_ = 50;
    int vertical_ = 50;
    int fadeTime_ = 150;
    UINT32 outlineColour_ = 0xFF000000;
    UINT32 textColour_ = 0xFFFFFFFF;
    std::wstring fontName_ = L"Arial";
    int fontSize_ = 24;
    int duration_ = 5000;
    int shadow_ = 0;
    int outline_ = 0;
    BYTE alpha_ = 255;
    int alignment_ = OsdAlignCentre;
    POINT offset_{};
    bool fade_ = true;

    bool shown_ = false; // between Show and Hide (or the end of the display time)
    BYTE opacity_ = 0;   // the window's current opacity while fading
    BYTE fadeFrom_ = 0;
    BYTE fadeTarget_ = 0;
    DWORD fadeStart_ = 0;
};

} // namespace osd
