// The objects of the settings store: IProfile (profile groups, profiles, the private profile,
// plus the onboard profile commands of the mouse), IMacroHandling, IUserAction, and the pointer
// settings of IPerformanceSettings. Each operation is one call of the store; this layer only
// converts arguments and results.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "middleware/api/client_memory.h"
#include "middleware/api/connection_points.h"
#include "middleware/api/server_objects.h"
#include "middleware/device/settings_commands.h"
#include "middleware/store/file_port.h"
#include "middleware/store/settings_store.h"
#include "middleware/store/win32_pointer_settings.h"
#include "middleware/store/win32_registry.h"

namespace tessel::com {
namespace {

using Names = std::vector<std::u16string>;

store::RegistryPort& systemRegistry() {
    static store::Win32Registry registry;
    return registry;
}

store::PointerSettingsPort& systemPointerSettings() {
    static store::Win32PointerSettings settings;
    return settings;
}

// --- arguments and results ---

HRESULT readName(const wchar_t* text, std::u16string& name) {
    if (!text) return E_POINTER;
    name = fromWide(text);
    return S_OK;
}

// The caller's array of `count` names.
HRESULT readNames(long count, LPWSTR* texts, Names& names) {
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
HRESULT handOutNames(const Names& names, long count, LPWSTR* out) {
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

HRESULT readCount(long* out, std::int32_t value, HRESULT status) {
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

constexpr wchar_t kMappingRecord[] = L"TButtonMappingManaged";
constexpr wchar_t kElementRecord[] = L"TMacroElementManaged";

// Onboard profile names as IProfile lists them: "1" … "n".
Names numberedNames(long count) {
    Names names;
    for (long i = 1; i <= count; ++i) {
        const std::string text = std::to_string(i);
        names.emplace_back(text.begin(), text.end());
    }
    return names;
}

// The device key name of the opened device; without a device the stores cannot be opened.
HRESULT deviceKeyName(const Session& session, std::u16string& name) {
    if (!session->driver()) return E_FAIL;
    name = session->driver()->keyName();
    return S_OK;
}

class Profile : public IProfile, public EventSource<_IProfileEvents> {
public:
    explicit Profile(Session session) : session_(std::move(session)) {}

    static const QITAB* interfaceTable() {
        static const QITAB table[] = {
            QITABENT(Profile, IProfile),
            QITABENT(Profile, IConnectionPointContainer),
            {},
        };
        return table;
    }

    // Without its stores the object still works on the mouse; the store operations fail.
    void openStores() {
        std::u16string keyName;
        if (FAILED(deviceKeyName(session_, keyName))) return;
        std::unique_ptr<store::ProfileGroupStore> groups;
        std::unique_ptr<store::PrivateProfileStore> privateProfiles;
        if (FAILED(store::withoutThrowing([&]() -> HRESULT {
                HResult status = store::ProfileGroupStore::open(systemRegistry(), keyName, groups);
                if (hr::succeeded(status))
                    status = store::PrivateProfileStore::open(systemRegistry(), keyName, privateProfiles);
                return status;
            })))
            return;
        groups_ = std::move(groups);
        privateProfiles_ = std::move(privateProfiles);
    }

    // --- profile groups ---

    IFACEMETHODIMP LoadNumProfileGroups(long* count) override {
        if (!count) return E_POINTER;
        return withGroups([&](auto& groups) -> HRESULT {
            std::int32_t value = 0;
            const HResult status = groups.count(value);
            if (hr::succeeded(status)) *count = value;
            return status;
        });
    }

    IFACEMETHODIMP LoadProfileGroupList(long count, LPWSTR* names) override {
        return withGroups([&](auto& groups) -> HRESULT {
            return loadNames(count, names, [&](Names& listed) -> HRESULT { return groups.list(count, listed); });
        });
    }

    IFACEMETHODIMP LoadNumProfilesInGroup(LPWSTR group, long* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return withGroups([&](auto& groups) -> HRESULT {
            std::u16string name;
            if (HRESULT status = readName(group, name); FAILED(status)) return status;
            std::int32_t value = 0;
            const HResult status = groups.memberCount(name, value);
            return readCount(count, value, status);
        });
    }

    IFACEMETHODIMP SaveProfileGroup(LPWSTR group, long count, LPWSTR* profiles) override {
        return withGroups([&](auto& groups) -> HRESULT {
            std::u16string name;
            Names members;
            if (HRESULT status = readName(group, name); FAILED(status)) return status;
            if (HRESULT status = readNames(count, profiles, members); FAILED(status)) return status;
            return groups.save(name, members);
        });
    }

    IFACEMETHODIMP LoadProfileGroup(LPWSTR group, long count, LPWSTR* profiles) override {
        return withGroups([&](auto& groups) -> HRESULT {
            std::u16string name;
            if (HRESULT status = readName(group, name); FAILED(status)) return status;
            return loadNames(count, profiles, [&](Names& members) -> HRESULT { return groups.load(name, count, members); });
        });
    }

    IFACEMETHODIMP DeleteProfileGroup(LPWSTR group) override {
        return withNamed(group, [&](const std::u16string& name) -> HRESULT { return groups_->remove(name); });
    }

    IFACEMETHODIMP ExportProfileGroup(LPWSTR group, LPWSTR file) override {
        return withFile(group, file, [&](const std::u16string& name, const std::u16string& path) -> HRESULT {
            return store::exportProfileGroup(*groups_, name, store::localFiles(), path);
        });
    }
    IFACEMETHODIMP ImportProfileGroup(LPWSTR group, LPWSTR file) override {
        return withFile(group, file, [&](const std::u16string& name, const std::u16string& path) -> HRESULT {
            return store::importProfileGroup(*groups_, name, store::localFiles(), path);
        });
    }
    IFACEMETHODIMP ExportAllProfileGroups(LPWSTR file) override {
        return withNamed(file, [&](const std::u16string& path) -> HRESULT {
            return store::exportAllProfileGroups(*groups_, store::localFiles(), path);
        });
    }
    IFACEMETHODIMP ImportAllProfileGroups(LPWSTR file) override {
        return withNamed(file, [&](const std::u16string& path) -> HRESULT {
            return store::importAllProfileGroups(*groups_, store::localFiles(), path);
        });
    }

    // --- button mappings: the private copy, and the driver channel that is never open ---

    // The mappings are kept as "LastActive" before they would go to the driver.
    IFACEMETHODIMP SetButtonMappings(_TProfileParams* params) override {
        if (!params) return E_POINTER;
        if (params->lNumMappings < 0) return E_INVALIDARG;
        if (params->lNumMappings > 0 && (!params->ppMappings || !*params->ppMappings)) return E_POINTER;
        const auto* mappings = asCore<records::_TButtonMappingInfo>(params->lNumMappings > 0 ? *params->ppMappings : nullptr);
        return setMappings([&](store::Profile& profile) -> HRESULT {
            for (long i = 0; i < params->lNumMappings; ++i) {
                store::ButtonMapping mapping;
                if (HResult status = store::fromRecord(mappings[i], mapping); hr::failed(status)) return status;
                profile.mappings.push_back(std::move(mapping));
            }
            return hr::ok;
        });
    }

    // The mappings would be read from the driver channel, and then kept as "LastActive".
    IFACEMETHODIMP GetButtonMappings(_TProfileParams* params) override {
        if (!params) return E_POINTER;
        return E_HANDLE;
    }

    // --- the onboard profiles of the mouse ---

    IFACEMETHODIMP LoadNumProfiles(long*) override { return E_HANDLE; }

    IFACEMETHODIMP LoadProfileList(long count, LPWSTR* names) override {
        return loadNames(count, names, [&](Names& listed) -> HRESULT {
            return store::withoutThrowing([&]() -> HRESULT {
                listed = numberedNames(count);
                return hr::ok;
            });
        });
    }

    IFACEMETHODIMP SaveProfile(LPWSTR, _TProfileParams*) override { return device::SaveProfile(session_->driver()); }
    IFACEMETHODIMP LoadProfile(LPWSTR, _TProfileParams*) override { return device::LoadProfile(session_->driver()); }

    // --- profiles of the store ---

    IFACEMETHODIMP DeleteProfile(LPWSTR profile) override {
        return withNamed(profile, [&](const std::u16string& name) -> HRESULT { return groups_->profiles().remove(name); });
    }

    IFACEMETHODIMP ExportProfile(LPWSTR profile, LPWSTR file) override {
        return withFile(profile, file, [&](const std::u16string& name, const std::u16string& path) -> HRESULT {
            return store::exportProfile(groups_->profiles(), name, store::localFiles(), path);
        });
    }
    IFACEMETHODIMP ImportProfile(LPWSTR profile, LPWSTR file) override {
        return withFile(profile, file, [&](const std::u16string& name, const std::u16string& path) -> HRESULT {
            return store::importProfile(groups_->profiles(), name, store::localFiles(), path);
        });
    }
    IFACEMETHODIMP ExportAllProfiles(LPWSTR file) override {
        return withNamed(file, [&](const std::u16string& path) -> HRESULT {
            return store::exportAllProfiles(groups_->profiles(), store::localFiles(), path);
        });
    }
    IFACEMETHODIMP ImportAllProfiles(LPWSTR file) override {
        return withNamed(file, [&](const std::u16string& path) -> HRESULT {
            return store::importAllProfiles(groups_->profiles(), store::localFiles(), path);
        });
    }

    // --- objects ---

    IFACEMETHODIMP CreateButtonControlInterface(IButtonControl** out) override { return createButtonControl(out); }
    IFACEMETHODIMP CreateDpiSettingsInterface(IDpiSettings** out) override { return createDpiSettings(out); }
    IFACEMETHODIMP CreateLedStatusInterface(ILedStatus** out) override {
        return createLedStatus(session_, kStoreSelector, out);
    }
    IFACEMETHODIMP CreatePerformanceSettingsInterface(IPerformanceSettings** out) override {
        return createPerformanceSettings(out);
    }
    IFACEMETHODIMP CreateDpiInterface(IDpi** out) override { return createDpi(session_, kStoreSelector, out); }

    // --- safe-array forms ---

    IFACEMETHODIMP LoadProfileGroupListManaged(long count, SAFEARRAY** names) override {
        return withGroups([&](auto& groups) -> HRESULT {
            return loadNamesManaged(names, [&](Names& listed) -> HRESULT { return groups.list(count, listed); });
        });
    }

    IFACEMETHODIMP SaveProfileGroupManaged(BSTR group, SAFEARRAY* profiles) override {
        return withGroups([&](auto& groups) -> HRESULT {
            std::u16string name;
            Names members;
            if (HRESULT status = readName(group, name); FAILED(status)) return status;
            if (HRESULT status = readBstrArray(profiles, members); FAILED(status)) return status;
            return groups.save(name, members);
        });
    }

    IFACEMETHODIMP LoadProfileGroupManaged(BSTR group, long count, SAFEARRAY** profiles) override {
        return withGroups([&](auto& groups) -> HRESULT {
            std::u16string name;
            if (HRESULT status = readName(group, name); FAILED(status)) return status;
            return loadNamesManaged(profiles, [&](Names& members) -> HRESULT { return groups.load(name, count, members); });
        });
    }

    IFACEMETHODIMP LoadProfileListManaged(long count, SAFEARRAY** names) override {
        if (count < 0) return E_INVALIDARG;
        return loadNamesManaged(names, [&](Names& listed) -> HRESULT {
            return store::withoutThrowing([&]() -> HRESULT {
                listed = numberedNames(count);
                return hr::ok;
            });
        });
    }

    IFACEMETHODIMP SetButtonMappingsManaged(long, SAFEARRAY* mappings) override {
        std::vector<records::TButtonMappingManaged> managed;
        HRESULT status = store::withoutThrowing([&]() -> HRESULT { return readManaged(mappings, kMappingRecord, managed); });
        if (FAILED(status)) return status;
        return setMappings([&](store::Profile& profile) -> HRESULT {
            for (const auto& record : managed) profile.mappings.push_back(store::fromManaged(record));
            return hr::ok;
        });
    }

    IFACEMETHODIMP GetButtonMappingsManaged(long* version, SAFEARRAY** mappings) override {
        if (!version || !mappings) return E_POINTER;
        *version = 0;
        *mappings = nullptr;
        _TProfileParams params{};
        return GetButtonMappings(&params);
    }

    IFACEMETHODIMP SaveProfileManaged(BSTR name, long, SAFEARRAY*) override { return SaveProfile(name, nullptr); }

    // The mouse's answer fills nothing: no mappings come back.
    IFACEMETHODIMP LoadProfileManaged(BSTR name, long* version, SAFEARRAY** mappings) override {
        if (!version || !mappings) return E_POINTER;
        *version = 0;
        *mappings = nullptr;
        _TProfileParams params{};
        if (HRESULT status = LoadProfile(name, &params); FAILED(status)) return status;
        return store::withoutThrowing(
            [&]() -> HRESULT { return handOutManaged(std::vector<records::TButtonMappingManaged>{}, kMappingRecord, mappings); });
    }

    IFACEMETHODIMP SetActiveProfile(LPWSTR) override { return E_HANDLE; }
    IFACEMETHODIMP GetActiveProfile(LPWSTR*) override { return E_HANDLE; }

private:
    // Onboard lighting and sensitivity objects made through IProfile address profile 0.
    static constexpr std::uint8_t kStoreSelector = 0;

    template <class Operation>
    HRESULT withGroups(Operation&& operation) {
        if (!groups_) return E_FAIL;
        return store::withoutThrowing([&]() -> HRESULT { return operation(*groups_); });
    }

    template <class Operation>
    HRESULT withNamed(const wchar_t* text, Operation&& operation) {
        return withGroups([&](auto&) -> HRESULT {
            std::u16string name;
            if (HRESULT status = readName(text, name); FAILED(status)) return status;
            return operation(name);
        });
    }

    template <class Operation>
    HRESULT withFile(const wchar_t* text, const wchar_t* file, Operation&& operation) {
        return withGroups([&](auto&) -> HRESULT {
            std::u16string name, path;
            if (HRESULT status = readName(text, name); FAILED(status)) return status;
            if (HRESULT status = readName(file, path); FAILED(status)) return status;
            return operation(name, path);
        });
    }

    // Keeps the mappings as "LastActive" (when the stores are open), with the version last
    // read from the mouse; sending them would take the driver channel.
    template <class Fill>
    HRESULT setMappings(Fill&& fill) {
        store::Profile profile;
        profile.version = lastReadVersion_;
        HRESULT status = store::withoutThrowing([&]() -> HRESULT { return fill(profile); });
        if (FAILED(status)) return status;
        if (privateProfiles_) {
            status = store::withoutThrowing([&]() -> HRESULT { return privateProfiles_->saveLastActive(profile); });
            if (FAILED(status)) return status;
        }
        return E_HANDLE;
    }

    Session session_;
    std::unique_ptr<store::ProfileGroupStore> groups_;
    std::unique_ptr<store::PrivateProfileStore> privateProfiles_;
    // Nothing is ever read from the driver channel, so this stays 0.
    std::int32_t lastReadVersion_ = 0;
};

class MacroHandling : public IMacroHandling, public EventSource<_IMacroHandlingEvents> {
public:
    explicit MacroHandling(std::unique_ptr<store::SpellBookStore> books) : books_(std::move(books)) {}

    static const QITAB* interfaceTable() {
        static const QITAB table[] = {
            QITABENT(MacroHandling, IMacroHandling),
            QITABENT(MacroHandling, IConnectionPointContainer),
            {},
        };
        return table;
    }

    // --- spell books ---

    IFACEMETHODIMP LoadNumSpellBooks(long* count) override { return countOf(*books_, count); }

    IFACEMETHODIMP LoadSpellBookList(long count, LPWSTR* names) override {
        return run([&]() -> HRESULT { return loadNames(count, names, [&](Names& listed) -> HRESULT { return books_->list(count, listed); }); });
    }

    IFACEMETHODIMP LoadNumMacrosInSpellBook(LPWSTR book, long* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return withName(book, [&](const std::u16string& name) -> HRESULT {
            std::int32_t value = 0;
            const HResult status = books_->memberCount(name, value);
            return readCount(count, value, status);
        });
    }

    IFACEMETHODIMP SaveSpellBook(LPWSTR book, long count, LPWSTR* macros) override {
        return withName(book, [&](const std::u16string& name) -> HRESULT {
            Names members;
            if (HRESULT status = readNames(count, macros, members); FAILED(status)) return status;
            return books_->save(name, members);
        });
    }

    IFACEMETHODIMP LoadSpellBook(LPWSTR book, long count, LPWSTR* macros) override {
        return withName(book, [&](const std::u16string& name) -> HRESULT {
            return loadNames(count, macros, [&](Names& members) -> HRESULT { return books_->load(name, count, members); });
        });
    }

    IFACEMETHODIMP DeleteSpellBook(LPWSTR book) override {
        return withName(book, [&](const std::u16string& name) -> HRESULT { return books_->remove(name); });
    }

    IFACEMETHODIMP ExportSpellBook(LPWSTR book, LPWSTR file) override {
        return withFile(book, file, [&](const std::u16string& name, const std::u16string& path) -> HRESULT {
            return store::exportSpellBook(*books_, name, store::localFiles(), path);
        });
    }
    IFACEMETHODIMP ImportSpellBook(LPWSTR book, LPWSTR file) override {
        return withFile(book, file, [&](const std::u16string& name, const std::u16string& path) -> HRESULT {
            return store::importSpellBook(*books_, name, store::localFiles(), path);
        });
    }
    IFACEMETHODIMP ExportAllSpellBooks(LPWSTR file) override {
        return withName(file, [&](const std::u16string& path) -> HRESULT {
            return store::exportAllSpellBooks(*books_, store::localFiles(), path);
        });
    }
    IFACEMETHODIMP ImportAllSpellBooks(LPWSTR file) override {
        return withName(file, [&](const std::u16string& path) -> HRESULT {
            return store::importAllSpellBooks(*books_, store::localFiles(), path);
        });
    }

    // --- macros ---

    IFACEMETHODIMP LoadNumMacros(long* count) override { return countOf(macros(), count); }

    IFACEMETHODIMP LoadMacroList(long count, LPWSTR* names) override {
        return run([&]() -> HRESULT { return loadNames(count, names, [&](Names& listed) -> HRESULT { return macros().list(count, listed); }); });
    }

    IFACEMETHODIMP SaveMacro(LPWSTR macro, _TMacroParams* params) override {
        if (!params) return E_POINTER;
        return withName(macro, [&](const std::u16string& name) -> HRESULT {
            store::Macro value;
            if (HResult status = store::fromRecord(*asCore<records::_TMacroParams>(params), value); hr::failed(status))
                return status;
            return macros().save(name, value);
        });
    }

    // The icon file name and the elements come in new task-allocator blocks; FixedDelay stays.
    IFACEMETHODIMP LoadMacro(LPWSTR macro, _TMacroParams* params) override {
        if (!params || !params->ppszIconFile || !params->ppElements) return E_POINTER;
        *params->ppszIconFile = nullptr;
        *params->ppElements = nullptr;
        return withName(macro, [&](const std::u16string& name) -> HRESULT {
            store::Macro value;
            if (HResult status = macros().load(name, value); hr::failed(status)) return status;
            TaskMemory<wchar_t> icon;
            auto elements = allocateTaskMemory<_TMacroElement>(value.elements.size() * sizeof(_TMacroElement));
            LPWSTR iconText = nullptr;
            if (HRESULT status = handOutTaskString(value.iconFile, &iconText); FAILED(status)) return status;
            icon.reset(iconText);
            if (!elements) return E_OUTOFMEMORY;
            if (!value.elements.empty())
                std::memcpy(elements.get(), value.elements.data(), value.elements.size() * sizeof(_TMacroElement));
            params->lVersion = value.version;
            params->options = static_cast<_TMacroOptions>(value.options);
            params->type = static_cast<_TMacroType>(value.type);
            params->lRepeat = value.repeat;
            params->lNumElements = static_cast<long>(value.elements.size());
            *params->ppszIconFile = icon.release();
            *params->ppElements = elements.release();
            return S_OK;
        });
    }

    IFACEMETHODIMP DeleteMacro(LPWSTR macro) override {
        return withName(macro, [&](const std::u16string& name) -> HRESULT { return macros().remove(name); });
    }

    IFACEMETHODIMP ExportMacro(LPWSTR macro, LPWSTR file) override {
        return withFile(macro, file, [&](const std::u16string& name, const std::u16string& path) -> HRESULT {
            return store::exportMacro(macros(), name, store::localFiles(), path);
        });
    }
    IFACEMETHODIMP ImportMacro(LPWSTR macro, LPWSTR file) override {
        return withFile(macro, file, [&](const std::u16string& name, const std::u16string& path) -> HRESULT {
            return store::importMacro(macros(), name, store::localFiles(), path);
        });
    }
    IFACEMETHODIMP ExportAllMacros(LPWSTR file) override {
        return withName(file, [&](const std::u16string& path) -> HRESULT {
            return store::exportAllMacros(macros(), store::localFiles(), path);
        });
    }
    IFACEMETHODIMP ImportAllMacros(LPWSTR file) override {
        return withName(file, [&](const std::u16string& path) -> HRESULT {
            return store::importAllMacros(macros(), store::localFiles(), path);
        });
    }

    // --- safe-array forms ---

    IFACEMETHODIMP LoadSpellBookListManaged(long count, SAFEARRAY** names) override {
        return run([&]() -> HRESULT { return loadNamesManaged(names, [&](Names& listed) -> HRESULT { return books_->list(count, listed); }); });
    }

    IFACEMETHODIMP SaveSpellBookManaged(BSTR book, SAFEARRAY* macros) override {
        return withName(book, [&](const std::u16string& name) -> HRESULT {
            Names members;
            if (HRESULT status = readBstrArray(macros, members); FAILED(status)) return status;
            return books_->save(name, members);
        });
    }

    IFACEMETHODIMP LoadSpellBookManaged(BSTR book, long count, SAFEARRAY** macros) override {
        return withName(book, [&](const std::u16string& name) -> HRESULT {
            return loadNamesManaged(macros, [&](Names& members) -> HRESULT { return books_->load(name, count, members); });
        });
    }

    IFACEMETHODIMP LoadMacroListManaged(long count, SAFEARRAY** names) override {
        return run([&]() -> HRESULT { return loadNamesManaged(names, [&](Names& listed) -> HRESULT { return macros().list(count, listed); }); });
    }

    IFACEMETHODIMP SaveMacroManaged(BSTR macro, long version, _TMacroOptions options, _TMacroType type, long repeat,
                                    BSTR iconFile, SAFEARRAY* elements) override {
        return withName(macro, [&](const std::u16string& name) -> HRESULT {
            std::vector<records::TMacroElementManaged> managed;
            if (HRESULT status = readManaged(elements, kElementRecord, managed); FAILED(status)) return status;
            store::Macro value{version, options, type, repeat, fromWide(iconFile), {}};
            for (const auto& element : managed) value.elements.push_back(store::fromManaged(element));
            return macros().save(name, value);
        });
    }

    IFACEMETHODIMP LoadMacroManaged(BSTR macro, long* version, _TMacroOptions* options, _TMacroType* type,
                                    long* repeat, BSTR* iconFile, SAFEARRAY** elements) override {
        if (!version || !options || !type || !repeat || !iconFile || !elements) return E_POINTER;
        *iconFile = nullptr;
        *elements = nullptr;
        return withName(macro, [&](const std::u16string& name) -> HRESULT {
            store::Macro value;
            if (HResult status = macros().load(name, value); hr::failed(status)) return status;
            std::vector<records::TMacroElementManaged> managed;
            for (const auto& element : value.elements) managed.push_back(store::toManaged(element));
            BSTR iconText = nullptr;
            if (HRESULT status = handOutBstr(value.iconFile, &iconText); FAILED(status)) return status;
            BstrOwner icon(iconText);
            if (HRESULT status = handOutManaged(managed, kElementRecord, elements); FAILED(status)) return status;
            *version = value.version;
            *options = static_cast<_TMacroOptions>(value.options);
            *type = static_cast<_TMacroType>(value.type);
            *repeat = value.repeat;
            *iconFile = icon.release();
            return S_OK;
        });
    }

private:
    const store::MacroStore& macros() const { return books_->macros(); }

    template <class Operation>
    static HRESULT run(Operation&& operation) {
        return store::withoutThrowing(std::forward<Operation>(operation));
    }

    static HRESULT countOf(const store::Collection& collection, long* count) {
        if (!count) return E_POINTER;
        return run([&]() -> HRESULT {
            std::int32_t value = 0;
            const HResult status = collection.count(value);
            if (hr::succeeded(status)) *count = value;
            return status;
        });
    }

    template <class Operation>
    static HRESULT withName(const wchar_t* text, Operation&& operation) {
        return run([&]() -> HRESULT {
            std::u16string name;
            if (HRESULT status = readName(text, name); FAILED(status)) return status;
            return operation(name);
        });
    }

    template <class Operation>
    static HRESULT withFile(const wchar_t* text, const wchar_t* file, Operation&& operation) {
        return run([&]() -> HRESULT {
            std::u16string name, path;
            if (HRESULT status = readName(text, name); FAILED(status)) return status;
            if (HRESULT status = readName(file, path); FAILED(status)) return status;
            return operation(name, path);
        });
    }

    std::unique_ptr<store::SpellBookStore> books_;
};

class UserAction : public IUserAction, public EventSource<_IUserActionEvents> {
public:
    explicit UserAction(std::unique_ptr<store::UserActionStore> actions) : actions_(std::move(actions)) {}

    static const QITAB* interfaceTable() {
        static const QITAB table[] = {
            QITABENT(UserAction, IUserAction),
            QITABENT(UserAction, IConnectionPointContainer),
            {},
        };
        return table;
    }

    IFACEMETHODIMP LoadNumUserActions(long* count) override {
        if (!count) return E_POINTER;
        return store::withoutThrowing([&]() -> HRESULT {
            std::int32_t value = 0;
            const HResult status = actions_->count(value);
            if (hr::succeeded(status)) *count = value;
            return status;
        });
    }

    IFACEMETHODIMP LoadUserActionList(long count, LPWSTR* names) override {
        return store::withoutThrowing(
            [&]() -> HRESULT { return loadNames(count, names, [&](Names& listed) -> HRESULT { return actions_->list(count, listed); }); });
    }

    IFACEMETHODIMP SaveUserAction(LPWSTR action, _TUserActionParams* params) override {
        if (!params) return E_POINTER;
        return withName(action, [&](const std::u16string& name) -> HRESULT {
            store::UserAction value;
            if (HResult status = store::fromRecord(*asCore<records::_TUserActionParams>(params), value);
                hr::failed(status))
                return status;
            return actions_->save(name, value);
        });
    }

    // The data comes in a new task-allocator block of lNumData bytes.
    IFACEMETHODIMP LoadUserAction(LPWSTR action, _TUserActionParams* params) override {
        if (!params || !params->ppData) return E_POINTER;
        *params->ppData = nullptr;
        return withName(action, [&](const std::u16string& name) -> HRESULT {
            store::UserAction value;
            if (HResult status = actions_->load(name, value); hr::failed(status)) return status;
            auto data = allocateTaskMemory<unsigned char>(value.data.size());
            if (!data) return E_OUTOFMEMORY;
            if (!value.data.empty()) std::memcpy(data.get(), value.data.data(), value.data.size());
            params->lCode = value.code;
            params->lNumData = static_cast<long>(value.data.size());
            *params->ppData = data.release();
            return S_OK;
        });
    }

    IFACEMETHODIMP DeleteUserAction(LPWSTR action) override {
        return withName(action, [&](const std::u16string& name) -> HRESULT { return actions_->remove(name); });
    }

    IFACEMETHODIMP ExportUserAction(LPWSTR action, LPWSTR file) override {
        return withFile(action, file, [&](const std::u16string& name, const std::u16string& path) -> HRESULT {
            return store::exportUserAction(*actions_, name, store::localFiles(), path);
        });
    }
    IFACEMETHODIMP ImportUserAction(LPWSTR action, LPWSTR file) override {
        return withFile(action, file, [&](const std::u16string& name, const std::u16string& path) -> HRESULT {
            return store::importUserAction(*actions_, name, store::localFiles(), path);
        });
    }
    IFACEMETHODIMP ExportAllUserActions(LPWSTR file) override {
        return withName(file, [&](const std::u16string& path) -> HRESULT {
            return store::exportAllUserActions(*actions_, store::localFiles(), path);
        });
    }
    IFACEMETHODIMP ImportAllUserActions(LPWSTR file) override {
        return withName(file, [&](const std::u16string& path) -> HRESULT {
            return store::importAllUserActions(*actions_, store::localFiles(), path);
        });
    }

    IFACEMETHODIMP LoadUserActionListManaged(long count, SAFEARRAY** names) override {
        return store::withoutThrowing(
            [&]() -> HRESULT { return loadNamesManaged(names, [&](Names& listed) -> HRESULT { return actions_->list(count, listed); }); });
    }

    IFACEMETHODIMP SaveUserActionManaged(BSTR action, long code, SAFEARRAY* data) override {
        return withName(action, [&](const std::u16string& name) -> HRESULT {
            store::UserAction value{code, {}};
            if (HRESULT status = readByteSafeArray(data, value.data); FAILED(status)) return status;
            return actions_->save(name, value);
        });
    }

    IFACEMETHODIMP LoadUserActionManaged(BSTR action, long* code, SAFEARRAY** data) override {
        if (!code || !data) return E_POINTER;
        *data = nullptr;
        return withName(action, [&](const std::u16string& name) -> HRESULT {
            store::UserAction value;
            if (HResult status = actions_->load(name, value); hr::failed(status)) return status;
            SafeArrayOwner array;
            if (HRESULT status = makeByteSafeArray(value.data, array); FAILED(status)) return status;
            *code = value.code;
            handOutSafeArray(array, data);
            return S_OK;
        });
    }

private:
    template <class Operation>
    static HRESULT withName(const wchar_t* text, Operation&& operation) {
        return store::withoutThrowing([&]() -> HRESULT {
            std::u16string name;
            if (HRESULT status = readName(text, name); FAILED(status)) return status;
            return operation(name);
        });
    }

    template <class Operation>
    static HRESULT withFile(const wchar_t* text, const wchar_t* file, Operation&& operation) {
        return store::withoutThrowing([&]() -> HRESULT {
            std::u16string name, path;
            if (HRESULT status = readName(text, name); FAILED(status)) return status;
            if (HRESULT status = readName(file, path); FAILED(status)) return status;
            return operation(name, path);
        });
    }

    std::unique_ptr<store::UserActionStore> actions_;
};

// The system's pointer speed and acceleration; the other operations are not implemented.
class PerformanceSettings : public IPerformanceSettings, public EventSource<_IPerformanceSettingsEvents> {
public:
    static const QITAB* interfaceTable() {
        static const QITAB table[] = {
            QITABENT(PerformanceSettings, IPerformanceSettings),
            QITABENT(PerformanceSettings, IConnectionPointContainer),
            {},
        };
        return table;
    }

    IFACEMETHODIMP SetSensitivity(long) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetSensitivity(long*) override { return E_NOTIMPL; }
    IFACEMETHODIMP SetXYMasterSensitivityControl(long) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetXYMasterSensitivityStatus(long*) override { return E_NOTIMPL; }
    IFACEMETHODIMP SetXYSensitivity(long, long) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetXYSensitivity(long*, long*) override { return E_NOTIMPL; }
    IFACEMETHODIMP SetAccelerationControl(long control) override { return settings_.setAccelerationControl(control); }
    IFACEMETHODIMP GetAccelerationStatus(long* status) override { return read(status, &Settings::getAccelerationStatus); }
    IFACEMETHODIMP SetAcceleration(long level) override { return settings_.setAcceleration(level); }
    IFACEMETHODIMP GetAcceleration(long* level) override { return read(level, &Settings::getAcceleration); }
    IFACEMETHODIMP SetUniversalScrollControl(long) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetUniversalScrollStatus(long*) override { return E_NOTIMPL; }
    IFACEMETHODIMP SetScrollSpeed(long) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetScrollSpeed(long*) override { return E_NOTIMPL; }
    IFACEMETHODIMP SetOnTheFlySensitivityShowOnScreenControl(long) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetOnTheFlySensitivityShowOnScreenStatus(long*) override { return E_NOTIMPL; }
    IFACEMETHODIMP SetDoubleClickSpeed(long) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetDoubleClickSpeed(long*) override { return E_NOTIMPL; }
    IFACEMETHODIMP SetWindowsPointerSpeed(long speed) override { return settings_.setWindowsPointerSpeed(speed); }
    IFACEMETHODIMP GetWindowsPointerSpeed(long* speed) override {
        return read(speed, &Settings::getWindowsPointerSpeed);
    }
    IFACEMETHODIMP SetAutoSwitchControl(long) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetAutoSwitchStatus(long*) override { return E_NOTIMPL; }
    IFACEMETHODIMP SetOnScreenDisplayControl(long) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetOnScreenDisplayStatus(long*) override { return E_NOTIMPL; }

private:
    using Settings = store::PerformanceSettings;

    // A read leaves the caller's value alone where the settings do.
    HRESULT read(long* out, HResult (Settings::*get)(std::int32_t*)) {
        if (!out) return E_POINTER;
        std::int32_t value = *out;
        const HResult status = (settings_.*get)(&value);
        *out = value;
        return status;
    }

    Settings settings_{systemPointerSettings()};
};

}  // namespace

HRESULT createProfile(const Session& session, IProfile** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    auto profile = makeObject<Profile>(session);
    if (!profile) return E_OUTOFMEMORY;
    profile->openStores();
    return handOut(profile, out);
}

HRESULT createMacroHandling(const Session& session, IMacroHandling** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    std::u16string keyName;
    if (HRESULT status = deviceKeyName(session, keyName); FAILED(status)) return status;
    std::unique_ptr<store::SpellBookStore> books;
    if (FAILED(store::withoutThrowing([&]() -> HRESULT { return store::SpellBookStore::open(systemRegistry(), keyName, books); })))
        return E_FAIL;
    return createObject<MacroHandling>(out, std::move(books));
}

HRESULT createUserAction(const Session& session, IUserAction** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    std::u16string keyName;
    if (HRESULT status = deviceKeyName(session, keyName); FAILED(status)) return status;
    std::unique_ptr<store::UserActionStore> actions;
    if (FAILED(store::withoutThrowing([&]() -> HRESULT { return store::UserActionStore::open(systemRegistry(), keyName, actions); })))
        return E_FAIL;
    return createObject<UserAction>(out, std::move(actions));
}

HRESULT createPerformanceSettings(IPerformanceSettings** out) { return createObject<PerformanceSettings>(out); }

}  // namespace tessel::com
