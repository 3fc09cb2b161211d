#include "middleware/store/win32_pointer_settings.h"

#include <windows.h>

namespace tessel::store {
namespace {

constexpr UINT kFlags = SPIF_UPDATEINIFILE | SPIF_SENDCHANGE;

// The failure's system error; never 0, so a failure can never read as success.
std::uint32_t call(UINT action, PVOID parameter, UINT number = 0) {
    if (SystemParametersInfoW(action, number, parameter, kFlags)) return ERROR_SUCCESS;
    const DWORD error = GetLastError();
    return error ? error : ERROR_GEN_FAILURE;
}

}  // namespace

std::uint32_t Win32PointerSettings::getSpeed(std::int32_t& speed) {
    int value = 0;
    const std::uint32_t error = call(SPI_GETMOUSESPEED, &value);
    if (!error) speed = value;
    return error;
}

std::uint32_t Win32PointerSettings::setSpeed(std::int32_t speed) {
    // Windows takes the speed in the pointer argument itself; Wine reads the number argument,
    // which Windows ignores for this action. Both carry it.
    return call(SPI_SETMOUSESPEED, reinterpret_cast<PVOID>(static_cast<INT_PTR>(speed)),
                static_cast<UINT>(speed));
}

std::uint32_t Win32PointerSettings::getMouseValues(MouseValues& values) {
    int read[3] = {};
    const std::uint32_t error = call(SPI_GETMOUSE, read);
    if (!error) values = {read[0], read[1], read[2]};
    return error;
}

std::uint32_t Win32PointerSettings::setMouseValues(const MouseValues& values) {
    int written[3] = {values[0], values[1], values[2]};
    return call(SPI_SETMOUSE, written);
}

}  // namespace tessel::store
