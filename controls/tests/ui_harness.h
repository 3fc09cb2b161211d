// What the kit's tests share: the process set-up a program of the suite does (common controls,
// GDI+, the embedded font, the skin window class), real input through SendInput, waiting while
// messages are pumped, and screen captures saved as PNG artefacts.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "embedded_font.h"
#include "gdiplus_bitmap.h"

class KitSession {
 public:
  KitSession();

 private:
  GdiPlusSession gdiplus_;
  EmbeddedFont font_;
};

// Processes messages for the given time.
void Pump(int ms);
// Pumps until the condition holds or the time-out passes; answers the condition.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 3000);

// Runs a script of user actions on a thread of its own while this thread pumps messages, so the
// script can drive modal loops (popup menus, message boxes) that this thread runs.
void RunScript(const std::function<void()>& script);
// The same, with this thread running a modal call (a message box) meanwhile.
void RunScript(const std::function<void()>& script, const std::function<void()>& modal);

POINT ScreenPoint(HWND window, POINT client);
POINT Centre(HWND window);  // in screen coordinates
// Real input: the cursor moves and buttons go down and up as if the user did it.
void MoveMouse(POINT screen);
void ButtonDown(bool right = false);
void ButtonUp(bool right = false);
void Click(POINT screen, bool right = false);
void DoubleClick(POINT screen);
void Wheel(POINT screen, int notches);
void Key(WORD virtualKey);

// Pixels of the screen (0x00RRGGBB).
struct Capture {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  // A hash of the pixels in a screen rectangle, to tell two looks apart.
  uint64_t Hash(const RECT& r) const;
  int Count(uint32_t colour, const RECT& r) const;
  // The pixel at a point of a window's client area.
  uint32_t At(HWND window, POINT client) const;
};
Capture CaptureScreen();
// Saves under the build tree's artefacts folder; answers the full path.
std::wstring SaveArtefact(const Capture& capture, const std::wstring& name);
RECT ScreenRect(HWND window);

// The number of GDI objects this process holds.
DWORD GdiObjects();
