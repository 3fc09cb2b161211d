// Clicks and keys: real input through SendInput, and the message forms of a click.
#pragma once

#include "uidriver/failure.h"

#include <initializer_list>
#include <span>
#include <string_view>

namespace uidriver {

enum class MouseButton { Left, Right };

// Moves the pointer to a point of the window (client coordinates; the centre of the client area
// when omitted), then presses and releases the button there. Fails when another top-level window
// covers the point, since the click would land there instead.
void click(HWND window, MouseButton button = MouseButton::Left);
void clickAt(HWND window, POINT clientPoint, MouseButton button = MouseButton::Left);
void doubleClick(HWND window);
void doubleClickAt(HWND window, POINT clientPoint);
void moveTo(HWND window, POINT clientPoint);

// The message forms. Both are posted, so a click that opens a modal loop does not block the caller.
void clickByMessage(HWND button);                               // BM_CLICK
void sendCommand(HWND control, WORD notification = BN_CLICKED);  // WM_COMMAND to its parent

// Keys go to the focus of the foreground window, as a user's keys do.
void pressKey(WORD virtualKey);
void pressKeys(std::span<const WORD> chord);  // e.g. {VK_CONTROL, 'A'}: down in order, up reversed
inline void pressKeys(std::initializer_list<WORD> chord) { pressKeys(std::span<const WORD>(chord.begin(), chord.size())); }
void typeText(std::wstring_view text);              // Unicode characters, independent of the layout

// Brings the top-level window of `window` to the foreground and waits until it is there.
void bringToFront(HWND window, milliseconds timeout = kDefaultTimeout);

}  // namespace uidriver
