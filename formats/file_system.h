#pragma once
// The files the exchange and translation formats live in, behind a small port: Win32Files on
// Windows, MemoryFiles for tests and for callers that hold files in memory. Paths use '\\'.
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tessel::formats {

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // The whole file; false when it is missing or cannot be read.
    virtual bool read(const std::u16string& path, std::string& bytes) = 0;
    // Replaces the file whole, creating it when missing: a temporary file in the same folder
    // takes the bytes and is then moved over the target, so a reader sees either the old or the
    // new file and a failure leaves the old one as it was.
    virtual bool replace(const std::u16string& path, std::string_view bytes) = 0;
    // Deletes the file; true also when there was none.
    virtual bool remove(const std::u16string& path) = 0;
    // The names of the files directly in `folder`.
    virtual std::vector<std::u16string> list(const std::u16string& folder) = 0;
};

// Files held in memory. A folder exists once a file in it exists or it was made with
// makeFolder; a held file cannot be replaced or removed, as a file another program keeps open
// without sharing deletion.
class MemoryFiles final : public FileSystem {
public:
    bool read(const std::u16string& path, std::string& bytes) override;
    bool replace(const std::u16string& path, std::string_view bytes) override;
    bool remove(const std::u16string& path) override;
    std::vector<std::u16string> list(const std::u16string& folder) override;

    void makeFolder(const std::u16string& folder) { folders_.insert(folder); }
    void hold(const std::u16string& path) { held_.insert(path); }
    void release(const std::u16string& path) { held_.erase(path); }

private:
    std::map<std::u16string, std::string> files_;
    std::set<std::u16string> folders_;
    std::set<std::u16string> held_;
};

// The folder part of a path (before the last '\\'), empty when there is none.
std::u16string folderOf(std::u16string_view path);

}  // namespace tessel::formats
