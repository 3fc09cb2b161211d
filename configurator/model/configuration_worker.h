#pragma once
// The configuration worker: a thread of its own that owns the middleware objects in its own
// single-threaded apartment and acts on an atomic command word, polled once a second
// (1 = connect and read everything, 2 = write everything; a finished write leaves 20 until the
// owner acknowledges it, any other command is cleared to 0 when it has run).
//
// The model belongs to the worker while a command runs: the pages edit it only while the
// command word is 0 or 20 (the dialog is disabled behind the progress box meanwhile). The
// command word orders the hand-over both ways.
//
// Stopping never ends the thread forcibly: a stop flag and a wake event; the worker finishes
// the command it is running, releases its objects, leaves the component runtime and ends; the
// owner waits for it for a bounded time while delivering its own messages.
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

#include "configurator/model/device_session.h"
#include "configurator/model/settings_model.h"

namespace tessel::cfg {

enum WorkerCommand : int { kIdle = 0, kConnectAndRead = 1, kWriteAll = 2, kWriteDone = 20 };

struct WorkerProgress {
    enum Kind { started, finished, connectionChecked } kind = started;
    int command = kIdle;
    CommandReport report;   // finished: the operations that failed
    ConnectionState state;  // finished, connectionChecked
};

class ConfigurationWorker {
public:
    // Called on the worker thread. A dialog posts itself a message from here; the model and the
    // windows are not touched from this thread.
    using Progress = std::function<void(const WorkerProgress&)>;

    struct Options {
        DWORD pollMs = 1000;
        // While idle after a read, ask the mouse every poll whether it is still attached (the
        // owner's status timer reads the result from connection()).
        bool watchConnection = false;
        ProgramSteps steps;
        Progress progress;
    };

    ConfigurationWorker(std::shared_ptr<SettingsModel> model, Options options);
    // Stops with the default bound; a worker still busy after it is left to finish on its own.
    ~ConfigurationWorker();
    ConfigurationWorker(const ConfigurationWorker&) = delete;
    ConfigurationWorker& operator=(const ConfigurationWorker&) = delete;

    bool start();
    void request(int command);
    int command() const;
    // The owner saw the finished write: 20 becomes 0 (and nothing else is touched).
    bool acknowledgeWrite();
    // Sets the stop flag and wakes the worker; waits at most `timeoutMs` for it to end while
    // delivering this thread's messages. True when it has ended.
    bool stop(DWORD timeoutMs);
    bool running() const { return thread_ != nullptr; }

    ConnectionState connection() const;
    CommandReport lastReport() const;

    static constexpr DWORD kDefaultStopWaitMs = 30000;

private:
    struct Shared;
    static DWORD WINAPI run(void* parameter);

    std::shared_ptr<Shared> shared_;
    HANDLE thread_ = nullptr;
};

}  // namespace tessel::cfg
