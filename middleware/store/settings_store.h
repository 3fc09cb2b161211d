#pragma once
// The settings store: profile groups, profiles, the private profile, spell books, macros and
// user actions in the registry, and their XML exchange files. Every operation opens the entry
// keys it needs and closes them before it returns; nothing is cached between calls.
//
// The COM objects open their stores with the device key name when they are created
// (XStore::open(registry, deviceKeyName, store)) and wire their operations as below. Names are
// std::u16string, counts std::int32_t (negative ones give E_INVALIDARG), items the values of
// store_values.h, which also converts them from and to the records. Returned values belong to
// the caller; the COM layer copies them into task-allocator memory, BSTRs and SAFEARRAYs, and
// runs each call through withoutThrowing() (allocation failure → E_OUTOFMEMORY). The Managed
// variants call the same functions with the names and records converted from and to their
// SAFEARRAYs (fromManaged / toManaged for the six-long records).
//
// IProfile (ProfileGroupStore groups, ProfileStore profiles = groups.profiles() or its own,
// PrivateProfileStore privateProfiles):
//   LoadNumProfileGroups                   groups.count(n)
//   LoadProfileGroupList[Managed]          groups.list(n, names)
//   LoadNumProfilesInGroup                 groups.memberCount(group, n)
//   SaveProfileGroup[Managed]              groups.save(group, names)
//   LoadProfileGroup[Managed]              groups.load(group, n, names)
//   DeleteProfileGroup                     groups.remove(group)
//   ExportProfileGroup / ImportProfileGroup
//                                          exportProfileGroup / importProfileGroup
//   ExportAllProfileGroups / ImportAllProfileGroups
//                                          exportAllProfileGroups / importAllProfileGroups
//   SetButtonMappings[Managed], GetButtonMappings[Managed]
//                                          privateProfiles.saveLastActive({version, mappings})
//                                          (fromRecord / toRecord, fromManaged / toManaged)
//   DeleteProfile                          profiles.remove(profile)
//   ExportProfile / ImportProfile          exportProfile / importProfile
//   ExportAllProfiles / ImportAllProfiles  exportAllProfiles / importAllProfiles
//   (LoadNumProfiles, LoadProfileList[Managed], SaveProfile[Managed], LoadProfile[Managed],
//    SetActiveProfile, GetActiveProfile and the Create…Interface operations do not use the
//    store.)
//
// IMacroHandling (SpellBookStore books, MacroStore macros):
//   LoadNumSpellBooks                      books.count(n)
//   LoadSpellBookList[Managed]             books.list(n, names)
//   LoadNumMacrosInSpellBook               books.memberCount(book, n)
//   SaveSpellBook[Managed]                 books.save(book, names)
//   LoadSpellBook[Managed]                 books.load(book, n, names)
//   DeleteSpellBook                        books.remove(book)
//   LoadNumMacros                          macros.count(n)
//   LoadMacroList[Managed]                 macros.list(n, names)
//   SaveMacro[Managed]                     macros.save(macro, value) (fromRecord(_TMacroParams))
//   LoadMacro[Managed]                     macros.load(macro, value)   (FixedDelay left as is)
//   DeleteMacro                            macros.remove(macro)
//   ExportSpellBook, ImportSpellBook, ExportAllSpellBooks, ImportAllSpellBooks
//                                          exportSpellBook, importSpellBook, exportAllSpellBooks,
//                                          importAllSpellBooks
//   ExportMacro, ImportMacro, ExportAllMacros, ImportAllMacros
//                                          exportMacro, importMacro, exportAllMacros,
//                                          importAllMacros
//
// IUserAction (UserActionStore actions):
//   LoadNumUserActions                     actions.count(n)
//   LoadUserActionList[Managed]            actions.list(n, names)
//   SaveUserAction[Managed]                actions.save(action, value)
//                                          (fromRecord(_TUserActionParams))
//   LoadUserAction[Managed]                actions.load(action, value)
//   DeleteUserAction                       actions.remove(action)
//   ExportUserAction, ImportUserAction, ExportAllUserActions, ImportAllUserActions
//                                          exportUserAction, importUserAction,
//                                          exportAllUserActions, importAllUserActions
//
// The exchange operations take a FilePort (localFiles() in the product) and the file's path.
// The registry is a RegistryPort: Win32Registry in the product (win32_registry.h). A store
// that fails to open gives its open() status; the interface objects then answer as their
// descriptions say (IProfile: E_FAIL from every store operation).
// IPerformanceSettings: pointer_settings.h (Win32PointerSettings in the product).
#include "middleware/store/profile_store.h"
#include "middleware/store/xml_exchange.h"
