#include "configurator/model/settings_model.h"

#include <algorithm>
#include <string>

namespace tessel::cfg {

namespace {

template <class Node>
std::vector<Node*> live(const std::vector<std::unique_ptr<Node>>& nodes) {
    std::vector<Node*> rows;
    for (const auto& node : nodes)
        if (!node->markedForDeletion) rows.push_back(node.get());
    return rows;
}

template <class Node>
Node* at(const std::vector<Node*>& rows, std::size_t row) {
    return row < rows.size() ? rows[row] : nullptr;
}

template <class Node>
std::optional<std::size_t> rowIn(const std::vector<Node*>& rows, const Node* node) {
    const auto found = std::find(rows.begin(), rows.end(), node);
    if (found == rows.end()) return std::nullopt;
    return static_cast<std::size_t>(found - rows.begin());
}

template <class Node, class Test>
Node* firstOf(const std::vector<Node*>& rows, Test&& test) {
    const auto found = std::find_if(rows.begin(), rows.end(), [&](const Node* node) { return test(*node); });
    return found == rows.end() ? nullptr : *found;
}

std::size_t entryOf(int row) { return static_cast<std::size_t>(buttonRow(row).tableEntry); }

std::optional<ButtonFunction> rowFunctionOf(const ProfileNode& node, int row) {
    const std::size_t entry = entryOf(row);
    if (node.macroLinks[entry]) return ButtonFunction::macro;
    if (node.profileLinks[entry]) return ButtonFunction::profile;
    if (!node.mappings) return std::nullopt;
    return functionOf(row, (*node.mappings)[entry]);
}

void updateSwitchLinks(ProfileNode& node) {
    node.hasProfileSwitchLinks =
        std::any_of(node.profileLinks.begin(), node.profileLinks.end(), [](const ProfileNode* p) { return p; });
}

}  // namespace

bool validName(std::u16string_view name) {
    return !name.empty() && name.size() <= kMaxNameLength && name.find(u'\0') == std::u16string_view::npos;
}

// --- building ---

ProfileNode& SettingsModel::appendProfile() {
    profiles_.push_back(std::make_unique<ProfileNode>());
    return *profiles_.back();
}

MacroNode& SettingsModel::appendMacro() {
    macros_.push_back(std::make_unique<MacroNode>());
    return *macros_.back();
}

void SettingsModel::clear() {
    profiles_.clear();
    macros_.clear();
    currentRow_ = 0;
    activeOnDevice_ = nullptr;
    currentMacro_ = nullptr;
    performance_ = {};
}

SettingsModel::Selection SettingsModel::finishLoading(const std::u16string& activeName) {
    int ordinal = 0;
    for (const auto& node : profiles_) node->ordinal = ++ordinal;
    for (const auto& node : profiles_) {
        if (!node->mappings) continue;
        for (std::size_t entry = 0; entry < kButtonRows; ++entry) {
            const MappingRecord& record = (*node->mappings)[entry];
            if (record.mappingType == mapping::macro) {
                node->macroLinks[entry] = macroById(record.info[0]);
            } else if (record.mappingType == mapping::deviceAction && record.info[0] == mapping::propertyProfile) {
                node->profileLinks[entry] = profileByNumber(record.info[2]);
            }
        }
        refreshLinkFlags(*node);
    }
    activeOnDevice_ = profileByName(activeName);
    const auto row = activeOnDevice_ ? rowOf(*activeOnDevice_) : std::nullopt;
    return selectProfile(row.value_or(0));
}

// --- rows and lookups ---

std::vector<ProfileNode*> SettingsModel::liveProfiles() const { return live(profiles_); }
std::vector<MacroNode*> SettingsModel::liveMacros() const { return live(macros_); }
std::size_t SettingsModel::profileCount() const { return liveProfiles().size(); }
std::size_t SettingsModel::macroCount() const { return liveMacros().size(); }
ProfileNode* SettingsModel::profileAt(std::size_t row) const { return at(liveProfiles(), row); }
MacroNode* SettingsModel::macroAt(std::size_t row) const { return at(liveMacros(), row); }

std::optional<std::size_t> SettingsModel::rowOf(const ProfileNode& node) const { return rowIn(liveProfiles(), &node); }
std::optional<std::size_t> SettingsModel::rowOf(const MacroNode& node) const { return rowIn(liveMacros(), &node); }

ProfileNode* SettingsModel::profileByName(std::u16string_view name) const {
    return firstOf(liveProfiles(), [&](const ProfileNode& node) { return node.name == name; });
}

ProfileNode* SettingsModel::profileByNumber(std::int32_t deviceNumber) const {
    return firstOf(liveProfiles(), [&](const ProfileNode& node) {
        return deviceNumber != 0 && node.onDevice && node.deviceNumber == deviceNumber;
    });
}

MacroNode* SettingsModel::macroByName(std::u16string_view name) const {
    return firstOf(liveMacros(), [&](const MacroNode& node) { return node.name == name; });
}

MacroNode* SettingsModel::macroById(std::int32_t deviceId) const {
    return firstOf(liveMacros(), [&](const MacroNode& node) {
        return deviceId != 0 && node.onDevice && node.deviceId == deviceId;
    });
}

ProfileNode* SettingsModel::current() const {
    const auto rows = liveProfiles();
    if (rows.empty()) return nullptr;
    return currentRow_ < rows.size() ? rows[currentRow_] : rows.front();
}

SettingsModel::Selection SettingsModel::selectProfile(std::size_t row) {
    Selection selection;
    if (row >= profileCount()) return selection;
    currentRow_ = row;
    selection.selected = true;
    slidersFromCurrentStage();
    if (!current()->mappings) {
        restoreDefaults();
        selection.defaultsRestored = true;
    }
    return selection;
}

void SettingsModel::slidersFromCurrentStage() {
    const ProfileNode* node = current();
    if (!node || !node->stages) return;
    const Sensitivity& stage = node->stages->current();
    performance_.sliderX = positionOfDpi(stage.x);
    performance_.sliderY = positionOfDpi(stage.y);
    performance_.independentXY = performance_.sliderX != performance_.sliderY;
}

// --- edits ---

void SettingsModel::markChanged(MacroNode& node) {
    node.changed = true;
    node.written = false;
}

bool SettingsModel::keepClick(ProfileNode& node) {
    if (keepsClick(node, -1, ButtonFunction::off)) return false;
    storeChoice(node, 0, ButtonFunction::click, 0);
    markChanged(node);
    return true;
}

void SettingsModel::refreshLinkFlags(ProfileNode& node) {
    updateSwitchLinks(node);
    for (MacroNode* macro : node.macroLinks)
        if (macro) macro->assigned = true;
}

bool SettingsModel::keepsClick(const ProfileNode& node, int changedRow, ButtonFunction function) const {
    for (int row = 0; row < kClickRows; ++row) {
        const auto shown = row == changedRow ? std::optional(function) : rowFunctionOf(node, row);
        if (shown == ButtonFunction::click) return true;
    }
    return false;
}

void SettingsModel::storeChoice(ProfileNode& node, int row, ButtonFunction function, std::int32_t keyCode) {
    if (!node.mappings) node.mappings = defaultMappings();
    const std::size_t entry = entryOf(row);
    (*node.mappings)[entry] = mappingFor(row, function, keyCode);
    node.macroLinks[entry] = nullptr;
    node.profileLinks[entry] = nullptr;
    updateSwitchLinks(node);
}

ChoiceResult SettingsModel::chooseFunction(int row, ButtonFunction function, std::int32_t keyCode) {
    ProfileNode* node = current();
    if (!node || row < 0 || row >= kButtonRows || !offeredInRow(row, function)) return ChoiceResult::ignored;
    markChanged(*node);
    if (!keepsClick(*node, row, function)) {
        storeChoice(*node, row, ButtonFunction::click, 0);
        return ChoiceResult::refusedLeftClick;
    }
    if (function == ButtonFunction::macro || function == ButtonFunction::profile)
        return ChoiceResult::awaitingSecondLevel;
    storeChoice(*node, row, function, keyCode);
    return ChoiceResult::applied;
}

// A second-level choice replaces whatever the row did before, its other link included: a row
// runs one macro or switches to one profile, never both.
bool SettingsModel::linkMacro(int row, std::size_t macroRow) {
    ProfileNode* node = current();
    MacroNode* macro = macroAt(macroRow);
    if (!node || !macro || row < 0 || row >= kButtonRows || !keepsClick(*node, row, ButtonFunction::macro))
        return false;
    storeChoice(*node, row, ButtonFunction::macro, 0);
    const std::size_t entry = entryOf(row);
    (*node->mappings)[entry] = mappingFor(row, ButtonFunction::macro, 0, macro->deviceId);
    node->macroLinks[entry] = macro;
    macro->assigned = true;
    markChanged(*node);
    return true;
}

bool SettingsModel::linkProfile(int row, std::size_t profileRow) {
    ProfileNode* node = current();
    ProfileNode* target = profileAt(profileRow);
    if (!node || !target || row < 0 || row >= kButtonRows || !offeredInRow(row, ButtonFunction::profile) ||
        !keepsClick(*node, row, ButtonFunction::profile))
        return false;
    storeChoice(*node, row, ButtonFunction::profile, 0);
    const std::size_t entry = entryOf(row);
    (*node->mappings)[entry] = mappingFor(row, ButtonFunction::profile, 0, target->deviceNumber);
    node->profileLinks[entry] = target;
    updateSwitchLinks(*node);
    markChanged(*node);
    return true;
}

std::optional<ButtonFunction> SettingsModel::rowFunction(int row) const {
    const ProfileNode* node = current();
    if (!node || row < 0 || row >= kButtonRows) return std::nullopt;
    return rowFunctionOf(*node, row);
}

void SettingsModel::setSensitivity(double x, double y) {
    performance_.sliderX = sliderPosition(x);
    performance_.sliderY = performance_.independentXY ? sliderPosition(y) : performance_.sliderX;
    if (ProfileNode* node = current()) markChanged(*node);
}

void SettingsModel::setIndependentXY(bool on) {
    performance_.independentXY = on;
    if (!on) performance_.sliderY = performance_.sliderX;
    if (ProfileNode* node = current()) markChanged(*node);
}

bool SettingsModel::setLed(std::uint32_t bit, bool on) {
    ProfileNode* node = current();
    if (!node) return false;
    const std::uint32_t bits = on ? (node->ledBits | bit) : (node->ledBits & ~bit);
    if (bits == node->ledBits) return false;
    node->ledBits = bits;
    markChanged(*node);
    return true;
}

void SettingsModel::setSensitivityNotice(bool on) {
    if (ProfileNode* node = current()) {
        node->sensitivityNotice = on;
        markChanged(*node);
    }
}

void SettingsModel::setProfileSwitchNotice(bool on) {
    if (ProfileNode* node = current()) {
        node->profileSwitchNotice = on;
        markChanged(*node);
    }
}

void SettingsModel::setAcceleration(bool on, double value) {
    performance_.accelerationOn = on;
    performance_.acceleration = accelerationStep(value);
}

bool SettingsModel::setPollingRate(std::int32_t rate) {
    if (rate != 125 && rate != 500 && rate != 1000) return false;
    performance_.pollingRate = rate;
    return true;
}

void SettingsModel::setStageRecord(const StageRecord& record) {
    ProfileNode* node = current();
    if (!node) return;
    node->stages = StageRecord::fromOutside(record);
    markChanged(*node);
    slidersFromCurrentStage();
}

void SettingsModel::restoreDefaults() {
    ProfileNode* node = current();
    if (!node) return;
    performance_.independentXY = false;
    performance_.accelerationOn = false;
    performance_.acceleration = 1;
    macroDefaultDelayMs_ = 50;
    node->sensitivityNotice = true;
    node->profileSwitchNotice = true;
    node->ledBits = (node->ledBits & ~kLedScrollWheel) | kLedBatteryIndicator;
    node->mappings = defaultMappings();
    node->macroLinks.fill(nullptr);
    node->profileLinks.fill(nullptr);
    node->hasProfileSwitchLinks = false;
    performance_.sliderX = 12;
    performance_.sliderY = 12;
    node->stages = StageRecord::defaults();
    node->changed = true;
    node->rewrite = true;
    performance_.pollingRate = 500;
}

// --- the profile list ---

void SettingsModel::giveNewProfileDefaults(ProfileNode& node) {
    node.mappings = defaultMappings();
    node.ledBits = kLedScrollWheel | kLedBatteryIndicator | kLedChargingDock;
    node.stages = StageRecord::defaults();
}

ListResult SettingsModel::createProfile(std::u16string_view name) {
    if (profileCount() >= kMaxProfiles) return ListResult::limitReached;
    if (!validName(name)) return ListResult::nameInvalid;
    if (profileByName(name)) return ListResult::nameTaken;
    ProfileNode& node = appendProfile();
    node.name = name;
    giveNewProfileDefaults(node);
    node.changed = true;
    node.rewrite = true;
    return ListResult::done;
}

std::u16string SettingsModel::copyName(const std::u16string& source) const {
    const std::u16string stem = source.substr(0, kCopyNameStem);
    for (int n = 2;; ++n) {
        std::u16string candidate = stem + u"^";
        for (char digit : std::to_string(n)) candidate += static_cast<char16_t>(digit);
        if (!profileByName(candidate)) return candidate;
    }
}

ListResult SettingsModel::copyProfile(std::size_t row) {
    ProfileNode* source = profileAt(row);
    if (!source) return ListResult::noSuchRow;
    if (profileCount() >= kMaxProfiles) return ListResult::limitReached;
    const std::u16string name = copyName(source->name);
    ProfileNode& copy = appendProfile();
    copy.name = name;
    copy.mappings = source->mappings;
    copy.macroLinks = source->macroLinks;
    copy.profileLinks = source->profileLinks;
    copy.hasProfileSwitchLinks = source->hasProfileSwitchLinks;
    copy.profileSwitchNotice = source->profileSwitchNotice;
    copy.sensitivityNotice = source->sensitivityNotice;
    copy.ledBits = source->ledBits;
    copy.stages = source->stages;
    copy.application = source->application;
    copy.autoSwitch = source->autoSwitch;
    copy.changed = true;
    source->copiedFrom = true;
    return ListResult::done;
}

// Buttons that ran a macro or switched to a profile that is going away take their default
// function: the mouse must not be left pointing at a macro id or profile number that is free.
void SettingsModel::unlinkEverywhere(const void* target) {
    for (const auto& node : profiles_) {
        for (int row = 0; row < kButtonRows; ++row) {
            const std::size_t entry = entryOf(row);
            if (node->macroLinks[entry] != target && node->profileLinks[entry] != target) continue;
            storeChoice(*node, row, buttonRow(row).defaultFunction, 0);
            node->changed = true;
        }
    }
}

ListResult SettingsModel::deleteProfile(std::size_t row) {
    ProfileNode* node = profileAt(row);
    if (!node) return ListResult::noSuchRow;
    if (row == 0) return ListResult::refused;  // the base profile
    ProfileNode* shown = current();
    if (node->onDevice) {
        unlinkEverywhere(node);
        node->markedForDeletion = true;
    } else {
        forget(*node);
    }
    if (shown == node)
        selectProfile(0);
    else
        currentRow_ = rowOf(*shown).value_or(0);
    return ListResult::done;
}

ListResult SettingsModel::renameProfile(std::size_t row, std::u16string_view name) {
    ProfileNode* node = profileAt(row);
    if (!node) return ListResult::noSuchRow;
    if (!validName(name)) return ListResult::nameInvalid;
    if (ProfileNode* other = profileByName(name); other && other != node) return ListResult::nameTaken;
    node->name = name;
    markChanged(*node);
    return ListResult::done;
}

ListResult SettingsModel::setApplication(std::size_t row, std::u16string_view path) {
    ProfileNode* node = profileAt(row);
    if (!node) return ListResult::noSuchRow;
    const auto slash = path.find_last_of(u"\\/");
    node->application = slash == std::u16string_view::npos ? path : path.substr(slash + 1);
    markChanged(*node);
    return ListResult::done;
}

ListResult SettingsModel::setAutoSwitch(std::size_t row, bool on) {
    ProfileNode* node = profileAt(row);
    if (!node) return ListResult::noSuchRow;
    node->autoSwitch = on;
    markChanged(*node);
    return ListResult::done;
}

// --- the macro list ---

ListResult SettingsModel::createMacro(std::u16string_view name) {
    if (!validName(name)) return ListResult::nameInvalid;
    if (macroByName(name)) return ListResult::nameTaken;
    MacroNode& node = appendMacro();
    node.name = name;
    node.changed = true;
    return ListResult::done;
}

ListResult SettingsModel::deleteMacro(std::size_t row) {
    MacroNode* node = macroAt(row);
    if (!node) return ListResult::noSuchRow;
    unlinkEverywhere(node);
    if (currentMacro_ == node) currentMacro_ = nullptr;
    if (node->onDevice) {
        node->markedForDeletion = true;
        node->written = false;
    } else {
        forget(*node);
    }
    return ListResult::done;
}

ListResult SettingsModel::setMacroEvents(std::size_t row, std::vector<MacroEvent> events) {
    MacroNode* node = macroAt(row);
    if (!node) return ListResult::noSuchRow;
    if (events.size() > kMaxMacroEvents) events.resize(kMaxMacroEvents);
    node->events = std::move(events);
    node->tooLong = false;
    markChanged(*node);
    if (ProfileNode* profile = current()) markChanged(*profile);
    return ListResult::done;
}

bool SettingsModel::selectMacro(std::size_t row) {
    MacroNode* node = macroAt(row);
    if (!node) return false;
    currentMacro_ = node;
    return true;
}

std::optional<std::size_t> SettingsModel::currentMacroRow() const {
    if (!currentMacro_) return std::nullopt;
    return rowOf(*currentMacro_);
}

// --- the write ---

StageRecord& SettingsModel::settleCurrentStages() {
    ProfileNode& node = *current();
    if (!node.stages) node.stages = StageRecord::defaults();
    node.stages->limitStages();
    node.stages->current() = {dpiOfPosition(performance_.sliderX), dpiOfPosition(performance_.sliderY)};
    return *node.stages;
}

bool SettingsModel::resolveLinks(ProfileNode& node) const {
    if (!node.mappings) return true;
    bool resolved = true;
    for (int row = 0; row < kButtonRows; ++row) {
        const std::size_t entry = entryOf(row);
        if (const MacroNode* macro = node.macroLinks[entry]) {
            if (macro->onDevice && macro->deviceId != 0)
                (*node.mappings)[entry] = mappingFor(row, ButtonFunction::macro, 0, macro->deviceId);
            else
                resolved = false;
        }
        if (const ProfileNode* target = node.profileLinks[entry]) {
            if (target->onDevice && !target->deletedOnDevice && target->deviceNumber != 0)
                (*node.mappings)[entry] = mappingFor(row, ButtonFunction::profile, 0, target->deviceNumber);
            else
                resolved = false;
        }
    }
    return resolved;
}

void SettingsModel::forget(const ProfileNode& node) {
    unlinkEverywhere(&node);
    if (activeOnDevice_ == &node) activeOnDevice_ = nullptr;
    std::erase_if(profiles_, [&](const auto& owned) { return owned.get() == &node; });
    if (currentRow_ >= profileCount()) currentRow_ = 0;
}

void SettingsModel::forget(const MacroNode& node) {
    unlinkEverywhere(&node);
    if (currentMacro_ == &node) currentMacro_ = nullptr;
    std::erase_if(macros_, [&](const auto& owned) { return owned.get() == &node; });
}

}  // namespace tessel::cfg
