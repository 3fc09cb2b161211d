// Export and import between the registry store and exchange files, on each registry adapter;
// written files are compared byte for byte with the expected files in data/ (which
// check_xml.py checks with a real XML parser).
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "middleware/store/settings_store.h"
#include "registry_test_support.h"
#include "store_test_values.h"

namespace tessel::store::testing {
namespace {

namespace fs = std::filesystem;

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string expected(const char* name) {
    const std::string bytes = readBytes(fs::path(TESSEL_STORE_TEST_DATA) / name);
    EXPECT_FALSE(bytes.empty()) << "missing expected file " << name;
    return bytes;
}

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t pos = text.find(part); pos != std::string::npos;
         pos = text.find(part, pos + 1))
        ++count;
    return count;
}

class XmlExchangeTest : public RegistryTest {
protected:
    XmlExchangeTest() : RegistryTest(u"KavixControl_7E58") {}

    void SetUp() override {
        RegistryTest::SetUp();
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() /
               ("tessel-xml-" + std::string(test->name()) +
                (GetParam() == RegistryAdapter::memory ? "-memory" : "-win32"));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        openStores();
    }
    void TearDown() override {
        closeStores();
        fs::remove_all(dir_);
        RegistryTest::TearDown();
    }

    void openStores() {
        ASSERT_EQ(ProfileGroupStore::open(registry(), deviceKeyName(), groups_), hr::ok);
        ASSERT_EQ(SpellBookStore::open(registry(), deviceKeyName(), books_), hr::ok);
        ASSERT_EQ(UserActionStore::open(registry(), deviceKeyName(), actions_), hr::ok);
    }
    void closeStores() {
        groups_.reset();
        books_.reset();
        actions_.reset();
    }
    // An empty store, as on another machine.
    void wipeStore() {
        closeStores();
        RegistryTest::TearDown();
        openStores();
    }

    const ProfileStore& profiles() { return groups_->profiles(); }
    const MacroStore& macros() { return books_->macros(); }

    std::u16string file(const char* name) { return (dir_ / name).u16string(); }
    std::string bytesOf(const char* name) { return readBytes(dir_ / name); }

    // Macro "M", user action "Run" and profile "Game" naming both, as in the expected files.
    void saveGame() {
        ASSERT_EQ(macros().save(u"M", sampleMacro()), hr::ok);
        ASSERT_EQ(actions_->save(u"Run", sampleAction()), hr::ok);
        ASSERT_EQ(profiles().save(u"Game", sampleProfile({clickMapping(1), macroMapping(4, u"M"),
                                                          userActionMapping(5, u"Run")})),
                  hr::ok);
    }

    std::uint32_t refs(const Collection& store, const std::u16string& name) {
        std::uint32_t count = 0xDEAD;
        EXPECT_EQ(store.key().refCount(name, count), hr::ok);
        return count;
    }

    std::int32_t countOf(const Collection& store) {
        std::int32_t count = -1;
        EXPECT_EQ(store.count(count), hr::ok);
        return count;
    }

    fs::path dir_;
    FilePort& files_ = localFiles();
    std::unique_ptr<ProfileGroupStore> groups_;
    std::unique_ptr<SpellBookStore> books_;
    std::unique_ptr<UserActionStore> actions_;
};

TEST_P(XmlExchangeTest, ExportProfileWritesItsMacrosAndUserActionsByteForByte) {
    saveGame();
    ASSERT_EQ(exportProfile(profiles(), u"Game", files_, file("out.xml")), hr::ok);
    const std::string bytes = bytesOf("out.xml");
    EXPECT_EQ(bytes, expected("profile_with_macro.xml"));
    EXPECT_EQ(bytes.find("RefCount"), std::string::npos);
    // The macro's name is one character: 24 + 2 × 2 bytes, the pointer word all zero.
    const std::string mapping = "data=\"0400000002000000000000000000000000000000000000004D000000\"";
    EXPECT_NE(bytes.find(mapping), std::string::npos);
}

TEST_P(XmlExchangeTest, ExportMergesIntoAFileOfAnotherProgram) {
    writeBytes(dir_ / "out.xml", expected("three_macros.xml"));
    ASSERT_EQ(profiles().save(u"Solo", sampleProfile({clickMapping(1)})), hr::ok);
    ASSERT_EQ(exportProfile(profiles(), u"Solo", files_, file("out.xml")), hr::ok);
    EXPECT_EQ(bytesOf("out.xml"), expected("three_macros_plus_profile.xml"));
}

TEST_P(XmlExchangeTest, Utf16FileStaysUtf16) {
    writeBytes(dir_ / "out.xml", expected("utf16_user_action.xml"));
    ASSERT_EQ(macros().save(u"M", sampleMacro()), hr::ok);
    ASSERT_EQ(exportMacro(macros(), u"M", files_, file("out.xml")), hr::ok);
    EXPECT_EQ(bytesOf("out.xml"), expected("utf16_user_action_plus_macro.xml"));

    ASSERT_EQ(importUserAction(*actions_, u"\u00DCn\u00EFcode", files_, file("out.xml")), hr::ok);
    UserAction action;
    ASSERT_EQ(actions_->load(u"\u00DCn\u00EFcode", action), hr::ok);
    EXPECT_EQ(action, (UserAction{-1, {}}));
}

TEST_P(XmlExchangeTest, GroupsAndBooksCarryTheirMembers) {
    saveGame();
    ASSERT_EQ(profiles().save(u"Solo", sampleProfile({clickMapping(1)})), hr::ok);
    ASSERT_EQ(groups_->save(u"Everyday", {u"Solo", u"Game"}), hr::ok);
    ASSERT_EQ(books_->save(u"Spells", {u"M"}), hr::ok);
    ASSERT_EQ(exportProfileGroup(*groups_, u"Everyday", files_, file("out.xml")), hr::ok);
    ASSERT_EQ(exportSpellBook(*books_, u"Spells", files_, file("out.xml")), hr::ok);
    EXPECT_EQ(bytesOf("out.xml"), expected("group_and_book.xml"));

    // On an empty store the book brings its macro; the group its profiles, once the macro and
    // user action they name are there.
    writeBytes(dir_ / "more.xml", expected("profile_with_macro.xml"));
    wipeStore();
    EXPECT_EQ(importProfileGroup(*groups_, u"Everyday", files_, file("out.xml")), hr::fail);
    EXPECT_EQ(countOf(*groups_), 0);
    ASSERT_EQ(importSpellBook(*books_, u"Spells", files_, file("out.xml")), hr::ok);
    ASSERT_EQ(importUserAction(*actions_, u"Run", files_, file("more.xml")), hr::ok);
    ASSERT_EQ(importProfileGroup(*groups_, u"Everyday", files_, file("out.xml")), hr::ok);
    std::vector<std::u16string> members;
    ASSERT_EQ(groups_->load(u"Everyday", 2, members), hr::ok);
    EXPECT_EQ(members, (std::vector<std::u16string>{u"Solo", u"Game"}));
    EXPECT_EQ(refs(profiles(), u"Game"), 1u);
    EXPECT_EQ(refs(macros(), u"M"), 2u) << "the book and the profile";
}

TEST_P(XmlExchangeTest, ReexportReplacesTheItemInItsPlace) {
    ASSERT_EQ(profiles().save(u"First", sampleProfile({clickMapping(1)}, 1)), hr::ok);
    ASSERT_EQ(profiles().save(u"Second", sampleProfile({clickMapping(2)}, 1)), hr::ok);
    ASSERT_EQ(exportProfile(profiles(), u"First", files_, file("out.xml")), hr::ok);
    ASSERT_EQ(exportProfile(profiles(), u"Second", files_, file("out.xml")), hr::ok);
    ASSERT_EQ(profiles().save(u"First", sampleProfile({clickMapping(1)}, 42)), hr::ok);
    ASSERT_EQ(exportProfile(profiles(), u"First", files_, file("out.xml")), hr::ok);

    const std::string bytes = bytesOf("out.xml");
    EXPECT_EQ(occurrences(bytes, "<Profile name=\"First\">"), 1u);
    EXPECT_LT(bytes.find("\"First\""), bytes.find("\"Second\""));
    EXPECT_NE(bytes.find("data=\"42\""), std::string::npos);
    EXPECT_TRUE(bytes.ends_with("</KavixControl_7E58>\r\n\r\n\r\n"));
}

TEST_P(XmlExchangeTest, FailedExportLeavesTheFileAsItWas) {
    saveGame();
    // Registry names may hold characters the file cannot carry back.
    ASSERT_EQ(macros().save(u"say \"hi\"", sampleMacro()), hr::ok);
    ASSERT_EQ(macros().save(u"a>b", sampleMacro()), hr::ok);
    ASSERT_EQ(exportProfile(profiles(), u"Game", files_, file("out.xml")), hr::ok);
    const std::string before = bytesOf("out.xml");

    EXPECT_EQ(exportProfile(profiles(), u"Missing", files_, file("out.xml")), hr::fail);
    EXPECT_EQ(exportMacro(macros(), u"say \"hi\"", files_, file("out.xml")), hr::invalidArg);
    EXPECT_EQ(exportAllMacros(macros(), files_, file("out.xml")), hr::invalidArg);
    EXPECT_EQ(exportProfile(profiles(), u"bad\\name", files_, file("out.xml")), hr::invalidArg);
    EXPECT_EQ(bytesOf("out.xml"), before);

    // A file in a refused encoding is neither read nor rewritten.
    const std::string bigEndian = std::string("\xFE\xFF\0<", 4);
    writeBytes(dir_ / "be.xml", bigEndian);
    EXPECT_EQ(exportMacro(macros(), u"M", files_, file("be.xml")), hr::fail);
    EXPECT_EQ(bytesOf("be.xml"), bigEndian);
    EXPECT_EQ(importMacro(macros(), u"M", files_, file("be.xml")), hr::fail);

    EXPECT_EQ(exportMacro(macros(), u"Missing", files_, file("new.xml")), hr::fail);
    EXPECT_FALSE(fs::exists(dir_ / "new.xml"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2)
        << "no temporary files left";
}

TEST_P(XmlExchangeTest, ImportFindsItemsByExactName) {
    saveGame();
    ASSERT_EQ(exportProfile(profiles(), u"Game", files_, file("out.xml")), hr::ok);
    EXPECT_EQ(importProfile(profiles(), u"game", files_, file("out.xml")), hr::fail);
    EXPECT_EQ(importProfile(profiles(), u"Game", files_, file("out.xml")), hr::ok);
    EXPECT_EQ(importMacro(macros(), u"m", files_, file("out.xml")), hr::fail);
    EXPECT_EQ(importUserAction(*actions_, u"RUN", files_, file("out.xml")), hr::fail);
}

TEST_P(XmlExchangeTest, ProfileImportNeedsItsMacroInTheStoreFirst) {
    saveGame();
    ASSERT_EQ(exportAllProfiles(profiles(), files_, file("profiles.xml")), hr::ok);
    ASSERT_EQ(exportProfile(profiles(), u"Game", files_, file("full.xml")), hr::ok);
    wipeStore();

    // The profile items alone: their macro and user action are neither stored nor in the file.
    EXPECT_EQ(importAllProfiles(profiles(), files_, file("profiles.xml")), hr::fail);
    EXPECT_EQ(importProfile(profiles(), u"Game", files_, file("profiles.xml")), hr::fail);
    EXPECT_EQ(countOf(profiles()), 0);
    EXPECT_EQ(countOf(macros()), 0);

    EXPECT_EQ(importAllProfiles(profiles(), files_, file("full.xml")), hr::fail)
        << "the macro is in the file but not yet in the store";
    ASSERT_EQ(importMacro(macros(), u"M", files_, file("full.xml")), hr::ok);
    ASSERT_EQ(importAllUserActions(*actions_, files_, file("full.xml")), hr::ok);
    ASSERT_EQ(importAllProfiles(profiles(), files_, file("full.xml")), hr::ok);
    EXPECT_EQ(refs(macros(), u"M"), 1u);

    // importProfile brings the macro and user action it names along.
    wipeStore();
    ASSERT_EQ(importProfile(profiles(), u"Game", files_, file("full.xml")), hr::ok);
    Profile game;
    ASSERT_EQ(profiles().load(u"Game", game), hr::ok);
    EXPECT_EQ(game.mappings.at(1).name, u"M");
    EXPECT_EQ(refs(macros(), u"M"), 1u);
    EXPECT_EQ(refs(*actions_, u"Run"), 1u);
}

// A file without this mouse's root element is no export of it: every import from it fails, and
// nothing comes into the store.
TEST_P(XmlExchangeTest, ImportFromAFileThatIsNoExportFails) {
    std::string random(4096, '\0');
    std::uint32_t seed = 12345;
    for (char& c : random) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);
    const std::pair<const char*, std::string> files[] = {
        {"empty", ""},
        {"random bytes", random},
        {"10 MB of junk", std::string(10 << 20, 'j')},
        {"another mouse's export", "<?xml version=\"1.0\"?>\r\n<KavixControl_0014>\r\n<Macro Name=\"M\">\r\n</Macro>\r\n</KavixControl_0014>\r\n"},
    };
    for (const auto& [what, bytes] : files) {
        writeBytes(dir_ / "other.xml", bytes);
        EXPECT_EQ(importAllMacros(macros(), files_, file("other.xml")), hr::fail) << what;
        EXPECT_EQ(importAllProfiles(profiles(), files_, file("other.xml")), hr::fail) << what;
        EXPECT_EQ(importMacro(macros(), u"M", files_, file("other.xml")), hr::fail) << what;
        EXPECT_EQ(countOf(macros()), 0) << what;
        EXPECT_EQ(bytesOf("other.xml"), bytes) << what << ": the file is left alone";
    }
}

TEST_P(XmlExchangeTest, ImportKeepsReferenceCountsOfTheStore) {
    saveGame();
    ASSERT_EQ(groups_->save(u"G", {u"Game"}), hr::ok);
    ASSERT_EQ(books_->save(u"B", {u"M"}), hr::ok);
    ASSERT_EQ(exportProfile(profiles(), u"Game", files_, file("out.xml")), hr::ok);
    ASSERT_EQ(importProfile(profiles(), u"Game", files_, file("out.xml")), hr::ok);
    EXPECT_EQ(refs(profiles(), u"Game"), 1u);
    EXPECT_EQ(refs(macros(), u"M"), 2u);
    EXPECT_EQ(refs(*actions_, u"Run"), 1u);
}

TEST_P(XmlExchangeTest, EverythingRoundTripsThroughOneFile) {
    saveGame();
    ASSERT_EQ(macros().save(u"Spare", sampleMacro(0, u"")), hr::ok);
    ASSERT_EQ(actions_->save(u"Empty", UserAction{3, {}}), hr::ok);
    ASSERT_EQ(
        profiles().save(u"Solo", sampleProfile({clickMapping(1), macroMapping(2, u"Spare")}, 5)),
        hr::ok);
    ASSERT_EQ(groups_->save(u"All", {u"Game", u"Solo"}), hr::ok);
    ASSERT_EQ(groups_->save(u"One", {u"Solo"}), hr::ok);
    ASSERT_EQ(books_->save(u"Book", {u"M", u"Spare", u"M"}), hr::ok);

    const auto path = file("all.xml");
    ASSERT_EQ(exportAllUserActions(*actions_, files_, path), hr::ok);
    ASSERT_EQ(exportAllMacros(macros(), files_, path), hr::ok);
    ASSERT_EQ(exportAllProfiles(profiles(), files_, path), hr::ok);
    ASSERT_EQ(exportAllProfileGroups(*groups_, files_, path), hr::ok);
    ASSERT_EQ(exportAllSpellBooks(*books_, files_, path), hr::ok);
    EXPECT_EQ(occurrences(bytesOf("all.xml"), "<Profile name="), 2u) << "groups reuse the items";

    wipeStore();
    ASSERT_EQ(importAllUserActions(*actions_, files_, path), hr::ok);
    ASSERT_EQ(importAllMacros(macros(), files_, path), hr::ok);
    ASSERT_EQ(importAllProfiles(profiles(), files_, path), hr::ok);
    ASSERT_EQ(importAllProfileGroups(*groups_, files_, path), hr::ok);
    ASSERT_EQ(importAllSpellBooks(*books_, files_, path), hr::ok);

    Profile solo;
    ASSERT_EQ(profiles().load(u"Solo", solo), hr::ok);
    EXPECT_EQ(solo, sampleProfile({clickMapping(1), macroMapping(2, u"Spare")}, 5));
    Macro spare;
    ASSERT_EQ(macros().load(u"Spare", spare), hr::ok);
    EXPECT_EQ(spare, sampleMacro(0, u""));
    UserAction empty;
    ASSERT_EQ(actions_->load(u"Empty", empty), hr::ok);
    EXPECT_EQ(empty, (UserAction{3, {}}));
    std::vector<std::u16string> members;
    ASSERT_EQ(books_->load(u"Book", 3, members), hr::ok);
    EXPECT_EQ(members, (std::vector<std::u16string>{u"M", u"Spare", u"M"}));
    EXPECT_EQ(refs(profiles(), u"Solo"), 2u);
    EXPECT_EQ(refs(profiles(), u"Game"), 1u);
    EXPECT_EQ(refs(macros(), u"M"), 3u) << "twice in the book, once in Game";
    EXPECT_EQ(refs(macros(), u"Spare"), 2u);
    EXPECT_EQ(refs(*actions_, u"Run"), 1u);
    EXPECT_EQ(countOf(*groups_), 2);
}

TEST_P(XmlExchangeTest, ImportFromAMissingFileFailsWithoutCreatingIt) {
    EXPECT_EQ(importAllMacros(macros(), files_, file("missing.xml")), hr::fail);
    EXPECT_EQ(importMacro(macros(), u"M", files_, file("missing.xml")), hr::fail);
    EXPECT_FALSE(fs::exists(dir_ / "missing.xml"));
    writeBytes(dir_ / "empty.xml", "");
    EXPECT_EQ(importAllMacros(macros(), files_, file("empty.xml")), hr::fail) << "an empty file is no export";
    EXPECT_EQ(bytesOf("empty.xml"), "");
}

TEST_P(XmlExchangeTest, DamagedItemSavesNothing) {
    saveGame();
    ASSERT_EQ(exportProfile(profiles(), u"Game", files_, file("out.xml")), hr::ok);
    std::string bytes = bytesOf("out.xml");
    const std::string count = "value=\"NumMappings\" type=\"DWORD\" data=\"3\"";
    ASSERT_NE(bytes.find(count), std::string::npos);
    bytes.replace(bytes.find(count), count.size(),
                  "value=\"NumMappings\" type=\"DWORD\" data=\"4\"");
    writeBytes(dir_ / "out.xml", bytes);
    ASSERT_EQ(profiles().save(u"Game", sampleProfile({clickMapping(9)})), hr::ok);

    EXPECT_EQ(importProfile(profiles(), u"Game", files_, file("out.xml")), hr::fail);
    Profile game;
    ASSERT_EQ(profiles().load(u"Game", game), hr::ok);
    EXPECT_EQ(game, sampleProfile({clickMapping(9)}));
}

INSTANTIATE_TEST_SUITE_P(Adapters, XmlExchangeTest, ::testing::ValuesIn(registryAdapters()),
                         adapterName);

}  // namespace
}  // namespace tessel::store::testing
