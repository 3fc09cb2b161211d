#include "formats/win32_file_system.h"

#include <windows.h>

#include <algorithm>

namespace tessel::formats {
namespace {

const wchar_t* wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { close(); }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    bool close() {
        const bool closed = !valid() || CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE handle_;
};

bool writeAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
        bytes.remove_prefix(written);
    }
    return FlushFileBuffers(file);
}

}  // namespace

bool Win32Files::read(const std::u16string& path, std::string& bytes) {
    FileHandle file(CreateFileW(wide(path), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > (1ll << 30)) return false;
    bytes.assign(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done),
                      &got, nullptr))
            return false;
        if (got == 0) break;
        done += got;
    }
    bytes.resize(done);
    return true;
}

bool Win32Files::replace(const std::u16string& path, std::string_view bytes) {
    const std::u16string parent = folderOf(path);
    wchar_t temporary[MAX_PATH];
    // Creates the temporary file with the folder's inherited security (no descriptor passed).
    if (!GetTempFileNameW(parent.empty() ? L"." : wide(parent), L"kx", 0, temporary)) return false;
    bool written = false;
    {
        FileHandle file(CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        written = file.valid() && writeAll(file.get(), bytes) && file.close();
    }
    if (written &&
        MoveFileExW(temporary, wide(path), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(temporary);
    return false;
}

bool Win32Files::remove(const std::u16string& path) {
    return DeleteFileW(wide(path)) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

std::vector<std::u16string> Win32Files::list(const std::u16string& folder) {
    std::vector<std::u16string> names;
    const std::u16string pattern = folder + u"\\*";
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(wide(pattern), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.emplace_back(reinterpret_cast<const char16_t*>(found.cFileName));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

}  // namespace tessel::formats
