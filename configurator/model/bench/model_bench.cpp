// What the configurator's two big device jobs cost against the simulated mouse with the real
// waits of the transport: connect-and-read and one full write, in device transactions and
// wall time, against the waits the protocol mandates (40 ms for a read transaction, 140 ms for
// a write).
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "configurator/model/configuration_worker.h"
#include "configurator/model/device_session.h"
#include "configurator/model/tests/request_watch.h"
#include "middleware/api/bench/register_server.h"
#include "sim/state_store.h"

namespace {

using namespace tessel;

constexpr double kMandatedReadMs = 40.0;
constexpr double kMandatedWriteMs = 140.0;
constexpr int kRuns = 3;

std::string statePath() {
    char directory[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, directory);
    return std::string(directory) + "tessel-model-bench-" + std::to_string(GetCurrentProcessId()) + ".state";
}

// Three profiles in use, profile 1 active.
sim::MouseState benchMouse() {
    sim::MouseState state = sim::MouseState::factory();
    for (int number = 2; number <= 3; ++number) {
        state.profile(number) = sim::defaultProfile();
        state.profile(number).name = sim::nameRecord(u"Bench" + std::u16string(1, char16_t(u'0' + number)));
    }
    return state;
}

// Every profile edited (lights and a button), the shown one on its second stage, a new macro
// of eight events on a button, another polling rate.
void editEverything(cfg::SettingsModel& model) {
    model.createMacro(u"Bench");
    std::vector<cfg::MacroEvent> events;
    for (std::uint16_t i = 0; i < 8; ++i)
        events.push_back({static_cast<std::uint16_t>(30 + i / 2 + (i % 2) * cfg::kReleaseBit), i * 50u});
    model.setMacroEvents(0, events);
    for (std::size_t row = 0; row < model.profileCount(); ++row) {
        model.selectProfile(row);
        model.setLed(cfg::kLedScrollWheel, true);
        model.chooseFunction(2, cfg::ButtonFunction::doubleClick);
    }
    model.selectProfile(1);
    model.linkMacro(4, 0);
    model.setSensitivity(8, 8);
    model.setPollingRate(500);
}

std::uint64_t transactions(const std::string& path) { return sim::StateStore::inFile(path)->read().counters.requests; }


struct Measure {
    double medianMs = 0;
    std::uint64_t transactions = 0;
    std::uint64_t writes = 0;
    bool ok = true;
};

// Runs `job` kRuns times on a fresh mouse (after `prepare`), then once more under a request
// watch to count its write transactions (the watch's own file reads stay out of the timing).
Measure measure(const std::string& path, const std::function<void(cfg::SettingsModel&, cfg::DeviceSession&)>& prepare,
                const std::function<bool(cfg::DeviceSession&)>& job) {
    Measure result;
    std::vector<double> wall;
    for (int run = 0; run <= kRuns; ++run) {
        sim::writeStateFile(path, benchMouse());
        cfg::SettingsModel model;
        cfg::DeviceSession session(model);
        prepare(model, session);
        const std::uint64_t before = transactions(path);
        std::unique_ptr<cfg::testing::RequestWatch> watch;
        if (run == kRuns) watch = std::make_unique<cfg::testing::RequestWatch>(path);
        const ULONGLONG start = GetTickCount64();
        result.ok &= job(session);
        const double ms = static_cast<double>(GetTickCount64() - start);
        if (watch) {
            result.writes = watch->stop().size();
        } else {
            wall.push_back(ms);
            result.transactions = transactions(path) - before;
        }
    }
    std::sort(wall.begin(), wall.end());
    result.medianMs = wall[wall.size() / 2];
    return result;
}

void print(const char* what, const Measure& m) {
    const std::uint64_t reads = m.transactions - std::min(m.writes, m.transactions);
    const double mandated = kMandatedReadMs * static_cast<double>(reads) + kMandatedWriteMs * static_cast<double>(m.writes);
    std::printf("%s: %llu transactions (%llu reads, %llu writes), wall %.0f ms (median of %d), mandated waits %.0f ms, "
                "wall/mandated %.2f\n",
                what, static_cast<unsigned long long>(m.transactions), static_cast<unsigned long long>(reads),
                static_cast<unsigned long long>(m.writes), m.medianMs, kRuns, mandated, m.medianMs / mandated);
}

}  // namespace

int main() {
    const std::string path = statePath();
    _putenv_s("TESSEL_SIM", path.c_str());
    sim::writeStateFile(path);
    if (!registerServerFrom(TESSEL_SERVER_DLL)) {
        std::printf("the server could not be registered\n");
        return 1;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const Measure read = measure(
        path, [](cfg::SettingsModel&, cfg::DeviceSession&) {},
        [](cfg::DeviceSession& session) { return session.connectAndRead().ok(); });
    const Measure write = measure(
        path,
        [](cfg::SettingsModel& model, cfg::DeviceSession& session) {
            session.connectAndRead();
            editEverything(model);
        },
        [](cfg::DeviceSession& session) { return session.writeAll().ok(); });
    // Through the worker: from the request to a filled model, its one-second poll included.
    // Then, idle, how long a message to a window of its thread waits for an answer (what every
    // keystroke waits for while the middleware's keyboard hook sits on that thread).
    std::vector<double> filled;
    double slowestAnswerMs = 0;
    for (int run = 0; run < kRuns; ++run) {
        sim::writeStateFile(path, benchMouse());
        auto model = std::make_shared<cfg::SettingsModel>();
        std::atomic<HWND> window{nullptr};
        cfg::ConfigurationWorker::Options options;
        options.progress = [&](const cfg::WorkerProgress&) {
            if (!window.load())
                window.store(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
        };
        cfg::ConfigurationWorker worker(model, options);
        worker.start();
        const ULONGLONG start = GetTickCount64();
        worker.request(cfg::kConnectAndRead);
        while (worker.command() != cfg::kIdle) Sleep(5);
        filled.push_back(static_cast<double>(GetTickCount64() - start));
        for (int i = 0; i < 20 && window.load(); ++i) {
            LARGE_INTEGER frequency, before, after;
            QueryPerformanceFrequency(&frequency);
            QueryPerformanceCounter(&before);
            DWORD_PTR answer = 0;
            SendMessageTimeoutW(window.load(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer);
            QueryPerformanceCounter(&after);
            slowestAnswerMs = std::max(slowestAnswerMs, 1000.0 * static_cast<double>(after.QuadPart - before.QuadPart) /
                                                            static_cast<double>(frequency.QuadPart));
            Sleep(53);
        }
        worker.stop(cfg::ConfigurationWorker::kDefaultStopWaitMs);
    }
    std::sort(filled.begin(), filled.end());
    CoUninitialize();
    DeleteFileA(path.c_str());
    DeleteFileA((path + ".lock").c_str());
    print("connect and read, 3 profiles", read);
    print("full write, 3 profiles + 1 macro + polling rate", write);
    std::printf("worker: request to filled model %.0f ms (median of %d; its poll waits up to 1000 ms)\n",
                filled[filled.size() / 2], kRuns);
    std::printf("worker idle: slowest answer to a message of its thread %.2f ms (%d messages)\n", slowestAnswerMs,
                20 * kRuns);
    if (!read.ok || !write.ok) {
        std::printf("a job reported failures\n");
        return 1;
    }
    return 0;
}
