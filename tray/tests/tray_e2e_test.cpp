// KavixTesselTray end to end: the real tray with the real middleware (registered in the test's
// Wine prefix), OSD.dll and lhc.exe, installed together in a folder of their own, against the
// simulated mouse. The mouse keeps profiles 1, 3 and 4 ("One", "Three", "Four"); their side
// files switch the notices on for One and Three, off for Four, and bind Three to "GAME.EXE".
//
// The tests run in the order written and share one tray where they can, so that each long
// fixed wait (the 10.5 s cycle, the 5 s notices) is paid once. Messages the system or the shell
// would send are sent by the test to the tray's window.
#include <windows.h>
#include <dbt.h>
#include <shlobj.h>
#include <wtsapi32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "middleware/store/button_event_window.h"
#include "uidriver/gdi_objects.h"
#include "uidriver/input.h"
#include "uidriver/texts.h"
#include "uidriver/picture.h"
#include "tray/tests/tray_installation.h"

namespace {

using namespace tray_testing;

int g_englishMenuWidth = 0;

class TrayEnvironment final : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(installTray()); }
    void TearDown() override { endTrays(); }
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new TrayEnvironment);

// The X gauge: the rightmost of the visible gauge notices.
HWND visibleGaugeX() {
    HWND found = nullptr;
    RECT foundRect{};
    for (HWND window : topLevelWindows(L"OsdNoticeWindow")) {
        RECT rect{};
        if (!IsWindowVisible(window) || !GetWindowRect(window, &rect) || rect.bottom - rect.top < 282) continue;
        if (!found || rect.left > foundRect.left) found = window, foundRect = rect;
    }
    return found;
}

// Whether the open menu shows `text` as an item: the text drawn here in the menu font (bold for
// the default item), in the menu's text colour on the menu's own background, is looked for pixel
// by pixel in what is on screen. Under Wine the menu's items cannot be read from another process
// (GetMenuItemCount on the handle that MN_GETHMENU gives fails with ERROR_INVALID_HANDLE).
bool menuShows(HWND popup, const std::wstring& text, bool bold) {
    const uidriver::Picture shot = uidriver::captureWindow(popup);
    std::map<std::uint32_t, size_t> colours;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) ++colours[shot.pixel(x, y)];
    const std::uint32_t background =
        std::max_element(colours.begin(), colours.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;

    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    if (bold) metrics.lfMenuFont.lfWeight = std::min<LONG>(1000, metrics.lfMenuFont.lfWeight + 300);
    HFONT font = CreateFontIndirectW(&metrics.lfMenuFont);
    constexpr int kWidth = 600, kHeight = 60;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP canvas = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ oldBitmap = SelectObject(dc, canvas);
    HGDIOBJ oldFont = SelectObject(dc, font);
    const COLORREF back = RGB(background >> 16, (background >> 8) & 0xFF, background & 0xFF);
    HBRUSH brush = CreateSolidBrush(back);
    RECT all{0, 0, kWidth, kHeight};
    FillRect(dc, &all, brush);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_MENUTEXT));
    TextOutW(dc, 8, 8, text.c_str(), static_cast<int>(text.size()));
    GdiFlush();
    const auto* drawn = static_cast<const std::uint32_t*>(bits);
    auto at = [&](int x, int y) { return drawn[y * kWidth + x] & 0xFFFFFF; };
    int left = kWidth, top = kHeight, right = -1, bottom = -1;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (at(x, y) != background) left = std::min(left, x), right = std::max(right, x), top = std::min(top, y),
                                        bottom = std::max(bottom, y);
    bool found = false;
    for (int oy = 0; right >= 0 && !found && oy + (bottom - top) < shot.height(); ++oy)
        for (int ox = 0; !found && ox + (right - left) < shot.width(); ++ox) {
            bool same = true;
            for (int y = top; same && y <= bottom; ++y)
                for (int x = left; same && x <= right; ++x) same = shot.pixel(ox + x - left, oy + y - top) == at(x, y);
            found = same;
        }
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(brush);
    DeleteObject(canvas);
    DeleteObject(font);
    DeleteDC(dc);
    return found;
}

// The tooltip of the tray's icon as the shell shows it: the pointer rests on the icon in the
// notification area, the tooltip appears, and its text is read.
// Wine's notification area here is a window of its own ("Wine System Tray") holding one child
// window per icon, and the tooltips belong to its process.
std::wstring iconTooltip() {
    HWND icon = nullptr;
    waitFor([&] {
        HWND area = FindWindowW(L"__winex11_standalone_tray", nullptr);
        return area && (icon = FindWindowExW(area, nullptr, L"__winex11_tray_icon", nullptr)) && IsWindowVisible(icon);
    }, 5000ms);
    if (!icon) return L"(no icon window)";
    RECT rect{};
    GetClientRect(icon, &rect);
    uidriver::moveTo(icon, {rect.right / 2, rect.bottom / 2});
    Sleep(100);
    uidriver::moveTo(icon, {rect.right / 2 + 1, rect.bottom / 2});
    std::wstring text;
    waitFor([&] {
        for (HWND tip : topLevelWindows(L"tooltips_class32"))
            if (IsWindowVisible(tip) && processOf(tip) == processOf(icon)) text = uidriver::windowText(tip);
        return !text.empty();
    }, 5000ms);
    return text;
}

// --- one tray, from the first start to the game in the foreground ---

HANDLE g_tray = nullptr;

TEST(TrayEndToEnd, TwoSimultaneousStartsLeaveOneTrayThatAnswersTheHandshake) {
    HANDLE first = startTray();
    HANDLE second = startTray();
    ASSERT_TRUE(first && second);
    ASSERT_TRUE(waitFor([] { return tray() != nullptr; }, 60000ms));
    // The later one hands its (empty) command to the first and ends.
    HANDLE both[] = {first, second};
    const DWORD ended = WaitForMultipleObjects(2, both, FALSE, 30000);
    ASSERT_LT(ended, WAIT_OBJECT_0 + 2);
    g_tray = both[1 - (ended - WAIT_OBJECT_0)];
    CloseHandle(both[ended - WAIT_OBJECT_0]);
    Sleep(1000);
    EXPECT_EQ(trays().size(), 1u);
    EXPECT_EQ(WaitForSingleObject(g_tray, 0), static_cast<DWORD>(WAIT_TIMEOUT));

    HWND window = tray();
    EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & WS_POPUP, WS_POPUP);
    EXPECT_FALSE(IsWindowVisible(window));
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutW(window, kHandshakeMessage, 0, 0, SMTO_BLOCK, 5000, &answer));
    EXPECT_EQ(answer, 0x2A3B4C5Du);
    EXPECT_TRUE(noneVisible());
}

TEST(TrayEndToEnd, SensitivityStepsShowTheGaugesForFiveSecondsYOnlyWhenItDiffers) {
    ASSERT_TRUE(tray());
    // X 1000, Y 800 plus one step: both gauges.
    ASSERT_EQ(tesselsim("press stage-up"), 0u);
    ASSERT_TRUE(waitFor([] { return visibleNotices().gauges == 2; }, 5000ms));
    const auto shown = Clock::now();
    Sleep(700);  // past the fade-in
    screenshot(L"gauges_x_and_y");
    // The two notices close up: X at the edge, Y beside it, each marked with its axis.
    for (HWND gauge : topLevelWindows(L"OsdNoticeWindow")) {
        RECT rect{};
        if (!IsWindowVisible(gauge) || !GetWindowRect(gauge, &rect) || rect.bottom - rect.top < 282) continue;
        uidriver::savePng(uidriver::captureWindow(gauge), gauge == visibleGaugeX() ? L"gauge_x" : L"gauge_y");
    }
    EXPECT_EQ(visibleNotices().profile, 0);
    ASSERT_TRUE(waitFor([] { return visibleNotices().gauges == 0; }, 9000ms));
    const auto seconds = std::chrono::duration<double>(Clock::now() - shown).count();
    EXPECT_GT(seconds, 4.0);
    EXPECT_LT(seconds, 7.0);

    // The mouse moves to stage 3 (1500 x 1500) on its own and asks to be read again: X alone.
    ASSERT_EQ(tesselsim("press stage 3 --no-keys"), 0u);
    ASSERT_EQ(tesselsim("press refresh"), 0u);
    ASSERT_TRUE(waitFor([] { return visibleNotices().gauges == 1; }, 5000ms));
    Sleep(1000);
    EXPECT_EQ(visibleNotices().gauges, 1);
    screenshot(L"gauge_x_only");
}

TEST(TrayEndToEnd, AProfileButtonShowsTheNameAndKeepsTheRightProfileAmongOneThreeFour) {
    ASSERT_TRUE(tray());
    ASSERT_EQ(tesselsim("press profile 3"), 0u);
    ASSERT_TRUE(waitFor([] { return visibleNotices().profile == 1; }, 5000ms));
    Sleep(700);
    screenshot(L"profile_notice");
    // The tray activates the profile numbered 3 (the second entry), not the third entry (4).
    Sleep(500);
    EXPECT_EQ(mouse().activeProfile, 3);
}

TEST(TrayEndToEnd, TheIconMenuListsTheProfilesAndActivatesOne) {
    ASSERT_TRUE(tray());
    HWND menu = openMenu();
    ASSERT_TRUE(menu);
    Sleep(300);
    screenshot(L"menu");
    // The items are looked for as drawn on screen; then the keys walk them: down to "Four" past
    // "Load Tessel Configurator", "One" and "Three".
    g_englishMenuWidth = menuWidth(menu);
    EXPECT_TRUE(menuShows(menu, L"Load Tessel Configurator", true));
    for (const wchar_t* item : {L"One", L"Three", L"Four", L"Close Tray Icon"}) EXPECT_TRUE(menuShows(menu, item, false)) << item;
    EXPECT_FALSE(menuShows(menu, L"Two", false));
    for (int i = 0; i < 4; ++i) pressKey(menu, VK_DOWN);
    pressKey(menu, VK_RETURN);
    ASSERT_TRUE(waitFor([] { return !FindWindowW(L"#32768", nullptr) || !IsWindowVisible(FindWindowW(L"#32768", nullptr)); }, 5000ms));
    EXPECT_TRUE(waitFor([] { return mouse().activeProfile == 4; }, 3000ms));
}

TEST(TrayEndToEnd, WithNoticesOffNothingIsShown) {
    ASSERT_TRUE(tray());
    ASSERT_EQ(mouse().activeProfile, 4);
    ASSERT_TRUE(waitFor(noneVisible, 8000ms));
    ASSERT_EQ(tesselsim("press stage-up"), 0u);
    ASSERT_EQ(tesselsim("press profile 4"), 0u);
    EXPECT_FALSE(waitFor([] { return !noneVisible(); }, 2500ms));
}

TEST(TrayEndToEnd, AGameInTheForegroundSwitchesTheProfileOnceWithinACycle) {
    ASSERT_TRUE(tray());
    ASSERT_EQ(mouse().activeProfile, 4);
    HANDLE game = startProcess(g_install + L"game.exe", L"", g_install);
    ASSERT_TRUE(game);
    ASSERT_TRUE(waitFor([] { return FindWindowW(L"TrayTestWindow", L"game.exe") != nullptr; }, 10000ms));
    SetForegroundWindow(FindWindowW(L"TrayTestWindow", L"game.exe"));
    const auto start = Clock::now();
    EXPECT_TRUE(waitFor([] { return mouse().activeProfile == 3; }, 12000ms));
    const auto seconds = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_LT(seconds, 11.0);
    // Once: a whole further cycle with the game in front sends the mouse nothing.
    Sleep(500);
    const std::uint64_t before = mouse().counters.requests;
    Sleep(11000);
    EXPECT_EQ(mouse().counters.requests, before);
    // The configurator changed the polling rate: the tray reloads and names the active profile.
    ASSERT_TRUE(noneVisible());
    PostMessageW(tray(), WM_USER + 14, 0, 0);
    EXPECT_TRUE(waitFor([] { return visibleNotices().profile == 1; }, 5000ms));
    EXPECT_EQ(mouse().activeProfile, 3);
    TerminateProcess(game, 0);
    CloseHandle(game);
}

// --- suspend and resume ---

// Whether the tray hears the mouse's own buttons: the middleware keeps its button-event window
// in the tray's process exactly while the tray is subscribed.
bool trayListens() {
    DWORD trayProcess = 0;
    if (!GetWindowThreadProcessId(tray(), &trayProcess)) return false;
    for (HWND window = nullptr;
         (window = FindWindowExW(HWND_MESSAGE, window, tessel::store::kButtonEventWindowClass, nullptr));) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == trayProcess) return true;
    }
    return false;
}

TEST(TrayEndToEnd, WhileSuspendedTheMouseHearsNothingAndResumeReconnectsWithinACycle) {
    HWND window = tray();
    ASSERT_TRUE(window);
    ASSERT_TRUE(trayListens());
    SendMessageW(window, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);  // as the system before sleep
    EXPECT_FALSE(trayListens());
    const std::uint64_t before = mouse().counters.requests;
    ASSERT_EQ(tesselsim("press stage-up"), 0u);
    Sleep(11000);  // longer than a cycle: no reconnection either
    EXPECT_EQ(mouse().counters.requests, before);
    PostMessageW(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    const auto resumed = Clock::now();
    // 5 s for the mouse to wake, then within one cycle of 10.5 s.
    EXPECT_TRUE(waitFor([&] { return mouse().counters.requests > before; }, 17000ms));
    const auto seconds = std::chrono::duration<double>(Clock::now() - resumed).count();
    EXPECT_LT(seconds, 16.5);
    // Subscribed again: a step shows its gauge. The tray subscribes once the connection has
    // read the mouse's lists, which takes a while after the first request; a press before that
    // is heard by nobody.
    ASSERT_TRUE(waitFor(noneVisible, 8000ms));
    ASSERT_TRUE(waitFor(trayListens, 10000ms));
    Sleep(1500);  // the Download after the subscription
    ASSERT_EQ(tesselsim("press stage-up"), 0u);
    EXPECT_TRUE(waitFor([] { return visibleNotices().gauges >= 1; }, 5000ms));
}

// Each gauge notice loads its bitmap; one left behind per notice would use up the tray's GDI
// objects in a day of play. Steps up and down alternate, and each waits until the X gauge on
// screen shows its new picture, so every one of them is a notice the user would see.
TEST(TrayEndToEnd, AThousandGaugeNoticesLeaveTheTraysGdiObjectsFlat) {
    HWND window = tray();
    ASSERT_TRUE(window);
    ASSERT_TRUE(waitFor(trayListens, 10000ms));
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processOf(window));
    ASSERT_TRUE(process);
    // What the X gauge shows once it has settled (fades over).
    auto settled = [](HWND gauge) {
        uidriver::Picture last = uidriver::captureWindow(gauge);
        for (;;) {
            Sleep(200);
            uidriver::Picture now = uidriver::captureWindow(gauge);
            if (now.countDifferent(last) == 0) return now;
            last = now;
        }
    };
    // From no notice: a gauge left by an earlier step would be taken for the first picture.
    ASSERT_TRUE(waitFor(noneVisible, 8000ms));
    pressSensitivityKey(true);
    ASSERT_TRUE(waitFor([] { return visibleGaugeX() != nullptr; }, 5000ms));
    HWND gauge = visibleGaugeX();
    const uidriver::Picture up = settled(gauge);
    pressSensitivityKey(false);
    ASSERT_TRUE(waitFor([&] { return uidriver::captureWindow(gauge).countDifferent(up) != 0; }, 3000ms));
    const uidriver::Picture down = settled(gauge);
    const int before = uidriver::gdiObjectCount(process);
    ASSERT_GT(before, 0) << "the count must see the tray's objects";

    constexpr int kNotices = 1000;
    int unseen = 0;
    const auto start = Clock::now();
    for (int i = 0; i < kNotices; ++i) {
        const bool stepUp = i % 2 == 0;
        pressSensitivityKey(stepUp);
        const auto deadline = Clock::now() + 3s;
        bool seen = false;
        while (!(seen = uidriver::captureWindow(gauge).countDifferent(stepUp ? up : down) == 0) &&
               Clock::now() < deadline)
            Sleep(5);
        unseen += !seen;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const int after = uidriver::gdiObjectCount(process);
    std::printf("%d gauge notices in %.1f s; tray GDI objects %d before, %d after\n", kNotices, seconds, before, after);
    EXPECT_EQ(unseen, 0);
    EXPECT_LE(after, before + 10);
    CloseHandle(process);
}

// --- code 9, device changes, console disconnect ---

TEST(TrayEndToEnd, CodeNineClosesTrayAndConfigurator) {
    HWND window = tray();
    ASSERT_TRUE(window);
    // A second start with code 0 asks the running tray to open the configurator and ends; the
    // tray starts it from the installation folder, not from its current directory.
    ASSERT_EQ(runToEnd(g_install + L"KavixTesselTray.exe", L"0"), 0u);
    ASSERT_TRUE(waitFor([] { return configuratorMarker() != nullptr; }, 20000ms));
    EXPECT_EQ(trays().size(), 1u);
    ASSERT_EQ(runToEnd(g_install + L"KavixTesselTray.exe", L"9"), 0u);
    EXPECT_TRUE(waitFor([] { return !tray() && !configuratorMarker(); }, 10000ms));
    EXPECT_EQ(WaitForSingleObject(g_tray, 10000), WAIT_OBJECT_0);
    CloseHandle(g_tray);
    g_tray = nullptr;
}

TEST(TrayEndToEnd, TheMouseArrivingRestartsTheTrayThroughLhcAndAnotherVendorDoesNot) {
    g_tray = startTray();
    ASSERT_TRUE(waitFor([] { return tray() != nullptr; }, 60000ms));
    HWND window = tray();
    const DWORD oldProcess = processOf(window);
    sendDeviceChange(window, DBT_DEVICEARRIVAL, L"\\\\?\\HID#VID_1234&PID_0013#7&1a2b3c&0&0000#{378de44c-56ef-11d1-bc8c-00a0c91405dd}");
    Sleep(1500);
    EXPECT_EQ(tray(), window);
    sendDeviceChange(window, DBT_DEVICEREMOVECOMPLETE,
                     L"\\\\?\\hid#vid_7a3c&pid_0013#7&1a2b3c&0&0000#{378de44c-56ef-11d1-bc8c-00a0c91405dd}");
    EXPECT_EQ(WaitForSingleObject(g_tray, 15000), WAIT_OBJECT_0);
    CloseHandle(g_tray);
    g_tray = nullptr;
    ASSERT_TRUE(waitFor([&] { HWND now = tray(); return now && processOf(now) != oldProcess; }, 60000ms));
    Sleep(2000);
    EXPECT_EQ(trays().size(), 1u);
    // The planted restart program in the tray's current directory never ran.
    EXPECT_EQ(FindWindowW(L"TrayTestWindow", L"lhc.exe"), nullptr);
    // "/r" acts as code 0: the new tray opens the configurator.
    ASSERT_TRUE(waitFor([] { return configuratorMarker() != nullptr; }, 20000ms));

    // A hung configurator does not freeze the tray: asked to raise it, the tray gives up on it
    // within seconds and shows the next sensitivity step while the configurator still hangs.
    ASSERT_TRUE(waitFor(noneVisible, 8000ms));
    PostMessageW(GetParent(configuratorMarker()), WM_USER + 500, 8000, 0);
    Sleep(200);
    const auto asked = Clock::now();
    PostMessageW(tray(), WM_USER + 17, 0, 0);
    Sleep(200);
    pressSensitivityKey();
    EXPECT_TRUE(waitFor([] { return visibleNotices().gauges > 0; }, 5000ms));
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - asked).count(), 5.0);
}

TEST(TrayEndToEnd, ConsoleDisconnectEndsTrayAndConfigurator) {
    HWND window = tray();
    ASSERT_TRUE(window);
    ASSERT_TRUE(waitFor([] { return configuratorMarker() != nullptr; }, 20000ms));
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processOf(window));
    SendMessageW(window, WM_WTSSESSION_CHANGE, WTS_CONSOLE_DISCONNECT, 0);  // as the session service
    EXPECT_EQ(WaitForSingleObject(process, 15000), WAIT_OBJECT_0);
    CloseHandle(process);
    EXPECT_TRUE(waitFor([] { return !configuratorMarker(); }, 10000ms));
    EXPECT_TRUE(trays().empty());
}

// --- texts ---

TEST(TrayEndToEnd, AGermanTranslationFileGivesAGermanMenuAndTooltip) {
    {
        // UTF-16LE lines: source, translation.
        const std::wstring text = L"\xFEFFLoad Tessel Configurator\r\nTessel-Konfigurator laden\r\n"
                                  L"Close Tray Icon\r\nTaskleistensymbol schlie\u00DFen\r\n";
        std::ofstream file(windowsPath(g_install + L"German.txt").c_str(), std::ios::binary);
        file.write(reinterpret_cast<const char*>(text.data()), static_cast<std::streamsize>(text.size() * 2));
    }
    // German is the fourth language of an installation, the row of the tooltip table it reads.
    for (int n = 1; n <= 3; ++n) {
        writeRegistry(L"Language" + std::to_wstring(n), n == 3 ? L"Deutsch" : L"Other");
        writeRegistry(L"TranslationFile" + std::to_wstring(n), n == 3 ? L"German.txt" : L"other.txt");
    }
    writeRegistry(L"Translation", 3);
    HANDLE process = startTray();
    ASSERT_TRUE(waitFor([] { return tray() != nullptr; }, 60000ms));
    EXPECT_EQ(iconTooltip(), L"Kavix Tessel-Konfigurationsprogramm");
    HWND menu = openMenu();
    ASSERT_TRUE(menu);
    Sleep(300);
    screenshot(L"menu_german");
    EXPECT_TRUE(menuShows(menu, L"Tessel-Konfigurator laden", true));
    EXPECT_TRUE(menuShows(menu, L"Taskleistensymbol schlie\u00DFen", false));
    EXPECT_FALSE(menuShows(menu, L"Load Tessel Configurator", true));
    EXPECT_FALSE(menuShows(menu, L"Close Tray Icon", false));
    // "Taskleistensymbol schließen" is wider than any English item.
    EXPECT_GT(menuWidth(menu), g_englishMenuWidth);
    pressKey(menu, VK_ESCAPE);
    writeRegistry(L"Translation", 0);
    PostMessageW(tray(), WM_USER + 18, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process, 15000), WAIT_OBJECT_0);
    CloseHandle(process);
}

}  // namespace
