#include "middleware/device/transport.h"

#include "middleware/common/trace.h"

namespace tessel::device {

const char16_t* const kTransactionMutexName = u"Global\\{5B3E9A27-C4D1-4F68-9E02-7A1C6D8B43F5}";
const char16_t* const kBlockLockName = u"Global\\{E07C2D94-81B6-4A3F-B5D8-3C9F6A2E1047}";

namespace {

constexpr int kAttempts = 20;
constexpr int kReadinessPolls = 1000;
constexpr int kAnswerPolls = 1000;
constexpr int kEndReportTries = 3;
constexpr std::uint32_t kStepWaitMs = 10;
constexpr std::uint32_t kWriteDelayMs = 100;
constexpr std::uint32_t kBusyAnswerWaitMs = 30;
constexpr std::uint32_t kRawAccessWaitMs = 200;

constexpr std::uint8_t kStatusDone = 0x02;

bool isBusy(std::uint8_t status) { return status == 0x00 || status == 0x01; }
bool isRetryable(std::uint8_t status) { return status >= 0x03 && status <= 0x08; }

// The exclusion rests on existence: the transaction may run only while its own handle is the
// only one to the object, so keep creating until no earlier handle is found. Empty when the
// system refuses to create the object at all.
MutexHandle takeTransactionExclusion(MutexPort& mutexes) {
    for (;;) {
        bool existed = false;
        MutexHandle handle(mutexes, mutexes.create(kTransactionMutexName, existed));
        if (!existed) return handle;
    }
}

bool sendEndReport(DeviceHandle& device) {
    const DovaReport end = DovaReport::endReport();
    return device.setFeature(end.raw(), DovaReport::size);
}

// One attempt of a transaction on an open device, under the exclusion.
class Attempt {
public:
    Attempt(Clock& clock, DeviceHandle& device, DovaReport& report)
        : clock_(clock), device_(device), report_(report) {}

    HResult run(const DovaReport& request) {
        report_ = request;
        clock_.sleepMs(kStepWaitMs);
        Trace(u"KxDovaFeatureRequest : Start first call\n");
        HResult result = pollReadiness();
        if (hr::succeeded(result)) result = sendRequest();
        if (hr::succeeded(result)) result = pollAnswer();
        return endTransaction(result);
    }

private:
    HResult pollReadiness() {
        DovaReport poll;
        for (int polls = 0; polls < kReadinessPolls; ++polls) {
            poll = DovaReport{};  // report id 0, control 0
            if (!device_.getFeature(poll.raw(), DovaReport::size)) return hr::abort;
            if (poll[DovaReport::control] == 0) return hr::ok;
            Trace(u"KxDovaFeatureRequest : First call fail, sleep %d mili second\n", kStepWaitMs);
            clock_.sleepMs(kStepWaitMs);
        }
        // Only a device still reporting 1 counts as stuck; other busy codes let the request go.
        if (poll[DovaReport::control] != 1) return hr::ok;
        Trace(u"KxDovaFeatureRequest : Fail first call\n");
        return hr::fail;
    }

    HResult sendRequest() {
        Trace(u"KxDovaFeatureRequest : Start second call\n");
        report_[DovaReport::checksum] = report_.computeChecksum();
        clock_.sleepMs(kStepWaitMs);
        if (!device_.setFeature(report_.raw(), DovaReport::size)) {
            Trace(u"KxDovaFeatureRequest : Second call fail\n");
            clock_.sleepMs(kStepWaitMs);
            return hr::abort;
        }
        if (report_[DovaReport::readFlag] == 0) {
            clock_.sleepMs(kWriteDelayMs);  // the device needs longer to store a block
            Trace(u"KxDovaFeatureRequest : DOVA_WRITE_DELAY delay\n");
        } else {
            clock_.sleepMs(kStepWaitMs);
        }
        return hr::ok;
    }

    HResult pollAnswer() {
        Trace(u"KxDovaFeatureRequest : Start third call\n");
        for (int polls = 1;; ++polls) {
            report_ = DovaReport{};
            if (!device_.getFeature(report_.raw(), DovaReport::size)) {
                report_ = DovaReport{};  // whatever a failed read left behind is not an answer
                return hr::abort;
            }
            if (report_[DovaReport::status] == kStatusDone) {
                Trace(u"KxDovaFeatureRequest : Third call success\n");
                return hr::ok;
            }
            if (!isBusy(report_[DovaReport::status])) break;
            Trace(u"KxDovaFeatureRequest : Busy!! (Code returned 0x1 or 0x0)\n");
            clock_.sleepMs(kBusyAnswerWaitMs);
            if (polls == kAnswerPolls) break;
        }
        const std::uint8_t status = report_[DovaReport::status];
        if (isRetryable(status)) Trace(u"KxDovaFeatureRequest : Retry!!! (Code returned %x)\n", status);
        clock_.sleepMs(kStepWaitMs);
        Trace(u"KxDovaFeatureRequest : Third call fail\n");
        return hr::fail;
    }

    HResult endTransaction(HResult result) {
        clock_.sleepMs(kStepWaitMs);
        Trace(u"KxDovaFeatureRequest : Start 4th call\n");
        if (sendEndReport(device_)) return result;
        Trace(u"KxDovaFeatureRequest : 4th call fail, sleep 1 second\n");
        clock_.sleepMs(kStepWaitMs);
        return hr::abort;
    }

    Clock& clock_;
    DeviceHandle& device_;
    DovaReport& report_;
};

}  // namespace

HResult KxDovaFeatureRequest(DevicePorts& ports, const std::u16string& devicePath, DovaReport& report) {
    Trace(u"KxDovaFeatureRequest()\n");
    DeviceHandle device(ports.hid, devicePath);
    if (!device) return hr::fail;
    const MutexHandle exclusion = takeTransactionExclusion(ports.mutexes);
    if (!exclusion) return hr::fail;

    const DovaReport request = report;
    Attempt attempt(ports.clock, device, report);
    HResult result = hr::fail;
    for (int attemptsLeft = kAttempts;;) {
        result = attempt.run(request);
        // Failures before the answer leave the request (status 0) in the buffer: never retried.
        if (!isRetryable(report[DovaReport::status]) || --attemptsLeft == 0) break;
        ports.clock.sleepMs(kStepWaitMs);
    }
    return result;
}

HResult SendEndReport(DevicePorts& ports, const std::u16string& devicePath) {
    DeviceHandle device(ports.hid, devicePath);
    if (!device) return hr::fail;
    const MutexHandle exclusion = takeTransactionExclusion(ports.mutexes);
    if (!exclusion) return hr::fail;

    ports.clock.sleepMs(kStepWaitMs);
    for (int tries = 0; tries < kEndReportTries; ++tries) {
        if (sendEndReport(device)) return hr::ok;
        ports.clock.sleepMs(kStepWaitMs);
    }
    return hr::abort;
}

HResult RawFeatureAccess(DevicePorts& ports, int direction, const std::u16string& devicePath,
                         std::uint8_t* buffer, std::uint32_t length) {
    if (direction != 0 && direction != 1) return hr::fail;
    if (!buffer) return hr::pointer;
    ports.clock.sleepMs(kRawAccessWaitMs);
    DeviceHandle device(ports.hid, devicePath);
    if (!device) return hr::fail;
    const bool done = direction == 0 ? device.getFeature(buffer, length) : device.setFeature(buffer, length);
    return done ? hr::ok : hr::fromSystemError(ports.hid.lastError());
}

BlockLock::BlockLock(DevicePorts& ports) : mutexes_(ports.mutexes), mutex_(ports.mutexes, 0) {
    bool existed = false;
    mutex_ = MutexHandle(mutexes_, mutexes_.create(kBlockLockName, existed));
    if (mutex_) mutexes_.wait(mutex_.get());
}

BlockLock::~BlockLock() {
    if (mutex_) mutexes_.release(mutex_.get());
}

}  // namespace tessel::device
