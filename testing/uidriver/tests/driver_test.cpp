// The driver against a plain Win32 program in another process.
#include "target.h"
#include "controls/row_query.h"
#include "uidriver/uidriver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

using namespace uidriver;
using testing::HasSubstr;

namespace {

std::wstring targetProgram() {
    wchar_t path[MAX_PATH] = {};
    GetEnvironmentVariableW(L"UIDRIVER_TARGET", path, MAX_PATH);
    return path;
}

class DriverTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        program = std::make_unique<Program>(L"\"" + targetProgram() + L"\"");
        main = program->waitForMainWindow();
    }
    static void TearDownTestSuite() { program.reset(); }

    static HWND control(int id) { return waitForPath({byTitle(target::kTitle), byId(id)}); }

    static inline std::unique_ptr<Program> program;
    static inline HWND main = nullptr;
};

TEST_F(DriverTest, FindsWindowsOfAnotherProcessByTitleClassIdAndPath) {
    DWORD pid = 0;
    GetWindowThreadProcessId(main, &pid);
    EXPECT_NE(pid, GetCurrentProcessId());
    // Only this test's target: a UI test running beside this one has a window tree of its own.
    EXPECT_EQ(findAll(byTitle(target::kTitle)), std::vector<HWND>{main});
    EXPECT_EQ(find(byClass(L"uidrivertarget")), main);  // class names ignore case, as in Windows
    HWND button = findPath(std::initializer_list<Match>{byClass(target::kClass), byId(target::kButton)});
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(find(Match{.title = L"Press", .className = L"Button"}), button);
    EXPECT_EQ(find(byId(target::kList), main), find(byClass(L"ListBox"), main));
    EXPECT_EQ(windowText(button), L"Press");
    EXPECT_EQ(windowText(find(byId(target::kPatch), main)), target::kPatchText);
    EXPECT_EQ(find(Match{.title = target::kTitle, .processId = GetCurrentProcessId()}), nullptr);
}

TEST_F(DriverTest, ClicksArriveOnceEachByInputAndByMessage) {
    HWND status = control(target::kStatus);
    HWND button = control(target::kButton);
    HWND patch = control(target::kPatch);
    click(button);
    waitForText(status, L"button 1 left 0 right 0 double 0");
    clickByMessage(button);
    waitForText(status, L"button 2 left 0 right 0 double 0");
    sendCommand(button);
    waitForText(status, L"button 3 left 0 right 0 double 0");
    click(patch, MouseButton::Right);
    waitForText(status, L"button 3 left 0 right 1 double 0");
    doubleClick(patch);  // the second press of a double click arrives as the double click
    waitForText(status, L"button 3 left 1 right 1 double 1");
}

TEST_F(DriverTest, TypedKeysAndTextArrive) {
    HWND edit = control(target::kEdit);
    bringToFront(main);
    click(edit);
    typeText(L"Tessel \u00e9\u4e2dx");
    pressKey(VK_BACK);
    pressKeys({VK_SHIFT, 'A'});
    waitForText(edit, L"Tessel \u00e9\u4e2dA");
}

TEST_F(DriverTest, ReadsRowsThroughThePrivateQuery) {
    HWND list = control(target::kList);
    EXPECT_EQ(rowCount(list), 3);
    const auto rows = readRows(list);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].text, L"Alpha");
    EXPECT_EQ(rows[0].value, 10);
    EXPECT_EQ(rows[1].text, L"Beta \u00e9\u4e2d");
    EXPECT_EQ(rows[1].value, -20);
    EXPECT_EQ(rows[2].index, 2);
    EXPECT_EQ(rows[2].value, int64_t(1) << 40);
    try {
        readRow(list, 3);
        FAIL() << "row 3 of 3 was read";
    } catch (const Failure& failure) {
        EXPECT_THAT(failure.what(), HasSubstr("which has 3 rows"));
    }
    // A window that does not know the query answers 0 rows and nothing else.
    EXPECT_EQ(rowCount(control(target::kButton)), 0);
    // A short answer is refused, not read past its end.
    try {
        readRow(control(target::kPatch), 0);
        FAIL() << "a short answer was taken";
    } catch (const Failure& failure) {
        EXPECT_THAT(failure.what(), HasSubstr("refused WM_COPYDATA with tag 0x524f5751, 8 bytes (expected " +
                                              std::to_string(sizeof(RowQueryAnswer)) + ")"));
    }
}

TEST_F(DriverTest, ScreenshotsHoldThePixelsOnScreen) {
    const uint32_t colour = rgb(target::kPatchRed, target::kPatchGreen, target::kPatchBlue);
    HWND patch = control(target::kPatch);
    const Picture shot = captureWindow(patch);
    ASSERT_EQ(shot.width(), target::kPatchWidth);
    ASSERT_EQ(shot.height(), target::kPatchHeight);
    EXPECT_EQ(shot.count(colour), size_t(target::kPatchWidth * target::kPatchHeight));

    const Picture window = captureWindow(main);
    EXPECT_EQ(window.count(colour), size_t(target::kPatchWidth * target::kPatchHeight));
    EXPECT_EQ(window.count(0xFF00FF), 0u);
    const auto file = savePng(window, L"target");
    EXPECT_EQ(file.parent_path(), artefactDirectory());
    const Picture saved = loadPng(file);
    EXPECT_EQ(saved.countDifferent(window), 0u);

    // The screen holds the window where the system says it is.
    RECT where;
    GetWindowRect(patch, &where);
    const Picture screen = captureScreen();
    EXPECT_EQ(screen.count(colour, where), size_t(target::kPatchWidth * target::kPatchHeight));
    savePng(screen, L"screen");
}

TEST_F(DriverTest, TimeOutsFailWithAClearMessage) {
    const ULONGLONG start = GetTickCount64();
    try {
        waitFor(byTitle(L"No such window"), milliseconds{300});
        FAIL() << "found a window that does not exist";
    } catch (const Failure& failure) {
        EXPECT_STREQ(failure.what(), "timed out after 300 ms waiting for a window with title \"No such window\" to appear");
    }
    try {
        waitGone(main, milliseconds{200});
        FAIL() << "the target went away";
    } catch (const Failure& failure) {
        EXPECT_THAT(failure.what(), HasSubstr("timed out after 200 ms waiting for window"));
        EXPECT_THAT(failure.what(), HasSubstr("\"Uidriver Target\" to go away"));
    }
    EXPECT_LT(GetTickCount64() - start, 3000u);
}

}  // namespace
