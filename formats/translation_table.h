#pragma once
// The translation table: every text a program shows passes through it. It is filled once from
// the selected language's translation file (UTF-16; lines alternate between a source text and
// its translation) and may be used from several threads at once.
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "formats/file_system.h"

namespace tessel::formats {

class TranslationTable {
public:
    // `path` is the translation file; empty when the language has none, and texts then stay as
    // they are. With `appendMissing` (the translators' mode) texts the file lacks are appended
    // to it and their placeholders shown.
    TranslationTable(FileSystem& files, std::u16string path, bool appendMissing);

    std::u16string translate(std::u16string_view source);
    // For a text used as a printf-style format: the translation only when it has the very
    // conversions of the source, in the same order; otherwise the source.
    std::u16string translateFormat(std::u16string_view source);

private:
    void load();
    void append(std::u16string_view source, std::u16string_view translation);

    FileSystem& files_;
    const std::u16string path_;
    const bool appendMissing_;
    std::mutex lock_;
    bool loaded_ = false;
    std::unordered_map<std::u16string, std::u16string> texts_;
    unsigned missing_ = 0;
};

// The pairs of a translation file's text, escapes undone; the first pair of a source counts.
std::vector<std::pair<std::u16string, std::u16string>> readTranslations(std::u16string_view text);
// One text as a line of the file: line feed as "|", carriage return as "*", asterisk as "^".
std::u16string escapeTranslation(std::u16string_view text);
std::u16string unescapeTranslation(std::u16string_view line);

// The conversion specifications of a printf-style format ("%%" is none), in order.
std::vector<std::u16string_view> formatConversions(std::u16string_view format);

}  // namespace tessel::formats
