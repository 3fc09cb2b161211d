#include "sim/platform.h"

#include <windows.h>

#include "sim/state_text.h"

namespace tessel::sim::platform {

namespace {

std::wstring widePath(const std::string& path) {
    const std::u16string text = toUtf16(path);
    return std::wstring(text.begin(), text.end());
}

std::string systemMessage(DWORD error) { return "system error " + std::to_string(error); }

}  // namespace

FileLock::FileLock(const std::string& path) {
    HANDLE file = CreateFileW(widePath(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw StateError("cannot open " + path + ": " + systemMessage(GetLastError()));
    OVERLAPPED whole{};
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) {
        const DWORD error = GetLastError();
        CloseHandle(file);
        throw StateError("cannot lock " + path + ": " + systemMessage(error));
    }
    handle_ = reinterpret_cast<std::intptr_t>(file);
}

FileLock::~FileLock() {
    HANDLE file = reinterpret_cast<HANDLE>(handle_);
    OVERLAPPED whole{};
    UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &whole);
    CloseHandle(file);
}

bool replaceFile(const std::string& from, const std::string& to) {
    return MoveFileExW(widePath(from).c_str(), widePath(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

std::uint32_t processId() { return GetCurrentProcessId(); }

}  // namespace tessel::sim::platform
