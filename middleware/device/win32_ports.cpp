#include "middleware/device/win32_ports.h"

#include <windows.h>
#include <initguid.h>  // defines GUID_DEVINTERFACE_MOUSE here rather than needing a GUID library

extern "C" {
#include <hidsdi.h>  // MinGW's header declares hid.dll's functions without C linkage
}
#include <mmsystem.h>
#include <ntddmou.h>
#include <setupapi.h>

#include <new>
#include <vector>

#include "middleware/common/status.h"

namespace tessel::device {

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

HANDLE toHandle(PortHandle handle) { return reinterpret_cast<HANDLE>(handle); }
PortHandle fromHandle(HANDLE handle) { return reinterpret_cast<PortHandle>(handle); }

const wchar_t* wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

// A failed call that left no error behind still has to read as a failure.
std::uint32_t lastErrorOrFailure() {
    const DWORD error = GetLastError();
    return error ? error : syserr::genFailure;
}

class DeviceInfoSet {
public:
    explicit DeviceInfoSet(HDEVINFO set) : set_(set) {}
    ~DeviceInfoSet() {
        if (valid()) SetupDiDestroyDeviceInfoList(set_);
    }
    DeviceInfoSet(const DeviceInfoSet&) = delete;
    DeviceInfoSet& operator=(const DeviceInfoSet&) = delete;
    bool valid() const { return set_ != INVALID_HANDLE_VALUE; }
    HDEVINFO get() const { return set_; }

private:
    HDEVINFO set_;
};

class Win32InterfaceList final : public InterfaceList {
public:
    explicit Win32InterfaceList(HDEVINFO set) : set_(set) {}

    std::uint32_t path(std::uint32_t index, std::u16string& path) override {
        SP_DEVICE_INTERFACE_DATA interfaceData{};
        interfaceData.cbSize = sizeof(interfaceData);
        if (!SetupDiEnumDeviceInterfaces(set_.get(), nullptr, &GUID_DEVINTERFACE_MOUSE, index, &interfaceData))
            return failedAt(InterfaceQuery::enumerate);

        DWORD size = 0;
        if (SetupDiGetDeviceInterfaceDetailW(set_.get(), &interfaceData, nullptr, 0, &size, nullptr) ||
            GetLastError() != ERROR_INSUFFICIENT_BUFFER || size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W))
            return failedAt(InterfaceQuery::detailSize);

        std::vector<std::uint8_t> block;
        try {
            block.assign(size, 0);
        } catch (const std::bad_alloc&) {
            failed_ = InterfaceQuery::allocate;
            return ERROR_NOT_ENOUGH_MEMORY;
        }
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(block.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (!SetupDiGetDeviceInterfaceDetailW(set_.get(), &interfaceData, detail, size, nullptr, nullptr))
            return failedAt(InterfaceQuery::detailRead);

        // The path ends at its terminator or at the end of the block, whichever comes first.
        const auto* first = reinterpret_cast<const char16_t*>(detail->DevicePath);
        const auto* last = reinterpret_cast<const char16_t*>(block.data() + block.size());
        const auto* end = first;
        while (end < last && *end) ++end;
        path.assign(first, end);
        return 0;
    }

    InterfaceQuery failedQuery() const override { return failed_; }

private:
    std::uint32_t failedAt(InterfaceQuery query) {
        failed_ = query;
        return lastErrorOrFailure();
    }

    DeviceInfoSet set_;
    InterfaceQuery failed_ = InterfaceQuery::enumerate;
};

}  // namespace

std::unique_ptr<InterfaceList> Win32HidPort::mouseInterfaces(std::uint32_t& error) {
    // Absent devices stay in the list; opening their paths fails and the search passes them.
    HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVINTERFACE_MOUSE, nullptr, nullptr, DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) {
        error = lastErrorOrFailure();
        return nullptr;
    }
    try {
        return std::make_unique<Win32InterfaceList>(set);
    } catch (const std::bad_alloc&) {
        SetupDiDestroyDeviceInfoList(set);
        error = ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
}

PortHandle Win32HidPort::open(const std::u16string& path) {
    HANDLE device = CreateFileW(wide(path), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    return device == INVALID_HANDLE_VALUE ? 0 : fromHandle(device);
}

void Win32HidPort::close(PortHandle device) { CloseHandle(toHandle(device)); }

bool Win32HidPort::attributes(PortHandle device, HidAttributes& attributes) {
    HIDD_ATTRIBUTES hid{};
    hid.Size = sizeof(hid);
    if (!HidD_GetAttributes(toHandle(device), &hid)) return false;
    attributes = {hid.VendorID, hid.ProductID, hid.VersionNumber};
    return true;
}

bool Win32HidPort::getFeature(PortHandle device, std::uint8_t* buffer, std::uint32_t length) {
    return HidD_GetFeature(toHandle(device), buffer, length);
}

bool Win32HidPort::setFeature(PortHandle device, const std::uint8_t* buffer, std::uint32_t length) {
    // hid.dll takes a non-const buffer but only reads it for a set.
    return HidD_SetFeature(toHandle(device), const_cast<std::uint8_t*>(buffer), length);
}

std::uint32_t Win32HidPort::lastError() { return GetLastError(); }

PortHandle Win32MutexPort::create(const std::u16string& name, bool& existed) {
    SetLastError(ERROR_SUCCESS);
    HANDLE mutex = CreateMutexW(nullptr, FALSE, wide(name));
    const DWORD error = GetLastError();
    // A mutex of another user's session may exist without granting us access: it exists all
    // the same, which is what the transaction exclusion asks.
    existed = mutex ? error == ERROR_ALREADY_EXISTS : error == ERROR_ACCESS_DENIED;
    return fromHandle(mutex);
}

void Win32MutexPort::wait(PortHandle mutex) {
    // WAIT_ABANDONED: the previous owner died holding it; ownership passes to us all the same.
    WaitForSingleObject(toHandle(mutex), INFINITE);
}

void Win32MutexPort::release(PortHandle mutex) { ReleaseMutex(toHandle(mutex)); }

void Win32MutexPort::close(PortHandle mutex) { CloseHandle(toHandle(mutex)); }

Win32Clock::Win32Clock() : raisedResolution_(timeBeginPeriod(1) == TIMERR_NOERROR), countsPerSecond_(0) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);  // never fails on XP and later
    countsPerSecond_ = frequency.QuadPart;
}

Win32Clock::~Win32Clock() {
    if (raisedResolution_) timeEndPeriod(1);
}

void Win32Clock::sleepMs(std::uint32_t ms) { Sleep(ms); }

std::uint64_t Win32Clock::nowMs() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    const auto counts = static_cast<std::uint64_t>(counter.QuadPart);
    const auto perSecond = static_cast<std::uint64_t>(countsPerSecond_);
    return counts / perSecond * 1000 + counts % perSecond * 1000 / perSecond;
}

}  // namespace tessel::device
