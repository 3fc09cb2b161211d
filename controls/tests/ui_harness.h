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
#include "uidriver/picture.h"

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

// The pixel of a screenshot at a point of a window's client area.
uint32_t PixelAt(const uidriver::Picture& picture, HWND window, POINT client);
RECT ScreenRect(HWND window);

// The number of GDI objects this process holds.
DWORD GdiObjects();
