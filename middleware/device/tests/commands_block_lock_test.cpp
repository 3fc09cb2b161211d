// Read-modify-writes of different bytes of one block, running at the same time, lose nothing:
// the block lock spans each read and its write.
#include <gtest/gtest.h>

#include <thread>

#include "middleware/device/command_exchange.h"
#include "middleware/device/tests/commands_fixture.h"

#if defined(_WIN32)
#include <windows.h>

#include <memory>
#include <string>

#include "middleware/common/scoped_win32.h"
#endif

namespace tessel::device::testing {
namespace {

// Bytes 23 and 24 of a profile block are carried unchanged by every command: counters here.
constexpr std::size_t kFirstCounter = 23;
constexpr std::size_t kSecondCounter = 24;

HResult incrementByte(DriverHandler& handler, std::size_t offset) {
    return ReadModifyWrite(handler, ProfileBlockRequest(1), writeParam::profileBlock, [&](DovaReport& block) {
        ++block[offset];
        return hr::ok;
    });
}

using BlockLockInProcess = CommandsTest;

TEST_F(BlockLockInProcess, TwoThreadsChangingDifferentBytesLoseNothing) {
    constexpr int kRounds = 60;
    DriverHandler second(ports_, kProductWired);
    ASSERT_EQ(second.Open(), hr::ok);
    HResult firstStatus = hr::ok, secondStatus = hr::ok;
    auto run = [](DriverHandler& handler, std::size_t offset, HResult& result) {
        for (int i = 0; i < kRounds && hr::succeeded(result); ++i) result = incrementByte(handler, offset);
    };
    std::thread a(run, std::ref(*handler()), kFirstCounter, std::ref(firstStatus));
    std::thread b(run, std::ref(second), kSecondCounter, std::ref(secondStatus));
    a.join();
    b.join();
    ASSERT_EQ(firstStatus, hr::ok);
    ASSERT_EQ(secondStatus, hr::ok);
    const sim::MouseState after = state();
    EXPECT_EQ(int{after.profile(1).reserved[0]}, kRounds);
    EXPECT_EQ(int{after.profile(1).reserved[1]}, kRounds);
    EXPECT_EQ(after.counters.interleaved, 0u);
}

TEST_F(BlockLockInProcess, NoWriteAfterAFailedRead) {
    answerStatuses({kRefused});
    EXPECT_EQ(incrementByte(*handler(), kFirstCounter), hr::fail);
    EXPECT_EQ(requests().size(), 1u);
    EXPECT_EQ(mutexes_.openHandles(kBlockLockName), 0);  // released on the way out
}

#if defined(_WIN32)

using ScopedHandle = tessel::win32::UniqueHandle;

std::string besideThisProgram(const std::string& name) {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of("\\/") + 1) + name;
}

ScopedHandle startWorker(const std::string& program, const std::string& arguments) {
    std::string commandLine = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return nullptr;
    CloseHandle(process.hThread);
    return ScopedHandle(process.hProcess);
}

TEST(BlockLockAcrossProcesses, TwoProcessesChangingDifferentBytesLoseNothing) {
    constexpr int kRounds = 12;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string statePath = std::string(temp) + "tessel-rmw-" + std::to_string(GetCurrentProcessId()) + ".state";
    sim::writeStateFile(statePath);
    ASSERT_TRUE(SetEnvironmentVariableA("TESSEL_SIM", statePath.c_str()));

    const std::string eventName = "TesselRmwStart-" + std::to_string(GetCurrentProcessId());
    const ScopedHandle start(CreateEventA(nullptr, TRUE, FALSE, eventName.c_str()));
    ASSERT_TRUE(start);
    const std::string worker = besideThisProgram("commands_rmw_worker.exe");
    const std::string rounds = " " + std::to_string(kRounds) + " " + eventName;
    ScopedHandle first = startWorker(worker, std::to_string(kFirstCounter) + rounds);
    ScopedHandle second = startWorker(worker, std::to_string(kSecondCounter) + rounds);
    ASSERT_TRUE(first && second) << worker;
    SetEvent(start.get());

    const HANDLE workers[] = {first.get(), second.get()};
    ASSERT_EQ(WaitForMultipleObjects(2, workers, TRUE, 240000), WAIT_OBJECT_0);
    for (HANDLE process : workers) {
        DWORD exitCode = 99;
        GetExitCodeProcess(process, &exitCode);
        EXPECT_EQ(exitCode, 0u);
    }
    const sim::MouseState after = sim::StateStore::inFile(statePath)->read();
    EXPECT_EQ(int{after.profile(1).reserved[0]}, kRounds);
    EXPECT_EQ(int{after.profile(1).reserved[1]}, kRounds);
    EXPECT_EQ(after.counters.interleaved, 0u);
    DeleteFileA(statePath.c_str());
    DeleteFileA((statePath + ".lock").c_str());
}

#endif

}  // namespace
}  // namespace tessel::device::testing
