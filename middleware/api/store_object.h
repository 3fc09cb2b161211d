#pragma once
// What the settings-store objects (IProfile, IMacroHandling, IUserAction) share: reading names
// and files from the caller, handing lists out, and each call run without an exception leaving
// it.
//
// The objects open their stores with the device key name when they are created
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
// The exchange operations take the files and the registry of systemPorts(). A store that fails
// to open gives its open() status: IProfile then answers E_FAIL from every store operation,
// IMacroHandling and IUserAction are not created.
// IPerformanceSettings: pointer_settings.h, on systemPorts().pointerSettings().
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "middleware/api/client_memory.h"
#include "middleware/api/server_objects.h"
#include "middleware/api/system_ports.h"
#include "middleware/store/settings_store.h"

namespace tessel::com {

using Names = std::vector<std::u16string>;

// --- arguments and results ---

inline HRESULT readName(const wchar_t* text, std::u16string& name) {
    if (!text) return E_POINTER;
    name = fromWide(text);
    return S_OK;
}

// The caller's array of `count` names.
inline HRESULT readNames(long count, LPWSTR* texts, Names& names) {
    if (count < 0) return E_INVALIDARG;
    if (count > 0 && !texts) return E_POINTER;
    names.clear();
    for (long i = 0; i < count; ++i) {
        if (!texts[i]) return E_POINTER;
        names.push_back(fromWide(texts[i]));
    }
    return S_OK;
}

// Fills the caller's array of `count` entries with new strings from the task allocator. On
// failure every entry is null again.
inline HRESULT handOutNames(const Names& names, long count, LPWSTR* out) {
    for (long i = 0; i < count; ++i) {
        if (HRESULT status = handOutTaskString(names[static_cast<size_t>(i)], &out[i]); FAILED(status)) {
            for (long j = 0; j < count; ++j) {
                CoTaskMemFree(out[j]);
                out[j] = nullptr;
            }
            return status;
        }
    }
    return S_OK;
}

// A list operation of the store into the caller's array: the entries are null until it
// succeeds, and stay null when it fails.
template <class Load>
HRESULT loadNames(long count, LPWSTR* out, Load&& load) {
    if (count < 0) return E_INVALIDARG;
    if (count > 0 && !out) return E_POINTER;
    std::fill(out, out + count, nullptr);
    Names names;
    if (HRESULT status = load(names); FAILED(status)) return status;
    if (names.size() < static_cast<size_t>(count)) return E_FAIL;
    return handOutNames(names, count, out);
}

template <class Load>
HRESULT loadNamesManaged(SAFEARRAY** out, Load&& load) {
    if (!out) return E_POINTER;
    *out = nullptr;
    Names names;
    if (HRESULT status = load(names); FAILED(status)) return status;
    SafeArrayOwner array;
    if (HRESULT status = makeBstrArray(names, array); FAILED(status)) return status;
    handOutSafeArray(array, out);
    return S_OK;
}

inline HRESULT readCount(long* out, std::int32_t value, HRESULT status) {
    *out = value;
    return status;
}

// Records of the safe arrays: the type library's record, the core's record of the same bytes.
template <class Managed>
HRESULT readManaged(SAFEARRAY* array, const wchar_t* recordName, std::vector<Managed>& records) {
    std::vector<std::uint8_t> bytes;
    if (HRESULT status = readRecordSafeArray(array, recordName, sizeof(Managed), bytes); FAILED(status)) return status;
    records.resize(bytes.size() / sizeof(Managed));
    if (!bytes.empty()) std::memcpy(records.data(), bytes.data(), bytes.size());
    return S_OK;
}

template <class Managed>
HRESULT handOutManaged(const std::vector<Managed>& records, const wchar_t* recordName, SAFEARRAY** out) {
    SafeArrayOwner array;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(records.data());
    if (HRESULT status = makeRecordSafeArray(recordName, {bytes, records.size() * sizeof(Managed)}, sizeof(Managed), array);
        FAILED(status))
        return status;
    handOutSafeArray(array, out);
    return S_OK;
}

inline constexpr wchar_t kMappingRecord[] = L"TButtonMappingManaged";
inline constexpr wchar_t kElementRecord[] = L"TMacroElementManaged";

// Onboard profile names as IProfile lists them: "1" … "n".
inline Names numberedNames(long count) {
    Names names;
    for (long i = 1; i <= count; ++i) {
        const std::string text = std::to_string(i);
        names.emplace_back(text.begin(), text.end());
    }
    return names;
}

// The device key name of the opened device; without a device the stores cannot be opened.
inline HRESULT deviceKeyName(const Session& session, std::u16string& name) {
    if (!session->driver()) return E_FAIL;
    name = session->driver()->keyName();
    return S_OK;
}

// Each operation of the store objects runs through one of these: the caller's name (and file)
// read first, then the store's call, with no exception leaving it.
template <class Operation>
HRESULT withName(const wchar_t* text, Operation&& operation) {
    return guarded([&]() -> HRESULT {
        std::u16string name;
        if (HRESULT status = readName(text, name); FAILED(status)) return status;
        return operation(name);
    });
}

template <class Operation>
HRESULT withFile(const wchar_t* text, const wchar_t* file, Operation&& operation) {
    return guarded([&]() -> HRESULT {
        std::u16string name, path;
        if (HRESULT status = readName(text, name); FAILED(status)) return status;
        if (HRESULT status = readName(file, path); FAILED(status)) return status;
        return operation(name, path);
    });
}

// The number of entries of a collection into *count (left alone on failure).
inline HRESULT countOf(const store::Collection& collection, long* count) {
    if (!count) return E_POINTER;
    return guarded([&]() -> HRESULT {
        std::int32_t value = 0;
        const HResult status = collection.count(value);
        if (hr::succeeded(status)) *count = value;
        return status;
    });
}

// The four exchange operations of one kind of item: one item or all of them, to or from a file
// of the process's files.
template <class Store>
struct Exchange {
    HResult (*exportOne)(const Store&, const std::u16string&, store::FilePort&, const std::u16string&);
    HResult (*importOne)(const Store&, const std::u16string&, store::FilePort&, const std::u16string&);
    HResult (*exportAll)(const Store&, store::FilePort&, const std::u16string&);
    HResult (*importAll)(const Store&, store::FilePort&, const std::u16string&);

    HRESULT exportItem(const Store& items, const wchar_t* item, const wchar_t* file) const {
        return withFile(item, file, [&](const std::u16string& name, const std::u16string& path) -> HRESULT {
            return exportOne(items, name, systemPorts().files(), path);
        });
    }
    HRESULT importItem(const Store& items, const wchar_t* item, const wchar_t* file) const {
        return withFile(item, file, [&](const std::u16string& name, const std::u16string& path) -> HRESULT {
            return importOne(items, name, systemPorts().files(), path);
        });
    }
    HRESULT exportEvery(const Store& items, const wchar_t* file) const {
        return withName(file, [&](const std::u16string& path) -> HRESULT { return exportAll(items, systemPorts().files(), path); });
    }
    HRESULT importEvery(const Store& items, const wchar_t* file) const {
        return withName(file, [&](const std::u16string& path) -> HRESULT { return importAll(items, systemPorts().files(), path); });
    }
};

}  // namespace tessel::com
