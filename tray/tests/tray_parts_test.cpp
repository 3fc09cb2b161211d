// The tray's parts inside one process: the menu it builds, its texts in English and German
// from the real registry and a real translation file, the notice texts, the command codes, the
// profile switch by the program in front, and the GDI objects of a thousand notices. Runs under its own display (the notices are windows).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cwctype>
#include <fstream>
#include <string>
#include <vector>

#include "middleware/store/win32_registry.h"
#include "uidriver/gdi_objects.h"
#include "tray/auto_activation.h"
#include "tray/notices.h"
#include "tray/programs.h"
#include "tray/resource.h"
#include "tray/tray_app.h"
#include "tray/tray_menu.h"
#include "tray/tray_texts.h"

namespace tessel::tray {
namespace {

constexpr wchar_t kKey[] = L"Software\\Kavix\\Kavix Tessel";

void setValue(const std::wstring& name, const std::wstring& value) {
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, kKey, name.c_str(), REG_SZ, value.c_str(),
                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}
void setValue(const std::wstring& name, DWORD value) {
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, kKey, name.c_str(), REG_DWORD, &value, sizeof(value));
}

std::vector<std::wstring> itemsOf(HMENU menu) {
    std::vector<std::wstring> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[128] = {};
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_FTYPE | MIIM_STRING;
        item.dwTypeData = text;
        item.cch = 128;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item);
        items.push_back((item.fType & MFT_SEPARATOR) ? L"-" : text);
    }
    return items;
}

std::vector<std::wstring> menuFor(const std::vector<std::wstring>& names, TrayTexts& texts) {
    HMENU menu = loadTrayMenu(GetModuleHandleW(nullptr), names, texts);
    EXPECT_TRUE(menu);
    std::vector<std::wstring> items = itemsOf(menu);
    DestroyMenu(menu);
    return items;
}

class TrayPartsTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, kKey); }
    void TearDown() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, kKey); }
    store::Win32Registry registry_;
};

TEST_F(TrayPartsTest, MenuListsAtMostFiveProfilesBetweenSeparators) {
    TrayTexts texts(registry_);  // not installed: English
    const std::wstring load = L"Load Tessel Configurator", close = L"Close Tray Icon";
    EXPECT_EQ(menuFor({}, texts), std::vector<std::wstring>{close});
    EXPECT_EQ(menuFor({L"Solo"}, texts), (std::vector<std::wstring>{load, L"-", L"Solo", L"-", close}));
    EXPECT_EQ(menuFor({L"A", L"B", L"C", L"D", L"E", L"F", L"G"}, texts),
              (std::vector<std::wstring>{load, L"-", L"A", L"B", L"C", L"D", L"E", L"-", close}));
}

TEST_F(TrayPartsTest, GermanTranslationFileGivesGermanMenuAndTooltip) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = temp;
    {
        const std::wstring text = L"\xFEFFLoad Tessel Configurator\r\nTessel-Konfigurator laden\r\n"
                                  L"Close Tray Icon\r\nTaskleistensymbol schlie\u00DFen\r\n"
                                  L"X:%d Y:%d\r\nX:%s\r\n";
        std::ofstream file((folder + L"tray_parts_de.txt").c_str(), std::ios::binary);
        file.write(reinterpret_cast<const char*>(text.data()), static_cast<std::streamsize>(text.size() * 2));
    }
    setValue(L"InstallDir", folder);
    for (int n = 0; n < 4; ++n) {
        setValue(L"Language" + std::to_wstring(n), L"Language " + std::to_wstring(n));
        setValue(L"TranslationFile" + std::to_wstring(n), n == 3 ? L"tray_parts_de.txt" : L"missing.txt");
    }
    setValue(L"Translation", 3);
    TrayTexts texts(registry_);
    EXPECT_EQ(menuFor({L"Eins"}, texts),
              (std::vector<std::wstring>{L"Tessel-Konfigurator laden", L"-", L"Eins", L"-",
                                         L"Taskleistensymbol schlie\u00DFen"}));
    EXPECT_EQ(texts.tooltip(), L"Kavix Tessel-Konfigurationsprogramm");
    // A translated format that changes the conversions would read the wrong arguments.
    EXPECT_EQ(texts.translateFormat(L"X:%d Y:%d"), L"X:%d Y:%d");

    // The language changes while the tray runs: the tooltip follows, the table stays.
    setValue(L"Translation", 0);
    texts.reread();
    EXPECT_EQ(texts.tooltip(), L"Kavix Tessel Configurator");
    EXPECT_EQ(texts.translate(L"Close Tray Icon"), L"Taskleistensymbol schlie\u00DFen");
}

TEST_F(TrayPartsTest, ALanguageBeyondTheTooltipTableShowsTheFirstRow) {
    for (int n = 0; n < 12; ++n) {
        setValue(L"Language" + std::to_wstring(n), L"L");
        setValue(L"TranslationFile" + std::to_wstring(n), L"f.txt");
    }
    for (DWORD language : {8u, 9u, 11u, 0xFFFFFFFFu}) {
        setValue(L"Translation", language);
        TrayTexts texts(registry_);
        EXPECT_EQ(texts.tooltip(), language == 8 ? tooltipText(8) : tooltipText(0)) << language;
    }
}

TEST(TrayNoticeText, ShortNamesAreSetOffByLeadingSpaces) {
    EXPECT_EQ(profileNoticeText(L"%s%s", std::wstring(18, L'n')), L" " + std::wstring(18, L'n'));
    EXPECT_EQ(profileNoticeText(L"%s%s", std::wstring(19, L'n')), std::wstring(19, L'n'));
    EXPECT_EQ(profileNoticeText(L"%s%s", L"Game"), std::wstring(15, L' ') + L"Game");
    // A '%' in a name is text, and a long name is cut to 127 characters.
    EXPECT_EQ(profileNoticeText(L"%s%s", L"100%s sure"), std::wstring(9, L' ') + L"100%s sure");
    EXPECT_EQ(profileNoticeText(L"%s%s", std::wstring(300, L'n')).size(), 127u);
}

TEST(TrayCommandCode, ReadsTheLeadingNumber) {
    const struct {
        const wchar_t* line;
        int code;
    } cases[] = {{nullptr, -1}, {L"", -1}, {L"  ", -1}, {L"/r", 0}, {L"0", 0},  {L"9", 9},
                 {L" 10", 10},  {L"3x", 3}, {L"abc", 0}, {L"6", 6}};
    for (const auto& c : cases) EXPECT_EQ(parseCommandCode(c.line), c.code) << (c.line ? c.line : L"(null)");
    // A number too long for any code does not wrap round into one.
    EXPECT_GT(parseCommandCode(L"4294967297"), 10);
}

// Across processes the system copies a device record by its stated size; within the tray the
// name is read no further either.
TEST(TrayDeviceNotice, TheMouseIsKnownByItsInterfaceNameWithinTheRecord) {
    const std::wstring mouse = L"\\\\?\\hid#vid_7a3c&pid_0013#7&1a2b3c&0&0000#{378de44c-56ef-11d1-bc8c-00a0c91405dd}";
    std::vector<BYTE> bytes(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + (mouse.size() + 1) * sizeof(wchar_t));
    auto* record = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(bytes.data());
    record->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    std::copy(mouse.begin(), mouse.end() + 0, record->dbcc_name);
    auto nameWithin = [&](size_t chars) {
        record->dbcc_size = static_cast<DWORD>(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + chars * sizeof(wchar_t));
        return deviceInterfaceName(reinterpret_cast<DEV_BROADCAST_HDR*>(record));
    };
    EXPECT_EQ(nameWithin(mouse.size() + 1), mouse);
    EXPECT_EQ(nameWithin(mouse.find(L"pid_")), mouse.substr(0, mouse.find(L"pid_")));
    EXPECT_EQ(nameWithin(0), L"");
    record->dbcc_devicetype = DBT_DEVTYP_VOLUME;
    EXPECT_EQ(nameWithin(mouse.size() + 1), L"");

    const struct {
        const wchar_t* name;
        bool mouse;
    } names[] = {{mouse.c_str(), true}, {L"\\\\?\\HID#VID_7A3C&PID_0014#wireless", false},
                 {L"\\\\?\\HID#VID_1234&PID_0013#other vendor", false}, {L"PID_0013&VID_7A3C at the start", false},
                 {L"xVID_7A3C&PID_0013", true}};
    for (const auto& n : names) EXPECT_EQ(isTrayMouseInterface(n.name), n.mouse) << n.name;
}

TrayProfileEntry boundTo(std::wstring_view executable, bool autoload = true) {
    TrayProfileEntry entry;
    entry.settings.executable = utf16(executable);
    entry.settings.autoload = autoload ? 1 : 0;
    return entry;
}

std::wstring upper(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towupper(c); });
    return text;
}

// Executable names of up to 260 characters: alike for their first 200, apart after that.
const std::wstring kLongPrefix = std::wstring(200, L'g');
const std::wstring kLongA = kLongPrefix + L"-alpha-edition.exe";
const std::wstring kLongB = kLongPrefix + L"-bravo-edition.exe";

TEST(TrayAutoActivation, ALongNameActivatesOnceWhileInFrontWhateverItsCase) {
    const TrayProfileList profiles{boundTo(L""), boundTo(L"other.exe"), boundTo(kLongA)};
    AutoActivation automatic;
    EXPECT_EQ(automatic.forForeground(upper(kLongA), profiles), 2u);
    // Cycle after cycle with the same program in front: nothing more.
    for (int cycle = 0; cycle < 3; ++cycle) EXPECT_EQ(automatic.forForeground(kLongA, profiles), std::nullopt);
    // A name alike in its first 200 characters is another program, bound to nothing here; back
    // in front, the first one finds its profile still active.
    EXPECT_EQ(automatic.forForeground(kLongB, profiles), std::nullopt);
    EXPECT_EQ(automatic.forForeground(kLongA, profiles), std::nullopt);
    // Another profile chosen by hand: the program in front takes its own again.
    automatic.activated(profiles[1]);
    EXPECT_EQ(automatic.forForeground(kLongA, profiles), 2u);
    EXPECT_EQ(automatic.forForeground(L"", profiles), std::nullopt);
}

TEST(TrayAutoActivation, TwoLongNamesAlikeInTheirFirstCharactersSwitchBetweenTheirProfiles) {
    const TrayProfileList profiles{boundTo(kLongA), boundTo(kLongB), boundTo(L"game.exe", false)};
    AutoActivation automatic;
    EXPECT_EQ(automatic.forForeground(kLongA, profiles), 0u);
    EXPECT_EQ(automatic.forForeground(upper(kLongB), profiles), 1u);
    EXPECT_EQ(automatic.forForeground(kLongB, profiles), std::nullopt);
    EXPECT_EQ(automatic.forForeground(kLongA, profiles), 0u);
    // A bound profile that does not load by itself is taken without a switch, once.
    EXPECT_EQ(automatic.forForeground(L"GAME.EXE", profiles), std::nullopt);
    EXPECT_EQ(automatic.forForeground(kLongA, profiles), 0u);
}

// The name of the program in front comes whole from the system.
TEST(TrayAutoActivation, TheProgramInFrontIsNamedWhole) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"tray-parts-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    // Drive C: is shared by the test sessions, and process ids repeat between them.
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    std::wstring from = TEST_WINDOW_PROGRAM;
    std::replace(from.begin(), from.end(), L'/', L'\\');
    const std::wstring name = kLongPrefix + L"-game.exe";
    const std::wstring program = folder + name;
    ASSERT_TRUE(CopyFileW(from.c_str(), program.c_str(), FALSE)) << GetLastError();
    std::wstring line = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                               &process))
        << GetLastError();
    HWND window = nullptr;
    for (int i = 0; i < 200 && !(window = FindWindowW(L"TrayTestWindow", name.c_str())); ++i) Sleep(50);
    EXPECT_TRUE(window);
    EXPECT_EQ(programNameOfWindow(window), name);
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    DeleteFileW(program.c_str());
    RemoveDirectoryW(folder.c_str());
}

// The gauge of `id` as 0x00RRGGBB rows top-down; empty unless it is 43 x 282 with 24 bits.
std::vector<std::uint32_t> gaugePixels(int id) {
    auto* gauge = static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!gauge) return {};
    DIBSECTION section{};
    std::vector<std::uint32_t> pixels;
    if (GetObjectW(gauge, sizeof(section), &section) == sizeof(section) && section.dsBm.bmWidth == 43 &&
        section.dsBm.bmHeight == 282 && section.dsBm.bmBitsPixel == 24) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = 43;
        info.bmiHeader.biHeight = -282;  // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        pixels.resize(43 * 282);
        HDC screen = GetDC(nullptr);
        if (GetDIBits(screen, gauge, 0, 282, pixels.data(), &info, DIB_RGB_COLORS) != 282) pixels.clear();
        ReleaseDC(nullptr, screen);
    }
    DeleteObject(gauge);
    return pixels;
}

// The X and Y notices stand side by side: each step has a picture for either axis, alike in
// the bar and apart in the axis mark at the top.
TEST(TrayGauges, EveryStepHasAPictureForEachAxisMarkedWithIt) {
    constexpr size_t kMarkRows = 35 * 43;  // above the bar
    std::vector<std::uint32_t> previousX;
    for (int step = 1; step <= 56; ++step) {
        const std::vector<std::uint32_t> x = gaugePixels(IDB_GAUGE_BASE + step);
        const std::vector<std::uint32_t> y = gaugePixels(IDB_GAUGE_BASE + IDB_GAUGE_Y_OFFSET + step);
        ASSERT_EQ(x.size(), 43u * 282u) << step;
        ASSERT_EQ(y.size(), 43u * 282u) << step;
        EXPECT_FALSE(std::equal(x.begin(), x.begin() + kMarkRows, y.begin())) << step;
        EXPECT_TRUE(std::equal(x.begin() + kMarkRows, x.end(), y.begin() + kMarkRows)) << step;
        if (!previousX.empty()) {
            EXPECT_NE(x, previousX) << step;
        }
        previousX = x;
    }
    EXPECT_TRUE(gaugePixels(IDB_GAUGE_BASE + 57).empty());
}

// Each gauge notice loads a bitmap; one left behind per notice would use up the process's GDI
// objects.
TEST_F(TrayPartsTest, AThousandNoticesLeaveTheGdiObjectsFlat) {
    TrayTexts texts(registry_);
    Notices notices(GetModuleHandleW(nullptr), texts);
    ASSERT_TRUE(notices.exists(Notices::sensitivityNoticeX) && notices.exists(Notices::sensitivityNoticeY));
    notices.setSwitches(true, true);
    auto pump = [] {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    };
    notices.showSensitivity(1600, 800);
    pump();
    const int before = uidriver::gdiObjectCount();
    ASSERT_GT(before, 0) << "the count must see the notices' own objects";
    for (int i = 0; i < 1000; ++i) {
        notices.showSensitivity(125 + (i % 56) * 125, 125 + ((i + 7) % 56) * 125);
        if (i % 50 == 0) {
            notices.showProfile(L"Profile");
            pump();
        }
    }
    pump();
    // Each notice restarted the count; ten ticks hide them.
    EXPECT_EQ(notices.countdown(Notices::sensitivityNoticeX), kNoticeTicks);
    for (int t = 0; t < kNoticeTicks; ++t) notices.tick();
    EXPECT_EQ(notices.countdown(Notices::sensitivityNoticeX), 0);
    EXPECT_LE(uidriver::gdiObjectCount(), before + 10);
}

}  // namespace
}  // namespace tessel::tray
