#pragma once
// The middleware as the configuration worker holds it: DeviceEnumeration created by its ProgID
// through the component runtime, the wired and wireless device types and the objects reached
// from them. It reads the whole mouse into a SettingsModel and writes the model back in its
// fixed order, collecting every operation that failed. All of it lives in the apartment of the
// thread that created it; only that thread may call it.
#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "configurator/model/settings_model.h"
#include "middleware/api/ServerLib.h"
#include "middleware/common/scoped_win32.h"

namespace tessel::cfg {

using tessel::win32::ComPtr;

inline constexpr unsigned short kWiredProduct = 0x13;
inline constexpr unsigned short kWirelessProduct = 0x14;

// One middleware operation that did not succeed: which, on what, and its status code.
struct Failure {
    std::string operation;   // "SetDpiStages", "CreateMacro", ...
    std::u16string subject;  // the profile or macro it concerned; empty for the mouse itself
    HRESULT status = S_OK;
    bool operator==(const Failure&) const = default;
};

struct CommandReport {
    std::vector<Failure> failures;
    bool ok() const { return failures.empty(); }
};

// What the connection knows besides the model.
struct ConnectionState {
    bool wiredConnected = false;
    bool wirelessConnected = false;
    bool loaded = false;
    bool rateChanging = false;  // the mouse re-attaches after a polling-rate change
    // The profile shown after reading had no mapping table and was given the defaults.
    bool defaultsRestored = false;
    std::u16string wiredFirmware;
    std::u16string wirelessFirmware;
    std::u16string driverVersion;
    std::int32_t rateRead = 0;
    std::int32_t rateWritten = 0;
};

// Steps of a read or write that belong to the program around the model. Each may be empty.
struct ProgramSteps {
    // The profile side files (one exchange file per profile): read after the mouse was read,
    // written after every write. Wired to the exchange-file reader and writer of formats/.
    std::function<void(SettingsModel&)> readSideFiles;
    std::function<void(const SettingsModel&)> writeSideFiles;
    // Around the polling rate: the tray reloads its profiles when the rate stays; it is stopped
    // before a change (the mouse re-attaches) and started again after it.
    std::function<void()> rateUnchanged;
    std::function<void()> beforeRateChange;
    std::function<void()> afterRateChange;
};

class DeviceSession {
public:
    DeviceSession(SettingsModel& model, ProgramSteps steps = {});
    ~DeviceSession() { release(); }
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    // Command 1: connect to the mouse and read everything into the model. The model is
    // rebuilt: nodes the pages held before are gone.
    CommandReport connectAndRead();
    // Command 2: write the model in its fixed order. A node whose write failed keeps its
    // flags and is written again next time.
    CommandReport writeAll();
    // Asks the device types whether the mouse is still there; updates the connection flags.
    CommandReport checkConnection();
    // Drops every middleware object (before the thread leaves the component runtime).
    void release();

    const ConnectionState& state() const { return state_; }

private:
    struct ProfileObjects {
        ComPtr<IHaldenProfile> profile;
        ComPtr<IDpi> dpi;
        ComPtr<ILedStatus> led;
    };

    bool succeeded(HRESULT status, const char* operation, const std::u16string& subject = {});
    ComPtr<IDeviceType> openDeviceType(unsigned short product, std::u16string& firmware, bool& connected);
    void readProfiles();
    void readMacros();
    void readPerformance();
    ProfileObjects* objectsOf(const ProfileNode& node);
    template <class T>
    T* profileFeature(ProfileNode& node, ComPtr<T> ProfileObjects::*member, REFIID iid);
    bool writeStages(ProfileNode& node, const StageRecord& record);
    std::int32_t activeProfileNumber();  // 0 when the mouse does not say
    void writeMacros();
    void writeProfiles();
    void writeAcceleration();
    void applyPollingRate();

    SettingsModel& model_;
    ProgramSteps steps_;
    ConnectionState state_;
    std::vector<Failure>* failures_ = nullptr;  // of the command running

    ComPtr<IDeviceEnumeration> enumeration_;
    ComPtr<IDeviceType> wired_;
    ComPtr<IDeviceType> wireless_;
    ComPtr<IProfile> profile_;
    ComPtr<IHalden> halden_;
    ComPtr<IHaldenProfileManager> profileManager_;
    ComPtr<IHaldenMacroManager> macroManager_;
    ComPtr<IPerformanceSettings> performance_;
    ComPtr<IPollingRate> pollingRate_;
    std::map<std::int32_t, ProfileObjects> profileObjects_;      // by profile number
    std::map<std::int32_t, ComPtr<IHaldenMacro>> macroObjects_;  // by macro id
};

}  // namespace tessel::cfg
