// The exchange files of profiles and macros: byte-exact writing, both reading modes, the bounds
// of the records and the side files.
#include "formats/exchange_file.h"

#include <gtest/gtest.h>

#include <map>

#include "test_data.h"

namespace tessel::formats {
namespace {

using namespace records;
using testing::dataBytes;
using testing::dataText;

// The caller's lists as the writers and the side-file reader see them.
class Lists final : public ExchangeLookup {
public:
    std::map<std::int32_t, std::u16string> profiles;  // by device profile number
    std::map<std::int32_t, std::u16string> macroIds;  // by device id
    std::map<std::u16string, ExchangeMacro, std::less<>> macros;

    std::optional<std::u16string> profileName(std::int32_t number) const override {
        const auto found = profiles.find(number);
        return found == profiles.end() ? std::nullopt : std::optional(found->second);
    }
    std::optional<std::u16string> macroName(std::int32_t id) const override {
        const auto found = macroIds.find(id);
        return found == macroIds.end() ? std::nullopt : std::optional(found->second);
    }
    std::optional<ExchangeMacro> macro(std::u16string_view name) const override {
        const auto found = macros.find(name);
        return found == macros.end() ? std::nullopt : std::optional(found->second);
    }
};

std::u16string lines(std::initializer_list<std::u16string_view> all) {
    std::u16string text;
    for (auto line : all) (text += line) += u"\r\n";
    return text;
}

std::u16string blockHead(std::u16string_view type, std::u16string_view version = u"1.03",
                         std::u16string_view device = u"Tessel") {
    return lines({u"[FILEVERSION]", version, u"[SUPPORTEDDEVICE]", device, u"[DATATYPE]", type});
}

ExchangeMacro burst() {
    return {u"Burst", {{0x001E, 0}, {0x0200, 300}, {0x8200, 600}}, {0, 650}};
}

// A profile that takes every kind of mapping line, as the model hands it to the writer.
ExchangeProfile everyMapping(Lists& lists) {
    ExchangeProfile profile;
    profile.name = u"Bob's";
    _stDpiStageType stages{};
    stages.ulTotalStages = 3;
    stages.lDefaultStage = 2;
    stages.lCurrentStage = 1;
    stages.Sensitivity[0] = {500, 400};
    stages.Sensitivity[1] = {1000, 1000};
    stages.Sensitivity[2] = {4000, 3875};
    profile.stages = stages;
    profile.lights = 0b101;
    profile.executable = u"My Game.exe";
    profile.autoload = 1;
    profile.sensitivityNotice = 1;
    profile.profileNotice = 0;
    auto& m = profile.mappings;
    m[0] = {1, 6, 5, {1, 0, 0}};
    m[1] = {2, 3, 1, {30, 0, 0}};
    m[2] = {3, 2, 5, {7, 1, 0}};  // row 2, linked to "Burst"
    profile.macroLinks[2] = u"Burst";
    m[4] = {5, 1, 0, {5, 0, 2}};  // row 3, profile number 2 is "Sniper"
    m[3] = {4, 1, 0, {7, 0, 0}};  // row 4, a profile link without the switch word: "(null)"
    profile.profileLinks[4] = u"Gone";
    m[5] = {6, 2, 5, {99, 1, 0}};  // a macro that no longer exists: "(null)"
    m[6] = {7, 1, 0, {5, 0, 0}};   // a profile switch without profile: invalid
    m[7] = {8, 4, 0, {0, 0, 0}};   // a mapping type the format does not carry: invalid
    m[8] = {9, 2, 5, {42, 1, 0}};  // macro id 42 is "O'Brien"
    lists.profiles[2] = u"Sniper";
    lists.macroIds[42] = u"O'Brien";
    lists.macros[u"Burst"] = burst();
    lists.macros[u"O'Brien"] = {u"O'Brien", {}, {}};
    return profile;
}

TEST(ExchangeWriter, EveryMappingLineByteExact) {
    Lists lists;
    const ExchangeProfile profile = everyMapping(lists);
    EXPECT_EQ(encodeUtf16le(profileBlockText(profile, lists)), dataBytes("every_mapping.kxp"));
    EXPECT_EQ(encodeUtf16le(macroBlockText(burst())), dataBytes("burst.kxm"));
}

TEST(ExchangeWriter, NewProfileSideFileByteExact) {
    ExchangeProfile alpha;
    alpha.name = u"Alpha";
    _stDpiStageType stages{};
    stages.ulTotalStages = 5;
    stages.lCurrentStage = stages.lDefaultStage = 3;
    const std::uint32_t values[] = {500, 1000, 1500, 2000, 4000};
    for (int i = 0; i < 5; ++i) stages.Sensitivity[i] = {values[i], values[i]};
    alpha.stages = stages;
    alpha.lights = 7;
    alpha.sensitivityNotice = alpha.profileNotice = 1;
    for (int slot = 0; slot < kButtonCount; ++slot) alpha.mappings[slot] = defaultMapping(slot);
    MemoryFiles files;
    files.makeFolder(u"C:\\AppData");
    ASSERT_TRUE(writeSideFiles(files, u"C:\\AppData", {alpha}, Lists{}));
    std::string bytes;
    ASSERT_TRUE(files.read(u"C:\\AppData\\MarloProfile0.dat", bytes));
    EXPECT_EQ(bytes, dataBytes("side_alpha.dat"));
}

TEST(ExchangeReader, ImportTakesEveryMappingCase) {
    const auto blocks = readProfileBlocks(dataText("every_mapping.kxp"));
    ASSERT_EQ(blocks.size(), 1u);
    ExchangeProfile profile;
    importInto(blocks[0], profile);

    EXPECT_EQ(profile.name, u"Bob's");
    ASSERT_TRUE(profile.stages);
    EXPECT_EQ(profile.stages->ulTotalStages, 3u);
    EXPECT_EQ(profile.stages->lDefaultStage, 2);
    EXPECT_EQ(profile.stages->lCurrentStage, 1);
    EXPECT_EQ(profile.stages->Sensitivity[2].ulYSensitivity, 3875u);
    EXPECT_EQ(profile.lights, 0b101u);
    EXPECT_EQ(profile.executable, u"My Game.exe") << "the executable is the whole line";
    EXPECT_EQ(profile.autoload, 1);
    EXPECT_EQ(profile.sensitivityNotice, 1);
    EXPECT_EQ(profile.profileNotice, 0);

    const std::array<MappingRecord, kButtonCount> expected = {{
        {1, 6, 5, {1, 0, 0}},
        {2, 3, 1, {30, 0, 0}},
        {3, 2, 0, {0, 0, 0}},
        defaultMapping(3),  // "(null)"
        {5, 1, 0, {5, 0, 0}},
        defaultMapping(5),  // "(null)"
        defaultMapping(6),  // "Invalid Mapping!"
        defaultMapping(7),
        {9, 2, 0, {0, 0, 0}},
    }};
    EXPECT_EQ(profile.mappings, expected);
    const std::array<std::u16string, kButtonCount> macroLinks = {u"", u"", u"Burst", u"",       u"",
                                                                 u"", u"", u"",      u"O'Brien"};
    const std::array<std::u16string, kButtonCount> profileLinks = {u"", u"", u"", u"Sniper", u"",
                                                                   u"", u"", u"", u""};
    EXPECT_EQ(profile.macroLinks, macroLinks);
    EXPECT_EQ(profile.profileLinks, profileLinks);
    EXPECT_EQ(defaultMapping(3), (MappingRecord{4, 6, 5, {MOUSE_BUTTON_WINDOWS_BUTTON_5, 0, 0}}))
        << "the fifth button's slot goes forward";
}

TEST(ExchangeReader, MacrosOfAProfileFile) {
    const std::u16string text = dataText("every_mapping.kxp");
    const auto first = readMacroBlock(text);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->name, u"Burst");
    EXPECT_EQ(first->events, burst().events);
    EXPECT_EQ(first->end, burst().end);
    const auto named = readMacroBlock(text, u"O'Brien");
    ASSERT_TRUE(named);
    EXPECT_TRUE(named->events.empty());
    EXPECT_FALSE(readMacroBlock(text, u"Bob's")) << "a profile block is no macro";
}

TEST(ExchangeReader, MergeTakesLinksAndSwitchesOnly) {
    Lists lists;
    const ExchangeProfile written = everyMapping(lists);
    ExchangeProfile device = written;  // the records as the mouse holds them, no links yet
    device.profileLinks = {};
    device.macroLinks = {};
    device.executable.clear();
    device.autoload = device.sensitivityNotice = 0;
    device.profileNotice = 1;
    device.stages->ulTotalStages = 5;
    device.lights = 0b010;
    lists.macroIds[7] = u"Burst on mouse";

    std::vector<ExchangeProfile> list = {device};
    mergeProfiles(
        dataText("every_mapping.kxp"), {},
        [&](const std::u16string& name) { return name == u"Bob's" ? &list[0] : nullptr; }, lists);
    const ExchangeProfile& merged = list[0];
    EXPECT_EQ(merged.mappings, device.mappings);
    EXPECT_EQ(merged.stages->ulTotalStages, 5u);
    EXPECT_EQ(merged.lights, 0b010u);
    EXPECT_EQ(merged.executable, u"My Game.exe");
    EXPECT_EQ(merged.autoload, 1);
    EXPECT_EQ(merged.sensitivityNotice, 1);
    EXPECT_EQ(merged.profileNotice, 0);
    const std::array<std::u16string, kButtonCount> macroLinks = {
        u"", u"", u"Burst on mouse", u"", u"", u"", u"", u"", u"O'Brien"};
    const std::array<std::u16string, kButtonCount> profileLinks = {u"", u"", u"", u"Sniper", u"",
                                                                   u"", u"", u"", u""};
    EXPECT_EQ(merged.macroLinks, macroLinks) << "the mouse's id wins over the file's name";
    EXPECT_EQ(merged.profileLinks, profileLinks) << "no link to a profile named (null)";
}

TEST(ExchangeReader, MergeStopsAtAProfileNotInTheList) {
    const std::u16string text =
        blockHead(u"Profile") + lines({u"[PROFILENAME]", u"'A'", u"[AUTOLOAD]", u"1"}) +
        blockHead(u"Profile") + lines({u"[PROFILENAME]", u"'Stranger'", u"[AUTOLOAD]", u"1"}) +
        blockHead(u"Profile") + lines({u"[PROFILENAME]", u"'B'", u"[AUTOLOAD]", u"1"});
    std::map<std::u16string, ExchangeProfile> list = {{u"A", {}}, {u"B", {}}};
    mergeProfiles(
        text, {},
        [&](const std::u16string& name) {
            const auto found = list.find(name);
            return found == list.end() ? nullptr : &found->second;
        },
        Lists{});
    EXPECT_EQ(list[u"A"].autoload, 1);
    EXPECT_EQ(list[u"B"].autoload, 0);
}

TEST(ExchangeReader, BlocksOutsideTheRecordsOrFormatAreSkipped) {
    auto profile = [](std::u16string_view name, std::u16string_view stages) {
        return lines({u"[PROFILENAME]", name, u"[DPISTAGES]", stages, u"[AUTOLOAD]", u"1"});
    };
    const std::u16string text =
        blockHead(u"Profile", u"1.02") + profile(u"'old'", u"NoofStages: 1") +
        blockHead(u"Profile", u"1.03", u"Other") + profile(u"'foreign'", u"NoofStages: 1") +
        blockHead(u"Macro") + lines({u"[MACRONAME]", u"'m'"}) + blockHead(u"Profile") +
        profile(u"'six'", u"NoofStages: 6") + blockHead(u"Profile") +
        profile(u"'negative'", u"NoofStages: -1") + blockHead(u"Profile") +
        profile(u"'five'", u"NoofStages: 5");
    const auto blocks = readProfileBlocks(text);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].name, u"five");
    EXPECT_EQ(blocks[0].stageCount, 5);
    EXPECT_EQ(blocks[0].autoload, 1);
    EXPECT_TRUE(readProfileBlocks(text, u"Five").empty()) << "names compare exactly";
}

TEST(ExchangeReader, SectionsAndLines) {
    struct Case {
        const char* what;
        std::u16string text;
        std::u16string name;
        std::optional<std::int32_t> autoload;
    };
    const std::u16string head = blockHead(u"Profile");
    const Case cases[] = {
        {"mark at the start",
         u"\uFEFF" + head + lines({u"[PROFILENAME]", u"'P'", u"[AUTOLOAD]", u"1"}), u"P", 1},
        {"last line without its end",
         head + lines({u"[PROFILENAME]", u"'P'", u"[AUTOLOAD]"}) + u"1",
         u"P",
         {}},
        {"apostrophe as the last character", head + lines({u"[PROFILENAME]", u"'"}), u"", {}},
        {"no apostrophe: the whole line",
         head + lines({u"[PROFILENAME]", u"Plain name"}),
         u"Plain name",
         {}},
        {"no closing apostrophe", head + lines({u"[PROFILENAME]", u"'Open"}), u"Ope", {}},
        {"sections read forward only",
         head + lines({u"[AUTOLOAD]", u"1", u"[PROFILENAME]", u"'P'"}),
         u"P",
         {}},
        {"CR without LF inside a line", head + u"[PROFILENAME]\r\n'P\rQ'\r\n[AUTOLOAD]\r\n2\r\n",
         u"PQ", 2},
        {"an unreadable number leaves the field",
         head + lines({u"[PROFILENAME]", u"'P'", u"[AUTOLOAD]", u"x"}),
         u"P",
         {}},
    };
    for (const Case& c : cases) {
        const auto blocks = readProfileBlocks(c.text);
        ASSERT_EQ(blocks.size(), 1u) << c.what;
        EXPECT_EQ(blocks[0].name, c.name) << c.what;
        EXPECT_EQ(blocks[0].autoload, c.autoload) << c.what;
    }
}

TEST(ExchangeReader, AMissingSectionLosesNothingAfterIt) {
    Lists lists;
    ExchangeProfile written = everyMapping(lists);
    written.stages.reset();
    const std::u16string text = profileBlockText(written, lists) + blockHead(u"Profile") +
                                lines({u"[PROFILENAME]", u"'Next'"});
    const auto blocks = readProfileBlocks(text);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_FALSE(blocks[0].stageCount);
    EXPECT_EQ(blocks[0].executable, u"My Game.exe");
    EXPECT_EQ(blocks[0].mappingLines[1], u"Mapping: 3 Data: 1 30");
    EXPECT_EQ(blocks[1].name, u"Next");
    EXPECT_FALSE(blocks[1].executable) << "the next block's sections stay its own";
}

TEST(ExchangeReader, MacroElementBounds) {
    auto macro = [](std::u16string_view name, int count, int entries) {
        std::u16string text = blockHead(u"Macro") +
                              lines({u"[MACRONAME]", name, u"[MACROELEMENTS]", decimalText(count)});
        for (int i = 0; i < entries; ++i)
            text += lines({u"[MACROELEMENT" + decimalText(i) + u"]",
                           u"Scancode: " + std::u16string(i < 10 ? u"000" : u"00") +
                               decimalText(i) + u" Scantime: " + decimalText(10 * i)});
        return text;
    };
    const std::u16string text = macro(u"'seventeen'", 17, 18) + macro(u"'negative'", -1, 1) +
                                macro(u"'sixteen'", 16, 17) + macro(u"'none'", 0, 1);
    const auto sixteen = readMacroBlock(text);
    ASSERT_TRUE(sixteen);
    EXPECT_EQ(sixteen->name, u"sixteen");
    ASSERT_EQ(sixteen->events.size(), 16u);
    EXPECT_EQ(sixteen->events[15], (MacroEvent{0x15, 150}));
    EXPECT_EQ(sixteen->end, (MacroEvent{0x16, 160})) << "entry c has room of its own";
    const auto none = readMacroBlock(text, u"none");
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->events.empty());
    EXPECT_EQ(none->end, MacroEvent{});

    const std::u16string longName = u"'" + std::u16string(70, u'n') + u"'";
    EXPECT_EQ(readMacroBlock(macro(longName, 0, 0))->name.size(), kMaxMacroName);
    const auto mouse = readMacroBlock(blockHead(u"Macro") +
                                      lines({u"[MACRONAME]", u"'m'", u"[MACROELEMENTS]", u"1",
                                             u"[MACROELEMENT0]", u"Mousecode: 8a00F Scantime: 5"}));
    EXPECT_EQ(mouse->events[0], (MacroEvent{0x8A00, 0})) << "four hexadecimal digits at most";
}

TEST(ExchangeReader, LinkNamesAndUnresolvedLinks) {
    const std::u16string text =
        blockHead(u"Profile") +
        lines({u"[PROFILENAME]", u"'P'", u"[BUTTONMAPPING0]",
               u"Mapping: 2 Data: 0 'A macro name longer than twenty'", u"[BUTTONMAPPING1]",
               u"Mapping: 1 Data: 5 'Missing'", u"[BUTTONMAPPING2]", u"Mapping: 2 Data: 0 'Known'",
               u"[BUTTONMAPPING3]", u"Mapping: 2 Data: 0 no name", u"[BUTTONMAPPING4]",
               u"Mapping: 3 Data: 1"});
    ExchangeProfile profile;
    importInto(readProfileBlocks(text).at(0), profile);
    EXPECT_EQ(profile.macroLinks[0], u"A macro name longer ");
    EXPECT_EQ(profile.mappings[4], defaultMapping(4)) << "a macro line without a name";
    EXPECT_EQ(profile.mappings[3], defaultMapping(3)) << "a key line without its key";
    resetUnresolvedLinks(
        profile, [](const std::u16string&) { return false; },
        [](const std::u16string& name) { return name == u"Known"; });
    EXPECT_EQ(profile.mappings[0], defaultMapping(0));
    EXPECT_EQ(profile.mappings[1], defaultMapping(1));
    EXPECT_EQ(profile.mappings[2], (MappingRecord{3, 2, 0, {0, 0, 0}}));
    EXPECT_EQ(profile.macroLinks[2], u"Known");
    EXPECT_TRUE(profile.macroLinks[0].empty() && profile.profileLinks[1].empty());
}

TEST(ExchangeFiles, SideFilesAboveTheCountAreRemoved) {
    MemoryFiles files;
    const std::u16string folder = u"C:\\Users\\u\\AppData\\Roaming";
    files.makeFolder(folder);
    for (int n = 0; n < kSideFileCount; ++n)
        ASSERT_TRUE(files.replace(sideFilePath(folder, n), "stale"));
    ASSERT_TRUE(files.replace(folder + u"\\other.dat", "kept"));
    ExchangeProfile a, b;
    a.name = u"A";
    a.autoload = 1;
    b.name = u"B";
    b.executable = u"game.exe";
    ASSERT_TRUE(writeSideFiles(files, folder, {a, b}, Lists{}));
    auto names = files.list(folder);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::u16string>{u"MarloProfile0.dat", u"MarloProfile1.dat",
                                                  u"other.dat"}));

    std::map<std::u16string, ExchangeProfile> list = {{u"A", {}}, {u"B", {}}};
    mergeSideFiles(
        files, folder,
        [&](const std::u16string& name) {
            const auto found = list.find(name);
            return found == list.end() ? nullptr : &found->second;
        },
        Lists{});
    EXPECT_EQ(list[u"A"].autoload, 1);
    EXPECT_EQ(list[u"B"].executable, u"game.exe");
}

TEST(ExchangeWriter, ValuesStayOnTheirLine) {
    ExchangeProfile profile;
    profile.name = u"Evil'\r\n[AUTOLOAD]\r\n1";
    profile.executable = u"a\r\nb.exe";
    profile.stages = _stDpiStageType{};
    profile.stages->ulTotalStages = 9;  // never read past the five stages
    ExchangeProfile back;
    importInto(readProfileBlocks(profileBlockText(profile, Lists{})).at(0), back);
    EXPECT_EQ(back.name, u"Evil'[AUTOLOAD]1");
    EXPECT_EQ(back.executable, u"ab.exe");
    EXPECT_EQ(back.autoload, 0);
    EXPECT_EQ(back.stages->ulTotalStages, 5u);
}

}  // namespace
}  // namespace tessel::formats
