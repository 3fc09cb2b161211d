#pragma once
// A DriverHandler opened on the simulated mouse (in memory, virtual clock), with the requests
// that reached the mouse taken from the simulator's report log.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "middleware/device/driver_handler.h"
#include "middleware/device/memory_ports.h"
#include "sim/simulated_hid.h"

namespace tessel::device::testing {

// The state of a factory-fresh mouse plugged in through `which`.
inline sim::MouseState mouseOn(sim::Interface which) {
    sim::MouseState state = sim::MouseState::factory();
    sim::connect(state, {which});
    return state;
}

class CommandsTest : public ::testing::Test {
protected:
    explicit CommandsTest(sim::MouseState initial = sim::MouseState::factory(), std::uint16_t productId = kProductWired)
        : hid_(sim::StateStore::inMemory(std::move(initial)), clock_), productId_(productId) {}

    void SetUp() override {
        handler_ = std::make_unique<DriverHandler>(ports_, productId_);
        ASSERT_EQ(handler_->Open(), hr::ok);
        hid_.clearReportLog();
    }

    DriverHandler* handler() { return handler_.get(); }
    sim::MouseState state() { return hid_.store().read(); }
    void change(const std::function<void(sim::MouseState&)>& edit) { hid_.store().update(edit); }

    // The 91-byte command requests sent since the last clear, oldest first (readiness polls,
    // answers and end reports left out).
    std::vector<DovaReport> requests() const {
        std::vector<DovaReport> sent;
        for (const sim::LoggedReport& entry : hid_.reportLog()) {
            if (!entry.set || entry.bytes.size() != DovaReport::size || entry.bytes[DovaReport::command] == 0) continue;
            DovaReport report;
            std::copy(entry.bytes.begin(), entry.bytes.end(), report.bytes.begin());
            sent.push_back(report);
        }
        return sent;
    }
    // Every feature access since the last clear: the exchange count of a call.
    std::size_t accesses() const { return hid_.reportLog().size(); }
    void clearLog() { hid_.clearReportLog(); }

    // The next answers of the mouse carry these status codes (0x02 = answered normally).
    void answerStatuses(std::initializer_list<std::uint8_t> codes) {
        change([&](sim::MouseState& s) { s.faults.statusSequence.assign(codes.begin(), codes.end()); });
    }

    VirtualClock clock_;
    MemoryMutexPort mutexes_;
    sim::SimulatedHid hid_;
    DevicePorts ports_{hid_, mutexes_, clock_};
    std::uint16_t productId_;
    std::unique_ptr<DriverHandler> handler_;
};

// Status code of a request the mouse refuses without a retry.
inline constexpr std::uint8_t kRefused = 0x0B;

inline std::vector<std::uint8_t> bytesOf(const DovaReport& report, std::size_t from, std::size_t count) {
    return {report.bytes.begin() + from, report.bytes.begin() + from + count};
}

}  // namespace tessel::device::testing
