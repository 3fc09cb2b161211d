#pragma once
// The registry inside one process, with the semantics the settings store relies on: key and
// value names compare without regard to letter case, values keep their type and bytes, a short
// read buffer gives ERROR_MORE_DATA with the needed size, subkeys enumerate in the registry's
// case-insensitive order, a key with subkeys cannot be deleted, a handle to a deleted key fails
// with ERROR_KEY_DELETED, and tests can deny access to a subtree. The shared store tests run the
// same cases against Win32Registry under Wine, so the two cannot drift apart.
#include <memory>
#include <string>

#include "middleware/store/registry_port.h"

namespace tessel::store {

class MemoryRegistry final : public RegistryPort {
public:
    MemoryRegistry();
    ~MemoryRegistry() override;

    std::unique_ptr<RegistryKey> openRoot(RegistryRoot root) override;

    // From now on, opening or creating the key at `path` below `root`, or any key beneath it,
    // fails with ERROR_ACCESS_DENIED. With `readable`, opening to read still works and only
    // writing is refused: what a standard user meets under HKEY_LOCAL_MACHINE.
    void denyAccess(RegistryRoot root, const std::u16string& path, bool readable = false);

    struct State;

private:
    std::shared_ptr<State> state_;
};

// Upper-case folding of one UTF-16 unit as the registry compares names (ASCII, Latin-1,
// Greek and Cyrillic letters; other characters compare as they are).
char16_t foldRegistryCase(char16_t c);

}  // namespace tessel::store
