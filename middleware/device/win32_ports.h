#pragma once
// The Win32 adapters of the device ports: SetupAPI and hid.dll for the mouse interfaces,
// CreateMutexW for the named exclusions, Sleep and the performance counter for time.
#include "middleware/device/ports.h"

namespace tessel::device {

class Win32HidPort final : public HidPort {
public:
    std::unique_ptr<InterfaceList> mouseInterfaces(std::uint32_t& error) override;
    PortHandle open(const std::u16string& path) override;
    void close(PortHandle device) override;
    bool attributes(PortHandle device, HidAttributes& attributes) override;
    bool getFeature(PortHandle device, std::uint8_t* buffer, std::uint32_t length) override;
    bool setFeature(PortHandle device, const std::uint8_t* buffer, std::uint32_t length) override;
    std::uint32_t lastError() override;
};

class Win32MutexPort final : public MutexPort {
public:
    PortHandle create(const std::u16string& name, bool& existed) override;
    void wait(PortHandle mutex) override;
    void release(PortHandle mutex) override;
    void close(PortHandle mutex) override;
};

// Raises the system timer resolution to 1 ms for its life: the protocol's 10 ms waits would
// otherwise stretch to the default 15.6 ms tick.
class Win32Clock final : public Clock {
public:
    Win32Clock();
    ~Win32Clock() override;
    Win32Clock(const Win32Clock&) = delete;
    Win32Clock& operator=(const Win32Clock&) = delete;

    void sleepMs(std::uint32_t ms) override;
    std::uint64_t nowMs() override;

private:
    bool raisedResolution_;
    std::int64_t countsPerSecond_;
};

}  // namespace tessel::device
