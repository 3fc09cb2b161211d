// How close the real waits of a transaction come to the mandated ones: a scripted mouse that
// answers at once, the Win32 exclusion and clock, and the wall time of reads and writes.
#include <windows.h>

#include <cstdio>

#include "middleware/device/tests/transport_scripted_hid.h"
#include "middleware/device/transport.h"
#include "middleware/device/win32_ports.h"

namespace {

using namespace tessel::device;

// Sleep at whatever resolution the system runs at, for comparison.
class DefaultResolutionClock final : public Clock {
public:
    void sleepMs(std::uint32_t ms) override { Sleep(ms); }
    std::uint64_t nowMs() override {
        LARGE_INTEGER frequency, counter;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&counter);
        return static_cast<std::uint64_t>(counter.QuadPart * 1000 / frequency.QuadPart);
    }
};

double ratio(Clock& clock, Clock& time, const DovaReport& request, double mandatedMs, int runs) {
    Win32MutexPort mutexes;
    scripted::ScriptedHid hid(time);
    hid.keepsLog = false;
    hid.add(u"mouse");
    DevicePorts ports{hid, mutexes, clock};
    const std::uint64_t start = time.nowMs();
    for (int i = 0; i < runs; ++i) {
        DovaReport report = request;
        if (KxDovaFeatureRequest(ports, u"mouse", report) != 0) std::printf("transaction failed\n");
    }
    return static_cast<double>(time.nowMs() - start) / (mandatedMs * runs);
}

void report(const char* name, Clock& clock, Clock& time) {
    const double read = ratio(clock, time, DovaReport::readRequest(0x05, 0), 40.0, 25);
    const double write = ratio(clock, time, DovaReport::writeRequest(0x05, 5), 130.0, 10);
    std::printf("%-28s read  (40 ms mandated): wall/mandated %.3f\n", name, read);
    std::printf("%-28s write (130 ms mandated): wall/mandated %.3f\n", name, write);
}

}  // namespace

int main() {
    {
        DefaultResolutionClock plain;
        report("default timer resolution", plain, plain);
    }
    Win32Clock clock;
    report("Win32Clock (1 ms period)", clock, clock);
    return 0;
}
