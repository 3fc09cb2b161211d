// Stored byte forms of mappings and elements, and the conversions from and to the records.
#include <gtest/gtest.h>

#include <cstring>

#include "middleware/store/store_values.h"
#include "store_test_values.h"

namespace tessel::store::testing {
namespace {

TEST(StoreValuesTest, MappingValueLengthFollowsTheType) {
    struct Case {
        std::int32_t type;
        std::u16string name;
        std::size_t size;
    };
    for (const Case& c : {Case{records::BUTTON_MAPPING_DISABLED, u"ignored", 24},
                          Case{records::BUTTON_MAPPING_DEVICE_ACTION, u"", 24},
                          Case{records::BUTTON_MAPPING_MACRO, u"M", 28},
                          Case{records::BUTTON_MAPPING_MACRO, u"", 26},
                          Case{records::BUTTON_MAPPING_USER_ACTION, u"Run", 32},
                          Case{records::BUTTON_MAPPING_BUTTONS, u"", 24}}) {
        SCOPED_TRACE(c.type);
        ButtonMapping mapping = namedMapping(9, c.type, c.name);
        mapping.action.info.rawValueInfo = {0x01020304, -1, 7};
        const auto bytes = encodeMapping(mapping);
        ASSERT_EQ(bytes.size(), c.size);
        EXPECT_EQ(bytes[0], 9);
        EXPECT_EQ(bytes[4], c.type);
        EXPECT_EQ(bytes[12], 0x04) << "info words follow the action type";
        EXPECT_EQ(bytes[16], 0xFF);
        const ButtonMapping decoded = decodeMapping(bytes.data(), bytes.size());
        EXPECT_EQ(decoded, mapping);
        EXPECT_EQ(decoded.name, mapping.namesEntry() ? c.name : u"");
    }
}

TEST(StoreValuesTest, NamedMappingStoresZeroWhereTheRecordHoldsItsPointer) {
    ButtonMapping mapping = macroMapping(4, u"M");
    mapping.action.actionType = static_cast<records::_TButtonActionType>(-1);
    const auto bytes = encodeMapping(mapping);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 8, bytes.begin() + 12),
              (std::vector<std::uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 24, bytes.end()),
              (std::vector<std::uint8_t>{'M', 0, 0, 0}));
}

TEST(StoreValuesTest, ShortOrUnterminatedValuesDecodeSafely) {
    const std::uint8_t shortValue[6] = {3, 0, 0, 0, 1, 0};
    const ButtonMapping decoded = decodeMapping(shortValue, sizeof shortValue);
    EXPECT_EQ(decoded.button, 3);
    EXPECT_EQ(decoded.mappingType, 1);
    EXPECT_EQ(decoded.action.actionType, 0);

    // A name without terminator and with an odd trailing byte.
    std::vector<std::uint8_t> value = encodeMapping(macroMapping(4, u"AB"));
    value.resize(value.size() - 2);
    value.push_back('C');
    EXPECT_EQ(decodeMapping(value.data(), value.size()).name, u"AB");
    EXPECT_EQ(decodeElement(nullptr, 0).lDelayMs, 0);
}

TEST(StoreValuesTest, ElementIsItsFieldsInLittleEndianOrder) {
    const auto element = keyElement(0x1E, 0x41, 300, -2);
    const auto bytes = encodeElement(element);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end()),
              (std::vector<std::uint8_t>{1,    0, 0, 0, 0x1E, 0, 0, 0, 0,    0,    0,    0,
                                         0x41, 0, 0, 0, 0x2C, 1, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF}));
    const auto decoded = decodeElement(bytes.data(), bytes.size());
    EXPECT_EQ(encodeElement(decoded), bytes);
}

TEST(StoreValuesTest, RecordsConvertBothWays) {
    records::LPWSTR name = const_cast<records::LPWSTR>(u"Macro");
    records::_TButtonMappingInfo record{};
    record.lButton = records::BUTTON_DEFINITION_MOUSE_4;
    record.mappingType = records::BUTTON_MAPPING_MACRO;
    record.actionOrMacro.ppszMacroName = &name;
    ButtonMapping mapping;
    ASSERT_EQ(fromRecord(record, mapping), hr::ok);
    EXPECT_EQ(mapping, macroMapping(records::BUTTON_DEFINITION_MOUSE_4, u"Macro"));

    records::LPWSTR slot = nullptr;
    const auto back = toRecord(mapping, &slot);
    EXPECT_EQ(back.actionOrMacro.ppszMacroName, &slot);

    record.actionOrMacro.ppszMacroName = nullptr;
    EXPECT_EQ(fromRecord(record, mapping), hr::pointer);

    const ButtonMapping click = clickMapping(2, records::MOUSE_CLICK_DOUBLE_LCLICK);
    const auto clickRecord = toRecord(click, nullptr);
    EXPECT_EQ(clickRecord.actionOrMacro.actionInfo.info.clickInfo.mouseClick,
              records::MOUSE_CLICK_DOUBLE_LCLICK);
    ASSERT_EQ(fromRecord(clickRecord, mapping), hr::ok);
    EXPECT_EQ(mapping, click);
}

TEST(StoreValuesTest, ManagedFormsAreTheTypeFieldsThenTheInfoWords) {
    const records::TButtonMappingManaged managed{
        5, records::BUTTON_MAPPING_DEVICE_ACTION, records::BUTTON_ACTION_KEYCODE, 0x1E, 0, 0x41};
    const ButtonMapping mapping = fromManaged(managed);
    EXPECT_EQ(mapping.action.info.keycodeInfo.ulScanCode, 0x1Eu);
    EXPECT_EQ(mapping.action.info.keycodeInfo.ulVirtualKeycode, 0x41u);
    const auto again = toManaged(mapping);
    EXPECT_EQ(std::memcmp(&again, &managed, sizeof managed), 0);

    const auto element = keyElement(0x1E, 0x41, 30, 40);
    const auto managedElement = toManaged(element);
    EXPECT_EQ(managedElement.lActionType, records::BUTTON_ACTION_KEYCODE);
    EXPECT_EQ(managedElement.lParam2, 0x41);
    EXPECT_EQ(managedElement.lDelayMs, 30);
    EXPECT_EQ(encodeElement(fromManaged(managedElement)), encodeElement(element));
}

TEST(StoreValuesTest, MacroAndUserActionParamsAreCheckedBeforeCopying) {
    records::_TMacroElement elements[2] = {keyElement(1, 2, 3, 4), keyElement(5, 6, 7, 8)};
    records::_TMacroElement* elementArray = elements;
    records::LPWSTR icon = const_cast<records::LPWSTR>(u"a.ico");
    records::_TMacroParams params{2,
                                  records::MACRO_OPTIONS_REPEAT_UNTIL_SAME,
                                  records::MACRO_TYPE_MACRO,
                                  99,
                                  4,
                                  &icon,
                                  2,
                                  &elementArray};
    Macro macro;
    ASSERT_EQ(fromRecord(params, macro), hr::ok);
    EXPECT_EQ(macro.iconFile, u"a.ico");
    EXPECT_EQ(macro.elements.size(), 2u);
    EXPECT_EQ(macro.repeat, 4);

    params.ppszIconFile = nullptr;
    ASSERT_EQ(fromRecord(params, macro), hr::ok);
    EXPECT_EQ(macro.iconFile, u"");
    params.lNumElements = -1;
    EXPECT_EQ(fromRecord(params, macro), hr::invalidArg);
    params.lNumElements = 1;
    params.ppElements = nullptr;
    EXPECT_EQ(fromRecord(params, macro), hr::pointer);

    std::uint8_t bytes[3] = {1, 2, 3};
    std::uint8_t* data = bytes;
    UserAction action;
    EXPECT_EQ(fromRecord(records::_TUserActionParams{5, 3, &data}, action), hr::ok);
    EXPECT_EQ(action, (UserAction{5, {1, 2, 3}}));
    EXPECT_EQ(fromRecord(records::_TUserActionParams{5, 0, nullptr}, action), hr::ok);
    EXPECT_TRUE(action.data.empty());
    EXPECT_EQ(fromRecord(records::_TUserActionParams{5, -2, &data}, action), hr::invalidArg);
    EXPECT_EQ(fromRecord(records::_TUserActionParams{5, 2, nullptr}, action), hr::pointer);
}

}  // namespace
}  // namespace tessel::store::testing
