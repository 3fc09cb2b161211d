// The tray's subscription to the middleware's events: one sink object on four event
// interfaces, and the objects it listens to while the mouse is connected.
#pragma once

#include <windows.h>

#include "middleware/api/ServerLib.h"
#include "middleware/common/scoped_win32.h"

namespace tessel::tray {

using win32::ComPtr;

// What the tray does with the events.
class TrayEventTarget {
public:
    virtual void onHaldenEvent(const _THaldenInfoType& info) = 0;
    // The on-the-fly sensitivity or a profile's sensitivity changed.
    virtual void onSensitivityEvent() = 0;

protected:
    ~TrayEventTarget() = default;
};

// One object, four event interfaces, one reference count.
class CSink final : public _IOTFSEvents,
                    public _IHaldenProfileManagerEvents,
                    public _IDpiEvents,
                    public _IHaldenEvents {
public:
    // Created with a count of 1.
    explicit CSink(TrayEventTarget& target) : target_(target) {}

    IFACEMETHODIMP QueryInterface(REFIID iid, void** object) override;
    IFACEMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    IFACEMETHODIMP_(ULONG) Release() override;

    IFACEMETHODIMP OnOTFSEvent(_TButtonStatus* status) override;
    IFACEMETHODIMP OnHaldenProfileManagerEvent(_THaldenProfileManagerInfo* info) override;
    IFACEMETHODIMP OnDpiEvent() override;
    IFACEMETHODIMP OnHaldenEvent(_THaldenInfoType* info) override;

    IUnknown* unknown() { return static_cast<_IOTFSEvents*>(this); }

private:
    ~CSink() = default;
    TrayEventTarget& target_;
    ULONG references_ = 1;
};

// The event objects of a connection and the sink's subscriptions to them.
class EventConnection {
public:
    // Opens the event objects of `device`. True when the on-the-fly sensitivity object was
    // obtained, which the sink's first subscription needs.
    bool open(IDeviceType* device);
    // Subscribes a new sink to the four event interfaces (a missing object or connection point
    // is skipped), then loads the mouse's profiles into the middleware's cache for the events.
    void subscribe(TrayEventTarget& target);
    void unsubscribe();
    // Ends the subscriptions that remain and releases every object; `device` is closed.
    void release(IDeviceType* device);

    bool subscribed() const { return static_cast<bool>(sink_); }

private:
    ComPtr<IOTFS> otfs_;
    ComPtr<IHalden> halden_;
    ComPtr<IHaldenProfileManager> profileManager_;
    ComPtr<IDpi> dpi_;
    ComPtr<IDefaultMode> defaultMode_;
    ComPtr<CSink> sink_;
    DWORD otfsCookie_ = 0;
    DWORD profileManagerCookie_ = 0;
    DWORD dpiCookie_ = 0;
    DWORD haldenCookie_ = 0;
};

// Reads the active profile's sensitivity from the mouse of `device`, as the tray does on an
// on-the-fly or sensitivity event; every object obtained is released.
void readActiveSensitivity(IDeviceType* device);

}  // namespace tessel::tray
