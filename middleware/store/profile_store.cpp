#include "middleware/store/profile_store.h"

namespace tessel::store {
namespace {

// Mapping values are read with a buffer of this size: a name of up to 259 characters.
constexpr std::uint32_t kMappingReadBytes = 544;

// "Version", "NumMappings" and the mapping values, as profiles and private profiles store them.
HResult writeMappings(const EntryKey& entry, const Profile& profile) {
    HResult status = entry.writeLong(valuename::version, profile.version);
    if (hr::succeeded(status))
        status = entry.writeDword(valuename::numMappings,
                                  static_cast<std::uint32_t>(profile.mappings.size()));
    for (std::size_t i = 0; hr::succeeded(status) && i < profile.mappings.size(); ++i) {
        const auto bytes = encodeMapping(profile.mappings[i]);
        status = entry.writeBinary(indexName(i), bytes.data(), bytes.size());
    }
    return status;
}

}  // namespace

ProfileStore::ProfileStore(StoreKey key, std::unique_ptr<MacroStore> macros,
                           std::unique_ptr<UserActionStore> userActions)
    : Collection(std::move(key)),
      macros_(std::move(macros)),
      userActions_(std::move(userActions)) {}

HResult ProfileStore::open(RegistryPort& registry, const std::u16string& deviceKeyName,
                                   std::unique_ptr<ProfileStore>& store) {
    return openCollection<ProfileStore, MacroStore, UserActionStore>(registry, deviceKeyName, collection::profiles, store);
}

const StoreKey& ProfileStore::referencedKey(const ButtonMapping& mapping) const {
    return mapping.mappingType == records::BUTTON_MAPPING_MACRO ? macros_->key()
                                                                : userActions_->key();
}

HResult ProfileStore::save(const std::u16string& name, const Profile& profile) const {
    if (HResult status = checkName(name); hr::failed(status)) return status;
    // A missing macro or user action would fail the save half-way, with the old profile gone;
    // refuse it before changing anything.
    for (const auto& mapping : profile.mappings) {
        if (!mapping.namesEntry()) continue;
        if (HResult status = checkName(mapping.name); hr::failed(status)) return status;
        if (!referencedKey(mapping).hasEntry(mapping.name)) return hr::fail;
    }

    std::uint32_t kept = 0;
    key_.refCount(name, kept);  // 0 for a new profile
    if (key_.hasEntry(name))
        if (HResult status = release(name); hr::failed(status)) return status;
    std::optional<EntryKey> entry;
    if (HResult status = key_.recreateEntry(name, entry); hr::failed(status)) return status;
    if (HResult status = entry->writeDword(valuename::refCount, kept); hr::failed(status))
        return status;
    if (HResult status = writeMappings(*entry, profile); hr::failed(status)) return status;
    for (const auto& mapping : profile.mappings) {
        if (!mapping.namesEntry()) continue;
        if (HResult status = referencedKey(mapping).addReference(mapping.name); hr::failed(status))
            return status;
    }
    return hr::ok;
}

HResult ProfileStore::load(const std::u16string& name, Profile& profile) const {
    profile = Profile{};
    if (HResult status = checkName(name); hr::failed(status)) return status;
    std::optional<EntryKey> entry;
    if (HResult status = key_.openEntry(name, entry); hr::failed(status)) return status;
    Profile read;
    std::uint32_t count = 0;
    HResult status = entry->readLong(valuename::version, read.version);
    if (hr::succeeded(status)) status = entry->readDword(valuename::numMappings, count);
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t i = 0; hr::succeeded(status) && i < count; ++i) {
        status = entry->readBinary(indexName(i), kMappingReadBytes, bytes);
        if (hr::succeeded(status))
            read.mappings.push_back(decodeMapping(bytes.data(), bytes.size()));
    }
    if (hr::succeeded(status)) profile = std::move(read);
    return status;
}

HResult ProfileStore::remove(const std::u16string& name) const {
    if (HResult status = checkName(name); hr::failed(status)) return status;
    std::uint32_t count = 0;
    if (HResult status = key_.refCount(name, count); hr::failed(status)) return status;
    if (count != 0) return hr::fail;
    return release(name);
}

HResult ProfileStore::release(const std::u16string& name) const {
    Profile profile;
    if (HResult status = load(name, profile); hr::failed(status)) return status;
    for (const auto& mapping : profile.mappings) {
        if (!mapping.namesEntry()) continue;
        if (HResult status = referencedKey(mapping).dropReference(mapping.name); hr::failed(status))
            return status;
    }
    return key_.deleteEntry(name);
}

ProfileGroupStore::ProfileGroupStore(StoreKey key, std::unique_ptr<ProfileStore> profiles)
    : ListCollection(std::move(key), valuename::numProfiles), profiles_(std::move(profiles)) {}

HResult ProfileGroupStore::open(RegistryPort& registry, const std::u16string& deviceKeyName,
                                        std::unique_ptr<ProfileGroupStore>& store) {
    return openCollection<ProfileGroupStore, ProfileStore>(registry, deviceKeyName, collection::profileGroups, store);
}

HResult PrivateProfileStore::open(RegistryPort& registry, const std::u16string& deviceKeyName,
                                          std::unique_ptr<PrivateProfileStore>& store) {
    return openCollection(registry, deviceKeyName, collection::privateProfiles, store);
}

HResult PrivateProfileStore::saveLastActive(const Profile& profile) const {
    std::optional<EntryKey> entry;
    if (HResult status = key_.recreateEntry(kLastActive, entry); hr::failed(status)) return status;
    return writeMappings(*entry, profile);
}

}  // namespace tessel::store
