// Delivery of button-event messages to the listener list, including listeners that change the
// list from inside a notification.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "middleware/store/button_event_keys.h"
#include "middleware/store/button_event_listeners.h"

namespace tessel::store {
namespace {

using Log = std::vector<std::string>;

class RecordingListener final : public ButtonEventListener {
public:
    RecordingListener(std::string name, Log& log) : name_(std::move(name)), log_(log) {}

#ifdef _WIN32
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
#else
    HResult QueryInterface(const void*, void**) override { return hr::noInterface; }
    std::uint32_t AddRef() override { return 1; }
    std::uint32_t Release() override { return 1; }
#endif
    HResult SensitivityStep(std::int32_t count) override { return record("step " + std::to_string(count)); }
    HResult StageSelected(std::int32_t stage) override { return record("stage " + std::to_string(stage)); }
    HResult ProfileSelected(std::int32_t profile) override { return record("profile " + std::to_string(profile)); }
    HResult Refresh() override { return record("refresh"); }

    // Runs once, inside the next notification, after it is logged.
    std::function<void()> onNotification;

private:
    HResult record(const std::string& what) {
        log_.push_back(name_ + ": " + what);
        if (auto action = std::exchange(onNotification, nullptr)) action();
        return hr::fail;  // ignored
    }

    std::string name_;
    Log& log_;
};

class ButtonEventListenersTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (RecordingListener* listener : {&a, &b, &c}) listeners.add(listener);
    }

    Log log;
    RecordingListener a{"a", log}, b{"b", log}, c{"c", log};
    ButtonEventListeners listeners;
};

TEST_F(ButtonEventListenersTest, EachMessageReachesEveryListenerInOrder) {
    struct Case {
        std::uint32_t message;
        std::uintptr_t wParam;
        std::string notification;
    };
    const Case cases[] = {
        {buttonmsg::profileSelected, 4, "profile 4"},
        {buttonmsg::sensitivityStep, toWParam(3), "step 3"},
        {buttonmsg::sensitivityStep, toWParam(-2), "step -2"},
        {buttonmsg::stageSelected, 5, "stage 5"},
        {buttonmsg::refresh, 0, "refresh"},
    };
    for (const Case& c : cases) {
        log.clear();
        EXPECT_TRUE(listeners.deliver(c.message, c.wParam));
        EXPECT_EQ(log, (Log{"a: " + c.notification, "b: " + c.notification, "c: " + c.notification}));
    }
}

TEST_F(ButtonEventListenersTest, OtherMessagesNotifyNobody) {
    EXPECT_TRUE(listeners.deliver(0x400, 7));  // WM_USER and WM_USER+1: handled, no notification
    EXPECT_TRUE(listeners.deliver(0x401, 7));
    EXPECT_FALSE(listeners.deliver(0x3FF, 0));
    EXPECT_FALSE(listeners.deliver(0x406, 0));
    EXPECT_FALSE(listeners.deliver(0x113, 1));  // WM_TIMER
    EXPECT_TRUE(log.empty());
}

TEST_F(ButtonEventListenersTest, RemoveTakesOutOneOccurrenceAndReportsUnknownListeners) {
    Log other;
    RecordingListener stranger{"x", other};
    EXPECT_FALSE(listeners.remove(&stranger));
    EXPECT_TRUE(listeners.remove(&b));
    EXPECT_FALSE(listeners.remove(&b));
    listeners.deliver(buttonmsg::refresh, 0);
    EXPECT_EQ(log, (Log{"a: refresh", "c: refresh"}));
    EXPECT_TRUE(listeners.remove(&a));
    EXPECT_TRUE(listeners.remove(&c));
    EXPECT_TRUE(listeners.empty());
}

TEST_F(ButtonEventListenersTest, ListChangesDuringANotification) {
    RecordingListener d{"d", log};
    struct Case {
        const char* name;
        RecordingListener* actor;
        std::function<void(ButtonEventListeners&)> change;
        Log expected;
    };
    const Case cases[] = {
        {"removes itself", &b, [&](auto& l) { l.remove(&b); }, {"a: refresh", "b: refresh", "c: refresh"}},
        {"removes a later one", &a, [&](auto& l) { l.remove(&c); }, {"a: refresh", "b: refresh"}},
        {"removes an earlier one", &c, [&](auto& l) { l.remove(&a); }, {"a: refresh", "b: refresh", "c: refresh"}},
        {"removes all", &a, [&](auto& l) { for (auto* x : {&a, &b, &c}) l.remove(x); }, {"a: refresh"}},
        {"adds one", &a, [&](auto& l) { l.add(&d); }, {"a: refresh", "b: refresh", "c: refresh"}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        ButtonEventListeners list;
        for (RecordingListener* listener : {&a, &b, &c}) list.add(listener);
        test.actor->onNotification = [&] {
            EXPECT_TRUE(list.delivering());
            test.change(list);
        };
        log.clear();
        list.deliver(buttonmsg::refresh, 0);
        EXPECT_EQ(log, test.expected);
        EXPECT_FALSE(list.delivering());
    }
    // The one added during the notification hears the next one.
    ButtonEventListeners list;
    list.add(&a);
    a.onNotification = [&] { list.add(&d); };
    list.deliver(buttonmsg::refresh, 0);
    log.clear();
    list.deliver(buttonmsg::stageSelected, 2);
    EXPECT_EQ(log, (Log{"a: stage 2", "d: stage 2"}));
}

TEST_F(ButtonEventListenersTest, NestedDeliveryFromANotification) {
    // A listener's message loop delivers the next message before the first delivery ends, and a
    // listener of the nested one removes another.
    a.onNotification = [&] {
        b.onNotification = [&] { listeners.remove(&a); };
        listeners.deliver(buttonmsg::stageSelected, 1);
    };
    listeners.deliver(buttonmsg::refresh, 0);
    EXPECT_EQ(log, (Log{"a: refresh", "a: stage 1", "b: stage 1", "c: stage 1", "b: refresh",
                        "c: refresh"}));
    EXPECT_FALSE(listeners.delivering());
}

}  // namespace
}  // namespace tessel::store
