#pragma once
// The ports the shipped middleware talks to the mouse through, one set per process.
#include "middleware/device/ports.h"

namespace tessel::device {

// The real HID API, unless the environment variable TESSEL_SIM names a simulator state file:
// then the simulated mouse of that file. Decided once, at the first call.
DevicePorts& systemDevicePorts();

}  // namespace tessel::device
