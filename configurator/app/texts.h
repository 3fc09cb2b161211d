// Every text the configurator shows passes through the translation table of the selected
// language; these helpers reach it from any window of the program.
#pragma once

#include <cwchar>
#include <string>
#include <string_view>

namespace tessel::formats {
class TranslationTable;
}

namespace tessel::cfgapp {

// The table of the dialog's life; null leaves texts as they are.
void setTranslations(formats::TranslationTable* table);
std::wstring tr(std::wstring_view source);
// A printf-style format: the translation only when its conversions match the source's.
std::wstring trFormat(std::wstring_view source);

// A translated format filled in: the formats are the Windows ones ("%s" is a wide string), as
// translators write them. A text that does not fit is cut, never left open.
template <class... Args>
std::wstring trPrintf(std::wstring_view source, Args... args) {
    wchar_t text[512] = {};
    _snwprintf(text, 511, trFormat(source).c_str(), args...);
    return text;
}

std::wstring toWide(std::u16string_view text);
std::u16string toU16(std::wstring_view text);

}  // namespace tessel::cfgapp
