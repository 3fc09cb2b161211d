// The onboard profiles and macros of the mouse through IHaldenProfileManager, IHaldenProfile,
// IHaldenMacroManager and IHaldenMacro, against the simulated mouse.
#include <cstring>
#include <functional>

#include "middleware/api/tests/com_testing.h"

namespace tessel::com::testing {
namespace {

constexpr std::uint8_t code(long dpi) { return static_cast<std::uint8_t>((dpi - 100) / 25); }

sim::MouseState withProfiles(std::initializer_list<int> numbers) {
    sim::MouseState state = mouse::withoutProfiles();
    for (int number : numbers) {
        state.profile(number) = sim::defaultProfile();
        state.profile(number).name = sim::nameRecord(u"P" + std::u16string(1, char16_t(u'0' + number)));
    }
    return state;
}

class OnboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        mouse::reset(initialMouse());
        auto enumeration = createDeviceEnumeration();
        ASSERT_TRUE(enumeration);
        ASSERT_EQ(enumeration->EnumDeviceType(0x13, device_.GetAddressOf()), S_OK);
        ASSERT_EQ(device_->OpenDeviceInterface(0x13), S_OK);
        ASSERT_EQ(device_->CreateHaldenInterface(halden_.GetAddressOf()), S_OK);
        ASSERT_EQ(halden_->CreateInterfaceInstance(IID_IHaldenProfileManager,
                                                   reinterpret_cast<IUnknown**>(profiles_.GetAddressOf())),
                  S_OK);
        ASSERT_EQ(halden_->CreateInterfaceInstance(IID_IHaldenMacroManager,
                                                   reinterpret_cast<IUnknown**>(macros_.GetAddressOf())),
                  S_OK);
    }
    void TearDown() override {
        macros_.Reset();
        profiles_.Reset();
        halden_.Reset();
        device_.Reset();
        EXPECT_EQ(serverCanUnloadNow(), S_OK);
    }
    virtual sim::MouseState initialMouse() { return sim::MouseState::factory(); }

    static long idOf(IHaldenProfile* profile) {
        long id = 0;
        EXPECT_EQ(profile->GetId(&id), S_OK);
        return id;
    }
    std::uint64_t requests() { return mouse::read().counters.requests; }

    Apartment apartment_;
    ComPtr<IDeviceType> device_;
    ComPtr<IHalden> halden_;
    ComPtr<IHaldenProfileManager> profiles_;
    ComPtr<IHaldenMacroManager> macros_;
};

class EmptyMouseTest : public OnboardTest {
protected:
    sim::MouseState initialMouse() override {
        sim::MouseState state = mouse::withoutProfiles();
        state.activeProfile = 4;
        return state;
    }
};

TEST_F(EmptyMouseTest, FirstProfileIsCreatedAndMadeActive) {
    ComPtr<IHaldenProfile> profile;
    ASSERT_EQ(profiles_->GetProfile(0, profile.GetAddressOf()), S_OK);
    EXPECT_EQ(idOf(profile.Get()), 1);
    const sim::MouseState state = mouse::read();
    sim::Profile expected = sim::defaultProfile();
    expected.name = state.profile(1).name;
    EXPECT_EQ(state.profile(1), expected);
    EXPECT_EQ(sim::nameText(state.profile(1).name), std::u16string());
    EXPECT_EQ(state.activeProfile, 1);
    EXPECT_EQ(state.currentStage, 3);
}

class FullMouseTest : public OnboardTest {
protected:
    sim::MouseState initialMouse() override { return withProfiles({1, 2, 3, 4, 5}); }
};

TEST_F(FullMouseTest, NoSixthProfile) {
    ComPtr<IHaldenProfile> profile;
    EXPECT_EQ(profiles_->CreateProfile(profile.GetAddressOf()), E_OUTOFMEMORY);
    EXPECT_FALSE(profile);
}

TEST_F(OnboardTest, ProfileOneAndTheActiveProfileCannotBeDeleted) {
    ComPtr<IHaldenProfile> first;
    ASSERT_EQ(profiles_->OpenProfile(1, first.GetAddressOf()), S_OK);
    const std::uint64_t before = requests();
    EXPECT_EQ(profiles_->DeleteProfile(first.Get()), E_ACCESSDENIED);
    EXPECT_EQ(requests(), before);  // without any exchange

    ComPtr<IHaldenProfile> created;
    ASSERT_EQ(profiles_->CreateProfile(created.GetAddressOf()), S_OK);
    EXPECT_EQ(idOf(created.Get()), 2);
    ASSERT_EQ(profiles_->SetActiveProfile(created.Get()), S_OK);
    EXPECT_EQ(profiles_->DeleteProfile(created.Get()), E_ACCESSDENIED);
    ASSERT_EQ(profiles_->SetActiveProfile(first.Get()), S_OK);
    ASSERT_EQ(profiles_->DeleteProfile(created.Get()), S_OK);
    EXPECT_TRUE(mouse::read().profile(2).free());
    EXPECT_EQ(profiles_->IsProfileInUse(2), E_FAIL);
}

TEST_F(OnboardTest, ProfilesByIndexAndByNumber) {
    mouse::reset(withProfiles({1, 3, 5}));
    ComPtr<IHaldenProfile> profile;
    ASSERT_EQ(profiles_->GetProfile(1, profile.GetAddressOf()), S_OK);
    EXPECT_EQ(idOf(profile.Get()), 3);
    ASSERT_EQ(profiles_->GetProfile(2, profile.ReleaseAndGetAddressOf()), S_OK);
    EXPECT_EQ(idOf(profile.Get()), 5);
    EXPECT_EQ(profiles_->GetProfile(3, profile.ReleaseAndGetAddressOf()), E_FAIL);
    EXPECT_FALSE(profile);
    EXPECT_EQ(profiles_->OpenProfile(2, profile.ReleaseAndGetAddressOf()), E_FAIL);
    EXPECT_EQ(profiles_->IsProfileInUse(3), S_OK);
    EXPECT_EQ(profiles_->IsProfileInUse(4), E_FAIL);

    const std::vector<std::pair<const char*, std::function<HRESULT()>>> refused = {
        {"GetProfile(5)", [&] { return profiles_->GetProfile(5, profile.ReleaseAndGetAddressOf()); }},
        {"GetProfile(-1)", [&] { return profiles_->GetProfile(-1, profile.ReleaseAndGetAddressOf()); }},
        {"OpenProfile(0)", [&] { return profiles_->OpenProfile(0, profile.ReleaseAndGetAddressOf()); }},
        {"OpenProfile(6)", [&] { return profiles_->OpenProfile(6, profile.ReleaseAndGetAddressOf()); }},
        {"IsProfileInUse(0)", [&] { return profiles_->IsProfileInUse(0); }},
        {"IsProfileInUse(6)", [&] { return profiles_->IsProfileInUse(6); }},
    };
    for (const auto& [call, run] : refused) EXPECT_EQ(run(), E_INVALIDARG) << call;
}

TEST_F(OnboardTest, NullPointersAreRefused) {
    const std::vector<std::pair<const char*, std::function<HRESULT()>>> calls = {
        {"GetProfile", [&] { return profiles_->GetProfile(0, nullptr); }},
        {"OpenProfile", [&] { return profiles_->OpenProfile(1, nullptr); }},
        {"SetActiveProfile", [&] { return profiles_->SetActiveProfile(nullptr); }},
        {"GetActiveProfile", [&] { return profiles_->GetActiveProfile(nullptr); }},
        {"CreateProfile", [&] { return profiles_->CreateProfile(nullptr); }},
        {"DeleteProfile", [&] { return profiles_->DeleteProfile(nullptr); }},
        {"GetActiveProfileNumber", [&] { return profiles_->GetActiveProfileNumber(nullptr); }},
        {"GetMacro", [&] { return macros_->GetMacro(0, nullptr); }},
        {"OpenMacro", [&] { return macros_->OpenMacro(1, nullptr); }},
        {"CreateMacro", [&] { return macros_->CreateMacro(nullptr); }},
        {"DeleteMacro", [&] { return macros_->DeleteMacro(nullptr); }},
    };
    for (const auto& [operation, call] : calls) EXPECT_EQ(call(), E_POINTER) << operation;
    EXPECT_EQ(profiles_->Reserved1(), S_OK);
    EXPECT_EQ(profiles_->Reserved2(), S_OK);
}

// A profile object of another implementation, as a client might pass one.
class ForeignProfile final : public IHaldenProfile {
public:
    IFACEMETHODIMP QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    IFACEMETHODIMP_(ULONG) AddRef() override { return 2; }
    IFACEMETHODIMP_(ULONG) Release() override { return 1; }
    IFACEMETHODIMP CreateInterfaceInstance(REFIID, IUnknown**) override { return E_NOINTERFACE; }
    IFACEMETHODIMP GetId(long* number) override {
        *number = id;
        return id ? S_OK : E_FAIL;
    }
    IFACEMETHODIMP SetName(BSTR) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetName(BSTR*) override { return E_NOTIMPL; }
    IFACEMETHODIMP SetButtonMappings(_TProfileParams*) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetButtonMappings(_TProfileParams*) override { return E_NOTIMPL; }
    long id = 0;
};

TEST_F(OnboardTest, ActiveProfile) {
    mouse::reset(withProfiles({1, 2}));
    mouse::change([](sim::MouseState& state) {
        state.profile(2).defaultStage = 2;
        state.profile(2).stages[1] = {code(900), code(700)};
    });
    ComPtr<IHaldenProfile> second;
    ASSERT_EQ(profiles_->OpenProfile(2, second.GetAddressOf()), S_OK);
    ASSERT_EQ(profiles_->SetActiveProfile(second.Get()), S_OK);
    sim::MouseState state = mouse::read();
    EXPECT_EQ(state.activeProfile, 2);
    EXPECT_EQ(state.currentStage, 2);
    EXPECT_EQ(state.current, (sim::StageCodes{code(900), code(700)}));
    // Already active: nothing is written.
    const std::uint64_t before = requests();
    ASSERT_EQ(profiles_->SetActiveProfile(second.Get()), S_OK);
    EXPECT_EQ(mouse::read().activeProfile, 2);

    long number = 0;
    ASSERT_EQ(profiles_->GetActiveProfileNumber(&number), S_OK);
    EXPECT_EQ(number, 2);
    ComPtr<IHaldenProfile> active;
    ASSERT_EQ(profiles_->GetActiveProfile(active.GetAddressOf()), S_OK);
    EXPECT_EQ(idOf(active.Get()), 2);
    EXPECT_GT(requests(), before);

    ForeignProfile foreign;
    EXPECT_EQ(profiles_->SetActiveProfile(&foreign), E_INVALIDARG);
    foreign.id = 9;
    EXPECT_EQ(profiles_->SetActiveProfile(&foreign), E_INVALIDARG);
}

TEST_F(OnboardTest, RaiseActiveProfileTellsTheSinks) {
    std::vector<Event> events;
    auto sink = RecordingSink::create(&events);
    const DWORD cookie = advise(profiles_.Get(), IID__IHaldenProfileManagerEvents, sink->unknown());
    ASSERT_NE(cookie, 0u);
    ASSERT_EQ(profiles_->RaiseActiveProfile(), S_OK);
    EXPECT_EQ(events, (std::vector<Event>{{"OnHaldenProfileManagerEvent", {1}}}));
    EXPECT_EQ(unadvise(profiles_.Get(), IID__IHaldenProfileManagerEvents, cookie), S_OK);
}

TEST_F(OnboardTest, ProfileNameAndButtons) {
    ComPtr<IHaldenProfile> profile;
    ASSERT_EQ(profiles_->OpenProfile(1, profile.GetAddressOf()), S_OK);
    BSTR name = nullptr;
    ASSERT_EQ(profile->GetName(&name), S_OK);
    EXPECT_STREQ(name, L"Profile 1");
    SysFreeString(name);
    BSTR renamed = SysAllocString(L"Racing");
    ASSERT_EQ(profile->SetName(renamed), S_OK);
    SysFreeString(renamed);
    EXPECT_EQ(sim::nameText(mouse::read().profile(1).name), u"Racing");
    BSTR tooLong = SysAllocString(L"Twenty characters!!!");
    EXPECT_EQ(profile->SetName(tooLong), E_FAIL);
    SysFreeString(tooLong);

    _TButtonMappingInfo mappings[9] = {};
    _TButtonMappingInfo* array = mappings;
    _TProfileParams params{0, 0, &array};
    ASSERT_EQ(profile->GetButtonMappings(&params), S_OK);
    EXPECT_EQ(params.lNumMappings, 9);
    EXPECT_EQ(mappings[5].lButton, BUTTON_DEFINITION_DPI_UP);
    EXPECT_EQ(mappings[5].mappingType, BUTTON_MAPPING_BUTTONS);
    EXPECT_EQ(mappings[5].actionOrMacro.actionInfo.info.buttonInfo.button, MOUSE_BUTTON_DPI_DOWN);

    // Button 4 plays onboard macro 3; the rest of the entries stay.
    _TButtonMappingInfo macro{};
    macro.lButton = BUTTON_DEFINITION_MOUSE_5;
    macro.mappingType = BUTTON_MAPPING_MACRO;
    macro.actionOrMacro.actionInfo.info.macroInfo = {3, 1, 0};
    _TButtonMappingInfo* one = &macro;
    _TProfileParams change{0, 1, &one};
    ASSERT_EQ(profile->SetButtonMappings(&change), S_OK);
    const sim::ButtonEntry entry = mouse::read().profile(1).buttons[0];
    EXPECT_EQ(entry, (sim::ButtonEntry{4, 0x41, 2, 1}));

    _TProfileParams noArray{0, 1, nullptr};
    EXPECT_EQ(profile->SetButtonMappings(&noArray), E_POINTER);
    EXPECT_EQ(profile->GetButtonMappings(&noArray), E_POINTER);
    EXPECT_EQ(profile->SetButtonMappings(nullptr), E_POINTER);
    _TProfileParams tooMany{0, 10, &array};
    EXPECT_EQ(profile->SetButtonMappings(&tooMany), E_INVALIDARG);
}

TEST_F(OnboardTest, LightingAndStagesOfOneProfile) {
    mouse::reset(withProfiles({1, 2}));
    ComPtr<IHaldenProfile> second;
    ASSERT_EQ(profiles_->OpenProfile(2, second.GetAddressOf()), S_OK);
    ComPtr<ILedStatus> led;
    ASSERT_EQ(second->CreateInterfaceInstance(IID_ILedStatus, reinterpret_cast<IUnknown**>(led.GetAddressOf())), S_OK);
    ASSERT_EQ(led->SetStatus(3), S_OK);
    EXPECT_EQ(mouse::read().profile(2).lighting, 3);
    EXPECT_EQ(mouse::read().profile(1).lighting, 7);

    // Stages of the active profile: the current stage's sensitivity follows.
    ComPtr<IHaldenProfile> first;
    ASSERT_EQ(profiles_->OpenProfile(1, first.GetAddressOf()), S_OK);
    ComPtr<IDpi> dpi;
    ASSERT_EQ(first->CreateInterfaceInstance(IID_IDpi, reinterpret_cast<IUnknown**>(dpi.GetAddressOf())), S_OK);
    _stDpiStageType stages{};
    stages.ulTotalStages = 3;
    stages.lDefaultStage = 1;
    stages.lCurrentStage = 2;
    stages.Sensitivity[0] = {400, 400};
    stages.Sensitivity[1] = {800, 1200};
    stages.Sensitivity[2] = {1600, 1600};
    ASSERT_EQ(dpi->SetDpiStages(sizeof(stages), &stages), S_OK);
    const sim::MouseState state = mouse::read();
    EXPECT_EQ(state.profile(1).stageCount, 3);
    EXPECT_EQ(state.currentStage, 2);
    EXPECT_EQ(state.current, (sim::StageCodes{code(800), code(1200)}));

    ComPtr<IUnknown> other;
    EXPECT_EQ(first->CreateInterfaceInstance(IID_IHalden, other.GetAddressOf()), E_NOINTERFACE);
    EXPECT_EQ(first->CreateInterfaceInstance(IID_IDpi, nullptr), E_POINTER);
}

// --- onboard macros ---

TEST_F(OnboardTest, MacroLifeCycle) {
    ComPtr<IHaldenMacro> macro;
    ASSERT_EQ(macros_->CreateMacro(macro.GetAddressOf()), S_OK);
    long id = 0;
    ASSERT_EQ(macro->GetId(&id), S_OK);
    EXPECT_EQ(id, 1);
    BSTR name = SysAllocString(L"Reload");
    ASSERT_EQ(macro->SetName(name), S_OK);
    SysFreeString(name);

    _TMacroElement elements[3] = {};
    elements[0].action.actionType = BUTTON_ACTION_KEYCODE;
    elements[0].action.info.keycodeInfo.ulScanCode = 0x13;
    elements[0].lDelayMs = 300;
    elements[1].action.actionType = BUTTON_ACTION_KEYCODE;
    elements[1].action.info.keycodeInfo = {0x13, KEYCODE_OPTIONS_BREAK, 0};
    elements[2].action.actionType = BUTTON_ACTION_CLICK;
    elements[2].action.info.clickInfo.mouseClick = MOUSE_CLICK_LCLICK;
    _TMacroElement* array = elements;
    _TMacroParams params{};
    params.FixedDelay = 5;
    params.lNumElements = 3;
    params.ppElements = &array;
    ASSERT_EQ(macro->SetElements(&params), S_OK);

    _TMacroElement* read = nullptr;
    LPWSTR icon = const_cast<LPWSTR>(L"untouched");
    _TMacroParams back{};
    back.ppElements = &read;
    back.ppszIconFile = &icon;
    ASSERT_EQ(macro->GetElements(&back), S_OK);
    EXPECT_EQ(back.FixedDelay, 10u);  // limited to 10
    EXPECT_EQ(back.type, MACRO_TYPE_KEYSTROKE);
    EXPECT_EQ(back.lRepeat, 1);
    EXPECT_EQ(icon, nullptr);
    ASSERT_EQ(back.lNumElements, 3);
    EXPECT_EQ(read[0].lDelayMs, 300);
    EXPECT_EQ(read[1].action.info.keycodeInfo.ulScanCode, 0x13u);
    EXPECT_EQ(read[2].action.actionType, BUTTON_ACTION_CLICK);
    CoTaskMemFree(read);

    BSTR readName = nullptr;
    ASSERT_EQ(macro->GetName(&readName), S_OK);
    EXPECT_STREQ(readName, L"Reload");
    SysFreeString(readName);

    ComPtr<IHaldenMacro> listed;
    ASSERT_EQ(macros_->GetMacro(0, listed.GetAddressOf()), S_OK);
    ASSERT_EQ(listed->GetId(&id), S_OK);
    EXPECT_EQ(id, 1);
    EXPECT_EQ(macros_->GetMacro(1, listed.ReleaseAndGetAddressOf()), E_FAIL);

    ASSERT_EQ(macros_->DeleteMacro(macro.Get()), S_OK);
    EXPECT_TRUE(mouse::read().macros.empty());
}

TEST_F(OnboardTest, MacroElementsOfBadRecords) {
    ComPtr<IHaldenMacro> macro;
    ASSERT_EQ(macros_->CreateMacro(macro.GetAddressOf()), S_OK);
    _TMacroParams params{};
    params.lNumElements = -1;
    EXPECT_EQ(macro->SetElements(&params), E_INVALIDARG);
    params.lNumElements = 2;
    EXPECT_EQ(macro->SetElements(&params), E_POINTER);
    EXPECT_EQ(macro->GetElements(&params), E_POINTER);
    EXPECT_EQ(macro->GetElements(nullptr), E_POINTER);
    // Without parameters the macro becomes empty.
    EXPECT_EQ(macro->SetElements(nullptr), S_OK);
    EXPECT_EQ(mouse::read().macros.begin()->second.size(), 40u);
    ComPtr<IHaldenMacro> opened;
    EXPECT_EQ(macros_->OpenMacro(0, opened.GetAddressOf()), E_INVALIDARG);
    EXPECT_EQ(macros_->OpenMacro(257, opened.GetAddressOf()), E_INVALIDARG);
    EXPECT_EQ(macros_->GetMacro(-1, opened.GetAddressOf()), E_INVALIDARG);
    ASSERT_EQ(macros_->OpenMacro(256, opened.GetAddressOf()), S_OK);
    long id = 0;
    EXPECT_EQ(opened->GetId(&id), S_OK);
    EXPECT_EQ(id, 256);
}

}  // namespace
}  // namespace tessel::com::testing
