#include "middleware/device/memory_ports.h"

namespace tessel::device {

void VirtualClock::sleepMs(std::uint32_t ms) {
    std::lock_guard guard(lock_);
    now_ += ms;
}

std::uint64_t VirtualClock::nowMs() {
    std::lock_guard guard(lock_);
    return now_;
}

std::uint64_t VirtualClock::sleptMs() const {
    std::lock_guard guard(lock_);
    return now_;
}

PortHandle MemoryMutexPort::create(const std::u16string& name, bool& existed) {
    std::lock_guard guard(lock_);
    Object& object = objects_[name];
    existed = object.handles > 0;
    ++object.handles;
    const PortHandle handle = next_++;
    handles_.emplace(handle, name);
    return handle;
}

void MemoryMutexPort::wait(PortHandle mutex) {
    std::unique_lock guard(lock_);
    auto found = handles_.find(mutex);
    if (found == handles_.end()) return;
    Object& object = objects_[found->second];
    const auto self = std::this_thread::get_id();
    released_.wait(guard, [&] { return object.recursion == 0 || object.owner == self; });
    object.owner = self;
    ++object.recursion;
}

void MemoryMutexPort::release(PortHandle mutex) {
    std::lock_guard guard(lock_);
    auto found = handles_.find(mutex);
    if (found == handles_.end()) return;
    Object& object = objects_[found->second];
    if (object.recursion > 0 && object.owner == std::this_thread::get_id() && --object.recursion == 0) {
        object.owner = {};
        released_.notify_all();
    }
}

void MemoryMutexPort::close(PortHandle mutex) {
    std::lock_guard guard(lock_);
    auto found = handles_.find(mutex);
    if (found == handles_.end()) return;
    auto object = objects_.find(found->second);
    // A closed handle whose thread still owns the mutex abandons it: the next waiter gets it.
    if (object->second.owner == std::this_thread::get_id()) {
        object->second.recursion = 0;
        object->second.owner = {};
        released_.notify_all();
    }
    if (--object->second.handles == 0) objects_.erase(object);
    handles_.erase(found);
}

int MemoryMutexPort::openHandles(const std::u16string& name) const {
    std::lock_guard guard(lock_);
    auto found = objects_.find(name);
    return found == objects_.end() ? 0 : found->second.handles;
}

}  // namespace tessel::device
