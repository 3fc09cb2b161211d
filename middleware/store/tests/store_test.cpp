// Profile groups, profiles, the private profile, spell books, macros and user actions in the
// registry, with their reference counts, on each registry adapter.
#include <algorithm>

#include "middleware/store/profile_store.h"
#include "registry_test_support.h"
#include "store_test_values.h"

namespace tessel::store::testing {
namespace {

constexpr HResult kMoreData = static_cast<HResult>(0x800700EAu);

class StoreTest : public RegistryTest {
protected:
    StoreTest() : RegistryTest(u"KavixControl_7E57") {}

    void SetUp() override {
        RegistryTest::SetUp();
        // Separate objects, as the interface objects hold them: nothing is cached between
        // calls, so each sees what the others wrote.
        ASSERT_EQ(ProfileGroupStore::open(registry(), deviceKeyName(), groups_), hr::ok);
        ASSERT_EQ(ProfileStore::open(registry(), deviceKeyName(), profiles_), hr::ok);
        ASSERT_EQ(PrivateProfileStore::open(registry(), deviceKeyName(), privateProfiles_), hr::ok);
        ASSERT_EQ(SpellBookStore::open(registry(), deviceKeyName(), books_), hr::ok);
        ASSERT_EQ(MacroStore::open(registry(), deviceKeyName(), macros_), hr::ok);
        ASSERT_EQ(UserActionStore::open(registry(), deviceKeyName(), actions_), hr::ok);
    }
    void TearDown() override {
        groups_.reset();
        profiles_.reset();
        privateProfiles_.reset();
        books_.reset();
        macros_.reset();
        actions_.reset();
        RegistryTest::TearDown();
    }

    std::uint32_t refCount(const Collection& store, const std::u16string& name) {
        std::uint32_t count = 0xDEAD;
        EXPECT_EQ(store.key().refCount(name, count), hr::ok) << "no RefCount";
        return count;
    }
    std::uint32_t macroRefs(const std::u16string& name) { return refCount(*macros_, name); }
    std::uint32_t profileRefs(const std::u16string& name) { return refCount(*profiles_, name); }

    std::vector<std::u16string> listAll(const Collection& store) {
        std::int32_t count = 0;
        std::vector<std::u16string> names;
        EXPECT_EQ(store.count(count), hr::ok);
        EXPECT_EQ(store.list(count, names), hr::ok);
        std::sort(names.begin(), names.end());
        return names;
    }

    // Profiles "P1" … "Pn", plain clicks.
    void saveProfiles(std::initializer_list<const char16_t*> names) {
        for (const char16_t* name : names)
            ASSERT_EQ(profiles_->save(name, sampleProfile({clickMapping(1)})), hr::ok);
    }

    std::unique_ptr<ProfileGroupStore> groups_;
    std::unique_ptr<ProfileStore> profiles_;
    std::unique_ptr<PrivateProfileStore> privateProfiles_;
    std::unique_ptr<SpellBookStore> books_;
    std::unique_ptr<MacroStore> macros_;
    std::unique_ptr<UserActionStore> actions_;
};

// --- names ---

TEST_P(StoreTest, NamesThatCannotBeKeyNamesAreRefusedBeforeAnyWrite) {
    const std::u16string longest(kMaxNameLength, u'n');
    const std::vector<std::u16string> refused = {
        u"", u"a\\b", u"\\", u"Profiles\\..", std::u16string(u"a\0b", 3), longest + u'n'};
    ASSERT_EQ(macros_->save(u"M", sampleMacro()), hr::ok);
    ASSERT_EQ(profiles_->save(u"P", sampleProfile({macroMapping(4, u"M")})), hr::ok);

    for (const auto& name : refused) {
        SCOPED_TRACE(std::string(name.begin(), name.end()));
        EXPECT_EQ(macros_->save(name, sampleMacro()), hr::invalidArg);
        EXPECT_EQ(actions_->save(name, sampleAction()), hr::invalidArg);
        EXPECT_EQ(profiles_->save(name, sampleProfile({})), hr::invalidArg);
        EXPECT_EQ(groups_->save(name, {u"P"}), hr::invalidArg);
        EXPECT_EQ(books_->save(name, {u"M"}), hr::invalidArg);
        // As a member or a mapping's name.
        EXPECT_EQ(groups_->save(u"G", {u"P", name}), hr::invalidArg);
        EXPECT_EQ(books_->save(u"B", {name}), hr::invalidArg);
        EXPECT_EQ(profiles_->save(u"Q", sampleProfile({macroMapping(4, name)})), hr::invalidArg);
        EXPECT_EQ(profiles_->save(u"Q", sampleProfile({userActionMapping(4, name)})),
                  hr::invalidArg);
        // Reads and deletes cannot reach other keys either.
        Macro macro;
        EXPECT_EQ(macros_->load(name, macro), hr::invalidArg);
        EXPECT_EQ(profiles_->remove(name), hr::invalidArg);
        EXPECT_EQ(groups_->remove(name), hr::invalidArg);
    }
    EXPECT_EQ(listAll(*macros_), std::vector<std::u16string>{u"M"});
    EXPECT_EQ(listAll(*profiles_), std::vector<std::u16string>{u"P"});
    EXPECT_TRUE(listAll(*groups_).empty());
    EXPECT_TRUE(listAll(*books_).empty());
    EXPECT_EQ(macroRefs(u"M"), 1u) << "no reference taken by a refused save";
}

TEST_P(StoreTest, LongestNameReadsBackEverywhere) {
    const std::u16string longest(kMaxNameLength, u'x');
    ASSERT_EQ(macros_->save(longest, sampleMacro()), hr::ok);
    ASSERT_EQ(books_->save(longest, {longest}), hr::ok);
    ASSERT_EQ(profiles_->save(longest, sampleProfile({macroMapping(4, longest)})), hr::ok);
    ASSERT_EQ(groups_->save(longest, {longest}), hr::ok);

    std::vector<std::u16string> names;
    EXPECT_EQ(groups_->load(longest, 1, names), hr::ok);
    EXPECT_EQ(names, std::vector<std::u16string>{longest});
    EXPECT_EQ(books_->load(longest, 1, names), hr::ok);
    EXPECT_EQ(names, std::vector<std::u16string>{longest});
    EXPECT_EQ(groups_->list(1, names), hr::ok);
    EXPECT_EQ(names, std::vector<std::u16string>{longest});
    Profile profile;
    ASSERT_EQ(profiles_->load(longest, profile), hr::ok);
    EXPECT_EQ(profile.mappings.at(0).name, longest);
    EXPECT_EQ(macroRefs(longest), 2u);
}

// --- profile groups ---

TEST_P(StoreTest, GroupLoadsTheFirstNNamesAndFailsBeyondItsCount) {
    saveProfiles({u"P1", u"P2", u"P3"});
    ASSERT_EQ(groups_->save(u"G", {u"P1", u"P2", u"P3"}), hr::ok);

    std::int32_t count = -1;
    EXPECT_EQ(groups_->memberCount(u"G", count), hr::ok);
    EXPECT_EQ(count, 3);
    std::vector<std::u16string> names;
    EXPECT_EQ(groups_->load(u"G", 2, names), hr::ok);
    EXPECT_EQ(names, (std::vector<std::u16string>{u"P1", u"P2"}));
    EXPECT_EQ(groups_->load(u"g", 3, names), hr::ok) << "registry names ignore letter case";
    EXPECT_EQ(names.size(), 3u);
    EXPECT_EQ(groups_->load(u"G", 4, names), hr::fail);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(groups_->load(u"G", -1, names), hr::invalidArg);

    EXPECT_EQ(groups_->memberCount(u"Missing", count), hr::fail);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(groups_->load(u"Missing", 0, names), hr::fail);
}

TEST_P(StoreTest, GroupsAreCountedAndListed) {
    saveProfiles({u"P1"});
    for (const char16_t* group : {u"Work", u"Games", u"Art"})
        ASSERT_EQ(groups_->save(group, {u"P1"}), hr::ok);
    std::int32_t count = 0;
    EXPECT_EQ(groups_->count(count), hr::ok);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(listAll(*groups_), (std::vector<std::u16string>{u"Art", u"Games", u"Work"}));
    std::vector<std::u16string> names;
    EXPECT_EQ(groups_->list(2, names), hr::ok);
    EXPECT_EQ(names.size(), 2u);
    EXPECT_EQ(groups_->list(4, names), hr::fail);
    EXPECT_TRUE(names.empty());
}

TEST_P(StoreTest, EachListingOfAProfileHoldsOneReference) {
    saveProfiles({u"A", u"B"});
    ASSERT_EQ(groups_->save(u"G1", {u"A", u"B", u"A"}), hr::ok);
    EXPECT_EQ(profileRefs(u"A"), 2u);
    EXPECT_EQ(profileRefs(u"B"), 1u);
    ASSERT_EQ(groups_->save(u"G2", {u"b"}), hr::ok);
    EXPECT_EQ(profileRefs(u"B"), 2u);

    ASSERT_EQ(groups_->remove(u"G1"), hr::ok);
    EXPECT_EQ(profileRefs(u"A"), 0u);
    EXPECT_EQ(profileRefs(u"B"), 1u);
    ASSERT_EQ(groups_->remove(u"G2"), hr::ok);
    EXPECT_EQ(profileRefs(u"B"), 0u);
    EXPECT_EQ(listAll(*profiles_), (std::vector<std::u16string>{u"A", u"B"}))
        << "profiles whose count reaches 0 stay";
    EXPECT_TRUE(listAll(*groups_).empty());
}

TEST_P(StoreTest, ResavingAGroupMovesItsReferences) {
    saveProfiles({u"Old", u"Both", u"New"});
    ASSERT_EQ(groups_->save(u"G", {u"Old", u"Both"}), hr::ok);
    ASSERT_EQ(groups_->save(u"G", {u"Both", u"New"}), hr::ok);
    EXPECT_EQ(profileRefs(u"Old"), 0u);
    EXPECT_EQ(profileRefs(u"Both"), 1u);
    EXPECT_EQ(profileRefs(u"New"), 1u);
    std::vector<std::u16string> names;
    ASSERT_EQ(groups_->load(u"G", 2, names), hr::ok);
    EXPECT_EQ(names, (std::vector<std::u16string>{u"Both", u"New"}));
}

TEST_P(StoreTest, GroupNamingAMissingProfileChangesNothing) {
    saveProfiles({u"A", u"B"});
    ASSERT_EQ(groups_->save(u"G", {u"A"}), hr::ok);
    EXPECT_EQ(groups_->save(u"G", {u"B", u"Missing"}), hr::fail);
    EXPECT_EQ(profileRefs(u"A"), 1u);
    EXPECT_EQ(profileRefs(u"B"), 0u);
    std::vector<std::u16string> names;
    EXPECT_EQ(groups_->load(u"G", 1, names), hr::ok);
    EXPECT_EQ(names, std::vector<std::u16string>{u"A"});
}

TEST_P(StoreTest, DroppingAReferenceNeverWrapsBelowZero) {
    saveProfiles({u"A"});
    ASSERT_EQ(groups_->save(u"G", {u"A"}), hr::ok);
    setRawDword(u"\\Profiles\\A", u"RefCount", 0);  // damaged by hand
    ASSERT_EQ(groups_->remove(u"G"), hr::ok);
    EXPECT_EQ(profileRefs(u"A"), 0u);
    EXPECT_EQ(profiles_->remove(u"A"), hr::ok);
}

TEST_P(StoreTest, DamagedCountFailsOnTheFirstMissingValue) {
    saveProfiles({u"A"});
    ASSERT_EQ(groups_->save(u"G", {u"A"}), hr::ok);
    setRawDword(u"\\ProfileGroups\\G", u"NumProfiles", 0x7FFFFFFF);
    std::vector<std::u16string> names;
    EXPECT_EQ(groups_->load(u"G", 0x7FFFFFFF, names), hr::fromSystemError(syserr::fileNotFound));
    EXPECT_TRUE(names.empty());
    setRawDword(u"\\Profiles\\A", u"NumMappings", 0xFFFFFFFF);
    Profile profile;
    EXPECT_EQ(profiles_->load(u"A", profile), hr::fromSystemError(syserr::fileNotFound));
}

// --- profiles ---

TEST_P(StoreTest, MappingValuesHoldTheRecordAndTheNameOfTypes2And3) {
    ASSERT_EQ(macros_->save(u"M", sampleMacro()), hr::ok);
    ASSERT_EQ(actions_->save(u"Run", sampleAction()), hr::ok);
    ButtonMapping macro = macroMapping(4, u"M");
    macro.action.actionType = static_cast<records::_TButtonActionType>(0x11223344);  // pointer slot
    ASSERT_EQ(profiles_->save(
                  u"P", sampleProfile({clickMapping(1, 5), macro, userActionMapping(5, u"Run")})),
              hr::ok);

    const auto click = rawValue(u"\\Profiles\\P", u"0000");
    EXPECT_EQ(click, (std::vector<std::uint8_t>{1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0,
                                                5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    const auto named = rawValue(u"\\Profiles\\P", u"0001");
    EXPECT_EQ(named, (std::vector<std::uint8_t>{4, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0,   0, 0, 0,
                                                0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'M', 0, 0, 0}));
    EXPECT_EQ(rawValue(u"\\Profiles\\P", u"0002").size(), 24u + 2 * (3 + 1));
    EXPECT_EQ(rawValue(u"\\Profiles\\P", u"NumMappings"), (std::vector<std::uint8_t>{3, 0, 0, 0}));
    EXPECT_EQ(rawValue(u"\\Profiles\\P", u"RefCount"), (std::vector<std::uint8_t>{0, 0, 0, 0}));

    Profile loaded;
    ASSERT_EQ(profiles_->load(u"P", loaded), hr::ok);
    ASSERT_EQ(loaded.mappings.size(), 3u);
    EXPECT_EQ(loaded.mappings[0], clickMapping(1, 5));
    EXPECT_EQ(loaded.mappings[1].name, u"M");
    EXPECT_EQ(loaded.mappings[2].name, u"Run");
    EXPECT_EQ(macroRefs(u"M"), 1u);
    EXPECT_EQ(refCount(*actions_, u"Run"), 1u);
}

TEST_P(StoreTest, ResavingAProfileKeepsItsCountAndMovesMacroReferences) {
    ASSERT_EQ(macros_->save(u"Old", sampleMacro()), hr::ok);
    ASSERT_EQ(macros_->save(u"New", sampleMacro()), hr::ok);
    ASSERT_EQ(actions_->save(u"Act", sampleAction()), hr::ok);
    ASSERT_EQ(profiles_->save(
                  u"P", sampleProfile({macroMapping(4, u"Old"), userActionMapping(5, u"Act")})),
              hr::ok);
    ASSERT_EQ(groups_->save(u"G", {u"P"}), hr::ok);

    ASSERT_EQ(profiles_->save(u"p", sampleProfile({macroMapping(4, u"New"), clickMapping(5)}, 2)),
              hr::ok);
    EXPECT_EQ(profileRefs(u"P"), 1u);
    EXPECT_EQ(macroRefs(u"Old"), 0u);
    EXPECT_EQ(macroRefs(u"New"), 1u);
    EXPECT_EQ(refCount(*actions_, u"Act"), 0u);
    Profile loaded;
    ASSERT_EQ(profiles_->load(u"P", loaded), hr::ok);
    EXPECT_EQ(loaded, sampleProfile({macroMapping(4, u"New"), clickMapping(5)}, 2));
}

TEST_P(StoreTest, ProfileNamingAMissingMacroChangesNothing) {
    ASSERT_EQ(macros_->save(u"M", sampleMacro()), hr::ok);
    const Profile original = sampleProfile({macroMapping(4, u"M")});
    ASSERT_EQ(profiles_->save(u"P", original), hr::ok);

    EXPECT_EQ(profiles_->save(u"P", sampleProfile({macroMapping(4, u"Missing")})), hr::fail);
    EXPECT_EQ(profiles_->save(u"P", sampleProfile({userActionMapping(4, u"M")})), hr::fail)
        << "a macro is not a user action";
    Profile loaded;
    ASSERT_EQ(profiles_->load(u"P", loaded), hr::ok);
    EXPECT_EQ(loaded, original);
    EXPECT_EQ(macroRefs(u"M"), 1u);
}

TEST_P(StoreTest, DeleteProfileIsRefusedWhileAGroupListsIt) {
    ASSERT_EQ(macros_->save(u"M", sampleMacro()), hr::ok);
    ASSERT_EQ(profiles_->save(u"P", sampleProfile({macroMapping(4, u"M")})), hr::ok);
    ASSERT_EQ(groups_->save(u"G", {u"P"}), hr::ok);

    EXPECT_EQ(profiles_->remove(u"P"), hr::fail);
    EXPECT_EQ(listAll(*profiles_), std::vector<std::u16string>{u"P"});
    EXPECT_EQ(macroRefs(u"M"), 1u);

    ASSERT_EQ(groups_->remove(u"G"), hr::ok);
    EXPECT_EQ(profileRefs(u"P"), 0u) << "the last group gone, the profile stays at 0";
    EXPECT_EQ(profiles_->remove(u"P"), hr::ok);
    EXPECT_TRUE(listAll(*profiles_).empty());
    EXPECT_EQ(macroRefs(u"M"), 0u);
    EXPECT_EQ(profiles_->remove(u"P"), hr::fail) << "missing";
}

TEST_P(StoreTest, OverlongMappingValueFailsWithMoreData) {
    ASSERT_EQ(profiles_->save(u"P", sampleProfile({clickMapping(1)})), hr::ok);
    // 24 + 2 × 261 = 546 bytes: more than the 544 a mapping read takes.
    auto key = openRaw(u"\\Profiles\\P");
    ASSERT_TRUE(key);
    const auto bytes = encodeMapping(macroMapping(4, std::u16string(260, u'm')));
    ASSERT_EQ(bytes.size(), 546u);
    ASSERT_EQ(key->setValue(u"0000", regtype::binary, bytes.data(),
                            static_cast<std::uint32_t>(bytes.size())),
              0u);
    Profile loaded;
    EXPECT_EQ(profiles_->load(u"P", loaded), kMoreData);
    EXPECT_TRUE(loaded.mappings.empty());
}

TEST_P(StoreTest, LastActiveIsReplacedWithoutReferences) {
    ASSERT_EQ(macros_->save(u"M", sampleMacro()), hr::ok);
    ASSERT_EQ(privateProfiles_->saveLastActive(
                  sampleProfile({clickMapping(1), macroMapping(4, u"M"), clickMapping(2)}, 9)),
              hr::ok);
    ASSERT_EQ(privateProfiles_->saveLastActive(sampleProfile({macroMapping(4, u"M")}, 3)), hr::ok);
    EXPECT_EQ(macroRefs(u"M"), 0u);
    EXPECT_EQ(rawValue(u"\\PrivateProfiles\\LastActive", u"Version"),
              (std::vector<std::uint8_t>{3, 0, 0, 0}));
    EXPECT_EQ(rawValue(u"\\PrivateProfiles\\LastActive", u"NumMappings"),
              (std::vector<std::uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(rawValue(u"\\PrivateProfiles\\LastActive", u"0000"),
              encodeMapping(macroMapping(4, u"M")));
    EXPECT_TRUE(rawValue(u"\\PrivateProfiles\\LastActive", u"0001").empty())
        << "values of the older, longer profile are gone";
    EXPECT_TRUE(rawValue(u"\\PrivateProfiles\\LastActive", u"RefCount").empty());
}

// --- spell books and macros ---

TEST_P(StoreTest, SpellBooksReferenceTheirMacros) {
    ASSERT_EQ(macros_->save(u"M1", sampleMacro()), hr::ok);
    ASSERT_EQ(macros_->save(u"M2", sampleMacro()), hr::ok);
    ASSERT_EQ(books_->save(u"Book", {u"M1", u"M2", u"M1"}), hr::ok);
    EXPECT_EQ(macroRefs(u"M1"), 2u);

    std::vector<std::u16string> names;
    EXPECT_EQ(books_->load(u"Book", 2, names), hr::ok);
    EXPECT_EQ(names, (std::vector<std::u16string>{u"M1", u"M2"}));
    EXPECT_EQ(books_->load(u"Book", 4, names), hr::fail);
    std::int32_t count = 0;
    EXPECT_EQ(books_->memberCount(u"Book", count), hr::ok);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(books_->memberCount(u"None", count), hr::fail);

    EXPECT_EQ(macros_->remove(u"M1"), hr::fail);
    EXPECT_EQ(listAll(*macros_), (std::vector<std::u16string>{u"M1", u"M2"}));
    ASSERT_EQ(books_->remove(u"Book"), hr::ok);
    EXPECT_EQ(macroRefs(u"M1"), 0u);
    EXPECT_EQ(macros_->remove(u"M1"), hr::ok);
    EXPECT_EQ(listAll(*macros_), std::vector<std::u16string>{u"M2"});
}

TEST_P(StoreTest, SpellBookNamingAMissingMacroChangesNothing) {
    ASSERT_EQ(macros_->save(u"M1", sampleMacro()), hr::ok);
    EXPECT_EQ(books_->save(u"Book", {u"M1", u"Missing"}), hr::fail);
    EXPECT_EQ(macroRefs(u"M1"), 0u);
    EXPECT_TRUE(listAll(*books_).empty());
}

TEST_P(StoreTest, MacroNamedByAProfileCannotBeDeleted) {
    ASSERT_EQ(macros_->save(u"M", sampleMacro()), hr::ok);
    ASSERT_EQ(actions_->save(u"A", sampleAction()), hr::ok);
    ASSERT_EQ(
        profiles_->save(u"P", sampleProfile({macroMapping(4, u"m"), userActionMapping(5, u"a")})),
        hr::ok);
    EXPECT_EQ(macros_->remove(u"M"), hr::fail);
    EXPECT_EQ(actions_->remove(u"A"), hr::fail);
    Macro macro;
    EXPECT_EQ(macros_->load(u"M", macro), hr::ok);
    EXPECT_EQ(macros_->remove(u"Missing"), hr::fail);
}

TEST_P(StoreTest, ResavingAMacroKeepsItsCountAndDropsSurplusElements) {
    ASSERT_EQ(macros_->save(u"M", sampleMacro(3)), hr::ok);
    ASSERT_EQ(books_->save(u"Book", {u"M"}), hr::ok);
    Macro changed = sampleMacro(2, u"other.ico");
    changed.repeat = 9;
    ASSERT_EQ(macros_->save(u"M", changed), hr::ok);
    EXPECT_EQ(macroRefs(u"M"), 1u);
    EXPECT_TRUE(rawValue(u"\\Macros\\M", u"0002").empty());
    Macro loaded;
    ASSERT_EQ(macros_->load(u"M", loaded), hr::ok);
    EXPECT_EQ(loaded, changed);
    EXPECT_EQ(rawValue(u"\\Macros\\M", u"0001"),
              (std::vector<std::uint8_t>{1,    0, 0, 0, 0x1F, 0, 0, 0, 0,  0, 0, 0,
                                         0x41, 0, 0, 0, 10,   0, 0, 0, 20, 0, 0, 0}));
}

TEST_P(StoreTest, ReadsWithFixedBuffersFailWithMoreData) {
    // A 127-character string needs 256 bytes, one more than the string buffer.
    ASSERT_EQ(macros_->save(u"Long", sampleMacro(1, std::u16string(127, u'i'))), hr::ok);
    ASSERT_EQ(macros_->save(u"Fits", sampleMacro(1, std::u16string(126, u'i'))), hr::ok);
    Macro macro;
    EXPECT_EQ(macros_->load(u"Long", macro), kMoreData);
    EXPECT_EQ(macros_->load(u"Fits", macro), hr::ok);
    EXPECT_EQ(macro.iconFile.size(), 126u);

    auto key = openRaw(u"\\Macros\\Fits");
    ASSERT_TRUE(key);
    const std::uint8_t element[25] = {};
    ASSERT_EQ(key->setValue(u"0000", regtype::binary, element, 25), 0u);
    EXPECT_EQ(macros_->load(u"Fits", macro), kMoreData);
}

// --- user actions ---

TEST_P(StoreTest, UserActionsKeepCodeAndData) {
    struct Case {
        const char16_t* name;
        std::vector<std::uint8_t> data;
    };
    for (const Case& c : {Case{u"Empty", {}}, Case{u"Three", {1, 2, 0xFF}},
                          Case{u"Large", std::vector<std::uint8_t>(1000, 0x5A)}}) {
        SCOPED_TRACE(std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name)));
        ASSERT_EQ(actions_->save(c.name, sampleAction(c.data)), hr::ok);
        UserAction loaded;
        ASSERT_EQ(actions_->load(c.name, loaded), hr::ok);
        EXPECT_EQ(loaded, sampleAction(c.data));
        EXPECT_EQ(rawValue(u"\\UserActions\\" + std::u16string(c.name), u"Data"), c.data);
    }
}

TEST_P(StoreTest, UserActionDataLongerThanItsCountFailsShorterIsReturned) {
    ASSERT_EQ(actions_->save(u"A", sampleAction({1, 2, 3, 4})), hr::ok);
    setRawDword(u"\\UserActions\\A", u"NumData", 3);
    UserAction loaded;
    EXPECT_EQ(actions_->load(u"A", loaded), kMoreData);
    setRawDword(u"\\UserActions\\A", u"NumData", 10);
    ASSERT_EQ(actions_->load(u"A", loaded), hr::ok);
    EXPECT_EQ(loaded.data, (std::vector<std::uint8_t>{1, 2, 3, 4}));
}

TEST_P(StoreTest, ResavingAUserActionKeepsItsCount) {
    ASSERT_EQ(actions_->save(u"A", sampleAction()), hr::ok);
    ASSERT_EQ(profiles_->save(u"P", sampleProfile({userActionMapping(4, u"A")})), hr::ok);
    ASSERT_EQ(actions_->save(u"A", UserAction{9, {}}), hr::ok);
    EXPECT_EQ(refCount(*actions_, u"A"), 1u);
    UserAction loaded;
    ASSERT_EQ(actions_->load(u"A", loaded), hr::ok);
    EXPECT_EQ(loaded, (UserAction{9, {}}));
}

TEST_P(StoreTest, WritableMachineTreeIsUsed) {
    ASSERT_EQ(macros_->save(u"M", sampleMacro()), hr::ok);
    EXPECT_TRUE(openRaw(u"\\Macros\\M", RegistryRoot::localMachine));
    EXPECT_FALSE(openRaw(u"\\Macros\\M", RegistryRoot::currentUser));
}

INSTANTIATE_TEST_SUITE_P(Adapters, StoreTest, ::testing::ValuesIn(registryAdapters()), adapterName);

// Access denial can only be set on the in-memory registry.
TEST(StoreRootTest, StandardUserGetsTheSameTreeUnderTheCurrentUser) {
    const std::u16string device = u"KavixControl_7E57";
    struct Case {
        const char* what;
        const char16_t* deniedPath;
    };
    for (const Case& c :
         {Case{"no writing under Software", u"Software"},
          Case{"only the device's tree denied", u"Software\\Kavix\\KavixControl_7E57"}}) {
        SCOPED_TRACE(c.what);
        MemoryRegistry registry;
        registry.denyAccess(RegistryRoot::localMachine, c.deniedPath);

        // Two clients of the same user: one writes, the other reads.
        std::unique_ptr<MacroStore> writer;
        std::unique_ptr<SpellBookStore> reader;
        ASSERT_EQ(MacroStore::open(registry, device, writer), hr::ok);
        ASSERT_EQ(SpellBookStore::open(registry, device, reader), hr::ok);
        ASSERT_EQ(writer->save(u"M", sampleMacro()), hr::ok);
        Macro macro;
        EXPECT_EQ(reader->macros().load(u"M", macro), hr::ok);
        EXPECT_EQ(reader->save(u"Book", {u"M"}), hr::ok);

        std::unique_ptr<RegistryKey> key;
        EXPECT_EQ(registry.openRoot(RegistryRoot::currentUser)
                      ->openKey(u"Software\\Kavix\\KavixControl_7E57\\Macros\\M", key),
                  0u);
        RegistryRoot root = RegistryRoot::localMachine;
        EXPECT_EQ(findStoreRoot(registry, device, root), hr::ok);
        EXPECT_EQ(root, RegistryRoot::currentUser);
    }
}

}  // namespace
}  // namespace tessel::store::testing
