// The export of the simulator's module (hid_module.h). No exception leaves the module.
#include "sim/hid_module.h"

#include "sim/simulated_hid.h"
#include "sim/state_text.h"

extern "C" __declspec(dllexport) tessel::device::HidPort* tesselOpenSimulatedHid(const char16_t* statePath,
                                                                                 tessel::device::Clock* clock) noexcept {
    [[maybe_unused]] constexpr tessel::sim::OpenHidFunction sameSignature = &tesselOpenSimulatedHid;
    if (!statePath || !clock) return nullptr;
    try {
        return tessel::sim::openSimulatedHid(tessel::sim::toUtf8(statePath), *clock).release();
    } catch (...) {
        return nullptr;
    }
}
