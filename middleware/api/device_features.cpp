// The small feature objects of a device type: each is a thin wrapper over one group of settings
// commands, plus the objects whose only channel would be the device driver's, which is never
// open (they answer E_HANDLE).
#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

#include "middleware/api/client_memory.h"
#include "middleware/api/connection_points.h"
#include "middleware/api/server_objects.h"
#include "middleware/device/settings_commands.h"

namespace tessel::com {
namespace {

// What GetDpiStages hands out: a 100-byte block of which clients read the 60-byte record.
constexpr unsigned long kDpiStageBlockBytes = 100;
static_assert(sizeof(_stDpiStageType) <= kDpiStageBlockBytes);

class Dpi : public IDpi, public EventSource<_IDpiEvents> {
public:
    Dpi(Session session, std::uint8_t selector) : session_(std::move(session)), selector_(selector) {}

    static const QITAB* interfaceTable() {
        static const QITAB table[] = {
            QITABENT(Dpi, IDpi),
            QITABENT(Dpi, IConnectionPointContainer),
            {},
        };
        return table;
    }

    IFACEMETHODIMP GetDpiLevel(long* xDpi, long* yDpi) override {
        return guarded([&]() -> HRESULT {
            if (!xDpi || !yDpi) return E_POINTER;
            std::uint32_t x = 0, y = 0;
            const HRESULT status = device::GetDpiLevel(session_->driver(), x, y);
            if (SUCCEEDED(status)) {
                *xDpi = static_cast<long>(x);
                *yDpi = static_cast<long>(y);
            }
            return status;
        });
    }

    // Values below 100 wrap on the wire, as the mouse's code arithmetic is unsigned.
    IFACEMETHODIMP SetDpiLevel(long xDpi, long yDpi) override {
        return guarded([&]() -> HRESULT {
            return device::SetDpiLevel(session_->driver(), static_cast<std::uint32_t>(xDpi),
                                       static_cast<std::uint32_t>(yDpi));
        });
    }

    // On failure nothing is handed out: a client that checks the status cannot leak the block.
    IFACEMETHODIMP GetDpiStages(unsigned long* size, _stDpiStageType** stages) override {
        return guarded([&]() -> HRESULT {
            if (!size || !stages) return E_POINTER;
            *size = 0;
            *stages = nullptr;
            records::_stDpiStageType read{};
            if (HRESULT status = device::GetDpiStages(session_->driver(), selector_, read); FAILED(status))
                return status;
            auto block = allocateTaskMemory<_stDpiStageType>(kDpiStageBlockBytes);
            if (!block) return E_OUTOFMEMORY;
            std::memcpy(block.get(), &read, sizeof(read));
            *size = kDpiStageBlockBytes;
            *stages = block.release();
            return S_OK;
        });
    }

    IFACEMETHODIMP SetDpiStages(unsigned long, _stDpiStageType* stages) override {
        return guarded([&]() -> HRESULT {
            return device::SetDpiStages(session_->driver(), selector_, asCore<records::_stDpiStageType>(stages));
        });
    }

    IFACEMETHODIMP RaiseDpiEvent() override {
        return guarded([&]() -> HRESULT {
            raise([](_IDpiEvents* sink) { sink->OnDpiEvent(); });
            return S_OK;
        });
    }

private:
    Session session_;
    std::uint8_t selector_;
};

class LedStatus : public ILedStatus, public EventSource<_ILedStatusEvents> {
public:
    LedStatus(Session session, std::uint8_t selector) : session_(std::move(session)), selector_(selector) {}

    static const QITAB* interfaceTable() {
        static const QITAB table[] = {
            QITABENT(LedStatus, ILedStatus),
            QITABENT(LedStatus, IConnectionPointContainer),
            {},
        };
        return table;
    }

    IFACEMETHODIMP SetStatus(long status) override {
        return guarded([&]() -> HRESULT {
            return device::SetLedStatus(session_->driver(), selector_, status);
        });
    }

    IFACEMETHODIMP GetStatus(long* status) override {
        return guarded([&]() -> HRESULT {
            if (!status) return E_POINTER;
            std::int32_t value = 0;
            const HRESULT result = device::GetLedStatus(session_->driver(), selector_, value);
            if (SUCCEEDED(result)) *status = value;
            return result;
        });
    }

private:
    Session session_;
    std::uint8_t selector_;
};

class PollingRate : public IPollingRate, public EventSource<_IPollingRateEvents> {
public:
    explicit PollingRate(Session session) : session_(std::move(session)) {}

    static const QITAB* interfaceTable() {
        static const QITAB table[] = {
            QITABENT(PollingRate, IPollingRate),
            QITABENT(PollingRate, IConnectionPointContainer),
            {},
        };
        return table;
    }

    IFACEMETHODIMP SetRate(long rate) override { return guarded([&]() -> HRESULT { return device::SetRate(session_->driver(), rate); }); }

    IFACEMETHODIMP GetRate(long* rate) override {
        return guarded([&]() -> HRESULT {
            if (!rate) return E_POINTER;
            std::int32_t value = 0;
            const HRESULT status = device::GetRate(session_->driver(), value);
            if (SUCCEEDED(status)) *rate = value;
            return status;
        });
    }

    IFACEMETHODIMP GetRateList(long* count, long** rates) override {
        return guarded([&]() -> HRESULT {
            return handOutLongArray(device::kPollingRates, count, rates);
        });
    }

    IFACEMETHODIMP GetRateListManaged(long* count, SAFEARRAY** rates) override {
        return guarded([&]() -> HRESULT {
            if (count) *count = 0;
            if (rates) *rates = nullptr;
            return E_FAIL;
        });
    }

private:
    Session session_;
};

class DefaultMode : public IDefaultMode, public EventSource<_IDefaultModeEvents> {
public:
    explicit DefaultMode(Session session) : session_(std::move(session)) {}

    static const QITAB* interfaceTable() {
        static const QITAB table[] = {
            QITABENT(DefaultMode, IDefaultMode),
            QITABENT(DefaultMode, IConnectionPointContainer),
            {},
        };
        return table;
    }

    IFACEMETHODIMP Enable() override { return S_OK; }
    IFACEMETHODIMP Disable() override { return S_OK; }
    IFACEMETHODIMP IsInDefaultMode(long*) override { return E_NOTIMPL; }
    IFACEMETHODIMP EnableDownloadMode() override { return guarded([&]() -> HRESULT { return device::EnableDownloadMode(session_->driver()); }); }
    IFACEMETHODIMP DisableDownloadMode() override { return guarded([&]() -> HRESULT { return device::DisableDownloadMode(session_->driver()); }); }

private:
    Session session_;
};

class WirelessDistance : public IWirelessDistance, public EventSource<_IWirelessDistanceEvents> {
public:
    explicit WirelessDistance(Session session) : session_(std::move(session)) {}

    static const QITAB* interfaceTable() {
        static const QITAB table[] = {
            QITABENT(WirelessDistance, IWirelessDistance),
            QITABENT(WirelessDistance, IConnectionPointContainer),
            {},
        };
        return table;
    }

    IFACEMETHODIMP SetAuto() override { return E_HANDLE; }
    IFACEMETHODIMP Set(long distance) override { return guarded([&]() -> HRESULT { return device::SetWirelessDistance(session_->driver(), distance); }); }

    IFACEMETHODIMP Get(long* distance) override {
        return guarded([&]() -> HRESULT {
            if (!distance) return E_POINTER;
            std::int32_t value = 0;
            const HRESULT status = device::GetWirelessDistance(session_->driver(), value);
            if (SUCCEEDED(status)) *distance = value;
            return status;
        });
    }

    // The range would come from the driver channel first.
    IFACEMETHODIMP GetRange(long*, long*, long*, long*) override { return E_HANDLE; }

private:
    Session session_;
};

class Battery : public IBattery, public EventSource<_IBatteryEvents> {
public:
    explicit Battery(Session session) : session_(std::move(session)) {}

    static const QITAB* interfaceTable() {
        static const QITAB table[] = {
            QITABENT(Battery, IBattery),
            QITABENT(Battery, IConnectionPointContainer),
            {},
        };
        return table;
    }

    // A failed read answers 0 with its status.
    IFACEMETHODIMP GetRemaingPower(long* power) override {
        return guarded([&]() -> HRESULT {
            if (!power) return E_POINTER;
            std::int32_t percent = 0;
            const HRESULT status = device::GetRemaingPower(session_->driver(), percent);
            *power = percent;
            return status;
        });
    }

    IFACEMETHODIMP IsCharging(long*) override { return E_NOTIMPL; }

private:
    Session session_;
};

// Sensitivity levels of the driver channel: never open, so every read fails with E_HANDLE.
class DpiSettings : public IDpiSettings, public EventSource<_IDpiSettingsEvents> {
public:
    static const QITAB* interfaceTable() {
        static const QITAB table[] = {
            QITABENT(DpiSettings, IDpiSettings),
            QITABENT(DpiSettings, IConnectionPointContainer),
            {},
        };
        return table;
    }

    IFACEMETHODIMP SetSettings(long) override { return E_HANDLE; }

    IFACEMETHODIMP GetSettings(long* settings) override {
        return guarded([&]() -> HRESULT {
            if (!settings) return E_POINTER;
            *settings = 0;
            return E_HANDLE;
        });
    }

    // The list is copied for the driver channel; what that channel answers does not matter.
    IFACEMETHODIMP SetLevelList(long count, long* levels) override {
        return guarded([&]() -> HRESULT {
            if (count < 0) return E_INVALIDARG;
            if (count > 0 && !levels) return E_POINTER;
            try {
                levels_.assign(levels, levels + count);
            } catch (const std::bad_alloc&) {
                return E_OUTOFMEMORY;
            }
            return S_OK;
        });
    }

    IFACEMETHODIMP GetLevelList(long* count, long** levels) override {
        return guarded([&]() -> HRESULT {
            if (!count || !levels) return E_POINTER;
            *count = 0;
            *levels = nullptr;
            return E_HANDLE;
        });
    }

    IFACEMETHODIMP GetLevelListManaged(long* count, SAFEARRAY** levels) override {
        return guarded([&]() -> HRESULT {
            if (!count || !levels) return E_POINTER;
            *levels = nullptr;
            long* list = nullptr;
            if (HRESULT status = GetLevelList(count, &list); FAILED(status)) return status;
            TaskMemory<long> owned(list);
            std::vector<std::int32_t> values(list, list + *count);
            SafeArrayOwner array;
            if (HRESULT status = makeLongSafeArray(values, array); FAILED(status)) return status;
            handOutSafeArray(array, levels);
            return S_OK;
        });
    }

private:
    std::vector<long> levels_;
};

// Reports of watched buttons become OnButtonClickEvent.
class ButtonControl : public IButtonControl, public IButtonReportSink, public EventSource<_IButtonControlEvents> {
public:
    static const QITAB* interfaceTable() {
        static const QITAB table[] = {
            QITABENT(ButtonControl, IButtonControl),
            QITABENT(ButtonControl, IButtonReportSink),
            QITABENT(ButtonControl, IConnectionPointContainer),
            {},
        };
        return table;
    }

    IFACEMETHODIMP RegisterButtonClickEvent(_TButtonDefinitionType button) override {
        return guarded([&]() -> HRESULT {
            try {
                watched_.insert(button);
            } catch (const std::bad_alloc&) {
                return E_OUTOFMEMORY;
            }
            return S_OK;
        });
    }

    IFACEMETHODIMP UnregisterButtonClickEvent(_TButtonDefinitionType button) override {
        return guarded([&]() -> HRESULT {
            watched_.erase(button);
            return S_OK;
        });
    }

    IFACEMETHODIMP OnButtonReport(_TButtonStatus* report) override {
        return guarded([&]() -> HRESULT {
            if (!report) return E_POINTER;
            if (watched_.count(report->button) == 0) return S_OK;
            _TButtonStatus copy = *report;
            raise([&copy](_IButtonControlEvents* sink) { sink->OnButtonClickEvent(&copy); });
            return S_OK;
        });
    }

private:
    std::set<long> watched_;
};

}  // namespace

HRESULT createDpi(const Session& session, std::uint8_t selector, IDpi** out) {
    return createObject<Dpi>(out, session, selector);
}
HRESULT createLedStatus(const Session& session, std::uint8_t selector, ILedStatus** out) {
    return createObject<LedStatus>(out, session, selector);
}
HRESULT createPollingRate(const Session& session, IPollingRate** out) { return createObject<PollingRate>(out, session); }
HRESULT createDefaultMode(const Session& session, IDefaultMode** out) { return createObject<DefaultMode>(out, session); }
HRESULT createWirelessDistance(const Session& session, IWirelessDistance** out) {
    return createObject<WirelessDistance>(out, session);
}
HRESULT createBattery(const Session& session, IBattery** out) { return createObject<Battery>(out, session); }
HRESULT createDpiSettings(IDpiSettings** out) { return createObject<DpiSettings>(out); }
HRESULT createButtonControl(IButtonControl** out) { return createObject<ButtonControl>(out); }

}  // namespace tessel::com
