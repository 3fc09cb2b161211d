#include "configurator/app/texts.h"

#include <atomic>

#include "formats/translation_table.h"
#include "skin_paint.h"

namespace tessel::cfgapp {

namespace {
std::atomic<formats::TranslationTable*> g_table{nullptr};

// Texts of one character (separators, digits) are never looked up.
template <class Lookup>
std::wstring lookUp(std::wstring_view source, Lookup lookup) {
    formats::TranslationTable* table = g_table.load();
    if (!table || source.size() <= 1) return std::wstring(source);
    return toWide((table->*lookup)(toU16(source)));
}
}  // namespace

void setTranslations(formats::TranslationTable* table) {
    g_table.store(table);
    // The control kit's own texts follow the same table.
    SetKitTextLookup(&trFormat);
}

std::wstring tr(std::wstring_view source) { return lookUp(source, &formats::TranslationTable::translate); }

std::wstring trFormat(std::wstring_view source) {
    return lookUp(source, &formats::TranslationTable::translateFormat);
}

std::wstring toWide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }
std::u16string toU16(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }

}  // namespace tessel::cfgapp
