#include "middleware/device/system_ports.h"

#include <cstdlib>
#include <string>

#include "middleware/device/win32_ports.h"
#include "sim/simulated_hid.h"
#include "sim/state_text.h"

namespace tessel::device {

namespace {

std::unique_ptr<HidPort> chooseHidPort(Clock& clock) {
    // Read wide: the narrow environment is in the ANSI code page, the simulator takes UTF-8.
    if (const wchar_t* statePath = _wgetenv(L"TESSEL_SIM"); statePath && *statePath) {
        const std::u16string path(reinterpret_cast<const char16_t*>(statePath));
        return sim::openSimulatedHid(sim::toUtf8(path), clock);
    }
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
