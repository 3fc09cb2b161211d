#include "middleware/device/driver_handler.h"

#include <gtest/gtest.h>

#include <functional>

#include "middleware/device/memory_ports.h"
#include "middleware/device/tests/transport_scripted_hid.h"
#include "middleware/device/transport.h"

namespace tessel::device {
namespace {

using scripted::Exchange;
using scripted::ScriptedHid;
using scripted::ScriptedMouse;
using scripted::TraceRecorder;

constexpr HResult kNoMoreItems = static_cast<HResult>(0x80070103u);
constexpr std::uint16_t kForeignVendor = 0x046D;

struct Ports {
    VirtualClock clock;
    MemoryMutexPort mutexes;
    ScriptedHid hid{clock, &mutexes};
    DevicePorts ports{hid, mutexes, clock};
};

TEST(DriverHandlerIdentity, NamesAreBuiltFromTheProductId) {
    struct Row {
        std::uint16_t productId;
        const char16_t* keyName;
        const char16_t* hardwareId;
    } rows[] = {
        {0x13, u"KavixControl_0013", u"VID_7A3C&PID_0013"},
        {0x14, u"KavixControl_0014", u"VID_7A3C&PID_0014"},
        {0x0F, u"KavixControl_000F", u"VID_7A3C&PID_000F"},
        {0xABCD, u"KavixControl_ABCD", u"VID_7A3C&PID_ABCD"},
    };
    for (const Row& row : rows) {
        Ports p;
        DriverHandler handler(p.ports, row.productId);
        EXPECT_EQ(handler.Open(), kNoMoreItems);
        EXPECT_EQ(handler.keyName(), row.keyName);
        EXPECT_EQ(handler.GetHardwareId(), row.hardwareId);
        EXPECT_EQ(handler.GetDriverVersion(), u"1.02");
        EXPECT_EQ(handler.SwitchToNextDevice(), hr::notImpl);
        EXPECT_EQ(handler.devicePath(), u"");
    }
}

struct Interface {
    std::u16string path;
    std::uint16_t productId;
    std::uint16_t vendorId = kVendorId;
    std::function<void(ScriptedMouse&)> script = [](ScriptedMouse&) {};
};

struct SearchRow {
    const char* name;
    std::uint16_t productId;
    std::vector<Interface> interfaces;
    HResult result;
    std::u16string path;  // stored on success
};

ScriptedMouse& wireless(ScriptedMouse& mouse) {
    mouse.shortReports[0x04] = {0x04, 1, 2};
    return mouse;
}

TEST(DriverHandlerSearch, FirstInterfaceThatMatchesAndAnswersWins) {
    const std::u16string longest(kDevicePathCapacity - 1, u'p');
    const std::u16string tooLong(kDevicePathCapacity, u'q');
    const SearchRow rows[] = {
        {"no mouse", 0x13, {}, kNoMoreItems, u""},
        {"foreign mouse only", 0x13, {{u"A", 0xC077, kForeignVendor}}, kNoMoreItems, u""},
        {"first of two wins", 0x13, {{u"A", 0x13}, {u"B", 0x13}}, hr::ok, u"A"},
        {"foreign, then ours", 0x13, {{u"A", 0x13, kForeignVendor}, {u"B", 0x13}}, hr::ok, u"B"},
        {"identity read fails", 0x13,
         {{u"A", 0x13, kVendorId, [](ScriptedMouse& m) { m.statusAfterwards = 0x09; }}, {u"B", 0x13}}, hr::ok, u"B"},
        {"end report cannot be sent", 0x13,
         {{u"A", 0x13, kVendorId, [](ScriptedMouse& m) { m.fail(Exchange::endReport, 1, -1); }}, {u"B", 0x13}},
         hr::ok, u"B"},
        {"cannot be opened", 0x13, {{u"A", 0x13, kVendorId, [](ScriptedMouse& m) { m.opens = false; }}, {u"B", 0x13}},
         hr::ok, u"B"},
        {"attributes cannot be read", 0x13,
         {{u"A", 0x13, kVendorId, [](ScriptedMouse& m) { m.hasAttributes = false; }}, {u"B", 0x13}}, hr::ok, u"B"},
        {"the other product", 0x13, {{u"A", 0x14, kVendorId, [](ScriptedMouse& m) { wireless(m); }}}, kNoMoreItems,
         u""},
        {"wireless probe", 0x14, {{u"A", 0x13}, {u"B", 0x14, kVendorId, [](ScriptedMouse& m) { wireless(m); }}},
         hr::ok, u"B"},
        {"wireless probe fails", 0x14,
         {{u"A", 0x14, kVendorId, [](ScriptedMouse& m) { wireless(m).fail(Exchange::shortGet); }}}, kNoMoreItems,
         u""},
        {"no probe, no match for other products", 0x0F, {{u"A", 0x0F}}, kNoMoreItems, u""},
        {"longest path that fits", 0x13, {{longest, 0x13}}, hr::ok, longest},
        {"path too long for the buffer is passed over", 0x13, {{tooLong, 0x13}, {u"B", 0x13}}, hr::ok, u"B"},
        {"path too long and nothing else", 0x13, {{tooLong, 0x13}}, kNoMoreItems, u""},
    };
    for (const SearchRow& row : rows) {
        SCOPED_TRACE(row.name);
        Ports p;
        for (const Interface& in : row.interfaces) in.script(p.hid.add(in.path, in.productId, in.vendorId));
        DriverHandler handler(p.ports, row.productId);
        EXPECT_EQ(handler.Open(), row.result);
        EXPECT_EQ(handler.devicePath(), row.path);
        EXPECT_EQ(p.hid.openDevices(), 0);
        EXPECT_EQ(p.mutexes.openHandles(kTransactionMutexName), 0);
        // A path that does not fit is never opened, let alone probed.
        for (const auto& exchange : p.hid.log()) EXPECT_LT(exchange.path.size(), kDevicePathCapacity);
    }
}

TEST(DriverHandlerSearch, SystemFailuresEndTheSearch) {
    struct Row {
        const char* name;
        std::function<void(ScriptedHid&)> script;
        HResult result;
        const char16_t* trace;
    } rows[] = {
        {"no snapshot", [](ScriptedHid& hid) { hid.snapshotFails = true; }, hr::fail,
         u"GetDeviceInterfaceDetail: SetupDiGetClassDevs Failed!!\n"},
        {"list exhausted", [](ScriptedHid& hid) { hid.failPathQuery(2, 259, InterfaceQuery::enumerate); },
         kNoMoreItems,
         u"GetDeviceInterfaceDetail: SetupDiEnumDeviceInterfaces Failed!!\n"},
        {"detail size", [](ScriptedHid& hid) { hid.failPathQuery(1, 87, InterfaceQuery::detailSize); },
         static_cast<HResult>(0x80070057u), u"GetDeviceInterfaceDetail: SetupDiGetDeviceInterfaceDetail Failed\n"},
        {"allocation", [](ScriptedHid& hid) { hid.failPathQuery(1, 8, InterfaceQuery::allocate); },
         static_cast<HResult>(0x80070008u), u"GetDeviceInterfaceDetail: LocalAlloc Failed\n"},
        {"detail read", [](ScriptedHid& hid) { hid.failPathQuery(1, 0x6F8, InterfaceQuery::detailRead); },
         static_cast<HResult>(0x800706F8u), u"GetDeviceInterfaceDetail: SetupDiEnumDeviceInterfaces Failed\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Ports p;
        p.hid.add(u"A", 0xC077, kForeignVendor);
        p.hid.add(u"B", 0xC077, kForeignVendor);
        p.hid.add(u"C", 0x13);  // never reached: the search ends at the failing index
        row.script(p.hid);
        TraceRecorder trace;
        DriverHandler handler(p.ports, 0x13);
        EXPECT_EQ(handler.Open(), row.result);
        EXPECT_EQ(handler.devicePath(), u"");
        EXPECT_EQ(trace.count(row.trace), 1);
    }
}

TEST(DriverHandlerSearch, WiredProbeSendsEndReportThenReadsTheIdentity) {
    Ports p;
    ScriptedMouse& mouse = p.hid.add(u"A", 0x13);
    DovaReport identity;
    for (std::size_t i = 9; i <= 42; ++i) identity[i] = static_cast<std::uint8_t>(i);
    mouse.blocks[0x02] = identity;
    TraceRecorder trace;
    DriverHandler handler(p.ports, 0x13);
    ASSERT_EQ(handler.Open(), hr::ok);

    const auto log = p.hid.log();
    std::vector<Exchange> kinds;
    for (const auto& exchange : log) kinds.push_back(exchange.kind);
    EXPECT_EQ(kinds, (std::vector<Exchange>{Exchange::endReport, Exchange::readinessPoll, Exchange::request,
                                            Exchange::answerPoll, Exchange::endReport}));
    const DovaReport& request = log[2].bytes;
    EXPECT_EQ(request[DovaReport::readFlag], 1);
    EXPECT_EQ(request[DovaReport::command], 0x02);
    EXPECT_EQ(request[DovaReport::param], 1);

    std::vector<std::u16string> expected = {
        u"DriverHandler::EnumKxDevices()\n",
        u"Can Create Handle\n",
        u"HidD_GetAttribute success\n",
        u"Vendor ID = %x, Device ID = %x, Version No = %x\n",
        u"KxDovaFeatureRequest()\n",
        u"KxDovaFeatureRequest : Start first call\n",
        u"KxDovaFeatureRequest : Start second call\n",
        u"KxDovaFeatureRequest : Start third call\n",
        u"KxDovaFeatureRequest : Third call success\n",
        u"KxDovaFeatureRequest : Start 4th call\n",
        u"GetFirmware Success\n",
    };
    for (int line = 1; line <= 9; ++line)
        expected.push_back(u"Result 0" + std::u16string(1, char16_t(u'0' + line)) +
                           u" : %x %x %x %x %x %x %x %x %x %x\n");
    expected.push_back(u"Result 10 : %x\n");
    EXPECT_EQ(trace.lines(), expected);
}

TEST(DriverHandlerSearch, WirelessProbeReadsReport4AfterItsPause) {
    Ports p;
    wireless(p.hid.add(u"A", 0x14));
    DriverHandler handler(p.ports, 0x14);
    ASSERT_EQ(handler.Open(), hr::ok);
    const auto log = p.hid.log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].kind, Exchange::shortGet);
    EXPECT_EQ(log[0].bytes[0], 0x04);
    EXPECT_EQ(log[0].atMs, 200u);
}

TEST(DriverHandlerSearch, FailedSearchKeepsThePathAndSuccessfulOneRewritesIt) {
    Ports p;
    ScriptedMouse& mouse = p.hid.add(u"A", 0x13);
    DriverHandler handler(p.ports, 0x13);
    ASSERT_EQ(handler.Open(), hr::ok);
    mouse.opens = false;
    EXPECT_EQ(handler.EnumKxDevices(kVendorId, 0x13), kNoMoreItems);
    EXPECT_EQ(handler.devicePath(), u"A");
    mouse.opens = true;
    mouse.path = u"A2";
    EXPECT_EQ(handler.EnumKxDevices(kVendorId, 0x13), hr::ok);
    EXPECT_EQ(handler.devicePath(), u"A2");
}

// The entry points through which command code reaches the transaction.
enum class Entry { set, get, getEx };

struct RetryFixture {
    RetryFixture() {
        mouse.blocks[0x05][DovaReport::data] = 0x42;
        EXPECT_EQ(handler.Open(), hr::ok);
        sleptAfterOpen = p.clock.sleptMs();
        snapshotsAfterOpen = p.hid.snapshots();
        requestsAfterOpen = p.hid.log(Exchange::request).size();
    }
    HResult call(Entry entry, DovaReport& report, bool retry) {
        switch (entry) {
        case Entry::set: return handler.SetFeatureRaw(report, DovaReport::size, retry);
        case Entry::get: return handler.GetFeatureRaw(report, DovaReport::size, retry);
        case Entry::getEx: return handler.GetFeatureRawEx(u"A", report, DovaReport::size, retry);
        }
        return hr::fail;
    }
    std::vector<DovaReport> requestsSince() const {
        std::vector<DovaReport> sent;
        const auto all = p.hid.log(Exchange::request);
        for (std::size_t i = requestsAfterOpen; i < all.size(); ++i) sent.push_back(all[i].bytes);
        return sent;
    }

    Ports p;
    ScriptedMouse& mouse = p.hid.add(u"A", 0x13);
    DriverHandler handler{p.ports, 0x13};
    std::uint64_t sleptAfterOpen = 0;
    int snapshotsAfterOpen = 0;
    std::size_t requestsAfterOpen = 0;
};

const char16_t* retryTrace(Entry entry) {
    switch (entry) {
    case Entry::set: return u"DriverHandler::SetFeatureRaw Retrying GetFeatureRaw %d\n";
    case Entry::get: return u"DriverHandler::GetFeatureRaw Retrying GetFeatureRaw %d\n";
    case Entry::getEx: return u"DriverHandler::GetFeatureRawEx Retrying GetFeatureRaw %d\n";
    }
    return u"";
}

class FeatureRaw : public ::testing::TestWithParam<Entry> {};

TEST_P(FeatureRaw, PassesTheResultThroughWithoutRetry) {
    struct Row {
        const char* name;
        bool retry;
        std::function<void(ScriptedMouse&)> script;
        HResult result;
        std::uint64_t sleptMs;
    } rows[] = {
        {"success", true, [](ScriptedMouse&) {}, hr::ok, 40},
        {"abort without retry", false, [](ScriptedMouse& m) { m.answers = false; }, hr::abort, 30},
        {"failure status is no abort", true, [](ScriptedMouse& m) { m.statusAfterwards = 0x09; }, hr::fail, 50},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RetryFixture f;
        row.script(f.mouse);
        TraceRecorder trace;
        DovaReport report = DovaReport::readRequest(0x05, 0);
        EXPECT_EQ(f.call(GetParam(), report, row.retry), row.result);
        EXPECT_EQ(f.p.clock.sleptMs() - f.sleptAfterOpen, row.sleptMs);
        EXPECT_EQ(f.p.hid.snapshots(), f.snapshotsAfterOpen);
        EXPECT_EQ(trace.count(retryTrace(GetParam())), 0);
        EXPECT_EQ(trace.count(u"DriverHandler SetFeatureRaw\n"), GetParam() == Entry::set);
        EXPECT_EQ(trace.count(u"DriverHandler GetFeatureRaw\n"), GetParam() == Entry::get);
    }
}

TEST_P(FeatureRaw, UnpluggedMouseCostsOnePauseOneSearchOneRepeat) {
    RetryFixture f;
    f.mouse.answers = false;
    TraceRecorder trace;
    DovaReport report = DovaReport::readRequest(0x05, 0);
    // Not found by the search and no answer to the repeat: the mouse is gone.
    EXPECT_EQ(f.call(GetParam(), report, true), hr::fromSystemError(syserr::deviceNotConnected));
    EXPECT_EQ(f.p.hid.snapshots(), f.snapshotsAfterOpen + 1);
    EXPECT_EQ(trace.count(retryTrace(GetParam())), 1);
    EXPECT_EQ(trace.count(u"DriverHandler::EnumKxDevices()\n"), 1);
    // Two transactions, each ending at its failed readiness poll and failed end report: 30 ms
    // apiece. The search's end report finds the mouse deaf: 10 ms + 3 tries of 10 ms.
    EXPECT_EQ(trace.count(u"KxDovaFeatureRequest()\n"), 2);
    EXPECT_EQ(f.p.clock.sleptMs() - f.sleptAfterOpen, 30u + 1000 + 40 + 30);
    EXPECT_EQ(f.handler.devicePath(), u"A");
}

TEST_P(FeatureRaw, MouseBackUnderANewPath) {
    RetryFixture f;
    // Unplugged during the first readiness poll, back as "B".
    f.mouse.beforeExchange = [](ScriptedMouse& m, Exchange kind, int) {
        if (kind == Exchange::readinessPoll && m.path == u"A") m.path = u"B";
    };
    DovaReport report = DovaReport::readRequest(0x05, 0);
    const HResult result = f.call(GetParam(), report, true);
    EXPECT_EQ(f.handler.devicePath(), u"B");
    if (GetParam() == Entry::getEx) {
        EXPECT_EQ(result, hr::fail);  // the caller's own copy of the path is gone
    } else {
        EXPECT_EQ(result, hr::ok);
        EXPECT_EQ(report[DovaReport::data], 0x42);
    }
}

TEST_P(FeatureRaw, RepeatSendsTheOriginalRequest) {
    RetryFixture f;
    f.mouse.fail(Exchange::answerPoll, 2);  // the first answer poll after the search at opening
    const DovaReport request = DovaReport::readRequest(0x05, 0);
    DovaReport report = request;
    EXPECT_EQ(f.call(GetParam(), report, true), hr::ok);
    const auto sent = f.requestsSince();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent.front()[DovaReport::command], 0x05);
    EXPECT_EQ(sent.back()[DovaReport::command], 0x05);
    EXPECT_EQ(sent.back()[DovaReport::readFlag], 1);
    EXPECT_EQ(report[DovaReport::data], 0x42);
}

std::string entryName(const ::testing::TestParamInfo<Entry>& info) {
    switch (info.param) {
    case Entry::set: return "SetFeatureRaw";
    case Entry::get: return "GetFeatureRaw";
    case Entry::getEx: return "GetFeatureRawEx";
    }
    return "unknown";
}

INSTANTIATE_TEST_SUITE_P(Entries, FeatureRaw, ::testing::Values(Entry::set, Entry::get, Entry::getEx), entryName);

TEST(DriverHandlerRawAccess, UsesTheCurrentPath) {
    Ports p;
    wireless(p.hid.add(u"A", 0x14));
    DriverHandler handler(p.ports, 0x14);
    ASSERT_EQ(handler.Open(), hr::ok);
    std::uint8_t firmware[3] = {0x04};
    EXPECT_EQ(handler.RawFeatureAccess(0, firmware, 3), hr::ok);
    EXPECT_EQ(firmware[2], 2);
}

}  // namespace
}  // namespace tessel::device
