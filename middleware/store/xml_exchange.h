#pragma once
// The Export…/Import… operations of IProfile, IMacroHandling and IUserAction: the store's
// items to and from an XML exchange file (xml_exchange_file.h, xml_items.h), whose root
// element is named by the device key name.
//
// Export merges into the file: items of the same kind and name are replaced in place, all
// else is kept. An export reads every item first and writes the file once at the end, through
// a temporary file beside it, so a failed export leaves the file as it was. Import never
// writes or creates the file; a missing file fails with E_FAIL. Registry writes of a failing import
// stay. Items are found by their exact name (letter case counts).
#include <string>

#include "middleware/store/file_port.h"
#include "middleware/store/profile_store.h"

namespace tessel::store {

// Profile groups: the group with its member profiles.
HResult exportProfileGroup(const ProfileGroupStore& groups, const std::u16string& group,
                           FilePort& files, const std::u16string& path);
HResult exportAllProfileGroups(const ProfileGroupStore& groups, FilePort& files,
                               const std::u16string& path);
// Imports each member profile from the same file, then saves the group.
HResult importProfileGroup(const ProfileGroupStore& groups, const std::u16string& group,
                           FilePort& files, const std::u16string& path);
HResult importAllProfileGroups(const ProfileGroupStore& groups, FilePort& files,
                               const std::u16string& path);

// Profiles: exportProfile adds the macros and user actions the profile names; importProfile
// imports them from the same file before the profile, which needs them in the store.
// The "all" forms carry profiles only.
HResult exportProfile(const ProfileStore& profiles, const std::u16string& profile, FilePort& files,
                      const std::u16string& path);
HResult exportAllProfiles(const ProfileStore& profiles, FilePort& files,
                          const std::u16string& path);
HResult importProfile(const ProfileStore& profiles, const std::u16string& profile, FilePort& files,
                      const std::u16string& path);
HResult importAllProfiles(const ProfileStore& profiles, FilePort& files,
                          const std::u16string& path);

// Spell books: the book with its member macros.
HResult exportSpellBook(const SpellBookStore& books, const std::u16string& book, FilePort& files,
                        const std::u16string& path);
HResult exportAllSpellBooks(const SpellBookStore& books, FilePort& files,
                            const std::u16string& path);
HResult importSpellBook(const SpellBookStore& books, const std::u16string& book, FilePort& files,
                        const std::u16string& path);
HResult importAllSpellBooks(const SpellBookStore& books, FilePort& files,
                            const std::u16string& path);

HResult exportMacro(const MacroStore& macros, const std::u16string& macro, FilePort& files,
                    const std::u16string& path);
HResult exportAllMacros(const MacroStore& macros, FilePort& files, const std::u16string& path);
HResult importMacro(const MacroStore& macros, const std::u16string& macro, FilePort& files,
                    const std::u16string& path);
HResult importAllMacros(const MacroStore& macros, FilePort& files, const std::u16string& path);

HResult exportUserAction(const UserActionStore& actions, const std::u16string& action,
                         FilePort& files, const std::u16string& path);
HResult exportAllUserActions(const UserActionStore& actions, FilePort& files,
                             const std::u16string& path);
HResult importUserAction(const UserActionStore& actions, const std::u16string& action,
                         FilePort& files, const std::u16string& path);
HResult importAllUserActions(const UserActionStore& actions, FilePort& files,
                             const std::u16string& path);

}  // namespace tessel::store
