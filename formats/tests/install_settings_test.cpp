// The installation settings on both registries: the in-memory one and, in the Windows build,
// Wine's real registry.
#include "formats/install_settings.h"

#include <gtest/gtest.h>

#include "formats/utf16_text.h"
#include "middleware/store/tests/registry_test_support.h"

namespace tessel::formats {
namespace {

using store::testing::RegistryAdapter;
namespace regtype = store::regtype;

// Clear of the real key, which other programs' tests may use at the same time.
const std::u16string kKey = u"Software\\Kavix\\Kavix Tessel formats_test";

class InstallSettingsTest : public ::testing::TestWithParam<RegistryAdapter> {
protected:
    void SetUp() override {
        registry_ = store::testing::makeRegistry(GetParam());
        root_ = registry_->openRoot(store::RegistryRoot::localMachine);
        store::testing::deleteTree(*root_, kKey);
        ASSERT_EQ(root_->createKey(kKey, key_), 0u);
    }
    void TearDown() override {
        key_.reset();
        store::testing::deleteTree(*root_, kKey);
    }
    void set(const std::u16string& name, std::u16string_view text, bool terminated = true) {
        std::u16string data(text);
        if (terminated) data.push_back(u'\0');
        key_->setValue(name, regtype::string, reinterpret_cast<const std::uint8_t*>(data.data()),
                       static_cast<std::uint32_t>(2 * data.size()));
    }
    void set(const std::u16string& name, std::uint32_t number) {
        const std::uint8_t bytes[4] = {std::uint8_t(number), std::uint8_t(number >> 8),
                                       std::uint8_t(number >> 16), std::uint8_t(number >> 24)};
        key_->setValue(name, regtype::dword, bytes, 4);
    }
    void language(int n, bool fonts = true) {
        const std::u16string i = decimalText(n);
        set(u"Language" + i, u"Language " + i);
        set(u"TranslationFile" + i, u"Translations\\" + i + u".txt");
        if (!fonts) return;
        set(u"TranslationDefaultFont" + i, u"Face " + i);
        set(u"TranslationFont" + i, u"Second face " + i);
    }
    InstallSettings read(LanguageValues values = LanguageValues::withFonts) {
        return readInstallSettings(*registry_, values, kKey);
    }

    std::unique_ptr<store::RegistryPort> registry_;
    std::unique_ptr<store::RegistryKey> root_;
    std::unique_ptr<store::RegistryKey> key_;
};

TEST_P(InstallSettingsTest, ReadsTheInstallationAndItsLanguages) {
    set(u"InstallDir", u"C:\\Program Files\\Kavix\\");
    set(u"Translation", 2);
    set(u"TranslationMode", 1);
    set(u"UpdateUrl", u"https://example.invalid/tessel/downloads");
    language(0);
    language(1);
    language(2, false);
    language(4);  // after a gap: not read
    const InstallSettings configurator = read();
    EXPECT_EQ(configurator.installDir, u"C:\\Program Files\\Kavix\\");
    EXPECT_EQ(configurator.translationMode, 1u);
    EXPECT_EQ(configurator.updateUrl, u"https://example.invalid/tessel/downloads");
    ASSERT_EQ(configurator.languages.size(), 2u) << "the third language lacks its faces";
    EXPECT_EQ(configurator.languages[1].defaultFont, u"Face 1");
    EXPECT_EQ(configurator.languages[1].font, u"Second face 1");
    EXPECT_EQ(configurator.translation, 0u) << "beyond the languages read";

    const InstallSettings tray = read(LanguageValues::withoutFonts);
    ASSERT_EQ(tray.languages.size(), 3u);
    EXPECT_EQ(tray.translation, 2u);
    EXPECT_EQ(tray.translationPath(), u"C:\\Program Files\\Kavix\\Translations\\2.txt");
}

TEST_P(InstallSettingsTest, OutsideInputIsBounded) {
    for (int n = 0; n < kMaxLanguages + 2; ++n) language(n, false);
    set(u"Translation", u"1");  // not a number
    set(u"InstallDir", std::u16string(kMaxSettingText, u'x'), false);
    InstallSettings settings = read(LanguageValues::withoutFonts);
    EXPECT_EQ(settings.languages.size(), std::size_t(kMaxLanguages));
    EXPECT_EQ(settings.translation, 0u);
    EXPECT_EQ(settings.installDir.size(), kMaxSettingText) << "read without its terminator";
    EXPECT_EQ(settings.translationPath(), u"") << "the file's path would not fit";

    set(u"InstallDir", std::u16string(kMaxSettingText + 1, u'x'), false);
    EXPECT_EQ(read().installDir, u"");
    set(u"InstallDir", std::u16string(kMaxSettingText + 1, u'x'));
    EXPECT_EQ(read().installDir, u"");
    set(u"InstallDir", u"C:\\Kavix\\");
    set(u"TranslationFile0", u"");
    EXPECT_EQ(read(LanguageValues::withoutFonts).translationPath(), u"") << "no file: off";
}

TEST_P(InstallSettingsTest, MissingKeyGivesTheDefaults) {
    const InstallSettings settings =
        readInstallSettings(*registry_, LanguageValues::withFonts, kKey + u" missing");
    EXPECT_EQ(settings.installDir, u"");
    EXPECT_EQ(settings.translation, 0u);
    EXPECT_TRUE(settings.languages.empty());
    EXPECT_EQ(settings.translationPath(), u"");
}

// A standard user may read the installation's key under HKEY_LOCAL_MACHINE but not change it:
// the settings are still read (a full-access open would be refused and give the defaults).
TEST(InstallSettingsOfAStandardUser, AreReadFromAKeyTheUserCannotChange) {
    store::MemoryRegistry registry;
    std::unique_ptr<store::RegistryKey> key;
    ASSERT_EQ(registry.openRoot(store::RegistryRoot::localMachine)->createKey(kKey, key), 0u);
    const std::u16string folder = u"C:\\Kavix\\";
    key->setValue(u"InstallDir", regtype::string, reinterpret_cast<const std::uint8_t*>(folder.c_str()),
                  static_cast<std::uint32_t>(2 * (folder.size() + 1)));
    key.reset();
    registry.denyAccess(store::RegistryRoot::localMachine, u"Software", true);

    EXPECT_EQ(readInstallSettings(registry, LanguageValues::withFonts, kKey).installDir, folder);
}

INSTANTIATE_TEST_SUITE_P(Registry, InstallSettingsTest,
                         ::testing::ValuesIn(store::testing::registryAdapters()),
                         store::testing::adapterName);

}  // namespace
}  // namespace tessel::formats
