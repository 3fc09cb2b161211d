#pragma once
// The ordered listener list of the hidden window and the delivery of its messages. A listener may
// register or unregister listeners, itself included, from inside a notification, and a
// notification may run a nested message loop that delivers further messages.
#include <cstddef>
#include <cstdint>
#include <vector>

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
    // messages.
    bool deliver(std::uint32_t message, std::uintptr_t wParam);

private:
    // One delivery in progress; nested ones form a stack.
    struct Delivery {
        std::size_t next;
        std::size_t end;
        Delivery* outer;
    };

    std::vector<ButtonEventListener*> listeners_;
    Delivery* deliveries_ = nullptr;
};

}  // namespace tessel::store
