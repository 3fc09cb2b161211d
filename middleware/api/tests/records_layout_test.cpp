// The records and enumerations as the portable core (records.h), the C header of the type library
// and the type library itself see them must be the same bytes and values.
#include <algorithm>
#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "middleware/common/records.h"
#include "middleware/api/tests/com_testing.h"

namespace tessel::com::testing {
namespace {

namespace core = tessel::records;

#define WIDEN2(text) L##text
#define WIDEN(text) WIDEN2(text)

struct FieldLayout {
    std::wstring name;
    size_t comOffset;
    size_t coreOffset;
};
struct RecordLayout {
    std::wstring name;
    size_t comSize;
    size_t coreSize;
    std::vector<FieldLayout> fields;
};

#define FIELD(R, f) FieldLayout{WIDEN(#f), offsetof(::R, f), offsetof(core::R, f)}
#define RECORD(R, ...) RecordLayout{WIDEN(#R), sizeof(::R), sizeof(core::R), {__VA_ARGS__}}

const std::vector<RecordLayout>& records() {
    static const std::vector<RecordLayout> all = {
        RECORD(_TDeviceEnumerationStatus, FIELD(_TDeviceEnumerationStatus, lTotalNumDevices),
               FIELD(_TDeviceEnumerationStatus, lNumDeviceGroups), FIELD(_TDeviceEnumerationStatus, ppGroups)),
        RECORD(_TDeviceEnumerationGlobal, FIELD(_TDeviceEnumerationGlobal, usPid),
               FIELD(_TDeviceEnumerationGlobal, lPidNumDevices)),
        RECORD(_TDeviceStatus, FIELD(_TDeviceStatus, lNewNumDevices), FIELD(_TDeviceStatus, lActiveDeviceIndex),
               FIELD(_TDeviceStatus, bIsNewActiveDevice)),
        RECORD(_TButtonStatus, FIELD(_TButtonStatus, button), FIELD(_TButtonStatus, bState)),
        RECORD(_TXYSensitivityStatus, FIELD(_TXYSensitivityStatus, bMasterEnableDisableChanged),
               FIELD(_TXYSensitivityStatus, bIncrementDecrementChanged),
               FIELD(_TXYSensitivityStatus, bXSensitivityChanged), FIELD(_TXYSensitivityStatus, bYSensitivityChanged),
               FIELD(_TXYSensitivityStatus, bMasterEnableDisable), FIELD(_TXYSensitivityStatus, bIncrementDecrement),
               FIELD(_TXYSensitivityStatus, lXSensitivity), FIELD(_TXYSensitivityStatus, lYSensitivity)),
        RECORD(_TBatteryStatusType, FIELD(_TBatteryStatusType, lPower), FIELD(_TBatteryStatusType, bIsCharging)),
        RECORD(_TWirelessDistanceInfoType, FIELD(_TWirelessDistanceInfoType, bIsAuto),
               FIELD(_TWirelessDistanceInfoType, lCurrentDist), FIELD(_TWirelessDistanceInfoType, lMin),
               FIELD(_TWirelessDistanceInfoType, lMax), FIELD(_TWirelessDistanceInfoType, lGran),
               FIELD(_TWirelessDistanceInfoType, lDefault)),
        RECORD(_TDefaultModeInfo, FIELD(_TDefaultModeInfo, IsEnabled)),
        RECORD(_THaldenInfoType, FIELD(_THaldenInfoType, ValidFields), FIELD(_THaldenInfoType, DpiX),
               FIELD(_THaldenInfoType, DpiY), FIELD(_THaldenInfoType, ActiveProfile)),
        RECORD(_THaldenProfileManagerInfo, FIELD(_THaldenProfileManagerInfo, ActiveProfile)),
        RECORD(_TDeviceCapabilities, FIELD(_TDeviceCapabilities, ulPid), FIELD(_TDeviceCapabilities, lNoOfMouseButtons),
               FIELD(_TDeviceCapabilities, lNoOfTotalButtons), FIELD(_TDeviceCapabilities, bHasHalden),
               FIELD(_TDeviceCapabilities, ulMaxMacroLen), FIELD(_TDeviceCapabilities, bDpiSettingsSupported),
               FIELD(_TDeviceCapabilities, bPollingRateSupported)),
        RECORD(_TClickInfo, FIELD(_TClickInfo, mouseClick), FIELD(_TClickInfo, options)),
        RECORD(_TKeycodeInfo, FIELD(_TKeycodeInfo, ulScanCode), FIELD(_TKeycodeInfo, options),
               FIELD(_TKeycodeInfo, ulVirtualKeycode)),
        RECORD(_TPropertyInfo, FIELD(_TPropertyInfo, lProp), FIELD(_TPropertyInfo, lOptions),
               FIELD(_TPropertyInfo, lVal)),
        RECORD(_TInterruptMacroInfo, FIELD(_TInterruptMacroInfo, lDummy0), FIELD(_TInterruptMacroInfo, lDummy1),
               FIELD(_TInterruptMacroInfo, lDummy2)),
        RECORD(_TRawValueInfo, FIELD(_TRawValueInfo, lValue1), FIELD(_TRawValueInfo, lValue2),
               FIELD(_TRawValueInfo, lReserved)),
        RECORD(_TMacroInfo, FIELD(_TMacroInfo, lMacroId), FIELD(_TMacroInfo, lReserved2),
               FIELD(_TMacroInfo, lReserved3)),
        RECORD(_TButtonInfo, FIELD(_TButtonInfo, button), FIELD(_TButtonInfo, lReserved2),
               FIELD(_TButtonInfo, lReserved3)),
        RECORD(_TInfo, FIELD(_TInfo, clickInfo), FIELD(_TInfo, keycodeInfo), FIELD(_TInfo, propertyInfo),
               FIELD(_TInfo, interruptMacroInfo), FIELD(_TInfo, rawValueInfo), FIELD(_TInfo, macroInfo),
               FIELD(_TInfo, buttonInfo)),
        RECORD(_TActionInfo, FIELD(_TActionInfo, actionType), FIELD(_TActionInfo, info)),
        RECORD(_TActionOrMacro, FIELD(_TActionOrMacro, actionInfo), FIELD(_TActionOrMacro, ppszMacroName),
               FIELD(_TActionOrMacro, ppszUserActionName)),
        RECORD(_TButtonMappingInfo, FIELD(_TButtonMappingInfo, lButton), FIELD(_TButtonMappingInfo, mappingType),
               FIELD(_TButtonMappingInfo, actionOrMacro)),
        RECORD(_TProfileParams, FIELD(_TProfileParams, lVersion), FIELD(_TProfileParams, lNumMappings),
               FIELD(_TProfileParams, ppMappings)),
        RECORD(_TMacroElement, FIELD(_TMacroElement, action), FIELD(_TMacroElement, lDelayMs),
               FIELD(_TMacroElement, lHoldMs)),
        RECORD(_TMacroParams, FIELD(_TMacroParams, lVersion), FIELD(_TMacroParams, options),
               FIELD(_TMacroParams, type), FIELD(_TMacroParams, FixedDelay), FIELD(_TMacroParams, lRepeat),
               FIELD(_TMacroParams, ppszIconFile), FIELD(_TMacroParams, lNumElements),
               FIELD(_TMacroParams, ppElements)),
        RECORD(_TUserActionParams, FIELD(_TUserActionParams, lCode), FIELD(_TUserActionParams, lNumData),
               FIELD(_TUserActionParams, ppData)),
        RECORD(_stSensitivityType, FIELD(_stSensitivityType, ulXSensitivity),
               FIELD(_stSensitivityType, ulYSensitivity)),
        RECORD(_stDpiStageType, FIELD(_stDpiStageType, ulTotalStages), FIELD(_stDpiStageType, CurrentDpiStage),
               FIELD(_stDpiStageType, lCurrentStage), FIELD(_stDpiStageType, lDefaultStage),
               FIELD(_stDpiStageType, Sensitivity)),
        RECORD(TButtonMappingManaged, FIELD(TButtonMappingManaged, lButtonType),
               FIELD(TButtonMappingManaged, lButtonMapping), FIELD(TButtonMappingManaged, lActionType),
               FIELD(TButtonMappingManaged, lParam0), FIELD(TButtonMappingManaged, lParam1),
               FIELD(TButtonMappingManaged, lParam2)),
        RECORD(TMacroElementManaged, FIELD(TMacroElementManaged, lActionType), FIELD(TMacroElementManaged, lParam0),
               FIELD(TMacroElementManaged, lParam1), FIELD(TMacroElementManaged, lParam2),
               FIELD(TMacroElementManaged, lDelayMs), FIELD(TMacroElementManaged, lHoldMs)),
    };
    return all;
}

struct Constant {
    std::wstring name;
    long core;
    long com;
};
#define CONSTANT(name) Constant{WIDEN(#name), static_cast<long>(core::name), static_cast<long>(::name)}

const std::vector<Constant>& constants() {
    static const std::vector<Constant> all = {
        CONSTANT(BUTTON_DEFINITION_LEFT_MOUSE), CONSTANT(BUTTON_DEFINITION_RIGHT_MOUSE),
        CONSTANT(BUTTON_DEFINITION_CENTER_MOUSE), CONSTANT(BUTTON_DEFINITION_MOUSE_5),
        CONSTANT(BUTTON_DEFINITION_MOUSE_4), CONSTANT(BUTTON_DEFINITION_DPI_UP), CONSTANT(BUTTON_DEFINITION_DPI_DOWN),
        CONSTANT(BUTTON_DEFINITION_SCROLL_UP), CONSTANT(BUTTON_DEFINITION_SCROLL_DOWN),
        CONSTANT(BUTTON_DEFINITIO_DOVA_END), CONSTANT(BUTTON_DEFINITION_X1), CONSTANT(BUTTON_DEFINITION_X2),
        CONSTANT(BUTTON_DEFINITION_X3), CONSTANT(BUTTON_DEFINITION_X4), CONSTANT(BUTTON_DEFINITION_X5),
        CONSTANT(BUTTON_DEFINITION_MODIFIER), CONSTANT(BUTTON_DEFINITION_OTFS), CONSTANT(BUTTON_DEFINITION_BUTTONCOUNT),
        CONSTANT(BUTTON_DEFINITION_MASK), CONSTANT(BUTTON_DEFINITION_FLAG_MODIFIER),
        CONSTANT(BUTTON_MAPPING_DISABLED), CONSTANT(BUTTON_MAPPING_DEVICE_ACTION), CONSTANT(BUTTON_MAPPING_MACRO),
        CONSTANT(BUTTON_MAPPING_USER_ACTION), CONSTANT(BUTTON_MAPPING_MULTIMEDIA), CONSTANT(BUTTON_MAPPING_ADVANCED),
        CONSTANT(BUTTON_MAPPING_BUTTONS),
        CONSTANT(BUTTON_ACTION_CLICK), CONSTANT(BUTTON_ACTION_KEYCODE), CONSTANT(BUTTON_ACTION_PROPERTY_CHANGE),
        CONSTANT(BUTTON_ACTION_INTERRUPT_MACROS), CONSTANT(BUTTON_ACTION_RAW_VALUE), CONSTANT(BUTTON_ACTION_PRESSED),
        CONSTANT(MOUSE_CLICK_LCLICK), CONSTANT(MOUSE_CLICK_RCLICK), CONSTANT(MOUSE_CLICK_MCLICK),
        CONSTANT(MOUSE_CLICK_BUTTON4CLK), CONSTANT(MOUSE_CLICK_BUTTON5CLK), CONSTANT(MOUSE_CLICK_DOUBLE_LCLICK),
        CONSTANT(MOUSE_CLICK_DOUBLE_RCLICK), CONSTANT(MOUSE_CLICK_DOUBLE_MCLICK),
        CONSTANT(MOUSE_CLICK_DOUBLE_BUTTON4CLK), CONSTANT(MOUSE_CLICK_DOUBLE_BUTTON5CLK),
        CONSTANT(MOUSE_CLICK_SCROLL_UP), CONSTANT(MOUSE_CLICK_SCROLL_DOWN),
        CONSTANT(KEYCODE_CLICK_OPTIONS_NONE), CONSTANT(KEYCODE_OPTIONS_BREAK),
        CONSTANT(KEYCODE_CLICK_OPTIONS_EXTENDED_KEY), CONSTANT(KEYCODE_CLICK_OPTIONS_ALT),
        CONSTANT(KEYCODE_CLICK_OPTIONS_CTRL), CONSTANT(KEYCODE_CLICK_OPTIONS_SHIFT),
        CONSTANT(PROPERTY_LEDS), CONSTANT(PROPERTY_SENSITIVITY), CONSTANT(PROPERTY_POLLING_RATE),
        CONSTANT(PROPERTY_XY_SENSITIVITY), CONSTANT(PROPERTY_DPI_STAGE), CONSTANT(PROPERTY_PROFILE),
        CONSTANT(MOUSE_BUTTON_OFF), CONSTANT(MOUSE_BUTTON_CLICK), CONSTANT(MOUSE_BUTTON_MENU),
        CONSTANT(MOUSE_BUTTON_UNIVERSAL_SCROLLING), CONSTANT(MOUSE_BUTTON_WINDOWS_BUTTON_5),
        CONSTANT(MOUSE_BUTTON_WINDOWS_BUTTON_4), CONSTANT(MOUSE_BUTTON_WINDOWS_BUTTON_6),
        CONSTANT(MOUSE_BUTTON_WINDOWS_BUTTON_7), CONSTANT(MOUSE_BUTTON_SCROLL_UP), CONSTANT(MOUSE_BUTTON_SCROLL_DOWN),
        CONSTANT(MOUSE_BUTTON_ON_THE_FLY_SENSITIVITY), CONSTANT(MOUSE_BUTTON_DPI_UP), CONSTANT(MOUSE_BUTTON_DPI_DOWN),
        CONSTANT(MOUSE_BUTTON_DOUBLE_CLICK), CONSTANT(MOUSE_BUTTON_STOP),
        CONSTANT(MACRO_OPTIONS_USE_REPEAT_COUNT), CONSTANT(MACRO_OPTIONS_REPEAT_UNTIL_SAME),
        CONSTANT(MACRO_OPTIONS_REPEAT_UNTIL_RELEASED),
        CONSTANT(MACRO_TYPE_ACTION), CONSTANT(MACRO_TYPE_KEYSTROKE), CONSTANT(MACRO_TYPE_MACRO),
        CONSTANT(BUS_TYPE_USB),
    };
    return all;
}

// The type library as the DLL carries it.
class TypeLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(LoadTypeLibEx(serverPath().c_str(), REGKIND_NONE, library_.GetAddressOf()), S_OK);
    }

    std::wstring nameOf(ITypeInfo* info, MEMBERID member = MEMBERID_NIL) {
        BSTR name = nullptr;
        info->GetDocumentation(member, &name, nullptr, nullptr, nullptr);
        std::wstring result = name ? name : L"";
        SysFreeString(name);
        return result;
    }

    // Every type of the library of kind `kind`, by name.
    std::map<std::wstring, ComPtr<ITypeInfo>> typesOfKind(std::initializer_list<TYPEKIND> kinds) {
        std::map<std::wstring, ComPtr<ITypeInfo>> found;
        for (UINT i = 0; i < library_->GetTypeInfoCount(); ++i) {
            TYPEKIND kind{};
            library_->GetTypeInfoType(i, &kind);
            if (std::find(kinds.begin(), kinds.end(), kind) == kinds.end()) continue;
            ComPtr<ITypeInfo> info;
            library_->GetTypeInfo(i, info.GetAddressOf());
            found[nameOf(info.Get())] = info;
        }
        return found;
    }

    ComPtr<ITypeLib> library_;
};

TEST(RecordLayout, CoreRecordsAreTheTypeLibraryHeadersRecords) {
    for (const RecordLayout& record : records()) {
        SCOPED_TRACE(std::string(record.name.begin(), record.name.end()));
        EXPECT_EQ(record.comSize, record.coreSize);
        for (const FieldLayout& field : record.fields)
            EXPECT_EQ(field.comOffset, field.coreOffset) << std::string(field.name.begin(), field.name.end());
    }
}

TEST(RecordLayout, PointerFreeRecordsKeepTheirThirtyTwoBitSizes) {
    EXPECT_EQ(sizeof(_TButtonMappingInfo), 24u);
    EXPECT_EQ(sizeof(_TMacroElement), 24u);
    EXPECT_EQ(sizeof(_stDpiStageType), 60u);
    EXPECT_EQ(offsetof(_stDpiStageType, Sensitivity), 20u);
    EXPECT_EQ(sizeof(_TDeviceCapabilities), 28u);
    // Pointers are 8 bytes here: the records holding them grow, with natural alignment.
    EXPECT_EQ(sizeof(_TMacroParams), 48u);
    EXPECT_EQ(offsetof(_TMacroParams, ppszIconFile), 24u);
    EXPECT_EQ(offsetof(_TMacroParams, ppElements), 40u);
}

TEST_F(TypeLibraryTest, EveryRecordHasTheSizeAndFieldOffsetsOfTheHeader) {
    auto types = typesOfKind({TKIND_RECORD, TKIND_UNION});
    // The interface id that CreateInterfaceInstance takes brings the system's GUID along, under a
    // name widl makes up.
    std::erase_if(types, [](const auto& type) {
        TYPEATTR* attributes = nullptr;
        type.second->GetTypeAttr(&attributes);
        const bool guid = type.first.starts_with(L"__WIDL_") && attributes->cbSizeInstance == sizeof(GUID);
        type.second->ReleaseTypeAttr(attributes);
        return guid;
    });
    EXPECT_EQ(types.size(), records().size());
    for (const auto& [name, info] : types) {
        const bool listed = std::any_of(records().begin(), records().end(),
                                        [&](const RecordLayout& record) { return record.name == name; });
        EXPECT_TRUE(listed) << std::string(name.begin(), name.end());
    }
    for (const RecordLayout& record : records()) {
        SCOPED_TRACE(std::string(record.name.begin(), record.name.end()));
        ASSERT_TRUE(types.count(record.name));
        ITypeInfo* info = types[record.name].Get();
        TYPEATTR* attributes = nullptr;
        ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
        EXPECT_EQ(attributes->cbSizeInstance, record.comSize);
        ASSERT_EQ(attributes->cVars, record.fields.size());
        for (WORD i = 0; i < attributes->cVars; ++i) {
            VARDESC* variable = nullptr;
            ASSERT_EQ(info->GetVarDesc(i, &variable), S_OK);
            EXPECT_EQ(nameOf(info, variable->memid), record.fields[i].name);
            EXPECT_EQ(variable->oInst, record.fields[i].comOffset) << i;
            info->ReleaseVarDesc(variable);
        }
        info->ReleaseTypeAttr(attributes);
    }
}

TEST_F(TypeLibraryTest, EnumerationValuesAreExact) {
    std::map<std::wstring, long> expected;
    for (const Constant& constant : constants()) {
        EXPECT_EQ(constant.core, constant.com) << std::string(constant.name.begin(), constant.name.end());
        expected[constant.name] = constant.core;
    }
    size_t seen = 0;
    for (auto& [name, info] : typesOfKind({TKIND_ENUM})) {
        TYPEATTR* attributes = nullptr;
        ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
        for (WORD i = 0; i < attributes->cVars; ++i, ++seen) {
            VARDESC* variable = nullptr;
            ASSERT_EQ(info->GetVarDesc(i, &variable), S_OK);
            const std::wstring constant = nameOf(info.Get(), variable->memid);
            ASSERT_TRUE(expected.count(constant)) << std::string(constant.begin(), constant.end());
            VARIANT value;
            VariantInit(&value);
            ASSERT_EQ(VariantChangeType(&value, variable->lpvarValue, 0, VT_I4), S_OK);
            EXPECT_EQ(V_I4(&value), expected[constant]) << std::string(constant.begin(), constant.end());
            info->ReleaseVarDesc(variable);
        }
        info->ReleaseTypeAttr(attributes);
    }
    EXPECT_EQ(seen, expected.size());
}

TEST(Enumerations, ModifierFlagIsTheSignBitAndTheMaskRecoversTheButton) {
    const long flagged = BUTTON_DEFINITION_FLAG_MODIFIER | BUTTON_DEFINITION_X3;
    EXPECT_LT(flagged, 0);
    EXPECT_EQ(flagged & BUTTON_DEFINITION_MASK, BUTTON_DEFINITION_X3);
    EXPECT_EQ(static_cast<unsigned long>(BUTTON_DEFINITION_FLAG_MODIFIER), 0x80000000ul);
}

// The order of operations is each interface's vtable: clients depend on it.
TEST_F(TypeLibraryTest, OperationsStandInTheirTableOrder) {
    const std::map<std::wstring, std::vector<std::wstring>> expected = {
        {L"IDeviceEnumeration",
         {L"OpenDeviceEnumerationInterface", L"CloseDeviceEnumerationInterface", L"EnumDeviceType",
          L"GetMiddlewareVersion"}},
        {L"IDeviceType",
         {L"OpenDeviceInterface", L"CloseDeviceInterface", L"SwitchToNextDevice", L"GetDriverVersion", L"GetHardwareId",
          L"GetSerialNumber", L"GetFirmwareVersion", L"GetDeviceCapabilities", L"GetBusType",
          L"CreateProfileInterface", L"CreateMacroHandlingInterface", L"CreateUserActionInterface",
          L"CreateDefaultModeInterface", L"CreateWirelessDistanceInterface", L"CreateBatteryInterface",
          L"CreateHaldenInterface", L"CreateOTFSInterface", L"CreatePollingRateInterface", L"IsConnected"}},
        {L"IProfile",
         {L"LoadNumProfileGroups", L"LoadProfileGroupList", L"LoadNumProfilesInGroup", L"SaveProfileGroup",
          L"LoadProfileGroup", L"DeleteProfileGroup", L"ExportProfileGroup", L"ImportProfileGroup",
          L"ExportAllProfileGroups", L"ImportAllProfileGroups", L"SetButtonMappings", L"GetButtonMappings",
          L"LoadNumProfiles", L"LoadProfileList", L"SaveProfile", L"LoadProfile", L"DeleteProfile", L"ExportProfile",
          L"ImportProfile", L"ExportAllProfiles", L"ImportAllProfiles", L"CreateButtonControlInterface",
          L"CreateDpiSettingsInterface", L"CreateLedStatusInterface", L"CreatePerformanceSettingsInterface",
          L"CreateDpiInterface", L"LoadProfileGroupListManaged", L"SaveProfileGroupManaged",
          L"LoadProfileGroupManaged", L"LoadProfileListManaged", L"SetButtonMappingsManaged",
          L"GetButtonMappingsManaged", L"SaveProfileManaged", L"LoadProfileManaged", L"SetActiveProfile",
          L"GetActiveProfile"}},
        {L"IDpi", {L"GetDpiLevel", L"SetDpiLevel", L"GetDpiStages", L"SetDpiStages", L"RaiseDpiEvent"}},
        {L"IHalden", {L"GetTotalSpace", L"GetRemainingSpace", L"CreateInterfaceInstance"}},
        {L"IHaldenProfileManager",
         {L"GetProfile", L"OpenProfile", L"SetActiveProfile", L"GetActiveProfile", L"CreateProfile",
          L"DeleteProfile", L"Reserved1", L"Reserved2", L"RaiseActiveProfile", L"GetActiveProfileNumber",
          L"IsProfileInUse"}},
        {L"IHaldenProfile",
         {L"CreateInterfaceInstance", L"GetId", L"SetName", L"GetName", L"SetButtonMappings", L"GetButtonMappings"}},
        {L"IHaldenMacroManager", {L"GetMacro", L"OpenMacro", L"CreateMacro", L"DeleteMacro"}},
        {L"IHaldenMacro", {L"GetId", L"SetName", L"GetName", L"SetElements", L"GetElements"}},
        {L"IHaldenDownload", {L"Download"}},
        {L"_IHaldenEvents", {L"OnHaldenEvent"}},
        {L"_IOTFSEvents", {L"OnOTFSEvent"}},
    };
    auto interfaces = typesOfKind({TKIND_INTERFACE});
    for (const auto& [name, operations] : expected) {
        SCOPED_TRACE(std::string(name.begin(), name.end()));
        ASSERT_TRUE(interfaces.count(name));
        ITypeInfo* info = interfaces[name].Get();
        TYPEATTR* attributes = nullptr;
        ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
        ASSERT_EQ(attributes->cFuncs, operations.size());
        for (WORD i = 0; i < attributes->cFuncs; ++i) {
            FUNCDESC* function = nullptr;
            ASSERT_EQ(info->GetFuncDesc(i, &function), S_OK);
            EXPECT_EQ(nameOf(info, function->memid), operations[i]);
            // After QueryInterface, AddRef and Release.
            EXPECT_EQ(function->oVft, static_cast<SHORT>((3 + i) * sizeof(void*)));
            info->ReleaseFuncDesc(function);
        }
        info->ReleaseTypeAttr(attributes);
    }
}

TEST_F(TypeLibraryTest, LibraryIdentity) {
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(library_->GetLibAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->guid, LIBID_ServerLib);
    EXPECT_EQ(attributes->wMajorVerNum, 1);
    EXPECT_EQ(attributes->wMinorVerNum, 0);
    EXPECT_EQ(attributes->lcid, 0x409u);
    library_->ReleaseTLibAttr(attributes);
    BSTR name = nullptr, help = nullptr;
    ASSERT_EQ(library_->GetDocumentation(MEMBERID_NIL, &name, &help, nullptr, nullptr), S_OK);
    EXPECT_STREQ(name, L"ServerLib");
    EXPECT_STREQ(help, L"Server 1.0 Type Library");
    SysFreeString(name);
    SysFreeString(help);
}

}  // namespace
}  // namespace tessel::com::testing
