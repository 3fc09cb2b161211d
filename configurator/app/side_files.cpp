#include "configurator/app/side_files.h"

#include <windows.h>
#include <shlobj.h>

#include "configurator/model/model_exchange.h"

namespace tessel::cfgapp {

std::u16string CSideFiles::UserFolder() {
    wchar_t folder[MAX_PATH] = L"";
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) return {};
    return std::u16string(folder, folder + wcslen(folder));
}

void CSideFiles::Read(cfg::SettingsModel& model) const { cfg::readSideFiles(model, files_, folder_); }

bool CSideFiles::Write(const cfg::SettingsModel& model) const { return cfg::writeSideFiles(model, files_, folder_); }

}  // namespace tessel::cfgapp
