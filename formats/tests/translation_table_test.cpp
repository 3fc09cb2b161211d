// The translation table over its file: escapes, placeholders, the translators' append mode, the
// format check and the use from several threads.
#include "formats/translation_table.h"

#include <gtest/gtest.h>

#include <thread>

#include "test_data.h"

namespace tessel::formats {
namespace {

const std::u16string kFile = u"C:\\Kavix\\Translations\\German.txt";

class TranslationTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        files_.makeFolder(u"C:\\Kavix\\Translations");
        ASSERT_TRUE(files_.replace(kFile, testing::dataBytes("translation_de.txt")));
    }
    std::string file() {
        std::string bytes;
        files_.read(kFile, bytes);
        return bytes;
    }
    MemoryFiles files_;
};

TEST_F(TranslationTableTest, TranslatesWithEscapesUndone) {
    TranslationTable table(files_, kFile, false);
    EXPECT_EQ(table.translate(u"Close Tray Icon"), u"Tray-Symbol schließen");
    EXPECT_EQ(table.translate(u"Line one\nline two"), u"Zeile eins\nZeile zwei");
    EXPECT_EQ(table.translate(u"Star * and\rreturn"), u"Stern * und\rWagenrücklauf");
    EXPECT_EQ(table.translate(u"close tray icon"), u"close tray icon") << "compared exactly";
    EXPECT_EQ(table.translate(u"<"), u"<") << "one character is never looked up";
    TranslationTable off(files_, u"", false);
    EXPECT_EQ(off.translate(u"Close Tray Icon"), u"Close Tray Icon");
}

TEST_F(TranslationTableTest, NormalModeShowsTheSourceAndLeavesTheFile) {
    TranslationTable table(files_, kFile, false);
    EXPECT_EQ(table.translate(u"Load Tessel Configurator"), u"Load Tessel Configurator");
    EXPECT_EQ(table.translate(u"Missing text"), u"Missing text");
    EXPECT_EQ(file(), testing::dataBytes("translation_de.txt"));
}

TEST_F(TranslationTableTest, AppendModeWritesMissingTextsOnce) {
    TranslationTable table(files_, kFile, true);
    EXPECT_EQ(table.translate(u"Load Tessel Configurator"), u"[3] NOT TRANSLATED YET\n");
    EXPECT_EQ(table.translate(u"New *\ntext"), u"[1] NOT TRANSLATED YET\n");
    EXPECT_EQ(table.translate(u"Other"), u"[2] NOT TRANSLATED YET\n");
    EXPECT_EQ(table.translate(u"New *\ntext"), u"[1] NOT TRANSLATED YET\n");
    EXPECT_EQ(file(), testing::dataBytes("translation_de.txt") +
                          encodeUtf16le(u"New ^|text\r\n[1] NOT TRANSLATED YET|\r\n"
                                        u"Other\r\n[2] NOT TRANSLATED YET|\r\n"));
    // A file that does not exist yet is created; one without a last line end gets one first.
    TranslationTable fresh(files_, u"C:\\Kavix\\Translations\\New.txt", true);
    fresh.translate(u"Text");
    std::string bytes;
    ASSERT_TRUE(files_.read(u"C:\\Kavix\\Translations\\New.txt", bytes));
    EXPECT_EQ(bytes, encodeUtf16le(u"Text\r\n[1] NOT TRANSLATED YET|\r\n"));
    ASSERT_TRUE(files_.replace(kFile, encodeUtf16le(u"A text\r\nEin Text")));
    TranslationTable unterminated(files_, kFile, true);
    EXPECT_EQ(unterminated.translate(u"A text"), u"Ein Text");
    unterminated.translate(u"Next");
    EXPECT_EQ(file(), encodeUtf16le(u"A text\r\nEin Text\r\nNext\r\n[1] NOT TRANSLATED YET|\r\n"));
}

TEST_F(TranslationTableTest, LoadedOnceAndSharedByThreads) {
    TranslationTable table(files_, kFile, true);
    EXPECT_EQ(table.translate(u"Close Tray Icon"), u"Tray-Symbol schließen");
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([&table, t] {
            for (int i = 0; i < 50; ++i) table.translate(u"Text " + decimalText(t * 100 + i));
        });
    for (auto& thread : threads) thread.join();
    const auto pairs = readTranslations(decodeUtf16le(file()));
    ASSERT_EQ(pairs.size(), 6u + 150u) << "each missing text appended once";
    std::vector<std::u16string> numbers;
    for (std::size_t i = 6; i < pairs.size(); ++i) numbers.push_back(pairs[i].second);
    std::sort(numbers.begin(), numbers.end());
    EXPECT_EQ(std::unique(numbers.begin(), numbers.end()), numbers.end()) << "numbers not shared";
    ASSERT_TRUE(files_.replace(kFile, encodeUtf16le(u"Close Tray Icon\r\nChanged\r\n")));
    EXPECT_EQ(table.translate(u"Close Tray Icon"), u"Tray-Symbol schließen") << "read once";
}

TEST_F(TranslationTableTest, FormatsOnlyWithTheSourcesConversions) {
    ASSERT_TRUE(files_.replace(
        kFile, encodeUtf16le(
                   u"X:%d Y:%d\r\nX: %d, Y: %d\r\n%s%s\r\n%s\r\nStage %d\r\nStufe %s\r\n"
                   u"%d%%\r\n%d %% done\r\n%5.2f\r\n%f\r\nName %s\r\n%s %s\r\n100%\r\n100 %\r\n")));
    TranslationTable table(files_, kFile, false);
    struct Case {
        std::u16string source, shown;
    };
    const Case cases[] = {
        {u"X:%d Y:%d", u"X: %d, Y: %d"}, {u"%s%s", u"%s%s"},  // a conversion fewer would read past
                                                              // the arguments
        {u"Stage %d", u"Stage %d"},      {u"%d%%", u"%d %% done"}, {u"%5.2f", u"%5.2f"},
        {u"Name %s", u"Name %s"},        {u"100%", u"100 %"},  // the same lone "%"
    };
    for (const Case& c : cases)
        EXPECT_EQ(table.translateFormat(c.source), c.shown) << c.shown.size();
    EXPECT_EQ(formatConversions(u"%-5d|%%|%I64u|%ls|%"),
              (std::vector<std::u16string_view>{u"%-5d", u"%I64u", u"%ls", u"%"}));
}

}  // namespace
}  // namespace tessel::formats
