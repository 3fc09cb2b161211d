// The tray's texts: the icon's tooltip from a table of its own, everything else through the
// translation table that the configurator uses, driven by the installation's settings.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "formats/install_settings.h"
#include "formats/translation_table.h"
#include "formats/win32_file_system.h"
#include "middleware/store/registry_port.h"

namespace tessel::tray {

inline constexpr int kTooltipLanguages = 9;
// The configurator's title in language `language`; the first row for a language without one.
std::wstring_view tooltipText(std::uint32_t language);

class TrayTexts {
public:
    explicit TrayTexts(store::RegistryPort& registry);

    // Reads the installation folder, the language and the language list again. The translation
    // table, once read, stays as it is for the life of the program.
    void reread();

    std::wstring translate(std::wstring_view source);
    // A printf-style format: the translation only when it keeps the source's conversions.
    std::wstring translateFormat(std::wstring_view source);
    std::wstring_view tooltip() const { return tooltipText(settings_.translation); }

    // The installation folder, ending in a separator; empty when not installed.
    std::wstring installDir() const;

private:
    formats::TranslationTable& table();

    store::RegistryPort& registry_;
    formats::InstallSettings settings_;
    formats::Win32Files files_;
    std::unique_ptr<formats::TranslationTable> table_;
};

// UTF-16 texts of the portable core as the wide strings of Windows (same size there).
inline std::wstring wide(std::u16string_view text) { return {text.begin(), text.end()}; }
inline std::u16string utf16(std::wstring_view text) { return {text.begin(), text.end()}; }

}  // namespace tessel::tray
