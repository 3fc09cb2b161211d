#pragma once
// The composition root of the server: the one place that chooses the platform adapters under
// the device layer and the store. The real HID API, unless TESSEL_SIM names a simulator state
// file; the system's registry, pointer settings and files.
#include <windows.h>

#include <memory>
#include <string>

#include "middleware/device/ports.h"
#include "middleware/device/win32_ports.h"
#include "middleware/store/file_port.h"
#include "middleware/store/pointer_settings.h"
#include "middleware/store/registry_port.h"
#include "middleware/store/win32_pointer_settings.h"
#include "middleware/store/win32_registry.h"

namespace tessel::com {

class SystemPorts {
public:
    // `simulatorState`: null or empty for the real HID API; otherwise the state file of the
    // simulated mouse, whose module is loaded from `moduleFolder` (with a trailing separator).
    // A missing module or state file gives a port that finds no mouse.
    SystemPorts(const wchar_t* simulatorState, const std::wstring& moduleFolder);
    ~SystemPorts();
    SystemPorts(const SystemPorts&) = delete;
    SystemPorts& operator=(const SystemPorts&) = delete;

    device::DevicePorts& device() { return device_; }
    store::RegistryPort& registry() { return registry_; }
    store::PointerSettingsPort& pointerSettings() { return pointerSettings_; }
    store::FilePort& files() { return store::localFiles(); }

private:
    device::Win32Clock clock_;
    device::Win32MutexPort mutexes_;
    HMODULE simulator_ = nullptr;
    std::unique_ptr<device::HidPort> hid_;
    device::DevicePorts device_;
    store::Win32Registry registry_;
    store::Win32PointerSettings pointerSettings_;
};

// The full path of a loaded module, however long.
std::wstring modulePath(HMODULE module);

// The process's ports, chosen at the first call from TESSEL_SIM. They stay until the process
// ends: objects of the simulator's module may be in use to the last moment.
SystemPorts& systemPorts();

}  // namespace tessel::com
