#pragma once
// How command code reaches the mouse: reads through GetFeatureRaw, writes through SetFeatureRaw,
// and the read-modify-write of one block under the block lock.
#include <cstdint>

#include "middleware/common/status.h"
#include "middleware/device/driver_handler.h"
#include "middleware/device/dova_report.h"
#include "middleware/device/settings_codec.h"
#include "middleware/device/transport.h"

namespace tessel::device {

inline HResult ReadBlock(DriverHandler& handler, DovaReport& report, bool retryAfterAbort = false) {
    return handler.GetFeatureRaw(report, DovaReport::size, retryAfterAbort);
}

inline HResult WriteBlock(DriverHandler& handler, DovaReport& report) {
    report[DovaReport::checksum] = 0;  // the transaction computes it
    return handler.SetFeatureRaw(report, DovaReport::size, false);
}

// Reads the block `request` asks for, lets `change` edit the answer, turns it into a write of
// `param` data bytes and sends the whole buffer back, so bytes this command does not own travel
// unchanged. The block lock spans read and write: another process's read-modify-write of the
// same block cannot slip in between and be overwritten. `change` returns S_OK to write, S_FALSE
// to leave the block as it is (success), or a failure to stop without writing.
template <typename Change>
HResult ReadModifyWrite(DriverHandler& handler, DovaReport request, std::uint8_t param, Change&& change) {
    BlockLock lock(handler.ports());
    if (const HResult status = ReadBlock(handler, request); hr::failed(status)) return status;
    if (const HResult status = change(request); status != hr::ok) return hr::failed(status) ? status : hr::ok;
    request.makeWrite(param);
    return WriteBlock(handler, request);
}

// Requests of the blocks several commands read.
inline DovaReport PerformanceBlockRequest(std::uint8_t param = 0) {
    return DovaReport::readRequest(command::performance, param);
}
inline DovaReport ProfileBlockRequest(std::uint8_t selector) {
    DovaReport request = DovaReport::readRequest(command::profileBlock, 1);
    request[profileByte::selector] = selector;
    return request;
}
inline DovaReport ProfileNameRequest(std::uint8_t number) {
    DovaReport request = DovaReport::readRequest(command::profileName, 1);
    request[profileNameByte::number] = number;
    return request;
}

}  // namespace tessel::device
