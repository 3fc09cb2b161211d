// The gallery program: shows the control kit until Escape or the window is closed.
#include <windows.h>
#include <commctrl.h>

#include "embedded_font.h"
#include "gallery.h"
#include "gdiplus_bitmap.h"
#include "resource.h"
#include "skin_paint.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS | ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  GdiPlusSession gdiplus;
  EmbeddedFont font;
  font.Register(instance, {IDR_FONT_REGULAR, IDR_FONT_BOLD});
  wingui::Window::RegisterSkinClass(instance);

  CGallery gallery;
  if (!gallery.Open(instance)) return 1;
  ShowWindow(gallery.hwnd(), SW_SHOW);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(gallery.hwnd(), &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
