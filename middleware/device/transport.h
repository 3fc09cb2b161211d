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

// The end report alone, outside a transaction; up to 3 tries.
HResult SendEndReport(DevicePorts& ports, const std::u16string& devicePath);

// One plain feature-report access: direction 0 = get, 1 = set; anything else E_FAIL.
HResult RawFeatureAccess(DevicePorts& ports, int direction, const std::u16string& devicePath,
                         std::uint8_t* buffer, std::uint32_t length);

// Holds the block lock for the life of the object (read-modify-write of one device block).
class BlockLock {
public:
    explicit BlockLock(DevicePorts& ports);
    ~BlockLock();
    BlockLock(const BlockLock&) = delete;
    BlockLock& operator=(const BlockLock&) = delete;

private:
    MutexPort& mutexes_;
    PortHandle mutex_;
};

}  // namespace tessel::device
