#pragma once
// The model and the exchange files: profiles and macros exported to and imported from .kxp and
// .kxm files, and the profile side files. The pages hand in paths (from their choosers) or
// texts; the results say what happened so a page can show the right box.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "configurator/model/settings_model.h"
#include "formats/exchange_file.h"
#include "formats/file_system.h"

namespace tessel::cfg {

// What the exchange writers and the side-file reader ask of the model's lists (live nodes).
class ModelLookup final : public formats::ExchangeLookup {
public:
    explicit ModelLookup(const SettingsModel& model) : model_(model) {}
    std::optional<std::u16string> profileName(std::int32_t profileNumber) const override;
    std::optional<std::u16string> macroName(std::int32_t macroId) const override;
    // None for a macro read with more than 16 events: there is nothing whole to write.
    std::optional<formats::ExchangeMacro> macro(std::u16string_view name) const override;

private:
    const SettingsModel& model_;
};

formats::ExchangeProfile toExchange(const ProfileNode& node);
formats::ExchangeMacro toExchange(const MacroNode& node);

enum class ExchangeResult {
    done,
    noSuchRow,
    nothingFound,  // the file holds no profile (macro) block this program reads
    limitReached,  // five profiles exist and the file's profile is not one of them
    nameInvalid,   // a name the mouse cannot keep: nothing was created
    tooLong,       // a macro read with more than 16 events cannot be exported
    readFailed,    // the file could not be read
    writeFailed,   // the file could not be written (the old one, if any, is untouched)
};

struct ImportResult {
    ExchangeResult result = ExchangeResult::nothingFound;
    std::size_t row = 0;          // the imported profile's (macro's) row, when done
    bool updatedExisting = false; // a node of that name took the file's settings
    std::size_t macrosAdded = 0;  // macro nodes a profile import created
};

// --- profiles (.kxp) ---
// The profile at `row` with the macro blocks of the macros its buttons play; none for no row.
std::optional<std::u16string> profileExportText(const SettingsModel& model, std::size_t row);
ExchangeResult exportProfile(const SettingsModel& model, std::size_t row, formats::FileSystem& files,
                             const std::u16string& path);
// The first profile block of `text`. A profile of that name takes the settings in its own row;
// otherwise a new profile is appended (not on the mouse, changed, to be written whole), if
// fewer than five exist. A button's macro is the macro of that name in the model, else the
// one the text holds (then a new, changed macro node); a profile switch targets the profile of
// that name. A mapping that resolves to nothing gives the row its default function, and the
// left-click rule holds afterwards.
ImportResult importProfileText(SettingsModel& model, std::u16string_view text);
ImportResult importProfile(SettingsModel& model, formats::FileSystem& files, const std::u16string& path);

// --- macros (.kxm) ---
std::optional<std::u16string> macroExportText(const SettingsModel& model, std::size_t row);
ExchangeResult exportMacro(const SettingsModel& model, std::size_t row, formats::FileSystem& files,
                           const std::u16string& path);
// The first macro block of `text`: a macro of that name takes its events in its own row,
// otherwise a new macro is appended; either is marked changed. A text without one adds nothing.
ImportResult importMacroText(SettingsModel& model, std::u16string_view text);
ImportResult importMacro(SettingsModel& model, formats::FileSystem& files, const std::u16string& path);

// --- profile side files ---
// After the mouse was read: the program, switches and notices of each profile, and the links
// its buttons' records could not give by device id.
void readSideFiles(SettingsModel& model, formats::FileSystem& files, const std::u16string& folder);
// After every write: one file per live profile in list order; the files beyond go.
bool writeSideFiles(const SettingsModel& model, formats::FileSystem& files, const std::u16string& folder);

}  // namespace tessel::cfg
