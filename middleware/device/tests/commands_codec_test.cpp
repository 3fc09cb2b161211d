// Encoders and decoders of the settings blocks, on bytes alone.
#include "middleware/device/settings_codec.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>
namespace tessel::device {
namespace {

using namespace records;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

std::vector<std::uint8_t> bytesOf(const DovaReport& report, std::size_t from, std::size_t count) {
    return {report.bytes.begin() + from, report.bytes.begin() + from + count};
}

TEST(SensitivityCode, UnsignedTruncatedWithoutRangeCheck) {
    struct Case {
        std::uint32_t dpi;
        std::uint8_t code;
    };
    for (const Case c : {Case{800, 28}, {100, 0}, {124, 0}, {125, 1}, {4000, 156}, {6475, 255},
                         {6500, 0} /* 256 truncated */, {99, 163} /* wraps below 100 */, {0, 159}}) {
        EXPECT_EQ(SensitivityCode(c.dpi), c.code) << c.dpi;
    }
    EXPECT_EQ(SensitivityDpi(28), 800u);
    EXPECT_EQ(SensitivityDpi(255), 6475u);
}

TEST(PollingRate, OnlyThreeRatesHaveCodes) {
    EXPECT_EQ(PollingRateCode(1000), 1);
    EXPECT_EQ(PollingRateCode(500), 2);
    EXPECT_EQ(PollingRateCode(125), 8);
    for (std::int32_t rate : {0, 250, 999, -1000}) EXPECT_FALSE(PollingRateCode(rate)) << rate;
    EXPECT_EQ(PollingRateHz(1), 1000);
    EXPECT_EQ(PollingRateHz(2), 500);
    EXPECT_EQ(PollingRateHz(8), 125);
    for (std::uint8_t code : {0, 3, 4, 255}) EXPECT_FALSE(PollingRateHz(code)) << int{code};
}

TEST(StageTable, DecodesCountDefaultAndStages) {
    DovaReport block;
    block[11] = 2;  // default stage
    block[12] = 3;
    const std::uint8_t codes[] = {16, 17, 36, 37, 56, 57, 99, 99};
    std::copy(std::begin(codes), std::end(codes), block.raw() + 13);
    _stDpiStageType stages{};
    ASSERT_EQ(DecodeStageTable(block, stages), hr::ok);
    EXPECT_EQ(stages.ulTotalStages, 3u);
    EXPECT_EQ(stages.lDefaultStage, 2);
    EXPECT_EQ(stages.Sensitivity[0].ulXSensitivity, 500u);
    EXPECT_EQ(stages.Sensitivity[0].ulYSensitivity, 525u);
    EXPECT_EQ(stages.Sensitivity[2].ulXSensitivity, 1500u);
    EXPECT_EQ(stages.Sensitivity[2].ulYSensitivity, 1525u);
    EXPECT_EQ(stages.Sensitivity[3].ulXSensitivity, 0u);  // beyond the count: not filled
}

TEST(StageTable, CountAboveFiveIsRejectedUntouched) {
    for (std::uint8_t count : {6, 200, 255}) {
        DovaReport block;
        block[12] = count;
        _stDpiStageType stages{};
        stages.ulTotalStages = 42;
        EXPECT_EQ(DecodeStageTable(block, stages), hr::fail) << int{count};
        EXPECT_EQ(stages.ulTotalStages, 42u);
    }
}

TEST(StageTable, EncodesOnlyTheGivenStages) {
    DovaReport block;
    block.bytes.fill(0xEE);
    _stDpiStageType stages{};
    stages.ulTotalStages = 2;
    stages.lDefaultStage = 1;
    stages.Sensitivity[0] = {800, 900};
    stages.Sensitivity[1] = {4000, 125};
    stages.Sensitivity[2] = {1000, 1000};  // past the count: not written
    EncodeStageTable(stages, block);
    EXPECT_THAT(bytesOf(block, 10, 9), ElementsAre(0xEE, 1, 2, 28, 32, 156, 1, 0xEE, 0xEE));
}

_TButtonMappingInfo mapping(_TButtonDefinitionType button, _TButtonMappingType type,
                            _TButtonActionType action = BUTTON_ACTION_CLICK, std::int32_t w0 = 0,
                            std::int32_t w1 = 0, std::int32_t w2 = 0) {
    _TButtonMappingInfo m{};
    m.lButton = button;
    m.mappingType = type;
    m.actionOrMacro.actionInfo.actionType = action;
    m.actionOrMacro.actionInfo.info.rawValueInfo = {w0, w1, w2};  // the three words of the union
    return m;
}

TEST(ButtonEntries, EncodeEachMappingKind) {
    struct Case {
        const char* what;
        _TButtonMappingInfo mapping;
        std::array<std::uint8_t, 4> entry;
    };
    // Entries as read hold AA BB CC DD; mappings without a device form keep them.
    const Case cases[] = {
        {"disabled", mapping(BUTTON_DEFINITION_LEFT_MOUSE, BUTTON_MAPPING_DISABLED), {1, 0, 0xCC, 0xDD}},
        {"stage", mapping(BUTTON_DEFINITION_DPI_UP, BUTTON_MAPPING_DEVICE_ACTION, BUTTON_ACTION_CLICK, PROPERTY_DPI_STAGE, 0, 3),
         {6, 0x21, 3, 0}},
        {"profile, action type ignored",
         mapping(BUTTON_DEFINITION_MOUSE_4, BUTTON_MAPPING_DEVICE_ACTION, BUTTON_ACTION_RAW_VALUE, PROPERTY_PROFILE, 9, 4),
         {5, 0x22, 4, 0}},
        {"other property", mapping(BUTTON_DEFINITION_MOUSE_4, BUTTON_MAPPING_DEVICE_ACTION, BUTTON_ACTION_CLICK, PROPERTY_LEDS, 0, 4),
         {5, 0xBB, 0xCC, 0xDD}},
        {"macro", mapping(BUTTON_DEFINITION_SCROLL_UP, BUTTON_MAPPING_MACRO, BUTTON_ACTION_CLICK, 7, 0x1234, 0), {8, 0x41, 6, 0x34}},
        {"key", mapping(BUTTON_DEFINITION_CENTER_MOUSE, BUTTON_MAPPING_USER_ACTION, BUTTON_ACTION_KEYCODE, 0x104, 5, 6),
         {3, 0x31, 0x04, 0}},
        {"user action not a key", mapping(BUTTON_DEFINITION_CENTER_MOUSE, BUTTON_MAPPING_USER_ACTION, BUTTON_ACTION_CLICK, 4),
         {3, 0xBB, 0xCC, 0xDD}},
        {"multimedia", mapping(BUTTON_DEFINITION_RIGHT_MOUSE, BUTTON_MAPPING_MULTIMEDIA, BUTTON_ACTION_RAW_VALUE, 0xE9, 0x1FF, 7),
         {2, 0x32, 0xE9, 0xFF}},
        {"advanced", mapping(BUTTON_DEFINITION_RIGHT_MOUSE, BUTTON_MAPPING_ADVANCED, BUTTON_ACTION_RAW_VALUE, 1, 2), {2, 0x33, 1, 2}},
        {"advanced not raw", mapping(BUTTON_DEFINITION_RIGHT_MOUSE, BUTTON_MAPPING_ADVANCED, BUTTON_ACTION_KEYCODE, 1, 2),
         {2, 0xBB, 0xCC, 0xDD}},
        {"button", mapping(BUTTON_DEFINITION_DPI_DOWN, BUTTON_MAPPING_BUTTONS, BUTTON_ACTION_PRESSED, MOUSE_BUTTON_DPI_DOWN),
         {7, 12, 0, 0}},
        {"button not pressed", mapping(BUTTON_DEFINITION_DPI_DOWN, BUTTON_MAPPING_BUTTONS, BUTTON_ACTION_CLICK, 12),
         {7, 0xBB, 0xCC, 0xDD}},
    };
    for (const Case& c : cases) {
        DovaReport block;
        for (std::size_t i = 0; i < 9; ++i) {
            const std::uint8_t asRead[] = {0xAA, 0xBB, 0xCC, 0xDD};
            std::copy(std::begin(asRead), std::end(asRead), block.raw() + 29 + 4 * i);
        }
        block[65] = 0x77;
        // The mapping goes into the second entry; the first stays as read.
        const _TButtonMappingInfo mappings[] = {mapping(BUTTON_DEFINITION_LEFT_MOUSE, BUTTON_MAPPING_BUTTONS, BUTTON_ACTION_CLICK),
                                                c.mapping};
        EncodeButtonEntries(mappings, block);
        EXPECT_THAT(bytesOf(block, 29, 4), ElementsAre(1, 0xBB, 0xCC, 0xDD)) << c.what;
        EXPECT_THAT(bytesOf(block, 33, 4), ElementsAreArray(c.entry)) << c.what;
        EXPECT_THAT(bytesOf(block, 37, 4), ElementsAre(0xAA, 0xBB, 0xCC, 0xDD)) << c.what;
        EXPECT_EQ(block[65], 0x77) << c.what;
    }
}

TEST(ButtonEntries, EncodeStopsAtNineEntries) {
    DovaReport block;
    block[65] = 0x77;
    std::vector<_TButtonMappingInfo> mappings(12, mapping(BUTTON_DEFINITION_LEFT_MOUSE, BUTTON_MAPPING_DISABLED));
    EncodeButtonEntries(mappings, block);
    EXPECT_EQ(block[29 + 4 * 8], 1);
    EXPECT_EQ(block[65], 0x77);
}

TEST(ButtonEntries, DecodeEachFunctionCode) {
    DovaReport block;
    const std::uint8_t entries[9][4] = {
        {1, 0x01, 0, 0}, {2, 0x0E, 0, 0}, {3, 0x21, 4, 0}, {4, 0x22, 2, 0}, {5, 0x31, 0x2C, 0},
        {6, 0x32, 0xE9, 1}, {7, 0x33, 5, 6}, {8, 0x41, 0, 9}, {9, 0x50, 1, 1},
    };
    for (std::size_t i = 0; i < 9; ++i) std::copy(entries[i], entries[i] + 4, block.raw() + 29 + 4 * i);

    std::array<_TButtonMappingInfo, 9> m{};
    for (auto& each : m) each = mapping(BUTTON_DEFINITION_X5, BUTTON_MAPPING_ADVANCED, BUTTON_ACTION_INTERRUPT_MACROS, 11, 12, 13);
    DecodeButtonEntries(block, m);

    EXPECT_EQ(m[0].lButton, BUTTON_DEFINITION_LEFT_MOUSE);
    EXPECT_EQ(m[0].mappingType, BUTTON_MAPPING_BUTTONS);
    EXPECT_EQ(m[0].actionOrMacro.actionInfo.actionType, BUTTON_ACTION_PRESSED);
    EXPECT_EQ(m[0].actionOrMacro.actionInfo.info.buttonInfo.button, MOUSE_BUTTON_CLICK);
    EXPECT_EQ(m[1].actionOrMacro.actionInfo.info.buttonInfo.button, MOUSE_BUTTON_STOP);

    EXPECT_EQ(m[2].mappingType, BUTTON_MAPPING_DEVICE_ACTION);
    EXPECT_EQ(m[2].actionOrMacro.actionInfo.actionType, BUTTON_ACTION_INTERRUPT_MACROS);  // left as it was
    EXPECT_EQ(m[2].actionOrMacro.actionInfo.info.propertyInfo.lProp, PROPERTY_DPI_STAGE);
    EXPECT_EQ(m[2].actionOrMacro.actionInfo.info.propertyInfo.lVal, 4);
    EXPECT_EQ(m[3].actionOrMacro.actionInfo.info.propertyInfo.lProp, PROPERTY_PROFILE);
    EXPECT_EQ(m[3].actionOrMacro.actionInfo.info.propertyInfo.lVal, 2);

    EXPECT_EQ(m[4].mappingType, BUTTON_MAPPING_USER_ACTION);
    EXPECT_EQ(m[4].actionOrMacro.actionInfo.actionType, BUTTON_ACTION_KEYCODE);
    EXPECT_EQ(m[4].actionOrMacro.actionInfo.info.keycodeInfo.ulScanCode, 0x2Cu);

    EXPECT_EQ(m[5].mappingType, BUTTON_MAPPING_MULTIMEDIA);
    EXPECT_EQ(m[5].actionOrMacro.actionInfo.actionType, BUTTON_ACTION_RAW_VALUE);
    EXPECT_EQ(m[5].actionOrMacro.actionInfo.info.rawValueInfo.lValue1, 0xE9);
    EXPECT_EQ(m[5].actionOrMacro.actionInfo.info.rawValueInfo.lValue2, 1);
    EXPECT_EQ(m[6].mappingType, BUTTON_MAPPING_ADVANCED);
    EXPECT_EQ(m[6].actionOrMacro.actionInfo.info.rawValueInfo.lValue1, 5);

    EXPECT_EQ(m[7].mappingType, BUTTON_MAPPING_MACRO);
    EXPECT_EQ(m[7].actionOrMacro.actionInfo.info.macroInfo.lMacroId, 1);
    EXPECT_EQ(m[7].actionOrMacro.actionInfo.info.macroInfo.lReserved2, 9);

    // Unknown code: the whole mapping stays as the caller had it.
    EXPECT_EQ(m[8].lButton, BUTTON_DEFINITION_X5);
    EXPECT_EQ(m[8].mappingType, BUTTON_MAPPING_ADVANCED);
    EXPECT_EQ(m[8].actionOrMacro.actionInfo.info.rawValueInfo.lValue1, 11);
}

TEST(ButtonEntries, RoundTripThroughTheEntries) {
    const _TButtonMappingInfo original[] = {
        mapping(BUTTON_DEFINITION_LEFT_MOUSE, BUTTON_MAPPING_BUTTONS, BUTTON_ACTION_PRESSED, MOUSE_BUTTON_CLICK),
        mapping(BUTTON_DEFINITION_RIGHT_MOUSE, BUTTON_MAPPING_USER_ACTION, BUTTON_ACTION_KEYCODE, 0x1E),
        mapping(BUTTON_DEFINITION_CENTER_MOUSE, BUTTON_MAPPING_MACRO, BUTTON_ACTION_CLICK, 3, 0),
        mapping(BUTTON_DEFINITION_MOUSE_5, BUTTON_MAPPING_MULTIMEDIA, BUTTON_ACTION_RAW_VALUE, 0xCD, 0),
    };
    DovaReport block;
    EncodeButtonEntries(original, block);
    std::array<_TButtonMappingInfo, 9> decoded{};
    DecodeButtonEntries(block, decoded);
    for (std::size_t i = 0; i < std::size(original); ++i) {
        EXPECT_EQ(decoded[i].lButton, original[i].lButton) << i;
        EXPECT_EQ(decoded[i].mappingType, original[i].mappingType) << i;
        EXPECT_EQ(decoded[i].actionOrMacro.actionInfo.info.rawValueInfo.lValue1,
                  original[i].actionOrMacro.actionInfo.info.rawValueInfo.lValue1)
            << i;
    }
}

TEST(FixedBlocks, DefaultProfile) {
    const DovaReport block = DefaultProfileBlock(4);
    EXPECT_THAT(bytesOf(block, 0, 10), ElementsAre(0, 1, 0, 0, 0x06, 56, 0, 0, 0, 4));
    EXPECT_THAT(bytesOf(block, 10, 13), ElementsAre(7, 3, 5, 16, 16, 36, 36, 56, 56, 76, 76, 156, 156));
    EXPECT_THAT(bytesOf(block, 23, 6), ElementsAre(0, 0, 0, 0, 0, 0));
    EXPECT_THAT(bytesOf(block, 29, 36),
                ElementsAre(1, 1, 0, 0, 2, 2, 0, 0, 3, 3, 0, 0, 4, 4, 0, 0, 5, 5, 0, 0, 6, 12, 0, 0, 7, 11, 0, 0, 8, 8,
                            0, 0, 9, 9, 0, 0));
    EXPECT_EQ(block[90], 1);
}

TEST(FixedBlocks, FixedMappingBlock) {
    const DovaReport block = FixedMappingBlock();
    EXPECT_THAT(bytesOf(block, 0, 12), ElementsAre(0, 1, 0, 0, 0x06, 0x41, 0, 0, 0, 3, 2, 4));
    EXPECT_THAT(bytesOf(block, 12, 36),
                ElementsAre(0, 0, 1, 1, 0, 0, 2, 2, 0, 0, 3, 3, 0, 0, 4, 4, 0, 0, 5, 5, 0, 0, 6, 11, 0, 0, 7, 12, 0, 0,
                            8, 8, 0, 0, 9, 9));
    for (std::size_t i = 48; i < 89; ++i) EXPECT_EQ(block[i], 0) << i;
}

TEST(NameField, RoundTripAndLimits) {
    std::array<std::uint8_t, kNameFieldBytes> field{};
    ASSERT_EQ(EncodeNameField(u"Fps\u00e9", field), hr::ok);
    EXPECT_THAT(std::vector<std::uint8_t>(field.begin(), field.begin() + 10),
                ElementsAre('F', 0, 'p', 0, 's', 0, 0xE9, 0, 0, 0));
    std::u16string name;
    ASSERT_EQ(DecodeNameField(field, name), hr::ok);
    EXPECT_EQ(name, u"Fps\u00e9");

    const std::u16string longest(19, u'x');
    ASSERT_EQ(EncodeNameField(longest, field), hr::ok);
    ASSERT_EQ(DecodeNameField(field, name), hr::ok);
    EXPECT_EQ(name, longest);

    field.fill(0x5A);
    EXPECT_EQ(EncodeNameField(std::u16string(20, u'x'), field), hr::fail);
    EXPECT_EQ(field[0], 0x5A);  // untouched

    // A field without its terminator: no name, nothing read past the field.
    name = u"before";
    EXPECT_EQ(DecodeNameField(field, name), hr::fail);
    EXPECT_EQ(name, u"before");
}

TEST(NameField, ProfileNameRecord) {
    DovaReport record;
    record[10] = 0xFF;
    record[11] = 0x00;
    std::u16string name = u"x";
    ASSERT_EQ(DecodeProfileName(record, name), hr::ok);  // free number: empty name
    EXPECT_EQ(name, u"");

    record[10] = 'A';
    record[12] = 'b';
    ASSERT_EQ(DecodeProfileName(record, name), hr::ok);
    EXPECT_EQ(name, u"Ab");

    for (std::size_t i = 10; i < 50; ++i) record[i] = 'z';
    record[50] = 0;  // the terminator lies past the record
    EXPECT_EQ(DecodeProfileName(record, name), hr::fail);
}

TEST(Identity, SerialAndFirmwareTexts) {
    DovaReport identity;
    for (std::size_t i = 0; i < 32; ++i) identity[9 + i] = static_cast<std::uint8_t>(i * 8);
    identity[41] = 1;
    identity[42] = 5;
    EXPECT_EQ(DecodeSerialNumber(identity),
              u"081624324048566472808896104112120128136144152160168176184192200208216224232240248");
    for (std::size_t i = 0; i < 32; ++i) identity[9 + i] = 255;
    EXPECT_EQ(DecodeSerialNumber(identity).size(), 96u);  // fits the 97-character buffer

    EXPECT_EQ(FormatFirmwareVersion(1, 5), u"1.05");
    EXPECT_EQ(FormatFirmwareVersion(0, 0), u"0.00");
    EXPECT_EQ(FormatFirmwareVersion(2, 10), u"2.10");
    EXPECT_EQ(FormatFirmwareVersion(255, 255), u"255.255");
}

TEST(Identity, WirelessSerialText) {
    std::array<std::uint8_t, 20> report{};
    report[0] = 0x05;
    const char text[] = "TS-0042";
    std::copy(text, text + 7, report.begin() + 1);
    EXPECT_EQ(DecodeWirelessSerial(report), u"TS-0042");

    report[3] = 0x07;
    report[4] = 0xC3;
    EXPECT_EQ(DecodeWirelessSerial(report), u"TS??042");

    report.fill('9');  // no terminator: all 19 text bytes, never the report id
    report[0] = 0x05;
    EXPECT_EQ(DecodeWirelessSerial(report), std::u16string(19, u'9'));
}

TEST(Battery, StateCodesAndRememberedLevel) {
    std::atomic<int> remembered{-1};
    struct Step {
        std::uint8_t code;
        int percent;
    };
    // Unknown codes answer 100 while nothing is remembered, then the last known level.
    for (const Step s : {Step{0, 100}, {7, 100}, {2, 30}, {7, 30}, {1, 100}, {3, 10}, {9, 10}, {4, 0}, {5, 0}})
        EXPECT_EQ(BatteryPercent(s.code, remembered), s.percent) << int{s.code};
}

}  // namespace
}  // namespace tessel::device
