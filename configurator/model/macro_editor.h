#pragma once
// The macro page's logic, free of windows: the key list's rows, the recorder, the key list's
// menu and the advanced dialog's ready-made commands. The page shows rows() and hands in what
// the user did; every change is stored in the model's current macro at once (as events, which
// also marks the macro and the current profile changed).
//
// Rows carry codes and delays; their text is derived from the code for display only, so a
// translated or renamed text can never change what the mouse plays.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "configurator/model/macro_events.h"
#include "configurator/model/settings_model.h"

namespace tessel::cfg {

enum class KeyRowKind : int { keyPress = 0, keyRelease = 1, delay = 2, mouseEvent = 3 };

struct KeyRow {
    KeyRowKind kind = KeyRowKind::delay;
    // Key rows: the key code (set-1 scan code, + kExtendedKey for E0 keys), without the release
    // bit. Mouse rows: mouse event i as i * 0x200, + kReleaseBit for "Up". Delay rows: 0.
    std::uint16_t code = 0;
    std::uint32_t delayMs = 0;  // delay rows only
    bool operator==(const KeyRow&) const = default;

    static KeyRow press(std::uint16_t key) { return {KeyRowKind::keyPress, key, 0}; }
    static KeyRow release(std::uint16_t key) { return {KeyRowKind::keyRelease, key, 0}; }
    static KeyRow delay(std::uint32_t ms) { return {KeyRowKind::delay, 0, ms}; }
    static KeyRow mouse(int mouseEvent, bool down);
    bool isEvent() const { return kind != KeyRowKind::delay; }
    // The event code the row stands for (the release bit set for releases and "Up").
    std::uint16_t eventCode() const;
};

inline constexpr std::uint32_t kMinKeyDelayMs = 50;
inline constexpr std::uint32_t kMinMouseDelayMs = 1;
inline constexpr std::uint32_t kMaxDelayMs = 59000;
inline constexpr std::uint32_t kInsertedDelayMs = 500;

// "0.300 sec delay", "LShift", "Left Button Down", "Wheel Up"; "?" for a code no table names.
std::u16string rowText(const KeyRow& row);

// Rebuilding a macro from its rows: delays add to the time of the next event; rows after the
// 16th event are not part of it.
std::vector<MacroEvent> eventsOfRows(std::span<const KeyRow> rows);
// Showing a macro: a delay row (limited to 0.05-59 s) before each event whose time differs
// from the previous one's. No rows for a macro with no events or more than 16.
std::vector<KeyRow> rowsOfEvents(std::span<const MacroEvent> events);

// The advanced dialog's lists, in list order.
std::span<const std::u16string_view> basicCommandNames();       // "Cut", "Copy", ...
std::span<const std::u16string_view> additionalCommandNames();  // "Swap Windows", ...
// The four rows of a command: first press, second press, second release, first release.
// Empty for an index outside the list.
std::vector<KeyRow> basicCommandRows(std::size_t index);
std::vector<KeyRow> additionalCommandRows(std::size_t index);

enum class EditResult {
    done,
    noMacro,        // no macro is chosen
    noSuchRow,
    wrongKind,      // e.g. a delay edit on a key row
    invalidKey,     // a key code the key table does not name
    tooManyEvents,  // the macro would pass 16 events: nothing was inserted
    recording,      // not while recording
    tooLong,        // a macro read with more than 16 events can only be recorded anew
};

struct RecorderOptions {
    bool ignoreDelays = false;        // "Ignore Delay Between Events": no delay rows
    bool insertDefaultDelay = false;  // "Insert Default Delay": every delay is the default
};

enum class RecordResult {
    recorded,
    ignored,  // not recording, an auto-repeat, or a release of nothing held
    stopped,  // the event did not fit: recording stopped and the event is not kept
};

class MacroEditor {
public:
    explicit MacroEditor(SettingsModel& model) : model_(model) {}

    // Chooses the macro at `macroRow` of the macro list and shows its rows.
    bool show(std::size_t macroRow);
    // The rows shown: empty when no macro is chosen (also after the chosen one was deleted).
    const std::vector<KeyRow>& rows();

    // --- the key list's menu (each stores the macro) ---
    EditResult insertDelay(std::size_t at);  // a 0.5 s delay row at `at` (at the end when past it)
    EditResult editDelay(std::size_t at, std::int64_t ms);  // clamped to 0-59,000 ms
    // A key row takes `keyCode`; its matching press or release follows, so no key is left held.
    EditResult replaceKey(std::size_t at, std::uint16_t keyCode);
    // A press also removes its matching release after it, a release its matching press before
    // it (mouse "Down" and "Up" likewise).
    EditResult deleteRow(std::size_t at);
    // The advanced dialog's "Insert": the command's rows after row `after`, at the start when
    // none is chosen.
    EditResult insertBasicCommand(std::size_t index, std::optional<std::size_t> after);
    EditResult insertAdditionalCommand(std::size_t index, std::optional<std::size_t> after);

    // --- the recorder; times are the caller's clock in milliseconds ---
    // Clears the macro's events and rows; false without a chosen macro.
    bool startRecording(std::uint64_t nowMs, RecorderOptions options);
    // Keys still held get their releases, so the mouse plays no stuck key.
    void stopRecording();
    bool recording() const { return recording_; }
    RecordResult keyDown(std::uint16_t keyCode, bool autoRepeat, std::uint64_t nowMs);
    RecordResult keyUp(std::uint16_t keyCode, std::uint64_t nowMs);
    RecordResult mouseButton(int mouseEvent, bool down, std::uint64_t nowMs);  // event 1-5

private:
    MacroNode* macro();
    EditResult editable();
    EditResult insertRows(std::vector<KeyRow> command, std::optional<std::size_t> after);
    RecordResult record(KeyRow row, std::uint64_t nowMs);
    void store();

    SettingsModel& model_;
    std::vector<KeyRow> rows_;
    bool recording_ = false;
    RecorderOptions options_;
    std::uint64_t lastEventMs_ = 0;
    std::size_t recordedEvents_ = 0;
    std::vector<std::uint16_t> held_;  // event codes of presses not yet released
};

}  // namespace tessel::cfg
