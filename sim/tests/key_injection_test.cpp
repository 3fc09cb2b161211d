// The keys of a press reach a low-level keyboard hook, as the middleware's hook would see them:
// sent by this process, and by tesselsim from another process. Needs a display (Xvfb).
#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "sim/key_injection.h"
#include "sim/tests/sim_fixture.h"

namespace tessel::sim::testing {
namespace {

std::vector<KeyEvent> gSeen;

LRESULT CALLBACK recordKeys(int code, WPARAM message, LPARAM data) {
    const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(data);
    if (code == HC_ACTION && event->vkCode >= vk::f20 && event->vkCode <= vk::f24)
        gSeen.push_back({static_cast<std::uint8_t>(event->vkCode), message == WM_KEYDOWN || message == WM_SYSKEYDOWN});
    return CallNextHookEx(nullptr, code, message, data);
}

class KeyInjection : public ::testing::Test {
protected:
    void SetUp() override {
        gSeen.clear();
        hook_ = SetWindowsHookExW(WH_KEYBOARD_LL, recordKeys, GetModuleHandleW(nullptr), 0);
        ASSERT_NE(hook_, nullptr) << GetLastError();
    }
    void TearDown() override {
        if (hook_) UnhookWindowsHookEx(hook_);
    }
    // The hook runs while this thread pumps messages.
    bool pumpUntil(std::size_t keys, HANDLE alsoDone = nullptr) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        bool done = alsoDone == nullptr;
        while (std::chrono::steady_clock::now() < deadline) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            if (alsoDone && WaitForSingleObject(alsoDone, 0) == WAIT_OBJECT_0) done = true;
            if (done && gSeen.size() >= keys) return true;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
        return false;
    }

    HHOOK hook_ = nullptr;
};

TEST_F(KeyInjection, TheHookSeesTheChordInOrder) {
    MouseState state = MouseState::factory();
    const PressOutcome outcome = press(state, {PressKind::selectStage, 5});
    ASSERT_TRUE(canInjectKeys());
    ASSERT_TRUE(injectKeys(outcome.keys));
    ASSERT_TRUE(pumpUntil(outcome.keys.size())) << "seen " << gSeen.size();
    EXPECT_EQ(gSeen, outcome.keys);
}

TEST_F(KeyInjection, TesselsimPressReachesAnotherProcess) {
    const TempDir dir;
    const std::string statePath = dir.file("mouse.txt");
    writeStateFile(statePath);
    wchar_t self[MAX_PATH];
    std::wstring tool(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
    tool = tool.substr(0, tool.find_last_of(L"\\/") + 1) + L"tesselsim.exe";
    std::wstring line = L"\"" + tool + L"\" --state \"" + std::wstring(statePath.begin(), statePath.end()) + L"\" press stage-up";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(tool.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    const bool seen = pumpUntil(2, process.hProcess);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    ASSERT_TRUE(seen) << "seen " << gSeen.size();
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(gSeen, (std::vector<KeyEvent>{{vk::f24, true}, {vk::f24, false}}));
    EXPECT_EQ(StateStore::inFile(statePath)->read().currentStage, 4) << "the state changed before the keys went";
}

}  // namespace
}  // namespace tessel::sim::testing
