#pragma once
// The simulated Tessel behind the device layer's HID port. openSimulatedHid is what the
// simulator's module hands the middleware when TESSEL_SIM names the state file; tests use
// SimulatedHid directly for its report log and its store (faults, plugging, inspection).
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "middleware/device/ports.h"
#include "sim/mouse_state.h"
#include "sim/state_store.h"

namespace tessel::sim {

// A HID port onto the mouse whose state is kept in the file `statePath`, shared with every other
// process that opens it. While the file does not exist the port lists no mouse (tesselsim create
// makes one).
std::unique_ptr<tessel::device::HidPort> openSimulatedHid(const std::string& statePath, tessel::device::Clock& clock);

// The interface path under which `which` is listed while plugged in generation `generation`.
std::u16string interfacePath(Interface which, std::uint32_t generation);
inline constexpr std::uint16_t kForeignVendorId = 0x2B7E;

// One feature access seen by a port: what the host sent (set) or what it was answered (get).
struct LoggedReport {
    bool set = false;
    Interface where = Interface::wired;
    bool ok = false;
    std::vector<std::uint8_t> bytes;
};

class SimulatedHid final : public tessel::device::HidPort {
public:
    SimulatedHid(std::unique_ptr<StateStore> store, tessel::device::Clock& clock);

    std::unique_ptr<tessel::device::InterfaceList> mouseInterfaces(std::uint32_t& error) override;
    tessel::device::PortHandle open(const std::u16string& path) override;
    void close(tessel::device::PortHandle device) override;
    bool attributes(tessel::device::PortHandle device, tessel::device::HidAttributes& attributes) override;
    bool getFeature(tessel::device::PortHandle device, std::uint8_t* buffer, std::uint32_t length) override;
    bool setFeature(tessel::device::PortHandle device, const std::uint8_t* buffer, std::uint32_t length) override;
    std::uint32_t lastError() override;

    StateStore& store() { return *store_; }
    // The last accesses of this port, oldest first (at most kLogLimit).
    std::vector<LoggedReport> reportLog() const;
    void clearReportLog();
    static constexpr std::size_t kLogLimit = 4096;

private:
    struct Opened {
        Interface where;
        std::uint32_t generation;
        OpenerId opener;
    };
    template <typename Access>
    bool access(tessel::device::PortHandle device, Access&& run);
    void log(LoggedReport entry);

    std::unique_ptr<StateStore> store_;
    tessel::device::Clock& clock_;
    mutable std::mutex lock_;
    std::map<tessel::device::PortHandle, Opened> opened_;
    std::deque<LoggedReport> log_;
};

}  // namespace tessel::sim
