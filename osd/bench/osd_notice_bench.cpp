// What a notice costs the tray: the OSD calls for a gauge notice (new picture, Show) and the time
// until its pixels are on the screen, for a hidden notice (the window is mapped) and for one
// already showing (only its content changes). Runs on a desktop of its own; needs a display.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "osd/osd.h"

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr int kRepetitions = 100;

void pumpOnce() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&msg);
    }
}

// A 43 x 282 gauge in magenta with a block of `colour` at its top.
HBITMAP gauge(DWORD colour) {
    std::vector<DWORD> pixels(43 * 282, 0xFF00FF);
    std::fill_n(pixels.begin(), 43 * 20, colour);
    return CreateBitmap(43, 282, 1, 32, pixels.data());
}

// The colour of the screen pixel at p as 0xRRGGBB.
DWORD screenPixel(POINT p) {
    const HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

struct Figures {
    std::vector<double> calls, onScreen;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// One gauge notice in `colour`; measures the calls and the wait until the screen shows it.
void notice(OsdWindow& window, DWORD colour, Figures& figures) {
    const auto start = Clock::now();
    const HBITMAP picture = gauge(colour);
    window.SetPicture(picture, 0xFFFF00FF);
    DeleteObject(picture);
    window.Show();
    figures.calls.push_back(Ms(Clock::now() - start).count());
    RECT r{};
    GetWindowRect(window.Handle(), &r);
    const POINT p{r.left + 20, r.top + 10};
    while (screenPixel(p) != colour && Ms(Clock::now() - start).count() < 2000) {
        pumpOnce();
    }
    figures.onScreen.push_back(Ms(Clock::now() - start).count());
}

} // namespace

int main() {
    const std::wstring name = L"osd-bench-" + std::to_wstring(GetCurrentProcessId());
    SetThreadDesktop(CreateDesktopW(name.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr));
    if (!OsdInitialize(OSD_VERSION)) {
        std::fprintf(stderr, "OsdInitialize failed\n");
        return 1;
    }
    OsdWindow* window = OsdCreate(GetModuleHandleW(nullptr), "");
    if (window == nullptr) {
        std::fprintf(stderr, "OsdCreate failed (no display?)\n");
        return 1;
    }
    window->SetParameter(OsdHorizontal, 99);
    window->SetParameter(OsdVertical, 94);
    window->SetFade(0);
    Figures hidden, showing;
    for (int i = 0; i < kRepetitions; ++i) {
        window->Hide();
        pumpOnce();
        notice(*window, i % 2 ? 0x00C000 : 0xC00000, hidden);
        notice(*window, i % 2 ? 0x0000C0 : 0xC0C000, showing);
    }
    window->Destroy();
    std::printf("gauge notice, median of %d (ms)      OSD calls   until on screen\n", kRepetitions);
    std::printf("  hidden before (window mapped)   %9.3f   %15.3f\n", median(hidden.calls),
                median(hidden.onScreen));
    std::printf("  already showing (new picture)   %9.3f   %15.3f\n", median(showing.calls),
                median(showing.onScreen));
    return 0;
}
