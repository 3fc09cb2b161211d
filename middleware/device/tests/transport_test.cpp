#include "middleware/device/transport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "middleware/device/memory_ports.h"
#include "middleware/device/tests/transport_scripted_hid.h"

namespace tessel::device {
namespace {

using scripted::Exchange;
using scripted::ScriptedHid;
using scripted::ScriptedMouse;
using scripted::TraceRecorder;

constexpr char16_t kPath[] = u"\\\\?\\hid#vid_7a3c&pid_0013#mouse";

class Transport : public ::testing::Test {
protected:
    HResult run(DovaReport& report) { return KxDovaFeatureRequest(ports, kPath, report); }
    int count(Exchange kind) const { return static_cast<int>(hid.log(kind).size()); }

    VirtualClock clock;
    MemoryMutexPort mutexes;
    ScriptedHid hid{clock, &mutexes};
    DevicePorts ports{hid, mutexes, clock};
    ScriptedMouse& mouse = hid.add(kPath);
};

DovaReport withChecksum(DovaReport report) {
    report[DovaReport::checksum] = report.computeChecksum();
    return report;
}

DovaReport sampleRead() {
    DovaReport request = DovaReport::readRequest(0x06, 1);
    request[DovaReport::data] = 3;  // profile selector
    return request;
}

// What the caller's buffer holds on return.
enum class Left { request, requestWithChecksum, zeros, lastAnswer };

struct FailureRow {
    const char* name;
    std::function<void(ScriptedMouse&)> script;
    HResult result;
    Left buffer;
    int attempts;  // each ends with an end report
};

TEST_F(Transport, EveryRowOfTheFailureTable) {
    const FailureRow rows[] = {
        {"success", [](ScriptedMouse&) {}, hr::ok, Left::lastAnswer, 1},
        {"readiness poll fails", [](ScriptedMouse& m) { m.fail(Exchange::readinessPoll); }, hr::abort,
         Left::request, 1},
        {"request fails", [](ScriptedMouse& m) { m.fail(Exchange::request); }, hr::abort,
         Left::requestWithChecksum, 1},
        {"answer poll fails", [](ScriptedMouse& m) { m.fail(Exchange::answerPoll); }, hr::abort, Left::zeros, 1},
        {"busy (control 1) past 1000 readiness polls", [](ScriptedMouse& m) { m.readinessAfterwards = 1; },
         hr::fail, Left::request, 1},
        {"busy with another control code goes on", [](ScriptedMouse& m) { m.readinessAfterwards = 2; }, hr::ok,
         Left::lastAnswer, 1},
        {"busy status past 1000 answer polls", [](ScriptedMouse& m) { m.statusAfterwards = 0x01; }, hr::fail,
         Left::lastAnswer, 1},
        {"busy answers, then done", [](ScriptedMouse& m) { m.statuses = {0x01, 0x00, 0x01}; }, hr::ok,
         Left::lastAnswer, 1},
        {"failure status other than 0x03-0x08", [](ScriptedMouse& m) { m.statuses = {0x09}; }, hr::fail,
         Left::lastAnswer, 1},
        {"status 0x03 always", [](ScriptedMouse& m) { m.statusAfterwards = 0x03; }, hr::fail, Left::lastAnswer, 20},
        {"status 0x08 always", [](ScriptedMouse& m) { m.statusAfterwards = 0x08; }, hr::fail, Left::lastAnswer, 20},
        {"status 0x05 three times, then done", [](ScriptedMouse& m) { m.statuses = {0x05, 0x05, 0x05}; }, hr::ok,
         Left::lastAnswer, 4},
        {"answer poll fails in the retry", [](ScriptedMouse& m) {
             m.statuses = {0x04};
             m.fail(Exchange::answerPoll, 2);
         },
         hr::abort, Left::zeros, 2},
        {"end report fails after success", [](ScriptedMouse& m) { m.fail(Exchange::endReport); }, hr::abort,
         Left::lastAnswer, 1},
        {"end report fails after a failure status", [](ScriptedMouse& m) {
             m.statuses = {0x0A};
             m.fail(Exchange::endReport);
         },
         hr::abort, Left::lastAnswer, 1},
        {"end report fails while retrying", [](ScriptedMouse& m) {
             m.statusAfterwards = 0x03;
             m.fail(Exchange::endReport, 1, -1);
         },
         hr::abort, Left::lastAnswer, 20},
    };
    for (const FailureRow& row : rows) {
        SCOPED_TRACE(row.name);
        VirtualClock clock;
        MemoryMutexPort mutexes;
        ScriptedHid hid(clock, &mutexes);
        ScriptedMouse& mouse = hid.add(kPath);
        DevicePorts ports{hid, mutexes, clock};
        row.script(mouse);

        const DovaReport request = sampleRead();
        DovaReport report = request;
        EXPECT_EQ(KxDovaFeatureRequest(ports, kPath, report), row.result);

        const auto answers = hid.log(Exchange::answerPoll);
        switch (row.buffer) {
        case Left::request: EXPECT_EQ(report.bytes, request.bytes); break;
        case Left::requestWithChecksum: EXPECT_EQ(report.bytes, withChecksum(request).bytes); break;
        case Left::zeros: EXPECT_EQ(report.bytes, DovaReport{}.bytes); break;
        case Left::lastAnswer:
            ASSERT_FALSE(answers.empty());
            EXPECT_EQ(report.bytes, answers.back().bytes.bytes);
            break;
        }
        EXPECT_EQ(hid.log(Exchange::endReport).size(), static_cast<std::size_t>(row.attempts));
        for (const auto& exchange : hid.log()) EXPECT_EQ(exchange.exclusionHandles, 1);
        EXPECT_EQ(mutexes.openHandles(kTransactionMutexName), 0);
        EXPECT_EQ(hid.openDevices(), 0);
        EXPECT_EQ(mouse.interleavings, 0);
        EXPECT_EQ(mouse.badChecksums, 0);
    }
}

TEST_F(Transport, DeviceThatCannotBeOpenedFailsAtOnce) {
    mouse.opens = false;
    const DovaReport request = sampleRead();
    DovaReport report = request;
    EXPECT_EQ(run(report), hr::fail);
    EXPECT_EQ(report.bytes, request.bytes);
    EXPECT_TRUE(hid.log().empty());  // no end report either
    EXPECT_EQ(clock.sleptMs(), 0u);
}

TEST_F(Transport, FixedWaitsOfReadAndWrite) {
    struct Row {
        const char* name;
        DovaReport request;
        std::uint64_t requestToAnswerMs;
        std::uint64_t totalMs;
    } rows[] = {
        {"read", DovaReport::readRequest(0x05, 0), 10, 40},
        {"write", DovaReport::writeRequest(0x05, 5), 100, 130},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        VirtualClock clock;
        MemoryMutexPort mutexes;
        ScriptedHid hid(clock, &mutexes);
        hid.add(kPath);
        DevicePorts ports{hid, mutexes, clock};
        TraceRecorder trace;
        DovaReport report = row.request;
        ASSERT_EQ(KxDovaFeatureRequest(ports, kPath, report), hr::ok);
        const auto log = hid.log();
        ASSERT_EQ(log.size(), 4u);  // readiness, request, answer, end
        EXPECT_EQ(log[0].atMs, 10u);
        EXPECT_EQ(log[1].atMs, 20u);
        EXPECT_EQ(log[2].atMs - log[1].atMs, row.requestToAnswerMs);
        EXPECT_EQ(log[3].atMs - log[2].atMs, 10u);
        EXPECT_EQ(clock.sleptMs(), row.totalMs);
        EXPECT_EQ(trace.count(u"KxDovaFeatureRequest : DOVA_WRITE_DELAY delay\n"), row.requestToAnswerMs == 100);
    }
}

TEST_F(Transport, ReadinessPollsAreBoundedAt1000) {
    struct Row {
        int busyPolls;
        HResult result;
        int readinessPolls;
        int requests;
    } rows[] = {
        {999, hr::ok, 1000, 1},
        {1000, hr::fail, 1000, 0},
        {5000, hr::fail, 1000, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.busyPolls);
        VirtualClock clock;
        MemoryMutexPort mutexes;
        ScriptedHid hid(clock, &mutexes);
        ScriptedMouse& mouse = hid.add(kPath);
        mouse.readiness.assign(row.busyPolls, 1);
        DevicePorts ports{hid, mutexes, clock};
        TraceRecorder trace;
        DovaReport report = sampleRead();
        EXPECT_EQ(KxDovaFeatureRequest(ports, kPath, report), row.result);
        const auto polls = hid.log(Exchange::readinessPoll);
        ASSERT_EQ(static_cast<int>(polls.size()), row.readinessPolls);
        EXPECT_EQ(polls.back().atMs - polls.front().atMs, 999u * 10);
        EXPECT_EQ(static_cast<int>(hid.log(Exchange::request).size()), row.requests);
        EXPECT_EQ(hid.log(Exchange::endReport).size(), 1u);  // sent even when the device stayed busy
        EXPECT_EQ(trace.count(u"KxDovaFeatureRequest : Fail first call\n"), row.result == hr::fail);
    }
}

TEST_F(Transport, AnswerPollsAreBoundedAt1000At30MsEach) {
    mouse.statusAfterwards = 0x00;
    DovaReport report = sampleRead();
    EXPECT_EQ(run(report), hr::fail);
    const auto polls = hid.log(Exchange::answerPoll);
    ASSERT_EQ(polls.size(), 1000u);
    EXPECT_EQ(polls.back().atMs - polls.front().atMs, 999u * 30);
    EXPECT_EQ(report[DovaReport::status], 0x00);
    EXPECT_EQ(count(Exchange::request), 1);  // busy is not a retry code
}

TEST_F(Transport, RetriesRepeatTheSavedRequest) {
    mouse.statuses = {0x05, 0x05, 0x05};
    TraceRecorder trace;
    const DovaReport request = sampleRead();
    DovaReport report = request;
    ASSERT_EQ(run(report), hr::ok);

    const auto requests = hid.log(Exchange::request);
    ASSERT_EQ(requests.size(), 4u);
    for (const auto& sent : requests) EXPECT_EQ(sent.bytes.bytes, withChecksum(request).bytes);
    // Each attempt ends with an end report before the next one starts.
    std::vector<Exchange> kinds;
    for (const auto& exchange : hid.log()) kinds.push_back(exchange.kind);
    const std::vector<Exchange> attempt = {Exchange::readinessPoll, Exchange::request, Exchange::answerPoll,
                                           Exchange::endReport};
    std::vector<Exchange> expected;
    for (int i = 0; i < 4; ++i) expected.insert(expected.end(), attempt.begin(), attempt.end());
    EXPECT_EQ(kinds, expected);
    EXPECT_EQ(trace.count(u"KxDovaFeatureRequest : Retry!!! (Code returned %x)\n"), 3);
    // Three failed attempts of 50 ms (the retry code adds 10 ms) and a 10 ms pause after each,
    // then one good attempt of 40 ms.
    EXPECT_EQ(clock.sleptMs(), 3u * (50 + 10) + 40);
}

TEST_F(Transport, TraceLinesOfOneRead) {
    TraceRecorder trace;
    DovaReport report = sampleRead();
    ASSERT_EQ(run(report), hr::ok);
    const std::vector<std::u16string> expected = {
        u"KxDovaFeatureRequest()\n",
        u"KxDovaFeatureRequest : Start first call\n",
        u"KxDovaFeatureRequest : Start second call\n",
        u"KxDovaFeatureRequest : Start third call\n",
        u"KxDovaFeatureRequest : Third call success\n",
        u"KxDovaFeatureRequest : Start 4th call\n",
    };
    EXPECT_EQ(trace.lines(), expected);
}

TEST_F(Transport, TraceLinesOfFailures) {
    mouse.readiness = {1};
    mouse.statuses = {0x01, 0x07};
    mouse.fail(Exchange::request, 2);
    mouse.fail(Exchange::endReport, 2);
    TraceRecorder trace;
    DovaReport report = sampleRead();
    EXPECT_EQ(run(report), hr::abort);
    const std::vector<std::u16string> expected = {
        u"KxDovaFeatureRequest()\n",
        u"KxDovaFeatureRequest : Start first call\n",
        u"KxDovaFeatureRequest : First call fail, sleep %d mili second\n",
        u"KxDovaFeatureRequest : Start second call\n",
        u"KxDovaFeatureRequest : Start third call\n",
        u"KxDovaFeatureRequest : Busy!! (Code returned 0x1 or 0x0)\n",
        u"KxDovaFeatureRequest : Retry!!! (Code returned %x)\n",
        u"KxDovaFeatureRequest : Third call fail\n",
        u"KxDovaFeatureRequest : Start 4th call\n",
        u"KxDovaFeatureRequest : Start first call\n",
        u"KxDovaFeatureRequest : Start second call\n",
        u"KxDovaFeatureRequest : Second call fail\n",
        u"KxDovaFeatureRequest : Start 4th call\n",
        u"KxDovaFeatureRequest : 4th call fail, sleep 1 second\n",
    };
    EXPECT_EQ(trace.lines(), expected);
}

TEST_F(Transport, ConcurrentTransactionsNeverInterleave) {
    constexpr int kPerThread = 200;
    std::atomic<int> failures{0};
    auto worker = [&](std::uint8_t command) {
        for (int i = 0; i < kPerThread; ++i) {
            DovaReport report = DovaReport::readRequest(command, 0);
            if (run(report) != hr::ok || report[DovaReport::command] != command) ++failures;
        }
    };
    std::thread first(worker, 0x05);
    std::thread second(worker, 0x06);
    first.join();
    second.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(mouse.interleavings, 0);
    EXPECT_EQ(count(Exchange::request), 2 * kPerThread);
}

// Both the transaction and the lone end report wait while another handle to the exclusion
// exists, and go ahead once it is closed.
TEST_F(Transport, WaitsWhileAnotherHandleToTheExclusionExists) {
    struct Row {
        const char* name;
        std::function<HResult()> exchange;
    } rows[] = {
        {"transaction", [&] { DovaReport r = sampleRead(); return run(r); }},
        {"end report", [&] { return SendEndReport(ports, kPath); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::size_t before = hid.log().size();
        bool existed = false;
        MutexHandle holder(mutexes, mutexes.create(kTransactionMutexName, existed));
        ASSERT_FALSE(existed);
        std::atomic<bool> done{false};
        HResult result = hr::fail;
        std::thread other([&] {
            result = row.exchange();
            done = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_FALSE(done);
        EXPECT_EQ(hid.log().size(), before);  // not one report while the holder exists
        holder.reset();
        other.join();
        EXPECT_EQ(result, hr::ok);
        EXPECT_GT(hid.log().size(), before);
    }
}

TEST_F(Transport, SendEndReportTriesThreeTimes) {
    struct Row {
        int failures;
        HResult result;
        std::size_t sends;
        std::uint64_t sleptMs;
    } rows[] = {
        {0, hr::ok, 1, 10},
        {2, hr::ok, 3, 30},
        {3, hr::abort, 3, 40},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.failures);
        VirtualClock clock;
        MemoryMutexPort mutexes;
        ScriptedHid hid(clock, &mutexes);
        ScriptedMouse& mouse = hid.add(kPath);
        if (row.failures) mouse.fail(Exchange::endReport, 1, row.failures);
        DevicePorts ports{hid, mutexes, clock};
        EXPECT_EQ(SendEndReport(ports, kPath), row.result);
        const auto sent = hid.log(Exchange::endReport);
        EXPECT_EQ(sent.size(), row.sends);
        for (const auto& exchange : sent) EXPECT_EQ(exchange.exclusionHandles, 1);
        EXPECT_EQ(hid.log().size(), row.sends);
        EXPECT_EQ(clock.sleptMs(), row.sleptMs);
        EXPECT_EQ(hid.openDevices(), 0);
    }
    mouse.opens = false;
    EXPECT_EQ(SendEndReport(ports, kPath), hr::fail);
}

TEST_F(Transport, RawFeatureAccess) {
    mouse.shortReports[0x04] = {0x04, 1, 7};

    std::uint8_t firmware[3] = {0x04};
    EXPECT_EQ(RawFeatureAccess(ports, 0, kPath, firmware, 3), hr::ok);
    EXPECT_EQ(firmware[1], 1);
    EXPECT_EQ(firmware[2], 7);
    EXPECT_EQ(hid.log().back().atMs, 200u);  // waits 200 ms before the access

    std::uint8_t distance[2] = {0x51, 9};
    EXPECT_EQ(RawFeatureAccess(ports, 1, kPath, distance, 2), hr::ok);
    EXPECT_EQ(mouse.shortReports[0x51], (std::vector<std::uint8_t>{0x51, 9}));

    const std::size_t exchanges = hid.log().size();
    EXPECT_EQ(RawFeatureAccess(ports, 2, kPath, distance, 2), hr::fail);
    EXPECT_EQ(RawFeatureAccess(ports, -1, kPath, distance, 2), hr::fail);
    EXPECT_EQ(RawFeatureAccess(ports, 0, kPath, nullptr, 2), hr::pointer);
    EXPECT_EQ(hid.log().size(), exchanges);

    mouse.fail(Exchange::shortGet, 2);
    mouse.failureError = 1167;
    EXPECT_EQ(RawFeatureAccess(ports, 0, kPath, firmware, 3), static_cast<HResult>(0x8007048Fu));
    mouse.fail(Exchange::shortSet, 2);
    mouse.failureError = 31;
    EXPECT_EQ(RawFeatureAccess(ports, 1, kPath, distance, 2), static_cast<HResult>(0x8007001Fu));
    EXPECT_EQ(RawFeatureAccess(ports, 0, u"elsewhere", firmware, 3), hr::fail);
    EXPECT_EQ(hid.openDevices(), 0);
}

TEST_F(Transport, BlockLockExcludesAnotherHolderUntilReleased) {
    std::atomic<bool> otherHolds{false};
    std::thread other;
    {
        BlockLock lock(ports);
        EXPECT_TRUE(lock.held());
        other = std::thread([&] {
            BlockLock second(ports);
            otherHolds = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_FALSE(otherHolds);
        BlockLock nested(ports);  // the same thread may take it again
        EXPECT_TRUE(nested.held());
    }
    other.join();
    EXPECT_TRUE(otherHolds);
    EXPECT_EQ(mutexes.openHandles(kBlockLockName), 0);
}

// Two threads increment one byte of a block by read-modify-write under the block lock; the
// transaction exclusion alone would let one thread's write overwrite the other's.
TEST_F(Transport, ReadModifyWriteUnderTheBlockLockLosesNoUpdate) {
    constexpr int kPerThread = 50;
    constexpr std::uint8_t kCommand = 0x06;
    mouse.blocks[kCommand] = DovaReport::writeRequest(kCommand, 56);
    std::atomic<int> failures{0};
    auto worker = [&] {
        for (int i = 0; i < kPerThread; ++i) {
            BlockLock lock(ports);
            DovaReport block = DovaReport::readRequest(kCommand, 1);
            if (run(block) != hr::ok) ++failures;
            ++block[DovaReport::data + 1];
            block.makeWrite(56);
            if (run(block) != hr::ok) ++failures;
        }
    };
    std::thread first(worker);
    std::thread second(worker);
    first.join();
    second.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(mouse.blocks[kCommand][DovaReport::data + 1], 2 * kPerThread);
}

}  // namespace
}  // namespace tessel::device
