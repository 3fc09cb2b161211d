// What the tests that drive TesselCfg through its windows share: the program started against the
// real middleware (registered in the test's session) and the simulated mouse, waiting through
// the reading box, clicks by real input, lists and boxes of the program, screenshots.
#pragma once

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "configurator/app/resource.h"
#include "configurator/model/tests/model_testing.h"
#include "formats/exchange_file.h"
#include "sim/firmware.h"
#include "formats/win32_file_system.h"
#include "uidriver/uidriver.h"

namespace tessel::cfg::testing {

using namespace std::chrono_literals;
using uidriver::byId;
using uidriver::byTitle;

constexpr wchar_t kTitle[] = L"Kavix Tessel Config";

inline std::wstring configuratorPath() {
    const wchar_t* path = _wgetenv(L"TESSELCFG");
    return path ? path : L"TesselCfg.exe";
}

// Screenshots of what a user sees, for the artefacts.
inline void shoot(HWND window, const wchar_t* name) {
    Sleep(1500);
    const uidriver::Picture shot = uidriver::captureWindow(window);
    uidriver::savePng(shot, name);
    EXPECT_EQ(shot.count(0xFF00FF), 0u) << "colour key left on screen in " << std::string(name, name + wcslen(name));
}

// The profile side files of this test's user.
inline std::u16string sideFileFolder() {
    wchar_t folder[MAX_PATH] = L"";
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
    return std::u16string(folder, folder + wcslen(folder));
}

struct NoLinks final : formats::ExchangeLookup {
    std::optional<std::u16string> profileName(std::int32_t) const override { return std::nullopt; }
    std::optional<std::u16string> macroName(std::int32_t) const override { return std::nullopt; }
    std::optional<formats::ExchangeMacro> macro(std::u16string_view) const override { return std::nullopt; }
};

// The mouse read back into a model of the test's own, as the configurator reads it.
struct ReadBack {
    tessel::com::testing::Apartment apartment;
    SettingsModel model;
    DeviceSession session{model};
    ReadBack() { EXPECT_TRUE(session.connectAndRead().ok()); }
};

class Configurator : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // There is no window manager on the test display: Wine must not wait for one to
        // withdraw each popup it hides (about 2 s per list or box, during which the program
        // answers nothing).
        RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\X11 Driver", L"Managed", REG_SZ, L"N", 4);
        // Test sessions share drive C:: the side files of this one go to an application-data
        // folder of its own, named after the session's prefix.
        const wchar_t* prefix = _wgetenv(L"WINEPREFIX");
        std::wstring session = prefix ? prefix : L"";
        session = session.substr(session.find_last_of(L"/\\") + 1);
        wchar_t temp[MAX_PATH] = L"";
        GetTempPathW(MAX_PATH, temp);
        const std::wstring root = std::wstring(temp) + L"cfg-" + session + L"-" + std::to_wstring(GetCurrentProcessId());
        const std::wstring appData = root + L"\\AppData";
        CreateDirectoryW(root.c_str(), nullptr);
        CreateDirectoryW(appData.c_str(), nullptr);
        for (const wchar_t* key : {L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                                   L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"})
            RegSetKeyValueW(HKEY_CURRENT_USER, key, L"AppData", REG_SZ, appData.c_str(),
                            static_cast<DWORD>((appData.size() + 1) * sizeof(wchar_t)));
    }
    void SetUp() override { mouse::reset(preparedMouse()); }

    // Starts the program and waits through the reading box to the filled dialog.
    HWND start() {
        program_ = std::make_unique<uidriver::Program>(L"\"" + configuratorPath() + L"\"");
        HWND box = uidriver::waitFor({.title = L"Information", .processId = program_->processId(), .visible = true}, 20s);
        uidriver::waitGone(box, 30s);
        dialog_ = uidriver::waitFor({.title = kTitle, .processId = program_->processId(), .visible = true});
        uidriver::bringToFront(dialog_);
        return dialog_;
    }
    HWND control(int id) const { return uidriver::find(byId(id), dialog_); }
    // A click by real input. Under Wine the pointer now and then stays a moment where a
    // drop-down list was last clicked and ignores the next move: that move is made once more.
    static void press(HWND window) { clickAgainIfMissed([&] { uidriver::click(window); }); }
    // A click at a point of the window, by real input, made again as press() does.
    static void pressAt(HWND window, POINT point, uidriver::MouseButton button = uidriver::MouseButton::Left) {
        clickAgainIfMissed([&] { uidriver::clickAt(window, point, button); });
    }
    static void clickAgainIfMissed(const std::function<void()>& click) {
        try {
            click();
        } catch (const uidriver::Failure& failure) {
            if (std::string_view(failure.what()).find("the pointer went") == std::string_view::npos) throw;
            Sleep(500);
            click();
        }
    }
    std::wstring text(int id) const { return uidriver::windowText(control(id)); }

    // Opens the list of a button row and clicks the entry with this text.
    void chooseInRow(int row, const std::wstring& entry) {
        press(control(IDC_BUTTON_ROW_FIRST + row));
        HWND list = openList();
        const std::vector<uidriver::Row> rows = uidriver::readRows(list);
        const auto found = std::find_if(rows.begin(), rows.end(), [&](const uidriver::Row& r) { return r.text == entry; });
        ASSERT_NE(found, rows.end());
        pressAt(list, POINT{40, 2 + found->index * 16 + 8});
    }
    // The drop-down list that shows: a top-level window of the program.
    HWND openList() const {
        HWND list = nullptr;
        uidriver::waitUntil(
            [&] {
                for (HWND w : uidriver::findAll({.className = L"TesselSkinWnd", .processId = program_->processId(), .visible = true}))
                    if (!(GetWindowLongPtrW(w, GWL_STYLE) & WS_CHILD)) list = w;
                return list != nullptr;
            },
            5s, [] { return std::wstring(L"an open drop-down list"); });
        return list;
    }
    // A box of the program with this title, shown.
    HWND box(const wchar_t* title, std::chrono::milliseconds timeout = 20s) const {
        return uidriver::waitFor({.title = title, .processId = program_->processId(), .visible = true}, timeout);
    }
    void pressBoxButton(HWND box, int index) { press(uidriver::find(byId(IDC_MESSAGE_BUTTON_FIRST + index), box)); }
    // The common open or save dialog titled `title`: the path typed into its file-name field,
    // then its OK button.
    void chooseFile(const wchar_t* title, const std::wstring& path) const {
        HWND dialog = box(title);
        HWND name = nullptr;
        uidriver::waitUntil([&] { return (name = uidriver::find(byId(0x47C), dialog)) != nullptr; }, 10s,
                            [] { return std::wstring(L"the file-name field"); });
        Sleep(1000);  // the dialog fills its lists first
        SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
        // The dialog's own button: its shell view has a child of id 1 as well.
        uidriver::clickByMessage(uidriver::find({.className = L"Button", .id = IDOK}, dialog));
        try {
            uidriver::waitGone(dialog, 10s);
        } catch (const uidriver::Failure&) {
            uidriver::savePng(uidriver::captureScreen(), L"file_dialog_left_open");
            throw;
        }
    }
    // The entry at `position` (from 1) of the popup menu that shows.
    static void chooseInMenu(int position) {
        uidriver::waitFor({.className = L"#32768", .visible = true}, 5s);
        for (int i = 0; i < position; ++i) uidriver::pressKey(VK_DOWN);
        uidriver::pressKey(VK_RETURN);
        uidriver::waitGone({.className = L"#32768", .visible = true}, 5s);
    }
    // Apply, and the writing box until it has closed.
    void apply() {
        press(control(IDC_APPLY));
        uidriver::waitGone(box(L"Information"), 40s);
    }

    std::unique_ptr<uidriver::Program> program_;
    HWND dialog_ = nullptr;
};

}  // namespace tessel::cfg::testing
