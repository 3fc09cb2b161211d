// Paint time of the gallery and of a dialog of 60 skinned controls, and the GDI objects each
// control holds. Prints its figures; needs a display (run-benchmarks.sh gives it one).
#include <windows.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "bitmap_slider.h"
#include "combo_box.h"
#include "gallery.h"
#include "hover_button_v2.h"
#include "resource.h"
#include "ui_harness.h"

namespace {

// Milliseconds per full repaint (erase, every child) over the given rounds.
double PaintMs(HWND window, int rounds) {
  LARGE_INTEGER f, a, b;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&a);
  for (int i = 0; i < rounds; ++i) {
    // The parent's pixels change with each round, so every control takes its copy again.
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  }
  GdiFlush();
  QueryPerformanceCounter(&b);
  return 1000.0 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart) /
         rounds;
}

class Host : public wingui::Window {
 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg == WM_PRINTCLIENT || msg == WM_ERASEBKGND) {
      RECT r = ClientRect();
      HBRUSH b = CreateSolidBrush(RGB(17, 19, 24));
      FillRect(reinterpret_cast<HDC>(wp), &r, b);
      DeleteObject(b);
      return 1;
    }
    return Window::OnMessage(msg, wp, lp);
  }
};

}  // namespace

int main() {
  KitSession session;
  const int rounds = 30;

  CGallery gallery;
  if (!gallery.Open(GetModuleHandleW(nullptr))) return 1;
  ShowWindow(gallery.hwnd(), SW_SHOW);
  Pump(300);
  std::printf("gallery: %zu child windows, full repaint %.2f ms\n", gallery.Controls().size(),
              PaintMs(gallery.hwnd(), rounds));

  // Sixty controls of the kinds a configurator page holds: 30 push buttons, 20 check boxes,
  // 5 sliders, 5 combo boxes.
  DWORD before = GdiObjects();
  Host host;
  host.Create(wingui::kSkinWindowClass, L"sixty", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0,
              RECT{0, 0, 1000, 760}, nullptr, 0);
  std::vector<std::unique_ptr<CHoverButtonV2>> buttons;
  std::vector<std::unique_ptr<CBitmapSliderCtrl>> sliders;
  std::vector<std::unique_ptr<CBitmapComboBox>> boxes;
  const DWORD child = WS_CHILD | WS_VISIBLE;
  for (int i = 0; i < 50; ++i) {
    auto b = std::make_unique<CHoverButtonV2>();
    int x = 10 + (i % 5) * 196, y = 10 + (i / 5) * 40;
    b->Create(L"Button", L"", child | BS_OWNERDRAW, 0, RECT{x, y, x + 10, y + 10}, host.hwnd(),
              100 + i);
    if (i < 30) {
      b->LoadBitmaps(IDB_BUTTON, IDB_BUTTON_PRESSED, IDB_BUTTON_HOVER, IDB_BUTTON_DISABLED, -1,
                     -1, -1);
      b->SetCaption(L"Button " + std::to_wstring(i));
    } else {
      b->LoadBitmaps(IDB_CHECK, IDB_CHECK_TICKED, IDB_CHECK_HOVER, IDB_CHECK_DISABLED,
                     IDB_CHECK_MASK, IDB_CHECK_DISABLED_TICKED, IDB_CHECK_TICKED_HOVER);
      b->SetCheckStyle(true);
      b->SetTicked(i % 2 == 0);
      b->SetCaption(L"Option " + std::to_wstring(i));
    }
    buttons.push_back(std::move(b));
  }
  for (int i = 0; i < 5; ++i) {
    auto s = std::make_unique<CBitmapSliderCtrl>();
    s->Create(wingui::kSkinWindowClass, L"", child, 0, RECT{10, 420 + i * 30, 230, 444 + i * 30},
              host.hwnd(), 200 + i);
    s->LoadBitmaps(IDB_SLIDER_TRACK, IDB_SLIDER_FILL, IDB_SLIDER_THUMB, IDB_SLIDER_THUMB_PRESSED,
                   IDB_SLIDER_THUMB_DISABLED, IDB_SLIDER_THUMB_MASK);
    sliders.push_back(std::move(s));
    auto c = std::make_unique<CBitmapComboBox>();
    c->Create(wingui::kSkinWindowClass, L"Click", child, 0,
              RECT{300, 420 + i * 30, 490, 446 + i * 30}, host.hwnd(), 300 + i);
    c->LoadBitmaps(IDB_COMBO, IDB_COMBO_HOVER, IDB_COMBO_OPEN, IDB_COMBO_DISABLED);
    boxes.push_back(std::move(c));
  }
  Pump(300);
  double sixty = PaintMs(host.hwnd(), rounds);
  DWORD after = GdiObjects();
  std::printf("60-control dialog: full repaint %.2f ms\n", sixty);
  std::printf("GDI objects: %lu for 60 controls (%.1f per control, pictures, fonts and "
              "background copies)\n", after - before, (after - before) / 60.0);
  return 0;
}
