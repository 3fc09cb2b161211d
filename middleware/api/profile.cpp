// IProfile: profile groups, profiles and the private profile of the store, plus the onboard
// profile commands of the mouse.
#include "middleware/api/connection_points.h"
#include "middleware/api/store_object.h"
#include "middleware/device/settings_commands.h"

namespace tessel::com {
namespace {

constexpr Exchange<store::ProfileGroupStore> kGroupFiles{store::exportProfileGroup, store::importProfileGroup,
                                                         store::exportAllProfileGroups, store::importAllProfileGroups};
constexpr Exchange<store::ProfileStore> kProfileFiles{store::exportProfile, store::importProfile, store::exportAllProfiles,
                                                      store::importAllProfiles};

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
        if (FAILED(guarded([&]() -> HRESULT {
                HResult status = store::ProfileGroupStore::open(systemPorts().registry(), keyName, groups);
                if (hr::succeeded(status))
                    status = store::PrivateProfileStore::open(systemPorts().registry(), keyName, privateProfiles);
                return status;
            })))
            return;
        groups_ = std::move(groups);
        privateProfiles_ = std::move(privateProfiles);
    }

    // --- profile groups ---

    IFACEMETHODIMP LoadNumProfileGroups(long* count) override {
        return guarded([&]() -> HRESULT {
            if (!count) return E_POINTER;
            if (!groups_) return E_FAIL;
            return countOf(*groups_, count);
        });
    }

    IFACEMETHODIMP LoadProfileGroupList(long count, LPWSTR* names) override {
        return guarded([&]() -> HRESULT {
            return withGroups([&](auto& groups) -> HRESULT {
                return loadNames(count, names, [&](Names& listed) -> HRESULT { return groups.list(count, listed); });
            });
        });
    }

    IFACEMETHODIMP LoadNumProfilesInGroup(LPWSTR group, long* count) override {
        return guarded([&]() -> HRESULT {
            if (!count) return E_POINTER;
            *count = 0;
            return withGroups([&](auto& groups) -> HRESULT {
                std::u16string name;
                if (HRESULT status = readName(group, name); FAILED(status)) return status;
                std::int32_t value = 0;
                const HResult status = groups.memberCount(name, value);
                return readCount(count, value, status);
            });
        });
    }

    IFACEMETHODIMP SaveProfileGroup(LPWSTR group, long count, LPWSTR* profiles) override {
        return guarded([&]() -> HRESULT {
            return withGroups([&](auto& groups) -> HRESULT {
                std::u16string name;
                Names members;
                if (HRESULT status = readName(group, name); FAILED(status)) return status;
                if (HRESULT status = readNames(count, profiles, members); FAILED(status)) return status;
                return groups.save(name, members);
            });
        });
    }

    IFACEMETHODIMP LoadProfileGroup(LPWSTR group, long count, LPWSTR* profiles) override {
        return guarded([&]() -> HRESULT {
            return withGroups([&](auto& groups) -> HRESULT {
                std::u16string name;
                if (HRESULT status = readName(group, name); FAILED(status)) return status;
                return loadNames(count, profiles, [&](Names& members) -> HRESULT { return groups.load(name, count, members); });
            });
        });
    }

    IFACEMETHODIMP DeleteProfileGroup(LPWSTR group) override {
        return guarded([&]() -> HRESULT {
            return withNamed(group, [&](const std::u16string& name) -> HRESULT { return groups_->remove(name); });
        });
    }

    IFACEMETHODIMP ExportProfileGroup(LPWSTR group, LPWSTR file) override {
        return guarded([&]() -> HRESULT {
            return withGroups([&](auto& groups) -> HRESULT { return kGroupFiles.exportItem(groups, group, file); });
        });
    }
    IFACEMETHODIMP ImportProfileGroup(LPWSTR group, LPWSTR file) override {
        return guarded([&]() -> HRESULT {
            return withGroups([&](auto& groups) -> HRESULT { return kGroupFiles.importItem(groups, group, file); });
        });
    }
    IFACEMETHODIMP ExportAllProfileGroups(LPWSTR file) override {
        return guarded([&]() -> HRESULT {
            return withGroups([&](auto& groups) -> HRESULT { return kGroupFiles.exportEvery(groups, file); });
        });
    }
    IFACEMETHODIMP ImportAllProfileGroups(LPWSTR file) override {
        return guarded([&]() -> HRESULT {
            return withGroups([&](auto& groups) -> HRESULT { return kGroupFiles.importEvery(groups, file); });
        });
    }

    // --- button mappings: the private copy, and the driver channel that is never open ---

    // The mappings are kept as "LastActive" before they would go to the driver.
    IFACEMETHODIMP SetButtonMappings(_TProfileParams* params) override {
        return guarded([&]() -> HRESULT {
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
        });
    }

    // The mappings would be read from the driver channel, and then kept as "LastActive".
    IFACEMETHODIMP GetButtonMappings(_TProfileParams* params) override {
        return guarded([&]() -> HRESULT {
            if (!params) return E_POINTER;
            return E_HANDLE;
        });
    }

    // --- the onboard profiles of the mouse ---

    IFACEMETHODIMP LoadNumProfiles(long*) override { return E_HANDLE; }

    IFACEMETHODIMP LoadProfileList(long count, LPWSTR* names) override {
        return guarded([&]() -> HRESULT {
            return loadNames(count, names, [&](Names& listed) -> HRESULT {
                return guarded([&]() -> HRESULT {
                    listed = numberedNames(count);
                    return hr::ok;
                });
            });
        });
    }

    IFACEMETHODIMP SaveProfile(LPWSTR, _TProfileParams*) override { return guarded([&]() -> HRESULT { return device::SaveProfile(session_->driver()); }); }
    IFACEMETHODIMP LoadProfile(LPWSTR, _TProfileParams*) override { return guarded([&]() -> HRESULT { return device::LoadProfile(session_->driver()); }); }

    // --- profiles of the store ---

    IFACEMETHODIMP DeleteProfile(LPWSTR profile) override {
        return guarded([&]() -> HRESULT {
            return withNamed(profile, [&](const std::u16string& name) -> HRESULT { return groups_->profiles().remove(name); });
        });
    }

    IFACEMETHODIMP ExportProfile(LPWSTR profile, LPWSTR file) override {
        return guarded([&]() -> HRESULT {
            return withGroups([&](auto& groups) -> HRESULT { return kProfileFiles.exportItem(groups.profiles(), profile, file); });
        });
    }
    IFACEMETHODIMP ImportProfile(LPWSTR profile, LPWSTR file) override {
        return guarded([&]() -> HRESULT {
            return withGroups([&](auto& groups) -> HRESULT { return kProfileFiles.importItem(groups.profiles(), profile, file); });
        });
    }
    IFACEMETHODIMP ExportAllProfiles(LPWSTR file) override {
        return guarded([&]() -> HRESULT {
            return withGroups([&](auto& groups) -> HRESULT { return kProfileFiles.exportEvery(groups.profiles(), file); });
        });
    }
    IFACEMETHODIMP ImportAllProfiles(LPWSTR file) override {
        return guarded([&]() -> HRESULT {
            return withGroups([&](auto& groups) -> HRESULT { return kProfileFiles.importEvery(groups.profiles(), file); });
        });
    }

    // --- objects ---

    IFACEMETHODIMP CreateButtonControlInterface(IButtonControl** out) override { return guarded([&]() -> HRESULT { return createButtonControl(out); }); }
    IFACEMETHODIMP CreateDpiSettingsInterface(IDpiSettings** out) override { return guarded([&]() -> HRESULT { return createDpiSettings(out); }); }
    IFACEMETHODIMP CreateLedStatusInterface(ILedStatus** out) override {
        return guarded([&]() -> HRESULT {
            return createLedStatus(session_, kStoreSelector, out);
        });
    }
    IFACEMETHODIMP CreatePerformanceSettingsInterface(IPerformanceSettings** out) override {
        return guarded([&]() -> HRESULT {
            return createPerformanceSettings(out);
        });
    }
    IFACEMETHODIMP CreateDpiInterface(IDpi** out) override { return guarded([&]() -> HRESULT { return createDpi(session_, kStoreSelector, out); }); }

    // --- safe-array forms ---

    IFACEMETHODIMP LoadProfileGroupListManaged(long count, SAFEARRAY** names) override {
        return guarded([&]() -> HRESULT {
            return withGroups([&](auto& groups) -> HRESULT {
                return loadNamesManaged(names, [&](Names& listed) -> HRESULT { return groups.list(count, listed); });
            });
        });
    }

    IFACEMETHODIMP SaveProfileGroupManaged(BSTR group, SAFEARRAY* profiles) override {
        return guarded([&]() -> HRESULT {
            return withGroups([&](auto& groups) -> HRESULT {
                std::u16string name;
                Names members;
                if (HRESULT status = readName(group, name); FAILED(status)) return status;
                if (HRESULT status = readBstrArray(profiles, members); FAILED(status)) return status;
                return groups.save(name, members);
            });
        });
    }

    IFACEMETHODIMP LoadProfileGroupManaged(BSTR group, long count, SAFEARRAY** profiles) override {
        return guarded([&]() -> HRESULT {
            return withGroups([&](auto& groups) -> HRESULT {
                std::u16string name;
                if (HRESULT status = readName(group, name); FAILED(status)) return status;
                return loadNamesManaged(profiles, [&](Names& members) -> HRESULT { return groups.load(name, count, members); });
            });
        });
    }

    IFACEMETHODIMP LoadProfileListManaged(long count, SAFEARRAY** names) override {
        return guarded([&]() -> HRESULT {
            if (count < 0) return E_INVALIDARG;
            return loadNamesManaged(names, [&](Names& listed) -> HRESULT {
                return guarded([&]() -> HRESULT {
                    listed = numberedNames(count);
                    return hr::ok;
                });
            });
        });
    }

    IFACEMETHODIMP SetButtonMappingsManaged(long, SAFEARRAY* mappings) override {
        return guarded([&]() -> HRESULT {
            std::vector<records::TButtonMappingManaged> managed;
            HRESULT status = guarded([&]() -> HRESULT { return readManaged(mappings, kMappingRecord, managed); });
            if (FAILED(status)) return status;
            return setMappings([&](store::Profile& profile) -> HRESULT {
                for (const auto& record : managed) profile.mappings.push_back(store::fromManaged(record));
                return hr::ok;
            });
        });
    }

    IFACEMETHODIMP GetButtonMappingsManaged(long* version, SAFEARRAY** mappings) override {
        return guarded([&]() -> HRESULT {
            if (!version || !mappings) return E_POINTER;
            *version = 0;
            *mappings = nullptr;
            _TProfileParams params{};
            return GetButtonMappings(&params);
        });
    }

    IFACEMETHODIMP SaveProfileManaged(BSTR name, long, SAFEARRAY*) override { return guarded([&]() -> HRESULT { return SaveProfile(name, nullptr); }); }

    // The mouse's answer fills nothing: no mappings come back.
    IFACEMETHODIMP LoadProfileManaged(BSTR name, long* version, SAFEARRAY** mappings) override {
        return guarded([&]() -> HRESULT {
            if (!version || !mappings) return E_POINTER;
            *version = 0;
            *mappings = nullptr;
            _TProfileParams params{};
            if (HRESULT status = LoadProfile(name, &params); FAILED(status)) return status;
            return guarded(
                [&]() -> HRESULT { return handOutManaged(std::vector<records::TButtonMappingManaged>{}, kMappingRecord, mappings); });
        });
    }

    IFACEMETHODIMP SetActiveProfile(LPWSTR) override { return E_HANDLE; }
    IFACEMETHODIMP GetActiveProfile(LPWSTR*) override { return E_HANDLE; }

private:
    // Onboard lighting and sensitivity objects made through IProfile address profile 0.
    static constexpr std::uint8_t kStoreSelector = 0;

    template <class Operation>
    HRESULT withGroups(Operation&& operation) {
        if (!groups_) return E_FAIL;
        return guarded([&]() -> HRESULT { return operation(*groups_); });
    }

    template <class Operation>
    HRESULT withNamed(const wchar_t* text, Operation&& operation) {
        if (!groups_) return E_FAIL;
        return withName(text, std::forward<Operation>(operation));
    }

    // Keeps the mappings as "LastActive" (when the stores are open), with the version last
    // read from the mouse; sending them would take the driver channel.
    template <class Fill>
    HRESULT setMappings(Fill&& fill) {
        store::Profile profile;
        profile.version = lastReadVersion_;
        HRESULT status = guarded([&]() -> HRESULT { return fill(profile); });
        if (FAILED(status)) return status;
        if (privateProfiles_) {
            status = guarded([&]() -> HRESULT { return privateProfiles_->saveLastActive(profile); });
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

}  // namespace

HRESULT createProfile(const Session& session, IProfile** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    auto profile = makeObject<Profile>(session);
    if (!profile) return E_OUTOFMEMORY;
    profile->openStores();
    return handOut(profile, out);
}

}  // namespace tessel::com
