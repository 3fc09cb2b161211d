#include "tray/tray_menu.h"

#include <algorithm>

#include "tray/resource.h"
#include "tray/tray_texts.h"

namespace tessel::tray {

HMENU loadTrayMenu(HINSTANCE instance, const std::vector<std::wstring>& names, TrayTexts& texts) {
    HMENU resource = LoadMenuW(instance, MAKEINTRESOURCEW(IDR_TRAY_MENU));
    if (!resource) return nullptr;
    HMENU menu = GetSubMenu(resource, 0);
    // Detached from its bar, the popup outlives the template.
    RemoveMenu(resource, 0, MF_BYPOSITION);
    DestroyMenu(resource);

    for (UINT id = ID_OTFS_ON; id <= ID_HIDDEN_LAST; ++id) RemoveMenu(menu, id, MF_BYCOMMAND);
    const size_t shown = std::min<size_t>(names.size(), ID_PROFILE_LAST - ID_PROFILE_FIRST + 1);
    if (shown > 0) {
        InsertMenuW(menu, 1, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
        for (size_t i = 0; i < shown; ++i) {
            const UINT id = static_cast<UINT>(ID_PROFILE_FIRST + i);
            ModifyMenuW(menu, id, MF_BYCOMMAND | MF_STRING | MF_ENABLED, id, names[i].c_str());
        }
        for (UINT id = static_cast<UINT>(ID_PROFILE_FIRST + shown); id <= ID_PROFILE_LAST; ++id)
            RemoveMenu(menu, id, MF_BYCOMMAND);
        // After the last profile, before "Close Tray Icon".
        InsertMenuW(menu, ID_CLOSE_TRAY, MF_BYCOMMAND | MF_SEPARATOR, 0, nullptr);
    } else {
        RemoveMenu(menu, ID_LOAD_CONFIGURATOR, MF_BYCOMMAND);
        for (UINT id = ID_PROFILE_FIRST; id <= ID_PROFILE_LAST; ++id) RemoveMenu(menu, id, MF_BYCOMMAND);
    }
    const std::wstring load = texts.translate(L"Load Tessel Configurator");
    const std::wstring close = texts.translate(L"Close Tray Icon");
    ModifyMenuW(menu, ID_LOAD_CONFIGURATOR, MF_BYCOMMAND | MF_STRING | MF_ENABLED, ID_LOAD_CONFIGURATOR, load.c_str());
    ModifyMenuW(menu, ID_CLOSE_TRAY, MF_BYCOMMAND | MF_STRING | MF_ENABLED, ID_CLOSE_TRAY, close.c_str());
    return menu;
}

}  // namespace tessel::tray
