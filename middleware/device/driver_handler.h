#pragma once
// The opened mouse: product id, settings key name and the current interface path. No device
// handle stays open; every exchange opens the path for itself.
#include <cstdint>
#include <mutex>
#include <string>

#include "middleware/common/status.h"
#include "middleware/device/dova_report.h"
#include "middleware/device/ports.h"

namespace tessel::device {

inline constexpr std::uint16_t kVendorId = 0x7A3C;
inline constexpr std::uint16_t kProductWired = 0x13;
inline constexpr std::uint16_t kProductWireless = 0x14;
inline constexpr std::uint16_t kProductDownload = 0x0F;
// Characters of the stored path, terminator included.
inline constexpr std::size_t kDevicePathCapacity = 126;

class DriverHandler {
public:
    DriverHandler(DevicePorts& ports, std::uint16_t productId);

    // Builds the key name and searches for the mouse.
    HResult Open();

    HResult EnumKxDevices(std::uint16_t vendorId, std::uint16_t productId);
    HResult SetFeatureRaw(DovaReport& report, std::uint32_t length, bool retryAfterAbort);
    HResult GetFeatureRaw(DovaReport& report, std::uint32_t length, bool retryAfterAbort);
    HResult GetFeatureRawEx(const std::u16string& devicePath, DovaReport& report,
                            std::uint32_t length, bool retryAfterAbort);
    // Plain access on the current path (short reports of the wireless receiver).
    HResult RawFeatureAccess(int direction, std::uint8_t* buffer, std::uint32_t length);

    HResult SwitchToNextDevice() { return hr::notImpl; }
    std::u16string GetHardwareId() const;
    std::u16string GetDriverVersion() const { return u"1.02"; }

    std::uint16_t productId() const { return productId_; }
    const std::u16string& keyName() const { return keyName_; }
    // A copy: a re-discovery on another thread may rewrite the path at any time.
    std::u16string devicePath() const;
    DevicePorts& ports() { return ports_; }

private:
    // One transaction on `callerPath`, or on the current path when null, with the optional
    // pause, re-discovery and repeat after E_ABORT.
    HResult transact(const char16_t* retryTrace, const std::u16string* callerPath, DovaReport& report,
                     bool retryAfterAbort);
    // Whether the opened interface at `path` is the requested mouse and answers its probe.
    bool probe(const std::u16string& path, std::uint16_t vendorId, std::uint16_t productId);
    bool probeWired(const std::u16string& path);
    bool probeWireless(const std::u16string& path);

    DevicePorts& ports_;
    std::uint16_t productId_;
    std::u16string keyName_;
    mutable std::mutex pathLock_;
    std::u16string devicePath_;  // at most kDevicePathCapacity - 1 characters
};

}  // namespace tessel::device
