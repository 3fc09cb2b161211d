#pragma once
// The configurator's settings model: an in-memory copy of the mouse's profiles and macros and
// of the device-wide settings the pages edit. It touches no window and no middleware object:
// the pages are views over it, and the configuration worker reads it from and writes it to the
// mouse (device_session.h).
//
// Rows are what the pages list: the nodes not marked for deletion, in list order. Every
// operation that takes a row index counts live nodes only.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "configurator/model/button_functions.h"
#include "configurator/model/macro_events.h"
#include "configurator/model/stage_record.h"

namespace tessel::cfg {

inline constexpr std::size_t kMaxProfiles = 5;
inline constexpr std::size_t kMaxNameLength = 19;  // what the mouse's name records keep
inline constexpr std::size_t kCopyNameStem = 16;
inline constexpr std::uint32_t kLedScrollWheel = 1;
inline constexpr std::uint32_t kLedBatteryIndicator = 2;
inline constexpr std::uint32_t kLedChargingDock = 4;

struct ProfileNode;

struct MacroNode {
    std::int32_t deviceId = 0;  // lMacroId on the mouse; 0 before it is created there
    std::u16string name;
    std::vector<MacroEvent> events;  // at most 16

    bool onDevice = false;
    bool changed = false;
    bool assigned = false;  // some button runs it
    bool markedForDeletion = false;
    bool written = false;   // written by the last write; a new edit clears it
    // Read from the mouse with more than 16 events: it shows nothing and stays on the mouse as
    // it is (a rewrite would cut it) until new events replace it.
    bool tooLong = false;
};

struct ProfileNode {
    std::u16string name;
    // The button mapping table as read; empty when the mouse gave none (the pages then give
    // the profile its defaults).
    std::optional<MappingTable> mappings;
    // Per table entry: the macro a button runs, the profile it switches to.
    std::array<MacroNode*, kButtonRows> macroLinks{};
    std::array<ProfileNode*, kButtonRows> profileLinks{};
    bool profileSwitchNotice = true;  // [PROFILEOSD]
    bool sensitivityNotice = true;    // [OTFSOSD]
    std::uint32_t ledBits = 0;
    std::optional<StageRecord> stages;
    std::u16string application;
    bool autoSwitch = false;
    std::int32_t deviceNumber = 0;  // 1-5 on the mouse; 0 before it is created there
    int ordinal = 0;                // 1-based place in the list as read

    bool onDevice = false;
    bool changed = false;
    bool hasProfileSwitchLinks = false;
    bool copiedFrom = false;
    bool markedForDeletion = false;
    bool deletedOnDevice = false;
    bool rewrite = false;  // everything is written again
    bool loaded = false;
};

// Device-wide settings and what the pages show of the current profile's sensitivity.
struct PerformanceSettings {
    int sliderX = 12;  // positions 1..32, x 125 DPI
    int sliderY = 12;
    bool independentXY = false;
    bool accelerationOn = false;
    int acceleration = 5;  // 1..10
    std::int32_t pollingRate = 1000;  // the rate to apply: 125, 500 or 1000
};

enum class ChoiceResult {
    applied,
    awaitingSecondLevel,  // "Macro" or "Profile": the row waits for the name chosen next
    refusedLeftClick,     // no row would keep "Click": the row was set back to "Click"
    ignored,              // no profile, or the row does not offer the function
};

enum class ListResult { done, limitReached, nameTaken, nameInvalid, refused, noSuchRow };

class SettingsModel {
public:
    SettingsModel() = default;
    SettingsModel(const SettingsModel&) = delete;
    SettingsModel& operator=(const SettingsModel&) = delete;

    // --- building (the worker's read) ---
    ProfileNode& appendProfile();
    MacroNode& appendMacro();
    void clear();
    // After reading: the profile whose name is the mouse's active one becomes current and
    // active; buttons are linked to the macros and profiles their records name.
    struct Selection;
    Selection finishLoading(const std::u16string& activeName);

    // --- rows and lookups ---
    std::size_t profileCount() const;  // live rows
    std::size_t macroCount() const;
    ProfileNode* profileAt(std::size_t row) const;
    MacroNode* macroAt(std::size_t row) const;
    std::optional<std::size_t> rowOf(const ProfileNode& node) const;
    std::optional<std::size_t> rowOf(const MacroNode& node) const;
    ProfileNode* profileByName(std::u16string_view name) const;
    ProfileNode* profileByNumber(std::int32_t deviceNumber) const;
    MacroNode* macroByName(std::u16string_view name) const;
    MacroNode* macroById(std::int32_t deviceId) const;
    // Every node in list order, including those marked for deletion (the write walks these).
    const std::vector<std::unique_ptr<ProfileNode>>& profileNodes() const { return profiles_; }
    const std::vector<std::unique_ptr<MacroNode>>& macroNodes() const { return macros_; }

    // The profile the pages show: the node at the current row (the first when out of range).
    ProfileNode* current() const;
    std::size_t currentRow() const { return currentRow_; }
    // Shows the profile at `row`; the sliders follow its current stage. A profile without a
    // mapping table is given the defaults; the result says so.
    struct Selection {
        bool selected = false;
        bool defaultsRestored = false;
    };
    Selection selectProfile(std::size_t row);
    // The profile the mouse has active (as last read or written).
    ProfileNode* activeOnDevice() const { return activeOnDevice_; }
    void setActiveOnDevice(ProfileNode* node) { activeOnDevice_ = node; }

    PerformanceSettings& performance() { return performance_; }
    const PerformanceSettings& performance() const { return performance_; }
    int macroDefaultDelayMs() const { return macroDefaultDelayMs_; }
    void setMacroDefaultDelayMs(int ms) { macroDefaultDelayMs_ = ms; }

    // --- edits of the current profile (each marks it changed) ---
    void markChanged(ProfileNode& node) { node.changed = true; }
    void markChanged(MacroNode& node);
    ChoiceResult chooseFunction(int row, ButtonFunction function, std::int32_t keyCode = 0);
    // The second-level choice after "Macro" or "Profile": the node at `listRow` of that list.
    bool linkMacro(int row, std::size_t macroRow);
    bool linkProfile(int row, std::size_t profileRow);
    // What a row shows: its link, else the function of its record.
    std::optional<ButtonFunction> rowFunction(int row) const;
    // Sliders: positions 1..32; with X-Y independence off, Y follows X.
    void setSensitivity(double x, double y);
    void setIndependentXY(bool on);
    bool setLed(std::uint32_t bit, bool on);  // false when it already was so
    void setSensitivityNotice(bool on);
    void setProfileSwitchNotice(bool on);
    void setAcceleration(bool on, double value);
    bool setPollingRate(std::int32_t rate);  // 125, 500 or 1000
    // The stages dialog's result; the sliders follow its current stage.
    void setStageRecord(const StageRecord& record);
    // Restore Default of the current profile.
    void restoreDefaults();

    // --- the profile list ---
    ListResult createProfile(std::u16string_view name);
    ListResult copyProfile(std::size_t row);
    ListResult deleteProfile(std::size_t row);
    ListResult renameProfile(std::size_t row, std::u16string_view name);
    ListResult setApplication(std::size_t row, std::u16string_view path);  // keeps the file name
    ListResult setAutoSwitch(std::size_t row, bool on);

    // --- the macro list ---
    ListResult createMacro(std::u16string_view name);
    ListResult deleteMacro(std::size_t row);
    // At most 16 events are kept; marks the macro and the current profile changed.
    ListResult setMacroEvents(std::size_t row, std::vector<MacroEvent> events);
    // The macro the macro page shows; none after it was deleted.
    bool selectMacro(std::size_t row);
    MacroNode* currentMacro() const { return currentMacro_; }
    std::optional<std::size_t> currentMacroRow() const;

    // --- rules the exchange files and the side files apply to a profile they filled ---
    // What a profile created by New starts with: default buttons, all lights, default stages.
    static void giveNewProfileDefaults(ProfileNode& node);
    // The left-click rule: when no row 0-6 keeps "Click", row 0 takes it back. True when it did.
    bool keepClick(ProfileNode& node);
    // The flags that follow a profile's links: has profile-switch links, macros assigned.
    void refreshLinkFlags(ProfileNode& node);

    // --- the write ---
    // The current profile's stage record as it is written: stages limited to its count and the
    // current stage carrying the sliders' values. Creates the record when the profile has none.
    StageRecord& settleCurrentStages();
    // The mapping table of `node` as written: linked rows carry their macro's device id or
    // their target's profile number. False when a link names a node not on the mouse.
    bool resolveLinks(ProfileNode& node) const;
    // Forgets a node that was deleted on the mouse or never reached it.
    void forget(const ProfileNode& node);
    void forget(const MacroNode& node);

private:
    std::vector<ProfileNode*> liveProfiles() const;
    std::vector<MacroNode*> liveMacros() const;
    void slidersFromCurrentStage();
    void unlinkEverywhere(const void* target);
    bool keepsClick(const ProfileNode& node, int changedRow, ButtonFunction function) const;
    void storeChoice(ProfileNode& node, int row, ButtonFunction function, std::int32_t keyCode);
    std::u16string copyName(const std::u16string& source) const;

    std::vector<std::unique_ptr<ProfileNode>> profiles_;
    std::vector<std::unique_ptr<MacroNode>> macros_;
    std::size_t currentRow_ = 0;
    ProfileNode* activeOnDevice_ = nullptr;
    MacroNode* currentMacro_ = nullptr;
    PerformanceSettings performance_;
    int macroDefaultDelayMs_ = 50;
};

// A name the mouse can keep: 1..19 characters, no terminator inside.
bool validName(std::u16string_view name);

}  // namespace tessel::cfg
