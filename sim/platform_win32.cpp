#include "sim/platform.h"

#include <windows.h>
#include <shellapi.h>

#include <memory>

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

// The narrow argv holds the arguments in the ANSI code page; the wide command line has them all.
std::vector<std::string> arguments(int, char**) {
    int count = 0;
    const std::unique_ptr<LPWSTR, decltype(&LocalFree)> wide(CommandLineToArgvW(GetCommandLineW(), &count), LocalFree);
    std::vector<std::string> out;
    for (int i = 1; wide && i < count; ++i) out.push_back(toUtf8(reinterpret_cast<const char16_t*>(wide.get()[i])));
    return out;
}

std::optional<std::string> environment(const char* name) {
    const std::u16string wideName = toUtf16(name);
    const DWORD size = GetEnvironmentVariableW(reinterpret_cast<LPCWSTR>(wideName.c_str()), nullptr, 0);
    if (size == 0) return std::nullopt;
    std::u16string value(size, u'\0');
    const DWORD length = GetEnvironmentVariableW(reinterpret_cast<LPCWSTR>(wideName.c_str()),
                                                 reinterpret_cast<LPWSTR>(value.data()), size);
    value.resize(length);
    return toUtf8(value);
}

}  // namespace tessel::sim::platform
