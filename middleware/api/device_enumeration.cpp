// DeviceEnumeration: the one creatable class; it hands out device type objects.
#include "middleware/api/connection_points.h"
#include "middleware/api/server_objects.h"

namespace tessel::com {
namespace {

constexpr long kMiddlewareVersion = 1102;

class DeviceEnumeration : public IDeviceEnumeration, public EventSource<_IDeviceEnumerationEvents> {
public:
    static const QITAB* interfaceTable() {
        static const QITAB table[] = {
            QITABENT(DeviceEnumeration, IDeviceEnumeration),
            QITABENT(DeviceEnumeration, IConnectionPointContainer),
            {},
        };
        return table;
    }

    IFACEMETHODIMP OpenDeviceEnumerationInterface() override { return S_OK; }
    IFACEMETHODIMP CloseDeviceEnumerationInterface() override { return S_OK; }

    // The product is chosen when the device type object is opened, not here.
    IFACEMETHODIMP EnumDeviceType(unsigned short, IDeviceType** deviceType) override {
        return guarded([&]() -> HRESULT {
            return createDeviceType(deviceType);
        });
    }

    IFACEMETHODIMP GetMiddlewareVersion(long* version) override {
        return guarded([&]() -> HRESULT {
            if (!version) return E_POINTER;
            *version = kMiddlewareVersion;
            return S_OK;
        });
    }
};

}  // namespace

HRESULT createDeviceEnumeration(IUnknown* outer, REFIID iid, void** object) {
    return createInstance<DeviceEnumeration>(outer, iid, object);
}

}  // namespace tessel::com
