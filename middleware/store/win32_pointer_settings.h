#pragma once
// The pointer settings port over SystemParametersInfoW (Windows build only). Every call passes
// the flags 3 (SPIF_UPDATEINIFILE | SPIF_SENDCHANGE), reads included.
#include "middleware/store/pointer_settings.h"

namespace tessel::store {

class Win32PointerSettings final : public PointerSettingsPort {
public:
    std::uint32_t getSpeed(std::int32_t& speed) override;
    std::uint32_t setSpeed(std::int32_t speed) override;
    std::uint32_t getMouseValues(MouseValues& values) override;
    std::uint32_t setMouseValues(const MouseValues& values) override;
};

}  // namespace tessel::store
