#pragma once
// What the server's tests share: the registered server, a single-threaded apartment, creation
// by ProgID, the simulated mouse the server talks to, and a sink that records events.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "middleware/api/ServerLib.h"
#include "middleware/common/scoped_win32.h"
#include "sim/mouse_state.h"

namespace tessel::com::testing {

using win32::ComPtr;

// The server DLL beside the test program, and its exports.
std::wstring serverPath();
HRESULT callServerExport(const char* name);  // DllRegisterServer, DllUnregisterServer
// DllCanUnloadNow of the loaded server: S_OK once nothing of it is alive.
HRESULT serverCanUnloadNow();

// The test thread as a single-threaded apartment, as the client programs run.
class Apartment : public win32::Apartment {
public:
    explicit Apartment(DWORD model = COINIT_APARTMENTTHREADED) : win32::Apartment(model) { EXPECT_EQ(status(), S_OK); }
};

// DeviceEnumeration through the component runtime, by its version-independent ProgID.
ComPtr<IDeviceEnumeration> createDeviceEnumeration();

// The simulated mouse of this test program: TESSEL_SIM names its state file from before the
// first test, so the server in this process talks to it.
namespace mouse {
std::string statePath();
void reset(const sim::MouseState& state = sim::MouseState::factory());
sim::MouseState read();
void change(const std::function<void(sim::MouseState&)>& edit);
// A factory mouse whose five profile numbers are all free.
sim::MouseState withoutProfiles();
}  // namespace mouse

// Runs a command line (a Windows program of the Wine prefix or of the build) and waits for it,
// delivering this thread's messages meanwhile.
DWORD runProgram(const std::wstring& commandLine);

// Delivers the window messages of this thread until `done` holds or `timeoutMs` passed.
bool pumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs);
void pumpMessagesFor(DWORD ms);

// One event as a sink received it.
struct Event {
    std::string name;
    std::vector<long> values;
    bool operator==(const Event&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Event& event);

// A sink for every event interface; each one records into a shared log, tagged with its own
// name so that tests can check the order of delivery over several sinks.
class RecordingSink final : public _IHaldenEvents,
                            public _IOTFSEvents,
                            public _IDpiEvents,
                            public _IHaldenProfileManagerEvents,
                            public _IButtonControlEvents {
public:
    static ComPtr<RecordingSink> create(std::vector<Event>* log, std::string tag = {});

    IFACEMETHODIMP QueryInterface(REFIID iid, void** object) override;
    IFACEMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    IFACEMETHODIMP_(ULONG) Release() override;

    IFACEMETHODIMP OnHaldenEvent(_THaldenInfoType* info) override;
    IFACEMETHODIMP OnOTFSEvent(_TButtonStatus* status) override;
    IFACEMETHODIMP OnDpiEvent() override;
    IFACEMETHODIMP OnHaldenProfileManagerEvent(_THaldenProfileManagerInfo* info) override;
    IFACEMETHODIMP OnButtonClickEvent(_TButtonStatus* status) override;

    IUnknown* unknown() { return static_cast<_IHaldenEvents*>(this); }
    ULONG references() const { return references_.load(); }
    // Called on every event after it is logged.
    std::function<void()> onEvent;

private:
    RecordingSink(std::vector<Event>* log, std::string tag) : log_(log), tag_(std::move(tag)) {}
    void record(const char* name, std::vector<long> values);

    std::vector<Event>* log_;
    std::string tag_;
    std::atomic<ULONG> references_{1};  // sinks may be held by another thread's delivery
};

// Subscribes `sink` to the events `iid` of `source`; the cookie, or 0 on failure.
DWORD advise(IUnknown* source, REFIID iid, IUnknown* sink);
HRESULT unadvise(IUnknown* source, REFIID iid, DWORD cookie);

// Saves a macro record under `name` (the icon's string slot and two elements) and loads it back
// into a record of the caller's, whose fields the store does not keep stay as they were.
void expectMacroRoundTrip(IMacroHandling& macros, const wchar_t* name);

}  // namespace tessel::com::testing
