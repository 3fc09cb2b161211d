#include "middleware/store/button_event_listeners.h"

#include <algorithm>


namespace tessel::store {

void ButtonEventListeners::add(ButtonEventListener* listener) { listeners_.push_back(listener); }

bool ButtonEventListeners::remove(ButtonEventListener* listener) {
    const auto found = std::find(listeners_.begin(), listeners_.end(), listener);
    if (found == listeners_.end()) return false;
    const auto index = static_cast<std::size_t>(found - listeners_.begin());
    listeners_.erase(found);
    // Deliveries under way keep their place: those past the removed one step back with the list.
    for (Delivery* delivery = deliveries_; delivery; delivery = delivery->outer) {
        if (index < delivery->next) --delivery->next;
        if (index < delivery->end) --delivery->end;
    }
    return true;
}

void ButtonEventListeners::notify(ButtonEventListener& listener, std::uint32_t message, std::int32_t argument) {
    switch (message) {
        case buttonmsg::profileSelected: listener.ProfileSelected(argument); break;
        case buttonmsg::sensitivityStep: listener.SensitivityStep(argument); break;
        case buttonmsg::stageSelected: listener.StageSelected(argument); break;
        default: listener.Refresh(); break;
    }
}

bool ButtonEventListeners::deliver(std::uint32_t message, std::uintptr_t wParam) {
    struct Unlocked {
        void lock() {}
        void unlock() {}
        void begin(ButtonEventListener*) {}
        void end(ButtonEventListener*) {}
    } none;
    return deliver(message, wParam, none, none);
}

}  // namespace tessel::store
