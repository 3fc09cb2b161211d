#pragma once
// The registry layer of the settings store: where the tree lives, the checks on item names,
// the two key objects every store is built from, and the reference-count rule.
//
// Tree: "Software\\Kavix\\" + device key name + collection suffix, one entry subkey per item,
// named by the item's name. The tree lives under HKEY_LOCAL_MACHINE; where it cannot be opened
// for writing there (a standard user), the same tree under HKEY_CURRENT_USER is used instead.
// The choice depends only on the device root key's access, so every store object of every
// client of one user makes the same choice.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "middleware/common/status.h"
#include "middleware/store/registry_port.h"

namespace tessel::store {

namespace collection {
inline constexpr char16_t profileGroups[] = u"\\ProfileGroups";
inline constexpr char16_t profiles[] = u"\\Profiles";
inline constexpr char16_t privateProfiles[] = u"\\PrivateProfiles";
inline constexpr char16_t spellBooks[] = u"\\SpellBooks";
inline constexpr char16_t macros[] = u"\\Macros";
inline constexpr char16_t userActions[] = u"\\UserActions";
}  // namespace collection

// Item names become registry key names and are read back through fixed buffers, so a name is
// refused (E_INVALIDARG, before anything is written) when it is empty, holds '\\' (it would
// create or reach nested keys) or a NUL character, or is longer than kMaxNameLength
// characters: the longest name a 255-byte string read returns whole (2 × 126 + 2 bytes). That
// also keeps every full key path (at most 68 characters of root and collection before the
// name) within the registry's 255-character limit, and every mapping value that names an
// entry within the 544 bytes a mapping read takes.
inline constexpr std::size_t kMaxNameLength = 126;
HResult checkName(const std::u16string& name);
HResult checkNames(const std::vector<std::u16string>& names);

// "Software\\Kavix\\" + device key name.
std::u16string deviceRootPath(const std::u16string& deviceKeyName);

// The root whose store tree this user can write: HKEY_LOCAL_MACHINE when the device root can
// be opened (or created) there with full access, HKEY_CURRENT_USER when that is denied.
HResult findStoreRoot(RegistryPort& registry, const std::u16string& deviceKeyName,
                      RegistryRoot& root);

// Size of the string read buffer: REG_SZ values longer than 126 characters fail with the
// more-data error (0x800700EA) rather than overrun it.
inline constexpr std::uint32_t kStringReadBytes = 255;
// Subkey names are enumerated with a buffer of this many characters.
inline constexpr std::uint32_t kNameBufferChars = 255;

// One opened entry key; closed when destroyed. Reads do not check the stored type.
class EntryKey {
public:
    explicit EntryKey(std::unique_ptr<RegistryKey> key) : key_(std::move(key)) {}

    HResult readDword(const std::u16string& name, std::uint32_t& value) const;
    HResult writeDword(const std::u16string& name, std::uint32_t value) const;
    // A REG_DWORD holding a signed record field, stored unchanged.
    HResult readLong(const std::u16string& name, std::int32_t& value) const;
    HResult writeLong(const std::u16string& name, std::int32_t value) const;
    // At most kStringReadBytes bytes; the text up to its terminator.
    HResult readString(const std::u16string& name, std::u16string& value) const;
    HResult writeString(const std::u16string& name, const std::u16string& value) const;
    // At most `capacity` bytes; a longer value fails with the more-data error.
    HResult readBinary(const std::u16string& name, std::uint32_t capacity,
                       std::vector<std::uint8_t>& bytes) const;
    HResult writeBinary(const std::u16string& name, const std::uint8_t* data,
                        std::size_t size) const;

private:
    std::unique_ptr<RegistryKey> key_;
};

// An opened collection key; open for the life of its store object.
class StoreKey {
public:
    // Opens the collection key, creating the path when missing.
    static HResult open(RegistryPort& registry, const std::u16string& deviceKeyName,
                        const char16_t* collectionSuffix, std::optional<StoreKey>& key);

    const std::u16string& deviceKeyName() const { return deviceKeyName_; }

    HResult count(std::int32_t& count) const;
    // The first `n` subkey names in enumeration order; E_FAIL when there are fewer.
    HResult list(std::int32_t n, std::vector<std::u16string>& names) const;
    // Creates the entry subkey and closes it at once.
    HResult createEntry(const std::u16string& name) const;
    HResult deleteEntry(const std::u16string& name) const;
    // Deletes the entry if it exists (its values go with it), creates it anew and opens it.
    HResult recreateEntry(const std::u16string& name, std::optional<EntryKey>& entry) const;
    // E_FAIL when the entry does not exist or cannot be opened.
    HResult openEntry(const std::u16string& name, std::optional<EntryKey>& entry) const;
    bool hasEntry(const std::u16string& name) const;

    // "RefCount" of an entry others point to; 0 when it cannot be read (E_FAIL when the entry
    // does not exist).
    HResult refCount(const std::u16string& name, std::uint32_t& count) const;
    HResult addReference(const std::u16string& name) const;
    // Never below 0: a count already at 0 stays there.
    HResult dropReference(const std::u16string& name) const;
    // Deletes the entry only while nothing refers to it: a count other than 0 gives E_FAIL and
    // changes nothing; a count that cannot be read gives that failure.
    HResult deleteUnreferenced(const std::u16string& name) const;

private:
    StoreKey(std::unique_ptr<RegistryKey> key, std::u16string deviceKeyName)
        : key_(std::move(key)), deviceKeyName_(std::move(deviceKeyName)) {}
    HResult writeRefCount(const std::u16string& name, std::uint32_t count) const;

    std::unique_ptr<RegistryKey> key_;
    std::u16string deviceKeyName_;
};

// Value names of the entries.
namespace valuename {
inline constexpr char16_t refCount[] = u"RefCount";
inline constexpr char16_t version[] = u"Version";
inline constexpr char16_t numMappings[] = u"NumMappings";
inline constexpr char16_t numProfiles[] = u"NumProfiles";
inline constexpr char16_t numMacros[] = u"NumMacros";
inline constexpr char16_t options[] = u"Options";
inline constexpr char16_t type[] = u"Type";
inline constexpr char16_t repeat[] = u"Repeat";
inline constexpr char16_t iconFile[] = u"IconFile";
inline constexpr char16_t numElements[] = u"NumElements";
inline constexpr char16_t code[] = u"Code";
inline constexpr char16_t numData[] = u"NumData";
inline constexpr char16_t data[] = u"Data";
}  // namespace valuename

// The name of indexed value i: "%04d" ("0000" … "9999", more digits beyond).
std::u16string indexName(std::size_t index);

}  // namespace tessel::store
