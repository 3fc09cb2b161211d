#include "configurator/app/side_files.h"

#include <windows.h>
#include <shlobj.h>

#include <map>

#include "formats/exchange_file.h"

namespace tessel::cfgapp {

namespace {

using formats::ExchangeProfile;

// What the exchange writer and reader ask of the model's lists.
class ModelLookup final : public formats::ExchangeLookup {
public:
    explicit ModelLookup(const cfg::SettingsModel& model) : model_(model) {}
    std::optional<std::u16string> profileName(std::int32_t number) const override {
        const cfg::ProfileNode* node = model_.profileByNumber(number);
        return node ? std::optional(node->name) : std::nullopt;
    }
    std::optional<std::u16string> macroName(std::int32_t id) const override {
        const cfg::MacroNode* node = model_.macroById(id);
        return node ? std::optional(node->name) : std::nullopt;
    }
    std::optional<formats::ExchangeMacro> macro(std::u16string_view name) const override {
        const cfg::MacroNode* node = model_.macroByName(name);
        if (!node) return std::nullopt;
        formats::ExchangeMacro macro{node->name, {}, {}};
        for (const cfg::MacroEvent& event : node->events)
            macro.events.push_back({event.code, static_cast<std::int32_t>(event.timeMs)});
        if (!macro.events.empty()) macro.end.time = macro.events.back().time;
        return macro;
    }

private:
    const cfg::SettingsModel& model_;
};

ExchangeProfile toExchange(const cfg::ProfileNode& node) {
    ExchangeProfile profile;
    profile.name = node.name;
    if (node.stages) {
        records::_stDpiStageType stages{};
        stages.ulTotalStages = node.stages->count;
        stages.lCurrentStage = node.stages->currentStage;
        stages.lDefaultStage = node.stages->defaultStage;
        for (int i = 0; i < cfg::kMaxStages; ++i)
            stages.Sensitivity[i] = {node.stages->stages[i].x, node.stages->stages[i].y};
        profile.stages = stages;
    }
    profile.lights = node.ledBits;
    profile.executable = node.application;
    profile.autoload = node.autoSwitch ? 1 : 0;
    profile.sensitivityNotice = node.sensitivityNotice ? 1 : 0;
    profile.profileNotice = node.profileSwitchNotice ? 1 : 0;
    const cfg::MappingTable table = node.mappings ? *node.mappings : cfg::defaultMappings();
    for (int entry = 0; entry < cfg::kButtonRows; ++entry) {
        const cfg::MappingRecord& record = table[entry];
        profile.mappings[entry] = {record.button, record.mappingType, record.actionType, record.info};
    }
    for (int row = 0; row < cfg::kButtonRows; ++row) {
        const int entry = cfg::buttonRow(row).tableEntry;
        if (const cfg::ProfileNode* target = node.profileLinks[entry]) profile.profileLinks[row] = target->name;
        if (const cfg::MacroNode* macro = node.macroLinks[entry]) profile.macroLinks[row] = macro->name;
    }
    return profile;
}

}  // namespace

std::u16string CSideFiles::UserFolder() {
    wchar_t folder[MAX_PATH] = L"";
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) return {};
    return std::u16string(folder, folder + wcslen(folder));
}

void CSideFiles::Read(cfg::SettingsModel& model) const {
    if (folder_.empty()) return;
    std::map<std::u16string, ExchangeProfile> read;
    for (std::size_t row = 0; row < model.profileCount(); ++row) {
        const cfg::ProfileNode& node = *model.profileAt(row);
        read.emplace(node.name, toExchange(node));
    }
    const ModelLookup lookup(model);
    formats::mergeSideFiles(
        files_, folder_,
        [&](const std::u16string& name) {
            const auto found = read.find(name);
            return found == read.end() ? nullptr : &found->second;
        },
        lookup);
    for (std::size_t row = 0; row < model.profileCount(); ++row) {
        cfg::ProfileNode& node = *model.profileAt(row);
        const ExchangeProfile& profile = read.at(node.name);
        node.application = profile.executable;
        node.autoSwitch = profile.autoload != 0;
        node.sensitivityNotice = profile.sensitivityNotice != 0;
        node.profileSwitchNotice = profile.profileNotice != 0;
        for (int button = 0; button < cfg::kButtonRows; ++button) {
            const int entry = cfg::buttonRow(button).tableEntry;
            if (!node.macroLinks[entry] && !profile.macroLinks[button].empty())
                node.macroLinks[entry] = model.macroByName(profile.macroLinks[button]);
            if (!node.profileLinks[entry] && !profile.profileLinks[button].empty())
                node.profileLinks[entry] = model.profileByName(profile.profileLinks[button]);
        }
    }
}

bool CSideFiles::Write(const cfg::SettingsModel& model) const {
    if (folder_.empty()) return false;
    std::vector<ExchangeProfile> profiles;
    for (std::size_t row = 0; row < model.profileCount(); ++row) profiles.push_back(toExchange(*model.profileAt(row)));
    return formats::writeSideFiles(files_, folder_, profiles, ModelLookup(model));
}

}  // namespace tessel::cfgapp
