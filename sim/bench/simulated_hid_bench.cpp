// What one simulated transaction costs (readiness poll, request, answer poll, end report, the
// protocol's own waits left out): with the state in memory, and in the shared state file that
// every access loads, changes and replaces under the file lock.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "middleware/device/dova_report.h"
#include "middleware/device/memory_ports.h"
#include "sim/firmware.h"
#include "sim/simulated_hid.h"

#ifndef _WIN32
#include <benchmark/benchmark.h>
#endif

namespace {

using namespace tessel;
using device::DovaReport;

class Bench {
public:
    explicit Bench(std::unique_ptr<sim::StateStore> store) : hid_(std::move(store), clock_) {
        handle_ = hid_.open(sim::interfacePath(sim::Interface::wired, 1));
        request_ = DovaReport::readRequest(sim::command::profileBlock, 1);
        request_[9] = 1;
        request_[DovaReport::checksum] = request_.computeChecksum();
    }
    // False when the mouse did not answer "done".
    bool transaction() {
        DovaReport buffer;
        hid_.getFeature(handle_, buffer.raw(), DovaReport::size);
        hid_.setFeature(handle_, request_.raw(), DovaReport::size);
        hid_.getFeature(handle_, buffer.raw(), DovaReport::size);
        const DovaReport end = DovaReport::endReport();
        hid_.setFeature(handle_, end.raw(), DovaReport::size);
        return buffer[DovaReport::status] == sim::status::done;
    }

private:
    device::VirtualClock clock_;
    sim::SimulatedHid hid_;
    device::PortHandle handle_ = 0;
    DovaReport request_;
};

std::string benchFile() {
    const auto path = std::filesystem::temp_directory_path() / "tessel-sim-bench.txt";
    std::filesystem::remove(path);
    return path.string();
}

}  // namespace

#ifdef _WIN32

int main() {
    auto measure = [](const char* name, std::unique_ptr<sim::StateStore> store, int runs) {
        Bench bench(std::move(store));
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < runs; ++i)
            if (!bench.transaction()) std::printf("transaction failed\n");
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        std::printf("%-22s %8.3f ms per transaction (4 accesses), %d runs\n", name, ms / runs, runs);
    };
    measure("state in memory", sim::StateStore::inMemory(), 2000);
    const std::string file = benchFile();
    measure("state in a shared file", sim::StateStore::inFile(file), 200);
    std::filesystem::remove(file);
    return 0;
}

#else

static void BM_TransactionInMemory(benchmark::State& state) {
    Bench bench(sim::StateStore::inMemory());
    for (auto _ : state) benchmark::DoNotOptimize(bench.transaction());
}
BENCHMARK(BM_TransactionInMemory);

static void BM_TransactionInStateFile(benchmark::State& state) {
    const std::string file = benchFile();
    Bench bench(sim::StateStore::inFile(file));
    for (auto _ : state) benchmark::DoNotOptimize(bench.transaction());
    std::filesystem::remove(file);
}
BENCHMARK(BM_TransactionInStateFile)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

#endif
