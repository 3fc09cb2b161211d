#pragma once
// The settings store's view of the system registry: the few advapi32 operations it uses, with
// their error codes (system error values, 0 for success). Two adapters: Win32Registry (advapi32,
// Windows build only) and MemoryRegistry (the registry's semantics inside one process).
//
// Every key is opened with full access (KEY_ALL_ACCESS): the store only opens keys it may write.
// Paths are relative to the key they are passed to and may hold several components separated by
// '\\'; names never contain a NUL character.
#include <cstdint>
#include <memory>
#include <string>

namespace tessel::store {

enum class RegistryRoot { localMachine, currentUser };

// Registry value types (REG_*).
namespace regtype {
inline constexpr std::uint32_t none = 0;
inline constexpr std::uint32_t string = 1;  // REG_SZ
inline constexpr std::uint32_t binary = 3;  // REG_BINARY
inline constexpr std::uint32_t dword = 4;   // REG_DWORD (little-endian)
}  // namespace regtype

// System error codes of the registry beyond those of middleware/common/status.h.
namespace regerr {
inline constexpr std::uint32_t invalidParameter = 87;  // a key name component over 255 characters
inline constexpr std::uint32_t badPathname = 161;      // a path starting with '\\'
inline constexpr std::uint32_t keyDeleted = 1018;      // a handle to a key deleted meanwhile
}  // namespace regerr

// An open key. Destroying it closes the handle.
class RegistryKey {
public:
    virtual ~RegistryKey() = default;

    // RegCreateKeyExW: opens `path`, creating every missing component.
    virtual std::uint32_t createKey(const std::u16string& path,
                                    std::unique_ptr<RegistryKey>& key) = 0;
    // RegOpenKeyExW: opens an existing key; syserr::fileNotFound when it is missing.
    virtual std::uint32_t openKey(const std::u16string& path,
                                  std::unique_ptr<RegistryKey>& key) = 0;
    // The same with read access only (KEY_READ): for settings a standard user may read but not
    // change, such as the installation's key under HKEY_LOCAL_MACHINE. The key refuses writes.
    virtual std::uint32_t openKeyToRead(const std::u16string& path,
                                        std::unique_ptr<RegistryKey>& key) = 0;
    // RegDeleteKeyW: deletes the key at `path`; a key with subkeys is refused
    // (syserr::accessDenied).
    virtual std::uint32_t deleteKey(const std::u16string& path) = 0;

    // RegQueryInfoKeyW: the number of direct subkeys.
    virtual std::uint32_t subkeyCount(std::uint32_t& count) = 0;
    // RegEnumKeyExW with a buffer of `capacity` characters (terminator included): the name of
    // subkey `index`, syserr::moreData when it does not fit, syserr::noMoreItems past the end.
    // The order is the system's; callers rely on none beyond "each subkey once".
    virtual std::uint32_t enumKey(std::uint32_t index, std::uint32_t capacity,
                                  std::u16string& name) = 0;

    // RegSetValueExW.
    virtual std::uint32_t setValue(const std::u16string& name, std::uint32_t type,
                                   const std::uint8_t* data, std::uint32_t size) = 0;
    // RegQueryValueExW: on entry `size` is the capacity of `buffer` (which may be null to ask
    // for the size), on return the stored size. A buffer too small gives syserr::moreData with
    // the needed size; nothing beyond `size` bytes is ever written.
    virtual std::uint32_t queryValue(const std::u16string& name, std::uint32_t& type,
                                     std::uint8_t* buffer, std::uint32_t& size) = 0;
};

class RegistryPort {
public:
    virtual ~RegistryPort() = default;
    // The predefined key HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER.
    virtual std::unique_ptr<RegistryKey> openRoot(RegistryRoot root) = 0;
};

}  // namespace tessel::store
