#include "middleware/store/collection.h"

namespace tessel::store {

HResult ListCollection::memberCount(const std::u16string& name, std::int32_t& count) const {
    count = 0;
    if (HResult status = checkName(name); hr::failed(status)) return status;
    std::optional<EntryKey> entry;
    if (HResult status = key_.openEntry(name, entry); hr::failed(status)) return status;
    std::uint32_t stored = 0;
    if (HResult status = entry->readDword(countValueName_, stored); hr::failed(status))
        return status;
    count = static_cast<std::int32_t>(stored);
    return hr::ok;
}

HResult ListCollection::load(const std::u16string& name, std::int32_t n,
                             std::vector<std::u16string>& members) const {
    members.clear();
    if (HResult status = checkName(name); hr::failed(status)) return status;
    if (n < 0) return hr::invalidArg;
    std::optional<EntryKey> entry;
    if (HResult status = key_.openEntry(name, entry); hr::failed(status)) return status;
    std::uint32_t stored = 0;
    if (HResult status = entry->readDword(countValueName_, stored); hr::failed(status))
        return status;
    if (stored < static_cast<std::uint32_t>(n)) return hr::fail;
    std::vector<std::u16string> read;
    for (std::int32_t i = 0; i < n; ++i) {
        if (HResult status = entry->readString(indexName(i), read.emplace_back());
            hr::failed(status))
            return status;
    }
    members = std::move(read);
    return hr::ok;
}

HResult ListCollection::save(const std::u16string& name,
                             const std::vector<std::u16string>& members) const {
    if (HResult status = checkName(name); hr::failed(status)) return status;
    if (HResult status = checkNames(members); hr::failed(status)) return status;
    // A missing member would fail the save half-way, after the old listing is gone and some
    // counts are raised; refuse it before changing anything.
    for (const auto& member : members)
        if (!memberKey().hasEntry(member)) return hr::fail;

    if (key_.hasEntry(name))
        if (HResult status = remove(name); hr::failed(status)) return status;
    for (const auto& member : members)
        if (HResult status = memberKey().addReference(member); hr::failed(status)) return status;

    if (HResult status = key_.createEntry(name); hr::failed(status)) return status;
    std::optional<EntryKey> entry;
    if (HResult status = key_.openEntry(name, entry); hr::failed(status)) return status;
    if (HResult status =
            entry->writeDword(countValueName_, static_cast<std::uint32_t>(members.size()));
        hr::failed(status))
        return status;
    for (std::size_t i = 0; i < members.size(); ++i)
        if (HResult status = entry->writeString(indexName(i), members[i]); hr::failed(status))
            return status;
    return hr::ok;
}

HResult ListCollection::remove(const std::u16string& name) const {
    std::int32_t count = 0;
    if (HResult status = memberCount(name, count); hr::failed(status)) return status;
    std::vector<std::u16string> members;
    if (HResult status = load(name, count, members); hr::failed(status)) return status;
    for (const auto& member : members)
        if (HResult status = memberKey().dropReference(member); hr::failed(status)) return status;
    return key_.deleteEntry(name);
}

}  // namespace tessel::store
