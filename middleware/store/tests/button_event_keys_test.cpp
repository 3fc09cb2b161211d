// The key handler against a port with virtual time: timers fire when the test advances the clock.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <ostream>
#include <vector>

#include "middleware/store/button_event_keys.h"

namespace tessel::store {
namespace {

struct Posted {
    std::uint64_t at;
    std::uint32_t message;
    std::int32_t argument;

    bool operator==(const Posted&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const Posted& p) {
        return out << "{t=" << p.at << " msg=0x" << std::hex << p.message << std::dec
                   << " arg=" << p.argument << "}";
    }
};

class ButtonKeyHandlerTest : public ::testing::Test, public ButtonEventPort {
protected:
    void post(std::uint32_t message, std::uintptr_t wParam) override {
        posted.push_back({now, message, fromWParam(wParam)});
        // Every argument must survive the trip through wParam as a sign-extended word.
        EXPECT_EQ(wParam, toWParam(fromWParam(wParam)));
    }
    void setTimer(std::uint32_t id, std::uint32_t ms) override { timers[id] = {ms, now + ms}; }
    void killTimer(std::uint32_t id) override { timers.erase(id); }

    // Fires every timer that comes due up to `time`, in time order (the lower id first on a tie).
    void advanceTo(std::uint64_t time) {
        for (;;) {
            auto due = timers.end();
            for (auto it = timers.begin(); it != timers.end(); ++it) {
                if (it->second.due <= time && (due == timers.end() || it->second.due < due->second.due)) due = it;
            }
            if (due == timers.end()) break;
            now = due->second.due;
            due->second.due += due->second.interval;
            handler.onTimer(due->first);
        }
        now = time;
    }
    void key(std::uint64_t time, std::uint32_t message, std::uint32_t virtualKey) {
        advanceTo(time);
        handler.onKey(message, virtualKey);
    }
    void down(std::uint64_t time, std::uint32_t virtualKey) { key(time, keymsg::keyDown, virtualKey); }
    void up(std::uint64_t time, std::uint32_t virtualKey) { key(time, keymsg::keyUp, virtualKey); }
    void tap(std::uint64_t time, std::uint32_t virtualKey) {
        down(time, virtualKey);
        up(time, virtualKey);
    }
    // Keys of a chord pressed in order F21..F24, then released in order or in reverse.
    void chord(std::uint64_t time, unsigned mask, bool releaseInReverse) {
        std::vector<std::uint32_t> keys;
        for (std::uint32_t vk = kVkF21; vk <= kVkF24; ++vk) {
            if (mask & (1u << (kVkF24 - vk))) keys.push_back(vk);
        }
        for (std::uint32_t vk : keys) down(time, vk);
        if (releaseInReverse) {
            for (auto it = keys.rbegin(); it != keys.rend(); ++it) up(time, *it);
        } else {
            for (std::uint32_t vk : keys) up(time, vk);
        }
    }
    // When the burst's timers stopped: the first moment from `from` on at which none runs.
    std::uint64_t idleFrom(std::uint64_t from) {
        advanceTo(from);
        while (handler.timersRunning()) advanceTo(now + 1);
        EXPECT_TRUE(timers.empty());
        return now;
    }

    struct Timer {
        std::uint32_t interval;
        std::uint64_t due;
    };
    std::uint64_t now = 0;
    std::map<std::uint32_t, Timer> timers;
    std::vector<Posted> posted;
    ButtonKeyHandler handler{*this};
};

TEST_F(ButtonKeyHandlerTest, ChordsDecodeOnLastReleaseWhateverTheReleaseOrder) {
    struct Case {
        unsigned mask;
        std::vector<Posted> expected;  // times relative to the chord at t = 0
    };
    const Case cases[] = {
        {0, {}},
        {1, {{20, buttonmsg::sensitivityStep, +1}}},
        {2, {}},
        {3, {{0, buttonmsg::stageSelected, 1}}},
        {4, {}},
        {5, {{0, buttonmsg::stageSelected, 2}}},
        {6, {{0, buttonmsg::stageSelected, 3}}},
        {7, {{0, buttonmsg::profileSelected, 1}}},
        {8, {}},
        {9, {{0, buttonmsg::stageSelected, 4}}},
        {10, {{0, buttonmsg::stageSelected, 5}}},
        {11, {{0, buttonmsg::profileSelected, 2}}},
        {12, {{0, buttonmsg::profileSelected, 3}}},
        {13, {{0, buttonmsg::profileSelected, 4}}},
        {14, {{0, buttonmsg::profileSelected, 5}}},
        {15, {{20, buttonmsg::sensitivityStep, -1}}},
    };
    for (const Case& c : cases) {
        for (bool reverse : {false, true}) {
            SCOPED_TRACE(testing::Message() << "mask " << c.mask << (reverse ? " released in reverse" : ""));
            const std::uint64_t start = now;
            chord(start, c.mask, reverse);
            advanceTo(start + 1000);
            std::vector<Posted> expected = c.expected;
            for (Posted& p : expected) p.at += start;
            EXPECT_EQ(posted, expected);
            EXPECT_FALSE(handler.timersRunning());
            posted.clear();
        }
    }
}

TEST_F(ButtonKeyHandlerTest, ChordWaitsForEveryKeyToBeReleased) {
    down(0, kVkF22);
    down(1, kVkF23);
    down(2, kVkF23);  // typematic repeat
    up(3, kVkF22);
    EXPECT_TRUE(posted.empty());
    up(4, kVkF23);
    EXPECT_EQ(posted, (std::vector<Posted>{{4, buttonmsg::stageSelected, 3}}));

    // Keys pressed one after another, each released before the next, are no chord.
    posted.clear();
    tap(10, kVkF21);
    tap(11, kVkF22);
    advanceTo(100);
    EXPECT_TRUE(posted.empty());
}

TEST_F(ButtonKeyHandlerTest, OtherKeysAreIgnored) {
    for (std::uint32_t vk : {0x41u, 0x70u /* F1 */, 0x82u /* F19 */, 0x88u, 0xFFu}) {
        tap(0, vk);
        key(0, keymsg::sysKeyDown, vk);
    }
    advanceTo(1000);
    EXPECT_TRUE(posted.empty());
    EXPECT_TRUE(timers.empty());
}

TEST_F(ButtonKeyHandlerTest, F20KeyUpAloneDoesNothing) {
    up(0, kVkF20);
    key(1, keymsg::sysKeyUp, kVkF20);
    EXPECT_TRUE(timers.empty());
    advanceTo(1000);
    EXPECT_TRUE(posted.empty());
}

TEST_F(ButtonKeyHandlerTest, F20DownGivesOneRefreshAfterTwentyMs) {
    down(0, kVkF20);
    EXPECT_EQ(timers.at(kDeliveryTimer).interval, kDeliveryTimerMs);
    EXPECT_EQ(timers.at(kBurstEndTimer).interval, kBurstEndTimerMs);
    up(3, kVkF20);
    advanceTo(19);
    EXPECT_TRUE(posted.empty());
    EXPECT_EQ(idleFrom(20), 40u);
    advanceTo(1000);
    EXPECT_EQ(posted, (std::vector<Posted>{{20, buttonmsg::refresh, 0}}));
}

TEST_F(ButtonKeyHandlerTest, SecondF20WithinTheBurstStillGivesOneRefresh) {
    tap(0, kVkF20);
    tap(5, kVkF20);  // before the first tick: the timer keeps its rhythm
    EXPECT_EQ(idleFrom(5), 45u);
    advanceTo(1000);
    EXPECT_EQ(posted, (std::vector<Posted>{{20, buttonmsg::refresh, 0}}));
}

TEST_F(ButtonKeyHandlerTest, HeldF20KeepsTheTimersUntilFortyMsAfterTheLastRepeat) {
    for (std::uint64_t t : {0, 33, 66, 99}) down(t, kVkF20);
    up(120, kVkF20);
    EXPECT_EQ(idleFrom(120), 139u);
    advanceTo(1000);
    EXPECT_EQ(posted, (std::vector<Posted>{{20, buttonmsg::refresh, 0},
                                           {40, buttonmsg::refresh, 0},
                                           {80, buttonmsg::refresh, 0},
                                           {100, buttonmsg::refresh, 0}}));
}

TEST_F(ButtonKeyHandlerTest, StepsOfABurstAreSummedWithTheirSign) {
    struct Case {
        const char* name;
        std::vector<unsigned> chords;  // 1: F24 (up), 15: F21..F24 (down), 5 ms apart
        std::vector<Posted> expected;  // times relative to the burst's start
    };
    const Case cases[] = {
        {"three up", {1, 1, 1}, {{20, buttonmsg::sensitivityStep, 3}}},
        {"two down", {15, 15}, {{20, buttonmsg::sensitivityStep, -2}}},
        {"mixed", {1, 15, 1, 1}, {{20, buttonmsg::sensitivityStep, 2}}},
        {"cancelling", {1, 15}, {}},
    };
    for (const Case& c : cases) {
        for (bool reverse : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.name << (reverse ? " released in reverse" : ""));
            const std::uint64_t start = now;
            std::uint64_t t = start;
            for (unsigned mask : c.chords) {
                chord(t, mask, reverse);
                t += 5;
            }
            EXPECT_EQ(idleFrom(t), t - 5 + 40);
            std::vector<Posted> expected = c.expected;
            for (Posted& p : expected) p.at += start;
            EXPECT_EQ(posted, expected);
            posted.clear();
            advanceTo(now + 100);
        }
    }
}

TEST_F(ButtonKeyHandlerTest, StepsAfterTheFirstTickGoOutOnTheNextTick) {
    chord(0, 1, false);
    chord(25, 15, false);
    chord(30, 15, false);
    EXPECT_EQ(idleFrom(30), 70u);
    EXPECT_EQ(posted, (std::vector<Posted>{{20, buttonmsg::sensitivityStep, 1},
                                           {40, buttonmsg::sensitivityStep, -2}}));
}

TEST_F(ButtonKeyHandlerTest, StepsGoBeforeTheRefreshOneTickEach) {
    tap(0, kVkF20);
    chord(1, 1, false);
    EXPECT_EQ(idleFrom(1), 41u);
    EXPECT_EQ(posted, (std::vector<Posted>{{20, buttonmsg::sensitivityStep, 1},
                                           {40, buttonmsg::refresh, 0}}));
}

TEST_F(ButtonKeyHandlerTest, SelectionsArePostedAtOnceAndDoNotExtendTheBurst) {
    tap(0, kVkF20);
    chord(30, 12, false);
    EXPECT_EQ(posted.back(), (Posted{30, buttonmsg::profileSelected, 3}));
    EXPECT_EQ(idleFrom(30), 40u);
}

TEST_F(ButtonKeyHandlerTest, TimersIdleFortyMsAfterTheLastEventAndStartAfresh) {
    chord(0, 1, false);
    tap(30, kVkF20);
    EXPECT_EQ(idleFrom(30), 70u);
    EXPECT_EQ(posted.size(), 2u);

    // A new burst starts both timers again, with a fresh rhythm.
    posted.clear();
    tap(500, kVkF20);
    EXPECT_TRUE(handler.timersRunning());
    EXPECT_EQ(idleFrom(500), 540u);
    EXPECT_EQ(posted, (std::vector<Posted>{{520, buttonmsg::refresh, 0}}));
}

TEST_F(ButtonKeyHandlerTest, BurstEndDeliversWhatTheDeliveryTickMissed) {
    // A thread busy past both expiries may see timer 2 first.
    chord(0, 15, false);
    chord(1, 15, false);
    tap(2, kVkF20);
    now = 50;
    handler.onTimer(kBurstEndTimer);
    EXPECT_FALSE(handler.timersRunning());
    EXPECT_TRUE(timers.empty());
    EXPECT_EQ(posted, (std::vector<Posted>{{50, buttonmsg::sensitivityStep, -2},
                                           {50, buttonmsg::refresh, 0}}));
}

TEST_F(ButtonKeyHandlerTest, KeysWithAltHeldMeanTheSame) {
    key(0, keymsg::sysKeyDown, kVkF20);
    key(1, keymsg::sysKeyUp, kVkF20);
    for (std::uint32_t vk : {kVkF21, kVkF23}) key(2, keymsg::sysKeyDown, vk);
    for (std::uint32_t vk : {kVkF21, kVkF23}) key(3, keymsg::sysKeyUp, vk);
    advanceTo(1000);
    EXPECT_EQ(posted, (std::vector<Posted>{{3, buttonmsg::stageSelected, 5},
                                           {20, buttonmsg::refresh, 0}}));
}

}  // namespace
}  // namespace tessel::store
