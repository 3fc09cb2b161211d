// What every keystroke of the system pays for the button-event hook, end to end: SendInput
// returns once the low-level hooks have handled the key, so the time per injected key with and
// without the hook installed is the hook's cost as the rest of the desktop feels it. Runs on a
// desktop of its own so that no other program's keys or hooks take part.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "middleware/store/button_event_keys.h"
#include "middleware/store/button_events.h"

namespace tessel::store {
namespace {

using Clock = std::chrono::steady_clock;

class SilentListener final : public ButtonEventListener {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HResult SensitivityStep(std::int32_t) override { return hr::ok; }
    HResult StageSelected(std::int32_t) override { return hr::ok; }
    HResult ProfileSelected(std::int32_t) override { return hr::ok; }
    HResult Refresh() override { return hr::ok; }
};

INPUT key(DWORD virtualKey, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = static_cast<WORD>(virtualKey);
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

// Microseconds per key event, each injected on its own as a keyboard would deliver it.
double microsecondsPerEvent(const std::vector<DWORD>& chord, int repetitions) {
    std::vector<INPUT> events;
    for (DWORD vk : chord) events.push_back(key(vk, false));
    for (DWORD vk : chord) events.push_back(key(vk, true));
    const auto start = Clock::now();
    for (int i = 0; i < repetitions; ++i) {
        for (INPUT& event : events) SendInput(1, &event, sizeof event);
    }
    const std::chrono::duration<double, std::micro> elapsed = Clock::now() - start;
    return elapsed.count() / (repetitions * static_cast<double>(events.size()));
}

// The key handler alone, with a port that does nothing: nanoseconds per event.
double handlerNanosecondsPerEvent(const std::vector<DWORD>& chord, int repetitions) {
    struct NullPort final : ButtonEventPort {
        void post(std::uint32_t, std::uintptr_t) override {}
        void setTimer(std::uint32_t, std::uint32_t) override {}
        void killTimer(std::uint32_t) override {}
    } port;
    ButtonKeyHandler handler(port);
    volatile DWORD sink = 0;
    const auto start = Clock::now();
    for (int i = 0; i < repetitions; ++i) {
        for (DWORD vk : chord) {
            sink = vk;
            if (ButtonKeyHandler::handles(sink)) handler.onKey(keymsg::keyDown, sink);
        }
        for (DWORD vk : chord) {
            sink = vk;
            if (ButtonKeyHandler::handles(sink)) handler.onKey(keymsg::keyUp, sink);
        }
    }
    const std::chrono::duration<double, std::nano> elapsed = Clock::now() - start;
    return elapsed.count() / (repetitions * 2.0 * chord.size());
}

struct Sequence {
    const char* name;
    std::vector<DWORD> chord;
};

int run() {
    const std::wstring name = L"tessel-button-bench-" + std::to_wstring(GetCurrentProcessId());
    const HDESK original = GetThreadDesktop(GetCurrentThreadId());
    const std::unique_ptr<HDESK__, decltype(&CloseDesktop)> desktop(
        CreateDesktopW(name.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr), &CloseDesktop);
    if (!desktop || !SetThreadDesktop(desktop.get())) {
        std::fprintf(stderr, "no desktop of its own: error %lu\n", GetLastError());
        return 1;
    }
    // Back on the original desktop before the private one is closed.
    const std::unique_ptr<HDESK__, decltype(&SetThreadDesktop)> leave(original, &SetThreadDesktop);
    GetDesktopWindow();

    // The listener's thread pumps messages, as a client's apartment thread does.
    SilentListener listener;
    std::promise<HResult> registered;
    std::promise<DWORD> threadId;
    std::thread pump([&] {
        SetThreadDesktop(desktop.get());
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
        threadId.set_value(GetCurrentThreadId());
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (!msg.hwnd && msg.message == WM_APP) {
                registered.set_value(RegisterButtonEventListener(&listener));
                continue;
            }
            if (!msg.hwnd && msg.message == WM_APP + 1) {
                UnregisterButtonEventListener(&listener);
                continue;
            }
            DispatchMessageW(&msg);
        }
    });
    const DWORD pumpId = threadId.get_future().get();

    const Sequence sequences[] = {
        {"other key (A)", {'A'}},
        {"F20", {kVkF20}},
        {"F24 (step up)", {kVkF24}},
        {"F21+F23 (stage 5)", {kVkF21, kVkF23}},
    };
    constexpr int kRepetitions = 200;

    std::vector<double> without;
    for (const Sequence& s : sequences) without.push_back(microsecondsPerEvent(s.chord, kRepetitions));

    PostThreadMessageW(pumpId, WM_APP, 0, 0);
    const HResult status = registered.get_future().get();
    if (hr::failed(status)) {
        std::fprintf(stderr, "registration failed: 0x%08lx\n", static_cast<unsigned long>(status));
        PostThreadMessageW(pumpId, WM_QUIT, 0, 0);
        pump.join();
        return 1;
    }
    std::vector<double> with;
    for (const Sequence& s : sequences) with.push_back(microsecondsPerEvent(s.chord, kRepetitions));
    PostThreadMessageW(pumpId, WM_APP + 1, 0, 0);
    PostThreadMessageW(pumpId, WM_QUIT, 0, 0);
    pump.join();

    std::printf("Keystroke cost of the button-event hook (%d repetitions, per key event)\n", kRepetitions);
    std::printf("%-20s %14s %14s %14s %16s\n", "keys", "no hook (us)", "hook (us)", "added (us)", "handler (ns)");
    for (std::size_t i = 0; i < std::size(sequences); ++i) {
        std::printf("%-20s %14.1f %14.1f %14.1f %16.1f\n", sequences[i].name, without[i], with[i],
                    with[i] - without[i], handlerNanosecondsPerEvent(sequences[i].chord, 1000000));
    }
    return 0;
}

}  // namespace
}  // namespace tessel::store

int main() { return tessel::store::run(); }
