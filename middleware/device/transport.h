#pragma once
// One guarded 91-byte transaction with the mouse, the end report, and plain feature access.
#include <cstdint>
#include <string>

#include "middleware/common/status.h"
#include "middleware/device/dova_report.h"
#include "middleware/device/ports.h"

namespace tessel::device {

// "Global\{...}": the exclusion held by existence for the length of one transaction.
extern const char16_t* const kTransactionMutexName;
// A second, waited-on mutex held across the read and the write of a read-modify-write.
extern const char16_t* const kBlockLockName;

// Sends `report` and reads the answer into it (readiness poll, request, answer poll, end
// report, up to 20 attempts on status 0x03-0x08).
HResult KxDovaFeatureRequest(DevicePorts& ports, const std::u16string& devicePath, DovaReport& report);

// The end report alone, outside a transaction but under its exclusion so it cannot cut into
// another process's transaction; up to 3 tries.
HResult SendEndReport(DevicePorts& ports, const std::u16string& devicePath);

// One plain feature-report access: direction 0 = get, 1 = set; anything else E_FAIL.
HResult RawFeatureAccess(DevicePorts& ports, int direction, const std::u16string& devicePath,
                         std::uint8_t* buffer, std::uint32_t length);

// Holds the block lock for the life of the object (read-modify-write of one device block).
// Every transaction inside still takes the transaction exclusion. Recursive per thread.
class BlockLock {
public:
    explicit BlockLock(DevicePorts& ports);
    ~BlockLock();
    BlockLock(const BlockLock&) = delete;
    BlockLock& operator=(const BlockLock&) = delete;

    // False only when the system refused the mutex; the caller then runs unguarded.
    bool held() const { return static_cast<bool>(mutex_); }

private:
    MutexPort& mutexes_;
    MutexHandle mutex_;
};

}  // namespace tessel::device
