#pragma once
// Follows the simulated mouse's state file from a thread of its own and records every write
// request the mouse receives, in order. A write request waits 100 ms for its answer poll, so a
// look every few milliseconds sees each one; reads pass too quickly to be counted on.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tessel::cfg::testing {

struct SeenWrite {
    std::uint8_t command = 0;
    std::uint8_t param = 0;
    std::vector<std::uint8_t> bytes;  // the whole 91-byte request
    std::uint8_t byte(std::size_t at) const { return bytes.at(at); }
};

class RequestWatch {
public:
    explicit RequestWatch(std::string statePath);
    ~RequestWatch() { stop(); }
    RequestWatch(const RequestWatch&) = delete;
    RequestWatch& operator=(const RequestWatch&) = delete;

    std::vector<SeenWrite> seen() const;
    std::vector<SeenWrite> stop();

private:
    void follow();

    std::string path_;
    std::atomic<bool> stopping_{false};
    mutable std::mutex lock_;
    std::vector<SeenWrite> seen_;
    std::thread thread_;
};

}  // namespace tessel::cfg::testing
