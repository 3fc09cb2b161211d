// CHoverButtonV2 driven by real input: pictures by state for both kinds, press switched off by a
// pressed id of 0, the mask hit test, locked buttons, the three ways of notifying, help texts,
// the silent tooltip, window shapes and failed loads.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "hover_button_v2.h"
#include "resource.h"
#include "skin_paint.h"
#include "ui_harness.h"

namespace {

constexpr int kButtonId = 500;

// The owner: a plain dark window that records what its button tells it.
class Host : public wingui::Window, public HoverButtonV2Parent {
 public:
  std::vector<std::pair<int, int>> callbacks;
  std::vector<WPARAM> commands;  // wParam of each WM_COMMAND
  std::vector<std::pair<std::wstring, HWND>> help;

  void OnHoverButtonV2(int controlId, int value) override { callbacks.emplace_back(controlId, value); }
  void Clear() {
    callbacks.clear();
    commands.clear();
    help.clear();
  }

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    switch (msg) {
      case WM_COMMAND: commands.push_back(wp); return 0;
      case kHelpTextMessage:
        help.emplace_back(reinterpret_cast<const wchar_t*>(wp), reinterpret_cast<HWND>(lp));
        return 0;
      case WM_PRINTCLIENT: Paint(reinterpret_cast<HDC>(wp)); return 0;
      default: return Window::OnMessage(msg, wp, lp);
    }
  }
  LRESULT OnEraseBackground(HDC dc) override {
    Paint(dc);
    return 1;
  }

 private:
  void Paint(HDC dc) {
    RECT r = ClientRect();
    HBRUSH b = CreateSolidBrush(RGB(17, 19, 24));
    FillRect(dc, &r, b);
    DeleteObject(b);
  }
};

class HoverButtonV2Test : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { session = new KitSession; }
  static void TearDownTestSuite() { delete session; }

  void SetUp() override {
    ASSERT_TRUE(host.Create(wingui::kSkinWindowClass, L"host", WS_POPUP | WS_VISIBLE, 0,
                            RECT{100, 100, 700, 400}, nullptr, 0));
    button = std::make_unique<CHoverButtonV2>();
    ASSERT_TRUE(button->Create(L"Button", L"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0,
                               RECT{40, 40, 50, 50}, host.hwnd(), kButtonId));
    SetForegroundWindow(host.hwnd());
    MoveMouse(POINT{1200, 1000});
  }
  void TearDown() override {
    button.reset();
    DestroyWindow(host.hwnd());
  }

  void LoadPush() {
    button->LoadBitmaps(IDB_BUTTON, IDB_BUTTON_PRESSED, IDB_BUTTON_HOVER, IDB_BUTTON_DISABLED,
                        IDB_BUTTON_MASK, -1, -1);
  }
  void LoadCheck(int mask = IDB_CHECK_MASK) {
    button->LoadBitmaps(IDB_CHECK, IDB_CHECK_TICKED, IDB_CHECK_HOVER, IDB_CHECK_DISABLED, mask,
                        IDB_CHECK_DISABLED_TICKED, IDB_CHECK_TICKED_HOVER);
    button->SetCheckStyle(true);
  }
  uint32_t PixelAt(POINT p) {
    Pump(120);
    return ::PixelAt(uidriver::captureScreen(), button->hwnd(), p);
  }
  POINT At(int x, int y) { return ScreenPoint(button->hwnd(), POINT{x, y}); }
  // Commands that were plain clicks of the button.
  size_t Clicks() const {
    size_t n = 0;
    for (WPARAM w : host.commands) n += w == MAKEWPARAM(kButtonId, BN_CLICKED);
    return n;
  }

  static KitSession* session;
  Host host;
  std::unique_ptr<CHoverButtonV2> button;
};
KitSession* HoverButtonV2Test::session = nullptr;

TEST_F(HoverButtonV2Test, BitmapPicturesFollowHoverPressAndDisable) {
  LoadPush();
  SIZE s = button->PictureSize();
  EXPECT_EQ(s.cx, 120);
  EXPECT_EQ(s.cy, 32);
  RECT r = ScreenRect(button->hwnd());
  EXPECT_EQ(r.right - r.left, 120) << "the window takes the picture's size";
  const POINT probe{6, 16};  // the fill, away from caption and underline
  EXPECT_EQ(PixelAt(probe), 0x222733u);
  MoveMouse(At(60, 16));
  ASSERT_TRUE(WaitFor([&] { return button->Hovering(); }));
  EXPECT_EQ(PixelAt(probe), 0x2A3242u);
  ButtonDown();
  EXPECT_EQ(PixelAt(probe), 0x0B5F7Eu);
  ButtonUp();
  MoveMouse(POINT{1200, 1000});
  ASSERT_TRUE(WaitFor([&] { return !button->Hovering(); }));
  EnableWindow(button->hwnd(), FALSE);
  EXPECT_EQ(PixelAt(probe), 0x1A1C21u);
}

TEST_F(HoverButtonV2Test, CheckStylePicturesFollowTickHoverAndDisable) {
  LoadCheck();
  struct Look {
    bool ticked, hover, enabled;
    uint32_t colour;
  };
  const Look looks[] = {
      {false, false, true, 0x1B1F27},  {false, true, true, 0x232938},
      {true, false, true, 0x00A8DD},   {true, true, true, 0x35CCFF},
      {false, false, false, 0x17191E}, {true, false, false, 0x22262E},
  };
  for (const Look& l : looks) {
    button->SetTicked(l.ticked);
    button->SetHover(l.hover);
    EnableWindow(button->hwnd(), l.enabled);
    EXPECT_EQ(PixelAt(POINT{6, 6}), l.colour)
        << "ticked " << l.ticked << " hover " << l.hover << " enabled " << l.enabled;
  }
}

TEST_F(HoverButtonV2Test, PngPicturesGiveFiveLooks) {
  ASSERT_EQ(button->LoadPngs(IDP_TAB, IDP_TAB_HOVER, IDP_TAB_PRESSED, IDP_TAB_TICKED_HOVER,
                             IDP_TAB_DISABLED), 1);
  EXPECT_EQ(button->PictureSize().cx, 110);
  button->SetCheckStyle(true);
  std::set<uint32_t> looks;
  for (int i = 0; i < 5; ++i) {
    button->SetTicked(i == 2 || i == 3);
    button->SetHover(i == 1 || i == 3);
    EnableWindow(button->hwnd(), i != 4);
    looks.insert(PixelAt(POINT{50, 30}));
  }
  EXPECT_EQ(looks.size(), 5u) << "normal, hover, ticked, ticked+hover, disabled";
}

TEST_F(HoverButtonV2Test, PressedIdOfZeroNeverPressesNorToggles) {
  button->LoadBitmaps(IDB_BUTTON, 0, 0, IDB_BUTTON_DISABLED, -1, -1, -1);
  button->SetCheckStyle(true);
  EXPECT_FALSE(button->PressEnabled());
  MoveMouse(At(60, 16));
  ButtonDown();
  EXPECT_EQ(PixelAt(POINT{6, 16}), 0x222733u) << "held down, it still shows the normal picture";
  ButtonUp();
  Pump(100);
  EXPECT_FALSE(button->Ticked());
  EXPECT_EQ(Clicks(), 0u);
}

TEST_F(HoverButtonV2Test, MaskedCheckToggleOnlyOnAGreenPixel) {
  LoadCheck();
  button->SetNotification(true, -1, &host);
  Click(At(100, 12));  // on the caption: black in the mask
  Pump(100);
  EXPECT_FALSE(button->Ticked());
  Click(At(10, 12));  // on the box: green
  Pump(100);
  EXPECT_TRUE(button->Ticked());
  Click(At(10, 12));
  Pump(100);
  EXPECT_FALSE(button->Ticked());
  // Every release notifies with the tick state it leaves, as the owner expects.
  std::vector<std::pair<int, int>> expected{{kButtonId, 0}, {kButtonId, 1}, {kButtonId, 0}};
  EXPECT_EQ(host.callbacks, expected);
  EXPECT_EQ(Clicks(), 3u);
}

TEST_F(HoverButtonV2Test, LockedCheckNotifiesWithoutToggling) {
  LoadCheck(-1);
  button->SetLocked(true);
  button->SetNotification(true, 7, &host);
  Click(At(10, 12));
  Pump(100);
  EXPECT_FALSE(button->Ticked());
  ASSERT_EQ(host.callbacks.size(), 1u);
  EXPECT_EQ(host.callbacks[0], std::make_pair(kButtonId, 7));
}

TEST_F(HoverButtonV2Test, CallbackOrWmCommandOrPlainClick) {
  struct Route {
    bool notify;
    int command;
    bool callback;
    std::vector<std::pair<int, int>> callbacks;
    std::vector<WPARAM> commands;
  };
  const Route routes[] = {
      {true, 7, true, {{kButtonId, 7}}, {MAKEWPARAM(kButtonId, BN_CLICKED)}},
      {true, -1, true, {{kButtonId, 1}}, {MAKEWPARAM(kButtonId, BN_CLICKED)}},
      {true, 7, false, {}, {7, MAKEWPARAM(kButtonId, BN_CLICKED)}},
      {false, 7, true, {}, {MAKEWPARAM(kButtonId, BN_CLICKED)}},
  };
  LoadCheck(-1);
  for (const Route& r : routes) {
    host.Clear();
    button->SetTicked(false);
    button->SetNotification(r.notify, r.command, r.callback ? &host : nullptr);
    Click(At(10, 12));
    Pump(100);
    EXPECT_EQ(host.callbacks, r.callbacks) << "notify " << r.notify << " command " << r.command;
    EXPECT_EQ(host.commands, r.commands) << "notify " << r.notify << " command " << r.command;
  }
}

TEST_F(HoverButtonV2Test, HelpTextSentOnlyWhenSetAndTooltipStaysSilent) {
  LoadPush();
  MoveMouse(At(60, 16));
  ASSERT_TRUE(WaitFor([&] { return button->Hovering(); }));
  Pump(100);
  EXPECT_TRUE(host.help.empty());
  MoveMouse(POINT{1200, 1000});
  ASSERT_TRUE(WaitFor([&] { return !button->Hovering(); }));

  button->SetHelpText(L"Applies the settings");
  MoveMouse(At(60, 16));
  ASSERT_TRUE(WaitFor([&] { return !host.help.empty(); }));
  EXPECT_EQ(host.help[0].first, L"Applies the settings");
  EXPECT_EQ(host.help[0].second, button->hwnd());

  // The tooltip exists, relays the mouse, and shows nothing while the cursor rests.
  Pump(1500);
  HWND tip = button->Tooltip();
  ASSERT_NE(tip, nullptr);
  wchar_t cls[64] = L"";
  GetClassNameW(tip, cls, 64);
  EXPECT_STREQ(cls, TOOLTIPS_CLASSW);
  EXPECT_FALSE(IsWindowVisible(tip));
}

TEST_F(HoverButtonV2Test, WindowShapesZeroToFourAndRefusedOnes) {
  LoadPush();  // 120 x 32
  struct Case {
    int shape;
    POINT inside, outside;
  };
  const Case cases[] = {
      {CHoverButtonV2::kEllipse, {60, 16}, {2, 2}},
      {CHoverButtonV2::kRectangle, {60, 16}, {1, 1}},  // inset by 4 below
      {CHoverButtonV2::kRoundedRectangle, {60, 1}, {0, 0}},
      {CHoverButtonV2::kCircle, {60, 60}, {1, 1}},     // side = 120: reaches below the window
      {CHoverButtonV2::kPolygon, {2, 1}, {2, 30}},     // bottom edge starts at left + 8
  };
  for (const Case& c : cases) {
    int inset = c.shape == CHoverButtonV2::kRectangle ? 4 : 0;
    EXPECT_EQ(button->SetWindowShape(c.shape, inset, inset, 120 - inset, 32 - inset, 12, 12), 1);
    HRGN r = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(button->hwnd(), r), ERROR) << "shape " << c.shape;
    EXPECT_TRUE(PtInRegion(r, c.inside.x, c.inside.y)) << "shape " << c.shape;
    EXPECT_FALSE(PtInRegion(r, c.outside.x, c.outside.y)) << "shape " << c.shape;
    DeleteObject(r);
  }
  for (int refused : {5, -1, 99}) {
    EXPECT_EQ(button->SetWindowShape(refused, 0, 0, 120, 32, 12, 12), 0);
    HRGN r = CreateRectRgn(0, 0, 0, 0);
    GetWindowRgn(button->hwnd(), r);
    EXPECT_FALSE(PtInRegion(r, 2, 30)) << "the polygon stays after shape " << refused;
    DeleteObject(r);
  }
}

TEST_F(HoverButtonV2Test, FailedLoadsKeepThePictureOrFallBackToAPlainButton) {
  LoadPush();
  EXPECT_EQ(PixelAt(POINT{6, 16}), 0x222733u);
  button->LoadBitmaps(9999, 9998, 9997, 9996, 9995, -1, -1);
  EXPECT_EQ(button->PictureSize().cx, 120);
  EXPECT_EQ(PixelAt(POINT{6, 16}), 0x222733u) << "the previous pictures stay";

  button->SetCaption(L"Plain");
  EXPECT_EQ(button->LoadPngs(IDP_TAB, 9999, IDP_TAB_PRESSED, 0, IDP_TAB_DISABLED), 0);
  EXPECT_EQ(button->LoadPngs(0, IDP_TAB_HOVER, IDP_TAB_PRESSED, 0, IDP_TAB_DISABLED), 0);
  Pump(200);
  EXPECT_EQ(GetWindowLongPtrW(button->hwnd(), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
  wchar_t text[32] = L"";
  GetWindowTextW(button->hwnd(), text, 32);
  EXPECT_STREQ(text, L"Plain");
  // A later good load makes it a picture button again.
  EXPECT_EQ(button->LoadPngs(IDP_TAB, IDP_TAB_HOVER, IDP_TAB_PRESSED, IDP_TAB_DISABLED), 1);
  EXPECT_EQ(GetWindowLongPtrW(button->hwnd(), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
}

}  // namespace
