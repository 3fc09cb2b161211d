// The Win32 adapters against the real system objects (under Wine here).
#include "middleware/device/win32_ports.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "middleware/device/driver_handler.h"
#include "middleware/device/memory_ports.h"
#include "middleware/device/tests/transport_scripted_hid.h"
#include "middleware/device/transport.h"

namespace tessel::device {
namespace {

using namespace std::chrono_literals;

// Names of this process only, so parallel test runs never meet.
std::u16string uniqueName(const char16_t* role) {
    std::u16string name = u"Local\\TesselTest-";
    name += role;
    name += u'-';
    for (char c : std::to_string(GetCurrentProcessId())) name += static_cast<char16_t>(c);
    return name;
}

// Runs `body` on a thread and tells whether it finished within `limit`. A thread that hangs is
// left behind (holding only what `body` owns); the process ends it at exit.
bool finishesWithin(std::chrono::milliseconds limit, std::function<void()> body) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread([done, body = std::move(body)] {
        body();
        *done = true;
    }).detach();
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!*done && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(5ms);
    return *done;
}

TEST(Win32MutexPort, ExistenceIsSeenByEveryCreator) {
    Win32MutexPort mutexes;
    const std::u16string name = uniqueName(u"existence");
    bool existed = true;
    MutexHandle first(mutexes, mutexes.create(name, existed));
    ASSERT_TRUE(first);
    EXPECT_FALSE(existed);
    MutexHandle second(mutexes, mutexes.create(name, existed));
    ASSERT_TRUE(second);
    EXPECT_TRUE(existed);
    first.reset();
    MutexHandle third(mutexes, mutexes.create(name, existed));
    EXPECT_TRUE(existed);  // `second` still keeps the object alive
    second.reset();
    third.reset();
    MutexHandle fresh(mutexes, mutexes.create(name, existed));
    EXPECT_FALSE(existed);
}

TEST(Win32MutexPort, WaitBlocksUntilTheOwnerReleasesEveryLevel) {
    Win32MutexPort mutexes;
    const std::u16string name = uniqueName(u"wait");
    bool existed = false;
    MutexHandle mine(mutexes, mutexes.create(name, existed));
    mutexes.wait(mine.get());
    mutexes.wait(mine.get());  // recursive for the owning thread
    std::atomic<bool> otherOwns{false};
    std::thread other([&] {
        bool existedToo = false;
        MutexHandle theirs(mutexes, mutexes.create(name, existedToo));
        mutexes.wait(theirs.get());
        otherOwns = true;
        mutexes.release(theirs.get());
    });
    std::this_thread::sleep_for(100ms);
    mutexes.release(mine.get());
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(otherOwns);  // still owned once
    mutexes.release(mine.get());
    other.join();
    EXPECT_TRUE(otherOwns);
}

TEST(Win32MutexPort, MutexOfAThreadThatExitedOwningItCountsAsAcquired) {
    auto mutexes = std::make_shared<Win32MutexPort>();
    const std::u16string name = uniqueName(u"abandoned");
    PortHandle leaked = 0;
    std::thread([&] {
        bool existed = false;
        leaked = mutexes->create(name, existed);
        mutexes->wait(leaked);  // and ends without releasing, like a crashed process
    }).join();
    ASSERT_NE(leaked, 0u);

    EXPECT_TRUE(finishesWithin(10s, [mutexes, name] {
        bool existed = false;
        MutexHandle handle(*mutexes, mutexes->create(name, existed));
        mutexes->wait(handle.get());
        mutexes->release(handle.get());
    }));
    mutexes->close(leaked);
}

// The transaction exclusion on the real named mutex: two threads, one scripted mouse.
TEST(Win32MutexPort, ConcurrentTransactionsNeverInterleave) {
    constexpr int kPerThread = 100;
    VirtualClock clock;
    Win32MutexPort mutexes;
    scripted::ScriptedHid hid(clock);
    scripted::ScriptedMouse& mouse = hid.add(u"mouse");
    DevicePorts ports{hid, mutexes, clock};
    std::atomic<int> failures{0};
    auto worker = [&] {
        for (int i = 0; i < kPerThread; ++i) {
            DovaReport report = DovaReport::readRequest(0x05, 0);
            if (KxDovaFeatureRequest(ports, u"mouse", report) != hr::ok) ++failures;
        }
    };
    std::thread first(worker);
    std::thread second(worker);
    first.join();
    second.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(mouse.interleavings, 0);
    EXPECT_EQ(hid.log(scripted::Exchange::request).size(), 2u * kPerThread);
}

TEST(Win32HidPort, EnumeratesMouseInterfacesAndFindsNoTessel) {
    Win32HidPort hid;
    std::uint32_t error = 0;
    std::unique_ptr<InterfaceList> interfaces = hid.mouseInterfaces(error);
    ASSERT_TRUE(interfaces) << "error " << error;
    std::uint32_t index = 0;
    std::u16string path;
    std::uint32_t end = 0;
    while ((end = interfaces->path(index, path)) == 0) {
        EXPECT_FALSE(path.empty());
        if (PortHandle device = hid.open(path)) {
            HidAttributes attributes;
            hid.attributes(device, attributes);
            hid.close(device);
        }
        ++index;
    }
    EXPECT_EQ(end, syserr::noMoreItems);
    EXPECT_EQ(interfaces->failedQuery(), InterfaceQuery::enumerate);
    EXPECT_EQ(hid.open(u"\\\\?\\hid#no_such_device"), 0u);
    std::printf("mouse interfaces: %u\n", static_cast<unsigned>(index));

    // No Tessel here: the search runs through the whole list.
    Win32MutexPort mutexes;
    Win32Clock clock;
    DevicePorts ports{hid, mutexes, clock};
    DriverHandler handler(ports, kProductWired);
    EXPECT_EQ(handler.Open(), static_cast<HResult>(0x80070103u));
    EXPECT_EQ(handler.devicePath(), u"");
}

TEST(Win32Clock, KeepsMillisecondsAndNeverWaitsShort) {
    Win32Clock clock;
    std::vector<std::uint64_t> tens;
    for (int i = 0; i < 21; ++i) {
        const std::uint64_t start = clock.nowMs();
        clock.sleepMs(10);
        tens.push_back(clock.nowMs() - start);
    }
    std::sort(tens.begin(), tens.end());
    std::printf("sleepMs(10): min %llu, median %llu, max %llu ms\n", static_cast<unsigned long long>(tens.front()),
                static_cast<unsigned long long>(tens[tens.size() / 2]), static_cast<unsigned long long>(tens.back()));
    EXPECT_GE(tens.front(), 9u);  // a whole tick of slack at most

    // The counter's milliseconds agree with the system's tick count over a longer wait.
    const std::uint64_t clockStart = clock.nowMs();
    const ULONGLONG tickStart = GetTickCount64();
    clock.sleepMs(300);
    const std::int64_t byClock = static_cast<std::int64_t>(clock.nowMs() - clockStart);
    const std::int64_t byTicks = static_cast<std::int64_t>(GetTickCount64() - tickStart);
    EXPECT_NEAR(byClock, byTicks, 20);
    EXPECT_GE(byClock, 299);
}

}  // namespace
}  // namespace tessel::device
