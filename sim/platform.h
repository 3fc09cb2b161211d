#pragma once
// The few things the simulator needs from the operating system: the state file held under an
// exclusive lock that other processes wait for, the process id, and the control tool's
// arguments. platform_win32.cpp and platform_posix.cpp implement them.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessel::sim::platform {

// The file at `path` (created empty if missing), opened and locked exclusively for the life of
// the object; every other process or thread that opens it waits. Throws StateError when the
// file cannot be opened, locked, read or written.
class LockedFile {
public:
    explicit LockedFile(const std::string& path);
    ~LockedFile();
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    std::string read();
    // Replaces the whole content in place.
    void write(const std::string& text);

private:
    std::string path_;
    std::intptr_t handle_;
};

std::uint32_t processId();

// The program's arguments after the program name, and an environment variable, as UTF-8.
std::vector<std::string> arguments(int argc, char** argv);
std::optional<std::string> environment(const char* name);

}  // namespace tessel::sim::platform
