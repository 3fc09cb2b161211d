// The keyboard hook and the hidden window under a real window system. Keys are injected with
// SendInput on a desktop of the test's own (so keys of other programs never reach its hooks);
// a second hook, installed before the button-event hook and therefore called after it, sees
// what the button-event hook passes on.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "middleware/store/button_event_keys.h"
#include "middleware/store/button_event_window.h"
#include "middleware/store/button_events.h"

namespace tessel::store {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Bound of every wait for something that must happen.
constexpr auto kPatience = 5s;
// How long the test watches for something that must not happen (a burst is over after 40 ms).
constexpr auto kQuiet = 200ms;

HDESK g_desktop = nullptr;

// Puts the calling thread on the test desktop; keys injected from a thread whose desktop is not
// up yet get lost.
void joinTestDesktop() {
    SetThreadDesktop(g_desktop);
    GetDesktopWindow();
}

class PrivateDesktop final : public ::testing::Environment {
public:
    void SetUp() override {
        original_ = GetThreadDesktop(GetCurrentThreadId());
        const std::wstring name = L"tessel-button-events-" + std::to_wstring(GetCurrentProcessId());
        g_desktop = CreateDesktopW(name.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr);
        ASSERT_NE(g_desktop, nullptr) << GetLastError();
        ASSERT_TRUE(SetThreadDesktop(g_desktop)) << GetLastError();
        ASSERT_NE(GetDesktopWindow(), nullptr);
    }
    void TearDown() override {
        SetThreadDesktop(original_);
        CloseDesktop(g_desktop);
    }

private:
    HDESK original_ = nullptr;
};
[[maybe_unused]] const auto* const g_privateDesktop = ::testing::AddGlobalTestEnvironment(new PrivateDesktop);

// A thread on the test desktop that pumps messages and runs work handed to it. While paused it
// pumps nothing, so hook calls meant for it wait.
class MessageThread {
public:
    MessageThread() {
        std::promise<DWORD> started;
        auto id = started.get_future();
        thread_ = std::thread([this, &started] { run(started); });
        id_ = id.get();
    }
    ~MessageThread() {
        resume();
        PostThreadMessageW(id_, WM_QUIT, 0, 0);
        thread_.join();
    }
    MessageThread(const MessageThread&) = delete;
    MessageThread& operator=(const MessageThread&) = delete;

    DWORD id() const { return id_; }

    // Runs `work` on the thread and waits for it.
    void call(std::function<void()> work) {
        auto task = std::make_shared<std::packaged_task<void()>>(std::move(work));
        auto done = task->get_future();
        post([task] { (*task)(); });
        ASSERT_EQ(done.wait_for(kPatience), std::future_status::ready) << "thread did not answer";
        done.get();
    }

    // Returns once the thread has stopped pumping; resume() lets it go on.
    void pause() {
        auto entered = std::make_shared<std::promise<void>>();
        auto inside = entered->get_future();
        {
            std::scoped_lock guard(lock_);
            paused_ = true;
        }
        post([this, entered] {
            entered->set_value();
            std::unique_lock guard(lock_);
            resumed_.wait_for(guard, 3 * kPatience, [this] { return !paused_; });
        });
        ASSERT_EQ(inside.wait_for(kPatience), std::future_status::ready);
    }
    void resume() {
        {
            std::scoped_lock guard(lock_);
            paused_ = false;
        }
        resumed_.notify_all();
    }

private:
    static constexpr UINT kWork = WM_APP + 100;

    void post(std::function<void()> work) {
        auto handed = std::make_unique<std::function<void()>>(std::move(work));
        if (PostThreadMessageW(id_, kWork, 0, reinterpret_cast<LPARAM>(handed.get()))) handed.release();
    }

    void run(std::promise<DWORD>& started) {
        joinTestDesktop();
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue exists before anyone posts
        started.set_value(GetCurrentThreadId());
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (!msg.hwnd && msg.message == kWork) {
                std::unique_ptr<std::function<void()>> work(reinterpret_cast<std::function<void()>*>(msg.lParam));
                (*work)();
                continue;
            }
            DispatchMessageW(&msg);
        }
    }

    std::thread thread_;
    DWORD id_ = 0;
    std::mutex lock_;
    std::condition_variable resumed_;
    bool paused_ = false;
};

struct SeenKey {
    DWORD virtualKey;
    WPARAM message;
    DWORD flags;
    ULONG_PTR tag;  // dwExtraInfo of the injected event
    Clock::time_point at;
};

// The second hook: records every event that reaches it.
class KeyObserver {
public:
    explicit KeyObserver(MessageThread& thread) : thread_(thread) {
        instance_ = this;
        thread_.call([this] { hook_ = SetWindowsHookExW(WH_KEYBOARD_LL, proc, GetModuleHandleW(nullptr), 0); });
        EXPECT_NE(hook_, nullptr);
    }
    ~KeyObserver() {
        thread_.call([this] { UnhookWindowsHookEx(hook_); });
        instance_ = nullptr;
    }

    std::vector<SeenKey> seen() const {
        std::scoped_lock guard(lock_);
        return seen_;
    }
    bool waitForTag(ULONG_PTR tag, std::chrono::milliseconds timeout) {
        std::unique_lock guard(lock_);
        return changed_.wait_for(guard, timeout, [&] {
            return std::any_of(seen_.begin(), seen_.end(), [&](const SeenKey& key) { return key.tag == tag; });
        });
    }

private:
    static LRESULT CALLBACK proc(int code, WPARAM message, LPARAM event) {
        if (code == HC_ACTION && instance_) {
            const auto& key = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(event);
            {
                std::scoped_lock guard(instance_->lock_);
                instance_->seen_.push_back({key.vkCode, message, key.flags, key.dwExtraInfo, Clock::now()});
            }
            instance_->changed_.notify_all();
        }
        return CallNextHookEx(nullptr, code, message, event);
    }

    static inline KeyObserver* instance_ = nullptr;
    MessageThread& thread_;
    HHOOK hook_ = nullptr;
    mutable std::mutex lock_;
    std::condition_variable changed_;
    std::vector<SeenKey> seen_;
};

struct Notification {
    std::string text;
    DWORD thread;
    Clock::time_point at;
};

class RecordingListener final : public ButtonEventListener {
public:
    RecordingListener(std::string name, std::vector<std::string>* sharedLog = nullptr)
        : name_(std::move(name)), sharedLog_(sharedLog) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HResult SensitivityStep(std::int32_t count) override { return record("step " + std::to_string(count)); }
    HResult StageSelected(std::int32_t stage) override { return record("stage " + std::to_string(stage)); }
    HResult ProfileSelected(std::int32_t profile) override { return record("profile " + std::to_string(profile)); }
    HResult Refresh() override { return record("refresh"); }

    // Runs once, inside the next notification.
    std::function<void()> onNotification;

    std::vector<Notification> notifications() const {
        std::scoped_lock guard(lock_);
        return notifications_;
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> texts;
        for (const Notification& n : notifications()) texts.push_back(n.text);
        return texts;
    }
    bool waitForCount(std::size_t count, std::chrono::milliseconds timeout = kPatience) {
        std::unique_lock guard(lock_);
        return changed_.wait_for(guard, timeout, [&] { return notifications_.size() >= count; });
    }
    void clear() {
        std::scoped_lock guard(lock_);
        notifications_.clear();
    }

private:
    HResult record(const std::string& text) {
        {
            std::scoped_lock guard(lock_);
            notifications_.push_back({text, GetCurrentThreadId(), Clock::now()});
            if (sharedLog_) sharedLog_->push_back(name_ + ": " + text);
        }
        changed_.notify_all();
        if (auto action = std::exchange(onNotification, nullptr)) action();
        return E_FAIL;  // ignored
    }

    std::string name_;
    std::vector<std::string>* sharedLog_;
    mutable std::mutex lock_;
    std::condition_variable changed_;
    std::vector<Notification> notifications_;
};

INPUT key(DWORD virtualKey, bool up, ULONG_PTR tag) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = static_cast<WORD>(virtualKey);
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    input.ki.dwExtraInfo = tag;
    return input;
}

// The F21..F24 keys of a chord mask (F21 = 8 … F24 = 1).
std::vector<DWORD> chordKeys(unsigned mask) {
    std::vector<DWORD> keys;
    for (DWORD vk = kVkF21; vk <= kVkF24; ++vk) {
        if (mask & (1u << (kVkF24 - vk))) keys.push_back(vk);
    }
    return keys;
}

HWND findButtonEventWindow() { return FindWindowExW(HWND_MESSAGE, nullptr, kButtonEventWindowClass, nullptr); }

class ButtonEventWindowTest : public ::testing::Test {
protected:
    void TearDown() override {
        listenerThread.resume();
        for (RecordingListener* listener : {&a, &b, &c}) {
            listenerThread.call([listener] { UnregisterButtonEventListener(listener); });
        }
    }

    HResult registerOnListenerThread(ButtonEventListener* listener) {
        HResult status = hr::fail;
        listenerThread.call([&] { status = RegisterButtonEventListener(listener); });
        return status;
    }
    HResult unregisterOnListenerThread(ButtonEventListener* listener) {
        HResult status = hr::ok;
        listenerThread.call([&] { status = UnregisterButtonEventListener(listener); });
        return status;
    }

    ULONG_PTR nextTag() { return ++lastTag_; }

    void inject(std::vector<INPUT> inputs) {
        ASSERT_EQ(SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)), inputs.size())
            << GetLastError();
    }
    // Down and up of one key, or of the keys of a chord: all down, then all up.
    void press(const std::vector<DWORD>& keys, std::vector<INPUT>& into) {
        for (DWORD vk : keys) into.push_back(key(vk, false, nextTag()));
        for (DWORD vk : keys) into.push_back(key(vk, true, nextTag()));
    }
    // Returns once every key injected so far has passed both hooks.
    void sync() {
        const ULONG_PTR tag = nextTag();
        inject({key('M', false, tag), key('M', true, nextTag())});
        ASSERT_TRUE(observer.waitForTag(tag, kPatience)) << "marker key never reached the second hook";
    }
    // Whether a key gets past the button-event hook while the listener thread pumps nothing. The
    // key is injected from a thread of its own: SendInput waits for the hooks (up to 2 s under
    // Wine, after which the key skips the rest of the chain), so the listener thread is let go
    // well before that.
    bool passesWhileListenerThreadPaused(std::chrono::milliseconds timeout) {
        listenerThread.pause();
        const ULONG_PTR tag = nextTag();
        const ULONG_PTR upTag = nextTag();
        std::thread injector([&] {
            joinTestDesktop();
            inject({key('Q', false, tag), key('Q', true, upTag)});
        });
        const bool passed = observer.waitForTag(tag, timeout);
        listenerThread.resume();
        injector.join();
        EXPECT_TRUE(observer.waitForTag(upTag, kPatience)) << "key held back for good";
        return passed;
    }

    MessageThread observerThread;
    KeyObserver observer{observerThread};  // installed first, so called after the button-event hook
    MessageThread listenerThread;
    std::vector<std::string> log;
    RecordingListener a{"a", &log}, b{"b", &log}, c{"c", &log};

private:
    ULONG_PTR lastTag_ = 0x7E550000;
};

TEST_F(ButtonEventWindowTest, EveryKeyIsPassedOnUnchanged) {
    ASSERT_EQ(registerOnListenerThread(&a), S_OK);
    std::vector<INPUT> inputs;
    for (DWORD vk : std::vector<DWORD>{'A', kVkF20, kVkF21, kVkF22, kVkF23, kVkF24, VK_F19, 0x88}) {
        press({vk}, inputs);
    }
    press(chordKeys(15), inputs);
    inject(inputs);
    sync();

    std::vector<SeenKey> seen = observer.seen();
    auto first = std::find_if(seen.begin(), seen.end(), [&](const SeenKey& k) { return k.tag == inputs.front().ki.dwExtraInfo; });
    ASSERT_NE(first, seen.end());
    ASSERT_GE(static_cast<std::size_t>(seen.end() - first), inputs.size());
    for (const INPUT& input : inputs) {
        SCOPED_TRACE(testing::Message() << "key 0x" << std::hex << input.ki.wVk << " tag 0x" << input.ki.dwExtraInfo);
        const bool up = input.ki.dwFlags & KEYEVENTF_KEYUP;
        EXPECT_EQ(first->virtualKey, input.ki.wVk);
        EXPECT_EQ(first->message, up ? WPARAM{WM_KEYUP} : WPARAM{WM_KEYDOWN});
        EXPECT_EQ(first->tag, input.ki.dwExtraInfo);
        EXPECT_TRUE(first->flags & LLKHF_INJECTED);
        EXPECT_EQ((first->flags & LLKHF_UP) != 0, up);
        ++first;
    }
}

TEST_F(ButtonEventWindowTest, BurstOfF20GivesOneRefreshAboutTwentyMsLater) {
    ASSERT_EQ(registerOnListenerThread(&a), S_OK);
    // One SendInput hands the two presses to the hooks back to back, inside the first 20 ms; a
    // machine too busy for that gets another try.
    for (int attempt = 1;; ++attempt) {
        a.clear();
        std::vector<INPUT> inputs;
        for (int i = 0; i < 2; ++i) press({kVkF20}, inputs);
        const auto injected = Clock::now();
        inject(inputs);
        sync();
        ASSERT_TRUE(a.waitForCount(1)) << "no refresh";
        std::this_thread::sleep_for(kQuiet);

        std::vector<SeenKey> seen = observer.seen();
        std::vector<Clock::time_point> downs;
        for (const SeenKey& k : seen) {
            if (k.virtualKey == kVkF20 && k.message == WM_KEYDOWN && k.tag >= inputs.front().ki.dwExtraInfo) downs.push_back(k.at);
        }
        ASSERT_EQ(downs.size(), 2u);
        if (downs.back() - downs.front() > 12ms && attempt < 5) continue;

        const std::vector<Notification> got = a.notifications();
        ASSERT_EQ(got.size(), 1u) << "presses spread over " << (downs.back() - downs.front()) / 1ms << " ms";
        EXPECT_EQ(got[0].text, "refresh");
        EXPECT_EQ(got[0].thread, listenerThread.id());
        EXPECT_GE(got[0].at - injected, 15ms);
        break;
    }
}

TEST_F(ButtonEventWindowTest, ChordsSelectStagesAndProfiles) {
    ASSERT_EQ(registerOnListenerThread(&a), S_OK);
    struct Case {
        unsigned mask;
        const char* expected;
    };
    const Case cases[] = {
        {3, "stage 1"}, {5, "stage 2"}, {6, "stage 3"}, {9, "stage 4"}, {10, "stage 5"},
        {7, "profile 1"}, {11, "profile 2"}, {12, "profile 3"}, {13, "profile 4"}, {14, "profile 5"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.expected);
        a.clear();
        std::vector<INPUT> inputs;
        press(chordKeys(test.mask), inputs);
        inject(inputs);
        ASSERT_TRUE(a.waitForCount(1));
        sync();
        EXPECT_EQ(a.texts(), std::vector<std::string>{test.expected});
        EXPECT_EQ(a.notifications()[0].thread, listenerThread.id());
    }
}

TEST_F(ButtonEventWindowTest, StepsArriveSummedWithTheirSign) {
    ASSERT_EQ(registerOnListenerThread(&a), S_OK);
    const auto stepCounts = [&] {
        std::vector<int> counts;
        for (const std::string& text : a.texts()) {
            EXPECT_EQ(text.rfind("step ", 0), 0u) << text;
            counts.push_back(std::stoi(text.substr(5)));
        }
        return counts;
    };
    const auto sum = [](const std::vector<int>& counts) { return std::accumulate(counts.begin(), counts.end(), 0); };
    struct Case {
        const char* name;
        std::vector<unsigned> chords;  // 1: F24, 15: F21+F22+F23+F24
        int sum;
        bool oneSign;  // however the timer splits the burst, every count has the sum's sign
    };
    const Case cases[] = {{"up", {1, 1, 1}, 3, true}, {"down", {15, 15}, -2, true}, {"mixed", {1, 15, 15}, -1, false}};
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        a.clear();
        std::vector<INPUT> inputs;
        for (unsigned mask : test.chords) press(chordKeys(mask), inputs);
        inject(inputs);
        sync();
        const auto deadline = Clock::now() + kPatience;
        while (sum(stepCounts()) != test.sum && Clock::now() < deadline) std::this_thread::sleep_for(5ms);
        std::this_thread::sleep_for(kQuiet);  // the burst is over: nothing more comes
        const std::vector<int> counts = stepCounts();
        EXPECT_EQ(sum(counts), test.sum);
        if (test.oneSign) {
            for (int count : counts) EXPECT_GT(count * test.sum, 0) << count;
        }
    }
}

TEST_F(ButtonEventWindowTest, ListenersHearInRegistrationOrderOnTheFirstThread) {
    ASSERT_EQ(registerOnListenerThread(&a), S_OK);
    ASSERT_EQ(RegisterButtonEventListener(&b), S_OK);  // from another thread: joins the list
    ASSERT_EQ(registerOnListenerThread(&c), S_OK);

    std::vector<INPUT> inputs;
    press(chordKeys(6), inputs);
    inject(inputs);
    ASSERT_TRUE(c.waitForCount(1));
    EXPECT_EQ(log, (std::vector<std::string>{"a: stage 3", "b: stage 3", "c: stage 3"}));
    for (RecordingListener* listener : {&a, &b, &c}) EXPECT_EQ(listener->notifications()[0].thread, listenerThread.id());

    EXPECT_EQ(UnregisterButtonEventListener(&b), S_OK);
    EXPECT_EQ(UnregisterButtonEventListener(&b), E_FAIL);
    log.clear();
    inputs.clear();
    press({kVkF20}, inputs);
    inject(inputs);
    ASSERT_TRUE(c.waitForCount(2));
    EXPECT_EQ(log, (std::vector<std::string>{"a: refresh", "c: refresh"}));
}

TEST_F(ButtonEventWindowTest, BadArgumentsAreRefused) {
    EXPECT_EQ(UnregisterButtonEventListener(&a), E_FAIL);  // nothing registered at all
    EXPECT_EQ(RegisterButtonEventListener(nullptr), E_POINTER);
    EXPECT_EQ(findButtonEventWindow(), nullptr);
}

TEST_F(ButtonEventWindowTest, HookLivesOnTheFirstThreadAndGoesWithTheLastListener) {
    ASSERT_EQ(registerOnListenerThread(&a), S_OK);
    ASSERT_EQ(registerOnListenerThread(&b), S_OK);
    EXPECT_NE(findButtonEventWindow(), nullptr);
    EXPECT_FALSE(passesWhileListenerThreadPaused(kQuiet)) << "the hook is not on the listener thread";

    ASSERT_EQ(unregisterOnListenerThread(&a), S_OK);
    EXPECT_FALSE(passesWhileListenerThreadPaused(kQuiet)) << "hook gone while a listener is left";
    ASSERT_EQ(unregisterOnListenerThread(&b), S_OK);
    EXPECT_TRUE(passesWhileListenerThreadPaused(kPatience)) << "hook left behind";
    EXPECT_EQ(findButtonEventWindow(), nullptr);

    // A new first listener brings both back.
    ASSERT_EQ(registerOnListenerThread(&a), S_OK);
    a.clear();
    std::vector<INPUT> inputs;
    press({kVkF20}, inputs);
    inject(inputs);
    ASSERT_TRUE(a.waitForCount(1));
    EXPECT_EQ(a.texts(), std::vector<std::string>{"refresh"});
}

TEST_F(ButtonEventWindowTest, LastListenerLeavingFromAnotherThread) {
    ASSERT_EQ(registerOnListenerThread(&a), S_OK);
    ASSERT_EQ(UnregisterButtonEventListener(&a), S_OK);
    // The hook goes at once; the window goes when its own thread next pumps.
    EXPECT_TRUE(passesWhileListenerThreadPaused(kPatience)) << "hook left behind";
    const auto deadline = Clock::now() + kPatience;
    while (findButtonEventWindow() && Clock::now() < deadline) std::this_thread::sleep_for(5ms);
    EXPECT_EQ(findButtonEventWindow(), nullptr);
}

TEST_F(ButtonEventWindowTest, LastListenerLeavingInsideItsNotification) {
    ASSERT_EQ(registerOnListenerThread(&a), S_OK);
    ASSERT_EQ(registerOnListenerThread(&b), S_OK);
    HResult leftA = hr::fail, leftB = hr::fail;
    a.onNotification = [&] { leftB = UnregisterButtonEventListener(&b); };
    std::vector<INPUT> inputs;
    press({kVkF20}, inputs);
    inject(inputs);
    ASSERT_TRUE(a.waitForCount(1));
    listenerThread.call([] {});
    EXPECT_EQ(leftB, S_OK);

    a.onNotification = [&] { leftA = UnregisterButtonEventListener(&a); };
    inputs.clear();
    press({kVkF20}, inputs);
    inject(inputs);
    ASSERT_TRUE(a.waitForCount(2));
    listenerThread.call([] {});
    EXPECT_EQ(leftA, S_OK);
    EXPECT_EQ(findButtonEventWindow(), nullptr);
    EXPECT_TRUE(passesWhileListenerThreadPaused(kPatience)) << "hook left behind";
    EXPECT_EQ(b.notifications().size(), 0u);
}

TEST_F(ButtonEventWindowTest, FirstThreadEndingWithListenersLeftRegistered) {
    {
        MessageThread shortLived;
        HResult status = hr::fail;
        shortLived.call([&] { status = RegisterButtonEventListener(&a); });
        ASSERT_EQ(status, S_OK);
    }
    // The thread took its hook and window along; the listener can still leave, and a new first
    // listener starts afresh.
    const HResult left = UnregisterButtonEventListener(&a);
    EXPECT_TRUE(left == S_OK || left == E_FAIL) << std::hex << left;
    EXPECT_EQ(UnregisterButtonEventListener(&a), E_FAIL);
    ASSERT_EQ(registerOnListenerThread(&b), S_OK);
    std::vector<INPUT> inputs;
    press({kVkF20}, inputs);
    inject(inputs);
    ASSERT_TRUE(b.waitForCount(1));
    EXPECT_EQ(b.texts(), std::vector<std::string>{"refresh"});
}

}  // namespace
}  // namespace tessel::store
