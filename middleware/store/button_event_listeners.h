#pragma once
// The ordered listener list of the hidden window and the delivery of its messages. A listener may
// register or unregister listeners, itself included, from inside a notification, and a
// notification may run a nested message loop that delivers further messages. The lock that
// guards the list is released while a listener is called, so other threads may register and
// unregister meanwhile, and a listener may wait for them.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "middleware/store/button_event_keys.h"
#include "middleware/store/button_events.h"

namespace tessel::store {

class ButtonEventListeners {
public:
    // Appends; may throw std::bad_alloc.
    void add(ButtonEventListener* listener);
    // Removes the first occurrence; false when `listener` is not in the list.
    bool remove(ButtonEventListener* listener);
    bool empty() const { return listeners_.empty(); }
    // Whether a delivery is under way on the owning thread (a listener is being called).
    bool delivering() const { return deliveries_ != nullptr; }

    // Delivers a button-event message (buttonmsg::first .. buttonmsg::last) to every listener in
    // list order: the listeners present when it began and not removed since. False for other
    // messages. `held` is the lock that guards the list, held by the caller: each listener is
    // called with it released, between calls.begin(listener) and calls.end(listener), which
    // are made under it.
    template <class Lock, class Calls>
    bool deliver(std::uint32_t message, std::uintptr_t wParam, Lock& held, Calls& calls);
    // The same without a lock, for a list that only its own thread touches.
    bool deliver(std::uint32_t message, std::uintptr_t wParam);

private:
    // One delivery in progress; nested ones form a stack.
    struct Delivery {
        std::size_t next;
        std::size_t end;
        Delivery* outer;
    };
    static void notify(ButtonEventListener& listener, std::uint32_t message, std::int32_t argument);

    std::vector<ButtonEventListener*> listeners_;
    Delivery* deliveries_ = nullptr;
};

template <class Lock, class Calls>
bool ButtonEventListeners::deliver(std::uint32_t message, std::uintptr_t wParam, Lock& held, Calls& calls) {
    if (message < buttonmsg::first || message > buttonmsg::last) return false;
    if (message < buttonmsg::profileSelected) return true;  // WM_USER, WM_USER+1: no notification
    const std::int32_t argument = fromWParam(wParam);
    Delivery delivery{0, listeners_.size(), deliveries_};
    deliveries_ = &delivery;
    struct Unwind {
        ButtonEventListeners& list;
        Delivery& delivery;
        ~Unwind() { list.deliveries_ = delivery.outer; }
    } unwind{*this, delivery};
    while (delivery.next < delivery.end) {
        ButtonEventListener* listener = listeners_[delivery.next++];
        calls.begin(listener);
        held.unlock();
        notify(*listener, message, argument);
        held.lock();
        calls.end(listener);
    }
    return true;
}

}  // namespace tessel::store
