// The composition root: the real HID API unless the simulator is named; the simulated mouse from
// its own module when its state file exists; no mouse (and no file made) when it does not.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "middleware/api/system_ports.h"
#include "middleware/device/driver_handler.h"
#include "sim/state_store.h"

namespace tessel::com {
namespace {

std::wstring programFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring full(path);
    return full.substr(0, full.find_last_of(L"\\/") + 1);
}

std::string temporaryState(const char* name) {
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + "tessel-ports-" + std::to_string(GetCurrentProcessId()) + "-" + name + ".state";
}

TEST(SystemPorts, RealHidApiUnlessTheSimulatorIsNamed) {
    for (const wchar_t* unset : {static_cast<const wchar_t*>(nullptr), L""}) {
        SystemPorts ports(unset, programFolder());
        EXPECT_NE(dynamic_cast<device::Win32HidPort*>(&ports.device().hid), nullptr);
        EXPECT_NE(dynamic_cast<device::Win32MutexPort*>(&ports.device().mutexes), nullptr);
        EXPECT_NE(dynamic_cast<device::Win32Clock*>(&ports.device().clock), nullptr);
        EXPECT_NE(dynamic_cast<store::Win32Registry*>(&ports.registry()), nullptr);
        EXPECT_NE(dynamic_cast<store::Win32PointerSettings*>(&ports.pointerSettings()), nullptr);
    }
    EXPECT_EQ(GetModuleHandleW(L"tessel_sim_hid.dll"), nullptr) << "loaded although nobody asked for it";
}

TEST(SystemPorts, SimulatedMouseOfAnExistingStateFile) {
    const std::string state = temporaryState("existing");
    sim::writeStateFile(state);
    {
        const std::wstring wide(state.begin(), state.end());
        SystemPorts ports(wide.c_str(), programFolder());
        EXPECT_EQ(dynamic_cast<device::Win32HidPort*>(&ports.device().hid), nullptr);
        EXPECT_NE(GetModuleHandleW(L"tessel_sim_hid.dll"), nullptr);

        device::DriverHandler handler(ports.device(), device::kProductWired);
        ASSERT_EQ(handler.Open(), hr::ok);
        device::DovaReport identity = device::DovaReport::readRequest(0x02, 1);
        EXPECT_EQ(handler.GetFeatureRaw(identity, device::DovaReport::size, false), hr::ok);
        EXPECT_EQ(identity[device::DovaReport::status], 0x02);
        device::DriverHandler receiver(ports.device(), device::kProductWireless);
        EXPECT_EQ(receiver.Open(), static_cast<HResult>(0x80070103u));  // the cable only
    }
    EXPECT_EQ(GetModuleHandleW(L"tessel_sim_hid.dll"), nullptr) << "the simulator stays loaded";
    std::filesystem::remove(state);
    std::filesystem::remove(state + ".lock");
}

// A mistyped path must not look like a working mouse: nothing is found and nothing is created;
// a module that is not there gives no mouse either.
TEST(SystemPorts, NoMouseWithoutStateFileOrModule) {
    const std::string state = temporaryState("missing");
    const std::wstring wide(state.begin(), state.end());
    for (const std::wstring& folder : {programFolder(), programFolder() + L"nowhere\\"}) {
        SystemPorts ports(wide.c_str(), folder);
        EXPECT_EQ(dynamic_cast<device::Win32HidPort*>(&ports.device().hid), nullptr);
        device::DriverHandler handler(ports.device(), device::kProductWired);
        EXPECT_TRUE(hr::failed(handler.Open()));
        EXPECT_FALSE(std::filesystem::exists(state));
    }
}

}  // namespace
}  // namespace tessel::com
