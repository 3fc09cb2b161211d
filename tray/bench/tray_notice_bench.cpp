// The tray's figures, measured against the real middleware and the simulated mouse in a UI
// session of its own: the time from a press of the mouse's sensitivity button (its key, as the
// mouse sends it) to the gauge on screen, and the tray's processor time and memory while idle.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <vector>

#include "tray/tests/tray_installation.h"

using namespace tray_testing;

namespace {

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

int main() {
    if (!installTray()) {
        std::fprintf(stderr, "installation failed\n");
        return 1;
    }
    HANDLE process = startTray();
    if (!waitFor([] { return tray() != nullptr; }, 60000ms)) {
        std::fprintf(stderr, "no tray\n");
        return 1;
    }
    Sleep(3000);  // the Download after the connection

    // Press to gauge: the key, the hook and its coalescing timer, the middleware's event, the
    // gauge bitmap and OSD.dll. Each sample waits for the notice to go again (5 s).
    std::vector<double> samples;
    for (int i = 0; i < 6; ++i) {
        waitFor(noneVisible, 8000ms);
        Sleep(300);
        const auto pressed = Clock::now();
        pressSensitivityKey();
        if (!waitFor([] { return visibleNotices().gauges > 0; }, 3000ms)) {
            std::fprintf(stderr, "press %d: no gauge\n", i);
            continue;
        }
        samples.push_back(seconds(Clock::now() - pressed) * 1000);
    }
    std::printf("press to gauge on screen (ms):");
    for (double s : samples) std::printf(" %.0f", s);
    std::printf("\n");

    // Idle: a whole minute of 500 ms ticks with nothing to do.
    waitFor(noneVisible, 8000ms);
    FILETIME created, exited, kernel0, user0, kernel1, user1;
    GetProcessTimes(process, &created, &exited, &kernel0, &user0);
    const auto start = Clock::now();
    Sleep(30000);
    GetProcessTimes(process, &created, &exited, &kernel1, &user1);
    auto ticks = [](FILETIME t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    const double cpu = (ticks(kernel1) - ticks(kernel0) + ticks(user1) - ticks(user0)) / 1e7;
    std::printf("idle processor time: %.3f s in %.0f s = %.2f %%\n", cpu, seconds(Clock::now() - start),
                100.0 * cpu / seconds(Clock::now() - start));

    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof(memory);
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory)))
        std::printf("memory: working set %.1f MB, private %.1f MB\n", memory.WorkingSetSize / 1048576.0,
                    memory.PrivateUsage / 1048576.0);
    endTrays();
    CloseHandle(process);
    return 0;
}
