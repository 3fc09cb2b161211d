// TesselCfg driven as a user drives it, against the real middleware (registered in this test's
// session) and the simulated mouse: reading, editing on the pages and in the stages dialog,
// Apply, Cancel, the connection messages, a second start and a change of language.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "configurator/app/resource.h"
#include "configurator/model/tests/model_testing.h"
#include "uidriver/uidriver.h"

namespace tessel::cfg::testing {
namespace {

using namespace std::chrono_literals;
using uidriver::byId;
using uidriver::byTitle;

constexpr wchar_t kTitle[] = L"Kavix Tessel Config";

std::wstring configuratorPath() {
    const wchar_t* path = _wgetenv(L"TESSELCFG");
    return path ? path : L"TesselCfg.exe";
}

// Screenshots of what a user sees, for the artefacts.
void shoot(HWND window, const wchar_t* name) {
    Sleep(1500);
    const uidriver::Picture shot = uidriver::captureWindow(window);
    uidriver::savePng(shot, name);
    EXPECT_EQ(shot.count(0xFF00FF), 0u) << "colour key left on screen in " << std::string(name, name + wcslen(name));
}

class Configurator : public ::testing::Test {
protected:
    void SetUp() override { mouse::reset(preparedMouse()); }

    // Starts the program and waits through the reading box to the filled dialog.
    HWND start() {
        program_ = std::make_unique<uidriver::Program>(L"\"" + configuratorPath() + L"\"");
        HWND box = uidriver::waitFor({.title = L"Information", .processId = program_->processId(), .visible = true}, 20s);
        uidriver::waitGone(box, 30s);
        dialog_ = uidriver::waitFor({.title = kTitle, .processId = program_->processId(), .visible = true});
        return dialog_;
    }
    HWND control(int id) const { return uidriver::find(byId(id), dialog_); }
    std::wstring text(int id) const { return uidriver::windowText(control(id)); }

    std::unique_ptr<uidriver::Program> program_;
    HWND dialog_ = nullptr;
};

TEST_F(Configurator, ReadingFillsThePages) {
    start();
    // Profile 3 "Game" is active: left and right swapped, its fourth and fifth rows run the
    // macro and switch profiles.
    EXPECT_EQ(text(IDC_BUTTON_ROW_FIRST + 0), L"Menu");
    EXPECT_EQ(text(IDC_BUTTON_ROW_FIRST + 1), L"Click");
    EXPECT_EQ(text(IDC_BUTTON_ROW_FIRST + 2), L"Universal Scrolling");
    shoot(dialog_, L"buttons_page");
    uidriver::click(control(IDC_TAB_PERFORMANCE));
    uidriver::waitFor({.id = IDC_SENSITIVITY_X, .visible = true}, 5s, dialog_);
    shoot(dialog_, L"performance_page");
    for (int tab : {IDC_TAB_PROFILES, IDC_TAB_MACROS, IDC_TAB_LIGHTING}) {
        uidriver::click(control(tab));
        uidriver::waitGone(control(IDC_SENSITIVITY_X), 5s);
    }
    shoot(dialog_, L"lighting_page");
    uidriver::click(control(IDCANCEL));
    program_->waitForExit(20s);
}

}  // namespace
}  // namespace tessel::cfg::testing
