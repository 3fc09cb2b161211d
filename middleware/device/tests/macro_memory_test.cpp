// The mouse's own macro memory against the simulated mouse: directory, transfer, life cycle.
#include "middleware/device/macro_memory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <numeric>

#include "middleware/device/tests/commands_fixture.h"

namespace tessel::device::testing {
namespace {

using namespace records;
using ::testing::ElementsAre;
using ::testing::Each;
using Bytes = std::vector<std::uint8_t>;

using MacroMemory = CommandsTest;

Bytes counting(std::size_t size) {
    Bytes bytes(size);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{1});
    return bytes;
}

// Macros stored directly in the mouse, `size` bytes each.
void storeMacros(sim::MouseState& s, std::initializer_list<int> indexes, std::size_t size = 40) {
    for (int index : indexes) s.macros[static_cast<std::uint8_t>(index)].assign(size, 0);
}

_TMacroElement key(std::uint32_t scanCode, bool press, std::int32_t delayMs) {
    _TMacroElement e{};
    e.action.actionType = BUTTON_ACTION_KEYCODE;
    e.action.info.keycodeInfo.ulScanCode = scanCode;
    e.action.info.keycodeInfo.options = press ? KEYCODE_CLICK_OPTIONS_NONE : KEYCODE_OPTIONS_BREAK;
    e.lDelayMs = delayMs;
    return e;
}

std::vector<DovaReport> ofCommand(const std::vector<DovaReport>& sent, std::uint8_t command) {
    std::vector<DovaReport> out;
    for (const DovaReport& r : sent)
        if (r[DovaReport::command] == command) out.push_back(r);
    return out;
}

TEST_F(MacroMemory, A170ByteImageTravelsInThreeChunks) {
    const Bytes image = counting(170);
    ASSERT_EQ(AllocateMacro(handler(), 7, 170), hr::ok);
    ASSERT_EQ(WriteMacroImage(handler(), 7, image), hr::ok);
    const std::vector<DovaReport> sent = requests();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_THAT(bytesOf(sent[0], 3, 3), ElementsAre(0, 0x08, 4));
    EXPECT_THAT(bytesOf(sent[0], 9, 3), ElementsAre(7, 0, 170));
    struct Chunk {
        std::uint8_t length, followHigh, followLow;
        std::size_t offset;
    };
    const Chunk chunks[] = {{80, 0, 2, 0}, {80, 0, 1, 80}, {10, 0, 0, 160}};
    for (std::size_t i = 0; i < 3; ++i) {
        const DovaReport& chunk = sent[i + 1];
        EXPECT_THAT(bytesOf(chunk, 3, 6), ElementsAre(0, 0x0D, chunks[i].length, chunks[i].followHigh,
                                                      chunks[i].followLow, 7))
            << i;
        EXPECT_EQ(bytesOf(chunk, 9, chunks[i].length),
                  Bytes(image.begin() + chunks[i].offset, image.begin() + chunks[i].offset + chunks[i].length))
            << i;
    }
    EXPECT_EQ(state().macros.at(7), image);

    clearLog();
    Bytes back;
    ASSERT_EQ(ReadMacroImage(handler(), 7, 170, back), hr::ok);
    EXPECT_EQ(back, image);
    const std::vector<DovaReport> reads = requests();
    ASSERT_EQ(reads.size(), 3u);
    EXPECT_THAT(bytesOf(reads[0], 3, 6), ElementsAre(1, 0x0D, 0, 0, 2, 7));
    EXPECT_THAT(bytesOf(reads[2], 3, 6), ElementsAre(1, 0x0D, 0, 0, 0, 7));
}

TEST_F(MacroMemory, AnImageOfWholeChunksHasNoShortOne) {
    ASSERT_EQ(AllocateMacro(handler(), 0, 160), hr::ok);
    ASSERT_EQ(WriteMacroImage(handler(), 0, counting(160)), hr::ok);
    const std::vector<DovaReport> chunks = ofCommand(requests(), 0x0D);
    ASSERT_EQ(chunks.size(), 2u);
    EXPECT_EQ(chunks[1][DovaReport::param], 80);
}

TEST_F(MacroMemory, EveryChunkIsSentAndAFailedOneIsReported) {
    ASSERT_EQ(AllocateMacro(handler(), 1, 170), hr::ok);
    clearLog();
    answerStatuses({0x02, kRefused, 0x02});
    EXPECT_EQ(WriteMacroImage(handler(), 1, counting(170)), hr::fail);
    EXPECT_EQ(requests().size(), 3u);
}

TEST_F(MacroMemory, ReadStopsAtTheFirstFailedChunk) {
    change([](sim::MouseState& s) { s.macros[1] = counting(170); });
    answerStatuses({0x02, kRefused});
    Bytes image{9};
    EXPECT_EQ(ReadMacroImage(handler(), 1, 170, image), hr::fail);
    EXPECT_EQ(requests().size(), 2u);
    EXPECT_EQ(image, Bytes{9});
}

TEST_F(MacroMemory, CreateTakesTheFirstEmptyPlace) {
    std::uint8_t index = 0xEE;
    ASSERT_EQ(CreateMacro(handler(), index), hr::ok);  // empty directory
    EXPECT_EQ(index, 0);
    EXPECT_EQ(state().macros.at(0), Bytes(40, 0));
    const std::vector<DovaReport> sent = requests();
    ASSERT_EQ(sent.size(), 4u);  // memory figures, directory page 0, allocation, one chunk
    EXPECT_THAT(bytesOf(sent[0], 3, 3), ElementsAre(1, 0x23, 0));
    EXPECT_THAT(bytesOf(sent[1], 3, 6), ElementsAre(1, 0x08, 0, 0, 0, 0));
    EXPECT_THAT(bytesOf(sent[2], 9, 3), ElementsAre(0, 0, 40));
    EXPECT_THAT(bytesOf(sent[3], 3, 6), ElementsAre(0, 0x0D, 40, 0, 0, 0));
    EXPECT_THAT(bytesOf(sent[3], 9, 40), Each(0));

    // Places 0 and 1 in use, 2 deleted, 3 in use: the deleted place is taken again.
    change([](sim::MouseState& s) { storeMacros(s, {1, 3}); });
    ASSERT_EQ(CreateMacro(handler(), index), hr::ok);
    EXPECT_EQ(index, 2);
    ASSERT_EQ(CreateMacro(handler(), index), hr::ok);
    EXPECT_EQ(index, 4);
}

TEST_F(MacroMemory, CreateNeedsAFreeUnitAndAFreePlace) {
    change([](sim::MouseState& s) {
        s.memoryUnits = 2;
        storeMacros(s, {0, 1});
    });
    std::uint8_t index = 0;
    EXPECT_EQ(CreateMacro(handler(), index), hr::outOfMemory);
    EXPECT_EQ(requests().size(), 1u);

    change([](sim::MouseState& s) {
        s.memoryUnits = 255;
        for (int i = 0; i < 70; ++i) storeMacros(s, {i});
    });
    EXPECT_EQ(CreateMacro(handler(), index), hr::fail);
    EXPECT_EQ(state().macros.size(), 70u);
}

TEST_F(MacroMemory, ElementsRoundTripWithTheRecordedName) {
    change([](sim::MouseState& s) { storeMacros(s, {0, 1}); });
    ASSERT_EQ(SetMacroName(handler(), 1, u"Reload"), hr::ok);
    clearLog();
    const std::vector<_TMacroElement> elements = {key(0x15, true, 300), key(0x15, false, 70000), key(0x2C, true, 0)};
    ASSERT_EQ(SetMacroElements(handler(), 1, 5, elements), hr::ok);

    const sim::MouseState after = state();
    const Bytes& stored = after.macros.at(1);
    ASSERT_EQ(stored.size(), 50u + 5 + 6 + 2);
    std::u16string name;
    ASSERT_EQ(DecodeNameField(NameField(stored.data(), kNameFieldBytes), name), hr::ok);
    EXPECT_EQ(name, u"Reload");
    EXPECT_EQ(Bytes(stored.begin() + 40, stored.begin() + 43), (Bytes{0, 0, 10}));
    EXPECT_EQ(Bytes(stored.begin() + 50, stored.end()),
              (Bytes{0x01, 0x15, 0x12, 0x01, 0x2C, 0x00, 0x15, 0x13, 0x01, 0x11, 0x70, 0x01, 0x2C}));
    const std::vector<DovaReport> sent = requests();
    ASSERT_EQ(sent.size(), 4u);  // memory figures, name record, allocation, one chunk
    EXPECT_THAT(bytesOf(sent[1], 3, 6), ElementsAre(1, 0x0E, 0, 0, 0, 1));
    EXPECT_THAT(bytesOf(sent[2], 9, 3), ElementsAre(1, 0, 63));

    DecodedMacro macro;
    ASSERT_EQ(GetMacroElements(handler(), 1, macro), hr::ok);
    EXPECT_EQ(macro.params.FixedDelay, 10u);
    ASSERT_EQ(macro.elements.size(), 3u);
    EXPECT_EQ(macro.elements[1].lDelayMs, 70000);
    EXPECT_EQ(macro.elements[1].action.info.keycodeInfo.options, KEYCODE_OPTIONS_BREAK);
    EXPECT_EQ(macro.elements[2].action.info.keycodeInfo.ulScanCode, 0x2Cu);
}

TEST_F(MacroMemory, AnImageThatDoesNotFitIsRefusedBeforeItIsAllocated) {
    change([](sim::MouseState& s) {
        s.memoryUnits = 1;
        storeMacros(s, {0});
    });
    // 50 + 100 * 6 bytes: more than the one unit an image may take when none is free.
    const std::vector<_TMacroElement> elements(100, key(4, true, 70000));
    EXPECT_EQ(SetMacroElements(handler(), 0, 10, elements), hr::outOfMemory);
    EXPECT_EQ(requests().size(), 1u);
    EXPECT_EQ(state().macros.at(0), Bytes(40, 0));

    // 480 bytes still fit with no unit free: (0 + 1) * 480.
    const std::vector<_TMacroElement> fits(71, key(4, true, 70000));  // 50 + 426 bytes
    EXPECT_EQ(SetMacroElements(handler(), 0, 10, fits), hr::ok);
}

TEST_F(MacroMemory, ClearingStoresTheEmptyImage) {
    change([](sim::MouseState& s) { s.macros[2] = counting(120); });
    ASSERT_EQ(ClearMacroElements(handler(), 2), hr::ok);
    EXPECT_EQ(state().macros.at(2), Bytes(40, 0));
    DecodedMacro macro;
    ASSERT_EQ(GetMacroElements(handler(), 2, macro), hr::ok);
    EXPECT_TRUE(macro.elements.empty());
}

TEST_F(MacroMemory, ImagesTheMouseClaimsAreChecked) {
    change([](sim::MouseState& s) {
        s.memoryUnits = 64;                // 30720 bytes
        s.macros[2].assign(60000, 0x01);   // a size no memory of this mouse holds
        s.macros[3] = Bytes(50, 0);
        s.macros[3].push_back(0x05);       // an element that cannot be
    });
    DecodedMacro macro;
    EXPECT_EQ(GetMacroElements(handler(), 2, macro), hr::fail);
    EXPECT_TRUE(ofCommand(requests(), 0x0D).empty());  // not one chunk read for it
    EXPECT_EQ(GetMacroElements(handler(), 3, macro), hr::invalidArg);
    EXPECT_EQ(GetMacroElements(handler(), 9, macro), hr::fail);  // not in the directory
}

TEST_F(MacroMemory, NamesAndDeletion) {
    change([](sim::MouseState& s) { storeMacros(s, {4}); });
    ASSERT_EQ(SetMacroName(handler(), 4, std::u16string(19, u'm')), hr::ok);
    std::u16string name;
    ASSERT_EQ(GetMacroName(handler(), 4, name), hr::ok);
    EXPECT_EQ(name, std::u16string(19, u'm'));
    const std::vector<DovaReport> sent = requests();
    EXPECT_THAT(bytesOf(sent[0], 3, 6), ElementsAre(0, 0x0E, 0, 0, 0, 4));

    clearLog();
    EXPECT_EQ(SetMacroName(handler(), 4, std::u16string(20, u'm')), hr::fail);
    EXPECT_EQ(accesses(), 0u);

    change([](sim::MouseState& s) { std::fill_n(s.macros[4].begin(), 40, 'q'); });
    EXPECT_EQ(GetMacroName(handler(), 4, name), hr::fail);  // no terminator in the record

    clearLog();
    ASSERT_EQ(DeleteMacro(handler(), 4), hr::ok);
    EXPECT_THAT(bytesOf(requests()[0], 3, 7), ElementsAre(0, 0x0C, 1, 0, 0, 0, 4));
    EXPECT_FALSE(state().macros.contains(4));
}

TEST_F(MacroMemory, EnumerationClosesUpEmptyPlaces) {
    change([](sim::MouseState& s) { storeMacros(s, {0, 2, 5}); });
    MacroEnumeration macros;
    std::uint8_t index = 0;
    EXPECT_EQ(macros.GetMacro(handler(), 1, index), hr::fail);  // nothing read yet
    struct Case {
        std::uint32_t position;
        HResult status;
        std::uint8_t index;
    };
    for (const Case c : {Case{0, hr::ok, 0}, {1, hr::ok, 2}, {2, hr::ok, 5}, {3, hr::fail, 0}, {69, hr::fail, 0},
                         {70, hr::invalidArg, 0}}) {
        index = 0;
        EXPECT_EQ(macros.GetMacro(handler(), c.position, index), c.status) << c.position;
        EXPECT_EQ(index, c.index) << c.position;
    }
    // Only position 0 reads the directory again.
    clearLog();
    change([](sim::MouseState& s) { s.macros.erase(2); });
    ASSERT_EQ(macros.GetMacro(handler(), 1, index), hr::ok);
    EXPECT_EQ(index, 2);
    EXPECT_EQ(accesses(), 0u);
    ASSERT_EQ(macros.GetMacro(handler(), 0, index), hr::ok);
    ASSERT_EQ(macros.GetMacro(handler(), 1, index), hr::ok);
    EXPECT_EQ(index, 5);
}

TEST_F(MacroMemory, DirectoryKeepsSeventyPlacesAndReadsNoFurther) {
    change([](sim::MouseState& s) {
        s.memoryUnits = 255;
        for (int i = 0; i < 100; ++i) storeMacros(s, {i});
    });
    MacroDirectory directory;
    ASSERT_EQ(ReadMacroDirectory(handler(), directory), hr::ok);
    EXPECT_EQ(directory[69], (MacroDirectoryEntry{69, 40}));
    const std::vector<DovaReport> pages = requests();
    ASSERT_EQ(pages.size(), 4u);
    EXPECT_EQ(pages[3][8], 3);

    // A lone macro at index 255: 256 places listed, still four pages read.
    change([](sim::MouseState& s) {
        s.macros.clear();
        storeMacros(s, {255});
    });
    clearLog();
    ASSERT_EQ(ReadMacroDirectory(handler(), directory), hr::ok);
    EXPECT_EQ(requests().size(), 4u);
    EXPECT_EQ(directory[0], (MacroDirectoryEntry{0, 0}));
    EXPECT_EQ(directory[69], (MacroDirectoryEntry{69, 0}));
}

TEST_F(MacroMemory, WithoutADriverHandler) {
    MacroDirectory directory;
    std::u16string name;
    Bytes image;
    std::uint8_t index = 0;
    DecodedMacro macro;
    MacroEnumeration macros;
    for (HResult status :
         {ReadMacroDirectory(nullptr, directory), GetMacroName(nullptr, 0, name), SetMacroName(nullptr, 0, u"x"),
          AllocateMacro(nullptr, 0, 40), WriteMacroImage(nullptr, 0, Bytes(40)), ReadMacroImage(nullptr, 0, 40, image),
          CreateMacro(nullptr, index), SetMacroElements(nullptr, 0, 10, {}), ClearMacroElements(nullptr, 0),
          GetMacroElements(nullptr, 0, macro), DeleteMacro(nullptr, 0), macros.GetMacro(nullptr, 0, index)})
        EXPECT_EQ(status, hr::fail);
    EXPECT_EQ(accesses(), 0u);
}

}  // namespace
}  // namespace tessel::device::testing
