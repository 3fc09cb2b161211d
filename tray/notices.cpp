#include "tray/notices.h"

#include <cstdio>

#include "tray/resource.h"
#include "tray/tray_texts.h"

namespace tessel::tray {
namespace {

constexpr char kProfileNoticeSample[] = "- |||||||||||||||||||| +";
constexpr size_t kNoticeTextChars = 127;
constexpr size_t kNoticeTextBytes = 128;
constexpr UINT32 kColourKey = 0xFFFF00FF;

// Formats one or two values into a notice text of at most 127 characters.
template <typename... Args>
std::wstring formatNotice(const std::wstring& format, Args... args) {
    // The formats are the Windows ones ("%s" is a wide string), as translators write them.
    wchar_t text[kNoticeTextChars + 1] = {};
    _snwprintf(text, kNoticeTextChars, format.c_str(), args...);
    text[kNoticeTextChars] = L'\0';  // a text that did not fit is cut, never left open
    return text;
}

}  // namespace

std::wstring profileNoticeText(std::wstring_view format, std::wstring_view name) {
    const std::wstring prefix(name.size() <= 18 ? 19 - name.size() : 0, L' ');
    // The name goes in as a string of its own: it may hold a '%'.
    return formatNotice(std::wstring(format), prefix.c_str(), std::wstring(name).c_str());
}

Notices::Notices(HINSTANCE instance, TrayTexts& texts) : instance_(instance), texts_(texts) {
    struct Placement {
        const char* text;
        INT_PTR horizontal, vertical;
    };
    // Bottom right: the profile name, the X gauge at the edge, the Y gauge beside it.
    const Placement placements[windowCount] = {{kProfileNoticeSample, 98, 95}, {"", 99, 94}, {"", 95, 94}};
    OsdInitialize(OSD_VERSION);
    for (int w = 0; w < windowCount; ++w) {
        OsdWindow* window = OsdCreate(instance_, placements[w].text);
        if (!window) continue;
        window->SetParameter(OsdFadeTime, 149);
        window->SetParameter(OsdOutlineColour, 0xFF00AA00);
        window->SetParameter(OsdTextColour, 0xFF00FF00);
        window->SetOffset(0, 0);
        window->SetParameter(OsdHorizontal, placements[w].horizontal);
        window->SetParameter(OsdVertical, placements[w].vertical);
        window->SetParameter(OsdAlpha, 230);
        window->SetParameter(OsdShadow, 0);
        window->SetParameter(OsdOutline, 1);
        window->SetParameter(OsdFontName, reinterpret_cast<INT_PTR>("Arial"));
        window->SetParameter(OsdFontSize, 24);
        window->SetText(placements[w].text);
        window->Hide();
        window->SetAlignment(OsdAlignCentre);
        window->SetFade(1);
        windows_[w] = window;
    }
}

void Notices::setSwitches(bool sensitivityNotice, bool profileNotice) {
    sensitivityNotice_ = sensitivityNotice;
    profileNotice_ = profileNotice;
}

void Notices::showProfile(std::wstring_view name) {
    OsdWindow* window = windows_[profileNotice];
    if (!window) return;
    const std::string text = OsdAnsiText(profileNoticeText(texts_.translateFormat(L"%s%s"), name), kNoticeTextBytes);
    if (profileNotice_) {
        window->SetText(text.c_str());
        window->Show();
        countdowns_[profileNotice] = kNoticeTicks;
    } else {
        window->Hide();
        window->SetText(text.c_str());
        countdowns_[profileNotice] = 0;
    }
}

void Notices::showSensitivity(long x, long y) {
    if (!windows_[sensitivityNoticeX] || !windows_[sensitivityNoticeY]) return;
    const std::string text =
        OsdAnsiText(formatNotice(texts_.translateFormat(L"X:%d Y:%d"), static_cast<int>(x), static_cast<int>(y)),
                    kNoticeTextBytes);
    OsdWindow* gaugeX = windows_[sensitivityNoticeX];
    if (!sensitivityNotice_) {
        gaugeX->Hide();
        gaugeX->SetText(text.c_str());
        countdowns_[sensitivityNoticeX] = 0;
        return;
    }
    // The gauge alone: a text prepared while the notice was off would be stale.
    gaugeX->SetText("");
    showGauge(sensitivityNoticeX, x);
    if (y != x) showGauge(sensitivityNoticeY, y);
}

void Notices::showGauge(Window w, long dpi) {
    OsdWindow* window = windows_[w];
    const long id = IDB_GAUGE_BASE + dpi / 125;
    // The Y notice has pictures of its own, marked Y.
    const long axisOffset = w == sensitivityNoticeY ? IDB_GAUGE_Y_OFFSET : 0;
    HBITMAP gauge = nullptr;
    if (id >= IDB_GAUGE_FIRST && id <= IDB_GAUGE_LAST)
        gauge = static_cast<HBITMAP>(
            LoadImageW(instance_, MAKEINTRESOURCEW(id + axisOffset), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    window->SetPicture(gauge, kColourKey);
    // The notice keeps a copy of its own.
    if (gauge) DeleteObject(gauge);
    window->Show();
    countdowns_[w] = kNoticeTicks;
}

void Notices::tick() {
    for (int w = 0; w < windowCount; ++w) {
        if (countdowns_[w] == 0) continue;
        if (--countdowns_[w] == 0 && windows_[w]) windows_[w]->Hide();
    }
}

}  // namespace tessel::tray
