// The feature objects of a device type, against the simulated mouse: what they send, what they
// hand out and in which memory, and how they treat bad input.
#include <functional>

#include "middleware/api/tests/com_testing.h"

namespace tessel::com::testing {
namespace {

constexpr std::uint8_t code(long dpi) { return static_cast<std::uint8_t>((dpi - 100) / 25); }

class FeatureTest : public ::testing::Test {
protected:
    void SetUp() override {
        mouse::reset(initialMouse());
        auto enumeration = createDeviceEnumeration();
        ASSERT_TRUE(enumeration);
        ASSERT_EQ(enumeration->EnumDeviceType(productId(), device_.GetAddressOf()), S_OK);
        ASSERT_EQ(device_->OpenDeviceInterface(productId()), S_OK);
        ASSERT_EQ(device_->CreateProfileInterface(profile_.GetAddressOf()), S_OK);
    }
    void TearDown() override {
        profile_.Reset();
        device_.Reset();
        EXPECT_EQ(serverCanUnloadNow(), S_OK);
    }
    virtual sim::MouseState initialMouse() { return sim::MouseState::factory(); }
    virtual unsigned short productId() { return 0x13; }

    std::uint64_t requests() { return mouse::read().counters.requests; }

    Apartment apartment_;
    ComPtr<IDeviceType> device_;
    ComPtr<IProfile> profile_;
};

// --- sensitivity ---

TEST_F(FeatureTest, DpiLevelIsTheMousesCurrentSensitivity) {
    ComPtr<IDpi> dpi;
    ASSERT_EQ(profile_->CreateDpiInterface(dpi.GetAddressOf()), S_OK);
    long x = 0, y = 0;
    ASSERT_EQ(dpi->GetDpiLevel(&x, &y), S_OK);
    EXPECT_EQ(x, 1500);
    EXPECT_EQ(y, 1500);
    ASSERT_EQ(dpi->SetDpiLevel(800, 625), S_OK);
    const sim::MouseState state = mouse::read();
    EXPECT_EQ(state.current.x, code(800));
    EXPECT_EQ(state.current.y, code(625));
    EXPECT_EQ(dpi->GetDpiLevel(nullptr, &y), E_POINTER);
}

TEST_F(FeatureTest, DpiStagesComeInAHundredByteTaskBlock) {
    ComPtr<IDpi> dpi;
    ASSERT_EQ(profile_->CreateDpiInterface(dpi.GetAddressOf()), S_OK);
    unsigned long size = 0;
    _stDpiStageType* stages = nullptr;
    ASSERT_EQ(dpi->GetDpiStages(&size, &stages), S_OK);
    ASSERT_TRUE(stages);
    EXPECT_EQ(size, 100u);
    ComPtr<IMalloc> allocator;
    ASSERT_EQ(CoGetMalloc(1, allocator.GetAddressOf()), S_OK);
    EXPECT_EQ(allocator->GetSize(stages), 100u);
    EXPECT_EQ(stages->ulTotalStages, 5u);
    EXPECT_EQ(stages->lDefaultStage, 3);
    EXPECT_EQ(stages->lCurrentStage, 3);
    const unsigned long expected[] = {500, 1000, 1500, 2000, 4000};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(stages->Sensitivity[i].ulXSensitivity, expected[i]);
        EXPECT_EQ(stages->Sensitivity[i].ulYSensitivity, expected[i]);
    }
    CoTaskMemFree(stages);
}

TEST_F(FeatureTest, DpiStagesRefusedBeforeAnyExchange) {
    ComPtr<IDpi> dpi;
    ASSERT_EQ(profile_->CreateDpiInterface(dpi.GetAddressOf()), S_OK);
    const std::uint64_t before = requests();
    _stDpiStageType six{};
    six.ulTotalStages = 6;
    EXPECT_EQ(dpi->SetDpiStages(sizeof(six), &six), E_INVALIDARG);
    EXPECT_EQ(dpi->SetDpiStages(0, nullptr), E_POINTER);
    EXPECT_EQ(requests(), before);
    EXPECT_EQ(dpi->GetDpiStages(nullptr, nullptr), E_POINTER);
}

TEST_F(FeatureTest, DpiStagesOfTheActiveProfileAreWritten) {
    ComPtr<IDpi> dpi;
    ASSERT_EQ(profile_->CreateDpiInterface(dpi.GetAddressOf()), S_OK);
    _stDpiStageType stages{};
    stages.ulTotalStages = 3;
    stages.lDefaultStage = 1;
    stages.lCurrentStage = 2;
    stages.Sensitivity[0] = {400, 400};
    stages.Sensitivity[1] = {800, 900};
    stages.Sensitivity[2] = {1600, 1600};
    ASSERT_EQ(dpi->SetDpiStages(sizeof(stages), &stages), S_OK);
    const sim::Profile& written = mouse::read().profile(1);
    EXPECT_EQ(written.stageCount, 3);
    EXPECT_EQ(written.defaultStage, 1);
    EXPECT_EQ(written.stages[1].x, code(800));
    EXPECT_EQ(written.stages[1].y, code(900));
}

// --- polling rate, lighting ---

TEST_F(FeatureTest, PollingRates) {
    ComPtr<IPollingRate> rate;
    ASSERT_EQ(device_->CreatePollingRateInterface(rate.GetAddressOf()), S_OK);
    long count = 0;
    long* rates = nullptr;
    ASSERT_EQ(rate->GetRateList(&count, &rates), S_OK);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(rates[0], 1000);
    EXPECT_EQ(rates[1], 500);
    EXPECT_EQ(rates[2], 125);
    CoTaskMemFree(rates);

    ASSERT_EQ(rate->SetRate(500), S_OK);
    EXPECT_EQ(mouse::read().pollingCode, 2);
    long hz = 0;
    ASSERT_EQ(rate->GetRate(&hz), S_OK);
    EXPECT_EQ(hz, 500);

    // An unknown rate is refused after the read, without a write.
    const std::uint64_t before = requests();
    EXPECT_EQ(rate->SetRate(250), E_INVALIDARG);
    EXPECT_EQ(requests(), before + 1);
    EXPECT_EQ(mouse::read().pollingCode, 2);

    mouse::change([](sim::MouseState& state) { state.pollingCode = 4; });
    EXPECT_EQ(rate->GetRate(&hz), E_FAIL);

    SAFEARRAY* managed = reinterpret_cast<SAFEARRAY*>(1);
    count = 7;
    EXPECT_EQ(rate->GetRateListManaged(&count, &managed), E_FAIL);
    EXPECT_EQ(managed, nullptr);
    EXPECT_EQ(rate->GetRateList(nullptr, &rates), E_POINTER);
}

TEST_F(FeatureTest, LightingOfTheActiveProfile) {
    ComPtr<ILedStatus> led;
    ASSERT_EQ(profile_->CreateLedStatusInterface(led.GetAddressOf()), S_OK);
    long status = 0;
    ASSERT_EQ(led->GetStatus(&status), S_OK);
    EXPECT_EQ(status, 7);
    ASSERT_EQ(led->SetStatus(0x102), S_OK);  // the low byte goes to the mouse
    EXPECT_EQ(mouse::read().profile(1).lighting, 2);
    EXPECT_EQ(led->GetStatus(nullptr), E_POINTER);
}

// --- objects of the driver channel and the ones without effect ---

TEST_F(FeatureTest, DriverChannelObjects) {
    ComPtr<IDpiSettings> settings;
    ASSERT_EQ(profile_->CreateDpiSettingsInterface(settings.GetAddressOf()), S_OK);
    long value = 9;
    EXPECT_EQ(settings->SetSettings(1), E_HANDLE);
    EXPECT_EQ(settings->GetSettings(&value), E_HANDLE);
    EXPECT_EQ(value, 0);
    long count = 9;
    long* levels = reinterpret_cast<long*>(1);
    EXPECT_EQ(settings->GetLevelList(&count, &levels), E_HANDLE);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(levels, nullptr);
    SAFEARRAY* managed = nullptr;
    EXPECT_EQ(settings->GetLevelListManaged(&count, &managed), E_HANDLE);
    EXPECT_EQ(managed, nullptr);
    long list[] = {400, 800};
    EXPECT_EQ(settings->SetLevelList(2, list), S_OK);
    EXPECT_EQ(settings->SetLevelList(0, nullptr), S_OK);
    EXPECT_EQ(settings->SetLevelList(2, nullptr), E_POINTER);
    EXPECT_EQ(settings->SetLevelList(-1, list), E_INVALIDARG);

    ComPtr<IWirelessDistance> distance;
    ASSERT_EQ(device_->CreateWirelessDistanceInterface(distance.GetAddressOf()), S_OK);
    EXPECT_EQ(distance->SetAuto(), E_HANDLE);
    long a = 0, b = 0, c = 0, d = 0;
    EXPECT_EQ(distance->GetRange(&a, &b, &c, &d), E_HANDLE);
    EXPECT_EQ(distance->GetRange(nullptr, nullptr, nullptr, nullptr), E_HANDLE);

    ComPtr<IDefaultMode> mode;
    ASSERT_EQ(device_->CreateDefaultModeInterface(mode.GetAddressOf()), S_OK);
    EXPECT_EQ(mode->Enable(), S_OK);
    EXPECT_EQ(mode->Disable(), S_OK);
    EXPECT_EQ(mode->IsInDefaultMode(&value), E_NOTIMPL);
    // Download mode exists on product 0x0F only; nothing is sent to this mouse.
    const std::uint64_t before = requests();
    EXPECT_EQ(mode->EnableDownloadMode(), E_FAIL);
    EXPECT_EQ(mode->DisableDownloadMode(), E_FAIL);
    EXPECT_EQ(requests(), before);

    ComPtr<IBattery> battery;
    ASSERT_EQ(device_->CreateBatteryInterface(battery.GetAddressOf()), S_OK);
    EXPECT_EQ(battery->IsCharging(&value), E_NOTIMPL);

    EXPECT_EQ(profile_->LoadNumProfiles(&value), E_HANDLE);
    EXPECT_EQ(profile_->SetActiveProfile(const_cast<LPWSTR>(L"1")), E_HANDLE);
    LPWSTR active = nullptr;
    EXPECT_EQ(profile_->GetActiveProfile(&active), E_HANDLE);
}

TEST_F(FeatureTest, ProfileListNamesTheOnboardNumbers) {
    LPWSTR names[3] = {};
    ASSERT_EQ(profile_->LoadProfileList(3, names), S_OK);
    EXPECT_STREQ(names[0], L"1");
    EXPECT_STREQ(names[1], L"2");
    EXPECT_STREQ(names[2], L"3");
    for (LPWSTR name : names) CoTaskMemFree(name);
    EXPECT_EQ(profile_->LoadProfileList(-1, names), E_INVALIDARG);
    EXPECT_EQ(profile_->LoadProfileList(2, nullptr), E_POINTER);

    SAFEARRAY* managed = nullptr;
    ASSERT_EQ(profile_->LoadProfileListManaged(2, &managed), S_OK);
    LONG upper = -1;
    SafeArrayGetUBound(managed, 1, &upper);
    EXPECT_EQ(upper, 1);
    BSTR second = nullptr;
    LONG index = 1;
    ASSERT_EQ(SafeArrayGetElement(managed, &index, &second), S_OK);
    EXPECT_STREQ(second, L"2");
    SysFreeString(second);
    SafeArrayDestroy(managed);
}

TEST_F(FeatureTest, SaveProfileWritesTheFixedMappingBlock) {
    ASSERT_EQ(profile_->SaveProfile(nullptr, nullptr), S_OK);
    const std::vector<std::uint8_t> block = mouse::read().fixedMappingBlock;
    ASSERT_GE(block.size(), 48u - 9u);
    // Data bytes from byte 9: 3, 2, 4, then nine entries (0, 0, button, function).
    EXPECT_EQ(block[0], 3);
    EXPECT_EQ(block[1], 2);
    EXPECT_EQ(block[2], 4);
    EXPECT_EQ(block[3 + 5 * 4 + 2], 6);   // entry 6: sensitivity up …
    EXPECT_EQ(block[3 + 5 * 4 + 3], 11);  // … is MOUSE_BUTTON_DPI_UP
    EXPECT_EQ(profile_->LoadProfile(nullptr, nullptr), S_OK);
}

// --- on-the-fly sensitivity and button reports ---

class ReportTest : public FeatureTest {
protected:
    static HRESULT report(IUnknown* object, _TButtonDefinitionType button, long state) {
        ComPtr<IButtonReportSink> reports;
        EXPECT_EQ(object->QueryInterface(IID_IButtonReportSink, reinterpret_cast<void**>(reports.GetAddressOf())), S_OK);
        _TButtonStatus status{button, state};
        return reports->OnButtonReport(&status);
    }

    std::vector<Event> events_;
};

TEST_F(ReportTest, OtfsSwitchTakesZeroAndOneOnly) {
    ComPtr<IOTFS> otfs;
    ASSERT_EQ(device_->CreateOTFSInterface(otfs.GetAddressOf()), S_OK);
    long status = -1;
    ASSERT_EQ(otfs->GetStatus(&status), S_OK);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(otfs->SetStatus(2), S_OK);
    otfs->GetStatus(&status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(otfs->SetStatus(1), S_OK);
    EXPECT_EQ(otfs->SetStatus(-1), S_OK);
    otfs->GetStatus(&status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(otfs->GetStatus(nullptr), E_POINTER);
}

TEST_F(ReportTest, OtfsReactsOnlyWhileSwitchedOn) {
    ComPtr<IOTFS> otfs;
    ASSERT_EQ(device_->CreateOTFSInterface(otfs.GetAddressOf()), S_OK);
    auto sink = RecordingSink::create(&events_);
    ASSERT_NE(advise(otfs.Get(), IID__IOTFSEvents, sink->unknown()), 0u);

    EXPECT_EQ(report(otfs.Get(), BUTTON_DEFINITION_OTFS, 1), S_OK);
    EXPECT_TRUE(events_.empty());

    ASSERT_EQ(otfs->SetStatus(1), S_OK);
    const long otfsButton = BUTTON_DEFINITION_OTFS, up = BUTTON_DEFINITION_SCROLL_UP,
               down = BUTTON_DEFINITION_SCROLL_DOWN;
    // A scroll before on-the-fly mode, a press, scrolls, another button, the release, a scroll.
    report(otfs.Get(), BUTTON_DEFINITION_SCROLL_UP, 1);
    report(otfs.Get(), BUTTON_DEFINITION_OTFS, 1);
    report(otfs.Get(), BUTTON_DEFINITION_SCROLL_UP, 1);
    report(otfs.Get(), BUTTON_DEFINITION_SCROLL_DOWN, 1);
    report(otfs.Get(), BUTTON_DEFINITION_SCROLL_DOWN, 0);
    report(otfs.Get(), BUTTON_DEFINITION_LEFT_MOUSE, 1);
    report(otfs.Get(), BUTTON_DEFINITION_OTFS, 0);
    report(otfs.Get(), BUTTON_DEFINITION_SCROLL_UP, 1);
    const std::vector<Event> expected = {
        {"OnOTFSEvent", {otfsButton, 1}},
        {"OnOTFSEvent", {up, 1}},
        {"OnOTFSEvent", {down, 1}},
        {"OnOTFSEvent", {otfsButton, 0}},
    };
    EXPECT_EQ(events_, expected);
    EXPECT_EQ(report(otfs.Get(), BUTTON_DEFINITION_OTFS, 1), S_OK);
    ComPtr<IButtonReportSink> reports;
    ASSERT_EQ(otfs.As(&reports), S_OK);
    EXPECT_EQ(reports->OnButtonReport(nullptr), E_POINTER);
}

TEST_F(ReportTest, SwitchingOffEndsOnTheFlyMode) {
    ComPtr<IOTFS> otfs;
    ASSERT_EQ(device_->CreateOTFSInterface(otfs.GetAddressOf()), S_OK);
    auto sink = RecordingSink::create(&events_);
    ASSERT_NE(advise(otfs.Get(), IID__IOTFSEvents, sink->unknown()), 0u);
    ASSERT_EQ(otfs->SetStatus(1), S_OK);
    report(otfs.Get(), BUTTON_DEFINITION_OTFS, 1);
    ASSERT_EQ(otfs->SetStatus(0), S_OK);
    const long otfsButton = BUTTON_DEFINITION_OTFS;
    const std::vector<Event> expected = {{"OnOTFSEvent", {otfsButton, 1}}, {"OnOTFSEvent", {otfsButton, 0}}};
    EXPECT_EQ(events_, expected);
    // The worker is gone: scrolls are not on-the-fly any more, even when switched on again.
    ASSERT_EQ(otfs->SetStatus(1), S_OK);
    report(otfs.Get(), BUTTON_DEFINITION_SCROLL_UP, 1);
    EXPECT_EQ(events_.size(), 2u);
}

TEST_F(ReportTest, ReleasingTheObjectDuringOnTheFlyModeStopsItsWorker) {
    ComPtr<IOTFS> otfs;
    ASSERT_EQ(device_->CreateOTFSInterface(otfs.GetAddressOf()), S_OK);
    ASSERT_EQ(otfs->SetStatus(1), S_OK);
    report(otfs.Get(), BUTTON_DEFINITION_OTFS, 1);
    report(otfs.Get(), BUTTON_DEFINITION_SCROLL_UP, 1);
    otfs.Reset();  // TearDown checks that nothing of the server is left
}

TEST_F(ReportTest, ButtonControlRaisesForWatchedButtonsOnly) {
    ComPtr<IButtonControl> buttons;
    ASSERT_EQ(profile_->CreateButtonControlInterface(buttons.GetAddressOf()), S_OK);
    auto sink = RecordingSink::create(&events_);
    ASSERT_NE(advise(buttons.Get(), IID__IButtonControlEvents, sink->unknown()), 0u);
    ASSERT_EQ(buttons->RegisterButtonClickEvent(BUTTON_DEFINITION_X2), S_OK);
    ASSERT_EQ(buttons->RegisterButtonClickEvent(BUTTON_DEFINITION_MOUSE_4), S_OK);
    report(buttons.Get(), BUTTON_DEFINITION_X2, 1);
    report(buttons.Get(), BUTTON_DEFINITION_X3, 1);
    ASSERT_EQ(buttons->UnregisterButtonClickEvent(BUTTON_DEFINITION_MOUSE_4), S_OK);
    report(buttons.Get(), BUTTON_DEFINITION_MOUSE_4, 1);
    report(buttons.Get(), BUTTON_DEFINITION_X2, 0);
    const long x2 = BUTTON_DEFINITION_X2;
    const std::vector<Event> expected = {{"OnButtonClickEvent", {x2, 1}}, {"OnButtonClickEvent", {x2, 0}}};
    EXPECT_EQ(events_, expected);
}

// --- the wireless receiver ---

class WirelessTest : public FeatureTest {
protected:
    sim::MouseState initialMouse() override {
        sim::MouseState state = sim::MouseState::factory();
        sim::connect(state, {sim::Interface::wireless});
        return state;
    }
    unsigned short productId() override { return 0x14; }
};

TEST_F(WirelessTest, BatteryRemembersTheLastKnownLevel) {
    ComPtr<IBattery> battery;
    ASSERT_EQ(device_->CreateBatteryInterface(battery.GetAddressOf()), S_OK);
    const std::vector<std::pair<std::uint8_t, long>> answers = {{1, 100}, {2, 30}, {7, 30}, {3, 10}, {4, 0}, {9, 0}};
    for (const auto& [state, percent] : answers) {
        mouse::change([state](sim::MouseState& mouse) { mouse.battery = state; });
        long power = -1;
        EXPECT_EQ(battery->GetRemaingPower(&power), S_OK);
        EXPECT_EQ(power, percent) << "state " << int{state};
    }
    EXPECT_EQ(battery->GetRemaingPower(nullptr), E_POINTER);
}

TEST_F(WirelessTest, WirelessDistance) {
    ComPtr<IWirelessDistance> distance;
    ASSERT_EQ(device_->CreateWirelessDistanceInterface(distance.GetAddressOf()), S_OK);
    long value = 0;
    ASSERT_EQ(distance->Get(&value), S_OK);
    EXPECT_EQ(value, 2);
    ASSERT_EQ(distance->Set(0x105), S_OK);
    EXPECT_EQ(mouse::read().wirelessDistance, 5);
    EXPECT_EQ(distance->Get(nullptr), E_POINTER);
}

// --- pointer settings of the system ---

TEST_F(FeatureTest, PointerSpeedAndAcceleration) {
    ComPtr<IPerformanceSettings> settings;
    ASSERT_EQ(profile_->CreatePerformanceSettingsInterface(settings.GetAddressOf()), S_OK);
    // Wine keeps no pointer speed (it always reads 0), so only the calls and their checks show.
    long speed = -1;
    EXPECT_EQ(settings->GetWindowsPointerSpeed(&speed), S_OK);
    EXPECT_EQ(settings->SetWindowsPointerSpeed(speed), S_OK);
    EXPECT_EQ(settings->SetWindowsPointerSpeed(21), E_INVALIDARG);
    EXPECT_EQ(settings->SetWindowsPointerSpeed(-1), E_INVALIDARG);
    EXPECT_EQ(settings->GetWindowsPointerSpeed(nullptr), E_POINTER);

    for (long level = 1; level <= 10; ++level) {
        ASSERT_EQ(settings->SetAcceleration(level), S_OK);
        long read = -1;
        EXPECT_EQ(settings->GetAcceleration(&read), S_OK);
        EXPECT_EQ(read, level);
    }
    ASSERT_EQ(settings->SetAcceleration(0), S_OK);
    long level = -1;
    EXPECT_EQ(settings->GetAcceleration(&level), E_ACCESSDENIED);
    EXPECT_EQ(settings->SetAcceleration(11), E_INVALIDARG);
    EXPECT_EQ(settings->SetSensitivity(1), E_NOTIMPL);
    EXPECT_EQ(settings->GetOnScreenDisplayStatus(&level), E_NOTIMPL);
}

// --- null out-pointers and bad counts ---

TEST_F(FeatureTest, NullOutPointersOfTheProfileInterface) {
    IProfile* p = profile_.Get();
    LPWSTR name = const_cast<LPWSTR>(L"name");
    const std::vector<std::pair<const char*, std::function<HRESULT()>>> calls = {
        {"LoadNumProfileGroups", [&] { return p->LoadNumProfileGroups(nullptr); }},
        {"LoadNumProfilesInGroup", [&] { return p->LoadNumProfilesInGroup(name, nullptr); }},
        {"LoadProfileGroupList", [&] { return p->LoadProfileGroupList(1, nullptr); }},
        {"LoadProfileGroup", [&] { return p->LoadProfileGroup(name, 1, nullptr); }},
        {"SaveProfileGroup", [&] { return p->SaveProfileGroup(nullptr, 0, nullptr); }},
        {"DeleteProfileGroup", [&] { return p->DeleteProfileGroup(nullptr); }},
        {"ExportProfile", [&] { return p->ExportProfile(name, nullptr); }},
        {"SetButtonMappings", [&] { return p->SetButtonMappings(nullptr); }},
        {"GetButtonMappings", [&] { return p->GetButtonMappings(nullptr); }},
        {"CreateButtonControlInterface", [&] { return p->CreateButtonControlInterface(nullptr); }},
        {"CreateDpiSettingsInterface", [&] { return p->CreateDpiSettingsInterface(nullptr); }},
        {"CreateLedStatusInterface", [&] { return p->CreateLedStatusInterface(nullptr); }},
        {"CreatePerformanceSettingsInterface", [&] { return p->CreatePerformanceSettingsInterface(nullptr); }},
        {"CreateDpiInterface", [&] { return p->CreateDpiInterface(nullptr); }},
        {"LoadProfileGroupListManaged", [&] { return p->LoadProfileGroupListManaged(0, nullptr); }},
        {"LoadProfileListManaged", [&] { return p->LoadProfileListManaged(0, nullptr); }},
        {"GetButtonMappingsManaged", [&] { return p->GetButtonMappingsManaged(nullptr, nullptr); }},
        {"LoadProfileManaged", [&] { return p->LoadProfileManaged(nullptr, nullptr, nullptr); }},
    };
    for (const auto& [operation, call] : calls) EXPECT_EQ(call(), E_POINTER) << operation;
}

}  // namespace
}  // namespace tessel::com::testing
