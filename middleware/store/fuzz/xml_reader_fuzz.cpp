// The exchange-file reader on arbitrary bytes: opening, reading every item of every kind, and
// writing back. A file that reads and writes must read back to the very same bytes.
#include <cstdint>
#include <string>
#include <string_view>

#include "middleware/store/xml_items.h"

using namespace tessel::store;

namespace {

void readItems(const XmlExchangeFile& file) {
    for (std::size_t k = 0; k < kXmlKindCount; ++k) {
        const auto kind = static_cast<XmlKind>(k);
        std::vector<std::u16string> names;
        if (file.names(kind, file.count(kind), names) != tessel::hr::ok) __builtin_trap();
        for (const auto& name : names) {
            const XmlItem* item = file.find(kind, name);
            if (!item) __builtin_trap();
            Profile profile;
            Macro macro;
            UserAction action;
            std::vector<std::u16string> members;
            switch (kind) {
                case XmlKind::profileGroup:
                case XmlKind::spellBook:
                    readListItem(kind, *item, members);
                    break;
                case XmlKind::profile:
                    readProfileItem(*item, profile);
                    break;
                case XmlKind::macro:
                    readMacroItem(*item, macro);
                    break;
                case XmlKind::userAction:
                    readUserActionItem(*item, action);
                    break;
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    XmlExchangeFile file;
    if (tessel::hr::failed(file.parse(bytes, u"KavixControl_7E58"))) return 0;
    readItems(file);
    std::string written;
    if (tessel::hr::failed(file.serialize(written))) return 0;
    XmlExchangeFile reread;
    std::string rewritten;
    if (tessel::hr::failed(reread.parse(written, u"KavixControl_7E58")) ||
        tessel::hr::failed(reread.serialize(rewritten)) || rewritten != written)
        __builtin_trap();
    return 0;
}
