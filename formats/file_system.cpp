#include "formats/file_system.h"

namespace tessel::formats {

std::u16string folderOf(std::u16string_view path) {
    const auto separator = path.rfind(u'\\');
    return separator == std::u16string_view::npos ? std::u16string()
                                                  : std::u16string(path.substr(0, separator));
}

bool MemoryFiles::read(const std::u16string& path, std::string& bytes) {
    const auto file = files_.find(path);
    if (file == files_.end()) return false;
    bytes = file->second;
    return true;
}

bool MemoryFiles::replace(const std::u16string& path, std::string_view bytes) {
    if (held_.count(path) || !folders_.count(folderOf(path))) return false;
    files_[path] = std::string(bytes);
    return true;
}

bool MemoryFiles::remove(const std::u16string& path) {
    if (held_.count(path)) return false;
    files_.erase(path);
    return true;
}

std::vector<std::u16string> MemoryFiles::list(const std::u16string& folder) {
    std::vector<std::u16string> names;
    for (const auto& [path, bytes] : files_)
        if (folderOf(path) == folder) names.push_back(path.substr(folder.size() + 1));
    return names;
}

}  // namespace tessel::formats
