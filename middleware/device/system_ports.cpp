#include "middleware/device/system_ports.h"

#include <cstdlib>
#include <string>

#include "middleware/device/win32_ports.h"
#include "sim/simulated_hid.h"

namespace tessel::device {

namespace {

std::unique_ptr<HidPort> chooseHidPort(Clock& clock) {
    // Narrow like the file APIs the simulator opens its state with.
    if (const char* statePath = std::getenv("TESSEL_SIM"); statePath && *statePath)
        return sim::openSimulatedHid(statePath, clock);
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
