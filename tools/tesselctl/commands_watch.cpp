// watch: one sink subscribed to the events of the onboard memory object, its profile manager,
// the active profile's sensitivity object and an on-the-fly sensitivity object, as the tray
// program subscribes; each event is printed as it arrives.
#include <cstdio>
#include <optional>

#include "tools/tesselctl/commands.h"
#include "tools/tesselctl/failure.h"

namespace tessel::ctl {
namespace {

// Set by the console's Ctrl+C, Ctrl+Break and close notices; the message loop waits on it.
HANDLE g_stop = nullptr;
// Set when the loop has ended, so a closing console waits for the subscriptions to end.
HANDLE g_finished = nullptr;

BOOL WINAPI onConsoleControl(DWORD kind) {
    SetEvent(g_stop);
    if (kind == CTRL_CLOSE_EVENT || kind == CTRL_LOGOFF_EVENT || kind == CTRL_SHUTDOWN_EVENT)
        WaitForSingleObject(g_finished, 5000);  // the process ends when this returns
    return TRUE;
}

// A new manual-reset event, not set.
win32::UniqueHandle newEvent() {
    win32::UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event) check(HRESULT_FROM_WIN32(GetLastError()), "creating an event");
    return event;
}

// The console notices for the life of the watch.
class ConsoleControl {
public:
    ConsoleControl() : stop_(newEvent()), finished_(newEvent()) {
        g_stop = stop_.get();
        g_finished = finished_.get();
        SetConsoleCtrlHandler(onConsoleControl, TRUE);
    }
    ~ConsoleControl() {
        SetEvent(finished_.get());
        SetConsoleCtrlHandler(onConsoleControl, FALSE);
    }
    HANDLE stop() const { return stop_.get(); }

private:
    win32::UniqueHandle stop_;
    win32::UniqueHandle finished_;
};

class EventSink final : public _IOTFSEvents,
                        public _IHaldenProfileManagerEvents,
                        public _IDpiEvents,
                        public _IHaldenEvents {
public:
    explicit EventSink(const Output& out) : out_(out) {}

    int count() const { return count_; }

    IFACEMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID__IOTFSEvents)
            *object = static_cast<_IOTFSEvents*>(this);
        else if (iid == IID__IHaldenProfileManagerEvents)
            *object = static_cast<_IHaldenProfileManagerEvents*>(this);
        else if (iid == IID__IDpiEvents)
            *object = static_cast<_IDpiEvents*>(this);
        else if (iid == IID__IHaldenEvents)
            *object = static_cast<_IHaldenEvents*>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&references_); }
    IFACEMETHODIMP_(ULONG) Release() override {
        const ULONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return left;
    }

    IFACEMETHODIMP OnHaldenEvent(_THaldenInfoType* info) override {
        if (!info) return S_OK;
        std::string text = "OnHaldenEvent";
        if (info->ValidFields == 1)
            text += " sensitivity=" + std::to_string(info->DpiX) + "x" + std::to_string(info->DpiY);
        else if (info->ValidFields == 2)
            text += " profile=" + std::to_string(info->ActiveProfile);
        else
            text += " fields=" + std::to_string(info->ValidFields) + " dpi=" + std::to_string(info->DpiX) + "x" +
                    std::to_string(info->DpiY) + " profile=" + std::to_string(info->ActiveProfile);
        print(Json::object()
                  .set("event", "OnHaldenEvent")
                  .set("validFields", info->ValidFields)
                  .set("dpiX", info->DpiX)
                  .set("dpiY", info->DpiY)
                  .set("activeProfile", info->ActiveProfile),
              text);
        return S_OK;
    }

    IFACEMETHODIMP OnHaldenProfileManagerEvent(_THaldenProfileManagerInfo* info) override {
        if (!info) return S_OK;
        print(Json::object().set("event", "OnHaldenProfileManagerEvent").set("activeProfile", info->ActiveProfile),
              "OnHaldenProfileManagerEvent profile=" + std::to_string(info->ActiveProfile));
        return S_OK;
    }

    IFACEMETHODIMP OnDpiEvent() override {
        print(Json::object().set("event", "OnDpiEvent"), "OnDpiEvent");
        return S_OK;
    }

    IFACEMETHODIMP OnOTFSEvent(_TButtonStatus* status) override {
        if (!status) return S_OK;
        print(Json::object().set("event", "OnOTFSEvent").set("button", static_cast<long>(status->button)).set("state", status->bState),
              "OnOTFSEvent button=" + std::to_string(status->button) + (status->bState ? " pressed" : " released"));
        return S_OK;
    }

private:
    void print(const Json& data, const std::string& text) {
        ++count_;
        out_.result(data, text);
    }

    const Output& out_;
    int count_ = 0;
    LONG references_ = 0;  // the owning ComPtr takes the first reference
};

// One Advise, undone when the holder goes.
class Subscription {
public:
    Subscription(IUnknown& source, REFIID iid, IUnknown* sink, const std::string& what) {
        ComPtr<IConnectionPointContainer> container;
        const std::string operation = "subscribing to the events of " + what;
        check(source.QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container.GetAddressOf())), operation);
        check(container->FindConnectionPoint(iid, point_.GetAddressOf()), operation);
        check(point_->Advise(sink, &cookie_), operation);
    }
    ~Subscription() { point_->Unadvise(cookie_); }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;

private:
    ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
};

void runWatch(Context& context) {
    Arguments& args = context.args;
    const std::optional<std::string> countText = args.takeOption("--count");
    const std::optional<std::string> timeoutText = args.takeOption("--timeout");
    // 0: no limit of that kind.
    const int count = countText ? static_cast<int>(parseNumber(*countText, 1, INT32_MAX, "the count")) : 0;
    const DWORD timeout = timeoutText ? static_cast<DWORD>(parseNumber(*timeoutText, 1, INT32_MAX, "the timeout")) : 0;
    args.noMore();

    Middleware& middleware = context.mouse();
    IHalden& halden = middleware.halden();
    const ComPtr<IHaldenProfileManager> profiles = middleware.profileManager();
    const ComPtr<IDpi> dpi =
        middleware.profileFeature<IDpi>(*middleware.profile(std::nullopt).Get(), IID_IDpi, "the sensitivity object");
    const ComPtr<IOTFS> otfs = middleware.create(&IDeviceType::CreateOTFSInterface, "the on-the-fly sensitivity object");

    ConsoleControl console;
    // Assignment takes the one reference; MinGW's ComPtr::Attach would add a second and leak it.
    ComPtr<EventSink> sink = new EventSink(context.out);
    IUnknown* sinkUnknown = static_cast<_IOTFSEvents*>(sink.Get());
    const Subscription onOtfs(*otfs.Get(), IID__IOTFSEvents, sinkUnknown, "the on-the-fly sensitivity object");
    const Subscription onProfiles(*profiles.Get(), IID__IHaldenProfileManagerEvents, sinkUnknown, "the profile manager");
    const Subscription onDpi(*dpi.Get(), IID__IDpiEvents, sinkUnknown, "the sensitivity object");
    const Subscription onHalden(halden, IID__IHaldenEvents, sinkUnknown, "the onboard memory object");

    // The stages of every profile, so that sensitivity steps are computed without asking the mouse.
    ComPtr<IHaldenDownload> download;
    check(halden.QueryInterface(IID_IHaldenDownload, reinterpret_cast<void**>(download.GetAddressOf())),
          "reaching the stage download");
    check(download->Download(), "reading the stages of every profile");
    writeError("tesselctl: watching the mouse's events (Ctrl+C ends)\n");

    // The events arrive on this thread while it delivers its messages.
    const ULONGLONG deadline = GetTickCount64() + timeout;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (count && sink->count() >= count) return;
        DWORD wait = INFINITE;
        if (timeout) {
            const ULONGLONG now = GetTickCount64();
            if (now >= deadline) break;
            wait = static_cast<DWORD>(deadline - now);
        }
        const HANDLE stop = console.stop();
        if (MsgWaitForMultipleObjects(1, &stop, FALSE, wait, QS_ALLINPUT) == WAIT_OBJECT_0) {
            writeError("tesselctl: interrupted after " + std::to_string(sink->count()) + " events\n");
            return;
        }
    }
    if (count)
        throw std::runtime_error(std::to_string(sink->count()) + " of " + std::to_string(count) + " events arrived within " +
                                 std::to_string(timeout) + " ms");
}

}  // namespace

const Command kWatchCommand = {
    "watch", "print the mouse's events as they arrive",
    R"(usage: tesselctl watch [--count N] [--timeout MS]

Subscribes to the events of the mouse's own buttons (sensitivity steps, stage and profile
selection) and prints one line per event until Ctrl+C, or until N events have arrived, or
until MS milliseconds have passed. With --count, a timeout that comes first is a failure.
Each line names its event, e.g. "OnHaldenEvent sensitivity=900x900" or
"OnHaldenEvent profile=2"; with --json each line is one JSON object.)",
    runWatch};

}  // namespace tessel::ctl
