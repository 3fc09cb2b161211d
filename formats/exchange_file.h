#pragma once
// The exchange text format of profiles and macros: the .kxp and .kxm files the user exports and
// imports, and the profile side files ("MarloProfile%d.dat") that keep what the mouse itself
// does not store. Text is UTF-16LE with CR LF line ends and no byte-order mark.
//
// Reading goes in two steps: the text gives ProfileBlocks (the sections a block holds, as
// read), which then go into a profile record in one of two modes. Import mode takes the whole
// profile; merge mode, used for side files, takes the executable, the switches and the names of
// the profiles and macros the buttons refer to into a profile the caller already has.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/exchange_records.h"
#include "formats/file_system.h"

namespace tessel::formats {

// The sections of one profile block as read; a section missing from the block stays empty and
// leaves the record's field as it was.
struct ProfileBlock {
    std::u16string name;
    std::optional<std::int32_t> stageCount;  // 0 to kMaxStages
    std::optional<std::int32_t> defaultStage;
    std::optional<std::int32_t> currentStage;
    std::array<std::optional<records::_stSensitivityType>, kMaxStages> stageValues;
    std::array<std::optional<std::int32_t>, 3> lights;  // wheel, battery, charging dock
    std::optional<std::u16string> executable;
    std::optional<std::int32_t> autoload;
    std::optional<std::int32_t> sensitivityNotice;
    std::optional<std::int32_t> profileNotice;
    std::array<std::optional<std::u16string>, kButtonCount> mappingLines;  // by row
};

// Every profile block of `text` named `nameFilter` (every one when empty), in file order.
// Blocks of another version, device or type, and blocks with more than kMaxStages stages, are
// skipped.
std::vector<ProfileBlock> readProfileBlocks(std::u16string_view text,
                                            std::u16string_view nameFilter = {});

// Import mode: everything the block holds. A mapping line that gives no function (an invalid
// or unresolved mapping) gives the button its default function.
void importInto(const ProfileBlock& block, ExchangeProfile& profile);

// Merge mode: executable, switches and button links; the mapping records stay as they are.
// A button whose record switches profiles (or plays a macro) takes the name of that profile
// (macro) from `lookup`, else the name the file gives.
void mergeInto(const ProfileBlock& block, ExchangeProfile& profile, const ExchangeLookup& lookup);

// After an import: a button linked to a profile or macro name that the caller cannot resolve
// gets its default function and loses the link.
void resetUnresolvedLinks(ExchangeProfile& profile,
                          const std::function<bool(const std::u16string&)>& profileExists,
                          const std::function<bool(const std::u16string&)>& macroExists);

// The first macro block of `text` named `nameFilter` (any when empty). Blocks with more than
// kMaxMacroEvents events are skipped.
std::optional<ExchangeMacro> readMacroBlock(std::u16string_view text,
                                            std::u16string_view nameFilter = {});

// A profile block followed by one macro block per button that plays a macro.
std::u16string profileBlockText(const ExchangeProfile& profile, const ExchangeLookup& lookup);
std::u16string macroBlockText(const ExchangeMacro& macro);

// Whole files through the file port: decoded text (none when the file cannot be read), and
// text written whole.
std::optional<std::u16string> readTextFile(FileSystem& files, const std::u16string& path);
bool writeTextFile(FileSystem& files, const std::u16string& path, std::u16string_view text);

// Profile side files: one per profile, numbered from 0 in list order.
inline constexpr int kSideFileCount = 5;
std::u16string sideFilePath(const std::u16string& folder, int number);

// Side-file merge of `text`: each block named `nameFilter` (any when empty) goes into the
// profile `find` gives for its name; a name `find` does not know ends the reading.
void mergeProfiles(std::u16string_view text, std::u16string_view nameFilter,
                   const std::function<ExchangeProfile*(const std::u16string&)>& find,
                   const ExchangeLookup& lookup);
// Merges side files 0 to kSideFileCount - 1 of `folder`; files that cannot be read are skipped.
void mergeSideFiles(FileSystem& files, const std::u16string& folder,
                    const std::function<ExchangeProfile*(const std::u16string&)>& find,
                    const ExchangeLookup& lookup);
// Writes profile n to side file n and removes the side files numbered from the count of
// profiles up to kSideFileCount - 1. False when any file could not be written or removed.
bool writeSideFiles(FileSystem& files, const std::u16string& folder,
                    const std::vector<ExchangeProfile>& profiles, const ExchangeLookup& lookup);

}  // namespace tessel::formats
