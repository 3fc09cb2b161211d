// Interfaces, paths and plugging of the simulated mouse, and the faults it can be told to show.
#include "middleware/device/driver_handler.h"
#include "sim/tests/sim_fixture.h"

namespace tessel::sim::testing {
namespace {

class Plugging : public SimTest {
protected:
    std::vector<std::u16string> listedPaths() {
        std::uint32_t error = 1;
        auto list = hid_.mouseInterfaces(error);
        EXPECT_EQ(error, 0u);
        std::vector<std::u16string> paths;
        std::u16string path;
        std::uint32_t index = 0;
        while (list->path(index++, path) == 0) paths.push_back(path);
        EXPECT_EQ(list->path(index, path), syserr::noMoreItems);
        return paths;
    }
    device::HidAttributes attributesOf(const std::u16string& path) {
        device::HidAttributes attributes;
        const PortHandle handle = hid_.open(path);
        EXPECT_TRUE(hid_.attributes(handle, attributes));
        hid_.close(handle);
        return attributes;
    }
};

TEST_F(Plugging, EachConnectionListsTheForeignMouseFirst) {
    struct Case {
        std::vector<Interface> connection;
        std::vector<std::uint16_t> products;
    };
    const Case cases[] = {
        {{}, {}},
        {{Interface::wired}, {device::kProductWired}},
        {{Interface::wireless}, {device::kProductWireless}},
        {{Interface::wired, Interface::wireless}, {device::kProductWired, device::kProductWireless}},
        {{Interface::download}, {device::kProductDownload}},
    };
    for (const Case& c : cases) {
        change([&](MouseState& s) { connect(s, c.connection); });
        const auto paths = listedPaths();
        ASSERT_EQ(paths.size(), c.products.size() + 1);
        const device::HidAttributes foreign = attributesOf(paths[0]);
        EXPECT_EQ(foreign.vendorId, kForeignVendorId);
        EXPECT_EQ(foreign.productId, device::kProductWired) << "same product id, other vendor";
        for (std::size_t i = 0; i < c.products.size(); ++i) {
            const device::HidAttributes mouse = attributesOf(paths[i + 1]);
            EXPECT_EQ(mouse.vendorId, device::kVendorId);
            EXPECT_EQ(mouse.productId, c.products[i]);
            EXPECT_LT(paths[i + 1].size(), device::kDevicePathCapacity);
        }
    }
}

TEST_F(Plugging, ForeignMouseHasNoFeatureReports) {
    const PortHandle foreign = hid_.open(listedPaths()[0]);
    ASSERT_NE(foreign, 0u);
    DovaReport report;
    EXPECT_FALSE(get(foreign, report));
    EXPECT_FALSE(set(foreign, DovaReport::endReport()));
    EXPECT_EQ(state().counters.endReports, 0u);
}

TEST_F(Plugging, PathsAreOpenedWithoutRegardToCase) {
    std::u16string path = listedPaths()[1];
    EXPECT_EQ(path.substr(0, 26), u"\\\\?\\hid#vid_7a3c&pid_0013#");
    for (char16_t& c : path)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    EXPECT_NE(hid_.open(path), 0u);
    EXPECT_EQ(hid_.open(u"\\\\?\\hid#vid_7a3c&pid_0013#nothing"), 0u);
    EXPECT_EQ(hid_.lastError(), syserr::fileNotFound);
}

TEST_F(Plugging, ReplugMovesTheMouseToANewPath) {
    const std::u16string before = listedPaths()[1];
    const PortHandle old = hid_.open(before);
    change(replugAll);
    const std::u16string after = listedPaths()[1];
    EXPECT_NE(after, before);
    DovaReport report;
    EXPECT_FALSE(get(old, report)) << "a handle of the old plug is dead";
    EXPECT_EQ(hid_.lastError(), syserr::deviceNotConnected);
    EXPECT_EQ(hid_.open(before), 0u);
    EXPECT_NE(hid_.open(after), 0u);
}

TEST_F(Plugging, UnplugEndsTheTransactionInProgress) {
    const PortHandle handle = open(Interface::wired);
    DovaReport report;
    ASSERT_TRUE(get(handle, report));
    ASSERT_TRUE(set(handle, readRequest(command::identity, 1)));
    change(unplugAll);
    EXPECT_EQ(state().transaction, Transaction{});
    EXPECT_FALSE(get(handle, report));
}

class FaultInjection : public SimTest {};

TEST_F(FaultInjection, BusyReadinessPollsCarryTheirControlValue) {
    change([](MouseState& s) {
        s.faults.busyReadyPolls = 2;
        s.faults.busyReadyControl = 7;
    });
    const PortHandle handle = open(Interface::wired);
    DovaReport poll;
    for (std::uint8_t expected : {7, 7, 0}) {
        ASSERT_TRUE(get(handle, poll));
        EXPECT_EQ(poll[DovaReport::control], expected);
    }
}

TEST_F(FaultInjection, BusyAnswerPolls) {
    change([](MouseState& s) { s.faults.busyAnswerPolls = 3; });
    const PortHandle handle = open(Interface::wired);
    DovaReport answer;
    ASSERT_TRUE(get(handle, answer));
    ASSERT_TRUE(set(handle, readRequest(command::performance, 0)));
    for (std::uint8_t expected : {status::busy, status::busy, status::busy, status::done}) {
        ASSERT_TRUE(get(handle, answer));
        EXPECT_EQ(answer[DovaReport::status], expected);
    }
}

TEST_F(FaultInjection, StatusSequenceAnswersBeforeTheRequestIsCarriedOut) {
    change([](MouseState& s) { s.faults.statusSequence = {0x05, 0x05, 0x05}; });
    const DovaReport write = writeRequest(command::performance, 5, {{9, 1}, {10, 8}, {11, 3}, {12, 56}, {13, 56}});
    for (int attempt = 0; attempt < 3; ++attempt) {
        EXPECT_EQ(transact(write)[DovaReport::status], 0x05);
        EXPECT_EQ(state().pollingCode, 1) << "a failed attempt changes nothing";
    }
    EXPECT_EQ(transact(write)[DovaReport::status], status::done);
    EXPECT_EQ(state().pollingCode, 8);
    EXPECT_TRUE(state().faults.statusSequence.empty());
}

TEST_F(FaultInjection, GarbageAnswersAreNeitherBusyNorDone) {
    change([](MouseState& s) { s.faults.garbageAnswers = 50; });
    for (int i = 0; i < 50; ++i) {
        const DovaReport answer = transact(readRequest(command::identity, 1));
        EXPECT_GT(answer[DovaReport::status], 0x08) << i;
    }
    EXPECT_EQ(transact(readRequest(command::identity, 1))[DovaReport::status], status::done);
}

TEST_F(FaultInjection, SlowAnswersStayBusyUntilTheClockPassed) {
    change([](MouseState& s) { s.faults.slowAnswerMs = 250; });
    const PortHandle handle = open(Interface::wired);
    DovaReport answer;
    ASSERT_TRUE(get(handle, answer));
    ASSERT_TRUE(set(handle, readRequest(command::performance, 0)));
    clock_.sleepMs(249);
    ASSERT_TRUE(get(handle, answer));
    EXPECT_EQ(answer[DovaReport::status], status::busy);
    clock_.sleepMs(1);
    ASSERT_TRUE(get(handle, answer));
    EXPECT_EQ(answer[DovaReport::status], status::done);
}

TEST_F(FaultInjection, DropInTheMiddleOfATransaction) {
    change([](MouseState& s) { s.faults.dropAfterReports = 2; });
    const std::u16string path = interfacePath(Interface::wired, state().link.generation(Interface::wired));
    const PortHandle handle = hid_.open(path);
    DovaReport report;
    ASSERT_TRUE(get(handle, report));
    ASSERT_TRUE(set(handle, readRequest(command::identity, 1)));
    EXPECT_FALSE(get(handle, report)) << "gone before the answer";
    EXPECT_EQ(hid_.lastError(), syserr::deviceNotConnected);
    EXPECT_FALSE(set(handle, DovaReport::endReport()));
    EXPECT_EQ(hid_.open(path), 0u);
    EXPECT_TRUE(pluggedInterfaces(state()).empty());
    EXPECT_FALSE(state().faults.dropAfterReports) << "the fault is used up";
}

TEST_F(FaultInjection, DropAndComeBackUnderANewPath) {
    change([](MouseState& s) {
        connect(s, {Interface::wired, Interface::wireless});
        s.faults.dropAfterReports = 0;
        s.faults.replugAfterMs = 1000;
    });
    const std::u16string before = interfacePath(Interface::wired, state().link.generation(Interface::wired));
    const PortHandle handle = hid_.open(before);
    DovaReport report;
    EXPECT_FALSE(get(handle, report));
    clock_.sleepMs(999);
    EXPECT_EQ(hid_.open(before), 0u);
    EXPECT_TRUE(pluggedInterfaces(state()).empty());
    clock_.sleepMs(1);
    std::uint32_t error = 0;
    hid_.mouseInterfaces(error);  // any access brings it back once the time has come
    const PortHandle back = open(Interface::wired);
    EXPECT_EQ(pluggedInterfaces(state()), (std::vector<Interface>{Interface::wired, Interface::wireless}));
    EXPECT_NE(interfacePath(Interface::wired, state().link.generation(Interface::wired)), before);
    EXPECT_EQ(transact(back, readRequest(command::identity, 1))[DovaReport::status], status::done);
}

}  // namespace
}  // namespace tessel::sim::testing
