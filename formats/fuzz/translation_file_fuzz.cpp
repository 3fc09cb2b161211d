// The translation file on arbitrary bytes: every source text of the file looked up, in both
// modes. A text used as a format never comes back with other conversions than its source's.
#include <cstdint>
#include <string_view>

#include "formats/translation_table.h"
#include "formats/utf16_text.h"

using namespace tessel::formats;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::u16string path = u"C:\\Translations\\file.txt";
    const auto pairs = readTranslations(decodeUtf16le(bytes));
    for (bool append : {false, true}) {
        MemoryFiles files;
        files.makeFolder(u"C:\\Translations");
        files.replace(path, bytes);
        TranslationTable table(files, path, append);
        for (const auto& pair : pairs) {
            const std::u16string& source = pair.first;
            if (formatConversions(table.translateFormat(source)) != formatConversions(source))
                __builtin_trap();
        }
        table.translate(u"A text the file may lack");
        std::string after;
        if (append && (!files.read(path, after) || after.size() < bytes.size())) __builtin_trap();
    }
    return 0;
}
