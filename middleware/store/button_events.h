#pragma once
// Button events: the mouse reports some of its own buttons as presses of the keys F20 to F24.
// The middleware's keyboard hook turns them into these notifications for listeners inside the
// middleware (the IHalden object), which re-read the mouse and raise their component events.
#include <cstdint>

#include "middleware/common/status.h"

#ifdef _WIN32
#include <unknwn.h>
#endif

namespace tessel::store {

#ifdef _WIN32
using ButtonEventListenerBase = IUnknown;
#else
// No COM on the host: the same three reference-counting slots keep the slot order.
class ButtonEventListenerBase {
public:
    virtual HResult QueryInterface(const void* iid, void** object) = 0;
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;

protected:
    ~ButtonEventListenerBase() = default;
};
#endif

// Notifications arrive on the thread that registered the first listener; their results are
// ignored. No lock is held while a listener is called. The list does not hold references: a
// listener unregisters, and awaits a call under way, before it goes away.
class ButtonEventListener : public ButtonEventListenerBase {
public:
    // Net number of sensitivity steps since the last notification: positive up, negative down.
    virtual HResult SensitivityStep(std::int32_t count) = 0;
    // Sensitivity stage `stage`, 1 to 5.
    virtual HResult StageSelected(std::int32_t stage) = 0;
    // Profile `profile`, 1 to 5.
    virtual HResult ProfileSelected(std::int32_t profile) = 0;
    // The mouse changed its state by itself; re-read it.
    virtual HResult Refresh() = 0;

protected:
    ~ButtonEventListener() = default;
};

#ifdef _WIN32
// Appends `listener` to the process-wide list. The first registration installs the keyboard
// hook and creates the hidden window on the calling thread, which must then pump messages for
// as long as listeners are registered. Failures: E_POINTER, E_OUTOFMEMORY, or the system error
// of the hook or the window as 0x8007xxxx; the listener is then not registered.
HResult RegisterButtonEventListener(ButtonEventListener* listener);

// Removes `listener`; the last one out removes the hook and the window. E_FAIL when the listener
// is not registered (in particular when none is). A call of it under way on the window's
// thread may still run; AwaitButtonEventCalls waits for it.
HResult UnregisterButtonEventListener(ButtonEventListener* listener);

// Returns once `listener` is no longer being called by another thread; a listener that goes
// away calls it after unregistering. Never call it from inside a notification of another
// listener that the caller waits for.
void AwaitButtonEventCalls(ButtonEventListener* listener);
#endif

}  // namespace tessel::store
