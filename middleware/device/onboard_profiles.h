#pragma once
// The five profiles kept in the mouse's own memory: which numbers are in use (name records),
// creating, opening, activating and deleting them, and each profile's name and button entries.
// Profiles are named by their number 1-5; the COM layer wraps a number in a profile object.
// Every call takes the device type's current DriverHandler and fails with E_FAIL without one.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "middleware/common/records.h"
#include "middleware/common/status.h"
#include "middleware/device/driver_handler.h"
#include "middleware/device/settings_codec.h"

namespace tessel::device {

// --- profile manager ---

// The index-th profile in use (index 0-4, else E_INVALIDARG), counted over numbers 1-5; E_FAIL
// past the last one. A mouse without any profile gets profile 1 created and made active, which
// is returned whatever the index.
HResult GetProfile(DriverHandler* handler, std::int32_t index, std::uint8_t& number);
// The numbers of the profiles in use, in order, each name record read once; a name record that
// cannot be read is left out. A mouse without any profile gets profile 1 created and made
// active, as GetProfile does.
HResult GetProfilesInUse(DriverHandler* handler, std::vector<std::uint8_t>& numbers);
// Checks that `number` (1-5, else E_INVALIDARG) is in use (E_FAIL for a free one) and that its
// profile block answers.
HResult OpenProfile(DriverHandler* handler, std::int32_t number);
// Makes `number` (1-5) the active profile with its default stage and that stage's sensitivity;
// no write when it is active already.
HResult SetActiveProfile(DriverHandler* handler, std::int32_t number);
// Writes the default profile and an empty name at the first free number; E_OUTOFMEMORY when all
// five are in use. A name record that cannot be read ends the search with its status, so an
// unreadable profile is never taken for free and overwritten.
HResult CreateProfile(DriverHandler* handler, std::uint8_t& number);
// Profile 1 and the active profile: E_ACCESSDENIED. Deletes the block, then frees the name record.
HResult DeleteProfile(DriverHandler* handler, std::int32_t number);
HResult GetActiveProfileNumber(DriverHandler* handler, std::int32_t& number);
// S_OK when in use, E_FAIL when free; a name record that cannot be read counts as in use.
HResult IsProfileInUse(DriverHandler* handler, std::int32_t number);

// --- one profile ---

// The empty name for a free number.
HResult GetProfileName(DriverHandler* handler, std::uint8_t number, std::u16string& name);
// At most 19 characters; a longer name fails with E_FAIL before any exchange.
HResult SetProfileName(DriverHandler* handler, std::uint8_t number, std::u16string_view name);
// The nine button entries decoded into the caller's mappings (entries with unknown function
// codes leave the mapping as it was).
HResult GetButtonMappings(DriverHandler* handler, std::uint8_t number,
                          std::span<records::_TButtonMappingInfo, kButtonEntries> mappings);
// Read-modify-write of the first mappings.size() entries; more than nine: E_INVALIDARG.
HResult SetButtonMappings(DriverHandler* handler, std::uint8_t number,
                          std::span<const records::_TButtonMappingInfo> mappings);

}  // namespace tessel::device
