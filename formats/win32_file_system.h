#pragma once
// The file system of Windows. New files get the default security of their folder.
#include "formats/file_system.h"

namespace tessel::formats {

class Win32Files final : public FileSystem {
public:
    bool read(const std::u16string& path, std::string& bytes) override;
    bool replace(const std::u16string& path, std::string_view bytes) override;
    bool remove(const std::u16string& path) override;
    std::vector<std::u16string> list(const std::u16string& folder) override;
};

}  // namespace tessel::formats
