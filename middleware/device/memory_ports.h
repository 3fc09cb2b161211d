#pragma once
// In-process stand-ins for the platform ports: a virtual clock that never really sleeps and
// named mutexes with the system's semantics inside one process.
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "middleware/device/ports.h"

namespace tessel::device {

// Sleeping advances the clock at once; tests read how much time the code asked for.
class VirtualClock final : public Clock {
public:
    void sleepMs(std::uint32_t ms) override;
    std::uint64_t nowMs() override;
    std::uint64_t sleptMs() const;

private:
    mutable std::mutex lock_;
    std::uint64_t now_ = 0;
};

// Named mutexes of one process. Handles are counted per name so "already existed" is right;
// ownership is per thread and recursive, like a system mutex.
class MemoryMutexPort final : public MutexPort {
public:
    PortHandle create(const std::u16string& name, bool& existed) override;
    void wait(PortHandle mutex) override;
    void release(PortHandle mutex) override;
    void close(PortHandle mutex) override;

    // How many handles to `name` are open now.
    int openHandles(const std::u16string& name) const;

private:
    struct Object {
        int handles = 0;
        std::thread::id owner;
        int recursion = 0;
    };
    mutable std::mutex lock_;
    std::condition_variable released_;
    std::map<std::u16string, Object> objects_;
    std::map<PortHandle, std::u16string> handles_;
    PortHandle next_ = 1;
};

}  // namespace tessel::device
