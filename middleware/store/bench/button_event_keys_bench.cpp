// What the hook procedure adds to one keystroke on the key handler's side: the range check for
// other keys, and the handler's work for F20 to F24, with a port that does nothing.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <initializer_list>

#include "middleware/store/button_event_keys.h"

namespace tessel::store {
namespace {

class NullPort final : public ButtonEventPort {
public:
    void post(std::uint32_t message, std::uintptr_t wParam) override { benchmark::DoNotOptimize(message + wParam); }
    void setTimer(std::uint32_t id, std::uint32_t ms) override { benchmark::DoNotOptimize(id + ms); }
    void killTimer(std::uint32_t id) override { benchmark::DoNotOptimize(id); }
};

struct Event {
    std::uint32_t message;
    std::uint32_t virtualKey;
};

// Runs one keystroke sequence per iteration; the figure is per event, as the hook sees them.
void runSequence(benchmark::State& state, std::initializer_list<Event> events) {
    NullPort port;
    ButtonKeyHandler handler(port);
    for (auto _ : state) {
        for (const Event& event : events) {
            const std::uint32_t vk = event.virtualKey;
            benchmark::DoNotOptimize(vk);
            if (ButtonKeyHandler::handles(vk)) handler.onKey(event.message, vk);
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(events.size()));
}

void OtherKey(benchmark::State& state) {
    runSequence(state, {{keymsg::keyDown, 'A'}, {keymsg::keyUp, 'A'}});
}
void F20Press(benchmark::State& state) {
    runSequence(state, {{keymsg::keyDown, kVkF20}, {keymsg::keyUp, kVkF20}});
}
void F24StepChord(benchmark::State& state) {
    runSequence(state, {{keymsg::keyDown, kVkF24}, {keymsg::keyUp, kVkF24}});
}
void StageChord(benchmark::State& state) {
    runSequence(state, {{keymsg::keyDown, kVkF21}, {keymsg::keyDown, kVkF23},
                        {keymsg::keyUp, kVkF21}, {keymsg::keyUp, kVkF23}});
}

BENCHMARK(OtherKey);
BENCHMARK(F20Press);
BENCHMARK(F24StepChord);
BENCHMARK(StageChord);

}  // namespace
}  // namespace tessel::store

BENCHMARK_MAIN();
