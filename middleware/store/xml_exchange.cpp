#include "middleware/store/xml_exchange.h"

#include "middleware/store/xml_items.h"

namespace tessel::store {
namespace {

// --- store → file ---

HResult addMacro(XmlExchangeFile& file, const MacroStore& macros, const std::u16string& name) {
    Macro macro;
    XmlItem item;
    if (HResult status = macros.load(name, macro); hr::failed(status)) return status;
    if (HResult status = makeMacroItem(name, macro, item); hr::failed(status)) return status;
    file.put(XmlKind::macro, std::move(item));
    return hr::ok;
}

HResult addUserAction(XmlExchangeFile& file, const UserActionStore& actions,
                      const std::u16string& name) {
    UserAction action;
    XmlItem item;
    if (HResult status = actions.load(name, action); hr::failed(status)) return status;
    if (HResult status = makeUserActionItem(name, action, item); hr::failed(status)) return status;
    file.put(XmlKind::userAction, std::move(item));
    return hr::ok;
}

HResult addProfile(XmlExchangeFile& file, const ProfileStore& profiles, const std::u16string& name,
                   Profile& profile) {
    XmlItem item;
    if (HResult status = profiles.load(name, profile); hr::failed(status)) return status;
    if (HResult status = makeProfileItem(name, profile, item); hr::failed(status)) return status;
    file.put(XmlKind::profile, std::move(item));
    return hr::ok;
}

HResult addProfile(XmlExchangeFile& file, const ProfileStore& profiles,
                   const std::u16string& name) {
    Profile profile;
    return addProfile(file, profiles, name, profile);
}

// A group or spell book, then each of its members through `addMember`.
template <typename AddMember>
HResult addList(XmlExchangeFile& file, XmlKind kind, const ListCollection& lists,
                const std::u16string& name, AddMember&& addMember) {
    std::int32_t count = 0;
    std::vector<std::u16string> members;
    XmlItem item;
    if (HResult status = lists.memberCount(name, count); hr::failed(status)) return status;
    if (HResult status = lists.load(name, count, members); hr::failed(status)) return status;
    if (HResult status = makeListItem(kind, name, members, item); hr::failed(status)) return status;
    file.put(kind, std::move(item));
    for (const auto& member : members)
        if (HResult status = addMember(file, member); hr::failed(status)) return status;
    return hr::ok;
}

// Opens the file of the store's device, lets `add` put items into it, and writes it once.
template <typename Add>
HResult exportInto(const Collection& store, FilePort& files, const std::u16string& path,
                   Add&& add) {
    XmlExchangeFile file;
    if (HResult status = file.open(files, path, store.deviceKeyName()); hr::failed(status))
        return status;
    if (HResult status = add(file); hr::failed(status)) return status;
    return file.commit();
}

// Every entry of the store, in registry enumeration order, through `addOne`.
template <typename AddOne>
HResult exportEvery(const Collection& store, FilePort& files, const std::u16string& path,
                    AddOne&& addOne) {
    return exportInto(store, files, path, [&](XmlExchangeFile& file) {
        std::int32_t count = 0;
        std::vector<std::u16string> names;
        if (HResult status = store.count(count); hr::failed(status)) return status;
        if (HResult status = store.list(count, names); hr::failed(status)) return status;
        for (const auto& name : names)
            if (HResult status = addOne(file, name); hr::failed(status)) return status;
        return hr::ok;
    });
}

// --- file → store ---

HResult findItem(const XmlExchangeFile& file, XmlKind kind, const std::u16string& name,
                 const XmlItem*& item) {
    item = file.find(kind, name);
    return item ? hr::ok : hr::fail;
}

HResult importMacroItem(const XmlExchangeFile& file, const MacroStore& macros,
                        const std::u16string& name) {
    const XmlItem* item = nullptr;
    Macro macro;
    if (HResult status = findItem(file, XmlKind::macro, name, item); hr::failed(status))
        return status;
    if (HResult status = readMacroItem(*item, macro); hr::failed(status)) return status;
    return macros.save(name, macro);
}

HResult importUserActionItem(const XmlExchangeFile& file, const UserActionStore& actions,
                             const std::u16string& name) {
    const XmlItem* item = nullptr;
    UserAction action;
    if (HResult status = findItem(file, XmlKind::userAction, name, item); hr::failed(status))
        return status;
    if (HResult status = readUserActionItem(*item, action); hr::failed(status)) return status;
    return actions.save(name, action);
}

HResult readProfile(const XmlExchangeFile& file, const std::u16string& name, Profile& profile) {
    const XmlItem* item = nullptr;
    if (HResult status = findItem(file, XmlKind::profile, name, item); hr::failed(status))
        return status;
    return readProfileItem(*item, profile);
}

HResult importProfileItem(const XmlExchangeFile& file, const ProfileStore& profiles,
                          const std::u16string& name) {
    Profile profile;
    if (HResult status = readProfile(file, name, profile); hr::failed(status)) return status;
    return profiles.save(name, profile);
}

// A group or spell book: each member through `importMember`, then the listing itself.
template <typename ImportMember>
HResult importList(const XmlExchangeFile& file, XmlKind kind, const ListCollection& lists,
                   const std::u16string& name, ImportMember&& importMember) {
    const XmlItem* item = nullptr;
    std::vector<std::u16string> members;
    if (HResult status = findItem(file, kind, name, item); hr::failed(status)) return status;
    if (HResult status = readListItem(kind, *item, members); hr::failed(status)) return status;
    for (const auto& member : members)
        if (HResult status = importMember(member); hr::failed(status)) return status;
    return lists.save(name, members);
}

template <typename Import>
HResult importFrom(const Collection& store, FilePort& files, const std::u16string& path,
                   Import&& import) {
    XmlExchangeFile file;
    if (HResult status = file.open(files, path, store.deviceKeyName()); hr::failed(status))
        return status;
    // Nothing to import from a missing file (which is not created either) nor from one without
    // this mouse's root element: no export of this mouse at all.
    if (!file.exists() || !file.hasRoot()) return hr::fail;
    return import(file);
}

// Every item of the kind, in file order, through `importOne`; the first failure ends it.
template <typename ImportOne>
HResult importEvery(const Collection& store, XmlKind kind, FilePort& files,
                    const std::u16string& path, ImportOne&& importOne) {
    return importFrom(store, files, path, [&](const XmlExchangeFile& file) {
        std::vector<std::u16string> names;
        if (HResult status = file.names(kind, file.count(kind), names); hr::failed(status))
            return status;
        for (const auto& name : names)
            if (HResult status = importOne(file, name); hr::failed(status)) return status;
        return hr::ok;
    });
}

// The per-name steps of each kind, shared by the one-item and the "all" operations.

auto addGroupTo(const ProfileGroupStore& groups) {
    return [&groups](XmlExchangeFile& file, const std::u16string& name) {
        return addList(file, XmlKind::profileGroup, groups, name,
                       [&](XmlExchangeFile& into, const std::u16string& member) {
                           return addProfile(into, groups.profiles(), member);
                       });
    };
}

auto addBookTo(const SpellBookStore& books) {
    return [&books](XmlExchangeFile& file, const std::u16string& name) {
        return addList(file, XmlKind::spellBook, books, name,
                       [&](XmlExchangeFile& into, const std::u16string& member) {
                           return addMacro(into, books.macros(), member);
                       });
    };
}

auto importGroupFrom(const ProfileGroupStore& groups) {
    return [&groups](const XmlExchangeFile& file, const std::u16string& name) {
        return importList(file, XmlKind::profileGroup, groups, name,
                          [&](const std::u16string& member) {
                              return importProfileItem(file, groups.profiles(), member);
                          });
    };
}

auto importBookFrom(const SpellBookStore& books) {
    return [&books](const XmlExchangeFile& file, const std::u16string& name) {
        return importList(file, XmlKind::spellBook, books, name, [&](const std::u16string& member) {
            return importMacroItem(file, books.macros(), member);
        });
    };
}

}  // namespace

// --- profile groups ---

HResult exportProfileGroup(const ProfileGroupStore& groups, const std::u16string& group,
                           FilePort& files, const std::u16string& path) {
    return exportInto(groups, files, path,
                      [&](XmlExchangeFile& file) { return addGroupTo(groups)(file, group); });
}

HResult exportAllProfileGroups(const ProfileGroupStore& groups, FilePort& files,
                               const std::u16string& path) {
    return exportEvery(groups, files, path, addGroupTo(groups));
}

HResult importProfileGroup(const ProfileGroupStore& groups, const std::u16string& group,
                           FilePort& files, const std::u16string& path) {
    return importFrom(groups, files, path, [&](const XmlExchangeFile& file) {
        return importGroupFrom(groups)(file, group);
    });
}

HResult importAllProfileGroups(const ProfileGroupStore& groups, FilePort& files,
                               const std::u16string& path) {
    return importEvery(groups, XmlKind::profileGroup, files, path, importGroupFrom(groups));
}

// --- profiles ---

HResult exportProfile(const ProfileStore& profiles, const std::u16string& profile, FilePort& files,
                      const std::u16string& path) {
    return exportInto(profiles, files, path, [&](XmlExchangeFile& file) {
        Profile read;
        if (HResult status = addProfile(file, profiles, profile, read); hr::failed(status))
            return status;
        for (const auto& mapping : read.mappings) {
            if (mapping.mappingType != records::BUTTON_MAPPING_MACRO) continue;
            if (HResult status = addMacro(file, profiles.macros(), mapping.name);
                hr::failed(status))
                return status;
        }
        for (const auto& mapping : read.mappings) {
            if (mapping.mappingType != records::BUTTON_MAPPING_USER_ACTION) continue;
            if (HResult status = addUserAction(file, profiles.userActions(), mapping.name);
                hr::failed(status))
                return status;
        }
        return hr::ok;
    });
}

HResult exportAllProfiles(const ProfileStore& profiles, FilePort& files,
                          const std::u16string& path) {
    return exportEvery(profiles, files, path,
                       [&](XmlExchangeFile& file, const std::u16string& name) {
                           return addProfile(file, profiles, name);
                       });
}

HResult importProfile(const ProfileStore& profiles, const std::u16string& profile, FilePort& files,
                      const std::u16string& path) {
    return importFrom(profiles, files, path, [&](const XmlExchangeFile& file) {
        Profile read;
        if (HResult status = readProfile(file, profile, read); hr::failed(status)) return status;
        for (const auto& mapping : read.mappings) {
            if (mapping.mappingType != records::BUTTON_MAPPING_MACRO) continue;
            if (HResult status = importMacroItem(file, profiles.macros(), mapping.name);
                hr::failed(status))
                return status;
        }
        for (const auto& mapping : read.mappings) {
            if (mapping.mappingType != records::BUTTON_MAPPING_USER_ACTION) continue;
            if (HResult status = importUserActionItem(file, profiles.userActions(), mapping.name);
                hr::failed(status))
                return status;
        }
        return profiles.save(profile, read);
    });
}

HResult importAllProfiles(const ProfileStore& profiles, FilePort& files,
                          const std::u16string& path) {
    return importEvery(profiles, XmlKind::profile, files, path,
                       [&](const XmlExchangeFile& file, const std::u16string& name) {
                           return importProfileItem(file, profiles, name);
                       });
}

// --- spell books ---

HResult exportSpellBook(const SpellBookStore& books, const std::u16string& book, FilePort& files,
                        const std::u16string& path) {
    return exportInto(books, files, path,
                      [&](XmlExchangeFile& file) { return addBookTo(books)(file, book); });
}

HResult exportAllSpellBooks(const SpellBookStore& books, FilePort& files,
                            const std::u16string& path) {
    return exportEvery(books, files, path, addBookTo(books));
}

HResult importSpellBook(const SpellBookStore& books, const std::u16string& book, FilePort& files,
                        const std::u16string& path) {
    return importFrom(books, files, path, [&](const XmlExchangeFile& file) {
        return importBookFrom(books)(file, book);
    });
}

HResult importAllSpellBooks(const SpellBookStore& books, FilePort& files,
                            const std::u16string& path) {
    return importEvery(books, XmlKind::spellBook, files, path, importBookFrom(books));
}

// --- macros ---

HResult exportMacro(const MacroStore& macros, const std::u16string& macro, FilePort& files,
                    const std::u16string& path) {
    return exportInto(macros, files, path,
                      [&](XmlExchangeFile& file) { return addMacro(file, macros, macro); });
}

HResult exportAllMacros(const MacroStore& macros, FilePort& files, const std::u16string& path) {
    return exportEvery(macros, files, path, [&](XmlExchangeFile& file, const std::u16string& name) {
        return addMacro(file, macros, name);
    });
}

HResult importMacro(const MacroStore& macros, const std::u16string& macro, FilePort& files,
                    const std::u16string& path) {
    return importFrom(macros, files, path, [&](const XmlExchangeFile& file) {
        return importMacroItem(file, macros, macro);
    });
}

HResult importAllMacros(const MacroStore& macros, FilePort& files, const std::u16string& path) {
    return importEvery(macros, XmlKind::macro, files, path,
                       [&](const XmlExchangeFile& file, const std::u16string& name) {
                           return importMacroItem(file, macros, name);
                       });
}

// --- user actions ---

HResult exportUserAction(const UserActionStore& actions, const std::u16string& action,
                         FilePort& files, const std::u16string& path) {
    return exportInto(actions, files, path,
                      [&](XmlExchangeFile& file) { return addUserAction(file, actions, action); });
}

HResult exportAllUserActions(const UserActionStore& actions, FilePort& files,
                             const std::u16string& path) {
    return exportEvery(actions, files, path,
                       [&](XmlExchangeFile& file, const std::u16string& name) {
                           return addUserAction(file, actions, name);
                       });
}

HResult importUserAction(const UserActionStore& actions, const std::u16string& action,
                         FilePort& files, const std::u16string& path) {
    return importFrom(actions, files, path, [&](const XmlExchangeFile& file) {
        return importUserActionItem(file, actions, action);
    });
}

HResult importAllUserActions(const UserActionStore& actions, FilePort& files,
                             const std::u16string& path) {
    return importEvery(actions, XmlKind::userAction, files, path,
                       [&](const XmlExchangeFile& file, const std::u16string& name) {
                           return importUserActionItem(file, actions, name);
                       });
}

}  // namespace tessel::store
