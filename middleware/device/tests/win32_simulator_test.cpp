// The shipped ports with TESSEL_SIM naming a state file (set by the test's registration): the
// search and a transaction reach the simulated mouse through the real exclusion and clock.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "middleware/device/driver_handler.h"
#include "middleware/device/system_ports.h"
#include "middleware/device/win32_ports.h"

namespace tessel::device {
namespace {

TEST(SystemPortsWithSimulator, FindAndReadTheSimulatedMouse) {
    const char* statePath = std::getenv("TESSEL_SIM");
    ASSERT_TRUE(statePath && *statePath);
    std::remove(statePath);  // a mouse as it leaves the factory, plugged in by cable

    DevicePorts& ports = systemDevicePorts();
    EXPECT_EQ(dynamic_cast<Win32HidPort*>(&ports.hid), nullptr);
    EXPECT_NE(dynamic_cast<Win32MutexPort*>(&ports.mutexes), nullptr);
    EXPECT_NE(dynamic_cast<Win32Clock*>(&ports.clock), nullptr);

    DriverHandler handler(ports, kProductWired);
    ASSERT_EQ(handler.Open(), hr::ok);
    EXPECT_FALSE(handler.devicePath().empty());
    DovaReport identity = DovaReport::readRequest(0x02, 1);
    EXPECT_EQ(handler.GetFeatureRaw(identity, DovaReport::size, false), hr::ok);
    EXPECT_EQ(identity[DovaReport::status], 0x02);
    EXPECT_EQ(identity[DovaReport::command], 0x02);

    DriverHandler receiver(ports, kProductWireless);
    EXPECT_EQ(receiver.Open(), static_cast<HResult>(0x80070103u));  // the cable only
}

}  // namespace
}  // namespace tessel::device
