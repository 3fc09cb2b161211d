#include "middleware/store/pointer_settings.h"

namespace tessel::store {
namespace {

HResult fromSystem(std::uint32_t error) {
    return error == syserr::success ? hr::ok : hr::fromSystemError(error);
}

}  // namespace

std::uint32_t MemoryPointerSettings::getSpeed(std::int32_t& current) {
    if (readError) return readError;
    current = speed;
    return syserr::success;
}

std::uint32_t MemoryPointerSettings::setSpeed(std::int32_t wanted) {
    if (writeError) return writeError;
    speed = wanted;
    return syserr::success;
}

std::uint32_t MemoryPointerSettings::getMouseValues(MouseValues& current) {
    if (readError) return readError;
    current = values;
    return syserr::success;
}

std::uint32_t MemoryPointerSettings::setMouseValues(const MouseValues& wanted) {
    if (writeError) return writeError;
    values = wanted;
    return syserr::success;
}

MouseValues mouseValuesForLevel(std::uint32_t level) {
    const auto n = static_cast<std::int32_t>(level);
    if (level == 0) return {0, 0, 1};
    if (level <= 5) return {12 - 2 * n, 0, 1};
    return {2, 24 - 2 * n, 2};
}

HResult PerformanceSettings::setWindowsPointerSpeed(std::int32_t speed) {
    if (static_cast<std::uint32_t>(speed) > 20) return hr::invalidArg;
    return fromSystem(port_.setSpeed(speed));
}

HResult PerformanceSettings::getWindowsPointerSpeed(std::int32_t* speed) {
    if (!speed) return hr::pointer;
    return fromSystem(port_.getSpeed(*speed));
}

HResult PerformanceSettings::setAccelerationControl(std::int32_t control) {
    MouseValues values{};
    if (HResult status = fromSystem(port_.getMouseValues(values)); hr::failed(status))
        return status;
    values[2] = control == 0 ? 0 : (values[1] > 0 ? 2 : 1);
    return fromSystem(port_.setMouseValues(values));
}

HResult PerformanceSettings::getAccelerationStatus(std::int32_t* status) {
    if (!status) return hr::pointer;
    MouseValues values{};
    if (HResult read = fromSystem(port_.getMouseValues(values)); hr::failed(read)) return read;
    *status = values[2] > 0 ? 1 : 0;
    return hr::ok;
}

HResult PerformanceSettings::setAcceleration(std::int32_t level) {
    if (static_cast<std::uint32_t>(level) > 10) return hr::invalidArg;
    return fromSystem(port_.setMouseValues(mouseValuesForLevel(static_cast<std::uint32_t>(level))));
}

HResult PerformanceSettings::getAcceleration(std::int32_t* level) {
    if (!level) return hr::pointer;
    MouseValues values{};
    if (HResult status = fromSystem(port_.getMouseValues(values)); hr::failed(status))
        return status;
    const std::int32_t first = values[0];
    const std::int32_t second = values[1];
    if (second > 0) {
        *level = (first - second + 12) / 2 + 5;
    } else if (first > 0) {
        *level = (12 - first) / 2;
    } else {
        return hr::accessDenied;
    }
    return hr::ok;
}

}  // namespace tessel::store
