// The icon's menu: the configurator, up to five profiles and the item that ends the tray.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tessel::tray {

class TrayTexts;

// The popup of menu resource 105 made ready to show for the profiles `names` (in list order;
// the first five are listed), with translated texts. The caller destroys it.
HMENU loadTrayMenu(HINSTANCE instance, const std::vector<std::wstring>& names, TrayTexts& texts);

}  // namespace tessel::tray
