// Subscriptions through the connection points, on IDpi (whose raise operation makes events on
// request) and on every object that offers events.
#include <atomic>
#include <functional>
#include <thread>

#include "middleware/api/tests/com_testing.h"

namespace tessel::com::testing {
namespace {

class ConnectionPointTest : public ::testing::Test {
protected:
    void SetUp() override {
        mouse::reset();
        auto enumeration = createDeviceEnumeration();
        ASSERT_TRUE(enumeration);
        ASSERT_EQ(enumeration->EnumDeviceType(0x13, device_.GetAddressOf()), S_OK);
        ComPtr<IProfile> profile;
        ASSERT_EQ(device_->CreateProfileInterface(profile.GetAddressOf()), S_OK);
        ASSERT_EQ(profile->CreateDpiInterface(dpi_.GetAddressOf()), S_OK);
        ComPtr<IConnectionPointContainer> container;
        ASSERT_EQ(dpi_.As(&container), S_OK);
        ASSERT_EQ(container->FindConnectionPoint(IID__IDpiEvents, point_.GetAddressOf()), S_OK);
    }
    void TearDown() override {
        point_.Reset();
        dpi_.Reset();
        device_.Reset();
        EXPECT_EQ(serverCanUnloadNow(), S_OK);
    }

    DWORD subscribe(RecordingSink* sink) {
        DWORD cookie = 0;
        EXPECT_EQ(point_->Advise(sink->unknown(), &cookie), S_OK);
        return cookie;
    }

    Apartment apartment_;
    ComPtr<IDeviceType> device_;
    ComPtr<IDpi> dpi_;
    ComPtr<IConnectionPoint> point_;
    std::vector<Event> log_;
};

TEST_F(ConnectionPointTest, DeliveryInTheOrderOfConnection) {
    auto a = RecordingSink::create(&log_, "a");
    auto b = RecordingSink::create(&log_, "b");
    auto c = RecordingSink::create(&log_, "c");
    const DWORD cookieA = subscribe(a.Get());
    const DWORD cookieB = subscribe(b.Get());
    const DWORD cookieC = subscribe(c.Get());
    EXPECT_NE(cookieA, cookieB);
    EXPECT_NE(cookieB, cookieC);
    ASSERT_EQ(dpi_->RaiseDpiEvent(), S_OK);
    ASSERT_EQ(point_->Unadvise(cookieB), S_OK);
    ASSERT_EQ(dpi_->RaiseDpiEvent(), S_OK);
    const std::vector<Event> expected = {{"a:OnDpiEvent", {}}, {"b:OnDpiEvent", {}}, {"c:OnDpiEvent", {}},
                                         {"a:OnDpiEvent", {}}, {"c:OnDpiEvent", {}}};
    EXPECT_EQ(log_, expected);
    EXPECT_EQ(b->references(), 1u);
    EXPECT_EQ(point_->Unadvise(cookieB), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(point_->Unadvise(0), CONNECT_E_NOCONNECTION);
}

// An object that is not a sink of the events.
class NotASink final : public IUnknown {
public:
    IFACEMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (iid != IID_IUnknown) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = this;
        return S_OK;
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return 2; }
    IFACEMETHODIMP_(ULONG) Release() override { return 1; }
};

TEST_F(ConnectionPointTest, AdviseRefusesWhatCannotReceive) {
    NotASink other;
    DWORD cookie = 7;
    EXPECT_EQ(point_->Advise(&other, &cookie), CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(cookie, 0u);
    EXPECT_EQ(point_->Advise(nullptr, &cookie), E_POINTER);
    auto sink = RecordingSink::create(&log_);
    EXPECT_EQ(point_->Advise(sink->unknown(), nullptr), E_POINTER);
    EXPECT_EQ(sink->references(), 1u);
}

TEST_F(ConnectionPointTest, ThePointBelongsToItsObject) {
    IID iid{};
    ASSERT_EQ(point_->GetConnectionInterface(&iid), S_OK);
    EXPECT_EQ(iid, IID__IDpiEvents);
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(point_->GetConnectionPointContainer(container.GetAddressOf()), S_OK);
    ComPtr<IUnknown> fromPoint, fromObject;
    container.As(&fromPoint);
    dpi_.As(&fromObject);
    EXPECT_EQ(fromPoint.Get(), fromObject.Get());
    // The point alone keeps its object alive.
    container.Reset();
    fromPoint.Reset();
    fromObject.Reset();
    dpi_.Reset();
    EXPECT_EQ(serverCanUnloadNow(), S_FALSE);
    ASSERT_EQ(point_->GetConnectionPointContainer(container.GetAddressOf()), S_OK);
    EXPECT_EQ(point_->GetConnectionInterface(nullptr), E_POINTER);
}

TEST_F(ConnectionPointTest, EnumeratedConnectionsAreASnapshot) {
    auto a = RecordingSink::create(&log_, "a");
    auto b = RecordingSink::create(&log_, "b");
    const DWORD cookieA = subscribe(a.Get());
    const DWORD cookieB = subscribe(b.Get());
    ComPtr<IEnumConnections> connections;
    ASSERT_EQ(point_->EnumConnections(connections.GetAddressOf()), S_OK);
    auto late = RecordingSink::create(&log_, "late");
    const DWORD cookieLate = subscribe(late.Get());

    CONNECTDATA data[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(connections->Next(3, data, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 2u);
    EXPECT_EQ(data[0].dwCookie, cookieA);
    EXPECT_EQ(data[1].dwCookie, cookieB);
    ComPtr<_IDpiEvents> asSink;
    ASSERT_EQ(data[1].pUnk->QueryInterface(IID__IDpiEvents, reinterpret_cast<void**>(asSink.GetAddressOf())), S_OK);
    asSink->OnDpiEvent();
    EXPECT_EQ(log_, (std::vector<Event>{{"b:OnDpiEvent", {}}}));
    for (ULONG i = 0; i < fetched; ++i) data[i].pUnk->Release();

    ASSERT_EQ(connections->Reset(), S_OK);
    EXPECT_EQ(connections->Skip(1), S_OK);
    ComPtr<IEnumConnections> copy;
    ASSERT_EQ(connections->Clone(copy.GetAddressOf()), S_OK);
    EXPECT_EQ(copy->Next(1, data, nullptr), S_OK);
    EXPECT_EQ(data[0].dwCookie, cookieB);
    data[0].pUnk->Release();
    EXPECT_EQ(connections->Skip(5), S_FALSE);
    EXPECT_EQ(connections->Next(2, data, nullptr), E_POINTER);

    connections.Reset();
    copy.Reset();
    for (DWORD cookie : {cookieA, cookieB, cookieLate}) EXPECT_EQ(point_->Unadvise(cookie), S_OK);
    EXPECT_EQ(a->references(), 1u);
    EXPECT_EQ(late->references(), 1u);
}

TEST_F(ConnectionPointTest, SinksMayUnsubscribeWhileAnEventIsDelivered) {
    auto a = RecordingSink::create(&log_, "a");
    auto b = RecordingSink::create(&log_, "b");
    const DWORD cookieA = subscribe(a.Get());
    const DWORD cookieB = subscribe(b.Get());
    // The first sink ends both subscriptions; the event still reaches the second.
    a->onEvent = [&] {
        point_->Unadvise(cookieA);
        point_->Unadvise(cookieB);
    };
    ASSERT_EQ(dpi_->RaiseDpiEvent(), S_OK);
    ASSERT_EQ(dpi_->RaiseDpiEvent(), S_OK);
    const std::vector<Event> expected = {{"a:OnDpiEvent", {}}, {"b:OnDpiEvent", {}}};
    EXPECT_EQ(log_, expected);
    EXPECT_EQ(a->references(), 1u);
    EXPECT_EQ(b->references(), 1u);
}

// The object's own guarantee, used directly from a second thread: subscriptions that come and go
// there while events are delivered here neither disturb the steady sink nor break the list.
TEST_F(ConnectionPointTest, AnotherThreadMayAdviseAndUnadviseDuringDelivery) {
    constexpr int kEvents = 2000;
    auto steady = RecordingSink::create(&log_, "steady");
    const DWORD cookie = subscribe(steady.Get());
    std::vector<Event> passingLog;  // written by this thread only: it delivers
    auto passing = RecordingSink::create(&passingLog, "passing");
    std::atomic<bool> done{false};
    std::atomic<int> rounds{0};
    std::thread churn([&] {
        while (!done) {
            DWORD passingCookie = 0;
            if (point_->Advise(passing->unknown(), &passingCookie) == S_OK) point_->Unadvise(passingCookie);
            ++rounds;
        }
    });
    // Delivery goes on until the other thread has come and gone many times (30 s at most).
    size_t raised = 0;
    const ULONGLONG deadline = GetTickCount64() + 30000;
    while ((raised < kEvents || rounds < kEvents / 10) && GetTickCount64() < deadline) {
        ASSERT_EQ(dpi_->RaiseDpiEvent(), S_OK);
        ++raised;
    }
    done = true;
    churn.join();
    EXPECT_EQ(log_.size(), raised);
    EXPECT_GE(rounds.load(), kEvents / 10);
    EXPECT_EQ(point_->Unadvise(cookie), S_OK);
    EXPECT_EQ(passing->references(), 1u);
    EXPECT_EQ(steady->references(), 1u);
}

TEST_F(ConnectionPointTest, ASinkMayReleaseTheLastReferenceToTheSource) {
    auto sink = RecordingSink::create(&log_);
    subscribe(sink.Get());
    point_.Reset();
    IDpi* dpi = dpi_.Detach();
    sink->onEvent = [&] { dpi->Release(); };
    EXPECT_EQ(dpi->RaiseDpiEvent(), S_OK);
    EXPECT_EQ(log_.size(), 1u);
    // The source is gone, and with it the subscription it never ended.
    EXPECT_EQ(sink->references(), 1u);
}

// Every object with an event interface offers exactly that one.
TEST(EventSources, EveryObjectOffersItsEventInterface) {
    Apartment apartment;
    mouse::reset();
    auto enumeration = createDeviceEnumeration();
    ASSERT_TRUE(enumeration);
    ComPtr<IDeviceType> device;
    ASSERT_EQ(enumeration->EnumDeviceType(0x13, device.GetAddressOf()), S_OK);
    ASSERT_EQ(device->OpenDeviceInterface(0x13), S_OK);
    ComPtr<IProfile> profile;
    ASSERT_EQ(device->CreateProfileInterface(profile.GetAddressOf()), S_OK);
    ComPtr<IHalden> halden;
    ASSERT_EQ(device->CreateHaldenInterface(halden.GetAddressOf()), S_OK);

    struct Source {
        const char* name;
        std::function<HRESULT(IUnknown**)> make;
        IID events;
    };
#define SOURCE(name, call, iid) \
    Source { name, [&](IUnknown** out) { return call; }, iid }
    const std::vector<Source> sources = {
        SOURCE("DeviceEnumeration", enumeration->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(out)),
               IID__IDeviceEnumerationEvents),
        SOURCE("DeviceType", device->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(out)), IID__IDeviceTypeEvents),
        SOURCE("Profile", profile->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(out)), IID__IProfileEvents),
        SOURCE("MacroHandling", device->CreateMacroHandlingInterface(reinterpret_cast<IMacroHandling**>(out)),
               IID__IMacroHandlingEvents),
        SOURCE("UserAction", device->CreateUserActionInterface(reinterpret_cast<IUserAction**>(out)),
               IID__IUserActionEvents),
        SOURCE("ButtonControl", profile->CreateButtonControlInterface(reinterpret_cast<IButtonControl**>(out)),
               IID__IButtonControlEvents),
        SOURCE("DpiSettings", profile->CreateDpiSettingsInterface(reinterpret_cast<IDpiSettings**>(out)),
               IID__IDpiSettingsEvents),
        SOURCE("LedStatus", profile->CreateLedStatusInterface(reinterpret_cast<ILedStatus**>(out)),
               IID__ILedStatusEvents),
        SOURCE("PerformanceSettings",
               profile->CreatePerformanceSettingsInterface(reinterpret_cast<IPerformanceSettings**>(out)),
               IID__IPerformanceSettingsEvents),
        SOURCE("Dpi", profile->CreateDpiInterface(reinterpret_cast<IDpi**>(out)), IID__IDpiEvents),
        SOURCE("PollingRate", device->CreatePollingRateInterface(reinterpret_cast<IPollingRate**>(out)),
               IID__IPollingRateEvents),
        SOURCE("Battery", device->CreateBatteryInterface(reinterpret_cast<IBattery**>(out)), IID__IBatteryEvents),
        SOURCE("WirelessDistance", device->CreateWirelessDistanceInterface(reinterpret_cast<IWirelessDistance**>(out)),
               IID__IWirelessDistanceEvents),
        SOURCE("DefaultMode", device->CreateDefaultModeInterface(reinterpret_cast<IDefaultMode**>(out)),
               IID__IDefaultModeEvents),
        SOURCE("OTFS", device->CreateOTFSInterface(reinterpret_cast<IOTFS**>(out)), IID__IOTFSEvents),
        SOURCE("Halden", halden->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(out)), IID__IHaldenEvents),
        SOURCE("HaldenProfileManager", halden->CreateInterfaceInstance(IID_IHaldenProfileManager, out),
               IID__IHaldenProfileManagerEvents),
    };
#undef SOURCE
    for (const Source& source : sources) {
        SCOPED_TRACE(source.name);
        ComPtr<IUnknown> object;
        ASSERT_EQ(source.make(object.GetAddressOf()), S_OK);
        ComPtr<IConnectionPointContainer> container;
        ASSERT_EQ(object.As(&container), S_OK);
        ComPtr<IConnectionPoint> point;
        EXPECT_EQ(container->FindConnectionPoint(source.events, point.GetAddressOf()), S_OK);
        const IID& other = source.events == IID__IDpiEvents ? IID__IOTFSEvents : IID__IDpiEvents;
        ComPtr<IConnectionPoint> none;
        EXPECT_EQ(container->FindConnectionPoint(other, none.GetAddressOf()), CONNECT_E_NOCONNECTION);
        EXPECT_EQ(container->FindConnectionPoint(source.events, nullptr), E_POINTER);
    }
}

}  // namespace
}  // namespace tessel::com::testing
