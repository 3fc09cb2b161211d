#pragma once
// The Windows side of button events: the low-level keyboard hook and the message-only window
// whose timers and messages drive the key handler and reach the listeners. Registration is
// declared in button_events.h.

namespace tessel::store {

// Class of the message-only window, registered with the module that holds this code.
inline constexpr wchar_t kButtonEventWindowClass[] = L"TesselButtonEventWindow";

}  // namespace tessel::store
