#pragma once
// The installation's settings that the configurator and the tray both read at start: the
// installation folder and the languages with their translation files (HKEY_LOCAL_MACHINE
// "Software\\Kavix\\Kavix Tessel"). Registry input is outside input: strings that do not fit
// count as missing and an index beyond the languages read means the first language.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "middleware/store/registry_port.h"

namespace tessel::formats {

inline constexpr std::u16string_view kSettingsKey = u"Software\\Kavix\\Kavix Tessel";
inline constexpr int kMaxLanguages = 51;
// Strings are read into 260 characters with their terminator.
inline constexpr std::size_t kMaxSettingText = 259;

struct Language {
    std::u16string name;             // shown in the language menu; also the folder of its manual
    std::u16string translationFile;  // relative to the installation folder
    std::u16string defaultFont;      // face of the main font
    std::u16string font;             // face of the second font
};

struct InstallSettings {
    std::u16string installDir;          // ends in a path separator; empty when not installed
    std::uint32_t translation = 0;      // index into languages
    std::uint32_t translationMode = 0;  // non-zero: missing texts are appended to the file
    std::vector<Language> languages;
    std::u16string updateUrl;  // "UpdateUrl": the download page of the mouse's software

    // The selected language, if any was read.
    const Language* language() const { return translation < languages.size() ? &languages[translation] : nullptr; }

    // The selected language's translation file ("%s%s" of the folder and the file name);
    // empty, and translation off, when either is missing or the path would not fit.
    std::u16string translationPath() const;
};

enum class LanguageValues {
    withFonts,     // the configurator: a language needs its name, file and both faces
    withoutFonts,  // the tray: a language needs its name and file
};

// Reads the settings below `keyPath` of HKEY_LOCAL_MACHINE; a missing key gives the defaults.
// Languages are read from index 0 up to kMaxLanguages and stop at the first one missing a value.
InstallSettings readInstallSettings(store::RegistryPort& registry, LanguageValues values,
                                    std::u16string_view keyPath = kSettingsKey);

}  // namespace tessel::formats
