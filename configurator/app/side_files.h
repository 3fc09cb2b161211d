// The profile side files: what the mouse does not keep of a profile (its program, the automatic
// switch, the notices, the names of the profiles and macros its buttons reach), one exchange
// file per profile in the user's application-data folder. The tray reads them too.
#pragma once

#include <string>

#include "configurator/model/settings_model.h"
#include "formats/file_system.h"

namespace tessel::cfgapp {

class CSideFiles {
public:
    // `folder` without a trailing separator.
    CSideFiles(formats::FileSystem& files, std::u16string folder) : files_(files), folder_(std::move(folder)) {}

    // After the mouse was read: the switches, the program and missing links of each profile.
    void Read(cfg::SettingsModel& model) const;
    // After every write: one file per profile in list order; files beyond the count go.
    bool Write(const cfg::SettingsModel& model) const;

    // The user's application-data folder.
    static std::u16string UserFolder();

private:
    formats::FileSystem& files_;
    std::u16string folder_;
};

}  // namespace tessel::cfgapp
