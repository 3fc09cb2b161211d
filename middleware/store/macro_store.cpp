#include "middleware/store/macro_store.h"

namespace tessel::store {
namespace {

// Opens the entry for a save, replacing an existing one but keeping its "RefCount".
HResult replaceEntry(const StoreKey& key, const std::u16string& name,
                     std::optional<EntryKey>& entry) {
    std::uint32_t kept = 0;
    key.refCount(name, kept);  // 0 for a new entry
    if (HResult status = key.recreateEntry(name, entry); hr::failed(status)) return status;
    return entry->writeDword(valuename::refCount, kept);
}

}  // namespace

HResult MacroStore::open(RegistryPort& registry, const std::u16string& deviceKeyName,
                                 std::unique_ptr<MacroStore>& store) {
    return openCollection(registry, deviceKeyName, collection::macros, store);
}

HResult MacroStore::save(const std::u16string& name, const Macro& macro) const {
    if (HResult status = checkName(name); hr::failed(status)) return status;
    std::optional<EntryKey> entry;
    if (HResult status = replaceEntry(key_, name, entry); hr::failed(status)) return status;
    HResult status = entry->writeLong(valuename::version, macro.version);
    if (hr::succeeded(status)) status = entry->writeLong(valuename::options, macro.options);
    if (hr::succeeded(status)) status = entry->writeLong(valuename::type, macro.type);
    if (hr::succeeded(status)) status = entry->writeLong(valuename::repeat, macro.repeat);
    if (hr::succeeded(status)) status = entry->writeString(valuename::iconFile, macro.iconFile);
    if (hr::succeeded(status))
        status = entry->writeDword(valuename::numElements,
                                   static_cast<std::uint32_t>(macro.elements.size()));
    for (std::size_t i = 0; hr::succeeded(status) && i < macro.elements.size(); ++i) {
        const auto bytes = encodeElement(macro.elements[i]);
        status = entry->writeBinary(indexName(i), bytes.data(), bytes.size());
    }
    return status;
}

HResult MacroStore::load(const std::u16string& name, Macro& macro) const {
    macro = Macro{};
    if (HResult status = checkName(name); hr::failed(status)) return status;
    std::optional<EntryKey> entry;
    if (HResult status = key_.openEntry(name, entry); hr::failed(status)) return status;
    Macro read;
    std::uint32_t count = 0;
    HResult status = entry->readLong(valuename::version, read.version);
    if (hr::succeeded(status)) status = entry->readLong(valuename::options, read.options);
    if (hr::succeeded(status)) status = entry->readLong(valuename::type, read.type);
    if (hr::succeeded(status)) status = entry->readLong(valuename::repeat, read.repeat);
    if (hr::succeeded(status)) status = entry->readString(valuename::iconFile, read.iconFile);
    if (hr::succeeded(status)) status = entry->readDword(valuename::numElements, count);
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t i = 0; hr::succeeded(status) && i < count; ++i) {
        status = entry->readBinary(indexName(i), kElementSize, bytes);
        if (hr::succeeded(status))
            read.elements.push_back(decodeElement(bytes.data(), bytes.size()));
    }
    if (hr::succeeded(status)) macro = std::move(read);
    return status;
}

HResult MacroStore::remove(const std::u16string& name) const {
    if (HResult status = checkName(name); hr::failed(status)) return status;
    return key_.deleteUnreferenced(name);
}

HResult UserActionStore::open(RegistryPort& registry, const std::u16string& deviceKeyName,
                                      std::unique_ptr<UserActionStore>& store) {
    return openCollection(registry, deviceKeyName, collection::userActions, store);
}

HResult UserActionStore::save(const std::u16string& name, const UserAction& action) const {
    if (HResult status = checkName(name); hr::failed(status)) return status;
    std::optional<EntryKey> entry;
    if (HResult status = replaceEntry(key_, name, entry); hr::failed(status)) return status;
    HResult status = entry->writeLong(valuename::code, action.code);
    if (hr::succeeded(status))
        status =
            entry->writeDword(valuename::numData, static_cast<std::uint32_t>(action.data.size()));
    if (hr::succeeded(status))
        status = entry->writeBinary(valuename::data, action.data.data(), action.data.size());
    return status;
}

HResult UserActionStore::load(const std::u16string& name, UserAction& action) const {
    action = UserAction{};
    if (HResult status = checkName(name); hr::failed(status)) return status;
    std::optional<EntryKey> entry;
    if (HResult status = key_.openEntry(name, entry); hr::failed(status)) return status;
    UserAction read;
    std::uint32_t size = 0;
    HResult status = entry->readLong(valuename::code, read.code);
    if (hr::succeeded(status)) status = entry->readDword(valuename::numData, size);
    if (hr::succeeded(status)) status = entry->readBinary(valuename::data, size, read.data);
    if (hr::succeeded(status)) action = std::move(read);
    return status;
}

HResult UserActionStore::remove(const std::u16string& name) const {
    if (HResult status = checkName(name); hr::failed(status)) return status;
    return key_.deleteUnreferenced(name);
}

SpellBookStore::SpellBookStore(StoreKey key, std::unique_ptr<MacroStore> macros)
    : ListCollection(std::move(key), valuename::numMacros), macros_(std::move(macros)) {}

HResult SpellBookStore::open(RegistryPort& registry, const std::u16string& deviceKeyName,
                                     std::unique_ptr<SpellBookStore>& store) {
    return openCollection<SpellBookStore, MacroStore>(registry, deviceKeyName, collection::spellBooks, store);
}

}  // namespace tessel::store
