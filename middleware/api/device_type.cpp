// The device type object: opens the mouse of one product and creates the feature objects.
#include "middleware/api/client_memory.h"
#include "middleware/api/connection_points.h"
#include "middleware/api/server_objects.h"
#include "middleware/api/system_ports.h"
#include "middleware/device/settings_commands.h"

namespace tessel::com {
namespace {

constexpr long kMouseButtons = 9;
constexpr long kTotalButtons = 10;
constexpr unsigned long kMaxMacroLength = 500;

class DeviceType : public IDeviceType, public EventSource<_IDeviceTypeEvents> {
public:
    explicit DeviceType(Session session) : session_(std::move(session)) {}

    static const QITAB* interfaceTable() {
        static const QITAB table[] = {
            QITABENT(DeviceType, IDeviceType),
            QITABENT(DeviceType, IConnectionPointContainer),
            {},
        };
        return table;
    }

    // Once opened, the object stays opened even when no mouse was found; closing starts over.
    IFACEMETHODIMP OpenDeviceInterface(unsigned short productId) override {
        return guarded([&]() -> HRESULT {
            if (session_->opened) return S_OK;
            try {
                session_->handler = std::make_unique<device::DriverHandler>(systemPorts().device(), productId);
            } catch (const std::bad_alloc&) {
                return E_OUTOFMEMORY;
            }
            session_->productId = productId;
            session_->opened = true;
            return session_->handler->Open();
        });
    }

    IFACEMETHODIMP CloseDeviceInterface() override {
        return guarded([&]() -> HRESULT {
            session_->handler.reset();
            session_->opened = false;
            return S_OK;
        });
    }

    IFACEMETHODIMP SwitchToNextDevice() override { return E_NOTIMPL; }

    IFACEMETHODIMP GetDriverVersion(LPWSTR* version) override {
        return guarded([&]() -> HRESULT {
            if (!version) return E_POINTER;
            *version = nullptr;
            if (!session_->driver()) return E_FAIL;
            return handOutTaskString(session_->driver()->GetDriverVersion(), version);
        });
    }

    IFACEMETHODIMP GetHardwareId(LPWSTR* hardwareId) override {
        return guarded([&]() -> HRESULT {
            if (!hardwareId) return E_POINTER;
            *hardwareId = nullptr;
            if (!session_->driver()) return E_FAIL;
            return handOutTaskString(session_->driver()->GetHardwareId(), hardwareId);
        });
    }

    IFACEMETHODIMP GetSerialNumber(LPWSTR* serial) override {
        return guarded([&]() -> HRESULT {
            return handOutDeviceText(serial, device::GetSerialNumber);
        });
    }

    IFACEMETHODIMP GetFirmwareVersion(LPWSTR* version) override {
        return guarded([&]() -> HRESULT {
            return handOutDeviceText(version, device::GetFirmwareVersion);
        });
    }

    // bHasHalden is the caller's to set.
    IFACEMETHODIMP GetDeviceCapabilities(_TDeviceCapabilities* capabilities) override {
        return guarded([&]() -> HRESULT {
            if (!capabilities) return E_POINTER;
            capabilities->ulPid = session_->productId;
            capabilities->lNoOfMouseButtons = kMouseButtons;
            capabilities->lNoOfTotalButtons = kTotalButtons;
            capabilities->ulMaxMacroLen = kMaxMacroLength;
            capabilities->bDpiSettingsSupported = 1;
            capabilities->bPollingRateSupported = 1;
            return S_OK;
        });
    }

    // The bus would come from the driver channel, which is never open.
    IFACEMETHODIMP GetBusType(_TBusType* type) override {
        return guarded([&]() -> HRESULT {
            if (!type) return E_POINTER;
            *type = BUS_TYPE_USB;
            return E_HANDLE;
        });
    }

    IFACEMETHODIMP CreateProfileInterface(IProfile** out) override { return guarded([&]() -> HRESULT { return createProfile(session_, out); }); }
    IFACEMETHODIMP CreateMacroHandlingInterface(IMacroHandling** out) override {
        return guarded([&]() -> HRESULT {
            return createMacroHandling(session_, out);
        });
    }
    IFACEMETHODIMP CreateUserActionInterface(IUserAction** out) override { return guarded([&]() -> HRESULT { return createUserAction(session_, out); }); }
    IFACEMETHODIMP CreateDefaultModeInterface(IDefaultMode** out) override { return guarded([&]() -> HRESULT { return createDefaultMode(session_, out); }); }
    IFACEMETHODIMP CreateWirelessDistanceInterface(IWirelessDistance** out) override {
        return guarded([&]() -> HRESULT {
            return createWirelessDistance(session_, out);
        });
    }
    IFACEMETHODIMP CreateBatteryInterface(IBattery** out) override { return guarded([&]() -> HRESULT { return createBattery(session_, out); }); }
    IFACEMETHODIMP CreateOTFSInterface(IOTFS** out) override { return guarded([&]() -> HRESULT { return createOTFS(out); }); }
    IFACEMETHODIMP CreatePollingRateInterface(IPollingRate** out) override { return guarded([&]() -> HRESULT { return createPollingRate(session_, out); }); }

    // One IHalden per device type object: it carries the stage cache and the button listener.
    IFACEMETHODIMP CreateHaldenInterface(IHalden** out) override {
        return guarded([&]() -> HRESULT {
            if (!out) return E_POINTER;
            *out = nullptr;
            if (!halden_)
                if (HRESULT status = createHalden(session_, halden_.GetAddressOf()); FAILED(status)) return status;
            return handOut(halden_, out);
        });
    }

    IFACEMETHODIMP IsConnected(long* connected) override {
        return guarded([&]() -> HRESULT {
            if (!connected) return E_POINTER;
            std::int32_t value = 0;
            const HRESULT status = device::IsConnected(session_->driver(), value);
            *connected = value;
            return status;
        });
    }

private:
    template <class Read>
    HRESULT handOutDeviceText(LPWSTR* out, Read read) {
        if (!out) return E_POINTER;
        *out = nullptr;
        std::u16string text;
        try {
            if (HRESULT status = read(session_->driver(), text); FAILED(status)) return status;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        return handOutTaskString(text, out);
    }

    Session session_;
    ComPtr<IHalden> halden_;
};

}  // namespace

HRESULT createDeviceType(IDeviceType** out) {
    Session session;
    try {
        session = std::make_shared<DeviceSession>();
    } catch (const std::bad_alloc&) {
        if (out) *out = nullptr;
        return E_OUTOFMEMORY;
    }
    return createObject<DeviceType>(out, std::move(session));
}

}  // namespace tessel::com
