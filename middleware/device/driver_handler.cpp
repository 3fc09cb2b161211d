#include "middleware/device/driver_handler.h"

#include <new>

#include "middleware/common/trace.h"
#include "middleware/device/transport.h"

namespace tessel::device {

namespace {

constexpr std::uint32_t kRetryPauseMs = 1000;
constexpr std::uint8_t kIdentityCommand = 0x02;
constexpr std::uint8_t kIdentityParam = 1;
constexpr std::uint8_t kFirmwareReportId = 0x04;
constexpr std::uint32_t kFirmwareReportLength = 3;

// Four upper-case hexadecimal digits, as in "KavixControl_0013".
std::u16string hex4(std::uint16_t value) {
    static constexpr char16_t digits[] = u"0123456789ABCDEF";
    std::u16string text(4, u'0');
    for (int i = 3; i >= 0; --i, value >>= 4) text[i] = digits[value & 0xF];
    return text;
}

int signExtended(std::uint8_t byte) { return static_cast<std::int8_t>(byte); }

void traceIdentity(const DovaReport& identity) {
    static constexpr const char16_t* lines[] = {
        u"Result 01 : %x %x %x %x %x %x %x %x %x %x\n", u"Result 02 : %x %x %x %x %x %x %x %x %x %x\n",
        u"Result 03 : %x %x %x %x %x %x %x %x %x %x\n", u"Result 04 : %x %x %x %x %x %x %x %x %x %x\n",
        u"Result 05 : %x %x %x %x %x %x %x %x %x %x\n", u"Result 06 : %x %x %x %x %x %x %x %x %x %x\n",
        u"Result 07 : %x %x %x %x %x %x %x %x %x %x\n", u"Result 08 : %x %x %x %x %x %x %x %x %x %x\n",
        u"Result 09 : %x %x %x %x %x %x %x %x %x %x\n",
    };
    std::size_t offset = 0;
    for (const char16_t* line : lines) {
        const auto b = [&](std::size_t i) { return signExtended(identity[offset + i]); };
        Trace(line, b(0), b(1), b(2), b(3), b(4), b(5), b(6), b(7), b(8), b(9));
        offset += 10;
    }
    Trace(u"Result 10 : %x\n", signExtended(identity[offset]));
}

const char16_t* interfaceFailureTrace(InterfaceQuery query) {
    switch (query) {
    case InterfaceQuery::enumerate:
        return u"GetDeviceInterfaceDetail: SetupDiEnumDeviceInterfaces Failed!!\n";
    case InterfaceQuery::detailSize:
        return u"GetDeviceInterfaceDetail: SetupDiGetDeviceInterfaceDetail Failed\n";
    case InterfaceQuery::allocate:
        return u"GetDeviceInterfaceDetail: LocalAlloc Failed\n";
    case InterfaceQuery::detailRead:
        return u"GetDeviceInterfaceDetail: SetupDiEnumDeviceInterfaces Failed\n";
    }
    return u"GetDeviceInterfaceDetail: SetupDiEnumDeviceInterfaces Failed!!\n";
}

}  // namespace

DriverHandler::DriverHandler(DevicePorts& ports, std::uint16_t productId)
    : ports_(ports), productId_(productId) {}

HResult DriverHandler::Open() {
    {
        std::lock_guard guard(pathLock_);
        devicePath_.clear();
    }
    try {
        keyName_ = u"KavixControl_" + hex4(productId_);
    } catch (const std::bad_alloc&) {
        return hr::fail;
    }
    return EnumKxDevices(kVendorId, productId_);
}

HResult DriverHandler::EnumKxDevices(std::uint16_t vendorId, std::uint16_t productId) {
    Trace(u"DriverHandler::EnumKxDevices()\n");
    std::uint32_t error = 0;
    const std::unique_ptr<InterfaceList> interfaces = ports_.hid.mouseInterfaces(error);
    if (!interfaces) {
        Trace(u"GetDeviceInterfaceDetail: SetupDiGetClassDevs Failed!!\n");
        return hr::fail;
    }
    for (std::uint32_t index = 0;; ++index) {
        std::u16string path;
        if (const std::uint32_t failure = interfaces->path(index, path)) {
            Trace(interfaceFailureTrace(interfaces->failedQuery()));
            return hr::fromSystemError(failure);
        }
        // A path that does not fit the stored buffer could never be used: not our mouse.
        if (path.size() >= kDevicePathCapacity) continue;
        if (probe(path, vendorId, productId)) {
            std::lock_guard guard(pathLock_);
            devicePath_ = std::move(path);
            return hr::ok;
        }
    }
}

bool DriverHandler::probe(const std::u16string& path, std::uint16_t vendorId, std::uint16_t productId) {
    DeviceHandle device(ports_.hid, path);
    if (!device) return false;
    Trace(u"Can Create Handle\n");
    HidAttributes attributes;
    if (!ports_.hid.attributes(device.get(), attributes)) {
        Trace(u"HidD_GetAttribute fail\n");
        return false;
    }
    Trace(u"HidD_GetAttribute success\n");
    Trace(u"Vendor ID = %x, Device ID = %x, Version No = %x\n", attributes.vendorId, attributes.productId,
          attributes.versionNumber);
    if (attributes.vendorId != vendorId || attributes.productId != productId) return false;
    switch (productId) {
    case kProductWired:
        return probeWired(path);
    case kProductWireless:
        return probeWireless(path);
    default:
        return false;
    }
}

bool DriverHandler::probeWired(const std::u16string& path) {
    if (hr::failed(SendEndReport(ports_, path))) return false;
    DovaReport identity = DovaReport::readRequest(kIdentityCommand, kIdentityParam);
    if (hr::failed(KxDovaFeatureRequest(ports_, path, identity))) return false;
    Trace(u"GetFirmware Success\n");
    traceIdentity(identity);
    return true;
}

bool DriverHandler::probeWireless(const std::u16string& path) {
    std::uint8_t firmware[kFirmwareReportLength] = {kFirmwareReportId};
    return hr::succeeded(::tessel::device::RawFeatureAccess(ports_, 0, path, firmware, kFirmwareReportLength));
}

HResult DriverHandler::SetFeatureRaw(DovaReport& report, std::uint32_t, bool retryAfterAbort) {
    Trace(u"DriverHandler SetFeatureRaw\n");
    return transact(u"DriverHandler::SetFeatureRaw Retrying GetFeatureRaw %d\n", nullptr, report,
                    retryAfterAbort);
}

HResult DriverHandler::GetFeatureRaw(DovaReport& report, std::uint32_t, bool retryAfterAbort) {
    Trace(u"DriverHandler GetFeatureRaw\n");
    return transact(u"DriverHandler::GetFeatureRaw Retrying GetFeatureRaw %d\n", nullptr, report,
                    retryAfterAbort);
}

HResult DriverHandler::GetFeatureRawEx(const std::u16string& devicePath, DovaReport& report, std::uint32_t,
                                       bool retryAfterAbort) {
    return transact(u"DriverHandler::GetFeatureRawEx Retrying GetFeatureRaw %d\n", &devicePath, report,
                    retryAfterAbort);
}

HResult DriverHandler::RawFeatureAccess(int direction, std::uint8_t* buffer, std::uint32_t length) {
    return ::tessel::device::RawFeatureAccess(ports_, direction, devicePath(), buffer, length);
}

std::u16string DriverHandler::GetHardwareId() const { return u"VID_" + hex4(kVendorId) + u"&PID_" + hex4(productId_); }

std::u16string DriverHandler::devicePath() const {
    std::lock_guard guard(pathLock_);
    return devicePath_;
}

HResult DriverHandler::transact(const char16_t* retryTrace, const std::u16string* callerPath, DovaReport& report,
                                bool retryAfterAbort) {
    const auto path = [&] { return callerPath ? *callerPath : devicePath(); };
    const DovaReport request = report;
    const HResult status = KxDovaFeatureRequest(ports_, path(), report);
    if (!retryAfterAbort || status != hr::abort) return status;

    ports_.clock.sleepMs(kRetryPauseMs);
    Trace(retryTrace, 0);
    const HResult found = EnumKxDevices(kVendorId, productId_);  // the current path, if the mouse came back
    report = request;  // a failed answer poll leaves zeros, which must not go out as a request
    const HResult retried = KxDovaFeatureRequest(ports_, path(), report);
    // Not found again and no answer: the mouse is gone, which callers must not take for a refusal.
    if (hr::failed(found) && hr::failed(retried)) return hr::fromSystemError(syserr::deviceNotConnected);
    return retried;
}

}  // namespace tessel::device
