#pragma once
// Internals of the server: the device a device type object has opened, shared with every
// object created from it, and the constructors of the object classes.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "middleware/api/ServerLib.h"
#include "middleware/api/com_object.h"
#include "middleware/common/records.h"
#include "middleware/device/driver_handler.h"

namespace tessel::com {

// The opened device of one device type object. Its feature objects share it rather than the
// device type object itself, so the device type can hold its IHalden without a reference cycle,
// and they all see the handler go away when the client closes the device.
struct DeviceSession {
    std::unique_ptr<device::DriverHandler> handler;  // null while not opened
    bool opened = false;
    std::uint16_t productId = 0;

    device::DriverHandler* driver() const { return handler.get(); }
};
using Session = std::shared_ptr<DeviceSession>;

// The core's records and the type library's are the same bytes (records_layout_test).
template <class Core, class Com>
Core* asCore(Com* record) {
    static_assert(sizeof(Core) == sizeof(Com) && alignof(Core) == alignof(Com));
    return reinterpret_cast<Core*>(record);
}
template <class Core, class Com>
const Core* asCore(const Com* record) {
    static_assert(sizeof(Core) == sizeof(Com) && alignof(Core) == alignof(Com));
    return reinterpret_cast<const Core*>(record);
}

// The name of an onboard profile or macro, by the device layer's reading and writing of it.
using ReadItemName = HResult (*)(device::DriverHandler*, std::uint8_t, std::u16string&);
using WriteItemName = HResult (*)(device::DriverHandler*, std::uint8_t, std::u16string_view);
HRESULT getItemName(ReadItemName read, const Session& session, std::uint8_t item, BSTR* name);
HRESULT setItemName(WriteItemName write, const Session& session, std::uint8_t item, BSTR name);

// Creatable class.
HRESULT createDeviceEnumeration(IUnknown* outer, REFIID iid, void** object);

// Objects reached from it.
HRESULT createDeviceType(IDeviceType** out);
HRESULT createProfile(const Session& session, IProfile** out);
HRESULT createMacroHandling(const Session& session, IMacroHandling** out);
HRESULT createUserAction(const Session& session, IUserAction** out);
HRESULT createDefaultMode(const Session& session, IDefaultMode** out);
HRESULT createWirelessDistance(const Session& session, IWirelessDistance** out);
HRESULT createBattery(const Session& session, IBattery** out);
HRESULT createPollingRate(const Session& session, IPollingRate** out);
HRESULT createOTFS(IOTFS** out);
HRESULT createButtonControl(IButtonControl** out);
HRESULT createDpiSettings(IDpiSettings** out);
HRESULT createPerformanceSettings(IPerformanceSettings** out);
// Lighting and sensitivity of profile `selector`: 1-5 for an onboard profile, 0 through IProfile.
HRESULT createLedStatus(const Session& session, std::uint8_t selector, ILedStatus** out);
HRESULT createDpi(const Session& session, std::uint8_t selector, IDpi** out);
// The listener of the mouse's own buttons; registered with the button events while a sink of
// its events is connected.
HRESULT createHalden(const Session& session, IHalden** out);
HRESULT createHaldenProfileManager(const Session& session, IHaldenProfileManager** out);
HRESULT createHaldenProfile(const Session& session, std::uint8_t number, IHaldenProfile** out);
HRESULT createHaldenMacroManager(const Session& session, IHaldenMacroManager** out);
HRESULT createHaldenMacro(const Session& session, std::uint8_t index, IHaldenMacro** out);

}  // namespace tessel::com
