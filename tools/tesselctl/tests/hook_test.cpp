// tesselctl's commands as processes: only `watch` hosts the middleware's keyboard hook. The hook
// lives with the middleware's message-only button-event window, which another process of the same
// desktop can see; this test watches for it while the real tesselctl runs.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "middleware/store/button_event_window.h"
#include "uidriver/program.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

std::wstring fromEnvironment(const wchar_t* name) {
    wchar_t value[MAX_PATH * 2] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, static_cast<DWORD>(std::size(value)));
    return length && length < std::size(value) ? std::wstring(value, length) : std::wstring();
}

std::wstring quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

bool hookWindowExists() {
    return FindWindowExW(HWND_MESSAGE, nullptr, tessel::store::kButtonEventWindowClass, nullptr) != nullptr;
}

DWORD runToEnd(const std::wstring& commandLine) {
    uidriver::Program program(commandLine);
    return program.waitForExit(60s);
}

struct Observed {
    bool sawHookWindow = false;
    DWORD exitCode = 0;
    Clock::duration ran{};
};

// Runs the command line to its end, looking for the hook's window every millisecond meanwhile.
Observed watchWhileRunning(const std::wstring& commandLine, Clock::duration stopAfterSeeing = Clock::duration::max()) {
    Observed observed;
    const auto start = Clock::now();
    uidriver::Program program(commandLine);
    while (program.running() && Clock::now() - start < 60s) {
        if (hookWindowExists()) {
            observed.sawHookWindow = true;
            if (stopAfterSeeing != Clock::duration::max()) break;
        }
        Sleep(1);
    }
    if (program.running()) program.terminate();
    observed.exitCode = program.waitForExit(10s);
    observed.ran = Clock::now() - start;
    return observed;
}

class TesselctlHook : public ::testing::Test {
protected:
    // A mouse of this test's own (drive C: is shared between test sessions) and the middleware
    // registered in this session.
    void SetUp() override {
        ASSERT_FALSE(tool().empty() || tesselsim().empty() || server().empty()) << "TESSELCTL, TESSELSIM or SERVER unset";
        wchar_t folder[MAX_PATH] = {};
        ASSERT_NE(GetTempPathW(MAX_PATH, folder), 0u);
        state_ = std::wstring(folder) + L"tesselctl_hook_test_" + std::to_wstring(GetCurrentProcessId()) + L".txt";
        ASSERT_TRUE(SetEnvironmentVariableW(L"TESSEL_SIM", state_.c_str()));  // inherited by every program below
        ASSERT_EQ(runToEnd(quoted(tesselsim()) + L" create --force"), 0u);
        ASSERT_EQ(runToEnd(L"regsvr32 /s " + quoted(server())), 0u);
    }
    void TearDown() override { DeleteFileW(state_.c_str()); }

    static std::wstring tool() { return fromEnvironment(L"TESSELCTL"); }
    static std::wstring tesselsim() { return fromEnvironment(L"TESSELSIM"); }
    static std::wstring server() { return fromEnvironment(L"SERVER"); }

    std::wstring state_;
};

// The probe itself: it sees the hook of a subscribed tesselctl in another process, so the next
// test's "never seen" means something.
TEST_F(TesselctlHook, WatchHostsTheHookWhileItIsSubscribed) {
    ASSERT_FALSE(hookWindowExists()) << "a hook before any command ran";
    const Observed watch = watchWhileRunning(quoted(tool()) + L" watch --count 1 --timeout 20000", 0s);
    EXPECT_TRUE(watch.sawHookWindow) << "the probe cannot see another process's hook";
    EXPECT_FALSE(hookWindowExists()) << "the hook outlived the process";
}

// `memory` works through the onboard memory object but subscribes to nothing: no hook at any time.
// The mouse answers slowly, so the command runs for seconds with that object alive, long enough
// for the probe to catch a hook that came with it.
TEST_F(TesselctlHook, MemoryInstallsNoHook) {
    ASSERT_EQ(runToEnd(quoted(tesselsim()) + L" fault slow 600"), 0u);
    const Observed memory = watchWhileRunning(quoted(tool()) + L" memory");
    EXPECT_EQ(memory.exitCode, 0u);
    EXPECT_GT(memory.ran, 1s) << "too quick for the probe to mean anything";
    EXPECT_FALSE(memory.sawHookWindow) << "tesselctl memory installed the keyboard hook";
}

}  // namespace
