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

[[noreturn]] void fail(const std::string& what, const std::string& path) {
    throw StateError("cannot " + what + " " + path + ": system error " + std::to_string(GetLastError()));
}

HANDLE asHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

OVERLAPPED at(std::uint64_t offset) {
    OVERLAPPED position{};
    position.Offset = static_cast<DWORD>(offset);
    position.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return position;
}

}  // namespace

// Other processes may open the file meanwhile; they wait in LockFileEx until this one is done.
LockedFile::LockedFile(const std::string& path) : path_(path) {
    HANDLE file = CreateFileW(widePath(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) fail("open", path_);
    OVERLAPPED whole = at(0);
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) {
        const DWORD error = GetLastError();
        CloseHandle(file);
        SetLastError(error);
        fail("lock", path_);
    }
    handle_ = reinterpret_cast<std::intptr_t>(file);
}

LockedFile::~LockedFile() {
    OVERLAPPED whole = at(0);
    UnlockFileEx(asHandle(handle_), 0, MAXDWORD, MAXDWORD, &whole);
    CloseHandle(asHandle(handle_));
}

std::string LockedFile::read() {
    std::string text;
    char chunk[8192];
    for (;;) {
        OVERLAPPED position = at(text.size());
        DWORD got = 0;
        if (!ReadFile(asHandle(handle_), chunk, sizeof chunk, &got, &position)) {
            if (GetLastError() == ERROR_HANDLE_EOF) return text;
            fail("read", path_);
        }
        if (got == 0) return text;
        text.append(chunk, got);
    }
}

void LockedFile::write(const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
        OVERLAPPED position = at(done);
        DWORD put = 0;
        const DWORD size = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1u << 20));
        if (!WriteFile(asHandle(handle_), text.data() + done, size, &put, &position)) fail("write", path_);
        done += put;
    }
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(text.size());
    if (!SetFilePointerEx(asHandle(handle_), end, nullptr, FILE_BEGIN) || !SetEndOfFile(asHandle(handle_)))
        fail("write", path_);
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
