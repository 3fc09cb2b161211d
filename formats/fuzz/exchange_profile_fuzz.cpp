// The profile reader on arbitrary bytes, in import and in merge mode. A profile once imported
// writes a file that imports to the very same profile.
#include <cstdint>
#include <string_view>

#include "formats/exchange_file.h"
#include "formats/utf16_text.h"

using namespace tessel::formats;

namespace {

class Lookup final : public ExchangeLookup {
public:
    std::optional<std::u16string> profileName(std::int32_t number) const override {
        if (number == 2) return u"Second";
        return std::nullopt;
    }
    std::optional<std::u16string> macroName(std::int32_t id) const override {
        if (id == 7) return u"Seventh";
        return std::nullopt;
    }
    std::optional<ExchangeMacro> macro(std::u16string_view) const override { return std::nullopt; }
};

std::u16string imported(std::u16string_view text, const ExchangeLookup& lookup) {
    const auto blocks = readProfileBlocks(text);
    if (blocks.empty()) return {};
    ExchangeProfile profile;  // a new profile has the default functions
    for (int slot = 0; slot < kButtonCount; ++slot) profile.mappings[slot] = defaultMapping(slot);
    importInto(blocks.front(), profile);
    return profileBlockText(profile, lookup);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string text =
        decodeUtf16le(std::string_view(reinterpret_cast<const char*>(data), size));
    const Lookup lookup;

    const std::u16string once = imported(text, lookup);
    if (!once.empty() && imported(once, lookup) != once) __builtin_trap();

    ExchangeProfile existing;
    existing.mappings[0] = {1, 1, 0, {5, 0, 2}};
    existing.mappings[2] = {3, 2, 5, {7, 1, 0}};
    mergeProfiles(
        text, {}, [&](const std::u16string&) { return &existing; }, lookup);
    if (existing.mappings[0].info[2] != 2 || existing.mappings[2].info[0] != 7) __builtin_trap();
    return 0;
}
