#pragma once
// A scripted mouse behind a HidPort, for transport and discovery tests and the host benchmark:
// it answers the 91-byte protocol from queues of readiness and status codes, keeps the blocks
// written to it, fails the exchanges a test names and logs every exchange with the clock time.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "middleware/device/dova_report.h"
#include "middleware/device/memory_ports.h"
#include "middleware/device/ports.h"

namespace tessel::device::scripted {

enum class Exchange { readinessPoll, request, answerPoll, endReport, shortGet, shortSet };

struct LoggedExchange {
    std::u16string path;
    Exchange kind;
    bool ok;
    std::uint64_t atMs;
    DovaReport bytes;         // sent, or answered (short reports in the first bytes)
    int exclusionHandles;     // handles open on the transaction mutex at that moment, -1 unknown
};

struct ScriptedMouse {
    std::u16string path;
    HidAttributes attributes{0x7A3C, 0x13, 0x0100};
    bool opens = true;
    bool hasAttributes = true;
    bool answers = true;                  // false: the path opens, every exchange fails
    std::deque<std::uint8_t> readiness;   // control bytes of the next readiness polls
    std::uint8_t readinessAfterwards = 0;
    std::deque<std::uint8_t> statuses;    // status bytes of the next answer polls
    std::uint8_t statusAfterwards = 0x02;
    std::map<std::uint8_t, DovaReport> blocks;                       // by command: stored data
    std::map<std::uint8_t, std::vector<std::uint8_t>> shortReports;  // by report id
    std::uint32_t failureError = 1167;    // ERROR_DEVICE_NOT_CONNECTED

    // The `nth` (1-based) exchange of `kind` and the `count` - 1 after it fail; count -1: all.
    void fail(Exchange kind, int nth = 1, int count = 1) { failures.push_back({kind, nth, count}); }
    // Called before each exchange with its kind and 1-based number; may change the mouse.
    std::function<void(ScriptedMouse&, Exchange, int)> beforeExchange;

    // Filled by the port.
    int interleavings = 0;   // exchanges of one handle inside another handle's transaction
    int badChecksums = 0;

private:
    friend class ScriptedHid;
    struct Failure {
        Exchange kind;
        int nth;
        int count;
    };
    bool failsNow(Exchange kind, int number) const;

    std::vector<Failure> failures;
    std::map<Exchange, int> counts;
    bool requested = false;
    DovaReport lastRequest;
    PortHandle transactionHandle = 0;
};

class ScriptedHid final : public HidPort {
public:
    // `mutexes`, when given, lets the log record how many exclusion handles were open.
    explicit ScriptedHid(Clock& clock, const MemoryMutexPort* mutexes = nullptr);
    ~ScriptedHid() override;

    // Appends an interface to the mouse interface list.
    ScriptedMouse& add(std::u16string path, std::uint16_t productId = 0x13, std::uint16_t vendorId = 0x7A3C);
    // Makes the list snapshot fail, or the path query of one index fail with `error`.
    bool snapshotFails = false;
    void failPathQuery(std::uint32_t index, std::uint32_t error, InterfaceQuery query);

    bool keepsLog = true;  // off for long runs

    std::vector<LoggedExchange> log() const;
    std::vector<LoggedExchange> log(Exchange kind) const;
    int snapshots() const;
    int openDevices() const;
    int opens() const;

    std::unique_ptr<InterfaceList> mouseInterfaces(std::uint32_t& error) override;
    PortHandle open(const std::u16string& path) override;
    void close(PortHandle device) override;
    bool attributes(PortHandle device, HidAttributes& attributes) override;
    bool getFeature(PortHandle device, std::uint8_t* buffer, std::uint32_t length) override;
    bool setFeature(PortHandle device, const std::uint8_t* buffer, std::uint32_t length) override;
    std::uint32_t lastError() override;

private:
    struct PathFailure {
        std::uint32_t error;
        InterfaceQuery query;
    };
    struct Open {
        ScriptedMouse* mouse;
        std::u16string path;
    };
    // Runs the checks every exchange shares; false when it fails.
    bool begin(PortHandle device, Exchange kind, ScriptedMouse*& mouse);
    void record(const std::u16string& path, Exchange kind, bool ok, const std::uint8_t* bytes, std::uint32_t length);
    void answer(ScriptedMouse& mouse, std::uint8_t* buffer) const;

    Clock& clock_;
    const MemoryMutexPort* mutexes_;
    mutable std::recursive_mutex lock_;
    std::vector<std::unique_ptr<ScriptedMouse>> mice_;
    std::map<std::uint32_t, PathFailure> pathFailures_;
    std::map<PortHandle, Open> handles_;
    PortHandle next_ = 1;
    std::vector<LoggedExchange> log_;
    int snapshots_ = 0;
    int opens_ = 0;
};

// Collects the trace lines (formats) emitted while it lives.
class TraceRecorder {
public:
    TraceRecorder();
    ~TraceRecorder();
    TraceRecorder(const TraceRecorder&) = delete;
    TraceRecorder& operator=(const TraceRecorder&) = delete;
    std::vector<std::u16string> lines() const;
    int count(const std::u16string& line) const;
};

}  // namespace tessel::device::scripted
