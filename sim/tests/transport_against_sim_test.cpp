// The middleware's transport and discovery against the simulated mouse: the rows of the
// transaction's failure table, re-discovery after a re-plug, and the probes of both products.
#include "middleware/device/driver_handler.h"
#include "middleware/device/transport.h"
#include "sim/tests/sim_fixture.h"

namespace tessel::sim::testing {
namespace {

using device::DriverHandler;
using device::KxDovaFeatureRequest;

class TransportAgainstSim : public SimTest {
protected:
    std::u16string wiredPath() { return interfacePath(Interface::wired, state().link.generation(Interface::wired)); }

    HResult request(DovaReport& report) { return KxDovaFeatureRequest(ports_, wiredPath(), report); }

    std::size_t count(std::function<bool(const LoggedReport&)> which) {
        const auto log = hid_.reportLog();
        return static_cast<std::size_t>(std::count_if(log.begin(), log.end(), which));
    }
    std::size_t endReportsSent() {
        return count([](const LoggedReport& r) {
            return r.set && r.bytes == std::vector<std::uint8_t>(DovaReport::endReport().bytes.begin(),
                                                                   DovaReport::endReport().bytes.end());
        });
    }

    device::MemoryMutexPort mutexes_;
    device::DevicePorts ports_{hid_, mutexes_, clock_};
};

TEST_F(TransportAgainstSim, SucceedsAfterThreeRetryableAnswers) {
    change([](MouseState& s) { s.faults.statusSequence = {0x05, 0x05, 0x05}; });
    DovaReport report = DovaReport::readRequest(command::identity, 1);
    EXPECT_EQ(request(report), hr::ok);
    EXPECT_EQ(report[DovaReport::status], status::done);
    EXPECT_EQ(report[41], 1);
    EXPECT_EQ(report[42], 7);
    const MouseState s = state();
    EXPECT_EQ(s.counters.requests, 4u) << "four attempts";
    EXPECT_EQ(s.counters.endReports, 4u) << "each ended by an end report";
    EXPECT_EQ(s.counters.checksumErrors, 0u) << "the transport seals its requests";
    EXPECT_EQ(s.counters.interleaved, 0u);
}

TEST_F(TransportAgainstSim, GivesUpAfterTwentyAttempts) {
    change([](MouseState& s) { s.faults.statusSequence.assign(25, 0x03); });
    DovaReport report = DovaReport::readRequest(command::performance, 0);
    EXPECT_EQ(request(report), hr::fail);
    EXPECT_EQ(report[DovaReport::status], 0x03) << "the device's last answer";
    const MouseState s = state();
    EXPECT_EQ(s.counters.requests, 20u);
    EXPECT_EQ(s.counters.endReports, 20u);
    EXPECT_EQ(s.faults.statusSequence.size(), 5u) << "exactly twenty answers were taken";
}

TEST_F(TransportAgainstSim, DeviceBusyOnEveryReadinessPoll) {
    change([](MouseState& s) { s.faults.busyReadyPolls = 1000; });
    DovaReport report = DovaReport::readRequest(command::performance, 0);
    const DovaReport sent = report;
    EXPECT_EQ(request(report), hr::fail);
    EXPECT_EQ(report.bytes, sent.bytes) << "the request comes back";
    const MouseState s = state();
    EXPECT_EQ(s.faults.busyReadyPolls, 0u) << "1000 polls";
    EXPECT_EQ(s.counters.requests, 0u);
    EXPECT_EQ(s.counters.endReports, 1u) << "the end report is still sent";
}

TEST_F(TransportAgainstSim, OtherBusyCodesLetTheRequestGo) {
    change([](MouseState& s) {
        s.faults.busyReadyPolls = 1000;
        s.faults.busyReadyControl = 2;
    });
    DovaReport report = DovaReport::readRequest(command::performance, 0);
    EXPECT_EQ(request(report), hr::ok);
    EXPECT_EQ(report[9], 1);
}

TEST_F(TransportAgainstSim, BusyAndSlowAnswersAreWaitedFor) {
    change([](MouseState& s) {
        s.faults.busyAnswerPolls = 5;
        s.faults.slowAnswerMs = 400;
    });
    DovaReport report = DovaReport::readRequest(command::performance, 0);
    const std::uint64_t start = clock_.nowMs();
    EXPECT_EQ(request(report), hr::ok);
    EXPECT_GE(clock_.nowMs() - start, 400u);
    EXPECT_EQ(state().counters.requests, 1u);
}

TEST_F(TransportAgainstSim, GarbageFailsWithoutARetry) {
    change([](MouseState& s) { s.faults.garbageAnswers = 1; });
    DovaReport report = DovaReport::readRequest(command::performance, 0);
    EXPECT_EQ(request(report), hr::fail);
    EXPECT_EQ(state().counters.requests, 1u);
    EXPECT_EQ(request(report = DovaReport::readRequest(command::performance, 0)), hr::ok);
}

TEST_F(TransportAgainstSim, WritesGoThroughTheChecks) {
    DovaReport report = DovaReport::readRequest(command::performance, 0);
    ASSERT_EQ(request(report), hr::ok);
    report.makeWrite(5);
    report[10] = 8;
    EXPECT_EQ(request(report), hr::ok);
    EXPECT_EQ(state().pollingCode, 8);

    DovaReport wrongLength = DovaReport::writeRequest(command::performance, 6);
    wrongLength[9] = 1;
    EXPECT_EQ(request(wrongLength), hr::fail);
    EXPECT_EQ(wrongLength[DovaReport::status], status::invalid);
    EXPECT_EQ(state().counters.requests, 3u) << "a refusal is not retried";
}

TEST_F(TransportAgainstSim, UnpluggedInTheMiddle) {
    change([](MouseState& s) { s.faults.dropAfterReports = 2; });
    const std::u16string path = wiredPath();
    DovaReport report = DovaReport::readRequest(command::identity, 1);
    EXPECT_EQ(KxDovaFeatureRequest(ports_, path, report), hr::abort) << "the answer poll fails";
    EXPECT_EQ(report.bytes, DovaReport{}.bytes);
    report = DovaReport::readRequest(command::identity, 1);
    EXPECT_EQ(KxDovaFeatureRequest(ports_, path, report), hr::fail) << "the path no longer opens";
}

TEST_F(TransportAgainstSim, ALostEndReportTurnsSuccessIntoAbort) {
    change([](MouseState& s) { s.faults.dropAfterReports = 3; });  // poll, request, answer, then gone
    DovaReport report = DovaReport::readRequest(command::identity, 1);
    EXPECT_EQ(request(report), hr::abort);
    EXPECT_EQ(report[DovaReport::status], status::done) << "the answer stays in the buffer";
    EXPECT_EQ(state().counters.endReports, 0u);
}

TEST_F(TransportAgainstSim, DiscoverySkipsTheOtherVendorsMouse) {
    DriverHandler wired(ports_, device::kProductWired);
    EXPECT_EQ(wired.Open(), hr::ok);
    EXPECT_EQ(wired.devicePath(), wiredPath());
    EXPECT_EQ(state().counters.interleaved, 0u);

    change([](MouseState& s) { connect(s, {Interface::wired, Interface::wireless}); });
    DriverHandler wireless(ports_, device::kProductWireless);
    EXPECT_EQ(wireless.Open(), hr::ok);
    EXPECT_EQ(wireless.devicePath(), interfacePath(Interface::wireless, state().link.generation(Interface::wireless)));
    std::uint8_t battery[2] = {shortreport::battery};
    EXPECT_EQ(wireless.RawFeatureAccess(0, battery, 2), hr::ok);
    EXPECT_EQ(battery[1], 1);

    change(unplugAll);
    DriverHandler none(ports_, device::kProductWired);
    EXPECT_EQ(none.Open(), hr::fromSystemError(syserr::noMoreItems));
}

TEST_F(TransportAgainstSim, RetryFindsTheMouseUnderItsNewPath) {
    DriverHandler handler(ports_, device::kProductWired);
    ASSERT_EQ(handler.Open(), hr::ok);
    const std::u16string before = handler.devicePath();
    // Gone after the readiness poll and back under a new path half a second later.
    change([](MouseState& s) {
        s.faults.dropAfterReports = 1;
        s.faults.replugAfterMs = 500;
    });
    DovaReport report = DovaReport::readRequest(command::performance, 0);
    const std::uint64_t start = clock_.nowMs();
    EXPECT_EQ(handler.GetFeatureRaw(report, DovaReport::size, true), hr::ok);
    EXPECT_EQ(report[9], 1);
    EXPECT_GE(clock_.nowMs() - start, 1000u) << "one pause before the search";
    EXPECT_NE(handler.devicePath(), before);
    EXPECT_EQ(handler.devicePath(), wiredPath());
}

TEST_F(TransportAgainstSim, RetryOfAMouseThatStaysAwaySaysItIsGone) {
    DriverHandler handler(ports_, device::kProductWired);
    ASSERT_EQ(handler.Open(), hr::ok);
    change([](MouseState& s) { s.faults.dropAfterReports = 0; });
    DovaReport report = DovaReport::readRequest(command::performance, 0);
    const std::uint64_t start = clock_.nowMs();
    EXPECT_EQ(handler.GetFeatureRaw(report, DovaReport::size, true), hr::fromSystemError(syserr::deviceNotConnected))
        << "the search finds no mouse and the repeat no path to open";
    EXPECT_GE(clock_.nowMs() - start, 1000u);
}

}  // namespace
}  // namespace tessel::sim::testing
