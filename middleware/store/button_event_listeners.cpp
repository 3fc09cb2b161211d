#include "middleware/store/button_event_listeners.h"

#include <algorithm>

#include "middleware/store/button_event_keys.h"

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

bool ButtonEventListeners::deliver(std::uint32_t message, std::uintptr_t wParam) {
    if (message < buttonmsg::first || message > buttonmsg::last) return false;
    if (message < buttonmsg::profileSelected) return true;  // WM_USER, WM_USER+1: no notification
    const std::int32_t argument = fromWParam(wParam);
    Delivery delivery{0, listeners_.size(), deliveries_};
    deliveries_ = &delivery;
    while (delivery.next < delivery.end) {
        ButtonEventListener* listener = listeners_[delivery.next++];
        switch (message) {
            case buttonmsg::profileSelected: listener->ProfileSelected(argument); break;
            case buttonmsg::sensitivityStep: listener->SensitivityStep(argument); break;
            case buttonmsg::stageSelected: listener->StageSelected(argument); break;
            default: listener->Refresh(); break;
        }
    }
    deliveries_ = delivery.outer;
    return true;
}

}  // namespace tessel::store
