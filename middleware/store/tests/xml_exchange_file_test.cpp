// Reading, merging and writing exchange files, without the registry.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "middleware/store/xml_exchange_file.h"
#include "middleware/store/xml_items.h"
#include "store_test_values.h"

namespace tessel::store::testing {
namespace {

const std::u16string kRoot = u"KavixControl_7E58";
constexpr std::string_view kMark = "\xEF\xBB\xBF";
constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n\r\n";

XmlItem listItem(XmlKind kind, const std::u16string& name,
                 const std::vector<std::u16string>& members = {}) {
    XmlItem item;
    EXPECT_EQ(makeListItem(kind, name, members, item), hr::ok);
    return item;
}

std::string serialized(const XmlExchangeFile& file) {
    std::string bytes;
    EXPECT_EQ(file.serialize(bytes), hr::ok);
    return bytes;
}

std::vector<std::u16string> allNames(const XmlExchangeFile& file, XmlKind kind) {
    std::vector<std::u16string> names;
    EXPECT_EQ(file.names(kind, file.count(kind), names), hr::ok);
    return names;
}

TEST(XmlExchangeFileTest, NewFileHasMarkDeclarationRootAndClosingLines) {
    XmlExchangeFile file;
    ASSERT_EQ(file.parse("", kRoot), hr::ok);
    EXPECT_EQ(serialized(file), std::string(kMark) + std::string(kDeclaration) +
                                    "<KavixControl_7E58>\r\n</KavixControl_7E58>\r\n\r\n\r\n");

    file.put(XmlKind::spellBook, listItem(XmlKind::spellBook, u"Book", {u"M1", u"M2"}));
    EXPECT_EQ(serialized(file), std::string(kMark) + std::string(kDeclaration) +
                                    "<KavixControl_7E58>\r\n"
                                    "\t<SpellBook name=\"Book\">\r\n"
                                    "\t\t<MacroPtr ptr=\"M1\"></MacroPtr>\r\n"
                                    "\t\t<MacroPtr ptr=\"M2\"></MacroPtr>\r\n"
                                    "\t</SpellBook>\r\n"
                                    "</KavixControl_7E58>\r\n\r\n\r\n");
}

TEST(XmlExchangeFileTest, ItemsKeepKindOrderAndFirstAddedPlace) {
    const auto profile = [](const std::u16string& name, std::int32_t version) {
        XmlItem item;
        EXPECT_EQ(makeProfileItem(name, sampleProfile({}, version), item), hr::ok);
        return item;
    };
    XmlItem macro;
    ASSERT_EQ(makeMacroItem(u"Macro", sampleMacro(0), macro), hr::ok);
    XmlExchangeFile file;
    ASSERT_EQ(file.parse("", kRoot), hr::ok);
    file.put(XmlKind::macro, macro);
    file.put(XmlKind::profile, profile(u"B", 1));
    file.put(XmlKind::profile, profile(u"A", 1));
    file.put(XmlKind::profileGroup, listItem(XmlKind::profileGroup, u"G"));
    file.put(XmlKind::profile, profile(u"B", 2));
    file.put(XmlKind::profile, profile(u"b", 3));  // names are exact

    XmlExchangeFile reread;
    ASSERT_EQ(reread.parse(serialized(file), kRoot), hr::ok);
    EXPECT_EQ(serialized(reread), serialized(file)) << "a written file reads back unchanged";
    EXPECT_EQ(allNames(reread, XmlKind::profile), (std::vector<std::u16string>{u"B", u"A", u"b"}));
    EXPECT_EQ(allNames(reread, XmlKind::profileGroup), std::vector<std::u16string>{u"G"});
    EXPECT_EQ(allNames(reread, XmlKind::macro), std::vector<std::u16string>{u"Macro"});
    const std::string bytes = serialized(file);
    EXPECT_LT(bytes.find("<ProfileGroup"), bytes.find("<Profile "));
    EXPECT_LT(bytes.find("<Profile "), bytes.find("<Macro "));

    Profile b;
    ASSERT_EQ(readProfileItem(*reread.find(XmlKind::profile, u"B"), b), hr::ok);
    EXPECT_EQ(b.version, 2) << "the newer content in the older place";
    std::vector<std::u16string> names;
    EXPECT_EQ(reread.names(XmlKind::profile, 4, names), hr::fail);
    EXPECT_EQ(reread.names(XmlKind::profile, 2, names), hr::ok);
    EXPECT_EQ(names, (std::vector<std::u16string>{u"B", u"A"}));
    EXPECT_EQ(reread.find(XmlKind::macro, u"macro"), nullptr);
}

TEST(XmlExchangeFileTest, RepeatedMergesDoNotGrowTheFile) {
    XmlExchangeFile file;
    ASSERT_EQ(file.parse("", kRoot), hr::ok);
    file.put(XmlKind::profileGroup, listItem(XmlKind::profileGroup, u"G"));
    std::string bytes = serialized(file);
    for (int round = 0; round < 3; ++round) {
        XmlExchangeFile again;
        ASSERT_EQ(again.parse(bytes, kRoot), hr::ok);
        again.put(XmlKind::profileGroup, listItem(XmlKind::profileGroup, u"G"));
        EXPECT_EQ(serialized(again), bytes);
    }
}

TEST(XmlExchangeFileTest, MarkDecidesTheEncoding) {
    struct Case {
        const char* what;
        std::string bytes;
        HResult status;
    };
    const std::string utf16 = std::string(
        "\xFF\xFE<\0K\0a\0v\0i\0x\0C\0o\0n\0t\0r\0o\0l\0_\0"
        "7\0E\0005\0008\0>\0",
        40);
    for (const Case& c : {Case{"UTF-16 big-endian", "\xFE\xFF\0<", hr::fail},
                          Case{"UTF-32 big-endian", std::string("\0\0\xFE\xFF", 4), hr::fail},
                          Case{"UTF-16 little-endian", utf16, hr::ok},
                          Case{"UTF-8 with mark", "\xEF\xBB\xBF<KavixControl_7E58>", hr::ok},
                          Case{"no mark", "<KavixControl_7E58>", hr::ok}}) {
        SCOPED_TRACE(c.what);
        XmlExchangeFile file;
        EXPECT_EQ(file.parse(c.bytes, kRoot), c.status);
    }

    // UTF-16 text is written back as UTF-16, with the bytes before the root kept.
    XmlExchangeFile file;
    ASSERT_EQ(file.parse(utf16, kRoot), hr::ok);
    file.put(XmlKind::profileGroup, listItem(XmlKind::profileGroup, u"\u00C4"));
    const std::string bytes = serialized(file);
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\xFF\xFE<\0", 4));
    EXPECT_NE(bytes.find(std::string("\"\0\xC4\0\"\0", 6)), std::string::npos);
}

TEST(XmlExchangeFileTest, TextAroundTheRootIsKept) {
    const std::string prolog = "<?xml version=\"1.0\"?>\n<!-- comment -->\n";
    const std::string epilog = "<!-- end -->\n";
    XmlExchangeFile file;
    ASSERT_EQ(
        file.parse(prolog + "<KavixControl_7E58 attr=\"x\">\n</KavixControl_7E58>\r\n" + epilog,
                   kRoot),
        hr::ok);
    EXPECT_EQ(serialized(file),
              prolog + "<KavixControl_7E58>\r\n</KavixControl_7E58>\r\n" + epilog);

    // Without the root, all text comes first and the root is appended.
    XmlExchangeFile other;
    ASSERT_EQ(other.parse("<KavixControl_0013>\r\n</KavixControl_0013>\r\n", kRoot), hr::ok);
    EXPECT_EQ(serialized(other),
              "<KavixControl_0013>\r\n</KavixControl_0013>\r\n"
              "<KavixControl_7E58>\r\n</KavixControl_7E58>\r\n");
}

TEST(XmlExchangeFileTest, TagsAreNormalisedAndStrayTagsDropped) {
    XmlExchangeFile file;
    ASSERT_EQ(file.parse("<KavixControl_7E58><Stray a=\"1\"></Stray>"
                         "<UserAction   name = \"U\"  ><!-- a note\r\n over two lines -->"
                         "<Key  value=\"Code\"   type =\"DWORD\" data= \"5\"  ></Key>"
                         "</UserAction>text outside<Key value=\"lost\"></Key></KavixControl_7E58>",
                         kRoot),
              hr::ok);
    const XmlItem* item = file.find(XmlKind::userAction, u"U");
    ASSERT_TRUE(item);
    ASSERT_EQ(item->tags.size(), 4u) << "the comment with a line break is skipped";
    EXPECT_EQ(item->tags[0].text(), u"<UserAction name=\"U\">");
    EXPECT_EQ(item->tags[1].text(), u"<Key value=\"Code\" type=\"DWORD\" data=\"5\">");
    EXPECT_EQ(item->tags[3].text(), u"</UserAction>");
}

TEST(XmlExchangeFileTest, DuplicateItemsOfAFileStayAndTheFirstIsFound) {
    XmlExchangeFile file;
    ASSERT_EQ(file.parse(
                  "<KavixControl_7E58>"
                  "<ProfileGroup name=\"G\"><ProfilePtr ptr=\"first\"></ProfilePtr></ProfileGroup>"
                  "<ProfileGroup name=\"G\"><ProfilePtr ptr=\"second\"></ProfilePtr></ProfileGroup>"
                  "</KavixControl_7E58>",
                  kRoot),
              hr::ok);
    EXPECT_EQ(file.count(XmlKind::profileGroup), 2);
    std::vector<std::u16string> members;
    ASSERT_EQ(readListItem(XmlKind::profileGroup, *file.find(XmlKind::profileGroup, u"G"), members),
              hr::ok);
    EXPECT_EQ(members, std::vector<std::u16string>{u"first"});
    file.put(XmlKind::profileGroup, listItem(XmlKind::profileGroup, u"G", {u"third"}));
    const std::string bytes = serialized(file);
    EXPECT_EQ(bytes.find("first"), std::string::npos);
    EXPECT_NE(bytes.find("second"), std::string::npos);
    EXPECT_NE(bytes.find("third"), std::string::npos);
}

TEST(XmlExchangeFileTest, MalformedRootsAreRefused) {
    for (const char* root : {
             "<Profile name=\"a\"><Macro name=\"b\"></Macro></Profile>",  // nested items
             "<Profile name=\"a\"></Macro>",                              // wrong end tag
             "<Profile name=\"a\"><Key value=\"x></Key></Profile>",       // unclosed quote
             "<Profile name=\"a\"><Key value=x></Key></Profile>",         // unquoted value
             "<Profile name=\"a>b\"></Profile>",                          // '>' in a name
             "<Profile name=\"a\"><Key value=\"x\"/></Profile>",          // not an attribute
             "<Profile name=\"a\"><Key value=\"x\"></Key>",               // cut off
         }) {
        SCOPED_TRACE(root);
        XmlExchangeFile file;
        EXPECT_EQ(
            file.parse(std::string("<KavixControl_7E58>") + root + "</KavixControl_7E58>", kRoot),
            hr::fail);
    }
    XmlExchangeFile file;
    EXPECT_EQ(file.parse("<KavixControl_7E58", kRoot), hr::fail) << "root start never closed";
}

TEST(XmlExchangeFileTest, UnpairedChildrenFailTheWrite) {
    XmlExchangeFile file;
    ASSERT_EQ(file.parse("<KavixControl_7E58><Profile name=\"a\"><Key value=\"x\"></Profile>"
                         "</KavixControl_7E58>",
                         kRoot),
              hr::ok);
    std::string bytes;
    EXPECT_EQ(file.serialize(bytes), hr::fail);
    Profile profile;
    EXPECT_EQ(readProfileItem(*file.find(XmlKind::profile, u"a"), profile), hr::fail);
}

TEST(XmlExchangeFileTest, Utf8ConversionsRoundTripAndReplaceInvalidInput) {
    const std::u16string text = u"A\u00E9\u20AC\U0001F600";
    EXPECT_EQ(encodeUtf8(text), "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(decodeUtf8(encodeUtf8(text)), text);
    EXPECT_EQ(decodeUtf8("\xC0\xAF"), u"\uFFFD\uFFFD") << "overlong form";
    EXPECT_EQ(decodeUtf8("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD") << "encoded surrogate";
    EXPECT_EQ(decodeUtf8("a\xE2\x82"), u"a\uFFFD\uFFFD") << "cut-off sequence";
    EXPECT_EQ(encodeUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
}

// --- items ---

TEST(XmlItemsTest, TextThatWouldNotReadBackIsRefused) {
    XmlItem item;
    for (const char16_t* name : {u"a\"b", u"a<b", u"a>b", u"a\rb", u"a\nb"}) {
        EXPECT_EQ(makeListItem(XmlKind::spellBook, name, {}, item), hr::invalidArg);
        EXPECT_EQ(makeListItem(XmlKind::spellBook, u"ok", {name}, item), hr::invalidArg);
        EXPECT_EQ(makeMacroItem(u"ok", sampleMacro(0, name), item), hr::invalidArg);
        EXPECT_EQ(makeProfileItem(u"ok", sampleProfile({macroMapping(1, name)}), item),
                  hr::invalidArg);
    }
    EXPECT_EQ(makeListItem(XmlKind::spellBook, u"R&D 'quoted' \u00FC", {}, item), hr::ok);
}

TEST(XmlItemsTest, ItemsReadBackTheirValues) {
    XmlItem item;
    const Profile profile =
        sampleProfile({clickMapping(1, 3), macroMapping(4, u"M"), userActionMapping(5, u"U")}, -7);
    ASSERT_EQ(makeProfileItem(u"P", profile, item), hr::ok);
    Profile readProfile;
    ASSERT_EQ(readProfileItem(item, readProfile), hr::ok);
    EXPECT_EQ(readProfile, profile);

    const Macro macro = sampleMacro(3);
    ASSERT_EQ(makeMacroItem(u"M", macro, item), hr::ok);
    Macro readMacro;
    ASSERT_EQ(readMacroItem(item, readMacro), hr::ok);
    EXPECT_EQ(readMacro, macro);

    const UserAction action = sampleAction({0, 0xAB, 0xFF});
    ASSERT_EQ(makeUserActionItem(u"U", action, item), hr::ok);
    UserAction readAction;
    ASSERT_EQ(readUserActionItem(item, readAction), hr::ok);
    EXPECT_EQ(readAction, action);
}

// Profile, macro and user-action items as a file might hold them; each must fail to read.
TEST(XmlItemsTest, DamagedItemsAreRefused) {
    const std::string record24(48, '0');
    struct Case {
        const char* what;
        XmlKind kind;
        std::string children;
    };
    const auto key = [](const char* name, const std::string& data) {
        return "<Key value=\"" + std::string(name) + "\" type=\"x\" data=\"" + data + "\"></Key>";
    };
    const Case cases[] = {
        {"profile without NumMappings", XmlKind::profile, key("0000", record24)},
        {"mapping index out of range", XmlKind::profile,
         key("NumMappings", "1") + key("0001", record24)},
        {"mapping given twice", XmlKind::profile,
         key("NumMappings", "2") + key("0000", record24) + key("0000", record24)},
        {"fewer mappings than counted", XmlKind::profile,
         key("NumMappings", "2") + key("0000", record24)},
        {"more mappings than counted", XmlKind::profile,
         key("NumMappings", "0") + key("0000", record24)},
        {"negative count", XmlKind::profile, key("NumMappings", "-1")},
        {"mapping under 24 bytes", XmlKind::profile,
         key("NumMappings", "1") + key("0000", record24.substr(2))},
        {"binary data not hexadecimal", XmlKind::profile,
         key("NumMappings", "1") + key("0000", record24.substr(2) + "G0")},
        {"Key with two attributes", XmlKind::profile,
         "<Key value=\"NumMappings\" data=\"0\"></Key>"},
        {"macro without NumElements", XmlKind::macro, key("Version", "1")},
        {"element under 24 bytes", XmlKind::macro, key("NumElements", "1") + key("0000", "00")},
        {"data longer than NumData", XmlKind::userAction,
         key("NumData", "1") + key("Data", "0102")},
        {"data shorter than NumData", XmlKind::userAction, key("NumData", "3") + key("Data", "01")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string element = std::string(c.kind == XmlKind::profile ? "Profile"
                                                : c.kind == XmlKind::macro ? "Macro"
                                                                           : "UserAction");
        XmlExchangeFile file;
        ASSERT_EQ(file.parse("<KavixControl_7E58><" + element + " name=\"x\">" + c.children + "</" +
                                 element + "></KavixControl_7E58>",
                             kRoot),
                  hr::ok);
        const XmlItem& item = *file.find(c.kind, u"x");
        Profile profile;
        Macro macro;
        UserAction action;
        const HResult status = c.kind == XmlKind::profile ? readProfileItem(item, profile)
                               : c.kind == XmlKind::macro ? readMacroItem(item, macro)
                                                          : readUserActionItem(item, action);
        EXPECT_EQ(status, hr::fail);
    }
}

TEST(XmlItemsTest, NumbersReadAsTheRuntimeReadsThem) {
    struct Case {
        const char* data;
        std::int32_t version;
    };
    for (const Case& c :
         {Case{"12", 12}, Case{" -3", -3}, Case{"+4x", 4}, Case{"abc", 0}, Case{"", 0},
          Case{"99999999999", 2147483647}, Case{"-99999999999", -2147483647 - 1}}) {
        SCOPED_TRACE(c.data);
        XmlExchangeFile file;
        ASSERT_EQ(file.parse(std::string("<KavixControl_7E58><Profile name=\"p\">"
                                         "<Key value=\"Version\" type=\"DWORD\" data=\"") +
                                 c.data +
                                 "\"></Key><Key value=\"NumMappings\" type=\"DWORD\" data=\"0\">"
                                 "</Key></Profile></KavixControl_7E58>",
                             kRoot),
                  hr::ok);
        Profile profile;
        ASSERT_EQ(readProfileItem(*file.find(XmlKind::profile, u"p"), profile), hr::ok);
        EXPECT_EQ(profile.version, c.version);
    }
}

// --- files ---

class LocalFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("tessel-files-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir_),
                                                      std::filesystem::directory_iterator()));
    }

    std::filesystem::path dir_;
};

TEST_F(LocalFilesTest, ReplaceWritesWholeFilesAndLeavesNoTemporaryFile) {
    LocalFiles files;
    const std::u16string path = (dir_ / "x.xml").u16string();
    std::string bytes;
    bool exists = true;
    EXPECT_EQ(files.read(path, bytes, exists), hr::ok);
    EXPECT_FALSE(exists);
    ASSERT_EQ(files.replace(path, "first, longer content"), hr::ok);
    ASSERT_EQ(files.replace(path, std::string("second\0", 7)), hr::ok);
    EXPECT_EQ(files.read(path, bytes, exists), hr::ok);
    EXPECT_TRUE(exists);
    EXPECT_EQ(bytes, std::string("second\0", 7));
    EXPECT_EQ(entries(), 1u);
}

TEST_F(LocalFilesTest, FailedReplaceLeavesTheTargetAsItWas) {
    LocalFiles files;
    EXPECT_EQ(files.replace((dir_ / "missing" / "x.xml").u16string(), "data"), hr::fail);
    // A directory cannot be replaced by a file.
    std::filesystem::create_directory(dir_ / "taken");
    EXPECT_EQ(files.replace((dir_ / "taken").u16string(), "data"), hr::fail);
    EXPECT_TRUE(std::filesystem::is_directory(dir_ / "taken"));
    EXPECT_EQ(entries(), 1u) << "no temporary file left behind";
    std::string bytes;
    bool exists = false;
    EXPECT_EQ(files.read((dir_ / "taken").u16string(), bytes, exists), hr::fail);
}

#ifdef _WIN32
TEST_F(LocalFilesTest, FileHeldOpenByAnotherProgramIsLeftAsItWas) {
    LocalFiles files;
    const std::u16string path = (dir_ / "x.xml").u16string();
    ASSERT_EQ(files.replace(path, "old"), hr::ok);
    {
        std::ifstream holder(dir_ / "x.xml");  // shares reading and writing, not deleting
        ASSERT_TRUE(holder);
        EXPECT_EQ(files.replace(path, "new"), hr::fail);
    }
    std::string bytes;
    bool exists = false;
    EXPECT_EQ(files.read(path, bytes, exists), hr::ok);
    EXPECT_EQ(bytes, "old");
    EXPECT_EQ(entries(), 1u);
}
#endif

}  // namespace
}  // namespace tessel::store::testing
