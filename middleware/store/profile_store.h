#pragma once
// Profiles, profile groups (named lists of profiles) and the private "LastActive" profile in
// the registry.
//
// Profiles\<profile>:        "RefCount", "Version", "NumMappings" (REG_DWORD), "0000"… (mapping
//                            values, REG_BINARY, see encodeMapping)
// ProfileGroups\<group>:     "NumProfiles" (REG_DWORD), "0000"… (REG_SZ profile names)
// PrivateProfiles\LastActive: "Version", "NumMappings", "0000"… as for a profile, no "RefCount"
//
// A profile is referenced by every group listing it; its type-2 and type-3 mappings reference
// the macros and user actions they name.
#include <memory>

#include "middleware/store/macro_store.h"

namespace tessel::store {

class ProfileStore final : public Collection {
public:
    static HResult open(RegistryPort& registry, const std::u16string& deviceKeyName,
                        std::unique_ptr<ProfileStore>& store);

    // Replaces the entry, keeping its "RefCount" (0 for a new one): the old mappings release
    // their macro and user-action references, the new ones take theirs. Every named macro and
    // user action must exist (else E_FAIL) and every name be valid (else E_INVALIDARG); both
    // are checked before anything changes.
    HResult save(const std::u16string& name, const Profile& profile) const;
    // E_FAIL when missing; a mapping value over 544 bytes fails with the more-data error.
    HResult load(const std::u16string& name, Profile& profile) const;
    // DeleteProfile: E_FAIL and no change while a group lists the profile; otherwise releases
    // the macro and user-action references of its mappings and deletes it.
    HResult remove(const std::u16string& name) const;

    const MacroStore& macros() const { return *macros_; }
    const UserActionStore& userActions() const { return *userActions_; }

    // Made by open().
    ProfileStore(StoreKey key, std::unique_ptr<MacroStore> macros,
                 std::unique_ptr<UserActionStore> userActions);

private:
    // The entry named by a type-2 or type-3 mapping.
    const StoreKey& referencedKey(const ButtonMapping& mapping) const;
    HResult release(const std::u16string& name) const;

    std::unique_ptr<MacroStore> macros_;
    std::unique_ptr<UserActionStore> userActions_;
};

// Profile groups: the list operations of ListCollection over "NumProfiles", referencing
// profiles.
class ProfileGroupStore final : public ListCollection {
public:
    static HResult open(RegistryPort& registry, const std::u16string& deviceKeyName,
                        std::unique_ptr<ProfileGroupStore>& store);

    const ProfileStore& profiles() const { return *profiles_; }

    // Made by open().
    ProfileGroupStore(StoreKey key, std::unique_ptr<ProfileStore> profiles);

private:
    const StoreKey& memberKey() const override { return profiles_->key(); }

    std::unique_ptr<ProfileStore> profiles_;
};

// The last button mappings set on or read from the mouse; only ever written.
class PrivateProfileStore final {
public:
    static constexpr char16_t kLastActive[] = u"LastActive";

    static HResult open(RegistryPort& registry, const std::u16string& deviceKeyName,
                        std::unique_ptr<PrivateProfileStore>& store);

    // Replaces "LastActive" with the version and mappings; no reference count changes.
    HResult saveLastActive(const Profile& profile) const;

    // Made by open().
    explicit PrivateProfileStore(StoreKey key) : key_(std::move(key)) {}

private:
    StoreKey key_;
};

}  // namespace tessel::store
