// Two processes talk to one simulated mouse at the same moment: the transaction exclusion
// keeps their reports apart, the block lock their read-modify-writes, and the shared state
// file loses none of their changes.
#include <windows.h>

#include "middleware/common/scoped_win32.h"
#include "sim/tests/sim_fixture.h"

namespace tessel::sim::testing {
namespace {

constexpr int kRounds = 15;

std::wstring besideThisProgram(const wchar_t* name) {
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + name;
}

TEST(TwoProcesses, ShareOneMouseWithoutInterleaving) {
    const TempDir dir;
    const std::string statePath = dir.file("mouse.txt");
    writeStateFile(statePath);
    const std::uint8_t startCode = MouseState::factory().current.x;

    const std::wstring tag = std::to_wstring(GetCurrentProcessId());
    const std::wstring readyName = L"Local\\tessel-sim-ready-" + tag, startName = L"Local\\tessel-sim-start-" + tag;
    const win32::UniqueHandle ready(CreateSemaphoreW(nullptr, 0, 2, readyName.c_str()));
    const win32::UniqueHandle start(CreateEventW(nullptr, TRUE, FALSE, startName.c_str()));
    ASSERT_TRUE(ready && start);

    const std::wstring worker = besideThisProgram(L"sim_two_process_worker.exe");
    const std::wstring command = L"\"" + worker + L"\" \"" + std::wstring(statePath.begin(), statePath.end()) + L"\" " +
                                 std::to_wstring(kRounds) + L" " + readyName + L" " + startName;
    PROCESS_INFORMATION workers[2] = {};
    for (PROCESS_INFORMATION& process : workers) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::wstring line = command;
        ASSERT_TRUE(CreateProcessW(worker.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &process))
            << GetLastError();
    }
    for (int up = 0; up < 2; ++up) ASSERT_EQ(WaitForSingleObject(ready.get(), 60000), WAIT_OBJECT_0) << "a worker did not start";
    SetEvent(start.get());  // both go

    for (PROCESS_INFORMATION& process : workers) {
        EXPECT_EQ(WaitForSingleObject(process.hProcess, 240000), WAIT_OBJECT_0);
        DWORD code = 1;
        GetExitCodeProcess(process.hProcess, &code);
        EXPECT_EQ(code, 0u) << "a worker saw a failed transaction";
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }

    const MouseState s = StateStore::inFile(statePath)->read();
    EXPECT_EQ(s.counters.interleaved, 0u);
    // Each worker: the identity probe of the search, then three transactions a round.
    const std::uint64_t transactions = 2 * (1 + 3 * kRounds);
    EXPECT_EQ(s.counters.requests, transactions) << "no retries, no lost updates of the file";
    EXPECT_EQ(s.counters.endReports, transactions + 2) << "and one lone end report of each search";
    EXPECT_EQ(s.counters.refused + s.counters.checksumErrors, 0u);
    EXPECT_EQ(s.current.x, static_cast<std::uint8_t>(startCode + 2 * kRounds)) << "every increment kept";
}

}  // namespace
}  // namespace tessel::sim::testing
