#pragma once
// Records and enumerations that cross the middleware's boundary, as the portable core sees them.
// The type library (ServerLib.idl) declares the same records for COM clients; the Windows build
// asserts that both agree field by field (records_layout_test). Natural alignment: records
// without pointers have the exact 32-bit sizes, records with pointers grow on 64-bit.
#include <cstddef>
#include <cstdint>

namespace tessel::records {

enum _TButtonDefinitionType : std::int32_t {
    BUTTON_DEFINITION_LEFT_MOUSE = 1,
    BUTTON_DEFINITION_RIGHT_MOUSE = 2,
    BUTTON_DEFINITION_CENTER_MOUSE = 3,
    BUTTON_DEFINITION_MOUSE_5 = 4,
    BUTTON_DEFINITION_MOUSE_4 = 5,
    BUTTON_DEFINITION_DPI_UP = 6,
    BUTTON_DEFINITION_DPI_DOWN = 7,
    BUTTON_DEFINITION_SCROLL_UP = 8,
    BUTTON_DEFINITION_SCROLL_DOWN = 9,
    BUTTON_DEFINITIO_DOVA_END = 10,
    BUTTON_DEFINITION_X1 = 11,
    BUTTON_DEFINITION_X2 = 12,
    BUTTON_DEFINITION_X3 = 13,
    BUTTON_DEFINITION_X4 = 14,
    BUTTON_DEFINITION_X5 = 15,
    BUTTON_DEFINITION_MODIFIER = 16,
    BUTTON_DEFINITION_OTFS = 17,
    BUTTON_DEFINITION_BUTTONCOUNT = 18,
    BUTTON_DEFINITION_MASK = 0xFFFF,
    BUTTON_DEFINITION_FLAG_MODIFIER = INT32_MIN,
};

enum _TButtonMappingType : std::int32_t {
    BUTTON_MAPPING_DISABLED = 0,
    BUTTON_MAPPING_DEVICE_ACTION = 1,
    BUTTON_MAPPING_MACRO = 2,
    BUTTON_MAPPING_USER_ACTION = 3,
    BUTTON_MAPPING_MULTIMEDIA = 4,
    BUTTON_MAPPING_ADVANCED = 5,
    BUTTON_MAPPING_BUTTONS = 6,
};

enum _TButtonActionType : std::int32_t {
    BUTTON_ACTION_CLICK = 0,
    BUTTON_ACTION_KEYCODE = 1,
    BUTTON_ACTION_PROPERTY_CHANGE = 2,
    BUTTON_ACTION_INTERRUPT_MACROS = 3,
    BUTTON_ACTION_RAW_VALUE = 4,
    BUTTON_ACTION_PRESSED = 5,
};

enum _TMouseClickType : std::int32_t {
    MOUSE_CLICK_LCLICK = 0,
    MOUSE_CLICK_RCLICK = 1,
    MOUSE_CLICK_MCLICK = 2,
    MOUSE_CLICK_BUTTON4CLK = 3,
    MOUSE_CLICK_BUTTON5CLK = 4,
    MOUSE_CLICK_DOUBLE_LCLICK = 5,
    MOUSE_CLICK_DOUBLE_RCLICK = 6,
    MOUSE_CLICK_DOUBLE_MCLICK = 7,
    MOUSE_CLICK_DOUBLE_BUTTON4CLK = 8,
    MOUSE_CLICK_DOUBLE_BUTTON5CLK = 9,
    MOUSE_CLICK_SCROLL_UP = 10,
    MOUSE_CLICK_SCROLL_DOWN = 11,
};

enum _TKeycodeClickOptionsType : std::int32_t {
    KEYCODE_CLICK_OPTIONS_NONE = 0,
    KEYCODE_OPTIONS_BREAK = 2,
    KEYCODE_CLICK_OPTIONS_EXTENDED_KEY = 0x01000000,
    KEYCODE_CLICK_OPTIONS_ALT = 0x02000000,
    KEYCODE_CLICK_OPTIONS_CTRL = 0x04000000,
    KEYCODE_CLICK_OPTIONS_SHIFT = 0x08000000,
};

enum _TPropertyType : std::int32_t {
    PROPERTY_LEDS = 0,
    PROPERTY_SENSITIVITY = 1,
    PROPERTY_POLLING_RATE = 2,
    PROPERTY_XY_SENSITIVITY = 3,
    PROPERTY_DPI_STAGE = 4,
    PROPERTY_PROFILE = 5,
};

enum _TMouseButtonType : std::int32_t {
    MOUSE_BUTTON_OFF = 0,
    MOUSE_BUTTON_CLICK = 1,
    MOUSE_BUTTON_MENU = 2,
    MOUSE_BUTTON_UNIVERSAL_SCROLLING = 3,
    MOUSE_BUTTON_WINDOWS_BUTTON_5 = 4,
    MOUSE_BUTTON_WINDOWS_BUTTON_4 = 5,
    MOUSE_BUTTON_WINDOWS_BUTTON_6 = 6,
    MOUSE_BUTTON_WINDOWS_BUTTON_7 = 7,
    MOUSE_BUTTON_SCROLL_UP = 8,
    MOUSE_BUTTON_SCROLL_DOWN = 9,
    MOUSE_BUTTON_ON_THE_FLY_SENSITIVITY = 10,
    MOUSE_BUTTON_DPI_UP = 11,
    MOUSE_BUTTON_DPI_DOWN = 12,
    MOUSE_BUTTON_DOUBLE_CLICK = 13,
    MOUSE_BUTTON_STOP = 14,
};

enum _TMacroOptions : std::int32_t {
    MACRO_OPTIONS_USE_REPEAT_COUNT = 0,
    MACRO_OPTIONS_REPEAT_UNTIL_SAME = 1,
    MACRO_OPTIONS_REPEAT_UNTIL_RELEASED = 2,
};

enum _TMacroType : std::int32_t {
    MACRO_TYPE_ACTION = 0,
    MACRO_TYPE_KEYSTROKE = 1,
    MACRO_TYPE_MACRO = 2,
};

enum _TBusType : std::int32_t { BUS_TYPE_USB = 0 };

using LPWSTR = char16_t*;

struct _TDeviceEnumerationGlobal {
    std::uint16_t usPid;
    std::int32_t lPidNumDevices;
};

struct _TDeviceEnumerationStatus {
    std::int32_t lTotalNumDevices;
    std::int32_t lNumDeviceGroups;
    _TDeviceEnumerationGlobal** ppGroups;
};

struct _TDeviceStatus {
    std::int32_t lNewNumDevices;
    std::int32_t lActiveDeviceIndex;
    std::int32_t bIsNewActiveDevice;
};

struct _TButtonStatus {
    _TButtonDefinitionType button;
    std::int32_t bState;
};

struct _TXYSensitivityStatus {
    std::int32_t bMasterEnableDisableChanged;
    std::int32_t bIncrementDecrementChanged;
    std::int32_t bXSensitivityChanged;
    std::int32_t bYSensitivityChanged;
    std::int32_t bMasterEnableDisable;
    std::int32_t bIncrementDecrement;
    std::int32_t lXSensitivity;
    std::int32_t lYSensitivity;
};

struct _TBatteryStatusType {
    std::int32_t lPower;
    std::int32_t bIsCharging;
};

struct _TWirelessDistanceInfoType {
    std::int32_t bIsAuto;
    std::int32_t lCurrentDist;
    std::int32_t lMin;
    std::int32_t lMax;
    std::int32_t lGran;
    std::int32_t lDefault;
};

struct _TDefaultModeInfo {
    std::int32_t IsEnabled;
};

struct _THaldenInfoType {
    std::int32_t ValidFields;
    std::int32_t DpiX;
    std::int32_t DpiY;
    std::int32_t ActiveProfile;
};

struct _THaldenProfileManagerInfo {
    std::int32_t ActiveProfile;
};

struct _TDeviceCapabilities {
    std::uint32_t ulPid;
    std::int32_t lNoOfMouseButtons;
    std::int32_t lNoOfTotalButtons;
    std::int32_t bHasHalden;
    std::uint32_t ulMaxMacroLen;
    std::int32_t bDpiSettingsSupported;
    std::int32_t bPollingRateSupported;
};

struct _TClickInfo {
    _TMouseClickType mouseClick;
    _TKeycodeClickOptionsType options;
};

struct _TKeycodeInfo {
    std::uint32_t ulScanCode;
    _TKeycodeClickOptionsType options;
    std::uint32_t ulVirtualKeycode;
};

struct _TPropertyInfo {
    _TPropertyType lProp;
    std::int32_t lOptions;
    std::int32_t lVal;
};

struct _TInterruptMacroInfo {
    std::int32_t lDummy0;
    std::int32_t lDummy1;
    std::int32_t lDummy2;
};

struct _TRawValueInfo {
    std::int32_t lValue1;
    std::int32_t lValue2;
    std::int32_t lReserved;
};

struct _TMacroInfo {
    std::int32_t lMacroId;
    std::int32_t lReserved2;
    std::int32_t lReserved3;
};

struct _TButtonInfo {
    _TMouseButtonType button;
    std::int32_t lReserved2;
    std::int32_t lReserved3;
};

union _TInfo {
    _TClickInfo clickInfo;
    _TKeycodeInfo keycodeInfo;
    _TPropertyInfo propertyInfo;
    _TInterruptMacroInfo interruptMacroInfo;
    _TRawValueInfo rawValueInfo;
    _TMacroInfo macroInfo;
    _TButtonInfo buttonInfo;
};

struct _TActionInfo {
    _TButtonActionType actionType;
    _TInfo info;
};

union _TActionOrMacro {
    _TActionInfo actionInfo;
    LPWSTR* ppszMacroName;
    LPWSTR* ppszUserActionName;
};

struct _TButtonMappingInfo {
    _TButtonDefinitionType lButton;
    _TButtonMappingType mappingType;
    _TActionOrMacro actionOrMacro;
};

struct _TProfileParams {
    std::int32_t lVersion;
    std::int32_t lNumMappings;
    _TButtonMappingInfo** ppMappings;
};

struct _TMacroElement {
    _TActionInfo action;
    std::int32_t lDelayMs;
    std::int32_t lHoldMs;
};

struct _TMacroParams {
    std::int32_t lVersion;
    _TMacroOptions options;
    _TMacroType type;
    std::uint32_t FixedDelay;
    std::int32_t lRepeat;
    LPWSTR* ppszIconFile;
    std::int32_t lNumElements;
    _TMacroElement** ppElements;
};

struct _TUserActionParams {
    std::int32_t lCode;
    std::int32_t lNumData;
    std::uint8_t** ppData;
};

struct _stSensitivityType {
    std::uint32_t ulXSensitivity;
    std::uint32_t ulYSensitivity;
};

struct _stDpiStageType {
    std::uint32_t ulTotalStages;
    _stSensitivityType CurrentDpiStage;
    std::int32_t lCurrentStage;
    std::int32_t lDefaultStage;
    _stSensitivityType Sensitivity[5];
};

struct TButtonMappingManaged {
    std::int32_t lButtonType;
    std::int32_t lButtonMapping;
    std::int32_t lActionType;
    std::int32_t lParam0;
    std::int32_t lParam1;
    std::int32_t lParam2;
};

struct TMacroElementManaged {
    std::int32_t lActionType;
    std::int32_t lParam0;
    std::int32_t lParam1;
    std::int32_t lParam2;
    std::int32_t lDelayMs;
    std::int32_t lHoldMs;
};

// The pointer-free records keep the sizes and offsets of the original record tables.
static_assert(sizeof(_TDeviceEnumerationGlobal) == 8);
static_assert(sizeof(_TDeviceStatus) == 12);
static_assert(sizeof(_TButtonStatus) == 8);
static_assert(sizeof(_TXYSensitivityStatus) == 32);
static_assert(sizeof(_TBatteryStatusType) == 8);
static_assert(sizeof(_TWirelessDistanceInfoType) == 24);
static_assert(sizeof(_TDefaultModeInfo) == 4);
static_assert(sizeof(_THaldenInfoType) == 16);
static_assert(sizeof(_THaldenProfileManagerInfo) == 4);
static_assert(sizeof(_TDeviceCapabilities) == 28);
static_assert(sizeof(_TInfo) == 12);
static_assert(sizeof(_TActionInfo) == 16 && offsetof(_TActionInfo, info) == 4);
static_assert(sizeof(_TMacroElement) == 24 && offsetof(_TMacroElement, lDelayMs) == 16 &&
              offsetof(_TMacroElement, lHoldMs) == 20);
static_assert(sizeof(_stSensitivityType) == 8);
static_assert(sizeof(_stDpiStageType) == 60 && offsetof(_stDpiStageType, CurrentDpiStage) == 4 &&
              offsetof(_stDpiStageType, lCurrentStage) == 12 &&
              offsetof(_stDpiStageType, lDefaultStage) == 16 &&
              offsetof(_stDpiStageType, Sensitivity) == 20);
static_assert(sizeof(TButtonMappingManaged) == 24 && sizeof(TMacroElementManaged) == 24);
// Records holding pointers: same field order, pointer fields at natural alignment.
static_assert(offsetof(_TButtonMappingInfo, mappingType) == 4 &&
              offsetof(_TButtonMappingInfo, actionOrMacro) == 8);

}  // namespace tessel::records
