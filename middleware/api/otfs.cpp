// On-the-fly sensitivity: while the OTFS button is held, scroll reports add to a sensitivity
// accumulator that a worker thread takes once a second. The object reacts only while its switch
// (SetStatus) is on.
#include <atomic>

#include "middleware/api/connection_points.h"
#include "middleware/api/server_objects.h"

namespace tessel::com {
namespace {

constexpr long kSensitivityPerScroll = 200;
constexpr DWORD kWorkerPeriodMs = 1000;

// The worker thread and what it shares with the raising thread: the accumulator, guarded by the
// named mutex.
class OtfsWorker {
public:
    OtfsWorker() = default;
    OtfsWorker(const OtfsWorker&) = delete;
    OtfsWorker& operator=(const OtfsWorker&) = delete;
    ~OtfsWorker() { stop(); }

    bool running() const { return !stopping_; }

    HRESULT start() {
        mutex_.reset(CreateMutexW(nullptr, FALSE, L"EventThreadMutex"));
        wake_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        stopping_ = false;  // before the thread exists, so it cannot leave at once
        if (mutex_ && wake_) thread_.reset(CreateThread(nullptr, 0, &OtfsWorker::loop, this, 0, nullptr));
        if (thread_) return S_OK;
        const HRESULT status = HRESULT_FROM_WIN32(GetLastError());
        stopping_ = true;
        wake_.reset();
        mutex_.reset();
        return FAILED(status) ? status : E_FAIL;
    }

    // Waits for the thread to leave; the wake event cuts its pause short.
    void stop() {
        stopping_ = true;
        if (!thread_) return;
        SetEvent(wake_.get());
        WaitForSingleObject(thread_.get(), INFINITE);
        thread_.reset();
        wake_.reset();
        mutex_.reset();
    }

    void add(long change) {
        WaitForSingleObject(mutex_.get(), INFINITE);
        accumulator_ = static_cast<std::int32_t>(static_cast<std::uint32_t>(accumulator_) + change);
        ReleaseMutex(mutex_.get());
    }

private:
    static DWORD WINAPI loop(void* context) {
        auto* self = static_cast<OtfsWorker*>(context);
        for (;;) {
            self->take();
            if (self->stopping_) return 0;
            WaitForSingleObject(self->wake_.get(), kWorkerPeriodMs);
        }
    }

    // The accumulated change is taken and cleared; nothing consumes it yet.
    std::int32_t take() {
        WaitForSingleObject(mutex_.get(), INFINITE);
        const std::int32_t taken = accumulator_;
        accumulator_ = 0;
        ReleaseMutex(mutex_.get());
        return taken;
    }

    win32::UniqueHandle mutex_;
    win32::UniqueHandle wake_;
    win32::UniqueHandle thread_;
    std::int32_t accumulator_ = 0;
    std::atomic<bool> stopping_{true};
};

class OTFS : public IOTFS, public IButtonReportSink, public EventSource<_IOTFSEvents> {
public:
    static const QITAB* interfaceTable() {
        static const QITAB table[] = {
            QITABENT(OTFS, IOTFS),
            QITABENT(OTFS, IButtonReportSink),
            QITABENT(OTFS, IConnectionPointContainer),
            {},
        };
        return table;
    }

    IFACEMETHODIMP GetStatus(long* status) override {
        return guarded([&]() -> HRESULT {
            if (!status) return E_POINTER;
            *status = enabled_ ? 1 : 0;
            return S_OK;
        });
    }

    // Switching off in the middle of on-the-fly mode ends it, as a release of the button would;
    // otherwise the worker would run until the object goes away.
    IFACEMETHODIMP SetStatus(long status) override {
        return guarded([&]() -> HRESULT {
            if (status != 0 && status != 1) return S_OK;
            if (status == 0 && worker_.running()) endOnTheFlyMode();
            enabled_ = status == 1;
            return S_OK;
        });
    }

    IFACEMETHODIMP OnButtonReport(_TButtonStatus* report) override {
        return guarded([&]() -> HRESULT {
            if (!report) return E_POINTER;
            if (!enabled_) return S_OK;
            const bool pressed = report->bState == 1;
            if (report->button == BUTTON_DEFINITION_OTFS && pressed) {
                worker_.stop();
                if (HRESULT status = worker_.start(); FAILED(status)) return status;
            } else if (report->button == BUTTON_DEFINITION_OTFS && report->bState == 0) {
                worker_.stop();
            } else if ((report->button == BUTTON_DEFINITION_SCROLL_UP || report->button == BUTTON_DEFINITION_SCROLL_DOWN) &&
                       pressed && worker_.running()) {
                worker_.add(report->button == BUTTON_DEFINITION_SCROLL_UP ? kSensitivityPerScroll : -kSensitivityPerScroll);
            } else {
                return S_OK;
            }
            raiseOTFSEvent(*report);
            return S_OK;
        });
    }

private:
    void endOnTheFlyMode() {
        worker_.stop();
        raiseOTFSEvent({BUTTON_DEFINITION_OTFS, 0});
    }

    void raiseOTFSEvent(_TButtonStatus report) {
        raise([&report](_IOTFSEvents* sink) { sink->OnOTFSEvent(&report); });
    }

    bool enabled_ = false;
    OtfsWorker worker_;
};

}  // namespace

HRESULT createOTFS(IOTFS** out) { return createObject<OTFS>(out); }

}  // namespace tessel::com
