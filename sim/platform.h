#pragma once
// The few things the simulator needs from the operating system: a lock that excludes other
// processes, replacing a file in one step, the process id, and the control tool's arguments.
// platform_win32.cpp and platform_posix.cpp implement them.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessel::sim::platform {

// An exclusive lock on the file at `path` (created if missing), held for the life of the
// object. Throws StateError when the file cannot be opened or locked.
class FileLock {
public:
    explicit FileLock(const std::string& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    std::intptr_t handle_;
};

// Moves `from` over `to` in one step; false when the system refuses.
bool replaceFile(const std::string& from, const std::string& to);

std::uint32_t processId();

// The program's arguments after the program name, and an environment variable, as UTF-8.
std::vector<std::string> arguments(int argc, char** argv);
std::optional<std::string> environment(const char* name);

}  // namespace tessel::sim::platform
