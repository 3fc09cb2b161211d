// TesselCfg in each shipped language: the languages as the installer lists them, the translation
// files of the source tree, every page on screen (the screenshots show whether texts fit).
#include <map>
#include <sstream>

#include "configurator/tests/cfg_ui_fixture.h"
#include "formats/translation_table.h"
#include "formats/utf16_text.h"
#include "formats/win32_file_system.h"

namespace tessel::cfg::testing {
namespace {

std::wstring wideOfUtf8(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                    static_cast<int>(wide.size())));
    return wide;
}

std::string readBytes(const std::wstring& path) {
    formats::Win32Files files;
    std::string bytes;
    files.read(std::u16string(path.begin(), path.end()), bytes);
    return bytes;
}

class ShippedLanguages : public Configurator {
protected:
    struct Language {
        std::wstring name, file, face, font;
        std::map<std::wstring, std::wstring> texts;
    };

    void SetUp() override {
        Configurator::SetUp();
        // The source tree stands for the installation folder: its translations/ is what the
        // installer puts below Translations\ (Wine finds files whatever the case of a name).
        const std::wstring root = TESSEL_SOURCE_ROOT;
        std::istringstream lines(readBytes(root + L"translations\\languages.txt"));
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.empty() || line[0] == '#') continue;
            std::vector<std::wstring> fields;
            std::wistringstream parts(wideOfUtf8(line));
            for (std::wstring field; std::getline(parts, field, L'|');) fields.push_back(field);
            ASSERT_EQ(fields.size(), 4u);
            Language language{fields[0], fields[1], fields[2], fields[3], {}};
            const std::string bytes = readBytes(root + language.file);
            ASSERT_FALSE(bytes.empty()) << "no file for " << line;
            for (const auto& [source, translation] : formats::readTranslations(formats::decodeUtf16le(bytes)))
                language.texts.emplace(std::wstring(source.begin(), source.end()),
                                       std::wstring(translation.begin(), translation.end()));
            languages_.push_back(std::move(language));
        }
        ASSERT_FALSE(languages_.empty());
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr),
                  ERROR_SUCCESS);
        setString(L"InstallDir", root);
        setNumber(L"TranslationMode", 0);
        for (std::size_t n = 0; n < languages_.size(); ++n) {
            const std::wstring i = std::to_wstring(n);
            setString(L"Language" + i, languages_[n].name);
            setString(L"TranslationFile" + i, languages_[n].file);
            setString(L"TranslationDefaultFont" + i, languages_[n].face);
            setString(L"TranslationFont" + i, languages_[n].font);
        }
    }
    void TearDown() override {
        RegCloseKey(key_);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kKey);
    }

    // The text the language's file gives for `source`.
    std::wstring translated(std::size_t language, const std::wstring& source) const {
        const auto& texts = languages_[language].texts;
        const auto found = texts.find(source);
        return found == texts.end() ? L"(not in the file: " + source + L")" : found->second;
    }

    // Starts the program in a language and waits through its reading box to the filled dialog.
    void startIn(std::size_t language) {
        setNumber(L"Translation", static_cast<DWORD>(language));
        program_ = std::make_unique<uidriver::Program>(L"\"" + configuratorPath() + L"\"");
        HWND reading = uidriver::waitFor(
            {.title = translated(language, L"Information"), .processId = program_->processId(), .visible = true}, 20s);
        uidriver::waitGone(reading, 30s);
        dialog_ = uidriver::waitFor(
            {.title = translated(language, kTitle), .processId = program_->processId(), .visible = true});
        uidriver::bringToFront(dialog_);
    }

    std::vector<Language> languages_;

private:
    static constexpr wchar_t kKey[] = L"Software\\Kavix\\Kavix Tessel";
    void setString(const std::wstring& name, const std::wstring& value) {
        RegSetValueExW(key_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    void setNumber(const wchar_t* name, DWORD value) {
        RegSetValueExW(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    }
    HKEY key_ = nullptr;
};

TEST_F(ShippedLanguages, EveryLanguageShowsItsTextsOnEveryPage) {
    const wchar_t* tabs[] = {L"assiGn\nbuttons", L"adjust\nperFormance", L"manaGe\nproFiles", L"manaGe\nmacros",
                             L"liGhting and\nmaintenance"};
    for (std::size_t n = 0; n < languages_.size(); ++n) {
        const std::wstring& file = languages_[n].file;
        const std::wstring name = file.substr(file.find_last_of(L'\\') + 1, file.rfind(L'.') - file.find_last_of(L'\\') - 1);
        SCOPED_TRACE(std::string(name.begin(), name.end()));
        startIn(n);
        EXPECT_EQ(text(IDOK), translated(n, L"OK"));
        EXPECT_EQ(text(IDCANCEL), translated(n, L"Cancel"));
        EXPECT_EQ(text(IDC_APPLY), translated(n, L"Apply"));
        // Profile 3 of the prepared mouse: its first row opens the menu.
        uidriver::waitForText(control(IDC_BUTTON_ROW_FIRST + 0), translated(n, L"Menu"));
        for (int page = 0; page < 5; ++page) {
            EXPECT_EQ(text(IDC_TAB_BUTTONS + page), translated(n, tabs[page]));
            press(control(IDC_TAB_BUTTONS + page));
            shoot(dialog_, (name + L"_page" + std::to_wstring(page + 1)).c_str());
        }
        press(control(IDCANCEL));
        EXPECT_EQ(program_->waitForExit(20s), 0u);
    }
}

}  // namespace
}  // namespace tessel::cfg::testing
