// IHalden as the listener of the mouse's own buttons: its stage cache, the events it raises, and
// the whole way from a press on the (simulated) mouse to a sink. Runs under its own display:
// the listener needs the keyboard hook and the hidden window.
#include <algorithm>
#include <atomic>
#include <thread>

#include "middleware/api/tests/com_testing.h"

namespace tessel::com::testing {
namespace {

constexpr std::uint8_t code(long dpi) { return static_cast<std::uint8_t>((dpi - 100) / 25); }

// The messages of the hidden button-event window that carry the notifications.
constexpr UINT kProfileSelected = WM_USER + 2;
constexpr UINT kSensitivityStep = WM_USER + 3;
constexpr UINT kStageSelected = WM_USER + 4;
constexpr UINT kRefresh = WM_USER + 5;

HWND buttonEventWindow() { return FindWindowExW(HWND_MESSAGE, nullptr, L"TesselButtonEventWindow", nullptr); }

// Sends a notification the way the key handler posts it, but synchronously.
void notify(UINT message, long argument = 0) {
    HWND window = buttonEventWindow();
    ASSERT_TRUE(window);
    SendMessageW(window, message, static_cast<WPARAM>(static_cast<INT_PTR>(argument)), 0);
}

Event sensitivity(long x, long y) { return {"OnHaldenEvent", {1, x, y, 0}}; }
Event profileEvent(long number) { return {"OnHaldenEvent", {2, 0, 0, number}}; }

class HaldenTest : public ::testing::Test {
protected:
    void SetUp() override {
        mouse::reset(initialMouse());
        enumeration_ = createDeviceEnumeration();
        ASSERT_TRUE(enumeration_);
        ASSERT_EQ(enumeration_->EnumDeviceType(productId(), device_.GetAddressOf()), S_OK);
        device_->OpenDeviceInterface(productId());
        ASSERT_EQ(device_->CreateHaldenInterface(halden_.GetAddressOf()), S_OK);
        sink_ = RecordingSink::create(&events_);
        cookie_ = advise(halden_.Get(), IID__IHaldenEvents, sink_->unknown());
        ASSERT_NE(cookie_, 0u);
    }

    void TearDown() override {
        if (halden_) {
            EXPECT_EQ(unadvise(halden_.Get(), IID__IHaldenEvents, cookie_), S_OK);
        }
        halden_.Reset();
        device_.Reset();
        enumeration_.Reset();
        EXPECT_EQ(sink_->references(), 1u);
        EXPECT_EQ(serverCanUnloadNow(), S_OK);
        // The last listener took the hook and the window with it.
        EXPECT_EQ(buttonEventWindow(), nullptr);
    }

    virtual sim::MouseState initialMouse() { return sim::MouseState::factory(); }
    virtual unsigned short productId() { return 0x13; }

    HRESULT download() {
        ComPtr<IHaldenDownload> download;
        EXPECT_EQ(halden_.As(&download), S_OK);
        return download->Download();
    }

    // The mouse's current sensitivity, as the cache takes it at Download.
    static void setCurrent(sim::MouseState& state, long x, long y) { state.current = {code(x), code(y)}; }

    Apartment apartment_;
    ComPtr<IDeviceEnumeration> enumeration_;
    ComPtr<IDeviceType> device_;
    ComPtr<IHalden> halden_;
    ComPtr<RecordingSink> sink_;
    DWORD cookie_ = 0;
    std::vector<Event> events_;
};

TEST_F(HaldenTest, OneObjectPerDeviceType) {
    ComPtr<IHalden> again;
    ASSERT_EQ(device_->CreateHaldenInterface(again.GetAddressOf()), S_OK);
    EXPECT_EQ(again.Get(), halden_.Get());
    ComPtr<IUnknown> other;
    EXPECT_EQ(halden_->CreateInterfaceInstance(IID_IDpi, other.GetAddressOf()), E_NOINTERFACE);
    EXPECT_EQ(halden_->CreateInterfaceInstance(IID_IHaldenProfileManager, nullptr), E_POINTER);
    ComPtr<IUnknown> manager;
    EXPECT_EQ(halden_->CreateInterfaceInstance(IID_IHaldenMacroManager, manager.GetAddressOf()), S_OK);
}

TEST_F(HaldenTest, MemoryFigures) {
    mouse::change([](sim::MouseState& state) {
        state.memoryUnits = 20;
        state.macros[0] = std::vector<std::uint8_t>(1000);  // three units of 480 bytes
    });
    long total = 0, remaining = 0;
    ASSERT_EQ(halden_->GetTotalSpace(&total), S_OK);
    ASSERT_EQ(halden_->GetRemainingSpace(&remaining), S_OK);
    EXPECT_EQ(total, 20);
    EXPECT_EQ(remaining, 17);
    EXPECT_EQ(halden_->GetTotalSpace(nullptr), E_POINTER);
}

TEST_F(HaldenTest, WithoutCacheAProfileSelectionIsStillReported) {
    notify(kProfileSelected, 4);
    EXPECT_EQ(events_, std::vector<Event>{profileEvent(4)});
}

TEST_F(HaldenTest, WithoutCacheAStepIsReadFromTheMouse) {
    mouse::change([](sim::MouseState& state) { setCurrent(state, 2000, 1800); });
    notify(kSensitivityStep, 1);
    EXPECT_EQ(events_, std::vector<Event>{sensitivity(2000, 1800)});
    // A mouse that does not answer raises nothing.
    mouse::change([](sim::MouseState& state) { sim::unplugAll(state); });
    notify(kSensitivityStep, 1);
    EXPECT_EQ(events_.size(), 1u);
}

TEST_F(HaldenTest, StageSelectionRaisesNothing) {
    notify(kStageSelected, 2);
    ASSERT_EQ(download(), S_OK);
    notify(kStageSelected, 2);
    EXPECT_TRUE(events_.empty());
}

struct StepCase {
    long x, y, steps, newX, newY;
};

TEST_F(HaldenTest, CachedStepsStayWithinOneHundredAndFiftySixHundred) {
    const StepCase cases[] = {
        {5500, 5400, 3, 5600, 5500}, {300, 400, -5, 100, 200},  {1000, 1000, 2, 1200, 1200},
        {5600, 5600, 1, 5600, 5600}, {100, 5600, -1, 100, 5600}, {5500, 100, 3, 5600, 200},
        {200, 5550, 1, 200, 5550},   {1000, 150, -1, 1000, 150}, {1500, 1500, 0, 1500, 1500},
    };
    for (const StepCase& step : cases) {
        SCOPED_TRACE(std::to_string(step.x) + "," + std::to_string(step.y) + " by " + std::to_string(step.steps));
        mouse::change([&](sim::MouseState& state) { setCurrent(state, step.x, step.y); });
        ASSERT_EQ(download(), S_OK);
        events_.clear();
        notify(kSensitivityStep, step.steps);
        EXPECT_EQ(events_, std::vector<Event>{sensitivity(step.newX, step.newY)});
    }
}

TEST_F(HaldenTest, CachedStepsAddUpWithoutAskingTheMouse) {
    ASSERT_EQ(download(), S_OK);
    const std::uint64_t before = mouse::read().counters.requests;
    notify(kSensitivityStep, 1);
    notify(kSensitivityStep, 2);
    notify(kSensitivityStep, -1);
    const std::vector<Event> expected = {sensitivity(1600, 1600), sensitivity(1800, 1800), sensitivity(1700, 1700)};
    EXPECT_EQ(events_, expected);
    EXPECT_EQ(mouse::read().counters.requests, before);
}

class HaldenTwoProfilesTest : public HaldenTest {
protected:
    // Profile 1 (factory) and profile 3 with stages 600, 1200, 2400.
    sim::MouseState initialMouse() override {
        sim::MouseState state = sim::MouseState::factory();
        sim::Profile& third = state.profile(3);
        third = sim::defaultProfile();
        third.name = sim::nameRecord(u"Third");
        third.stageCount = 3;
        third.stages[0] = {code(600), code(600)};
        third.stages[1] = {code(1200), code(1200)};
        third.stages[2] = {code(2400), code(2400)};
        return state;
    }
};

TEST_F(HaldenTwoProfilesTest, SelectionsMoveWithinTheCache) {
    ASSERT_EQ(download(), S_OK);
    notify(kStageSelected, 2);
    notify(kSensitivityStep, 0);  // the current values, unchanged
    notify(kProfileSelected, 3);  // profile 3 at the stage current when it was downloaded (3)
    notify(kSensitivityStep, 0);
    notify(kStageSelected, 1);
    notify(kSensitivityStep, 1);
    const std::vector<Event> expected = {sensitivity(1000, 1000), profileEvent(3), sensitivity(2400, 2400),
                                         sensitivity(700, 700)};
    EXPECT_EQ(events_, expected);
}

TEST_F(HaldenTwoProfilesTest, RefreshReportsWhatChangedOnTheMouse) {
    ASSERT_EQ(download(), S_OK);
    notify(kRefresh);  // nothing changed
    mouse::change([](sim::MouseState& state) { setCurrent(state, 2000, 2000); });
    notify(kRefresh);
    notify(kRefresh);
    mouse::change([](sim::MouseState& state) {
        state.activeProfile = 3;
        state.currentStage = 3;
        setCurrent(state, 2400, 2400);
    });
    notify(kRefresh);
    notify(kRefresh);
    const std::vector<Event> expected = {sensitivity(2000, 2000), profileEvent(3)};
    EXPECT_EQ(events_, expected);
}

class HaldenOfProductTenTest : public HaldenTest {
protected:
    unsigned short productId() override { return 10; }
};

TEST_F(HaldenOfProductTenTest, DownloadIsRefused) { EXPECT_EQ(download(), E_FAIL); }

TEST_F(HaldenTest, EventsReachEverySinkInTheOrderOfConnection) {
    std::vector<Event> log;
    auto first = RecordingSink::create(&log, "first");
    auto second = RecordingSink::create(&log, "second");
    const DWORD firstCookie = advise(halden_.Get(), IID__IHaldenEvents, first->unknown());
    const DWORD secondCookie = advise(halden_.Get(), IID__IHaldenEvents, second->unknown());
    notify(kProfileSelected, 2);
    ASSERT_EQ(unadvise(halden_.Get(), IID__IHaldenEvents, firstCookie), S_OK);
    notify(kProfileSelected, 5);
    const std::vector<Event> expected = {{"first:OnHaldenEvent", {2, 0, 0, 2}},
                                         {"second:OnHaldenEvent", {2, 0, 0, 2}},
                                         {"second:OnHaldenEvent", {2, 0, 0, 5}}};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(unadvise(halden_.Get(), IID__IHaldenEvents, firstCookie), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(unadvise(halden_.Get(), IID__IHaldenEvents, secondCookie), S_OK);
}

// --- from a press on the mouse to a sink ---

void sendF20Burst(int presses) {
    std::vector<INPUT> inputs;
    for (int i = 0; i < presses; ++i) {
        INPUT down{};
        down.type = INPUT_KEYBOARD;
        down.ki.wVk = VK_F20;
        inputs.push_back(down);
    }
    INPUT up{};
    up.type = INPUT_KEYBOARD;
    up.ki.wVk = VK_F20;
    up.ki.dwFlags = KEYEVENTF_KEYUP;
    inputs.push_back(up);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// A new display may drop the first keys while its desktop starts: refresh keys go out until one
// arrives. Needs a loaded cache, which makes a refresh of a changed mouse raise an event.
bool keysArrive(std::vector<Event>& events) {
    for (long attempt = 0; attempt < 20; ++attempt) {
        mouse::change([&](sim::MouseState& state) { state.current = {code(300 + 25 * attempt), code(300)}; });
        sendF20Burst(1);
        if (pumpMessagesUntil([&] { return !events.empty(); }, 500)) {
            pumpMessagesFor(100);
            events.clear();
            return true;
        }
    }
    return false;
}

std::wstring tesselsim(const std::string& arguments) {
    std::wstring tool = TESSEL_TESSELSIM;
    std::replace(tool.begin(), tool.end(), L'/', L'\\');
    const std::string line = " --state \"" + mouse::statePath() + "\" " + arguments;
    return L"\"" + tool + L"\"" + std::wstring(line.begin(), line.end());
}

TEST_F(HaldenTwoProfilesTest, APressOnTheMouseReachesTheSink) {
    ASSERT_EQ(download(), S_OK);
    ASSERT_TRUE(keysArrive(events_));
    ASSERT_EQ(download(), S_OK);
    // The mouse switches to profile 3 and says so with its chord of keys.
    ASSERT_EQ(runProgram(tesselsim("press profile 3")), 0u);
    ASSERT_TRUE(pumpMessagesUntil([&] { return !events_.empty(); }, 5000));
    EXPECT_EQ(events_, std::vector<Event>{profileEvent(3)});
    events_.clear();
    // A stage change made on the mouse without keys, then the mouse asks to be read again.
    ASSERT_EQ(runProgram(tesselsim("press stage 1 --no-keys")), 0u);
    ASSERT_EQ(runProgram(tesselsim("press refresh")), 0u);
    ASSERT_TRUE(pumpMessagesUntil([&] { return !events_.empty(); }, 5000));
    EXPECT_EQ(events_, std::vector<Event>{sensitivity(600, 600)});
}

TEST_F(HaldenTest, ABurstOfRefreshKeysReadsTheMouseOnce) {
    ASSERT_EQ(download(), S_OK);
    ASSERT_TRUE(keysArrive(events_));
    mouse::change([](sim::MouseState& state) { setCurrent(state, 2500, 2500); });
    const std::uint64_t before = mouse::read().counters.requests;
    // From this thread, the hook sees the whole burst before the first timer tick.
    sendF20Burst(5);
    ASSERT_TRUE(pumpMessagesUntil([&] { return !events_.empty(); }, 5000));
    pumpMessagesFor(300);  // time for any further refresh to show
    EXPECT_EQ(events_, std::vector<Event>{sensitivity(2500, 2500)});
    // One refresh: the active profile number, then the current sensitivity.
    EXPECT_EQ(mouse::read().counters.requests - before, 2u);
}

// --- the keyboard hook only where someone listens ---

// The onboard memory object of a newly enumerated and opened mouse, with its device type.
void openHalden(ComPtr<IDeviceType>& device, ComPtr<IHalden>& halden) {
    auto enumeration = createDeviceEnumeration();
    ASSERT_TRUE(enumeration);
    ASSERT_EQ(enumeration->EnumDeviceType(0x13, device.GetAddressOf()), S_OK);
    ASSERT_EQ(device->OpenDeviceInterface(0x13), S_OK);
    ASSERT_EQ(device->CreateHaldenInterface(halden.GetAddressOf()), S_OK);
}

// What `tesselctl memory` does: the onboard memory object without a sink installs no hook (the
// hook's message-only window comes and goes with it). A sink brings it; the last one out takes
// it away again.
TEST(HaldenHook, OnlyWhileASinkOfItsEventsIsConnected) {
    Apartment apartment;
    mouse::reset();
    ComPtr<IDeviceType> device;
    ComPtr<IHalden> halden;
    ASSERT_NO_FATAL_FAILURE(openHalden(device, halden));
    long total = 0, remaining = 0;
    ASSERT_EQ(halden->GetTotalSpace(&total), S_OK);
    ASSERT_EQ(halden->GetRemainingSpace(&remaining), S_OK);
    EXPECT_EQ(buttonEventWindow(), nullptr) << "a hook without a listener";

    std::vector<Event> events;
    auto first = RecordingSink::create(&events, "first");
    auto second = RecordingSink::create(&events, "second");
    const DWORD firstCookie = advise(halden.Get(), IID__IHaldenEvents, first->unknown());
    ASSERT_NE(firstCookie, 0u);
    EXPECT_NE(buttonEventWindow(), nullptr);
    const DWORD secondCookie = advise(halden.Get(), IID__IHaldenEvents, second->unknown());
    ASSERT_NE(secondCookie, 0u);
    EXPECT_EQ(unadvise(halden.Get(), IID__IHaldenEvents, firstCookie), S_OK);
    EXPECT_NE(buttonEventWindow(), nullptr) << "one sink is still connected";
    notify(kProfileSelected, 2);
    const std::vector<Event> expected = {{"second:OnHaldenEvent", {2, 0, 0, 2}}};
    EXPECT_EQ(events, expected);
    EXPECT_EQ(unadvise(halden.Get(), IID__IHaldenEvents, secondCookie), S_OK);
    EXPECT_EQ(buttonEventWindow(), nullptr);
}

// A client that lets everything go (as the tray does before the system sleeps) and connects
// afresh on the same thread: each new subscription brings a new hook and window that hear the
// mouse's keys, also when they come from another program.
TEST(HaldenHook, SubscribingAgainAfterReleasingEverythingHearsTheMouse) {
    Apartment apartment;
    mouse::reset();
    for (long round = 1; round <= 3; ++round) {
        SCOPED_TRACE(round);
        ComPtr<IDeviceType> device;
        ComPtr<IHalden> halden;
        ASSERT_NO_FATAL_FAILURE(openHalden(device, halden));
        std::vector<Event> events;
        auto sink = RecordingSink::create(&events);
        const DWORD cookie = advise(halden.Get(), IID__IHaldenEvents, sink->unknown());
        ASSERT_NE(cookie, 0u);
        ComPtr<IHaldenDownload> download;
        ASSERT_EQ(halden.As(&download), S_OK);
        ASSERT_EQ(download->Download(), S_OK);
        ASSERT_TRUE(keysArrive(events)) << "the subscription hears no key";

        const long dpi = 1000 + 100 * round;
        mouse::change([&](sim::MouseState& state) { state.current = {code(dpi), code(dpi)}; });
        ASSERT_EQ(runProgram(tesselsim("press refresh")), 0u);
        ASSERT_TRUE(pumpMessagesUntil([&] { return !events.empty(); }, 5000)) << "no key from another program";
        EXPECT_EQ(events, std::vector<Event>{sensitivity(dpi, dpi)});

        EXPECT_EQ(unadvise(halden.Get(), IID__IHaldenEvents, cookie), S_OK);
        EXPECT_EQ(buttonEventWindow(), nullptr);
        device->CloseDeviceInterface();
    }
}

// A sink that waits for another thread while it is called; that thread subscribes an object of
// its own and so registers with the button events. Listeners are called without the lock that
// registration takes, so both go on.
TEST_F(HaldenTest, ASinkMayWaitForAThreadThatRegistersAListener) {
    std::atomic<bool> registered{false};
    const win32::UniqueHandle finished(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    sink_->onEvent = [&] {
        std::thread other([&] {
            struct Finish {
                HANDLE event;
                ~Finish() { SetEvent(event); }
            } finish{finished.get()};
            Apartment apartment;
            auto enumeration = createDeviceEnumeration();
            ComPtr<IDeviceType> device;
            ComPtr<IHalden> halden;
            if (!enumeration || FAILED(enumeration->EnumDeviceType(0x13, device.GetAddressOf())) ||
                FAILED(device->OpenDeviceInterface(0x13)) || FAILED(device->CreateHaldenInterface(halden.GetAddressOf())))
                return;
            std::vector<Event> ignored;
            auto sink = RecordingSink::create(&ignored);
            const DWORD cookie = advise(halden.Get(), IID__IHaldenEvents, sink->unknown());
            registered = cookie != 0;
            if (cookie) unadvise(halden.Get(), IID__IHaldenEvents, cookie);
        });
        // Joined only if it ends in time, so a deadlock fails the test instead of hanging it.
        if (WaitForSingleObject(finished.get(), 20000) == WAIT_OBJECT_0) {
            other.join();
        } else {
            other.detach();
        }
    };
    notify(kProfileSelected, 3);
    EXPECT_TRUE(registered) << "the other thread stayed blocked in registration";
    EXPECT_EQ(events_, std::vector<Event>{profileEvent(3)});
}

// --- lifetimes: objects released in any order, subscriptions left behind ---

TEST(HaldenLifetime, ObjectsCanBeReleasedInAnyOrderWithSubscriptionsLeftBehind) {
    Apartment apartment;
    const std::vector<std::vector<int>> orders = {{0, 1, 2, 3, 4, 5, 6}, {6, 5, 4, 3, 2, 1, 0}, {1, 3, 0, 6, 2, 5, 4},
                                                  {3, 2, 4, 0, 5, 1, 6}, {2, 1, 6, 0, 3, 4, 5}};
    for (const auto& order : orders) {
        SCOPED_TRACE(::testing::PrintToString(order));
        mouse::reset();
        ComPtr<IUnknown> held[7];
        std::vector<Event> log;
        auto sink = RecordingSink::create(&log);
        {
            ComPtr<IDeviceEnumeration> enumeration = createDeviceEnumeration();
            ComPtr<IDeviceType> device;
            ASSERT_EQ(enumeration->EnumDeviceType(0x13, device.GetAddressOf()), S_OK);
            ASSERT_EQ(device->OpenDeviceInterface(0x13), S_OK);
            ComPtr<IHalden> halden;
            ASSERT_EQ(device->CreateHaldenInterface(halden.GetAddressOf()), S_OK);
            ComPtr<IHaldenProfileManager> manager;
            ASSERT_EQ(halden->CreateInterfaceInstance(IID_IHaldenProfileManager,
                                                      reinterpret_cast<IUnknown**>(manager.GetAddressOf())),
                      S_OK);
            ComPtr<IHaldenProfile> profile;
            ASSERT_EQ(manager->GetActiveProfile(profile.GetAddressOf()), S_OK);
            ComPtr<IUnknown> dpi;
            ASSERT_EQ(profile->CreateInterfaceInstance(IID_IDpi, dpi.GetAddressOf()), S_OK);
            ComPtr<IOTFS> otfs;
            ASSERT_EQ(device->CreateOTFSInterface(otfs.GetAddressOf()), S_OK);
            // Subscriptions that the client never ends.
            EXPECT_NE(advise(halden.Get(), IID__IHaldenEvents, sink->unknown()), 0u);
            EXPECT_NE(advise(manager.Get(), IID__IHaldenProfileManagerEvents, sink->unknown()), 0u);
            EXPECT_NE(advise(dpi.Get(), IID__IDpiEvents, sink->unknown()), 0u);
            EXPECT_NE(advise(otfs.Get(), IID__IOTFSEvents, sink->unknown()), 0u);
            held[0] = enumeration.Get();
            held[1] = device.Get();
            held[2] = halden.Get();
            held[3] = manager.Get();
            held[4] = profile.Get();
            held[5] = dpi.Get();
            held[6] = otfs.Get();
        }
        for (int index : order) held[index].Reset();
        EXPECT_EQ(sink->references(), 1u);
        EXPECT_EQ(serverCanUnloadNow(), S_OK);
        EXPECT_EQ(buttonEventWindow(), nullptr);
    }
}

}  // namespace
}  // namespace tessel::com::testing
