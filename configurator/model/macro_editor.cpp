#include "configurator/model/macro_editor.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace tessel::cfg {

namespace {

constexpr std::uint16_t kKeyCodeMask = 0x1FF;

bool isPress(const KeyRow& row) {
    return row.kind == KeyRowKind::keyPress || (row.kind == KeyRowKind::mouseEvent && !(row.code & kReleaseBit));
}

// Rows of one key (or one mouse button), whatever their direction.
bool sameSource(const KeyRow& a, const KeyRow& b) {
    const bool aKey = a.kind == KeyRowKind::keyPress || a.kind == KeyRowKind::keyRelease;
    const bool bKey = b.kind == KeyRowKind::keyPress || b.kind == KeyRowKind::keyRelease;
    if (aKey != bKey || !a.isEvent() || !b.isEvent()) return false;
    return (a.code & ~kReleaseBit) == (b.code & ~kReleaseBit);
}

// The release that ends the press at `at`, or the press that the release at `at` ends; presses
// of the same key in between nest.
std::optional<std::size_t> partnerOf(const std::vector<KeyRow>& rows, std::size_t at) {
    const KeyRow& row = rows[at];
    if (!row.isEvent()) return std::nullopt;
    const bool forward = isPress(row);
    int depth = 0;
    for (std::size_t i = at; forward ? i + 1 < rows.size() : i > 0;) {
        i = forward ? i + 1 : i - 1;
        if (!sameSource(rows[i], row)) continue;
        if (isPress(rows[i]) == forward)
            ++depth;
        else if (depth-- == 0)
            return i;
    }
    return std::nullopt;
}

std::size_t eventCount(const std::vector<KeyRow>& rows) {
    return static_cast<std::size_t>(std::count_if(rows.begin(), rows.end(), [](const KeyRow& r) { return r.isEvent(); }));
}

std::uint32_t clampDelay(std::int64_t ms, std::uint32_t least) {
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(ms, least, kMaxDelayMs));
}

struct Command {
    std::u16string_view name;
    std::u16string_view first;
    std::u16string_view second;
};

constexpr std::array<Command, 9> kBasicCommands = {{
    {u"Cut", u"LCtrl", u"X"},
    {u"Copy", u"LCtrl", u"C"},
    {u"Paste", u"LCtrl", u"V"},
    {u"Undo", u"LCtrl", u"Z"},
    {u"All", u"LCtrl", u"A"},
    {u"Find", u"LCtrl", u"F"},
    {u"New", u"LCtrl", u"N"},
    {u"Print", u"LCtrl", u"P"},
    {u"Save", u"LCtrl", u"S"},
}};

constexpr std::array<Command, 8> kAdditionalCommands = {{
    {u"Swap Windows", u"LAlt", u"Tab"},
    {u"Close Window", u"LAlt", u"F4"},
    {u"Lock PC", u"LWin", u"L"},
    {u"Open Explorer", u"LWin", u"E"},
    {u"Run", u"LWin", u"R"},
    {u"Show Desktop", u"LWin", u"D"},
    {u"Zoom In", u"LCtrl", u"+="},
    {u"Zoom Out", u"LCtrl", u"_-"},
}};

template <std::size_t N>
std::span<const std::u16string_view> namesOf(const std::array<Command, N>& commands) {
    static const std::array<std::u16string_view, N> names = [&] {
        std::array<std::u16string_view, N> all{};
        for (std::size_t i = 0; i < N; ++i) all[i] = commands[i].name;
        return all;
    }();
    return names;
}

template <std::size_t N>
std::vector<KeyRow> rowsOf(const std::array<Command, N>& commands, std::size_t index) {
    if (index >= N) return {};
    const std::uint16_t first = keyCodeOfName(commands[index].first);
    const std::uint16_t second = keyCodeOfName(commands[index].second);
    return {KeyRow::press(first), KeyRow::press(second), KeyRow::release(second), KeyRow::release(first)};
}

}  // namespace

KeyRow KeyRow::mouse(int mouseEvent, bool down) {
    const auto code = static_cast<std::uint16_t>(mouseEvent * 0x200 + (down ? 0 : kReleaseBit));
    return {KeyRowKind::mouseEvent, code, 0};
}

std::uint16_t KeyRow::eventCode() const {
    return kind == KeyRowKind::keyRelease ? static_cast<std::uint16_t>(code | kReleaseBit) : code;
}

std::u16string rowText(const KeyRow& row) {
    switch (row.kind) {
    case KeyRowKind::delay: {
        char text[32];
        std::snprintf(text, sizeof text, "%.03f sec delay", row.delayMs / 1000.0);
        return std::u16string(text, text + std::char_traits<char>::length(text));
    }
    case KeyRowKind::mouseEvent: {
        const std::u16string_view name = mouseEventName(mouseEventOf(row.code));
        if (name.empty()) return u"?";
        return std::u16string(name) + ((row.code & kReleaseBit) ? u" Up" : u" Down");
    }
    case KeyRowKind::keyPress:
    case KeyRowKind::keyRelease: {
        const std::u16string_view name = keyName(row.code);
        return name.empty() ? u"?" : std::u16string(name);
    }
    }
    return u"?";
}

std::vector<MacroEvent> eventsOfRows(std::span<const KeyRow> rows) {
    std::vector<MacroEvent> events;
    std::uint32_t time = 0;
    for (const KeyRow& row : rows) {
        if (!row.isEvent()) {
            time += row.delayMs;
            continue;
        }
        if (events.size() == kMaxMacroEvents) break;
        events.push_back({row.eventCode(), time});
    }
    return events;
}

std::vector<KeyRow> rowsOfEvents(std::span<const MacroEvent> events) {
    std::vector<KeyRow> rows;
    if (events.empty() || events.size() > kMaxMacroEvents) return rows;
    std::uint32_t previous = 0;
    for (const MacroEvent& event : events) {
        if (event.timeMs != previous)
            rows.push_back(KeyRow::delay(
                clampDelay(static_cast<std::int64_t>(event.timeMs) - static_cast<std::int64_t>(previous), kMinKeyDelayMs)));
        previous = event.timeMs;
        if (isMouseEvent(event.code)) {
            const int mouse = mouseEventOf(event.code);
            // Codes as read from the mouse (0x7E00 + i) show as the codes the recorder makes.
            if (!mouseEventName(mouse).empty())
                rows.push_back(KeyRow::mouse(mouse, !(event.code & kReleaseBit)));
            else
                rows.push_back({KeyRowKind::mouseEvent, event.code, 0});
        } else if (event.code & kReleaseBit) {
            rows.push_back(KeyRow::release(event.code & kKeyCodeMask));
        } else {
            rows.push_back(KeyRow::press(event.code));
        }
    }
    return rows;
}

std::span<const std::u16string_view> basicCommandNames() { return namesOf(kBasicCommands); }
std::span<const std::u16string_view> additionalCommandNames() { return namesOf(kAdditionalCommands); }
std::vector<KeyRow> basicCommandRows(std::size_t index) { return rowsOf(kBasicCommands, index); }
std::vector<KeyRow> additionalCommandRows(std::size_t index) { return rowsOf(kAdditionalCommands, index); }

// --- the editor ---

MacroNode* MacroEditor::macro() {
    MacroNode* node = model_.currentMacro();
    if (!node) {
        rows_.clear();
        recording_ = false;
        held_.clear();
    }
    return node;
}

bool MacroEditor::show(std::size_t macroRow) {
    if (recording_ || !model_.selectMacro(macroRow)) return false;
    const MacroNode& node = *model_.currentMacro();
    rows_ = node.tooLong ? std::vector<KeyRow>() : rowsOfEvents(node.events);
    return true;
}

const std::vector<KeyRow>& MacroEditor::rows() {
    macro();
    return rows_;
}

EditResult MacroEditor::editable() {
    const MacroNode* node = macro();
    if (!node) return EditResult::noMacro;
    if (recording_) return EditResult::recording;
    if (node->tooLong) return EditResult::tooLong;
    return EditResult::done;
}

void MacroEditor::store() {
    if (const auto row = model_.currentMacroRow()) model_.setMacroEvents(*row, eventsOfRows(rows_));
}

EditResult MacroEditor::insertDelay(std::size_t at) {
    if (const EditResult result = editable(); result != EditResult::done) return result;
    rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(std::min(at, rows_.size())), KeyRow::delay(kInsertedDelayMs));
    store();
    return EditResult::done;
}

EditResult MacroEditor::editDelay(std::size_t at, std::int64_t ms) {
    if (const EditResult result = editable(); result != EditResult::done) return result;
    if (at >= rows_.size()) return EditResult::noSuchRow;
    if (rows_[at].kind != KeyRowKind::delay) return EditResult::wrongKind;
    rows_[at].delayMs = clampDelay(ms, 0);
    store();
    return EditResult::done;
}

EditResult MacroEditor::replaceKey(std::size_t at, std::uint16_t keyCode) {
    if (const EditResult result = editable(); result != EditResult::done) return result;
    if (at >= rows_.size()) return EditResult::noSuchRow;
    KeyRow& row = rows_[at];
    if (row.kind != KeyRowKind::keyPress && row.kind != KeyRowKind::keyRelease) return EditResult::wrongKind;
    if (keyName(keyCode).empty()) return EditResult::invalidKey;
    if (const auto partner = partnerOf(rows_, at)) rows_[*partner].code = keyCode;
    row.code = keyCode;
    store();
    return EditResult::done;
}

EditResult MacroEditor::deleteRow(std::size_t at) {
    if (const EditResult result = editable(); result != EditResult::done) return result;
    if (at >= rows_.size()) return EditResult::noSuchRow;
    const auto partner = partnerOf(rows_, at);
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(at));
    if (partner) rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(*partner > at ? *partner - 1 : *partner));
    store();
    return EditResult::done;
}

EditResult MacroEditor::insertRows(std::vector<KeyRow> command, std::optional<std::size_t> after) {
    if (const EditResult result = editable(); result != EditResult::done) return result;
    if (command.empty() || (after && *after >= rows_.size())) return EditResult::noSuchRow;
    if (eventCount(rows_) + eventCount(command) > kMaxMacroEvents) return EditResult::tooManyEvents;
    const std::size_t at = after ? *after + 1 : 0;
    rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(at), command.begin(), command.end());
    store();
    return EditResult::done;
}

EditResult MacroEditor::insertBasicCommand(std::size_t index, std::optional<std::size_t> after) {
    return insertRows(basicCommandRows(index), after);
}

EditResult MacroEditor::insertAdditionalCommand(std::size_t index, std::optional<std::size_t> after) {
    return insertRows(additionalCommandRows(index), after);
}

// --- the recorder ---

bool MacroEditor::startRecording(std::uint64_t nowMs, RecorderOptions options) {
    if (recording_ || !macro()) return false;
    recording_ = true;
    options_ = options;
    rows_.clear();
    held_.clear();
    recordedEvents_ = 0;
    lastEventMs_ = nowMs;
    store();  // a recording always starts a new event list
    return true;
}

void MacroEditor::stopRecording() {
    if (!recording_) return;
    recording_ = false;
    if (!macro()) return;
    // Releases of what is still held, latest press first; recording kept room for them.
    for (auto code = held_.rbegin(); code != held_.rend(); ++code) {
        if (*code & kMouseMask)
            rows_.push_back({KeyRowKind::mouseEvent, static_cast<std::uint16_t>(*code | kReleaseBit), 0});
        else
            rows_.push_back(KeyRow::release(*code));
    }
    held_.clear();
    store();
}

// An event is kept only when the releases of every key it leaves held still fit in the 16
// events: otherwise the mouse would play a key pressed for good. An event that does not fit
// stops recording.
RecordResult MacroEditor::record(KeyRow row, std::uint64_t nowMs) {
    if (!recording_) return RecordResult::ignored;
    if (!macro()) return RecordResult::stopped;
    if (recordedEvents_ >= kMaxMacroEvents) {
        stopRecording();
        return RecordResult::stopped;
    }
    const std::uint16_t source = row.eventCode() & ~kReleaseBit;
    const auto held = std::find(held_.begin(), held_.end(), source);
    const bool press = isPress(row);
    if (press == (held != held_.end())) return RecordResult::ignored;  // a repeat, or a release of nothing held
    const std::size_t heldAfter = press ? held_.size() + 1 : held_.size() - 1;
    if (recordedEvents_ + 1 + heldAfter > kMaxMacroEvents) {
        stopRecording();
        return RecordResult::stopped;
    }
    if (recordedEvents_ > 0 && !options_.ignoreDelays) {
        const std::int64_t measured = nowMs >= lastEventMs_ ? static_cast<std::int64_t>(nowMs - lastEventMs_) : 0;
        const std::uint32_t delay =
            options_.insertDefaultDelay
                ? clampDelay(model_.macroDefaultDelayMs(), 0)
                : clampDelay(measured, row.kind == KeyRowKind::mouseEvent ? kMinMouseDelayMs : kMinKeyDelayMs);
        rows_.push_back(KeyRow::delay(delay));
    }
    rows_.push_back(row);
    ++recordedEvents_;
    if (press)
        held_.push_back(source);
    else
        held_.erase(held);
    lastEventMs_ = nowMs;
    store();
    return RecordResult::recorded;
}

RecordResult MacroEditor::keyDown(std::uint16_t keyCode, bool autoRepeat, std::uint64_t nowMs) {
    if (autoRepeat || keyName(keyCode).empty()) return RecordResult::ignored;
    return record(KeyRow::press(keyCode), nowMs);
}

RecordResult MacroEditor::keyUp(std::uint16_t keyCode, std::uint64_t nowMs) {
    if (keyName(keyCode).empty()) return RecordResult::ignored;
    return record(KeyRow::release(keyCode), nowMs);
}

RecordResult MacroEditor::mouseButton(int mouseEvent, bool down, std::uint64_t nowMs) {
    if (mouseEventName(mouseEvent).empty()) return RecordResult::ignored;
    return record(KeyRow::mouse(mouseEvent, down), nowMs);
}

}  // namespace tessel::cfg
