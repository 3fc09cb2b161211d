#include "middleware/device/system_ports.h"

#include <cstdlib>
#include <string>

#include "middleware/device/win32_ports.h"

#if defined(TESSEL_WITH_SIMULATOR)
#include "sim/simulated_hid.h"
#endif

namespace tessel::device {

namespace {

std::unique_ptr<HidPort> chooseHidPort(Clock& clock) {
#if defined(TESSEL_WITH_SIMULATOR)
    // Narrow like the file APIs the simulator opens its state with.
    if (const char* statePath = std::getenv("TESSEL_SIM"); statePath && *statePath)
        return tessel::sim::openSimulatedHid(statePath, clock);
#else
    (void)clock;
#endif
    return std::make_unique<Win32HidPort>();
}

struct SystemPorts {
    Win32Clock clock;
    Win32MutexPort mutexes;
    std::unique_ptr<HidPort> hid = chooseHidPort(clock);
    DevicePorts ports{*hid, mutexes, clock};
};

}  // namespace

DevicePorts& systemDevicePorts() {
    static SystemPorts system;
    return system.ports;
}

}  // namespace tessel::device
