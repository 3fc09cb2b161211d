#include "sim/platform.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "sim/state_text.h"

namespace tessel::sim::platform {

namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path) {
    throw StateError("cannot " + what + " " + path + ": " + std::strerror(errno));
}

}  // namespace

LockedFile::LockedFile(const std::string& path)
    : path_(path), handle_(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666)) {
    if (handle_ < 0) fail("open", path_);
    int result;
    do {
        result = ::flock(static_cast<int>(handle_), LOCK_EX);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        const int error = errno;
        ::close(static_cast<int>(handle_));
        errno = error;
        fail("lock", path_);
    }
}

LockedFile::~LockedFile() { ::close(static_cast<int>(handle_)); }  // closing releases the lock

std::string LockedFile::read() {
    std::string text;
    char chunk[8192];
    for (off_t at = 0;;) {
        const ssize_t got = ::pread(static_cast<int>(handle_), chunk, sizeof chunk, at);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) fail("read", path_);
        if (got == 0) return text;
        text.append(chunk, static_cast<std::size_t>(got));
        at += got;
    }
}

void LockedFile::write(const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t put = ::pwrite(static_cast<int>(handle_), text.data() + done, text.size() - done,
                                     static_cast<off_t>(done));
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) fail("write", path_);
        done += static_cast<std::size_t>(put);
    }
    if (::ftruncate(static_cast<int>(handle_), static_cast<off_t>(text.size())) != 0) fail("write", path_);
}

std::uint32_t processId() { return static_cast<std::uint32_t>(::getpid()); }

std::vector<std::string> arguments(int argc, char** argv) { return {argv + std::min(argc, 1), argv + argc}; }

std::optional<std::string> environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

}  // namespace tessel::sim::platform
