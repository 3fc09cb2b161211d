#include "formats/translation_table.h"

#include "formats/utf16_text.h"

namespace tessel::formats {

namespace {
constexpr std::u16string_view kUntranslated = u"NOT TRANSLATED YET";
}

std::u16string escapeTranslation(std::u16string_view text) {
    std::u16string line(text);
    for (char16_t& c : line) c = c == u'\n' ? u'|' : c == u'\r' ? u'*' : c == u'*' ? u'^' : c;
    return line;
}

std::u16string unescapeTranslation(std::u16string_view line) {
    std::u16string text(line);
    for (char16_t& c : text) c = c == u'|' ? u'\n' : c == u'*' ? u'\r' : c == u'^' ? u'*' : c;
    return text;
}

std::vector<std::pair<std::u16string, std::u16string>> readTranslations(std::u16string_view text) {
    const auto lines = splitLines(text, {std::u16string::npos, true});
    std::vector<std::pair<std::u16string, std::u16string>> pairs;
    for (std::size_t i = 0; i + 1 < lines.size(); i += 2)
        pairs.emplace_back(unescapeTranslation(lines[i]), unescapeTranslation(lines[i + 1]));
    return pairs;
}

std::vector<std::u16string_view> formatConversions(std::u16string_view format) {
    constexpr std::u16string_view modifiers = u"-+ #0123456789.*hlLqjztIw";
    std::vector<std::u16string_view> conversions;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != u'%') continue;
        const std::size_t start = i++;
        if (i < format.size() && format[i] == u'%') continue;
        while (i < format.size() && modifiers.find(format[i]) != std::u16string_view::npos) ++i;
        conversions.push_back(format.substr(start, i + 1 - start));
    }
    return conversions;
}

TranslationTable::TranslationTable(FileSystem& files, std::u16string path, bool appendMissing)
    : files_(files), path_(std::move(path)), appendMissing_(appendMissing) {}

void TranslationTable::load() {
    loaded_ = true;
    std::string bytes;
    if (!files_.read(path_, bytes)) return;
    for (auto& [source, translation] : readTranslations(decodeUtf16le(bytes)))
        texts_.emplace(std::move(source), std::move(translation));
}

void TranslationTable::append(std::u16string_view source, std::u16string_view translation) {
    std::string bytes;
    if (!files_.read(path_, bytes)) bytes.clear();
    const std::string lineEnd = encodeUtf16le(u"\r\n");
    if (!bytes.empty() && !bytes.ends_with(lineEnd)) bytes += lineEnd;
    bytes += encodeUtf16le(escapeTranslation(source) + u"\r\n" + escapeTranslation(translation) +
                           u"\r\n");
    // A file that cannot be written only loses the reminder; the text is shown all the same.
    files_.replace(path_, bytes);
}

std::u16string TranslationTable::translate(std::u16string_view source) {
    if (path_.empty() || source.size() <= 1) return std::u16string(source);
    std::lock_guard<std::mutex> guard(lock_);
    if (!loaded_) load();
    const std::u16string key(source);
    if (const auto found = texts_.find(key); found != texts_.end()) {
        if (!appendMissing_ && found->second.find(kUntranslated) != std::u16string::npos)
            return key;
        return found->second;
    }
    const std::u16string placeholder =
        u"[" + decimalText(++missing_) + u"] " + std::u16string(kUntranslated) + u"\n";
    texts_.emplace(key, placeholder);
    if (!appendMissing_) return key;
    append(key, placeholder);
    return placeholder;
}

std::u16string TranslationTable::translateFormat(std::u16string_view source) {
    std::u16string translation = translate(source);
    if (formatConversions(translation) != formatConversions(source)) return std::u16string(source);
    return translation;
}

}  // namespace tessel::formats
