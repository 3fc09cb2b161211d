#include "configurator/model/model_exchange.h"

#include <algorithm>
#include <map>

namespace tessel::cfg {

namespace {

using formats::ExchangeMacro;
using formats::ExchangeProfile;

records::_stDpiStageType toExchange(const StageRecord& record) {
    records::_stDpiStageType stages{};
    stages.ulTotalStages = record.count;
    stages.lCurrentStage = record.currentStage;
    stages.lDefaultStage = record.defaultStage;
    for (std::size_t i = 0; i < kMaxStages; ++i) stages.Sensitivity[i] = {record.stages[i].x, record.stages[i].y};
    return stages;
}

StageRecord fromExchange(const records::_stDpiStageType& stages) {
    StageRecord record;
    record.count = stages.ulTotalStages;
    record.currentStage = stages.lCurrentStage;
    record.defaultStage = stages.lDefaultStage;
    for (std::size_t i = 0; i < kMaxStages; ++i)
        record.stages[i] = {stages.Sensitivity[i].ulXSensitivity, stages.Sensitivity[i].ulYSensitivity};
    return StageRecord::fromOutside(record);
}

// Times from a file only go forward: a negative or earlier time plays at once.
std::vector<MacroEvent> eventsOf(const ExchangeMacro& macro) {
    std::vector<MacroEvent> events;
    std::uint32_t time = 0;
    for (const formats::MacroEvent& event : macro.events) {
        if (events.size() == kMaxMacroEvents) break;
        if (event.time > 0) time = std::max(time, static_cast<std::uint32_t>(event.time));
        events.push_back({event.code, time});
    }
    return events;
}

// The record a row takes from a file: links become the model's links, and anything the row
// cannot show or play becomes its default function rather than a dead button.
void takeMapping(SettingsModel& model, ProfileNode& node, int row, const ExchangeProfile& profile) {
    const auto entry = static_cast<std::size_t>(buttonRow(row).tableEntry);
    const formats::MappingRecord& read = profile.mappings[entry];
    node.macroLinks[entry] = nullptr;
    node.profileLinks[entry] = nullptr;
    MappingRecord& record = (*node.mappings)[entry];
    MacroNode* macro = profile.macroLinks[row].empty() ? nullptr : model.macroByName(profile.macroLinks[row]);
    ProfileNode* target = profile.profileLinks[row].empty() ? nullptr : model.profileByName(profile.profileLinks[row]);
    if (macro && offeredInRow(row, ButtonFunction::macro)) {
        record = mappingFor(row, ButtonFunction::macro, 0, macro->deviceId);
        node.macroLinks[entry] = macro;
        return;
    }
    if (target && offeredInRow(row, ButtonFunction::profile)) {
        record = mappingFor(row, ButtonFunction::profile, 0, target->deviceNumber);
        node.profileLinks[entry] = target;
        return;
    }
    record = {buttonRow(row).button, read.mappingType, read.actionType, read.info};
    const auto function = functionOf(row, record);
    const bool playable = function && *function != ButtonFunction::macro && *function != ButtonFunction::profile &&
                          (*function != ButtonFunction::singleKey || record.info[0] > 0);
    if (!playable) record = mappingFor(row, buttonRow(row).defaultFunction);
}

}  // namespace

// --- the model's lists as the exchange files see them ---

std::optional<std::u16string> ModelLookup::profileName(std::int32_t number) const {
    const ProfileNode* node = model_.profileByNumber(number);
    return node ? std::optional(node->name) : std::nullopt;
}

std::optional<std::u16string> ModelLookup::macroName(std::int32_t id) const {
    const MacroNode* node = model_.macroById(id);
    return node ? std::optional(node->name) : std::nullopt;
}

std::optional<ExchangeMacro> ModelLookup::macro(std::u16string_view name) const {
    const MacroNode* node = model_.macroByName(name);
    if (!node || node->tooLong) return std::nullopt;
    return toExchange(*node);
}

ExchangeProfile toExchange(const ProfileNode& node) {
    ExchangeProfile profile;
    profile.name = node.name;
    if (node.stages) profile.stages = toExchange(*node.stages);
    profile.lights = node.ledBits;
    profile.executable = node.application;
    profile.autoload = node.autoSwitch ? 1 : 0;
    profile.sensitivityNotice = node.sensitivityNotice ? 1 : 0;
    profile.profileNotice = node.profileSwitchNotice ? 1 : 0;
    const MappingTable table = node.mappings ? *node.mappings : defaultMappings();
    for (std::size_t entry = 0; entry < kButtonRows; ++entry) {
        const MappingRecord& record = table[entry];
        profile.mappings[entry] = {record.button, record.mappingType, record.actionType, record.info};
    }
    for (int row = 0; row < kButtonRows; ++row) {
        const auto entry = static_cast<std::size_t>(buttonRow(row).tableEntry);
        if (const ProfileNode* target = node.profileLinks[entry]) profile.profileLinks[row] = target->name;
        if (const MacroNode* macro = node.macroLinks[entry]) profile.macroLinks[row] = macro->name;
    }
    return profile;
}

ExchangeMacro toExchange(const MacroNode& node) {
    ExchangeMacro macro{node.name, {}, {}};
    for (const MacroEvent& event : node.events)
        macro.events.push_back({event.code, static_cast<std::int32_t>(event.timeMs)});
    if (!macro.events.empty()) macro.end.time = macro.events.back().time;
    return macro;
}

// --- profiles ---

std::optional<std::u16string> profileExportText(const SettingsModel& model, std::size_t row) {
    const ProfileNode* node = model.profileAt(row);
    if (!node) return std::nullopt;
    return formats::profileBlockText(toExchange(*node), ModelLookup(model));
}

ExchangeResult exportProfile(const SettingsModel& model, std::size_t row, formats::FileSystem& files,
                             const std::u16string& path) {
    const auto text = profileExportText(model, row);
    if (!text) return ExchangeResult::noSuchRow;
    return formats::writeTextFile(files, path, *text) ? ExchangeResult::done : ExchangeResult::writeFailed;
}

ImportResult importProfileText(SettingsModel& model, std::u16string_view text) {
    ImportResult result;
    const std::vector<formats::ProfileBlock> blocks = formats::readProfileBlocks(text);
    if (blocks.empty()) return result;
    const formats::ProfileBlock& block = blocks.front();
    // Everything that can refuse the import is decided before anything is created.
    if (!validName(block.name)) return {ExchangeResult::nameInvalid};
    ProfileNode* node = model.profileByName(block.name);
    if (!node && model.profileCount() >= kMaxProfiles) return {ExchangeResult::limitReached};

    result.updatedExisting = node != nullptr;
    if (!node) {
        node = &model.appendProfile();
        node->name = block.name;
        SettingsModel::giveNewProfileDefaults(*node);
    }
    // What the file does not say stays as the profile has it (a new one: as New makes it).
    ExchangeProfile read = toExchange(*node);
    formats::importInto(block, read);

    // The macros the buttons play: one node per name, the model's own when it has one.
    for (const std::u16string& name : read.macroLinks) {
        if (name.empty() || model.macroByName(name)) continue;
        const auto macro = formats::readMacroBlock(text, name);
        if (!macro || model.createMacro(macro->name) != ListResult::done) continue;
        model.macroByName(macro->name)->events = eventsOf(*macro);
        ++result.macrosAdded;
    }

    if (read.stages) node->stages = fromExchange(*read.stages);
    node->ledBits = read.lights & (kLedScrollWheel | kLedBatteryIndicator | kLedChargingDock);
    node->autoSwitch = read.autoload != 0;
    node->sensitivityNotice = read.sensitivityNotice != 0;
    node->profileSwitchNotice = read.profileNotice != 0;
    if (!node->mappings) node->mappings = defaultMappings();
    for (int row = 0; row < kButtonRows; ++row) takeMapping(model, *node, row, read);
    model.refreshLinkFlags(*node);
    model.keepClick(*node);
    node->changed = true;
    node->rewrite = true;
    result.row = *model.rowOf(*node);
    model.setApplication(result.row, read.executable);
    result.result = ExchangeResult::done;
    return result;
}

ImportResult importProfile(SettingsModel& model, formats::FileSystem& files, const std::u16string& path) {
    const auto text = formats::readTextFile(files, path);
    if (!text) return {ExchangeResult::readFailed};
    return importProfileText(model, *text);
}

// --- macros ---

std::optional<std::u16string> macroExportText(const SettingsModel& model, std::size_t row) {
    const MacroNode* node = model.macroAt(row);
    if (!node || node->tooLong) return std::nullopt;
    return formats::macroBlockText(toExchange(*node));
}

ExchangeResult exportMacro(const SettingsModel& model, std::size_t row, formats::FileSystem& files,
                           const std::u16string& path) {
    const MacroNode* node = model.macroAt(row);
    if (!node) return ExchangeResult::noSuchRow;
    if (node->tooLong) return ExchangeResult::tooLong;
    return formats::writeTextFile(files, path, *macroExportText(model, row)) ? ExchangeResult::done
                                                                               : ExchangeResult::writeFailed;
}

ImportResult importMacroText(SettingsModel& model, std::u16string_view text) {
    ImportResult result;
    const auto macro = formats::readMacroBlock(text);
    if (!macro) return result;
    if (!validName(macro->name)) return {ExchangeResult::nameInvalid};
    MacroNode* node = model.macroByName(macro->name);
    result.updatedExisting = node != nullptr;
    if (!node) {
        model.createMacro(macro->name);
        node = model.macroByName(macro->name);
    }
    node->events = eventsOf(*macro);
    node->tooLong = false;
    model.markChanged(*node);
    result.row = *model.rowOf(*node);
    result.result = ExchangeResult::done;
    return result;
}

ImportResult importMacro(SettingsModel& model, formats::FileSystem& files, const std::u16string& path) {
    const auto text = formats::readTextFile(files, path);
    if (!text) return {ExchangeResult::readFailed};
    return importMacroText(model, *text);
}

// --- side files ---

void readSideFiles(SettingsModel& model, formats::FileSystem& files, const std::u16string& folder) {
    if (folder.empty()) return;
    std::map<std::u16string, ExchangeProfile> read;
    for (std::size_t row = 0; row < model.profileCount(); ++row) {
        const ProfileNode& node = *model.profileAt(row);
        read.emplace(node.name, toExchange(node));
    }
    const ModelLookup lookup(model);
    formats::mergeSideFiles(
        files, folder,
        [&](const std::u16string& name) {
            const auto found = read.find(name);
            return found == read.end() ? nullptr : &found->second;
        },
        lookup);
    for (std::size_t row = 0; row < model.profileCount(); ++row) {
        ProfileNode& node = *model.profileAt(row);
        const ExchangeProfile& profile = read.at(node.name);
        node.application = profile.executable;
        node.autoSwitch = profile.autoload != 0;
        node.sensitivityNotice = profile.sensitivityNotice != 0;
        node.profileSwitchNotice = profile.profileNotice != 0;
        if (!node.mappings) continue;
        // A name links only a button whose record on the mouse plays a macro (switches
        // profiles): the file must not change what a button does.
        for (int row = 0; row < kButtonRows; ++row) {
            const auto entry = static_cast<std::size_t>(buttonRow(row).tableEntry);
            const auto function = functionOf(row, (*node.mappings)[entry]);
            if (!node.macroLinks[entry] && function == ButtonFunction::macro && !profile.macroLinks[row].empty())
                node.macroLinks[entry] = model.macroByName(profile.macroLinks[row]);
            if (!node.profileLinks[entry] && function == ButtonFunction::profile && !profile.profileLinks[row].empty())
                node.profileLinks[entry] = model.profileByName(profile.profileLinks[row]);
        }
        model.refreshLinkFlags(node);
    }
}

bool writeSideFiles(const SettingsModel& model, formats::FileSystem& files, const std::u16string& folder) {
    if (folder.empty()) return false;
    std::vector<ExchangeProfile> profiles;
    for (std::size_t row = 0; row < model.profileCount(); ++row) profiles.push_back(toExchange(*model.profileAt(row)));
    return formats::writeSideFiles(files, folder, profiles, ModelLookup(model));
}

}  // namespace tessel::cfg
