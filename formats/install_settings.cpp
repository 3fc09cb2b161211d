#include "formats/install_settings.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>

#include "formats/utf16_text.h"

namespace tessel::formats {
namespace {

std::optional<std::u16string> stringValue(store::RegistryKey& key, const std::u16string& name) {
    std::array<std::uint8_t, 2 * (kMaxSettingText + 1)> buffer{};
    std::uint32_t type = store::regtype::none;
    auto size = static_cast<std::uint32_t>(buffer.size());
    if (key.queryValue(name, type, buffer.data(), size) != 0 || type != store::regtype::string)
        return std::nullopt;
    // Stored strings need not end in a terminator: the text ends at the first one or at the
    // value's end.
    std::u16string text = decodeUtf16le(std::string_view(
        reinterpret_cast<const char*>(buffer.data()), std::min<std::size_t>(size, buffer.size())));
    if (const auto end = text.find(u'\0'); end != std::u16string::npos) text.resize(end);
    if (text.size() > kMaxSettingText) return std::nullopt;
    return text;
}

std::optional<std::uint32_t> numberValue(store::RegistryKey& key, const std::u16string& name) {
    std::array<std::uint8_t, 4> buffer{};
    std::uint32_t type = store::regtype::none;
    std::uint32_t size = buffer.size();
    if (key.queryValue(name, type, buffer.data(), size) != 0 || type != store::regtype::dword ||
        size != buffer.size())
        return std::nullopt;
    return buffer[0] | buffer[1] << 8 | buffer[2] << 16 |
           static_cast<std::uint32_t>(buffer[3]) << 24;
}

}  // namespace

std::u16string InstallSettings::translationPath() const {
    if (installDir.empty() || translation >= languages.size()) return {};
    const std::u16string& file = languages[translation].translationFile;
    if (file.empty() || installDir.size() + file.size() > kMaxSettingText) return {};
    return installDir + file;
}

InstallSettings readInstallSettings(store::RegistryPort& registry, LanguageValues values,
                                    std::u16string_view keyPath) {
    InstallSettings settings;
    std::unique_ptr<store::RegistryKey> key;
    if (registry.openRoot(store::RegistryRoot::localMachine)
            ->openKeyToRead(std::u16string(keyPath), key) != 0)
        return settings;
    settings.installDir = stringValue(*key, u"InstallDir").value_or(u"");
    settings.translation = numberValue(*key, u"Translation").value_or(0);
    settings.translationMode = numberValue(*key, u"TranslationMode").value_or(0);
    settings.updateUrl = stringValue(*key, u"UpdateUrl").value_or(u"");
    for (int n = 0; n < kMaxLanguages; ++n) {
        const std::u16string index = decimalText(n);
        auto name = stringValue(*key, u"Language" + index);
        auto file = stringValue(*key, u"TranslationFile" + index);
        if (!name || !file) break;
        Language language{std::move(*name), std::move(*file), {}, {}};
        if (values == LanguageValues::withFonts) {
            auto defaultFont = stringValue(*key, u"TranslationDefaultFont" + index);
            auto font = stringValue(*key, u"TranslationFont" + index);
            if (!defaultFont || !font) break;
            language.defaultFont = std::move(*defaultFont);
            language.font = std::move(*font);
        }
        settings.languages.push_back(std::move(language));
    }
    if (settings.translation >= settings.languages.size()) settings.translation = 0;
    return settings;
}

}  // namespace tessel::formats
