// IPerformanceSettings: the system's pointer settings.
#include "middleware/api/connection_points.h"
#include "middleware/api/store_object.h"

namespace tessel::com {
namespace {

// The system's pointer speed and acceleration; the other operations are not implemented.
class PerformanceSettings : public IPerformanceSettings, public EventSource<_IPerformanceSettingsEvents> {
public:
    static const QITAB* interfaceTable() {
        static const QITAB table[] = {
            QITABENT(PerformanceSettings, IPerformanceSettings),
            QITABENT(PerformanceSettings, IConnectionPointContainer),
            {},
        };
        return table;
    }

    IFACEMETHODIMP SetSensitivity(long) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetSensitivity(long*) override { return E_NOTIMPL; }
    IFACEMETHODIMP SetXYMasterSensitivityControl(long) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetXYMasterSensitivityStatus(long*) override { return E_NOTIMPL; }
    IFACEMETHODIMP SetXYSensitivity(long, long) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetXYSensitivity(long*, long*) override { return E_NOTIMPL; }
    IFACEMETHODIMP SetAccelerationControl(long control) override { return guarded([&]() -> HRESULT { return settings_.setAccelerationControl(control); }); }
    IFACEMETHODIMP GetAccelerationStatus(long* status) override { return guarded([&]() -> HRESULT { return read(status, &Settings::getAccelerationStatus); }); }
    IFACEMETHODIMP SetAcceleration(long level) override { return guarded([&]() -> HRESULT { return settings_.setAcceleration(level); }); }
    IFACEMETHODIMP GetAcceleration(long* level) override { return guarded([&]() -> HRESULT { return read(level, &Settings::getAcceleration); }); }
    IFACEMETHODIMP SetUniversalScrollControl(long) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetUniversalScrollStatus(long*) override { return E_NOTIMPL; }
    IFACEMETHODIMP SetScrollSpeed(long) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetScrollSpeed(long*) override { return E_NOTIMPL; }
    IFACEMETHODIMP SetOnTheFlySensitivityShowOnScreenControl(long) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetOnTheFlySensitivityShowOnScreenStatus(long*) override { return E_NOTIMPL; }
    IFACEMETHODIMP SetDoubleClickSpeed(long) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetDoubleClickSpeed(long*) override { return E_NOTIMPL; }
    IFACEMETHODIMP SetWindowsPointerSpeed(long speed) override { return guarded([&]() -> HRESULT { return settings_.setWindowsPointerSpeed(speed); }); }
    IFACEMETHODIMP GetWindowsPointerSpeed(long* speed) override {
        return guarded([&]() -> HRESULT {
            return read(speed, &Settings::getWindowsPointerSpeed);
        });
    }
    IFACEMETHODIMP SetAutoSwitchControl(long) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetAutoSwitchStatus(long*) override { return E_NOTIMPL; }
    IFACEMETHODIMP SetOnScreenDisplayControl(long) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetOnScreenDisplayStatus(long*) override { return E_NOTIMPL; }

private:
    using Settings = store::PerformanceSettings;

    // A read leaves the caller's value alone where the settings do.
    HRESULT read(long* out, HResult (Settings::*get)(std::int32_t*)) {
        if (!out) return E_POINTER;
        std::int32_t value = *out;
        const HResult status = (settings_.*get)(&value);
        *out = value;
        return status;
    }

    Settings settings_{systemPorts().pointerSettings()};
};

}  // namespace

HRESULT createPerformanceSettings(IPerformanceSettings** out) { return createObject<PerformanceSettings>(out); }

}  // namespace tessel::com
