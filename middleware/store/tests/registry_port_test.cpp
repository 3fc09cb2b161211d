// The registry semantics the store relies on, pinned on both adapters so the in-memory
// registry behaves as the real one does.
#include <algorithm>

#include "middleware/common/status.h"
#include "registry_test_support.h"

namespace tessel::store::testing {
namespace {

class RegistryPortTest : public RegistryTest {
protected:
    RegistryPortTest() : RegistryTest(u"KavixControl_7E56") {}

    void SetUp() override {
        RegistryTest::SetUp();
        ASSERT_EQ(registry()
                      .openRoot(RegistryRoot::currentUser)
                      ->createKey(deviceRootPath(deviceKeyName()), base_),
                  0u);
    }
    void TearDown() override {
        base_.reset();
        RegistryTest::TearDown();
    }

    std::unique_ptr<RegistryKey> create(const std::u16string& path) {
        std::unique_ptr<RegistryKey> key;
        EXPECT_EQ(base_->createKey(path, key), 0u) << "creating " << path.size();
        return key;
    }

    std::vector<std::u16string> subkeys(RegistryKey& key) {
        std::vector<std::u16string> names;
        for (std::u16string name;
             key.enumKey(static_cast<std::uint32_t>(names.size()), 256, name) == 0;)
            names.push_back(name);
        return names;
    }

    std::unique_ptr<RegistryKey> base_;
};

TEST_P(RegistryPortTest, KeyAndValueNamesIgnoreLetterCase) {
    auto created = create(u"Profiles\\Alpha");
    std::unique_ptr<RegistryKey> opened;
    ASSERT_EQ(base_->openKey(u"PROFILES\\alpha", opened), 0u);

    const std::uint8_t bytes[4] = {7, 0, 0, 0};
    ASSERT_EQ(created->setValue(u"RefCount", regtype::dword, bytes, 4), 0u);
    std::uint8_t read[4] = {};
    std::uint32_t type = 0;
    std::uint32_t size = 4;
    ASSERT_EQ(opened->queryValue(u"REFCOUNT", type, read, size), 0u);
    EXPECT_EQ(type, regtype::dword);
    EXPECT_EQ(read[0], 7);

    // Creating with another case opens the same key and keeps the first spelling.
    auto again = create(u"profiles\\ALPHA");
    auto profiles = create(u"Profiles");
    EXPECT_EQ(subkeys(*profiles), std::vector<std::u16string>{u"Alpha"});
}

TEST_P(RegistryPortTest, ShortBufferGivesMoreDataWithTheNeededSize) {
    auto key = create(u"Values");
    const std::uint8_t bytes[6] = {1, 2, 3, 4, 5, 6};
    ASSERT_EQ(key->setValue(u"Data", regtype::binary, bytes, 6), 0u);

    std::uint8_t buffer[8] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    std::uint32_t type = 0;
    std::uint32_t size = 4;
    EXPECT_EQ(key->queryValue(u"Data", type, buffer, size), syserr::moreData);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(buffer[4], 0xEE) << "nothing written past the stated capacity";

    size = 0;
    EXPECT_EQ(key->queryValue(u"Data", type, nullptr, size), 0u);
    EXPECT_EQ(size, 6u);

    size = 8;
    EXPECT_EQ(key->queryValue(u"Data", type, buffer, size), 0u);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(type, regtype::binary);
    EXPECT_TRUE(std::equal(bytes, bytes + 6, buffer));

    size = 8;
    EXPECT_EQ(key->queryValue(u"Missing", type, buffer, size), syserr::fileNotFound);
}

TEST_P(RegistryPortTest, EmptyValueKeepsItsType) {
    auto key = create(u"Values");
    ASSERT_EQ(key->setValue(u"Data", regtype::binary, nullptr, 0), 0u);
    std::uint8_t buffer[4];
    std::uint32_t type = 0;
    std::uint32_t size = sizeof buffer;
    EXPECT_EQ(key->queryValue(u"Data", type, buffer, size), 0u);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(type, regtype::binary);
}

TEST_P(RegistryPortTest, DeleteRefusesKeysWithSubkeys) {
    create(u"Parent\\Child");
    EXPECT_EQ(base_->deleteKey(u"Parent"), syserr::accessDenied);
    EXPECT_EQ(base_->deleteKey(u"Parent\\Child"), 0u);
    EXPECT_EQ(base_->deleteKey(u"Parent"), 0u);
    EXPECT_EQ(base_->deleteKey(u"Parent"), syserr::fileNotFound);
    std::unique_ptr<RegistryKey> gone;
    EXPECT_EQ(base_->openKey(u"Parent", gone), syserr::fileNotFound);
}

TEST_P(RegistryPortTest, HandleToADeletedKeyFails) {
    auto key = create(u"Doomed");
    ASSERT_EQ(base_->deleteKey(u"Doomed"), 0u);
    const std::uint8_t bytes[4] = {};
    EXPECT_EQ(key->setValue(u"x", regtype::dword, bytes, 4), regerr::keyDeleted);
    std::uint32_t count = 0;
    EXPECT_EQ(key->subkeyCount(count), regerr::keyDeleted);
    std::unique_ptr<RegistryKey> child;
    EXPECT_EQ(key->createKey(u"child", child), regerr::keyDeleted);
}

TEST_P(RegistryPortTest, EnumerationListsEachSubkeyOnceWithItsSpelling) {
    auto parent = create(u"List");
    const std::vector<std::u16string> names = {u"beta", u"Alpha", u"GAMMA", u"delta"};
    for (const auto& name : names) create(u"List\\" + name);

    std::uint32_t count = 0;
    ASSERT_EQ(parent->subkeyCount(count), 0u);
    EXPECT_EQ(count, names.size());
    auto listed = subkeys(*parent);
    std::sort(listed.begin(), listed.end());
    auto expected = names;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected);

    std::u16string name;
    EXPECT_EQ(parent->enumKey(4, 256, name), syserr::noMoreItems);
    // The capacity counts the terminator: five characters need six.
    for (std::uint32_t i = 0; i < 4; ++i) {
        std::u16string full;
        ASSERT_EQ(parent->enumKey(i, 256, full), 0u);
        EXPECT_EQ(parent->enumKey(i, static_cast<std::uint32_t>(full.size()), name),
                  syserr::moreData);
        EXPECT_EQ(parent->enumKey(i, static_cast<std::uint32_t>(full.size() + 1), name), 0u);
        EXPECT_EQ(name, full);
    }
}

TEST_P(RegistryPortTest, PathsMayNotStartWithASeparator) {
    std::unique_ptr<RegistryKey> key;
    EXPECT_EQ(base_->createKey(u"\\Lead", key), regerr::badPathname);
    EXPECT_EQ(base_->openKey(u"\\Lead", key), regerr::badPathname);
}

TEST_P(RegistryPortTest, NestedPathsCreateEveryComponent) {
    create(u"A\\B\\C");
    std::unique_ptr<RegistryKey> b;
    ASSERT_EQ(base_->openKey(u"A\\B", b), 0u);
    EXPECT_EQ(subkeys(*b), std::vector<std::u16string>{u"C"});
}

INSTANTIATE_TEST_SUITE_P(Adapters, RegistryPortTest, ::testing::ValuesIn(registryAdapters()),
                         adapterName);

// Access denial exists only in the in-memory registry (Wine grants everything).
TEST(MemoryRegistryTest, DeniedSubtreeRefusesOpenAndCreate) {
    MemoryRegistry registry;
    auto machine = registry.openRoot(RegistryRoot::localMachine);
    std::unique_ptr<RegistryKey> key;
    ASSERT_EQ(machine->createKey(u"Software\\Existing", key), 0u);
    registry.denyAccess(RegistryRoot::localMachine, u"software");

    EXPECT_EQ(machine->createKey(u"Software\\Kavix", key), syserr::accessDenied);
    EXPECT_EQ(machine->openKey(u"SOFTWARE\\Existing", key), syserr::accessDenied);
    EXPECT_EQ(machine->deleteKey(u"Software\\Existing"), syserr::accessDenied);
    EXPECT_EQ(machine->createKey(u"Hardware", key), 0u) << "outside the denied subtree";
    EXPECT_EQ(registry.openRoot(RegistryRoot::currentUser)->createKey(u"Software\\Kavix", key), 0u)
        << "the other root is not affected";
}

// What a standard user meets under HKEY_LOCAL_MACHINE: reading works, writing does not.
TEST(MemoryRegistryTest, ReadableSubtreeOpensOnlyToRead) {
    MemoryRegistry registry;
    auto machine = registry.openRoot(RegistryRoot::localMachine);
    std::unique_ptr<RegistryKey> key;
    ASSERT_EQ(machine->createKey(u"Software\\Existing", key), 0u);
    registry.denyAccess(RegistryRoot::localMachine, u"software", true);

    EXPECT_EQ(machine->openKey(u"Software\\Existing", key), syserr::accessDenied);
    EXPECT_EQ(machine->createKey(u"Software\\Kavix", key), syserr::accessDenied);
    ASSERT_EQ(machine->openKeyToRead(u"Software\\Existing", key), 0u);
    const std::uint8_t byte = 1;
    EXPECT_EQ(key->setValue(u"Value", regtype::binary, &byte, 1), syserr::accessDenied);
    std::unique_ptr<RegistryKey> below;
    EXPECT_EQ(key->createKey(u"Below", below), syserr::accessDenied);
    EXPECT_EQ(key->deleteKey(u""), syserr::accessDenied);
}

TEST(MemoryRegistryTest, CaseFoldingCoversLatinGreekAndCyrillicLetters) {
    struct Case {
        char16_t lower, upper;
    };
    for (Case c :
         {Case{u'a', u'A'}, Case{u'z', u'Z'}, Case{u'\u00E9', u'\u00C9'},
          Case{u'\u03B1', u'\u0391'}, Case{u'\u0434', u'\u0414'}, Case{u'\u0451', u'\u0401'}}) {
        EXPECT_EQ(foldRegistryCase(c.lower), c.upper);
        EXPECT_EQ(foldRegistryCase(c.upper), c.upper);
    }
    EXPECT_EQ(foldRegistryCase(u'\u00F7'), u'\u00F7');  // the division sign has no case
    EXPECT_EQ(foldRegistryCase(u'_'), u'_');
}

}  // namespace
}  // namespace tessel::store::testing
