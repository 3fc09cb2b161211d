#pragma once
// A simulated mouse in memory with a virtual clock, and transactions built by hand.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "middleware/common/status.h"
#include "middleware/device/memory_ports.h"
#include "sim/firmware.h"
#include "sim/simulated_hid.h"

namespace tessel::sim::testing {

using device::DovaReport;
using device::PortHandle;
namespace syserr = tessel::syserr;

inline DovaReport sealed(DovaReport request) {
    request[DovaReport::checksum] = request.computeChecksum();
    return request;
}

inline DovaReport readRequest(std::uint8_t command, std::uint8_t param, std::initializer_list<std::pair<std::size_t, std::uint8_t>> bytes = {}) {
    DovaReport r = DovaReport::readRequest(command, param);
    for (auto [offset, value] : bytes) r[offset] = value;
    return sealed(r);
}

inline DovaReport writeRequest(std::uint8_t command, std::uint8_t param, std::initializer_list<std::pair<std::size_t, std::uint8_t>> bytes = {}) {
    DovaReport r = DovaReport::writeRequest(command, param);
    for (auto [offset, value] : bytes) r[offset] = value;
    return sealed(r);
}

// A fresh directory for one test, removed afterwards.
class TempDir {
public:
    TempDir() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::temp_directory_path() /
                ("tessel-sim-" + std::string(test->test_suite_name()) + "-" + test->name() + "-" +
                 std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

class SimTest : public ::testing::Test {
protected:
    explicit SimTest(MouseState initial = MouseState::factory())
        : hid_(StateStore::inMemory(std::move(initial)), clock_) {}

    MouseState state() { return hid_.store().read(); }
    void change(const std::function<void(MouseState&)>& edit) { hid_.store().update(edit); }

    PortHandle open(Interface which) {
        const PortHandle handle = hid_.open(interfacePath(which, state().link.generation(which)));
        EXPECT_NE(handle, 0u);
        return handle;
    }

    bool get(PortHandle handle, DovaReport& answer) {
        answer = DovaReport{};
        return hid_.getFeature(handle, answer.raw(), DovaReport::size);
    }
    bool set(PortHandle handle, const DovaReport& report) { return hid_.setFeature(handle, report.raw(), DovaReport::size); }

    // Readiness poll, request, answer polls until the answer is no longer busy, end report.
    DovaReport transact(PortHandle handle, const DovaReport& request) {
        DovaReport poll;
        EXPECT_TRUE(get(handle, poll));
        EXPECT_EQ(poll[DovaReport::control], 0);
        EXPECT_TRUE(set(handle, request));
        DovaReport answer;
        for (int polls = 0; polls < 100; ++polls) {
            EXPECT_TRUE(get(handle, answer));
            if (answer[DovaReport::status] > status::busy) break;
        }
        EXPECT_TRUE(set(handle, DovaReport::endReport()));
        return answer;
    }
    DovaReport transact(const DovaReport& request) {
        const PortHandle handle = open(Interface::wired);
        const DovaReport answer = transact(handle, request);
        hid_.close(handle);
        return answer;
    }

    device::VirtualClock clock_;
    SimulatedHid hid_;
};

}  // namespace tessel::sim::testing
