#include "tray/auto_activation.h"

#include <windows.h>

#include "tray/tray_texts.h"

namespace tessel::tray {

bool sameProgramName(std::wstring_view a, std::wstring_view b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

std::optional<size_t> AutoActivation::forForeground(std::wstring_view program, const TrayProfileList& profiles) {
    if (program.empty()) return std::nullopt;
    for (size_t index = 0; index < profiles.size(); ++index) {
        if (!sameProgramName(wide(profiles[index].settings.executable), program)) continue;
        if (sameProgramName(last_, program)) return std::nullopt;
        last_ = program;
        if (!profiles[index].settings.autoload) return std::nullopt;
        return index;
    }
    return std::nullopt;
}

void AutoActivation::activated(const TrayProfileEntry& entry) { last_ = wide(entry.settings.executable); }

}  // namespace tessel::tray
