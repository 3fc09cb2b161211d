#pragma once
// The device layer's view of the platform. The Win32 adapters (win32_ports.cpp) use SetupAPI,
// hid.dll, CreateMutexW and Sleep; tests and the host build use in-memory ones and the simulated
// mouse (sim/). Nothing here includes <windows.h>.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

namespace tessel::device {

// An open device or mutex; 0 is never a valid handle.
using PortHandle = std::uintptr_t;

struct HidAttributes {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t versionNumber = 0;
};

// The steps of reading one interface's path; the search names a failing one in its trace.
enum class InterfaceQuery { enumerate, detailSize, allocate, detailRead };

// The interfaces of the system's mouse interface class, as one enumeration snapshot.
class InterfaceList {
public:
    virtual ~InterfaceList() = default;
    // Path of the interface at `index`: 0 and the path, or the system error that ended the
    // enumeration (syserr::noMoreItems past the end, others when a detail query fails).
    virtual std::uint32_t path(std::uint32_t index, std::u16string& path) = 0;
    // The step in which the last failing path() call failed. Ports that only enumerate keep
    // the default.
    virtual InterfaceQuery failedQuery() const { return InterfaceQuery::enumerate; }
};

class HidPort {
public:
    virtual ~HidPort() = default;
    // Snapshot of the mouse interface class; null with `error` set when it cannot be taken.
    virtual std::unique_ptr<InterfaceList> mouseInterfaces(std::uint32_t& error) = 0;
    // Opens a path with zero access rights, read/write sharing, open-existing. 0 on failure.
    virtual PortHandle open(const std::u16string& path) = 0;
    virtual void close(PortHandle device) = 0;
    virtual bool attributes(PortHandle device, HidAttributes& attributes) = 0;
    virtual bool getFeature(PortHandle device, std::uint8_t* buffer, std::uint32_t length) = 0;
    virtual bool setFeature(PortHandle device, const std::uint8_t* buffer, std::uint32_t length) = 0;
    // The calling thread's last system error after a failed call above.
    virtual std::uint32_t lastError() = 0;
};

// Named system-wide mutexes: the transaction exclusion (by existence) and the block lock
// (waited on and released).
class MutexPort {
public:
    virtual ~MutexPort() = default;
    // Creates or opens the named mutex, not initially owned. 0 on failure; `existed` tells
    // whether the object was there already.
    virtual PortHandle create(const std::u16string& name, bool& existed) = 0;
    // Waits without limit; an abandoned mutex counts as acquired.
    virtual void wait(PortHandle mutex) = 0;
    virtual void release(PortHandle mutex) = 0;
    virtual void close(PortHandle mutex) = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual void sleepMs(std::uint32_t ms) = 0;
    // Monotonic milliseconds.
    virtual std::uint64_t nowMs() = 0;
};

// Owns one open device of a HidPort for the life of the object.
class DeviceHandle {
public:
    DeviceHandle(HidPort& hid, const std::u16string& path) : hid_(hid), handle_(hid.open(path)) {}
    ~DeviceHandle() {
        if (handle_) hid_.close(handle_);
    }
    DeviceHandle(const DeviceHandle&) = delete;
    DeviceHandle& operator=(const DeviceHandle&) = delete;

    explicit operator bool() const { return handle_ != 0; }
    PortHandle get() const { return handle_; }
    bool getFeature(std::uint8_t* buffer, std::uint32_t length) {
        return hid_.getFeature(handle_, buffer, length);
    }
    bool setFeature(const std::uint8_t* buffer, std::uint32_t length) {
        return hid_.setFeature(handle_, buffer, length);
    }

private:
    HidPort& hid_;
    PortHandle handle_;
};

// Owns one handle of a MutexPort (possibly none); movable so a creation loop can hand it out.
class MutexHandle {
public:
    MutexHandle(MutexPort& mutexes, PortHandle handle) : mutexes_(&mutexes), handle_(handle) {}
    ~MutexHandle() { reset(); }
    MutexHandle(MutexHandle&& other) noexcept
        : mutexes_(other.mutexes_), handle_(std::exchange(other.handle_, 0)) {}
    MutexHandle& operator=(MutexHandle&& other) noexcept {
        if (this != &other) {
            reset();
            mutexes_ = other.mutexes_;
            handle_ = std::exchange(other.handle_, 0);
        }
        return *this;
    }

    explicit operator bool() const { return handle_ != 0; }
    PortHandle get() const { return handle_; }
    void reset() {
        if (handle_) mutexes_->close(std::exchange(handle_, 0));
    }

private:
    MutexPort* mutexes_;
    PortHandle handle_;
};

// The platform pieces a device handler needs. Owned elsewhere; outlives the handlers.
struct DevicePorts {
    HidPort& hid;
    MutexPort& mutexes;
    Clock& clock;
};

}  // namespace tessel::device
