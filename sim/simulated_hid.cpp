#include "sim/simulated_hid.h"

#include <atomic>
#include <cstdio>
#include <span>

#include "middleware/common/status.h"
#include "middleware/device/driver_handler.h"
#include "sim/firmware.h"
#include "sim/platform.h"

namespace tessel::sim {

using device::PortHandle;

namespace {

// Windows keeps the last error per thread; so does the simulated port.
thread_local std::uint32_t tLastError = 0;

// Handles are unique in the process, so openers stay apart even across several ports on one
// state file; with the process id they stay apart across processes too.
std::atomic<PortHandle> gNextHandle{1};

OpenerId openerFor(PortHandle handle) {
    return static_cast<OpenerId>(platform::processId()) << 32 | (handle & 0xFFFFFFFFu);
}

char16_t lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool samePath(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

// Interfaces in the order the system lists them: the other vendor's mouse comes first.
std::vector<Interface> listed(const MouseState& state) {
    std::vector<Interface> order{Interface::foreign};
    for (Interface which : kMouseInterfaces)
        if (state.link.present(which)) order.push_back(which);
    return order;
}

void replugWhenDue(MouseState& state, std::uint64_t nowMs) {
    if (state.link.replugAtMs && nowMs >= *state.link.replugAtMs) {
        const std::vector<Interface> back = state.link.replug;
        connect(state, back);
    }
}

// The injected unplug: after the given number of reports everything goes away, and comes back
// under new paths when a replug time was given.
bool dropWhenDue(MouseState& state, std::uint64_t nowMs) {
    Faults& faults = state.faults;
    if (!faults.dropAfterReports) return false;
    if (*faults.dropAfterReports > 0) {
        --*faults.dropAfterReports;
        return false;
    }
    const std::vector<Interface> plugged = pluggedInterfaces(state);
    const auto replugAfter = faults.replugAfterMs;
    faults.dropAfterReports.reset();
    faults.replugAfterMs.reset();
    unplugAll(state);
    if (replugAfter) {
        state.link.replug = plugged;
        state.link.replugAtMs = nowMs + *replugAfter;
    }
    return true;
}

class PathList final : public device::InterfaceList {
public:
    explicit PathList(std::vector<std::u16string> paths) : paths_(std::move(paths)) {}
    std::uint32_t path(std::uint32_t index, std::u16string& path) override {
        if (index >= paths_.size()) return syserr::noMoreItems;
        path = paths_[index];
        return syserr::success;
    }

private:
    std::vector<std::u16string> paths_;
};

}  // namespace

std::u16string interfacePath(Interface which, std::uint32_t generation) {
    const char* format = nullptr;
    switch (which) {
    case Interface::wired: format = "\\\\?\\hid#vid_7a3c&pid_0013#7&1d5a2c3b&%u&0000#"; break;
    case Interface::wireless: format = "\\\\?\\hid#vid_7a3c&pid_0014&mi_00#8&2b6f41e0&%u&0000#"; break;
    case Interface::download: format = "\\\\?\\hid#vid_7a3c&pid_000f#9&0c7d93a4&%u&0000#"; break;
    case Interface::foreign: format = "\\\\?\\hid#vid_2b7e&pid_0013#6&3e0f7a21&%u&0000#"; break;
    }
    char text[128];
    std::snprintf(text, sizeof text, format, generation);
    std::u16string path(text, text + std::char_traits<char>::length(text));
    return path + u"{378de44c-56ef-11d1-bc8c-00a0c91405dd}";  // the system's mouse interface class
}

std::unique_ptr<device::HidPort> openSimulatedHid(const std::string& statePath, device::Clock& clock) {
    return std::make_unique<SimulatedHid>(StateStore::inExistingFile(statePath), clock);
}

SimulatedHid::SimulatedHid(std::unique_ptr<StateStore> store, device::Clock& clock)
    : store_(std::move(store)), clock_(clock) {}

std::unique_ptr<device::InterfaceList> SimulatedHid::mouseInterfaces(std::uint32_t& error) {
    std::vector<std::u16string> paths;
    try {
        store_->update([&](MouseState& state) {
            replugWhenDue(state, clock_.nowMs());
            for (Interface which : listed(state)) paths.push_back(interfacePath(which, state.link.generation(which)));
        });
    } catch (const MissingStateFile&) {
        paths.clear();  // no mouse, not even the other vendor's
    } catch (const std::exception&) {
        error = tLastError = syserr::genFailure;
        return nullptr;
    }
    error = syserr::success;
    return std::make_unique<PathList>(std::move(paths));
}

PortHandle SimulatedHid::open(const std::u16string& path) {
    std::optional<Opened> found;
    try {
        store_->update([&](MouseState& state) {
            replugWhenDue(state, clock_.nowMs());
            for (Interface which : listed(state)) {
                const std::uint32_t generation = state.link.generation(which);
                if (samePath(path, interfacePath(which, generation))) found = Opened{which, generation, 0};
            }
        });
    } catch (const std::exception&) {
        tLastError = syserr::genFailure;
        return 0;
    }
    if (!found) {
        tLastError = syserr::fileNotFound;
        return 0;
    }
    const PortHandle handle = gNextHandle++;
    found->opener = openerFor(handle);
    std::lock_guard guard(lock_);
    opened_.emplace(handle, *found);
    return handle;
}

void SimulatedHid::close(PortHandle device) {
    std::lock_guard guard(lock_);
    opened_.erase(device);
}

// Runs `run(state, firmware, where, opener, error)` for a handle whose interface is still
// plugged under the generation it was opened with.
template <typename Access>
bool SimulatedHid::access(PortHandle device, Access&& run) {
    Opened opened{};
    {
        std::lock_guard guard(lock_);
        const auto found = opened_.find(device);
        if (found == opened_.end()) {
            tLastError = syserr::invalidHandle;
            return false;
        }
        opened = found->second;
    }
    bool ok = false;
    std::uint32_t error = syserr::success;
    try {
        store_->update([&](MouseState& state) {
            const std::uint64_t now = clock_.nowMs();
            replugWhenDue(state, now);
            if (state.link.generation(opened.where) != opened.generation || !state.link.present(opened.where) ||
                (opened.where != Interface::foreign && dropWhenDue(state, now))) {
                error = syserr::deviceNotConnected;
                return;
            }
            ok = run(state, now, opened, error);
        });
    } catch (const std::exception&) {
        ok = false;
        error = syserr::genFailure;
    }
    tLastError = ok ? syserr::success : error;
    return ok;
}

bool SimulatedHid::attributes(PortHandle device, device::HidAttributes& attributes) {
    return access(device, [&](MouseState& state, std::uint64_t, const Opened& opened, std::uint32_t&) {
        static constexpr std::uint16_t kProducts[] = {0x0013, device::kProductWired, device::kProductWireless,
                                                      device::kProductDownload};
        attributes.vendorId = opened.where == Interface::foreign ? kForeignVendorId : device::kVendorId;
        attributes.productId = kProducts[static_cast<int>(opened.where)];
        attributes.versionNumber = static_cast<std::uint16_t>(state.firmwareMajor << 8 | state.firmwareMinor);
        return true;
    });
}

bool SimulatedHid::getFeature(PortHandle device, std::uint8_t* buffer, std::uint32_t length) {
    Interface where = Interface::foreign;
    const bool ok = access(device, [&](MouseState& state, std::uint64_t now, const Opened& opened, std::uint32_t& error) {
        where = opened.where;
        return Firmware(state, now).get(opened.where, opened.opener, std::span(buffer, length), error);
    });
    log({false, where, ok, ok ? std::vector<std::uint8_t>(buffer, buffer + length) : std::vector<std::uint8_t>{}});
    return ok;
}

bool SimulatedHid::setFeature(PortHandle device, const std::uint8_t* buffer, std::uint32_t length) {
    Interface where = Interface::foreign;
    const bool ok = access(device, [&](MouseState& state, std::uint64_t now, const Opened& opened, std::uint32_t& error) {
        where = opened.where;
        return Firmware(state, now).set(opened.where, opened.opener, std::span(buffer, length), error);
    });
    log({true, where, ok, std::vector<std::uint8_t>(buffer, buffer + length)});
    return ok;
}

std::uint32_t SimulatedHid::lastError() { return tLastError; }

void SimulatedHid::log(LoggedReport entry) {
    std::lock_guard guard(lock_);
    if (log_.size() == kLogLimit) log_.pop_front();
    log_.push_back(std::move(entry));
}

std::vector<LoggedReport> SimulatedHid::reportLog() const {
    std::lock_guard guard(lock_);
    return {log_.begin(), log_.end()};
}

void SimulatedHid::clearReportLog() {
    std::lock_guard guard(lock_);
    log_.clear();
}

}  // namespace tessel::sim
