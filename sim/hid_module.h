#pragma once
// The simulated mouse as a module of its own. The middleware's server loads it by name, from its
// own folder, only when TESSEL_SIM names a state file; nothing of it is linked into the server.
#include "middleware/device/ports.h"

namespace tessel::sim {

inline constexpr char16_t kHidModuleName[] = u"tessel_sim_hid.dll";
inline constexpr char kOpenHidExport[] = "tesselOpenSimulatedHid";

// The export: a new port onto the mouse of the state file `statePath` (UTF-16), or null when
// it cannot be made. The caller deletes the port and keeps the module loaded while it lives.
using OpenHidFunction = device::HidPort* (*)(const char16_t* statePath, device::Clock* clock);

}  // namespace tessel::sim
