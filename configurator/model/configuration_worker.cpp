#include "configurator/model/configuration_worker.h"

#include <objbase.h>

#include "middleware/api/win32_handle.h"

namespace tessel::cfg {

struct ConfigurationWorker::Shared {
    std::shared_ptr<SettingsModel> model;
    Options options;
    std::atomic<int> command{kIdle};
    std::atomic<bool> stopping{false};
    tessel::com::UniqueHandle wake{CreateEventW(nullptr, TRUE, FALSE, nullptr)};

    mutable std::mutex lock;  // guards what follows
    ConnectionState state;
    CommandReport report;
    bool ownerGone = false;

    void publish(const WorkerProgress& progress) {
        Progress callback;
        {
            const std::lock_guard guard(lock);
            if (progress.kind != WorkerProgress::started) state = progress.state;
            if (progress.kind == WorkerProgress::finished) report = progress.report;
            if (!ownerGone) callback = options.progress;
        }
        if (callback) callback(progress);
    }
};

namespace {

// Waits up to `ms` for `handle`, delivering the messages of this thread meanwhile: the worker's
// thread may carry the middleware's keyboard hook, and the owner's thread its windows.
bool waitPumping(HANDLE handle, DWORD ms) {
    const ULONGLONG deadline = GetTickCount64() + ms;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        const DWORD woke = MsgWaitForMultipleObjects(1, &handle, FALSE, left, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0) return true;
        if (woke != WAIT_OBJECT_0 + 1) return false;  // time is up (or the wait failed)
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

}  // namespace

ConfigurationWorker::ConfigurationWorker(std::shared_ptr<SettingsModel> model, Options options)
    : shared_(std::make_shared<Shared>()) {
    shared_->model = std::move(model);
    shared_->options = std::move(options);
}

ConfigurationWorker::~ConfigurationWorker() {
    if (!thread_) return;
    if (!stop(kDefaultStopWaitMs)) {
        // Still inside a command: it finishes on its own (it shares ownership of what it uses)
        // and reports to nobody.
        const std::lock_guard guard(shared_->lock);
        shared_->ownerGone = true;
    }
    if (thread_) CloseHandle(thread_);
}

bool ConfigurationWorker::start() {
    if (thread_ || !shared_->wake) return false;
    auto* parameter = new std::shared_ptr<Shared>(shared_);
    thread_ = CreateThread(nullptr, 0, &ConfigurationWorker::run, parameter, 0, nullptr);
    if (!thread_) delete parameter;
    return thread_ != nullptr;
}

void ConfigurationWorker::request(int command) { shared_->command.store(command); }

int ConfigurationWorker::command() const { return shared_->command.load(); }

bool ConfigurationWorker::acknowledgeWrite() {
    int finished = kWriteDone;
    return shared_->command.compare_exchange_strong(finished, kIdle);
}

bool ConfigurationWorker::stop(DWORD timeoutMs) {
    if (!thread_) return true;
    shared_->stopping.store(true);
    SetEvent(shared_->wake.get());
    if (!waitPumping(thread_, timeoutMs)) return false;
    CloseHandle(thread_);
    thread_ = nullptr;
    return true;
}

ConnectionState ConfigurationWorker::connection() const {
    const std::lock_guard guard(shared_->lock);
    return shared_->state;
}

CommandReport ConfigurationWorker::lastReport() const {
    const std::lock_guard guard(shared_->lock);
    return shared_->report;
}

DWORD WINAPI ConfigurationWorker::run(void* parameter) {
    const std::shared_ptr<Shared> shared = std::move(*static_cast<std::shared_ptr<Shared>*>(parameter));
    delete static_cast<std::shared_ptr<Shared>*>(parameter);
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    {
        DeviceSession session(*shared->model, shared->options.steps);
        while (!shared->stopping.load()) {
            waitPumping(shared->wake.get(), shared->options.pollMs);
            if (shared->stopping.load()) break;
            const int command = shared->command.load();
            if (command == kConnectAndRead || command == kWriteAll) {
                shared->publish({WorkerProgress::started, command, {}, {}});
                CommandReport report = command == kConnectAndRead ? session.connectAndRead() : session.writeAll();
                // Only the command that ran is cleared: a request made meanwhile stays.
                int ran = command;
                shared->command.compare_exchange_strong(ran, command == kWriteAll ? kWriteDone : kIdle);
                shared->publish({WorkerProgress::finished, command, std::move(report), session.state()});
            } else if (command > kIdle && command < kWriteDone) {
                int unknown = command;
                shared->command.compare_exchange_strong(unknown, kIdle);
            } else if (command == kIdle && shared->options.watchConnection && session.state().loaded) {
                session.checkConnection();
                shared->publish({WorkerProgress::connectionChecked, kIdle, {}, session.state()});
            }
        }
        session.release();
    }
    CoUninitialize();
    return 0;
}

}  // namespace tessel::cfg
