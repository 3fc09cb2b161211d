#pragma once
// What the store collections have in common: counting and listing their entries, and — for
// profile groups and spell books — entries that list the names of another collection's entries,
// each listing holding one reference to the entry it names.
#include <cstdint>
#include <new>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "middleware/store/store_key.h"

namespace tessel::store {

// Store operations report failures as status codes; only allocation failure throws. The COM
// layer runs each operation through this so no exception crosses its boundary.
template <typename Operation>
HResult withoutThrowing(Operation&& operation) noexcept {
    try {
        return operation();
    } catch (const std::bad_alloc&) {
        return hr::outOfMemory;
    }
}

// Opens the key of collection `name` under the device's store and makes a Store over it, with
// the stores its entries refer to (References..., each by its own open()) opened first.
template <class Store, class... References>
HResult openCollection(RegistryPort& registry, const std::u16string& deviceKeyName, const char16_t* name,
                       std::unique_ptr<Store>& store) {
    std::optional<StoreKey> key;
    if (HResult status = StoreKey::open(registry, deviceKeyName, name, key); hr::failed(status)) return status;
    std::tuple<std::unique_ptr<References>...> referenced;
    HResult status = hr::ok;
    std::apply(
        [&](auto&... each) {
            ((status = hr::failed(status) ? status
                                          : std::remove_reference_t<decltype(*each)>::open(registry, deviceKeyName, each)),
             ...);
        },
        referenced);
    if (hr::failed(status)) return status;
    std::apply([&](auto&... each) { store.reset(new Store(std::move(*key), std::move(each)...)); }, referenced);
    return hr::ok;
}

class Collection {
public:
    virtual ~Collection() = default;

    const std::u16string& deviceKeyName() const { return key_.deviceKeyName(); }
    // Number of entries (LoadNum…).
    HResult count(std::int32_t& count) const { return key_.count(count); }
    // The first n entry names in registry enumeration order; E_FAIL when n exceeds the count
    // (Load…List).
    HResult list(std::int32_t n, std::vector<std::u16string>& names) const {
        return key_.list(n, names);
    }
    // The collection key itself, for the reference counts of its entries.
    const StoreKey& key() const { return key_; }

protected:
    explicit Collection(StoreKey key) : key_(std::move(key)) {}

    StoreKey key_;
};

// Entries holding a count value and the names "0000", "0001", … of members in another
// collection.
class ListCollection : public Collection {
public:
    // The stored member count; 0 on any failure (E_FAIL when the entry does not exist).
    HResult memberCount(const std::u16string& name, std::int32_t& count) const;
    // The first n member names; E_FAIL when the entry is missing or lists fewer. On failure
    // `members` is empty.
    HResult load(const std::u16string& name, std::int32_t n,
                 std::vector<std::u16string>& members) const;
    // Replaces the entry: the old listing releases its references, the new one takes one per
    // name (a name listed twice counts twice). Every member must exist (else E_FAIL) and every
    // name be valid (else E_INVALIDARG); both are checked before anything changes.
    HResult save(const std::u16string& name, const std::vector<std::u16string>& members) const;
    // Releases the references of the listing, then deletes the entry. Members whose count
    // reaches 0 stay.
    HResult remove(const std::u16string& name) const;

protected:
    ListCollection(StoreKey key, const char16_t* countValueName)
        : Collection(std::move(key)), countValueName_(countValueName) {}
    virtual const StoreKey& memberKey() const = 0;

private:
    const char16_t* countValueName_;
};

}  // namespace tessel::store
