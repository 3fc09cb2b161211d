#include "sim/platform.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>

#include "sim/state_text.h"

namespace tessel::sim::platform {

FileLock::FileLock(const std::string& path) : handle_(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666)) {
    if (handle_ < 0) throw StateError("cannot open " + path + ": " + std::strerror(errno));
    int result;
    do {
        result = ::flock(static_cast<int>(handle_), LOCK_EX);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        const int error = errno;
        ::close(static_cast<int>(handle_));
        throw StateError("cannot lock " + path + ": " + std::strerror(error));
    }
}

FileLock::~FileLock() { ::close(static_cast<int>(handle_)); }  // closing releases the lock

bool replaceFile(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

std::uint32_t processId() { return static_cast<std::uint32_t>(::getpid()); }

std::vector<std::string> arguments(int argc, char** argv) { return {argv + std::min(argc, 1), argv + argc}; }

std::optional<std::string> environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

}  // namespace tessel::sim::platform
