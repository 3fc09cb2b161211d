// Started twice at once by commands_block_lock_test: adds 1 to one byte of profile block 1,
// `count` times, each time by a read-modify-write, once the start event is set. The mouse is
// the simulated one that TESSEL_SIM names, reached through the system's mutexes and clock.
#include <windows.h>

#include <cstdlib>
#include <memory>

#include "middleware/common/scoped_win32.h"
#include "middleware/device/command_exchange.h"
#include "middleware/device/win32_ports.h"
#include "sim/simulated_hid.h"

namespace {

using ScopedHandle = tessel::win32::UniqueHandle;

enum Exit { ok = 0, readModifyWriteFailed = 1, usage = 2, noStartEvent = 3, noMouse = 4, neverStarted = 5 };

}  // namespace

int main(int argc, char** argv) {
    using namespace tessel;
    using namespace tessel::device;
    if (argc != 4) return usage;
    const auto offset = static_cast<std::size_t>(std::strtoul(argv[1], nullptr, 10));
    const unsigned long count = std::strtoul(argv[2], nullptr, 10);
    if (offset < DovaReport::data || offset >= DovaReport::data + writeParam::profileBlock) return usage;

    const ScopedHandle start(OpenEventA(SYNCHRONIZE, FALSE, argv[3]));
    if (!start) return noStartEvent;
    const char* statePath = std::getenv("TESSEL_SIM");
    if (!statePath || !*statePath) return usage;
    Win32Clock clock;
    Win32MutexPort mutexes;
    const std::unique_ptr<HidPort> hid = sim::openSimulatedHid(statePath, clock);
    DevicePorts ports{*hid, mutexes, clock};
    DriverHandler handler(ports, kProductWired);
    if (hr::failed(handler.Open())) return noMouse;
    if (WaitForSingleObject(start.get(), 60000) != WAIT_OBJECT_0) return neverStarted;

    for (unsigned long i = 0; i < count; ++i) {
        const HResult status = ReadModifyWrite(handler, ProfileBlockRequest(1), writeParam::profileBlock,
                                               [&](DovaReport& block) {
                                                   ++block[offset];
                                                   return hr::ok;
                                               });
        if (hr::failed(status)) return readModifyWriteFailed;
    }
    return ok;
}
