// The gallery as a user sees it: every look on screen without a magenta pixel, the looks of each
// control really differ, controls never keep pixels of a window that covered them, and state
// changes and reloads do not leak GDI objects.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "gallery_fixture.h"
#include "resource.h"
#include "skin_paint.h"
#include "ui_harness.h"

namespace {

constexpr uint32_t kMagenta = 0xFF00FF;

class GalleryTest : public GalleryFixture {
 protected:
  static RECT Rect(HWND h) { return ScreenRect(h); }
};

TEST_F(GalleryTest, EveryLookIsOnScreenWithoutMagentaAndTheLooksDiffer) {
  Pump(300);
  uidriver::Picture shot = uidriver::captureScreen();
  uidriver::savePng(shot, L"gallery");
  EXPECT_EQ(shot.count(kMagenta), 0u);
  // The gallery really is on screen: its panel colour fills most of its rectangle.
  RECT g = Rect(gallery->hwnd());
  EXPECT_GT(shot.count(0x111318, g), static_cast<size_t>((g.right - g.left) * (g.bottom - g.top) / 4));

  // Each look shows its own picture: probe a point of each control where no caption lies.
  auto& G = *gallery;
  struct Probe {
    HWND window;
    POINT at;
    uint32_t colour;
  };
  const Probe probes[] = {
      {G.push[0].hwnd(), {6, 16}, 0x222733},  {G.push[1].hwnd(), {6, 16}, 0x2A3242},
      {G.push[2].hwnd(), {6, 16}, 0x0B5F7E},  {G.push[3].hwnd(), {6, 16}, 0x1A1C21},
      {G.check[0].hwnd(), {6, 6}, 0x1B1F27},  {G.check[1].hwnd(), {6, 6}, 0x232938},
      {G.check[2].hwnd(), {6, 6}, 0x00A8DD},  {G.check[3].hwnd(), {6, 6}, 0x35CCFF},
      {G.check[4].hwnd(), {6, 6}, 0x17191E},  {G.check[5].hwnd(), {6, 6}, 0x22262E},
      {G.check[6].hwnd(), {6, 6}, 0x00A8DD},  {G.old[0].hwnd(), {6, 16}, 0x222733},
      {G.old[1].hwnd(), {6, 16}, 0x0B5F7E},   {G.old[2].hwnd(), {6, 16}, 0x2A3242},
      {G.old[3].hwnd(), {6, 16}, 0x1A1C21},   {G.stage[0].hwnd(), {4, 20}, 0x1B1F27},
      {G.stage[2].hwnd(), {4, 20}, 0x0B5F7E}, {G.stage[1].hwnd(), {36, 6}, 0xFF8A1E},
      {G.stage[3].hwnd(), {36, 6}, 0xFF8A1E}, {G.stage[0].hwnd(), {36, 6}, 0x1B1F27},
      {G.combo.hwnd(), {4, 13}, 0x1B1F27},    {G.comboHover.hwnd(), {4, 13}, 0x232938},
      {G.comboDisabled.hwnd(), {4, 13}, 0x17191E},
  };
  for (const Probe& p : probes)
    EXPECT_EQ(PixelAt(shot, p.window, p.at), p.colour)
        << "control " << GetDlgCtrlID(p.window) << " at " << p.at.x << "," << p.at.y;
  // The PNG tabs blend with what lies under them: their five looks differ from each other.
  std::set<uint32_t> tabs;
  for (auto& t : G.tab) tabs.insert(PixelAt(shot, t.hwnd(), POINT{46, 30}));
  EXPECT_EQ(tabs.size(), 5u);
  EXPECT_NE(PixelAt(shot, G.slider.hwnd(), POINT{G.slider.ThumbRect().left + 3, 11}),
            PixelAt(shot, G.sliderDisabled.hwnd(),
                    POINT{G.sliderDisabled.ThumbRect().left + 3, 11}));
}

TEST_F(GalleryTest, OpenListWithSecondLevelPopupAndMessageBoxShowNoMagenta) {
  auto& G = *gallery;
  RunScript([&] {
    Click(Centre(G.combo.hwnd()));
    ASSERT_TRUE(WaitFor([&] { return G.comboList.IsOpen(); }));
    // Rest on "Macro": its second-level popup opens by itself.
    RECT row = G.comboList.RowRect(4);
    MoveMouse(ScreenPoint(G.comboList.hwnd(), POINT{row.left + 20, row.top + 8}));
    HWND popup = nullptr;
    ASSERT_TRUE(WaitFor([&] {
      return (popup = FindWindowW(L"#32768", nullptr)) && IsWindowVisible(popup);
    }));
    Sleep(200);
    uidriver::Picture open = uidriver::captureScreen();
    uidriver::savePng(open, L"gallery_combo_open");
    EXPECT_EQ(open.count(kMagenta), 0u);
    Key(VK_ESCAPE);
  });
  WaitFor([&] { return FindWindowW(L"#32768", nullptr) == nullptr ||
                       !IsWindowVisible(FindWindowW(L"#32768", nullptr)); }, 1000);
  G.comboList.Close();

  RunScript([&] {
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = FindWindowW(nullptr, L"Single Key Settings")); }));
    Sleep(300);
    Key(VK_F5);
    Sleep(200);
    uidriver::Picture shot = uidriver::captureScreen();
    uidriver::savePng(shot, L"message_box");
    EXPECT_EQ(shot.count(kMagenta), 0u);
    Click(Centre(GetDlgItem(box, IDC_MESSAGE_BUTTON_FIRST + 2)));  // Cancel
  }, [&] { EXPECT_EQ(G.ShowMessageBox(), CBitmapMessageBox::kCancel); });
}

TEST_F(GalleryTest, ControlsNeverKeepPixelsOfAWindowThatCoveredThem) {
  auto& G = *gallery;
  HWND button = G.push[0].hwnd();
  RECT r = Rect(button);
  // A red window covers the button while it takes its copy of the parent afresh.
  HWND cover = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"Static", L"",
                               WS_POPUP | WS_VISIBLE, r.left - 10, r.top - 10,
                               r.right - r.left + 20, r.bottom - r.top + 20, nullptr, nullptr,
                               nullptr, nullptr);
  ASSERT_NE(cover, nullptr);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  HDC dc = GetDC(cover);
  RECT all{0, 0, r.right - r.left + 20, r.bottom - r.top + 20};
  FillRect(dc, &all, red);
  ReleaseDC(cover, dc);
  Pump(100);
  SendMessageW(button, wingui::kParentPixelsChanged, 0, 0);
  RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  Pump(100);
  DestroyWindow(cover);
  DeleteObject(red);
  Pump(300);
  uidriver::Picture after = uidriver::captureScreen();
  EXPECT_EQ(after.count(0xFF0000, r), 0u) << "the button shows the red window it never saw";

  // Moved within the parent, the button shows the parent under its new place.
  RECT g = Rect(gallery->hwnd());
  SetWindowPos(button, nullptr, 700 - 24, 690 - 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  RedrawWindow(gallery->hwnd(), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Pump(200);
  uidriver::Picture moved = uidriver::captureScreen();
  RECT m = Rect(button);
  // Its transparent corner shows the status line's separator row's colours, not the old place's.
  EXPECT_EQ(moved.pixel(m.left, m.top), moved.pixel(m.left - 1, m.top));
  SetWindowPos(button, nullptr, 24, 82, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  (void)g;
  Pump(100);
}

TEST_F(GalleryTest, GdiObjectsStayFlatOverAThousandStateChangesAndReloads) {
  gallery->CycleStates(0);
  Pump(50);
  DWORD before = GdiObjects();
  ASSERT_GT(before, 50u) << "the count must see the gallery's own objects";
  DWORD start = GetTickCount();
  for (int i = 1; i <= 1000; ++i) {
    gallery->CycleStates(i);
    if (i % 50 == 0) Pump(1);
  }
  std::printf("1000 state changes and reloads: %lu ms\n", GetTickCount() - start);
  Pump(100);
  DWORD after = GdiObjects();
  EXPECT_LE(after, before + 5) << "before " << before << ", after " << after;
}

}  // namespace
