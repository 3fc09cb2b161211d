// The inventory of the texts TesselCfg and KavixTesselTray show through translation, and the
// check that every translation file the installer ships has each of them.
//
// Where the inventory comes from (keep it true and the check stays green once a new text is
// translated in every file of translations/):
// - every wide or UTF-16 string literal (L"...", u"...") in the sources and headers of
//   configurator/app and tray/ is a text shown through translation, unless kNotTranslated below
//   names it with the reason; adjacent literals are one text. A new literal that is no shown
//   text (a class name, a registry value, a file pattern) goes into kNotTranslated;
// - the control kit (controls/) shows only the texts written inside KitText(...) translated;
// - TesselCfg.rc: the items of its menus (translated when the menus are shown), its string
//   table and the texts of its LTEXT controls;
// - texts the settings model makes, taken from the model itself: the button functions, the
//   mouse rows of the macro key list and the advanced dialog's commands. Key rows show key
//   labels ("LShift", "A", "F4") as keyboards print them: they are not translated and not here.
// Texts of at most one character are never looked up and are left out.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "configurator/model/button_functions.h"
#include "configurator/model/macro_editor.h"
#include "configurator/model/macro_events.h"
#include "formats/translation_table.h"
#include "formats/utf16_text.h"
#include "sim/state_text.h"  // its UTF-8 encoder, for readable failure messages

namespace {

namespace fs = std::filesystem;
using tessel::formats::formatConversions;
using Texts = std::set<std::u16string>;

const fs::path kSource = TESSEL_SOURCE_DIR;

// Literals of configurator/app and tray/ that are not shown through translation.
const Texts kNotTranslated = {
    // window classes, titles, messages and mutexes other programs find the programs by
    u"Kavix_Tessel_Tray", u"Kavix Tessel Tray", u"KXIconCreated98", u"TaskbarCreated",
    u"TesselConfigurator", u"Local\\KavixTesselTray", u"memu_Marlo_2", u"Static",
    // program and library files, command lines, shell verbs, the component's name
    u"KavixTesselTray.exe", u"KavixTesselTray.exe /r", u"TesselCfg.exe", u"lhc.exe", u"wtsapi32.dll",
    u"OPEN", u"open", u"Server.DeviceEnumeration",
    // registry values and device ids
    u"Translation", u"VID_7A3C", u"PID_0013",
    // paths: the manuals' folder (the English manual when no language is chosen) and separators
    u"Translations\\Manuals\\", u"\\index.html", u"English", u"\\/",
    // file patterns and extensions of the file dialogs
    u"*.Exe", u"*.kxm", u"*.kxp", u"exe", u"kxm", u"kxp",
    // the embedded face's name
    u"Play",
    // numbers and separators put between translated texts, version placeholders
    u"%u", u":\t", u"0.0", u"0.00", u"\n%hs%ls%ls (0x%08lX)",
    // the tray's tooltip comes from its own table, one text per language
    u"Kavix Tessel Configurator", u"Programme de configuration de Kavix Tessel",
    u"Configurateur Tessel Kavix", u"Kavix Tessel-Konfigurationsprogramm",
    u"Kavix Tessel \uAD6C\uC131 \uD504\uB85C\uADF8\uB7A8", u"Kavix Tessel \u914D\u7F6E\u5668",
    u"Kavix Tessel \u8A2D\u5B9A\u7A0B\u5F0F",
    u"\u041A\u043E\u043D\u0444\u0438\u0433\u0443\u0440\u0430\u0442\u043E\u0440 Kavix Tessel",
};

void addCodePoint(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
}

// Plain UTF-8 of a source file to code points.
std::u16string fromUtf8(std::string_view text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        const int length = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? b : b & (0x3F >> (length - 1));
        for (int k = 1; k < length && i + k < text.size(); ++k) c = (c << 6) | (text[i + k] & 0x3F);
        addCodePoint(out, c);
        i += length;
    }
    return out;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A text as the failure message shows it: escapes of the translation file, quoted.
std::string shown(std::u16string_view text) { return "\"" + tessel::sim::toUtf8(tessel::formats::escapeTranslation(text)) + "\""; }

// --- the scanner of C++ sources ---

struct Token {
    enum Kind { word, punctuation, wideText, otherText } kind;
    std::u16string text;  // the word, the punctuation character or the literal's value
};

// The escapes of a literal's body undone.
std::u16string unescapeLiteral(std::string_view body) {
    std::u16string out;
    for (std::size_t i = 0; i < body.size();) {
        if (body[i] != '\\') {
            std::size_t next = i + 1;
            while (next < body.size() && body[next] != '\\') ++next;
            out += fromUtf8(body.substr(i, next - i));
            i = next;
            continue;
        }
        const char e = i + 1 < body.size() ? body[i + 1] : '\\';
        i += 2;
        auto hex = [&](std::size_t digits) {
            char32_t c = 0;
            for (std::size_t k = 0; k < digits && i < body.size() && std::isxdigit(static_cast<unsigned char>(body[i])); ++k, ++i)
                c = c * 16 + static_cast<char32_t>(std::stoi(std::string(1, body[i]), nullptr, 16));
            addCodePoint(out, c);
        };
        switch (e) {
        case 'n': out += u'\n'; break;
        case 't': out += u'\t'; break;
        case 'r': out += u'\r'; break;
        case '0': out += u'\0'; break;
        case 'x': hex(4); break;
        case 'u': hex(4); break;
        case 'U': hex(8); break;
        default: out += static_cast<char16_t>(e); break;
        }
    }
    return out;
}

// Words, punctuation and string literals of a C++ source; comments, preprocessor lines and
// character literals are skipped, and adjacent string literals become one.
std::vector<Token> tokenize(std::string_view source) {
    std::vector<Token> tokens;
    bool lineStart = true;
    for (std::size_t i = 0; i < source.size();) {
        const char c = source[i];
        if (c == '\n') {
            lineStart = true;
            ++i;
            continue;
        }
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
            continue;
        }
        if (lineStart && c == '#') {  // a directive, with its continuation lines
            while (i < source.size() && source[i] != '\n') i += source[i] == '\\' ? 2 : 1;
            continue;
        }
        lineStart = false;
        if (source.substr(i, 2) == "//") {
            i = source.find('\n', i);
            if (i == std::string_view::npos) break;
            continue;
        }
        if (source.substr(i, 2) == "/*") {
            const std::size_t end = source.find("*/", i + 2);
            i = end == std::string_view::npos ? source.size() : end + 2;
            continue;
        }
        if (c == '\'') {
            for (++i; i < source.size() && source[i] != '\''; ++i)
                if (source[i] == '\\') ++i;
            ++i;
            continue;
        }
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') {
            std::size_t end = i;
            while (end < source.size() && (std::isalnum(static_cast<unsigned char>(source[end])) || source[end] == '_')) ++end;
            const std::string_view word = source.substr(i, end - i);
            if (end < source.size() && (source[end] == '"' || source[end] == '\'') &&
                (word == "L" || word == "u" || word == "U" || word == "u8")) {
                if (source[end] == '\'') {  // a character literal with a prefix
                    i = end;
                    continue;
                }
                i = end;  // the literal follows, read below with its prefix
                const bool wide = word == "L" || word == "u";
                std::size_t close = i + 1;
                while (close < source.size() && source[close] != '"') close += source[close] == '\\' ? 2 : 1;
                const std::u16string value = unescapeLiteral(source.substr(i + 1, close - i - 1));
                const Token::Kind kind = wide ? Token::wideText : Token::otherText;
                if (!tokens.empty() && tokens.back().kind == kind) tokens.back().text += value;
                else tokens.push_back({kind, value});
                i = close + 1;
                continue;
            }
            tokens.push_back({Token::word, fromUtf8(word)});
            i = end;
            continue;
        }
        if (c == '"') {
            std::size_t close = i + 1;
            while (close < source.size() && source[close] != '"') close += source[close] == '\\' ? 2 : 1;
            const std::u16string value = unescapeLiteral(source.substr(i + 1, close - i - 1));
            if (!tokens.empty() && tokens.back().kind == Token::otherText) tokens.back().text += value;
            else tokens.push_back({Token::otherText, value});
            i = close + 1;
            continue;
        }
        tokens.push_back({Token::punctuation, std::u16string(1, static_cast<char16_t>(c))});
        ++i;
    }
    return tokens;
}

// Every wide literal of a source.
Texts wideLiterals(std::string_view source) {
    Texts texts;
    for (const Token& token : tokenize(source))
        if (token.kind == Token::wideText) texts.insert(token.text);
    return texts;
}

// The wide literals inside the parentheses of each call of `function`.
Texts literalsOfCalls(std::string_view source, std::u16string_view function) {
    Texts texts;
    const std::vector<Token> tokens = tokenize(source);
    for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
        if (tokens[i].kind != Token::word || tokens[i].text != function || tokens[i + 1].text != u"(") continue;
        int depth = 0;
        for (std::size_t k = i + 1; k < tokens.size(); ++k) {
            if (tokens[k].kind == Token::punctuation && tokens[k].text == u"(") ++depth;
            if (tokens[k].kind == Token::punctuation && tokens[k].text == u")" && --depth == 0) break;
            if (tokens[k].kind == Token::wideText) texts.insert(tokens[k].text);
        }
    }
    return texts;
}

// Menu items, string table entries and LTEXT texts of a resource script.
Texts resourceTexts(std::string_view script) {
    Texts texts;
    static const std::regex item(R"(^\s*(MENUITEM|LTEXT)\s+"((?:[^"]|"")*)\")");
    static const std::regex entry(R"(^\s*\w+\s+"((?:[^"]|"")*)\")");
    std::istringstream lines{std::string(script)};
    std::string line;
    bool inStringTable = false;
    auto text = [](std::string quoted) {  // "" stands for one quote in a resource script
        for (std::size_t at = 0; (at = quoted.find("\"\"", at)) != std::string::npos; ++at) quoted.erase(at, 1);
        return fromUtf8(quoted);
    };
    while (std::getline(lines, line)) {
        std::smatch match;
        if (line.rfind("STRINGTABLE", 0) == 0) inStringTable = true;
        else if (inStringTable && line.rfind("END", 0) == 0) inStringTable = false;
        else if (std::regex_search(line, match, item)) texts.insert(text(match[2]));
        else if (inStringTable && std::regex_search(line, match, entry)) texts.insert(text(match[1]));
    }
    return texts;
}

std::vector<fs::path> sourcesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file() && (entry.path().extension() == ".cpp" || entry.path().extension() == ".h"))
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

Texts modelTexts() {
    using namespace tessel::cfg;
    Texts texts;
    for (int f = 0; f < kFunctionCount; ++f) texts.emplace(functionName(static_cast<ButtonFunction>(f)));
    for (int event = 1; !mouseEventName(event).empty(); ++event)
        for (bool down : {true, false}) texts.insert(rowText(KeyRow::mouse(event, down)));
    for (std::u16string_view name : basicCommandNames()) texts.emplace(name);
    for (std::u16string_view name : additionalCommandNames()) texts.emplace(name);
    return texts;
}

Texts inventory() {
    Texts texts;
    for (const fs::path& folder : {kSource / "configurator/app", kSource / "tray"})
        for (const fs::path& file : sourcesIn(folder)) texts.merge(wideLiterals(readFile(file)));
    std::erase_if(texts, [](const std::u16string& text) { return kNotTranslated.contains(text); });
    for (const fs::path& file : sourcesIn(kSource / "controls")) texts.merge(literalsOfCalls(readFile(file), u"KitText"));
    texts.merge(resourceTexts(readFile(kSource / "configurator/app/TesselCfg.rc")));
    texts.merge(modelTexts());
    std::erase_if(texts, [](const std::u16string& text) { return text.size() <= 1; });
    return texts;
}

struct ShippedLanguage {
    std::string name;
    fs::path file;  // in the source tree
};

// translations/languages.txt: NAME|FILE|DEFAULT FONT|FONT, FILE below the installation folder.
std::vector<ShippedLanguage> shippedLanguages(std::vector<std::string>& problems) {
    std::vector<ShippedLanguage> languages;
    std::istringstream lines(readFile(kSource / "translations/languages.txt"));
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> fields;
        std::istringstream parts(line);
        for (std::string field; std::getline(parts, field, '|');) fields.push_back(field);
        if (fields.size() != 4 || fields[0].empty() || fields[2].empty() || fields[3].empty()) {
            problems.push_back("languages.txt: NAME|FILE|DEFAULT FONT|FONT expected: " + line);
            continue;
        }
        // The name is the folder of the language's manual.
        if (fields[0].find_first_of("\\/:*?\"<>|") != std::string::npos || fields[0].back() == '.' ||
            fields[0].back() == ' ')
            problems.push_back("languages.txt: not a folder name: " + fields[0]);
        std::string file = fields[1];
        std::replace(file.begin(), file.end(), '\\', '/');
        constexpr std::string_view folder = "Translations/";
        if (file.rfind(folder, 0) != 0) {
            problems.push_back("languages.txt: " + fields[0] + "'s file is not below Translations\\: " + fields[1]);
            continue;
        }
        languages.push_back({fields[0], kSource / "translations" / file.substr(folder.size())});
    }
    return languages;
}

// What a translation file lacks or gets wrong against the inventory.
std::vector<std::string> problemsOf(const ShippedLanguage& language, const Texts& texts) {
    std::vector<std::string> problems;
    const std::string bytes = readFile(language.file);
    if (bytes.empty()) return {language.name + ": no translation file " + language.file.string()};
    std::map<std::u16string, std::u16string> table;
    for (auto& [source, translation] : tessel::formats::readTranslations(tessel::formats::decodeUtf16le(bytes))) {
        if (!table.emplace(source, translation).second)
            problems.push_back(language.name + ": text twice in the file: " + shown(source));
    }
    for (const std::u16string& text : texts) {
        const auto found = table.find(text);
        if (found == table.end() || found->second.empty() || found->second.find(u"NOT TRANSLATED YET") != std::u16string::npos)
            problems.push_back(language.name + ": not translated: " + shown(text));
    }
    for (const auto& [source, translation] : table) {
        if (!texts.contains(source))
            problems.push_back(language.name + ": not a text of the programs: " + shown(source));
        else if (formatConversions(source) != formatConversions(translation))
            problems.push_back(language.name + ": conversions differ from the source's: " + shown(source) + " -> " +
                               shown(translation));
    }
    return problems;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

// --- the scanner itself ---

TEST(TranslationInventory, WideLiteralsAreJoinedUnescapedAndFoundOutsideComments) {
    const Texts texts = wideLiterals(
        "#include \"x.h\"\n"
        "// tr(L\"in a comment\")\n"
        "/* L\"in a block\" */ auto a = tr(L\"First \" /* gap */ L\"second\");\n"
        "auto b = u\"\\u00D7 line\\nbreak \\\"quoted\\\"\"; char c = '\"'; auto d = \"narrow\";\n"
        "auto e = L'x'; auto f = L\"after\";\n");
    EXPECT_EQ(texts, (Texts{u"First second", u"\u00D7 line\nbreak \"quoted\"", u"after"}));
}

TEST(TranslationInventory, KitTextsAreTheLiteralsOfItsCalls) {
    EXPECT_EQ(literalsOfCalls("f(L\"no\"); KitText(on ? L\"On\" : g(L\"Off\")); swprintf(t, KitText(L\"%d s\").c_str(), L\"x\");",
                              u"KitText"),
              (Texts{u"On", u"Off", u"%d s"}));
}

TEST(TranslationInventory, ResourceTextsAreMenuItemsStringsAndStaticTexts) {
    const Texts texts = resourceTexts(
        "STRINGTABLE\nBEGIN\n  IDS_ABOUTBOX \"&About...\"\nEND\n"
        "IDD_X DIALOGEX 0, 0, 1, 1\nFONT 10, \"Play\"\nBEGIN\n"
        "  CONTROL \"marker\", 1, \"Button\", 0, 0, 0, 1, 1\n  LTEXT \"Say \"\"hi\"\"\", 2, 0, 0, 1, 1\nEND\n"
        "IDR_M MENU\nBEGIN\n  POPUP \"Popup\"\n  BEGIN\n    MENUITEM \"Preview\", 3\n  END\nEND\n");
    EXPECT_EQ(texts, (Texts{u"&About...", u"Say \"hi\"", u"Preview"}));
}

TEST(TranslationInventory, CoversEveryKindOfSource) {
    const Texts texts = inventory();
    for (const std::u16string& text :
         {u"OK", u"Load Tessel Configurator", u"X:%d Y:%d", u"Press a key", u"%.03f sec delay", u"Preview",
          u"&About Tessel Config Application...", u"Click", u"Left Button Down", u"Swap Windows",
          u"Kavix Tessel Unplugged! Please connect it to the PC using the USB cable or click Cancel to close the "
          u"Configuration Tool."})
        EXPECT_TRUE(texts.contains(text)) << shown(text);
    for (const std::u16string& text : {u"LShift", u"F4", u"Kavix_Tessel_Tray", u"memu_Marlo_2", u"Play"})
        EXPECT_FALSE(texts.contains(text)) << shown(text);
}

// --- the shipped files ---

TEST(TranslationInventory, EveryShippedFileTranslatesEveryText) {
    std::vector<std::string> problems;
    const std::vector<ShippedLanguage> languages = shippedLanguages(problems);
    EXPECT_FALSE(languages.empty()) << "no languages in translations/languages.txt";
    const Texts texts = inventory();
    for (const ShippedLanguage& language : languages) {
        const std::vector<std::string> found = problemsOf(language, texts);
        problems.insert(problems.end(), found.begin(), found.end());
    }
    EXPECT_TRUE(problems.empty()) << problems.size() << " problems:\n" << joined(problems);
}

}  // namespace
