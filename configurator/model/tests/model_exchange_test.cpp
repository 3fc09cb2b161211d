// The model and the exchange files: export and import of profiles and macros with their
// links, the bounds an import keeps (five profiles, names, one node per name, playable
// buttons, the left-click rule) and the side files.
#include "configurator/model/model_exchange.h"

#include <gtest/gtest.h>

#include "formats/utf16_text.h"

namespace tessel::cfg {
namespace {

using F = ButtonFunction;

const std::vector<MacroEvent> kBurst = {{30, 0}, {30 | kReleaseBit, 300}, {0x200, 600}, {0x200 | kReleaseBit, 650}};

// A mouse as read: profiles on the device with default buttons, the first active.
void loadProfiles(SettingsModel& model, std::initializer_list<std::u16string_view> names) {
    std::int32_t number = 0;
    for (auto name : names) {
        ProfileNode& node = model.appendProfile();
        node.name = name;
        node.deviceNumber = ++number;
        node.onDevice = true;
        node.mappings = defaultMappings();
        node.stages = StageRecord::defaults();
    }
    model.finishLoading(std::u16string(*names.begin()));
}

MacroNode& macroOnDevice(SettingsModel& model, std::u16string_view name, std::int32_t id,
                         std::vector<MacroEvent> events) {
    MacroNode& macro = model.appendMacro();
    macro.name = name;
    macro.deviceId = id;
    macro.onDevice = true;
    macro.events = std::move(events);
    return macro;
}

// "Gamer": row 2 plays "Burst", row 3 switches to "Sniper", row 1 types key 30, a program.
std::u16string gamerFile() {
    SettingsModel source;
    loadProfiles(source, {u"Default", u"Gamer", u"Sniper"});
    macroOnDevice(source, u"Burst", 3, kBurst);
    source.selectProfile(1);
    EXPECT_TRUE(source.linkMacro(2, 0));
    EXPECT_TRUE(source.linkProfile(3, 2));
    EXPECT_EQ(source.chooseFunction(1, F::singleKey, 30), ChoiceResult::applied);
    source.setApplication(1, u"C:\\Games\\game.exe");
    source.current()->ledBits = 5;
    source.current()->stages->stages[2] = {1600, 1700};
    return *profileExportText(source, 1);
}

std::u16string lines(std::initializer_list<std::u16string_view> all) {
    std::u16string text;
    for (auto line : all) (text += line) += u"\r\n";
    return text;
}

std::u16string profileHead(std::u16string_view name) {
    return lines({u"[FILEVERSION]", u"1.03", u"[SUPPORTEDDEVICE]", u"Tessel", u"[DATATYPE]", u"Profile",
                  u"[PROFILENAME]", u"'" + std::u16string(name) + u"'"});
}

// A profile block whose nine mapping lines are given.
std::u16string profileWithMappings(std::u16string_view name, const std::array<std::u16string_view, 9>& mappings) {
    std::u16string text = profileHead(name);
    for (int row = 0; row < 9; ++row)
        text += lines({u"[BUTTONMAPPING" + formats::decimalText(row) + u"]", mappings[row]});
    return text;
}

TEST(ModelExchange, AProfileTravelsWithItsMacroAndLinks) {
    const std::u16string text = gamerFile();
    EXPECT_NE(text.find(u"[MACRONAME]\r\n'Burst'"), std::u16string::npos);

    SettingsModel model;
    loadProfiles(model, {u"Default", u"Sniper"});
    const ImportResult result = importProfileText(model, text);
    ASSERT_EQ(result.result, ExchangeResult::done);
    EXPECT_FALSE(result.updatedExisting);
    EXPECT_EQ(result.row, 2u);
    EXPECT_EQ(result.macrosAdded, 1u);
    ProfileNode& gamer = *model.profileAt(2);
    EXPECT_EQ(gamer.name, u"Gamer");
    EXPECT_FALSE(gamer.onDevice);
    EXPECT_TRUE(gamer.changed && gamer.rewrite);
    EXPECT_EQ(gamer.application, u"game.exe");
    EXPECT_EQ(gamer.ledBits, 5u);
    EXPECT_EQ(gamer.stages->stages[2], (Sensitivity{1600, 1700}));

    MacroNode* burst = model.macroByName(u"Burst");
    ASSERT_NE(burst, nullptr);
    EXPECT_EQ(burst->events, kBurst);
    EXPECT_TRUE(burst->changed);
    EXPECT_FALSE(burst->onDevice);
    EXPECT_EQ(gamer.macroLinks[2], burst);
    EXPECT_TRUE(burst->assigned);
    // The switch reaches the "Sniper" of this mouse, whatever its number here.
    EXPECT_EQ(gamer.profileLinks[4], model.profileByName(u"Sniper"));
    EXPECT_TRUE(gamer.hasProfileSwitchLinks);
    EXPECT_EQ((*gamer.mappings)[4], mappingFor(3, F::profile, 0, 2));
    EXPECT_EQ((*gamer.mappings)[1], mappingFor(1, F::singleKey, 30));
    EXPECT_EQ((*gamer.mappings)[0], mappingFor(0, F::click));

    // Written out again, it is the same file.
    burst->onDevice = true;
    burst->deviceId = 9;
    model.profileByName(u"Sniper")->deviceNumber = 2;
    EXPECT_EQ(*profileExportText(model, 2), text);
}

TEST(ModelExchange, AnImportNeverDuplicatesAName) {
    SettingsModel model;
    loadProfiles(model, {u"Default", u"Gamer"});
    const std::vector<MacroEvent> mine = {{16, 0}, {16 | kReleaseBit, 100}};
    macroOnDevice(model, u"Burst", 4, mine);
    model.profileAt(1)->changed = false;

    for (int round = 0; round < 2; ++round) {
        const ImportResult result = importProfileText(model, gamerFile());
        ASSERT_EQ(result.result, ExchangeResult::done) << round;
        EXPECT_TRUE(result.updatedExisting);
        EXPECT_EQ(result.row, 1u);
        EXPECT_EQ(result.macrosAdded, 0u);
    }
    EXPECT_EQ(model.profileCount(), 2u);
    EXPECT_EQ(model.macroCount(), 1u);
    const ProfileNode& gamer = *model.profileAt(1);
    EXPECT_TRUE(gamer.onDevice);
    EXPECT_EQ(gamer.deviceNumber, 2);
    EXPECT_TRUE(gamer.changed && gamer.rewrite);
    // The mouse's own "Burst" plays on the button, unchanged; "Sniper" is not on this mouse.
    EXPECT_EQ(gamer.macroLinks[2], model.macroAt(0));
    EXPECT_EQ(model.macroAt(0)->events, mine);
    EXPECT_EQ((*gamer.mappings)[2], mappingFor(2, F::macro, 0, 4));
    EXPECT_EQ(gamer.profileLinks[4], nullptr);
    EXPECT_EQ((*gamer.mappings)[4], mappingFor(3, F::backward));
}

TEST(ModelExchange, RefusalsCreateNothing) {
    SettingsModel model;
    loadProfiles(model, {u"P1", u"P2", u"P3", u"P4", u"P5"});
    struct Case {
        const char* what;
        std::u16string text;
        ExchangeResult result;
    };
    const Case cases[] = {
        {"a sixth profile", gamerFile(), ExchangeResult::limitReached},
        {"a name too long for the mouse", profileHead(u"ABCDEFGHIJKLMNOPQRST"), ExchangeResult::nameInvalid},
        {"an empty name", profileHead(u""), ExchangeResult::nameInvalid},
        {"no profile block", formats::macroBlockText({u"Burst", {}, {}}), ExchangeResult::nothingFound},
        {"another device", lines({u"[FILEVERSION]", u"1.03", u"[SUPPORTEDDEVICE]", u"Other", u"[DATATYPE]",
                                  u"Profile", u"[PROFILENAME]", u"'Gamer'"}),
         ExchangeResult::nothingFound},
        {"nothing", u"", ExchangeResult::nothingFound},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(importProfileText(model, c.text).result, c.result) << c.what;
        EXPECT_EQ(model.profileNodes().size(), 5u) << c.what;
        EXPECT_EQ(model.macroNodes().size(), 0u) << c.what;
    }
    // One of the five takes the file's settings.
    const ImportResult result = importProfileText(model, profileWithMappings(u"P4", {
        u"Mapping: 6 Data: 5 2", u"Mapping: 6 Data: 5 1", u"Invalid Mapping!", u"Invalid Mapping!", u"Invalid Mapping!",
        u"Invalid Mapping!", u"Invalid Mapping!", u"Invalid Mapping!", u"Invalid Mapping!"}));
    EXPECT_EQ(result.result, ExchangeResult::done);
    EXPECT_EQ(result.row, 3u);
    EXPECT_EQ((*model.profileAt(3)->mappings)[0], mappingFor(0, F::menu));
}

TEST(ModelExchange, OnlyTheFirstProfileOfAFileIsImported) {
    SettingsModel model;
    loadProfiles(model, {u"Default"});
    const std::u16string text = profileHead(u"First") + profileHead(u"Second");
    EXPECT_EQ(importProfileText(model, text).row, 1u);
    EXPECT_EQ(model.profileCount(), 2u);
    EXPECT_EQ(model.profileAt(1)->name, u"First");
}

TEST(ModelExchange, WhatResolvesToNothingGivesTheDefaultFunction) {
    SettingsModel model;
    loadProfiles(model, {u"Default"});
    const ImportResult result = importProfileText(model, profileWithMappings(u"Odd", {
        u"Invalid Mapping!",                    // row 0
        u"Mapping: 0 Data: 0 '(null)'",         // a macro that was gone when written
        u"Mapping: 2 Data: 0 'Missing'",        // a macro the file does not hold
        u"Mapping: 1 Data: 5 'Nobody'",         // a profile this mouse does not have
        u"Mapping: 3 Data: 1 0",                // a key of no code
        u"Mapping: 6 Data: 5 77",               // no such button function
        u"Mapping: 2 Data: 0 'ABCDEFGHIJKLMNOPQRSTU'",  // longer than a link name
        u"Mapping: 6 Data: 5 1",                // Click is not offered on the wheel
        u"Mapping: 6 Data: 5 0",                // Button Off is
    }));
    ASSERT_EQ(result.result, ExchangeResult::done);
    EXPECT_EQ(result.macrosAdded, 0u);
    const ProfileNode& odd = *model.profileAt(result.row);
    MappingTable expected = defaultMappings();
    expected[8] = mappingFor(8, F::off);
    EXPECT_EQ(odd.mappings, expected);
    for (int entry = 0; entry < kButtonRows; ++entry) {
        EXPECT_EQ(odd.macroLinks[entry], nullptr);
        EXPECT_EQ(odd.profileLinks[entry], nullptr);
    }
    EXPECT_EQ(model.macroCount(), 0u);
}

TEST(ModelExchange, AfterAnImportOneButtonKeepsTheClick) {
    SettingsModel model;
    loadProfiles(model, {u"Default"});
    // Rows 0-6 all "Menu" (2): row 0 takes the click back.
    const std::u16string_view menu = u"Mapping: 6 Data: 5 2";
    const ImportResult result = importProfileText(
        model, profileWithMappings(u"NoClick", {menu, menu, menu, menu, menu, menu, menu, u"Mapping: 6 Data: 5 8",
                                                u"Mapping: 6 Data: 5 9"}));
    ASSERT_EQ(result.result, ExchangeResult::done);
    const MappingTable& table = *model.profileAt(result.row)->mappings;
    EXPECT_EQ(table[0], mappingFor(0, F::click));
    EXPECT_EQ(table[1], mappingFor(1, F::menu));
}

TEST(ModelExchange, MacroFiles) {
    SettingsModel model;
    loadProfiles(model, {u"Default"});
    macroOnDevice(model, u"Burst", 3, kBurst);
    const std::u16string text = *macroExportText(model, 0);
    EXPECT_EQ(text, formats::macroBlockText({u"Burst", {{30, 0}, {0x801E, 300}, {0x200, 600}, {0x8200, 650}}, {0, 650}}));

    SettingsModel other;
    loadProfiles(other, {u"Default"});
    ImportResult result = importMacroText(other, text);
    ASSERT_EQ(result.result, ExchangeResult::done);
    EXPECT_FALSE(result.updatedExisting);
    EXPECT_EQ(other.macroAt(0)->events, kBurst);
    EXPECT_TRUE(other.macroAt(0)->changed);
    // The same name again takes its own row.
    other.macroAt(0)->events.clear();
    result = importMacroText(other, text);
    EXPECT_TRUE(result.updatedExisting);
    EXPECT_EQ(other.macroCount(), 1u);
    EXPECT_EQ(other.macroAt(0)->events, kBurst);

    EXPECT_EQ(importMacroText(other, gamerFile().substr(0, 200)).result, ExchangeResult::nothingFound);
    EXPECT_EQ(importMacroText(other, formats::macroBlockText({u"ABCDEFGHIJKLMNOPQRST", {}, {}})).result,
              ExchangeResult::nameInvalid);
    EXPECT_EQ(other.macroCount(), 1u);

    // Times from a file go forward only.
    result = importMacroText(other, formats::macroBlockText({u"Back", {{30, 500}, {0x801E, 200}, {30, -7}}, {}}));
    EXPECT_EQ(other.macroAt(result.row)->events,
              (std::vector<MacroEvent>{{30, 500}, {0x801E, 500}, {30, 500}}));

    model.macroAt(0)->tooLong = true;
    formats::MemoryFiles files;
    EXPECT_EQ(exportMacro(model, 0, files, u"C:\\m.kxm"), ExchangeResult::tooLong);
    EXPECT_EQ(exportMacro(model, 1, files, u"C:\\m.kxm"), ExchangeResult::noSuchRow);
}

TEST(ModelExchange, FilesAreWrittenWholeAndFailuresSaySo) {
    SettingsModel model;
    loadProfiles(model, {u"Default", u"Gamer"});
    formats::MemoryFiles files;
    files.makeFolder(u"C:\\Export");
    const std::u16string path = u"C:\\Export\\gamer.kxp";
    ASSERT_TRUE(files.replace(path, std::string(4000, 'x')));
    ASSERT_EQ(exportProfile(model, 1, files, path), ExchangeResult::done);
    std::string bytes;
    ASSERT_TRUE(files.read(path, bytes));
    EXPECT_EQ(bytes, formats::encodeUtf16le(*profileExportText(model, 1)));
    EXPECT_EQ(exportProfile(model, 2, files, path), ExchangeResult::noSuchRow);

    files.hold(path);
    EXPECT_EQ(exportProfile(model, 0, files, path), ExchangeResult::writeFailed);
    files.release(path);
    EXPECT_EQ(importProfile(model, files, u"C:\\Export\\missing.kxp").result, ExchangeResult::readFailed);

    SettingsModel fresh;
    loadProfiles(fresh, {u"Default"});
    const ImportResult result = importProfile(fresh, files, path);
    EXPECT_EQ(result.result, ExchangeResult::done);
    EXPECT_EQ(fresh.profileAt(result.row)->name, u"Gamer");
}

TEST(ModelExchange, SideFilesGiveLinksOnlyToButtonsThatPlayThem) {
    SettingsModel model;
    loadProfiles(model, {u"Default", u"Gamer", u"Sniper"});
    macroOnDevice(model, u"Burst", 3, kBurst);
    ProfileNode& gamer = *model.profileAt(1);
    // As the mouse gave them: row 2 plays macro id 7 (the mouse knows none), row 3 switches to
    // profile number 9 (none), row 4 is a plain button.
    (*gamer.mappings)[2] = mappingFor(2, F::macro, 0, 7);
    (*gamer.mappings)[4] = mappingFor(3, F::profile, 0, 9);
    const std::u16string file = profileWithMappings(u"Gamer", {
        u"Mapping: 6 Data: 5 1", u"Mapping: 6 Data: 5 2", u"Mapping: 2 Data: 0 'Burst'", u"Mapping: 1 Data: 5 'Sniper'",
        u"Mapping: 2 Data: 0 'Burst'", u"Mapping: 6 Data: 5 12", u"Mapping: 6 Data: 5 11", u"Mapping: 6 Data: 5 8",
        u"Mapping: 6 Data: 5 9"});
    formats::MemoryFiles files;
    files.makeFolder(u"C:\\Data");
    ASSERT_TRUE(formats::writeTextFile(files, formats::sideFilePath(u"C:\\Data", 1), file));
    readSideFiles(model, files, u"C:\\Data");
    EXPECT_EQ(gamer.macroLinks[2], model.macroAt(0));
    EXPECT_EQ(gamer.profileLinks[4], model.profileAt(2));
    EXPECT_TRUE(gamer.hasProfileSwitchLinks);
    EXPECT_EQ(gamer.macroLinks[3], nullptr);  // its record is Forward: the file cannot make it a macro

    ASSERT_TRUE(writeSideFiles(model, files, u"C:\\Data"));
    std::string bytes;
    EXPECT_TRUE(files.read(formats::sideFilePath(u"C:\\Data", 2), bytes));
    EXPECT_FALSE(files.read(formats::sideFilePath(u"C:\\Data", 3), bytes));
    ASSERT_TRUE(files.read(formats::sideFilePath(u"C:\\Data", 1), bytes));
    const std::u16string written = formats::decodeUtf16le(bytes);
    EXPECT_NE(written.find(u"[BUTTONMAPPING3]\r\nMapping: 1 Data: 5 'Sniper'"), std::u16string::npos);
    EXPECT_NE(written.find(u"[MACRONAME]\r\n'Burst'"), std::u16string::npos);
}

}  // namespace
}  // namespace tessel::cfg
