// Started twice at once by two_process_test: runs many transactions on one shared simulated
// mouse through the middleware's transport, with the system's own mutexes and clock.
//   sim_two_process_worker STATE_FILE TRANSACTIONS READY_SEMAPHORE START_EVENT
#include <windows.h>

#include <cstdio>
#include <string>

#include "middleware/common/scoped_win32.h"
#include "middleware/device/driver_handler.h"
#include "middleware/device/transport.h"
#include "middleware/device/win32_ports.h"
#include "sim/simulated_hid.h"

using namespace tessel;
using device::DovaReport;

namespace {

bool check(HResult status, const char* what, int round) {
    if (hr::succeeded(status)) return true;
    std::fprintf(stderr, "worker %lu: %s failed in round %d with 0x%08lX\n", GetCurrentProcessId(), what, round,
                 static_cast<unsigned long>(status));
    return false;
}

// Reads, and a read-modify-write under the block lock that adds one to the X code.
bool round(device::DriverHandler& mouse, int number) {
    DovaReport identity = DovaReport::readRequest(0x02, 1);
    if (!check(mouse.GetFeatureRaw(identity, DovaReport::size, false), "identity read", number)) return false;
    const device::BlockLock lock(mouse.ports());
    DovaReport block = DovaReport::readRequest(0x05, 0);
    if (!check(mouse.GetFeatureRaw(block, DovaReport::size, false), "performance read", number)) return false;
    block.makeWrite(5);
    ++block[12];
    return check(mouse.SetFeatureRaw(block, DovaReport::size, false), "performance write", number);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: sim_two_process_worker STATE_FILE ROUNDS READY_SEMAPHORE START_EVENT\n");
        return 2;
    }
    const std::u16string wideState(reinterpret_cast<const char16_t*>(argv[1]));
    std::string statePath;
    for (char16_t c : wideState) statePath += static_cast<char>(c);  // the test passes an ASCII path
    const int rounds = _wtoi(argv[2]);

    device::Win32Clock clock;
    device::Win32MutexPort mutexes;
    const std::unique_ptr<device::HidPort> hid = sim::openSimulatedHid(statePath, clock);
    device::DevicePorts ports{*hid, mutexes, clock};

    // Both workers are up before either begins.
    {
        const win32::UniqueHandle ready(OpenSemaphoreW(SEMAPHORE_MODIFY_STATE, FALSE, argv[3]));
        const win32::UniqueHandle start(OpenEventW(SYNCHRONIZE, FALSE, argv[4]));
        if (!ready || !start) return 3;
        ReleaseSemaphore(ready.get(), 1, nullptr);
        WaitForSingleObject(start.get(), INFINITE);
    }

    device::DriverHandler mouse(ports, device::kProductWired);
    if (!check(mouse.Open(), "discovery", 0)) return 1;
    for (int number = 1; number <= rounds; ++number)
        if (!round(mouse, number)) return 1;
    return 0;
}
