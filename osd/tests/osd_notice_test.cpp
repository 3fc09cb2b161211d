// Notices of OSD.dll on a real window system: what reaches the screen (read back through GDI),
// where the window stands, whether it takes the focus or the clicks, and what it costs in GDI
// objects. Screens are saved as osd_*.bmp beside the test for people to look at.
#include <gtest/gtest.h>
#include <windows.h>

#include "uidriver/gdi_objects.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "osd/osd.h"
#include "osd/tests/screen.h"

namespace {

using osd::testing::captureScreen;
using osd::testing::ScreenImage;

constexpr COLORREF kBelowColour = RGB(30, 40, 150);
constexpr COLORREF kFrontColour = RGB(150, 150, 150);
constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr UINT32 kTextArgb = 0xFF00FF00;    // the tray's bright green
constexpr UINT32 kOutlineArgb = 0xFF00AA00; // the tray's darker green
constexpr COLORREF kText = RGB(0, 255, 0);
constexpr COLORREF kOutline = RGB(0, 170, 0);
constexpr COLORREF kRed = RGB(220, 0, 0);

// Runs the message loop (fades and display times are window timers) for `ms`.
void pump(DWORD ms) {
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    } while (GetTickCount() - start < ms);
}

// Pumps until `done` holds or `ms` have passed; returns whether it held.
bool pumpUntil(const std::function<bool()>& done, DWORD ms) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > ms) {
            return false;
        }
        pump(10);
    }
    return true;
}

struct DestroyNotice {
    void operator()(OsdWindow* notice) const { notice->Destroy(); }
};
using Notice = std::unique_ptr<OsdWindow, DestroyNotice>;

// A notice set up as the tray sets up its own, but appearing and vanishing at once.
Notice makeNotice(const char* text) {
    Notice notice(OsdCreate(GetModuleHandleW(nullptr), text));
    if (notice) {
        notice->SetParameter(OsdOutlineColour, kOutlineArgb);
        notice->SetParameter(OsdTextColour, kTextArgb);
        notice->SetParameter(OsdOutline, 1);
        notice->SetParameter(OsdFontSize, 24);
        notice->SetFade(0);
    }
    return notice;
}

RECT rectOf(const OsdWindow& notice) {
    RECT r{};
    GetWindowRect(notice.Handle(), &r);
    return r;
}

RECT workArea() {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    return monitor.rcWork;
}

// A picture of `size` in key colour `key` with a red block of `block` at its top left, as a
// device-dependent bitmap like the ones LoadImage gives.
HBITMAP makePicture(SIZE size, COLORREF key, SIZE block) {
    const auto pixel = [](COLORREF c) -> DWORD {
        return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    };
    std::vector<DWORD> pixels(static_cast<std::size_t>(size.cx) * size.cy, pixel(key));
    for (int y = 0; y < block.cy; ++y) {
        std::fill_n(pixels.begin() + static_cast<std::ptrdiff_t>(y) * size.cx, block.cx, pixel(kRed));
    }
    return CreateBitmap(size.cx, size.cy, 1, 32, pixels.data());
}

// An ordinary window in one plain colour that counts the left clicks it receives.
class PlainWindow {
public:
    PlainWindow(const RECT& r, COLORREF colour) : brush_(CreateSolidBrush(colour)) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = brush_;
        name_ = L"OsdTestPlain" + std::to_wstring(colour);
        wc.lpszClassName = name_.c_str();
        RegisterClassW(&wc);
        hwnd_ = CreateWindowExW(0, name_.c_str(), L"plain", WS_POPUP | WS_VISIBLE, r.left, r.top,
                                r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                                wc.hInstance, nullptr);
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetForegroundWindow(hwnd_);
        SetFocus(hwnd_);
        UpdateWindow(hwnd_);
    }
    ~PlainWindow() {
        DestroyWindow(hwnd_);
        UnregisterClassW(name_.c_str(), GetModuleHandleW(nullptr));
        DeleteObject(brush_);
    }
    HWND hwnd() const { return hwnd_; }
    int clicks() const { return clicks_; }

private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_LBUTTONDOWN) {
            if (auto* self = reinterpret_cast<PlainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))) {
                ++self->clicks_;
            }
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    HBRUSH brush_;
    std::wstring name_;
    HWND hwnd_ = nullptr;
    int clicks_ = 0;
};

void clickAt(POINT p) {
    SetCursorPos(p.x, p.y);
    INPUT input[2]{};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof(INPUT));
}

using uidriver::gdiObjectCount;

// A desktop of the test's own (the prefix's default desktop belongs to whichever display started
// the wineserver), and the library initialised once.
class OsdEnvironment final : public ::testing::Environment {
public:
    void SetUp() override {
        const std::wstring name = L"osd-test-" + std::to_wstring(GetCurrentProcessId());
        desktop_ = CreateDesktopW(name.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr);
        ASSERT_NE(desktop_, nullptr) << GetLastError();
        ASSERT_TRUE(SetThreadDesktop(desktop_)) << GetLastError();
        ASSERT_TRUE(OsdInitialize(OSD_VERSION));
    }

private:
    HDESK desktop_ = nullptr;
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new OsdEnvironment);

TEST(OsdLibrary, ExportsItsTwoFunctionsUndecoratedAndChecksTheVersion) {
    const HMODULE library = GetModuleHandleW(L"OSD.dll");
    ASSERT_NE(library, nullptr);
    EXPECT_NE(GetProcAddress(library, "OsdInitialize"), nullptr);
    EXPECT_NE(GetProcAddress(library, "OsdCreate"), nullptr);
    EXPECT_FALSE(OsdInitialize(OSD_VERSION + 1));
    EXPECT_TRUE(OsdInitialize(OSD_VERSION)); // again: harmless
}

TEST(OsdNotice, TextIsTopmostNeverTakesTheFocusAndLetsClicksThrough) {
    const int cx = GetSystemMetrics(SM_CXSCREEN);
    const int cy = GetSystemMetrics(SM_CYSCREEN);
    PlainWindow below({0, 0, cx, cy}, kBelowColour);
    PlainWindow front({cx / 4, cy / 4, cx * 3 / 4, cy * 3 / 4}, kFrontColour);
    pump(100);
    ASSERT_EQ(GetForegroundWindow(), front.hwnd());

    Notice notice = makeNotice("- |||||||||||||||||||| +");
    ASSERT_TRUE(notice);
    EXPECT_FALSE(IsWindowVisible(notice->Handle())) << "a new notice waits for Show";
    notice->Show();
    pump(200);
    ASSERT_TRUE(IsWindowVisible(notice->Handle()));
    const LONG_PTR exStyle = GetWindowLongPtrW(notice->Handle(), GWL_EXSTYLE);
    const LONG_PTR required[] = {WS_EX_LAYERED, WS_EX_TRANSPARENT, WS_EX_TOPMOST,
                                 WS_EX_NOACTIVATE, WS_EX_TOOLWINDOW};
    for (const LONG_PTR bit : required) {
        EXPECT_EQ(exStyle & bit, bit) << std::hex << bit;
    }
    EXPECT_EQ(GetForegroundWindow(), front.hwnd());
    EXPECT_EQ(GetActiveWindow(), front.hwnd());
    EXPECT_EQ(GetFocus(), front.hwnd());

    const RECT r = rectOf(*notice);
    const ScreenImage shot = captureScreen();
    shot.save(L"osd_text_notice.bmp");
    const ScreenImage inside = captureScreen(r);
    EXPECT_GT(inside.count(kText), 50);
    EXPECT_GT(inside.count(kOutline), 50) << "with its outline";
    EXPECT_GT(inside.count(kFrontColour), inside.width() * inside.height() / 4)
        << "between the letters the window below shows through";
    EXPECT_EQ(shot.count(kMagenta), 0);

    // A click on a drawn pixel of the notice reaches the window below and activates nothing else.
    const std::vector<POINT> letters = inside.find(kText);
    ASSERT_FALSE(letters.empty());
    const POINT target = letters[letters.size() / 2];
    EXPECT_EQ(WindowFromPoint(target), front.hwnd());
    clickAt(target);
    EXPECT_TRUE(pumpUntil([&] { return front.clicks() == 1; }, 2000)) << front.clicks();
    EXPECT_EQ(GetForegroundWindow(), front.hwnd());
    EXPECT_EQ(below.clicks(), 0);

    // Another window brought to the front stays behind the notice. (Wine without a window
    // manager restacks X windows only for newly mapped ones, so this reads the window order.)
    SetForegroundWindow(below.hwnd());
    SetWindowPos(below.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    pump(100);
    ASSERT_EQ(GetForegroundWindow(), below.hwnd());
    HWND first = GetTopWindow(nullptr);
    while (first != nullptr && !IsWindowVisible(first)) {
        first = GetWindow(first, GW_HWNDNEXT);
    }
    EXPECT_EQ(first, notice->Handle());

    notice->Hide();
    pump(100);
    EXPECT_FALSE(IsWindowVisible(notice->Handle()));
    EXPECT_EQ(captureScreen(r).count(kText), 0);
}

TEST(OsdNotice, PictureShowsItsCopyWithoutTheKeyColour) {
    struct Case {
        COLORREF key;
        UINT32 keyArgb;
    };
    // The key is what the caller names: magenta as the tray's gauges, and another one.
    for (const Case& c : {Case{kMagenta, 0xFFFF00FF}, Case{RGB(0, 0, 255), 0xFF0000FF}}) {
        SCOPED_TRACE(c.keyArgb);
        Notice notice = makeNotice("");
        ASSERT_TRUE(notice);
        notice->Show();
        pump(100);
        EXPECT_FALSE(IsWindowVisible(notice->Handle())) << "nothing to show yet";

        const HBITMAP picture = makePicture({43, 282}, c.key, {20, 100});
        notice->SetPicture(picture, c.keyArgb);
        // The caller frees its bitmap at once; the notice keeps its own copy.
        EXPECT_TRUE(DeleteObject(picture));
        pump(200);
        ASSERT_TRUE(IsWindowVisible(notice->Handle()));
        const RECT r = rectOf(*notice);
        EXPECT_EQ(r.right - r.left, 43);
        EXPECT_EQ(r.bottom - r.top, 282);

        const ScreenImage shot = captureScreen();
        shot.save(c.key == kMagenta ? L"osd_picture_magenta_key.bmp" : L"osd_picture_blue_key.bmp");
        EXPECT_EQ(shot.count(c.key), 0);
        const ScreenImage inside = captureScreen(r);
        EXPECT_EQ(inside.count(kRed), 20 * 100);
        EXPECT_EQ(inside.at(r.left, r.top), kRed);
        EXPECT_EQ(inside.at(r.left + 19, r.top + 99), kRed);
        EXPECT_NE(inside.at(r.left + 20, r.top + 100), kRed);
    }
}

TEST(OsdNotice, SetTextCopiesItsTextAndChangesAHiddenNoticeWithoutShowingIt) {
    Notice reference = makeNotice("Copied 123");
    ASSERT_TRUE(reference);
    reference->Show();
    pump(200);
    const RECT r = rectOf(*reference);
    const ScreenImage expected = captureScreen(r);
    ASSERT_GT(expected.count(kText), 0);
    reference->Hide();

    Notice notice = makeNotice("placeholder");
    auto buffer = std::make_unique<char[]>(64);
    std::strcpy(buffer.get(), "Copied 123");
    notice->SetText(buffer.get());
    std::memset(buffer.get(), 'W', 63);
    buffer.reset();
    pump(100);
    EXPECT_FALSE(IsWindowVisible(notice->Handle()));
    notice->Show();
    pump(200);
    const RECT now = rectOf(*notice);
    EXPECT_TRUE(EqualRect(&r, &now));
    RedrawWindow(notice->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    pump(100);
    EXPECT_EQ(captureScreen(now).pixels, expected.pixels);
}

// What each parameter and operation says, measured on the window or the screen.
TEST(OsdNotice, ParametersChangeWhatTheNoticeShows) {
    const RECT area = workArea();
    Notice notice = makeNotice("Tessel");
    ASSERT_TRUE(notice);
    notice->Show();
    pump(100);
    const auto size = [&] {
        const RECT r = rectOf(*notice);
        return SIZE{r.right - r.left, r.bottom - r.top};
    };
    const SIZE base = size();

    // Position: percent of the work area, plus the offset.
    struct Place {
        int horizontal, vertical, dx, dy;
    };
    for (const Place& p : {Place{0, 0, 0, 0}, Place{100, 100, 0, 0}, Place{99, 95, 0, 0},
                           Place{50, 50, 10, -20}}) {
        notice->SetParameter(OsdHorizontal, p.horizontal);
        notice->SetParameter(OsdVertical, p.vertical);
        notice->SetOffset(p.dx, p.dy);
        pump(50);
        const RECT r = rectOf(*notice);
        EXPECT_EQ(r.left, area.left + (area.right - area.left - base.cx) * p.horizontal / 100 + p.dx)
            << p.horizontal;
        EXPECT_EQ(r.top, area.top + (area.bottom - area.top - base.cy) * p.vertical / 100 + p.dy)
            << p.vertical;
    }
    notice->SetOffset(0, 0);
    pump(50);

    // Colours: text and outline; an alpha of 0 leaves an element out.
    const auto shot = [&] {
        pump(100);
        return captureScreen(rectOf(*notice));
    };
    notice->SetParameter(OsdTextColour, 0xFFFF8000);
    ScreenImage s = shot();
    s.save(L"osd_orange_text.bmp");
    EXPECT_GT(s.count(RGB(255, 128, 0)), 50);
    EXPECT_EQ(s.count(kText), 0);
    notice->SetParameter(OsdTextColour, 0x00FF8000);
    EXPECT_EQ(shot().count(RGB(255, 128, 0)), 0);
    notice->SetParameter(OsdTextColour, kTextArgb);
    notice->SetParameter(OsdOutlineColour, 0xFF0000FF);
    EXPECT_GT(shot().count(RGB(0, 0, 255)), 50);
    notice->SetParameter(OsdOutlineColour, kOutlineArgb);

    // Outline and shadow widen the notice; without both no outline colour is drawn.
    notice->SetParameter(OsdOutline, 0);
    EXPECT_EQ(size().cx, base.cx - 2);
    EXPECT_EQ(shot().count(kOutline), 0);
    notice->SetParameter(OsdShadow, 3);
    EXPECT_EQ(size().cx, base.cx - 2 + 3);
    EXPECT_GT(shot().count(kOutline), 20);
    notice->SetParameter(OsdShadow, 0);
    notice->SetParameter(OsdOutline, 1);

    // Font size and face (the face name is copied: its buffer is gone before the notice draws).
    notice->SetParameter(OsdFontSize, 48);
    EXPECT_GT(size().cy, base.cy * 17 / 10);
    notice->SetParameter(OsdFontSize, 24);
    EXPECT_EQ(size().cy, base.cy);
    notice->SetText("iiiiiiii");
    const LONG proportional = size().cx;
    {
        std::string face = "DejaVu Sans Mono";
        notice->SetParameter(OsdFontName, reinterpret_cast<INT_PTR>(face.c_str()));
        face.assign(face.size(), 'x');
    }
    pump(50);
    EXPECT_GT(size().cx, proportional * 3 / 2) << "a fixed-pitch face makes narrow letters wide";
    notice->SetParameter(OsdFontName, reinterpret_cast<INT_PTR>("Arial"));
    notice->SetText("Tessel");

    // Opacity of the whole window, with the colour key kept.
    notice->SetParameter(OsdAlpha, 230);
    pump(50);
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(notice->Handle(), &key, &alpha, &flags));
    EXPECT_EQ(alpha, 230);
    EXPECT_EQ(flags, static_cast<DWORD>(LWA_COLORKEY | LWA_ALPHA));

    // Alignment places the picture and the text lines within the notice.
    const HBITMAP picture = makePicture({10, 10}, kMagenta, {10, 10});
    notice->SetPicture(picture, 0xFFFF00FF);
    DeleteObject(picture);
    const SIZE withPicture = size();
    for (int alignment : {OsdAlignLeft, OsdAlignCentre, OsdAlignRight}) {
        notice->SetAlignment(alignment);
        const ScreenImage image = shot();
        const std::vector<POINT> red = image.find(kRed);
        ASSERT_EQ(red.size(), 100u) << alignment;
        const int expected = alignment == OsdAlignLeft ? 0
                             : alignment == OsdAlignRight ? withPicture.cx - 10
                                                          : (withPicture.cx - 10) / 2;
        EXPECT_EQ(red.front().x - image.area.left, expected) << alignment;
        EXPECT_EQ(red.front().y, image.area.top) << "the picture stands above the text";
    }
    EXPECT_EQ(withPicture.cy, base.cy + 10);
}

TEST(OsdNotice, FadesInAndOutOverItsFadeTime) {
    Notice notice = makeNotice("fade");
    ASSERT_TRUE(notice);
    notice->SetParameter(OsdAlpha, 200);
    notice->SetParameter(OsdFadeTime, 400);
    notice->SetFade(1);
    const HWND hwnd = notice->Handle();
    const auto opacity = [&] {
        BYTE alpha = 0;
        GetLayeredWindowAttributes(hwnd, nullptr, &alpha, nullptr);
        return alpha;
    };
    DWORD start = GetTickCount();
    notice->Show();
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ(opacity(), 0) << "starts transparent";
    ASSERT_TRUE(pumpUntil([&] { return opacity() == 200; }, 3000));
    EXPECT_GE(GetTickCount() - start, 380u);

    start = GetTickCount();
    notice->Hide();
    pump(20);
    EXPECT_TRUE(IsWindowVisible(hwnd)) << "still fading out";
    EXPECT_TRUE(pumpUntil([&] { return !IsWindowVisible(hwnd); }, 3000));
    EXPECT_GE(GetTickCount() - start, 380u);

    notice->SetFade(0);
    notice->Show();
    EXPECT_EQ(opacity(), 200);
    notice->Hide();
    EXPECT_FALSE(IsWindowVisible(hwnd));
}

TEST(OsdNotice, HidesItselfAfterItsDurationCountedFromTheLastShow) {
    Notice notice = makeNotice("2 s");
    ASSERT_TRUE(notice);
    notice->SetParameter(OsdDuration, 2000);
    const HWND hwnd = notice->Handle();
    notice->Show();
    pump(1200);
    ASSERT_TRUE(IsWindowVisible(hwnd));
    const DWORD second = GetTickCount();
    notice->Show(); // a second notice restarts the time
    pump(1200);
    EXPECT_TRUE(IsWindowVisible(hwnd)) << "2.4 s after the first Show, 1.2 s after the second";
    EXPECT_TRUE(pumpUntil([&] { return !IsWindowVisible(hwnd); }, 3000));
    EXPECT_GE(GetTickCount() - second, 1950u);
    EXPECT_EQ(captureScreen(rectOf(*notice)).count(kText), 0);

    notice->SetParameter(OsdDuration, 0); // until Hide
    notice->Show();
    pump(1500);
    EXPECT_TRUE(IsWindowVisible(hwnd));
}

// Three notices set up as the tray's over a thousand sensitivity and profile changes, each with
// a new gauge bitmap that is freed right after handing it over.
TEST(OsdNotice, GdiObjectsStayFlatOverAThousandNotices) {
    const int before = gdiObjectCount();
    ASSERT_GT(before, 0);
    HBITMAP probe[10];
    for (HBITMAP& b : probe) {
        b = CreateBitmap(4, 4, 1, 32, nullptr);
    }
    ASSERT_EQ(gdiObjectCount(), before + 10) << "the count must see new objects";
    for (HBITMAP b : probe) {
        DeleteObject(b);
    }

    Notice profile = makeNotice("- |||||||||||||||||||| +");
    Notice x = makeNotice("");
    Notice y = makeNotice("");
    ASSERT_TRUE(profile && x && y);
    const auto round = [&](int i) {
        for (OsdWindow* gauge : {x.get(), y.get()}) {
            const HBITMAP picture = makePicture({43, 282}, kMagenta, {43, 10 + i % 200});
            gauge->SetPicture(picture, 0xFFFF00FF);
            DeleteObject(picture);
            gauge->Show();
        }
        const std::string name = OsdAnsiText(L"     Profile " + std::to_wstring(i));
        profile->SetText(name.c_str());
        profile->Show();
        pump(0);
        // Notices follow each other faster than they expire; every tenth runs out.
        if (i % 10 == 9) {
            for (OsdWindow* n : {profile.get(), x.get(), y.get()}) {
                n->Hide();
            }
        }
    };
    for (int i = 0; i < 10; ++i) {
        round(i);
    }
    const int settled = gdiObjectCount();
    for (int i = 0; i < 1000; ++i) {
        round(i);
    }
    EXPECT_EQ(gdiObjectCount(), settled);
}

} // namespace
