#pragma once
// The settings exchanges of the interface methods, grouped by role. Each call takes the device
// type's current DriverHandler; without one it fails with E_FAIL (E_HANDLE for the identity
// reads). Transaction status passes through unchanged; out-values are written only on success
// unless stated. Results are plain values: the COM layer allocates what it hands to clients.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "middleware/common/records.h"
#include "middleware/common/status.h"
#include "middleware/device/driver_handler.h"
#include "middleware/device/settings_codec.h"

namespace tessel::device {

// --- sensitivity and polling rate (performance block, profile block stage table) ---

HResult GetDpiLevel(DriverHandler* handler, std::uint32_t& xDpi, std::uint32_t& yDpi);
HResult SetDpiLevel(DriverHandler* handler, std::uint32_t xDpi, std::uint32_t yDpi);

// Stage table of the profile block `selector` and the current stage of the performance block;
// CurrentDpiStage is not filled. The status is the second read's; `stages` may be filled even
// when it fails.
HResult GetDpiStages(DriverHandler* handler, std::uint8_t selector, records::_stDpiStageType& stages);
// What GetDpiStages and GetDpiLevel answer for each profile of `numbers`, with every block read
// once: the current stage and sensitivity come from one read of the performance block, each
// stage table from its profile block. A profile whose block cannot be read is left out of
// `stages`; a failed performance read fails the whole call.
struct ProfileStages {
    std::uint8_t number = 0;
    records::_stDpiStageType stages{};
};
HResult GetDpiStagesOfProfiles(DriverHandler* handler, std::span<const std::uint8_t> numbers,
                               std::vector<ProfileStages>& stages, std::uint32_t& xDpi, std::uint32_t& yDpi);
// Writes the stage table into the profile block, then, when the performance block belongs to
// `selector`, the current stage and its codes. Null: E_POINTER; more than five stages:
// E_INVALIDARG, both before any exchange. Returns the first failure of its exchanges.
HResult SetDpiStages(DriverHandler* handler, std::uint8_t selector, const records::_stDpiStageType* stages);

// 1000, 500 or 125; E_FAIL for any other code on the mouse.
HResult GetRate(DriverHandler* handler, std::int32_t& rateHz);
// E_INVALIDARG (after the read, without a write) for a rate other than 125, 500, 1000.
HResult SetRate(DriverHandler* handler, std::int32_t rateHz);
inline constexpr std::array<std::int32_t, 3> kPollingRates{1000, 500, 125};

// --- lighting (profile block byte 10) ---

HResult GetLedStatus(DriverHandler* handler, std::uint8_t selector, std::int32_t& status);
HResult SetLedStatus(DriverHandler* handler, std::uint8_t selector, std::int32_t status);

// --- identity (identity block; short reports 0x04 and 0x05 of the wireless receiver) ---

HResult GetSerialNumber(DriverHandler* handler, std::u16string& serial);
HResult GetFirmwareVersion(DriverHandler* handler, std::u16string& version);
// 1 when the identity exchange succeeds (products without one: always 1); 0 with the failure.
HResult IsConnected(DriverHandler* handler, std::int32_t& connected);

// --- wireless receiver reports ---

// Percent from report 0x06; remembers the last known level process-wide. 0 with the failure.
HResult GetRemaingPower(DriverHandler* handler, std::int32_t& percent);
HResult SetWirelessDistance(DriverHandler* handler, std::int32_t distance);
HResult GetWirelessDistance(DriverHandler* handler, std::int32_t& distance);

// --- device side of the registry profile interface ---

// Writes the fixed mapping block.
HResult SaveProfile(DriverHandler* handler);
// Reads profile block 3; the answer is not used.
HResult LoadProfile(DriverHandler* handler);

// --- onboard memory figures (units of 480 bytes) ---

inline constexpr std::uint32_t kMemoryUnitBytes = 480;
struct MemoryFigures {
    std::uint8_t totalUnits = 0;
    std::uint8_t usedUnits = 0;
    int freeUnits() const { return int{totalUnits} - int{usedUnits}; }
    // An image of `bytes` fits while (free units + 1) * 480 >= bytes.
    bool fits(std::size_t bytes) const {
        return (freeUnits() + 1) * static_cast<long long>(kMemoryUnitBytes) >= static_cast<long long>(bytes);
    }
};
HResult ReadMemoryFigures(DriverHandler* handler, MemoryFigures& figures);
HResult GetTotalSpace(DriverHandler* handler, std::int32_t& units);
HResult GetRemainingSpace(DriverHandler* handler, std::int32_t& units);

// --- download mode (product 0x0F only; E_FAIL for others, without an exchange) ---

HResult EnableDownloadMode(DriverHandler* handler);
HResult DisableDownloadMode(DriverHandler* handler);

}  // namespace tessel::device
