#include "configurator/model/tests/request_watch.h"

#include <chrono>

#include "sim/state_store.h"

namespace tessel::cfg::testing {

RequestWatch::RequestWatch(std::string statePath) : path_(std::move(statePath)), thread_([this] { follow(); }) {}

std::vector<SeenWrite> RequestWatch::seen() const {
    const std::lock_guard guard(lock_);
    return seen_;
}

std::vector<SeenWrite> RequestWatch::stop() {
    stopping_.store(true);
    if (thread_.joinable()) thread_.join();
    return seen();
}

void RequestWatch::follow() {
    auto store = sim::StateStore::inFile(path_);
    std::uint64_t lastRequest = 0;
    while (!stopping_.load()) {
        const sim::MouseState state = store->read();
        const auto& pending = state.transaction.pending;
        // Each request counts once; the counter tells two equal requests apart.
        if (pending.size() == 91 && state.counters.requests != lastRequest) {
            lastRequest = state.counters.requests;
            if (pending[3] == 0) {
                const std::lock_guard guard(lock_);
                seen_.push_back({pending[4], pending[5], pending});
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
}

}  // namespace tessel::cfg::testing
