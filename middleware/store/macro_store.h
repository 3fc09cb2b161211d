#pragma once
// Macros, user actions and spell books (named lists of macros) in the registry.
//
// Macros\<macro>:        "RefCount", "Version", "Options", "Type", "Repeat" (REG_DWORD),
//                        "IconFile" (REG_SZ), "NumElements", "0000"… (24-byte REG_BINARY)
// UserActions\<action>:  "RefCount", "Code", "NumData" (REG_DWORD), "Data" (REG_BINARY)
// SpellBooks\<book>:     "NumMacros" (REG_DWORD), "0000"… (REG_SZ macro names)
//
// A macro is referenced by every spell book listing it and every profile mapping of type 2
// naming it; a user action by every mapping of type 3. Referenced entries cannot be deleted.
#include <memory>

#include "middleware/store/collection.h"
#include "middleware/store/store_values.h"

namespace tessel::store {

class MacroStore final : public Collection {
public:
    static HResult open(RegistryPort& registry, const std::u16string& deviceKeyName,
                        std::unique_ptr<MacroStore>& store);

    // Replaces the entry, keeping its "RefCount" (0 for a new one).
    HResult save(const std::u16string& name, const Macro& macro) const;
    // E_FAIL when missing; an icon file name over 126 characters or an element over 24 bytes
    // fails with the more-data error.
    HResult load(const std::u16string& name, Macro& macro) const;
    // E_FAIL while referenced.
    HResult remove(const std::u16string& name) const;

    // Made by open().
    explicit MacroStore(StoreKey key) : Collection(std::move(key)) {}
};

class UserActionStore final : public Collection {
public:
    static HResult open(RegistryPort& registry, const std::u16string& deviceKeyName,
                        std::unique_ptr<UserActionStore>& store);

    // Replaces the entry, keeping its "RefCount" (0 for a new one).
    HResult save(const std::u16string& name, const UserAction& action) const;
    // E_FAIL when missing; "Data" longer than "NumData" fails with the more-data error, a
    // shorter one is returned at its own length.
    HResult load(const std::u16string& name, UserAction& action) const;
    // E_FAIL while referenced.
    HResult remove(const std::u16string& name) const;

    // Made by open().
    explicit UserActionStore(StoreKey key) : Collection(std::move(key)) {}
};

// Spell books: the list operations of ListCollection over "NumMacros", referencing macros.
class SpellBookStore final : public ListCollection {
public:
    static HResult open(RegistryPort& registry, const std::u16string& deviceKeyName,
                        std::unique_ptr<SpellBookStore>& store);

    const MacroStore& macros() const { return *macros_; }

    // Made by open().
    SpellBookStore(StoreKey key, std::unique_ptr<MacroStore> macros);

private:
    const StoreKey& memberKey() const override { return macros_->key(); }

    std::unique_ptr<MacroStore> macros_;
};

}  // namespace tessel::store
