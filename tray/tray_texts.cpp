#include "tray/tray_texts.h"

#include <array>

namespace tessel::tray {

std::wstring_view tooltipText(std::uint32_t language) {
    static constexpr std::array<std::wstring_view, kTooltipLanguages> kTooltips = {
        L"Kavix Tessel Configurator",
        L"Programme de configuration de Kavix Tessel",
        L"Configurateur Tessel Kavix",
        L"Kavix Tessel-Konfigurationsprogramm",
        L"Kavix Tessel \uAD6C\uC131 \uD504\uB85C\uADF8\uB7A8",  // 구성 프로그램
        L"Kavix Tessel \u914D\u7F6E\u5668",
        L"Kavix Tessel \u8A2D\u5B9A\u7A0B\u5F0F",
        L"\u041A\u043E\u043D\u0444\u0438\u0433\u0443\u0440\u0430\u0442\u043E\u0440 Kavix Tessel",
        L"Kavix Tessel Configurator",
    };
    return kTooltips[language < kTooltips.size() ? language : 0];
}

TrayTexts::TrayTexts(store::RegistryPort& registry) : registry_(registry) { reread(); }

void TrayTexts::reread() {
    settings_ = formats::readInstallSettings(registry_, formats::LanguageValues::withoutFonts);
}

formats::TranslationTable& TrayTexts::table() {
    // The tray never adds to a translation file: that is the translators' mode of the
    // configurator.
    if (!table_) table_ = std::make_unique<formats::TranslationTable>(files_, settings_.translationPath(), false);
    return *table_;
}

std::wstring TrayTexts::translate(std::wstring_view source) { return wide(table().translate(utf16(source))); }

std::wstring TrayTexts::translateFormat(std::wstring_view source) {
    return wide(table().translateFormat(utf16(source)));
}

std::wstring TrayTexts::installDir() const { return wide(settings_.installDir); }

}  // namespace tessel::tray
