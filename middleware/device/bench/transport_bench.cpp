// Host overhead of one transaction: a scripted mouse, in-memory exclusion, and a clock whose
// waits cost nothing, so only the routine's own work is measured.
#include <benchmark/benchmark.h>

#include "middleware/device/memory_ports.h"
#include "middleware/device/tests/transport_scripted_hid.h"
#include "middleware/device/transport.h"

namespace {

using namespace tessel::device;

class InstantClock final : public Clock {
public:
    void sleepMs(std::uint32_t) override {}
    std::uint64_t nowMs() override { return 0; }
};

void transaction(benchmark::State& state, DovaReport request) {
    InstantClock clock;
    MemoryMutexPort mutexes;
    scripted::ScriptedHid hid(clock);
    hid.keepsLog = false;
    hid.add(u"mouse");
    DevicePorts ports{hid, mutexes, clock};
    for (auto _ : state) {
        DovaReport report = request;
        benchmark::DoNotOptimize(KxDovaFeatureRequest(ports, u"mouse", report));
    }
}

void Read(benchmark::State& state) { transaction(state, DovaReport::readRequest(0x05, 0)); }
void Write(benchmark::State& state) { transaction(state, DovaReport::writeRequest(0x05, 5)); }

}  // namespace

BENCHMARK(Read);
BENCHMARK(Write);
BENCHMARK_MAIN();
