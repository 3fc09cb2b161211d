// The other controls of the kit where they differ from the button, driven in the gallery by real
// input: slider, spin repeat, combo box and its list, message box, scroll bar, picture area,
// lists and their row query.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include "gallery_fixture.h"
#include "resource.h"
#include "row_query.h"
#include "ui_harness.h"

namespace {

// Receives row query answers.
class Asker : public wingui::Window {
 public:
  std::vector<RowQueryAnswer> answers;

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg == WM_COPYDATA) {
      auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lp);
      if (cds->dwData == kRowQueryCopyDataTag && cds->cbData == sizeof(RowQueryAnswer))
        answers.push_back(*static_cast<const RowQueryAnswer*>(cds->lpData));
      return TRUE;
    }
    return Window::OnMessage(msg, wp, lp);
  }
};

class ControlsTest : public GalleryFixture {
 protected:
  static size_t CountEvents(const std::wstring& prefix) {
    return static_cast<size_t>(std::count_if(
        gallery->events.begin(), gallery->events.end(),
        [&](const std::wstring& e) { return e.rfind(prefix, 0) == 0; }));
  }
  static bool HasEvent(const std::wstring& e) {
    return std::find(gallery->events.begin(), gallery->events.end(), e) != gallery->events.end();
  }
  static std::wstring TextOf(HWND h) {
    wchar_t text[300] = L"";
    SendMessageW(h, WM_GETTEXT, 300, reinterpret_cast<LPARAM>(text));
    return text;
  }

};

TEST_F(ControlsTest, SliderDragsItsThumbStepsOnTheTrackAndIgnoresValuesOutOfRange) {
  CBitmapSliderCtrl& s = gallery->slider;
  HWND label = GetDlgItem(gallery->hwnd(), IDC_SLIDER_LABEL);
  ASSERT_FLOAT_EQ(s.Value(), 5.0f);
  RECT t = s.ThumbRect();
  MoveMouse(ScreenPoint(s.hwnd(), POINT{(t.left + t.right) / 2, 11}));
  ButtonDown();
  EXPECT_TRUE(s.Dragging());
  EXPECT_TRUE(HasEvent(L"slider pressed: 5.00"));
  MoveMouse(ScreenPoint(s.hwnd(), POINT{(t.left + t.right) / 2 + 46, 11}));
  ButtonUp();
  float dragged = s.Value();
  EXPECT_GT(dragged, 6.5f);
  wchar_t expected[32];
  swprintf(expected, 32, L"%.2f", static_cast<double>(dragged));
  EXPECT_EQ(TextOf(label), expected);
  EXPECT_EQ(TextOf(s.hwnd()), expected);
  EXPECT_TRUE(HasEvent(std::wstring(L"slider changed: ") + expected));
  EXPECT_TRUE(HasEvent(L"command: " + std::to_wstring(IDC_SLIDER) + L" 0"));

  // A short click on the track moves one step towards it.
  gallery->events.clear();
  Click(ScreenPoint(s.hwnd(), POINT{3, 11}));
  EXPECT_FLOAT_EQ(s.Value(), dragged - 1.0f);
  EXPECT_EQ(CountEvents(L"slider changed"), 1u);

  // Held on the track, timer 111 repeats the step every 100 ms until the thumb arrives.
  ASSERT_TRUE(s.SetValue(2.0f));
  gallery->events.clear();
  MoveMouse(ScreenPoint(s.hwnd(), POINT{214, 11}));
  ButtonDown();
  Pump(550);
  ButtonUp();
  EXPECT_GE(s.Value(), 5.0f);
  EXPECT_GE(CountEvents(L"slider changed"), 3u);

  float before = s.Value();
  EXPECT_FALSE(s.SetValue(10.5f));
  EXPECT_FALSE(s.SetValue(0.5f));
  EXPECT_FLOAT_EQ(s.Value(), before);
  s.SetValue(5.0f);
}

TEST_F(ControlsTest, SpinButtonRepeatsWhileHeldAndStopsOnRelease) {
  MoveMouse(Centre(gallery->spinUp.hwnd()));
  ButtonDown();
  Pump(500);
  ButtonUp();
  size_t steps = CountEvents(L"button: " + std::to_wstring(IDC_SPIN_UP) + L" 1");
  EXPECT_GE(steps, 5u) << "one on the press and one each 50 ms";
  Pump(300);
  EXPECT_EQ(CountEvents(L"button: " + std::to_wstring(IDC_SPIN_UP) + L" 1"), steps);
}

TEST_F(ControlsTest, BitmapSpinBoxStepsWithinItsRangeAndTellsTheParent) {
  CBitmapSpinCtrl& spin = gallery->bitmapSpin;
  spin.SetValue(4);
  Click(Centre(spin.UpButton().hwnd()));
  Click(Centre(spin.UpButton().hwnd()));
  EXPECT_EQ(spin.Value(), 5);
  EXPECT_EQ(TextOf(spin.hwnd()), L"5");
  EXPECT_TRUE(HasEvent(L"command: " + std::to_wstring(IDC_BITMAP_SPIN) + L" 4000"));
  Click(Centre(spin.DownButton().hwnd()));
  EXPECT_EQ(spin.Value(), 4);
  spin.SetValue(3);
}

TEST_F(ControlsTest, ComboListOpensCapturesClosesOnLeaveAndChoosesByKeys) {
  CBitmapComboBox& box = gallery->combo;
  CComboBoxList& list = gallery->comboList;
  box.SetCurSel(0);
  Click(Centre(box.hwnd()));
  ASSERT_TRUE(WaitFor([&] { return list.IsOpen(); }));
  EXPECT_EQ(GetCapture(), list.hwnd());
  RECT lr = ScreenRect(list.hwnd()), br = ScreenRect(box.hwnd());
  EXPECT_EQ(lr.left, br.left);
  EXPECT_EQ(lr.top, br.bottom - 1);
  RECT row = list.RowRect(2);
  MoveMouse(ScreenPoint(list.hwnd(), POINT{row.left + 20, row.top + 8}));
  EXPECT_EQ(list.Highlighted(), 2);
  MoveMouse(POINT{lr.left + 20, lr.bottom + 30});
  EXPECT_TRUE(WaitFor([&] { return !list.IsOpen(); }));
  EXPECT_TRUE(HasEvent(L"list left: " + std::to_wstring(IDC_COMBO)));
  EXPECT_NE(GetCapture(), list.hwnd());

  Click(Centre(box.hwnd()));
  ASSERT_TRUE(WaitFor([&] { return list.IsOpen(); }));
  Key(VK_DOWN);
  Key(VK_DOWN);
  Key(VK_RETURN);
  EXPECT_FALSE(list.IsOpen());
  EXPECT_EQ(box.CurSel(), 2);
  EXPECT_EQ(TextOf(box.hwnd()), L"Universal Scrolling");
  EXPECT_TRUE(HasEvent(L"combo choice: " + std::to_wstring(IDC_COMBO) + L" 2"));

  // Its own scroll arrows step through the eleven items and repeat while held.
  Click(Centre(box.hwnd()));
  ASSERT_TRUE(WaitFor([&] { return list.IsOpen(); }));
  RECT c{};
  GetClientRect(list.hwnd(), &c);
  MoveMouse(ScreenPoint(list.hwnd(), POINT{c.right - 8, c.bottom - 6}));
  ButtonDown();
  EXPECT_EQ(list.TopRow(), 1);
  Pump(350);
  ButtonUp();
  EXPECT_EQ(list.TopRow(), 3) << "the last rows are in view: the list stops there";
  MoveMouse(ScreenPoint(list.hwnd(), POINT{c.right - 8, 6}));
  ButtonDown();
  ButtonUp();
  EXPECT_EQ(list.TopRow(), 2);
  EXPECT_TRUE(list.IsOpen());
  Key(VK_ESCAPE);
  EXPECT_FALSE(list.IsOpen());

  // A click on the box closes the open list; it does not open again.
  Click(Centre(box.hwnd()));
  ASSERT_TRUE(WaitFor([&] { return list.IsOpen(); }));
  Click(Centre(box.hwnd()));
  Pump(200);
  EXPECT_FALSE(list.IsOpen());
}

TEST_F(ControlsTest, ComboListSecondLevelPopupReportsTheChoiceAndCloses) {
  CComboBoxList& list = gallery->comboList;
  RunScript([&] {
    Click(Centre(gallery->combo.hwnd()));
    ASSERT_TRUE(WaitFor([&] { return list.IsOpen(); }));
    RECT row = list.RowRect(5);  // "Profile"
    MoveMouse(ScreenPoint(list.hwnd(), POINT{row.left + 20, row.top + 8}));
    ASSERT_TRUE(WaitFor([&] {
      HWND menu = FindWindowW(L"#32768", nullptr);
      return menu && IsWindowVisible(menu);
    }));
    Key(VK_DOWN);
    Key(VK_DOWN);
    Key(VK_RETURN);
  });
  EXPECT_TRUE(WaitFor([&] { return !list.IsOpen(); }));
  EXPECT_TRUE(HasEvent(L"second level: " + std::to_wstring(IDC_COMBO) + L" 5 2"));
}

TEST_F(ControlsTest, MessageBoxButtonsGiveTheirResultsAndCloseGivesZero) {
  struct Case {
    int control;
    INT_PTR result;
  };
  const Case cases[] = {{IDC_MESSAGE_BUTTON_FIRST, CBitmapMessageBox::kOk},
                        {IDC_MESSAGE_BUTTON_FIRST + 1, CBitmapMessageBox::kApply},
                        {IDC_MESSAGE_BUTTON_FIRST + 2, CBitmapMessageBox::kNo},
                        {IDC_MESSAGE_CLOSE, CBitmapMessageBox::kClosed}};
  for (const Case& c : cases) {
    CBitmapMessageBox box(L"Restore Defaults", L"Are you sure you want to restore defaults?");
    box.AddButton(L"OK", CBitmapMessageBox::kOk);
    box.AddButton(L"Apply", CBitmapMessageBox::kApply);
    box.AddButton(L"No", CBitmapMessageBox::kNo);
    INT_PTR result = -1;
    RunScript(
        [&] {
          HWND h = nullptr;
          ASSERT_TRUE(WaitFor([&] { return (h = FindWindowW(nullptr, L"Restore Defaults")); }));
          Sleep(200);
          Click(Centre(GetDlgItem(h, c.control)));
        },
        [&] { result = box.Show(gallery->hwnd()); });
    EXPECT_EQ(result, c.result) << "control " << c.control;
  }
  CBitmapMessageBox full(L"Full", L"");
  for (int i = 0; i < 8; ++i) EXPECT_TRUE(full.AddButton(L"B", i));
  EXPECT_FALSE(full.AddButton(L"Ninth", 9));
}

TEST_F(ControlsTest, MessageBoxCapsItsInputAndCapturesKeysMasked) {
  CBitmapMessageBox box(L"Single Key Settings", L"Enter Single Key");
  box.EnableInput(L"");
  box.EnableKeyCapture();
  box.AddButton(L"OK", CBitmapMessageBox::kOk);
  box.AddButton(L"Cancel", CBitmapMessageBox::kCancel);
  INT_PTR result = -1;
  std::vector<UINT> masked;
  RunScript(
      [&] {
        HWND h = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (h = FindWindowW(nullptr, L"Single Key Settings")); }));
        Sleep(200);
        HWND key = GetDlgItem(h, IDC_MESSAGE_KEY);
        // Context, previous-state and repeat bits go; scan code, extended and release stay.
        const std::pair<LPARAM, UINT> messages[] = {{0x603F0001, 0x003F},
                                                    {static_cast<LPARAM>(0xC14D0001), 0x814D},
                                                    {0x01480001, 0x0148}};
        for (auto [lp, expected] : messages) {
          SendMessageW(key, WM_KEYDOWN, VK_F5, lp);
          masked.push_back(box.KeyCode() == expected ? 1u : box.KeyCode());
        }
        Key(VK_F5);  // real input goes to the field, which has the focus
        std::wstring longText(300, L'x');
        SendMessageW(GetDlgItem(h, IDC_MESSAGE_INPUT), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(longText.c_str()));
        Click(Centre(GetDlgItem(h, IDC_MESSAGE_BUTTON_FIRST)));
      },
      [&] { result = box.Show(gallery->hwnd()); });
  EXPECT_EQ(result, CBitmapMessageBox::kOk);
  EXPECT_EQ(masked, (std::vector<UINT>{1, 1, 1}));
  EXPECT_EQ(box.KeyCode(), static_cast<UINT>(MapVirtualKeyW(VK_F5, MAPVK_VK_TO_VSC)));
  EXPECT_EQ(box.Input().size(), 260u);
}

TEST_F(ControlsTest, ScrollBarSwallowsRightClicksAndDoubleClicks) {
  CBitmapScrollbar& bar = gallery->keyListBar;
  bar.SetPos(0);
  SendMessageW(gallery->keyList.hwnd(), WM_VSCROLL, SB_THUMBPOSITION, reinterpret_cast<LPARAM>(bar.hwnd()));
  RECT r = ScreenRect(bar.hwnd());
  POINT down{(r.left + r.right) / 2, r.bottom - 5};
  Click(down, true);
  Pump(200);
  EXPECT_EQ(bar.Pos(), 0);
  EXPECT_EQ(FindWindowW(L"#32768", nullptr) && IsWindowVisible(FindWindowW(L"#32768", nullptr)),
            false);
  Pump(200);
  DoubleClick(down);
  Pump(200);
  EXPECT_EQ(bar.Pos(), 1) << "the first press steps; the double click adds nothing";
  Click(down);
  EXPECT_EQ(bar.Pos(), 2);
  EXPECT_EQ(gallery->keyList.TopRow(), 2);
  EXPECT_EQ(TextOf(bar.hwnd()), L"2");
}

TEST_F(ControlsTest, PictureAreaReportsPressDragAndRelease) {
  HWND p = gallery->picture.hwnd();
  MoveMouse(ScreenPoint(p, POINT{20, 30}));
  ButtonDown();
  MoveMouse(ScreenPoint(p, POINT{60, 40}));
  ButtonUp();
  EXPECT_TRUE(HasEvent(L"picture: 1 20 30"));
  EXPECT_TRUE(HasEvent(L"picture: 2 60 40"));
  EXPECT_TRUE(HasEvent(L"picture: 3 60 40"));
}

TEST_F(ControlsTest, ListsAnswerTheRowQuery) {
  Asker asker;
  ASSERT_TRUE(asker.Create(wingui::kSkinWindowClass, L"", WS_POPUP, 0, RECT{0, 0, 1, 1},
                           nullptr, 0));
  struct Case {
    HWND list;
    int rows;
    int row;
    const wchar_t* text;
    int64_t value;
  };
  const Case cases[] = {
      {gallery->comboList.hwnd(), 11, 4, L"Macro", 1},
      {gallery->keyList.hwnd(), 10, 1, L"0.300 sec delay", 300},
      {gallery->profileList.hwnd(), 4, 1, L"Shooter\tarena.exe\t", 1},
      {gallery->sliderList.hwnd(), 3, 0, L"Pointer speed\t6.00", 6},
  };
  for (const Case& c : cases) {
    asker.answers.clear();
    EXPECT_EQ(SendMessageW(c.list, kRowQueryMessage, static_cast<WPARAM>(-1),
                           reinterpret_cast<LPARAM>(asker.hwnd())), c.rows);
    EXPECT_TRUE(asker.answers.empty());
    EXPECT_EQ(SendMessageW(c.list, kRowQueryMessage, 99, reinterpret_cast<LPARAM>(asker.hwnd())),
              c.rows);
    EXPECT_TRUE(asker.answers.empty());
    EXPECT_EQ(SendMessageW(c.list, kRowQueryMessage, static_cast<WPARAM>(c.row),
                           reinterpret_cast<LPARAM>(asker.hwnd())), c.rows);
    ASSERT_EQ(asker.answers.size(), 1u);
    EXPECT_EQ(asker.answers[0].row, c.row);
    EXPECT_STREQ(asker.answers[0].text, c.text);
    EXPECT_EQ(asker.answers[0].value, c.value);
  }
}

TEST_F(ControlsTest, ListsToggleCellsAndEditDelaysInPlace) {
  CBitmapListCtrlV3& profiles = gallery->profileList;
  bool before = profiles.Switched(0);
  RECT r = ScreenRect(profiles.hwnd());
  // Row 0, "Auto Switch" column (after the number column, name and application).
  Click(POINT{r.left + 52 + 170 + 136 + 20, r.top + 24 + 11});
  EXPECT_NE(profiles.Switched(0), before);
  EXPECT_TRUE(HasEvent(L"list toggle: 0 2"));

  CBitmapListCtrlV2& keys = gallery->keyList;
  SendMessageW(gallery->keyList.hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, 3 * WHEEL_DELTA), 0);
  ASSERT_EQ(keys.TopRow(), 0);
  RECT k = ScreenRect(keys.hwnd());
  DoubleClick(POINT{k.left + 60, k.top + 2 + 18 + 9});  // row 1, a delay
  ASSERT_TRUE(WaitFor([&] { return keys.Editing(); })) << [&] {
    std::wstring all;
    for (auto& e : gallery->events) all += e + L" | ";
    return std::string(all.begin(), all.end());
  }();
  for (WORD c : {'2', '5', '0'}) Key(c);
  Key(VK_RETURN);
  ASSERT_TRUE(WaitFor([&] { return !keys.Editing(); }));
  EXPECT_EQ(keys.RowText(1), L"0.250 sec delay");
  EXPECT_EQ(keys.RowValue(1), 250);
  EXPECT_TRUE(HasEvent(L"list edit: 1 0 0.250 sec delay"));
}

TEST_F(ControlsTest, OlderButtonTogglesOnEveryRelease) {
  CHoverButton& b = gallery->old[0];
  bool before = b.Ticked();
  Click(Centre(b.hwnd()));
  EXPECT_NE(b.Ticked(), before);
  Click(Centre(b.hwnd()));
  EXPECT_EQ(b.Ticked(), before);
  EXPECT_EQ(gallery->helpText, L"Older button: Normal") << "handed to the dialog on hover";
}

}  // namespace
