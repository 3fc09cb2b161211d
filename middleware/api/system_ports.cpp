#include "middleware/api/system_ports.h"

#include <cstdlib>
#include <string>

#include "middleware/common/trace.h"
#include "sim/hid_module.h"

namespace tessel::com {
namespace {

// What the HID port finds when the simulator was asked for but cannot be had: no mouse.
class NoMouse final : public device::HidPort {
public:
    std::unique_ptr<device::InterfaceList> mouseInterfaces(std::uint32_t& error) override {
        error = 0;
        return std::make_unique<Empty>();
    }
    device::PortHandle open(const std::u16string&) override { return 0; }
    void close(device::PortHandle) override {}
    bool attributes(device::PortHandle, device::HidAttributes&) override { return false; }
    bool getFeature(device::PortHandle, std::uint8_t*, std::uint32_t) override { return false; }
    bool setFeature(device::PortHandle, const std::uint8_t*, std::uint32_t) override { return false; }
    std::uint32_t lastError() override { return ERROR_DEVICE_NOT_CONNECTED; }

private:
    struct Empty final : device::InterfaceList {
        std::uint32_t path(std::uint32_t, std::u16string&) override { return ERROR_NO_MORE_ITEMS; }
    };
};

// The folder of the module that holds this code, with a trailing separator.
std::wstring codeFolder() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&codeFolder), &module);
    const std::wstring path = modulePath(module);
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

// The simulated mouse from its module in `folder`; no mouse when the module or its export is
// missing. `module` keeps the loaded module for the port's owner.
std::unique_ptr<device::HidPort> openSimulator(const wchar_t* statePath, const std::wstring& folder,
                                               device::Clock& clock, HMODULE& module) {
    const std::wstring path = folder + reinterpret_cast<const wchar_t*>(sim::kHidModuleName);
    module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) {
        Trace(u"SystemPorts: the simulator %ls cannot be loaded (%lu)", path.c_str(), GetLastError());
        return std::make_unique<NoMouse>();
    }
    const auto open = reinterpret_cast<sim::OpenHidFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, sim::kOpenHidExport)));
    device::HidPort* port = open ? open(reinterpret_cast<const char16_t*>(statePath), &clock) : nullptr;
    if (!port) return std::make_unique<NoMouse>();
    return std::unique_ptr<device::HidPort>(port);
}

std::unique_ptr<device::HidPort> chooseHid(const wchar_t* simulatorState, const std::wstring& folder,
                                           device::Clock& clock, HMODULE& module) {
    if (simulatorState && *simulatorState) return openSimulator(simulatorState, folder, clock, module);
    return std::make_unique<device::Win32HidPort>();
}

}  // namespace

std::wstring modulePath(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

SystemPorts::SystemPorts(const wchar_t* simulatorState, const std::wstring& moduleFolder)
    : hid_(chooseHid(simulatorState, moduleFolder, clock_, simulator_)), device_{*hid_, mutexes_, clock_} {}

SystemPorts::~SystemPorts() {
    hid_.reset();  // its code is in the simulator's module
    if (simulator_) FreeLibrary(simulator_);
}

SystemPorts& systemPorts() {
    // Read wide: the narrow environment is in the ANSI code page.
    static SystemPorts* const ports = new SystemPorts(_wgetenv(L"TESSEL_SIM"), codeFolder());
    return *ports;
}

}  // namespace tessel::com
