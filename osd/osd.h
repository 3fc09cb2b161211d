// OSD.dll: on-screen notices. A notice is a layered, topmost window that never takes the focus
// and lets every click through to the window below; it shows a picture (with a colour key) and
// a text with outline, and hides itself after its display time.
//
// Use from one thread that pumps messages (fades and the display time run on window timers):
//   OsdInitialize(OSD_VERSION);
//   OsdWindow* notice = OsdCreate(instance, "text");
//   notice->SetParameter(OsdFontSize, 24); ... notice->Show();
// The interface is a table of virtual operations; callers build with the same compiler.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

#ifdef OSD_BUILDING_LIBRARY
#define OSD_API __declspec(dllexport)
#else
#define OSD_API __declspec(dllimport)
#endif

// Interface version that OsdInitialize accepts.
constexpr int OSD_VERSION = 0;

// Ids of SetParameter. Values are pointer-sized so that a font name fits on 64-bit Windows.
// Positions are percent of the primary monitor's work area, the notice kept wholly inside.
// Colours are 0xAARRGGBB; an alpha of 0 leaves that element out, any other alpha draws it
// solid (the window as a whole is made translucent by OsdAlpha).
enum OsdParameterId : int {
    OsdHorizontal = 1,    // 0 at the left edge to 100 at the right edge; default 50
    OsdVertical = 2,      // 0 at the top to 100 at the bottom; default 50
    OsdFadeTime = 3,      // fade-in on Show and fade-out on Hide, in ms; default 150
    OsdOutlineColour = 4, // colour of outline and shadow; default 0xFF000000
    OsdTextColour = 5,    // colour of the text; default 0xFFFFFFFF
    OsdFontName = 6,      // const char* ANSI face name, copied; default "Arial"
    OsdFontSize = 7,      // character height in pixels; default 24
    OsdDuration = 8,      // ms from Show until the notice hides itself, 0 = until Hide; default 5000
    OsdShadow = 9,        // shadow offset down and right, in pixels; default 0
    OsdOutline = 10,      // outline width around the text, in pixels; default 0
    OsdAlpha = 11,        // opacity of the whole window, 0 to 255; default 255
};

// Lines of text (and the picture) within the notice, for SetAlignment.
enum OsdAlignment : int { OsdAlignLeft = 0, OsdAlignCentre = 1, OsdAlignRight = 2 };

// One notice window. Every operation is cheap and never fails visibly: bad values are clamped.
// Text, picture and parameters change what the notice shows, also while it is hidden.
// The table of operations holds exactly these, in this order (no virtual destructor: Destroy
// frees the object).
class OsdWindow {
public:
    // Shows the notice (fading in) and starts its display time; a visible notice restarts it.
    virtual void Show() = 0;
    // Hides the notice (fading out); the window takes no input meanwhile.
    virtual void Hide() = 0;
    // Sets one parameter (OsdParameterId); unknown ids are ignored.
    virtual void SetParameter(int id, INT_PTR value) = 0;
    // Sets the text (ANSI, system code page; null = none); lines split at '\n'. Copied. Drawn
    // bold and without smoothing, so that its edges stay crisp against the colour key.
    virtual void SetText(const char* text) = 0;
    // The window, for callers that place other windows relative to it.
    virtual HWND Handle() const = 0;
    // Alignment of the text lines and the picture (OsdAlignment); default centred.
    virtual void SetAlignment(int alignment) = 0;
    // Sets the picture, shown above the text; pixels of colour `key` (0xAARRGGBB, alpha ignored)
    // are transparent. The bitmap is copied: the caller may delete it at once. Null = none.
    // The key is also what surrounds the text (magenta until the first call): text or outline
    // in the key colour would not show.
    virtual void SetPicture(HBITMAP picture, UINT32 key) = 0;
    // Destroys the window and frees the object.
    virtual void Destroy() = 0;
    // Moves the notice by dx, dy pixels from the place its position parameters give.
    virtual void SetOffset(int dx, int dy) = 0;
    // 1 = fade in and out over OsdFadeTime, 0 = appear and vanish at once; default 1.
    virtual void SetFade(int on) = 0;

protected:
    ~OsdWindow() = default;
};

extern "C" {
// Registers the notice window class. Returns FALSE for a version other than OSD_VERSION.
OSD_API BOOL OsdInitialize(int version);
// Creates a hidden notice owned by module `instance` with the given ANSI text (copied).
// Returns null on failure or before OsdInitialize.
OSD_API OsdWindow* OsdCreate(HINSTANCE instance, const char* text);
}

// Converts a notice text to code page `codePage` for SetText: at most `capacity` bytes with the
// terminator, cut only between whole characters (double-byte code pages take two bytes for many
// characters; a surrogate pair is one character).
inline std::string OsdAnsiText(std::wstring_view text, std::size_t capacity = 128,
                               UINT codePage = CP_ACP) {
    std::string out;
    if (capacity == 0) {
        return out;
    }
    const std::size_t room = capacity - 1;
    std::size_t i = 0;
    while (i < text.size()) {
        const bool pair = IS_HIGH_SURROGATE(text[i]) && i + 1 < text.size() &&
                          IS_LOW_SURROGATE(text[i + 1]);
        const int units = pair ? 2 : 1;
        char bytes[8];
        const int n = WideCharToMultiByte(codePage, 0, text.data() + i, units, bytes,
                                          sizeof bytes, nullptr, nullptr);
        if (n <= 0 || out.size() + static_cast<std::size_t>(n) > room) {
            break;
        }
        out.append(bytes, static_cast<std::size_t>(n));
        i += static_cast<std::size_t>(units);
    }
    return out;
}
