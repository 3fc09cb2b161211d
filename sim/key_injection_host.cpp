#include "sim/key_injection.h"

namespace tessel::sim {

// The host build models the mouse only; the keys are reported, not sent.
bool injectKeys(const std::vector<KeyEvent>& keys) { return keys.empty(); }

bool canInjectKeys() { return false; }

}  // namespace tessel::sim
