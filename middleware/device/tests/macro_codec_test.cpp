// Byte forms of the macro memory: element and delay encoding, decoding of images and directory
// pages read back from the mouse.
#include "middleware/device/macro_codec.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tessel::device {
namespace {

using namespace records;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using Bytes = std::vector<std::uint8_t>;

_TMacroElement key(std::uint32_t scanCode, bool press, std::int32_t delayMs = 0) {
    _TMacroElement e{};
    e.action.actionType = BUTTON_ACTION_KEYCODE;
    e.action.info.keycodeInfo.ulScanCode = scanCode;
    e.action.info.keycodeInfo.options = press ? KEYCODE_CLICK_OPTIONS_NONE : KEYCODE_OPTIONS_BREAK;
    e.lDelayMs = delayMs;
    return e;
}

_TMacroElement click(std::int32_t button, bool press, std::int32_t delayMs = 0) {
    _TMacroElement e{};
    e.action.actionType = BUTTON_ACTION_CLICK;
    e.action.info.clickInfo.mouseClick = static_cast<_TMouseClickType>(button);
    e.action.info.clickInfo.options = press ? KEYCODE_CLICK_OPTIONS_NONE : KEYCODE_OPTIONS_BREAK;
    e.lDelayMs = delayMs;
    return e;
}

// The element bytes of an encoded image (after the 50-byte header).
Bytes elementBytes(std::uint32_t fixedDelay, std::vector<_TMacroElement> elements) {
    Bytes image;
    EXPECT_EQ(EncodeMacroImage(fixedDelay, elements, image), hr::ok);
    return image.size() < 50 ? Bytes{} : Bytes(image.begin() + 50, image.end());
}

// An image with a zero header and the given element bytes.
Bytes imageWith(const Bytes& elements, std::uint32_t fixedDelay = 50) {
    Bytes image(50 + elements.size(), 0);
    image[40] = static_cast<std::uint8_t>(fixedDelay >> 16);
    image[41] = static_cast<std::uint8_t>(fixedDelay >> 8);
    image[42] = static_cast<std::uint8_t>(fixedDelay);
    std::copy(elements.begin(), elements.end(), image.begin() + 50);
    return image;
}

TEST(MacroDelay, Encoding) {
    struct Case {
        std::int32_t delay;
        Bytes bytes;
    };
    const Case cases[] = {
        {0, {}},
        {-5, {}},
        {1, {0x11, 0x01}},
        {255, {0x11, 0xFF}},
        {256, {0x12, 0x01, 0x00}},
        {300, {0x12, 0x01, 0x2C}},
        {65535, {0x12, 0xFF, 0xFF}},
        {65536, {0x13, 0x01, 0x00, 0x00}},
        {70000, {0x13, 0x01, 0x11, 0x70}},
        {16777215, {0x13, 0xFF, 0xFF, 0xFF}},
        {20000000, {0x13, 0xFF, 0xFF, 0xFF}},  // limited to 24 bits, never wrapped
    };
    for (const Case& c : cases) {
        Bytes out;
        EncodeMacroDelay(c.delay, out);
        EXPECT_EQ(out, c.bytes) << c.delay;
    }
}

TEST(MacroImage, HeaderAndFixedDelayLimits) {
    struct Case {
        std::uint32_t fixedDelay;
        Bytes stored;
    };
    for (const Case& c : {Case{5, {0, 0, 10}}, {0, {0, 0, 10}}, {10, {0, 0, 10}}, {1000, {0, 0x03, 0xE8}},
                          {16777215, {0xFF, 0xFF, 0xFF}}, {0xFFFFFFFF, {0xFF, 0xFF, 0xFF}}}) {
        Bytes image;
        ASSERT_EQ(EncodeMacroImage(c.fixedDelay, {}, image), hr::ok);
        ASSERT_EQ(image.size(), 50u);
        EXPECT_EQ(Bytes(image.begin() + 40, image.begin() + 43), c.stored) << c.fixedDelay;
        EXPECT_EQ(Bytes(image.begin(), image.begin() + 40), Bytes(40, 0));  // name comes from the record
        EXPECT_EQ(Bytes(image.begin() + 43, image.end()), Bytes(7, 0));
    }
}

TEST(MacroImage, ElementEncoding) {
    struct Case {
        const char* what;
        std::vector<_TMacroElement> elements;
        Bytes bytes;
    };
    const Case cases[] = {
        {"key press and release", {key(0x04, true, 300), key(0x104, false)}, {0x01, 0x04, 0x12, 0x01, 0x2C, 0x00, 0x04}},
        {"left press, right press, left release", {click(0, true), click(1, true), click(0, false)}, {0x81, 0x83, 0x82}},
        {"each button's bit", {click(2, true), click(3, true), click(4, true), click(2, false)}, {0x84, 0x8C, 0x9C, 0x98}},
        {"release of a button not down", {click(1, false)}, {0x80}},
        {"click with delay", {click(0, true, 70000)}, {0x81, 0x13, 0x01, 0x11, 0x70}},
        {"key with any non-zero option releases", {[] {
             _TMacroElement e = key(0x2C, true);
             e.action.info.keycodeInfo.options = KEYCODE_CLICK_OPTIONS_SHIFT;
             return e;
         }()},
         {0x00, 0x2C}},
    };
    for (const Case& c : cases) EXPECT_EQ(elementBytes(10, c.elements), c.bytes) << c.what;
}

TEST(MacroImage, UnencodableActionsFailWithoutOutput) {
    _TMacroElement raw{};
    raw.action.actionType = BUTTON_ACTION_RAW_VALUE;
    struct Case {
        _TMacroElement element;
        HResult status;
    };
    for (const Case& c : {Case{raw, hr::fail}, {click(5, true), hr::invalidArg}, {click(-1, true), hr::invalidArg}}) {
        Bytes image{1, 2, 3};
        const _TMacroElement elements[] = {key(4, true), c.element};
        EXPECT_EQ(EncodeMacroImage(10, elements, image), c.status);
        EXPECT_THAT(image, ElementsAre(1, 2, 3));
    }
}

TEST(MacroImage, DecodeRoundTrip) {
    const std::vector<_TMacroElement> elements = {key(0xE1, true, 50),  click(0, true, 300), click(4, true, 0),
                                                  click(0, false, 70000), click(4, false, 1), key(0xE1, false)};
    Bytes image;
    ASSERT_EQ(EncodeMacroImage(1000, elements, image), hr::ok);
    DecodedMacro macro;
    ASSERT_EQ(DecodeMacroImage(image, macro), hr::ok);
    EXPECT_EQ(macro.params.lVersion, 0);
    EXPECT_EQ(macro.params.options, MACRO_OPTIONS_USE_REPEAT_COUNT);
    EXPECT_EQ(macro.params.type, MACRO_TYPE_KEYSTROKE);
    EXPECT_EQ(macro.params.lRepeat, 1);
    EXPECT_EQ(macro.params.FixedDelay, 1000u);
    EXPECT_EQ(macro.params.ppszIconFile, nullptr);
    EXPECT_EQ(macro.params.ppElements, nullptr);
    ASSERT_EQ(macro.params.lNumElements, 6);
    ASSERT_EQ(macro.elements.size(), elements.size());
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const _TMacroElement& got = macro.elements[i];
        const _TMacroElement& want = elements[i];
        EXPECT_EQ(got.action.actionType, want.action.actionType) << i;
        EXPECT_EQ(got.action.info.rawValueInfo.lValue1, want.action.info.rawValueInfo.lValue1) << i;
        EXPECT_EQ(got.action.info.rawValueInfo.lValue2, want.action.info.rawValueInfo.lValue2) << i;
        EXPECT_EQ(got.lDelayMs, want.lDelayMs) << i;
        EXPECT_EQ(got.lHoldMs, 0) << i;
    }
}

TEST(MacroImage, DecodeStopsAtTheFirstUndecodableElement) {
    struct Case {
        const char* what;
        Bytes elements;
        HResult status;
        std::size_t decoded;
    };
    const Case cases[] = {
        {"no elements", {}, hr::ok, 0},
        {"first byte 0x02", {0x02, 0x04}, hr::invalidArg, 0},
        {"first byte 0x7F", {0x7F}, hr::invalidArg, 0},
        {"lone delay marker", {0x11, 0x05}, hr::invalidArg, 0},
        {"click changing no button", {0x80}, hr::fail, 0},
        {"click changing only bits 5 and 6", {0xE0}, hr::fail, 0},
        {"key without scan code", {0x01}, hr::fail, 0},
        {"delay cut short", {0x01, 0x04, 0x13, 0x01}, hr::fail, 0},
        {"bad element after a good one", {0x01, 0x04, 0x11, 0x0A, 0x40, 0x01, 0x05}, hr::ok, 1},
        {"same click state after a press", {0x81, 0x81, 0x82}, hr::ok, 1},
        {"truncated key after two", {0x81, 0x80, 0x00}, hr::ok, 2},
    };
    for (const Case& c : cases) {
        DecodedMacro macro;
        macro.params.lRepeat = 77;
        EXPECT_EQ(DecodeMacroImage(imageWith(c.elements), macro), c.status) << c.what;
        if (hr::succeeded(c.status)) {
            EXPECT_EQ(macro.elements.size(), c.decoded) << c.what;
            EXPECT_EQ(macro.params.lNumElements, static_cast<std::int32_t>(c.decoded)) << c.what;
        } else {
            EXPECT_EQ(macro.params.lRepeat, 77) << c.what;  // untouched on failure
        }
    }
}

TEST(MacroImage, DecodedClicksFollowTheStateBytes) {
    DecodedMacro macro;
    ASSERT_EQ(DecodeMacroImage(imageWith({0x81, 0x83, 0x82, 0x80}), macro), hr::ok);
    ASSERT_EQ(macro.elements.size(), 4u);
    const std::pair<int, bool> expected[] = {{0, true}, {1, true}, {0, false}, {1, false}};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(macro.elements[i].action.actionType, BUTTON_ACTION_CLICK);
        EXPECT_EQ(macro.elements[i].action.info.clickInfo.mouseClick, expected[i].first) << i;
        EXPECT_EQ(macro.elements[i].action.info.clickInfo.options,
                  expected[i].second ? KEYCODE_CLICK_OPTIONS_NONE : KEYCODE_OPTIONS_BREAK)
            << i;
    }
}

TEST(MacroImage, ShortImagesAreEmptyMacros) {
    // As created: 40 zero bytes, no fixed delay stored yet.
    for (std::size_t size : {0, 40, 42, 43, 49}) {
        DecodedMacro macro;
        ASSERT_EQ(DecodeMacroImage(Bytes(size, 0), macro), hr::ok) << size;
        EXPECT_TRUE(macro.elements.empty());
        EXPECT_EQ(macro.params.lNumElements, 0);
        EXPECT_EQ(macro.params.lRepeat, 1);
    }
    DecodedMacro macro;
    Bytes header(43, 0);
    header[42] = 25;
    ASSERT_EQ(DecodeMacroImage(header, macro), hr::ok);
    EXPECT_EQ(macro.params.FixedDelay, 25u);
}

TEST(MacroDirectoryPage, EntriesAndPaging) {
    DovaReport page;
    page[5] = 80;
    for (std::size_t i = 0; i < 20; ++i) {
        page[9 + 4 * i] = static_cast<std::uint8_t>(i);
        page[10 + 4 * i] = 0x01;
        page[11 + 4 * i] = static_cast<std::uint8_t>(i);
        page[12 + 4 * i] = 0xEE;
    }
    std::vector<MacroDirectoryEntry> entries;
    bool more = false;
    ASSERT_EQ(DecodeDirectoryPage(page, entries, more), hr::ok);
    EXPECT_TRUE(more);
    ASSERT_EQ(entries.size(), 20u);
    EXPECT_EQ(entries[19], (MacroDirectoryEntry{19, 0x0113}));

    page[5] = 8;
    ASSERT_EQ(DecodeDirectoryPage(page, entries, more), hr::ok);
    EXPECT_FALSE(more);
    EXPECT_EQ(entries.size(), 22u);

    page[5] = 0;
    ASSERT_EQ(DecodeDirectoryPage(page, entries, more), hr::ok);
    EXPECT_FALSE(more);
    EXPECT_EQ(entries.size(), 22u);
}

TEST(MacroDirectoryPage, ImpossibleByteCountsAreRejected) {
    for (std::uint8_t count : {84, 255, 6, 81}) {
        DovaReport page;
        page[5] = count;
        std::vector<MacroDirectoryEntry> entries;
        bool more = true;
        EXPECT_EQ(DecodeDirectoryPage(page, entries, more), hr::fail) << int{count};
        EXPECT_TRUE(entries.empty());
    }
}

}  // namespace
}  // namespace tessel::device
