#pragma once
// Sends the keys of a press into the system's input stream, as the mouse's keyboard interface
// would. key_injection_win32.cpp uses SendInput; the host build has no such stream.
#include <vector>

#include "sim/presses.h"

namespace tessel::sim {

// False when the keys could not be sent (or the platform cannot send them).
bool injectKeys(const std::vector<KeyEvent>& keys);

// Whether this build can send keys at all.
bool canInjectKeys();

}  // namespace tessel::sim
