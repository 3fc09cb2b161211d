// DeviceEnumeration and the device type object, against the simulated mouse.
#include <functional>

#include "middleware/api/tests/com_testing.h"

namespace tessel::com::testing {
namespace {

// A string from the task allocator, freed when the test is done with it.
std::wstring takeTaskString(LPWSTR text) {
    std::wstring copy = text ? text : L"<null>";
    CoTaskMemFree(text);
    return copy;
}

class DeviceTypeTest : public ::testing::Test {
protected:
    void SetUp() override {
        mouse::reset();
        enumeration_ = createDeviceEnumeration();
        ASSERT_TRUE(enumeration_);
        ASSERT_EQ(enumeration_->OpenDeviceEnumerationInterface(), S_OK);
        ASSERT_EQ(enumeration_->EnumDeviceType(0x13, device_.GetAddressOf()), S_OK);
    }
    void TearDown() override {
        device_.Reset();
        EXPECT_EQ(enumeration_->CloseDeviceEnumerationInterface(), S_OK);
        enumeration_.Reset();
        EXPECT_EQ(serverCanUnloadNow(), S_OK);
    }

    std::wstring text(HRESULT (IDeviceType::*read)(LPWSTR*), HRESULT expected = S_OK) {
        LPWSTR value = nullptr;
        EXPECT_EQ((device_.Get()->*read)(&value), expected);
        return takeTaskString(value);
    }

    Apartment apartment_;
    ComPtr<IDeviceEnumeration> enumeration_;
    ComPtr<IDeviceType> device_;
};

TEST_F(DeviceTypeTest, ProductIsChosenWhenOpeningNotWhenEnumerating) {
    ComPtr<IDeviceType> other;
    ASSERT_EQ(enumeration_->EnumDeviceType(0x99, other.GetAddressOf()), S_OK);
    ASSERT_EQ(other->OpenDeviceInterface(0x13), S_OK);
    LPWSTR hardware = nullptr;
    ASSERT_EQ(other->GetHardwareId(&hardware), S_OK);
    EXPECT_EQ(takeTaskString(hardware), L"VID_7A3C&PID_0013");
    // Each enumeration gives a new object.
    EXPECT_NE(other.Get(), device_.Get());
}

TEST_F(DeviceTypeTest, IdentityOfTheWiredMouse) {
    ASSERT_EQ(device_->OpenDeviceInterface(0x13), S_OK);
    EXPECT_EQ(text(&IDeviceType::GetHardwareId), L"VID_7A3C&PID_0013");
    EXPECT_EQ(text(&IDeviceType::GetDriverVersion), L"1.02");
    EXPECT_EQ(text(&IDeviceType::GetFirmwareVersion), L"1.07");
    EXPECT_EQ(text(&IDeviceType::GetSerialNumber), L"73012405170000000000000000001234");
    long connected = -1;
    EXPECT_EQ(device_->IsConnected(&connected), S_OK);
    EXPECT_EQ(connected, 1);
    long version = 0;
    EXPECT_EQ(enumeration_->GetMiddlewareVersion(&version), S_OK);
    EXPECT_EQ(version, 1102);
}

TEST_F(DeviceTypeTest, IdentityOfTheWirelessReceiver) {
    mouse::change([](sim::MouseState& state) { sim::connect(state, {sim::Interface::wireless}); });
    ASSERT_EQ(device_->OpenDeviceInterface(0x14), S_OK);
    EXPECT_EQ(text(&IDeviceType::GetHardwareId), L"VID_7A3C&PID_0014");
    EXPECT_EQ(text(&IDeviceType::GetFirmwareVersion), L"1.07");
    long connected = -1;
    EXPECT_EQ(device_->IsConnected(&connected), S_OK);
    EXPECT_EQ(connected, 1);
}

TEST_F(DeviceTypeTest, CapabilitiesLeaveTheOnboardFlagToTheCaller) {
    ASSERT_EQ(device_->OpenDeviceInterface(0x13), S_OK);
    _TDeviceCapabilities capabilities{};
    capabilities.bHasHalden = 77;
    ASSERT_EQ(device_->GetDeviceCapabilities(&capabilities), S_OK);
    EXPECT_EQ(capabilities.ulPid, 0x13u);
    EXPECT_EQ(capabilities.lNoOfMouseButtons, 9);
    EXPECT_EQ(capabilities.lNoOfTotalButtons, 10);
    EXPECT_EQ(capabilities.bHasHalden, 77);
    EXPECT_EQ(capabilities.ulMaxMacroLen, 500u);
    EXPECT_EQ(capabilities.bDpiSettingsSupported, 1);
    EXPECT_EQ(capabilities.bPollingRateSupported, 1);
}

TEST_F(DeviceTypeTest, DriverChannelAnswersEHandle) {
    ASSERT_EQ(device_->OpenDeviceInterface(0x13), S_OK);
    _TBusType bus = static_cast<_TBusType>(5);
    EXPECT_EQ(device_->GetBusType(&bus), E_HANDLE);
    EXPECT_EQ(bus, BUS_TYPE_USB);
    EXPECT_EQ(device_->SwitchToNextDevice(), E_NOTIMPL);
}

TEST_F(DeviceTypeTest, WithoutAMouseOpeningFailsOnceAndThenCountsAsOpened) {
    mouse::change([](sim::MouseState& state) { sim::unplugAll(state); });
    EXPECT_EQ(device_->OpenDeviceInterface(0x13), static_cast<HRESULT>(0x80070103));
    EXPECT_EQ(device_->OpenDeviceInterface(0x13), S_OK);
    long connected = -1;
    EXPECT_TRUE(FAILED(device_->IsConnected(&connected)));
    EXPECT_EQ(connected, 0);
}

TEST_F(DeviceTypeTest, FeatureObjectsFailOnceTheDeviceIsClosed) {
    ASSERT_EQ(device_->OpenDeviceInterface(0x13), S_OK);
    ComPtr<IPollingRate> rate;
    ASSERT_EQ(device_->CreatePollingRateInterface(rate.GetAddressOf()), S_OK);
    long hz = 0;
    EXPECT_EQ(rate->GetRate(&hz), S_OK);
    EXPECT_EQ(hz, 1000);
    EXPECT_EQ(device_->CloseDeviceInterface(), S_OK);
    EXPECT_EQ(rate->GetRate(&hz), E_FAIL);
    EXPECT_EQ(text(&IDeviceType::GetHardwareId, E_FAIL), L"<null>");
    // Opening again gives the existing objects their device back.
    ASSERT_EQ(device_->OpenDeviceInterface(0x13), S_OK);
    EXPECT_EQ(rate->GetRate(&hz), S_OK);
    EXPECT_EQ(device_->CloseDeviceInterface(), S_OK);
    EXPECT_EQ(device_->CloseDeviceInterface(), S_OK);
}

TEST_F(DeviceTypeTest, NullOutPointersAreRefused) {
    ASSERT_EQ(device_->OpenDeviceInterface(0x13), S_OK);
    IDeviceType* d = device_.Get();
    const std::vector<std::pair<const char*, std::function<HRESULT()>>> calls = {
        {"EnumDeviceType", [&] { return enumeration_->EnumDeviceType(0x13, nullptr); }},
        {"GetMiddlewareVersion", [&] { return enumeration_->GetMiddlewareVersion(nullptr); }},
        {"GetDriverVersion", [&] { return d->GetDriverVersion(nullptr); }},
        {"GetHardwareId", [&] { return d->GetHardwareId(nullptr); }},
        {"GetSerialNumber", [&] { return d->GetSerialNumber(nullptr); }},
        {"GetFirmwareVersion", [&] { return d->GetFirmwareVersion(nullptr); }},
        {"GetDeviceCapabilities", [&] { return d->GetDeviceCapabilities(nullptr); }},
        {"GetBusType", [&] { return d->GetBusType(nullptr); }},
        {"CreateProfileInterface", [&] { return d->CreateProfileInterface(nullptr); }},
        {"CreateMacroHandlingInterface", [&] { return d->CreateMacroHandlingInterface(nullptr); }},
        {"CreateUserActionInterface", [&] { return d->CreateUserActionInterface(nullptr); }},
        {"CreateDefaultModeInterface", [&] { return d->CreateDefaultModeInterface(nullptr); }},
        {"CreateWirelessDistanceInterface", [&] { return d->CreateWirelessDistanceInterface(nullptr); }},
        {"CreateBatteryInterface", [&] { return d->CreateBatteryInterface(nullptr); }},
        {"CreateHaldenInterface", [&] { return d->CreateHaldenInterface(nullptr); }},
        {"CreateOTFSInterface", [&] { return d->CreateOTFSInterface(nullptr); }},
        {"CreatePollingRateInterface", [&] { return d->CreatePollingRateInterface(nullptr); }},
        {"IsConnected", [&] { return d->IsConnected(nullptr); }},
    };
    for (const auto& [name, call] : calls) EXPECT_EQ(call(), E_POINTER) << name;
}

TEST_F(DeviceTypeTest, EveryObjectOffersItsEventsAndNoOthers) {
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(device_.As(&container), S_OK);
    ComPtr<IConnectionPoint> point;
    EXPECT_EQ(container->FindConnectionPoint(IID__IDeviceTypeEvents, point.GetAddressOf()), S_OK);
    IID iid{};
    EXPECT_EQ(point->GetConnectionInterface(&iid), S_OK);
    EXPECT_EQ(iid, IID__IDeviceTypeEvents);
    ComPtr<IConnectionPoint> other;
    EXPECT_EQ(container->FindConnectionPoint(IID__IHaldenEvents, other.GetAddressOf()), CONNECT_E_NOCONNECTION);
    ComPtr<IEnumConnectionPoints> points;
    ASSERT_EQ(container->EnumConnectionPoints(points.GetAddressOf()), S_OK);
    IConnectionPoint* listed[2] = {};
    ULONG fetched = 0;
    EXPECT_EQ(points->Next(2, listed, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    EXPECT_EQ(listed[0], point.Get());
    listed[0]->Release();
}

}  // namespace
}  // namespace tessel::com::testing
