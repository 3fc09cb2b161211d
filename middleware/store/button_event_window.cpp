#include "middleware/store/button_event_window.h"

#include <windows.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "middleware/common/scoped_win32.h"
#include "middleware/store/button_event_keys.h"
#include "middleware/store/button_event_listeners.h"
#include "middleware/store/button_events.h"

namespace tessel::store {
namespace {

using win32::CriticalSection;

// The calling thread's last error as a failure status, never as success.
HResult lastErrorStatus() {
    const DWORD error = GetLastError();
    return error != 0 ? hr::fromSystemError(error) : hr::fail;
}

// Posted to a retired window whose owner thread must destroy it.
constexpr UINT kRetireMessage = WM_APP;

class ButtonEventWindow;

// Hands the window object being created to the window procedure's first call on the same thread.
class CreationHandoff {
public:
    // May throw std::bad_alloc.
    void offer(ButtonEventWindow* window) {
        std::scoped_lock guard(lock_);
        entries_.emplace_back(GetCurrentThreadId(), window);
    }
    // The calling thread's offered object, taken out of the list; null when there is none.
    ButtonEventWindow* claim() {
        std::scoped_lock guard(lock_);
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (it->first == GetCurrentThreadId()) {
                ButtonEventWindow* window = it->second;
                entries_.erase(it);
                return window;
            }
        }
        return nullptr;
    }

private:
    CriticalSection lock_;
    std::vector<std::pair<DWORD, ButtonEventWindow*>> entries_;
};

struct ProcessState {
    // Guards `current`, its listener list and `calling`; never held while a listener is called.
    CriticalSection lock;
    ButtonEventWindow* current = nullptr;
    CreationHandoff handoff;
    // The listeners being called now, each with the thread calling it; a nested delivery adds
    // an entry. Signalled whenever a call ends.
    std::vector<std::pair<ButtonEventListener*, DWORD>> calling;
    std::condition_variable_any callEnded;

    // The calls of a delivery, as ButtonEventListeners::deliver reports them (under `lock`).
    void begin(ButtonEventListener* listener) { calling.emplace_back(listener, GetCurrentThreadId()); }
    void end(ButtonEventListener* listener) {
        for (auto it = calling.begin(); it != calling.end(); ++it) {
            if (it->first == listener) {
                calling.erase(it);
                break;
            }
        }
        callEnded.notify_all();
    }
    bool calledElsewhere(ButtonEventListener* listener) const {
        for (const auto& [called, thread] : calling)
            if (called == listener && thread != GetCurrentThreadId()) return true;
        return false;
    }
};

ProcessState& processState() {
    static ProcessState state;
    return state;
}

// The hook procedure finds the object of its own thread: the hook runs where it was installed.
thread_local ButtonEventWindow* t_hookTarget = nullptr;

// Lives on the thread that registered the first listener: the hook procedure, the timers and the
// window procedure all run there. The window owns the object once it exists.
class ButtonEventWindow final : private ButtonEventPort {
public:
    // Installs the hook, then creates the window, on the calling thread.
    static HResult create(ButtonEventWindow*& created);

    ButtonEventListeners& listeners() { return listeners_; }

    // Called under the process lock once the list is empty: removes the hook at once; the
    // window and the object go on the owner thread when no notification is under way.
    void retire();

private:
    ButtonEventWindow() = default;

    static LRESULT CALLBACK keyboardProc(int code, WPARAM message, LPARAM event);
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static HINSTANCE codeModule();
    static bool ensureWindowClass();
    LRESULT onMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void destroyIfRetired();

    void post(std::uint32_t message, std::uintptr_t wParam) override {
        PostMessageW(hwnd_, message, wParam, 0);
    }
    void setTimer(std::uint32_t id, std::uint32_t ms) override { SetTimer(hwnd_, id, ms, nullptr); }
    void killTimer(std::uint32_t id) override { KillTimer(hwnd_, id); }

    win32::UniqueHook hook_;
    HWND hwnd_ = nullptr;  // set once creation succeeded: from then on the window owns `this`
    const DWORD ownerThread_ = GetCurrentThreadId();
    bool retired_ = false;
    ButtonKeyHandler keys_{*this};
    ButtonEventListeners listeners_;
};

HINSTANCE ButtonEventWindow::codeModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&windowProc), &module);
    return module;
}

// Registered on first use with the module that holds the window procedure, so a server loaded
// again at another address never meets a class that points into its old image.
bool ButtonEventWindow::ensureWindowClass() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    if (GetClassInfoExW(codeModule(), kButtonEventWindowClass, &windowClass)) return true;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = codeModule();
    windowClass.lpszClassName = kButtonEventWindowClass;
    return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HResult ButtonEventWindow::create(ButtonEventWindow*& created) {
    std::unique_ptr<ButtonEventWindow> window(new (std::nothrow) ButtonEventWindow);
    if (!window) return hr::outOfMemory;
    window->hook_.reset(SetWindowsHookExW(WH_KEYBOARD_LL, keyboardProc, GetModuleHandleW(nullptr), 0));
    if (!window->hook_) return lastErrorStatus();
    if (!ensureWindowClass()) return lastErrorStatus();
    try {
        processState().handoff.offer(window.get());
    } catch (const std::bad_alloc&) {
        return hr::outOfMemory;
    }
    HWND hwnd = CreateWindowExW(0, kButtonEventWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                codeModule(), nullptr);
    // The class can vanish between the check and the creation (under Wine, while other
    // processes start and end with the same class name): register it again, once.
    if (!hwnd && GetLastError() == ERROR_CLASS_DOES_NOT_EXIST && ensureWindowClass())
        hwnd = CreateWindowExW(0, kButtonEventWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, codeModule(),
                               nullptr);
    const HResult status = hwnd ? hr::ok : lastErrorStatus();
    processState().handoff.claim();  // not claimed when creation failed early
    if (!hwnd) return status;
    window->hwnd_ = hwnd;
    t_hookTarget = window.get();
    created = window.release();
    return hr::ok;
}

void ButtonEventWindow::retire() {
    hook_.reset();
    retired_ = true;
    if (GetCurrentThreadId() == ownerThread_) {
        destroyIfRetired();
    } else if (!PostMessageW(hwnd_, kRetireMessage, 0, 0) && !IsWindow(hwnd_)) {
        delete this;  // the owner thread ended and took its window along
    }
}

void ButtonEventWindow::destroyIfRetired() {
    if (retired_ && !listeners_.delivering()) DestroyWindow(hwnd_);  // frees `this`
}

LRESULT CALLBACK ButtonEventWindow::keyboardProc(int code, WPARAM message, LPARAM event) {
    if (code == HC_ACTION) {
        const auto& key = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(event);
        if (ButtonKeyHandler::handles(key.vkCode)) {
            if (ButtonEventWindow* target = t_hookTarget) {
                target->keys_.onKey(static_cast<std::uint32_t>(message), key.vkCode);
            }
        }
    }
    return CallNextHookEx(nullptr, code, message, event);
}

LRESULT CALLBACK ButtonEventWindow::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* window = reinterpret_cast<ButtonEventWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!window) {
        window = processState().handoff.claim();
        if (!window) return DefWindowProcW(hwnd, message, wParam, lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    }
    return window->onMessage(hwnd, message, wParam, lParam);
}

LRESULT ButtonEventWindow::onMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            keys_.onTimer(static_cast<std::uint32_t>(wParam));
            return 0;
        case kRetireMessage:
            destroyIfRetired();
            return 0;
        case WM_NCDESTROY: {
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            if (t_hookTarget == this) t_hookTarget = nullptr;
            if (!hwnd_) return 0;  // creation failed; create() still owns the object
            // Destroyed by someone else while still in use: the listeners lose their window.
            std::scoped_lock guard(processState().lock);
            if (processState().current == this) processState().current = nullptr;
            delete this;
            return 0;
        }
        default:
            break;
    }
    if (message >= buttonmsg::first && message <= buttonmsg::last) {
        ProcessState& state = processState();
        std::scoped_lock guard(state.lock);
        try {
            listeners_.deliver(message, wParam, state.lock, state);
        } catch (const std::bad_alloc&) {
            // No room to note the call: this notification is lost, the list stays whole.
        }
        destroyIfRetired();
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

HResult RegisterButtonEventListener(ButtonEventListener* listener) {
    if (!listener) return hr::pointer;
    ProcessState& state = processState();
    std::scoped_lock guard(state.lock);
    if (!state.current) {
        const HResult status = ButtonEventWindow::create(state.current);
        if (hr::failed(status)) return status;
    }
    try {
        state.current->listeners().add(listener);
    } catch (const std::bad_alloc&) {
        if (state.current->listeners().empty()) std::exchange(state.current, nullptr)->retire();
        return hr::outOfMemory;
    }
    return hr::ok;
}

HResult UnregisterButtonEventListener(ButtonEventListener* listener) {
    ProcessState& state = processState();
    std::scoped_lock guard(state.lock);
    if (!state.current || !state.current->listeners().remove(listener)) return hr::fail;
    if (state.current->listeners().empty()) std::exchange(state.current, nullptr)->retire();
    return hr::ok;
}

void AwaitButtonEventCalls(ButtonEventListener* listener) {
    ProcessState& state = processState();
    std::unique_lock guard(state.lock);
    state.callEnded.wait(guard, [&] { return !state.calledElsewhere(listener); });
}

}  // namespace tessel::store
