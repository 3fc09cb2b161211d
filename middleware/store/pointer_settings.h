#pragma once
// The Windows pointer settings behind IPerformanceSettings: the pointer speed (1 … 20) and the
// three mouse values (first threshold, second threshold, acceleration), which the interface
// presents as an acceleration level 0 … 10. They belong to the logged-on user, not to the
// mouse; nothing is kept here between calls.
//
// IPerformanceSettings → PerformanceSettings:
//   SetWindowsPointerSpeed  setWindowsPointerSpeed   GetWindowsPointerSpeed  getWindowsPointerSpeed
//   SetAccelerationControl  setAccelerationControl   GetAccelerationStatus   getAccelerationStatus
//   SetAcceleration         setAcceleration          GetAcceleration         getAcceleration
// The other 18 operations (SetSensitivity … GetOnScreenDisplayStatus) return hr::notImpl
// (E_NOTIMPL) and change nothing.
#include <array>
#include <cstdint>

#include "middleware/common/status.h"

namespace tessel::store {

// First threshold, second threshold, acceleration (SPI_GETMOUSE / SPI_SETMOUSE).
using MouseValues = std::array<std::int32_t, 3>;

// The system's pointer settings; every call returns 0 or a nonzero system error.
class PointerSettingsPort {
public:
    virtual ~PointerSettingsPort() = default;
    virtual std::uint32_t getSpeed(std::int32_t& speed) = 0;
    virtual std::uint32_t setSpeed(std::int32_t speed) = 0;
    virtual std::uint32_t getMouseValues(MouseValues& values) = 0;
    virtual std::uint32_t setMouseValues(const MouseValues& values) = 0;
};

// The settings of a platform without them: Windows' defaults until changed; any failure can be
// injected.
class MemoryPointerSettings final : public PointerSettingsPort {
public:
    std::uint32_t getSpeed(std::int32_t& speed) override;
    std::uint32_t setSpeed(std::int32_t speed) override;
    std::uint32_t getMouseValues(MouseValues& values) override;
    std::uint32_t setMouseValues(const MouseValues& values) override;

    std::int32_t speed = 10;
    MouseValues values = {6, 10, 1};
    // Nonzero: the next calls of that kind fail with this system error.
    std::uint32_t readError = 0;
    std::uint32_t writeError = 0;
};

// The three values of an acceleration level (0 … 10).
MouseValues mouseValuesForLevel(std::uint32_t level);

class PerformanceSettings {
public:
    explicit PerformanceSettings(PointerSettingsPort& port) : port_(port) {}

    // E_INVALIDARG above 20 (compared unsigned, so negative speeds too); 0 is passed on.
    HResult setWindowsPointerSpeed(std::int32_t speed);
    HResult getWindowsPointerSpeed(std::int32_t* speed);
    // 0 switches acceleration off; otherwise 2 when the second threshold is above 0, else 1.
    // The thresholds stay.
    HResult setAccelerationControl(std::int32_t control);
    // 1 when acceleration is above 0, else 0.
    HResult getAccelerationStatus(std::int32_t* status);
    // E_INVALIDARG above 10 (compared unsigned); writes the three values of the level.
    HResult setAcceleration(std::int32_t level);
    // The level of the current values; E_ACCESSDENIED when both thresholds are 0 (no level
    // describes them).
    HResult getAcceleration(std::int32_t* level);

private:
    PointerSettingsPort& port_;
};

}  // namespace tessel::store
