#include "middleware/store/store_key.h"

#include <algorithm>

#include "middleware/store/store_values.h"

namespace tessel::store {
namespace {

HResult fromRegistry(std::uint32_t error) {
    return error == syserr::success ? hr::ok : hr::fromSystemError(error);
}

}  // namespace

HResult checkName(const std::u16string& name) {
    if (name.empty() || name.size() > kMaxNameLength ||
        name.find_first_of(std::u16string_view(u"\\\0", 2)) != std::u16string::npos)
        return hr::invalidArg;
    return hr::ok;
}

HResult checkNames(const std::vector<std::u16string>& names) {
    for (const auto& name : names)
        if (HResult status = checkName(name); hr::failed(status)) return status;
    return hr::ok;
}

std::u16string deviceRootPath(const std::u16string& deviceKeyName) {
    return u"Software\\Kavix\\" + deviceKeyName;
}

HResult findStoreRoot(RegistryPort& registry, const std::u16string& deviceKeyName,
                      RegistryRoot& root) {
    std::unique_ptr<RegistryKey> deviceRoot;
    const std::uint32_t error = registry.openRoot(RegistryRoot::localMachine)
                                    ->createKey(deviceRootPath(deviceKeyName), deviceRoot);
    if (error == syserr::accessDenied) {
        root = RegistryRoot::currentUser;
        return hr::ok;
    }
    root = RegistryRoot::localMachine;
    return fromRegistry(error);
}

std::u16string indexName(std::size_t index) {
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + index % 10));
        index /= 10;
    } while (index);
    if (digits.size() < 4) digits.insert(digits.begin(), 4 - digits.size(), u'0');
    return digits;
}

// --- EntryKey ---

HResult EntryKey::readDword(const std::u16string& name, std::uint32_t& value) const {
    std::uint8_t bytes[4] = {};
    std::uint32_t type = regtype::none;
    std::uint32_t size = sizeof bytes;
    if (std::uint32_t error = key_->queryValue(name, type, bytes, size)) return fromRegistry(error);
    value = static_cast<std::uint32_t>(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16)) |
            (static_cast<std::uint32_t>(bytes[3]) << 24);
    return hr::ok;
}

HResult EntryKey::writeDword(const std::u16string& name, std::uint32_t value) const {
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    return fromRegistry(key_->setValue(name, regtype::dword, bytes, sizeof bytes));
}

HResult EntryKey::readLong(const std::u16string& name, std::int32_t& value) const {
    std::uint32_t stored = 0;
    HResult status = readDword(name, stored);
    if (hr::succeeded(status)) value = static_cast<std::int32_t>(stored);
    return status;
}

HResult EntryKey::writeLong(const std::u16string& name, std::int32_t value) const {
    return writeDword(name, static_cast<std::uint32_t>(value));
}

HResult EntryKey::readString(const std::u16string& name, std::u16string& value) const {
    std::uint8_t bytes[kStringReadBytes];
    std::uint32_t type = regtype::none;
    std::uint32_t size = sizeof bytes;
    if (std::uint32_t error = key_->queryValue(name, type, bytes, size)) return fromRegistry(error);
    value = decodeUtf16(bytes, std::min<std::size_t>(size, sizeof bytes));
    return hr::ok;
}

HResult EntryKey::writeString(const std::u16string& name, const std::u16string& value) const {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(2 * value.size() + 2);
    for (char16_t c : value) {
        bytes.push_back(static_cast<std::uint8_t>(c));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    bytes.insert(bytes.end(), {0, 0});
    return fromRegistry(key_->setValue(name, regtype::string, bytes.data(),
                                       static_cast<std::uint32_t>(bytes.size())));
}

HResult EntryKey::readBinary(const std::u16string& name, std::uint32_t capacity,
                             std::vector<std::uint8_t>& bytes) const {
    bytes.clear();
    // Ask for the size first so a corrupt count never makes a huge buffer.
    std::uint32_t type = regtype::none;
    std::uint32_t size = 0;
    if (std::uint32_t error = key_->queryValue(name, type, nullptr, size))
        return fromRegistry(error);
    if (size > capacity) return hr::fromSystemError(syserr::moreData);
    std::vector<std::uint8_t> read(size);
    if (std::uint32_t error = key_->queryValue(name, type, read.data(), size))
        return fromRegistry(error);
    read.resize(std::min<std::size_t>(size, read.size()));
    bytes = std::move(read);
    return hr::ok;
}

HResult EntryKey::writeBinary(const std::u16string& name, const std::uint8_t* data,
                              std::size_t size) const {
    return fromRegistry(
        key_->setValue(name, regtype::binary, data, static_cast<std::uint32_t>(size)));
}

// --- StoreKey ---

HResult StoreKey::open(RegistryPort& registry, const std::u16string& deviceKeyName,
                       const char16_t* collectionSuffix, std::optional<StoreKey>& key) {
    RegistryRoot root = RegistryRoot::localMachine;
    if (HResult status = findStoreRoot(registry, deviceKeyName, root); hr::failed(status))
        return status;
    std::unique_ptr<RegistryKey> opened;
    if (std::uint32_t error = registry.openRoot(root)->createKey(
            deviceRootPath(deviceKeyName) + collectionSuffix, opened))
        return fromRegistry(error);
    key.emplace(StoreKey(std::move(opened), deviceKeyName));
    return hr::ok;
}

HResult StoreKey::count(std::int32_t& count) const {
    std::uint32_t subkeys = 0;
    if (std::uint32_t error = key_->subkeyCount(subkeys)) return fromRegistry(error);
    count = static_cast<std::int32_t>(subkeys);
    return hr::ok;
}

HResult StoreKey::list(std::int32_t n, std::vector<std::u16string>& names) const {
    names.clear();
    if (n < 0) return hr::invalidArg;
    std::int32_t available = 0;
    if (HResult status = count(available); hr::failed(status)) return status;
    if (n > available) return hr::fail;
    std::vector<std::u16string> found(static_cast<std::size_t>(n));
    for (std::uint32_t i = 0; i < found.size(); ++i)
        if (std::uint32_t error = key_->enumKey(i, kNameBufferChars, found[i]))
            return fromRegistry(error);
    names = std::move(found);
    return hr::ok;
}

HResult StoreKey::createEntry(const std::u16string& name) const {
    std::unique_ptr<RegistryKey> created;
    return fromRegistry(key_->createKey(name, created));
}

HResult StoreKey::deleteEntry(const std::u16string& name) const {
    return fromRegistry(key_->deleteKey(name));
}

HResult StoreKey::recreateEntry(const std::u16string& name, std::optional<EntryKey>& entry) const {
    if (hasEntry(name))
        if (HResult status = deleteEntry(name); hr::failed(status)) return status;
    if (HResult status = createEntry(name); hr::failed(status)) return status;
    return openEntry(name, entry);
}

HResult StoreKey::openEntry(const std::u16string& name, std::optional<EntryKey>& entry) const {
    std::unique_ptr<RegistryKey> opened;
    if (key_->openKey(name, opened) != syserr::success) return hr::fail;
    entry.emplace(std::move(opened));
    return hr::ok;
}

bool StoreKey::hasEntry(const std::u16string& name) const {
    std::optional<EntryKey> entry;
    return hr::succeeded(openEntry(name, entry));
}

HResult StoreKey::refCount(const std::u16string& name, std::uint32_t& count) const {
    count = 0;
    std::optional<EntryKey> entry;
    if (HResult status = openEntry(name, entry); hr::failed(status)) return status;
    HResult status = entry->readDword(valuename::refCount, count);
    if (hr::failed(status)) count = 0;
    return status;
}

HResult StoreKey::writeRefCount(const std::u16string& name, std::uint32_t count) const {
    std::optional<EntryKey> entry;
    if (HResult status = openEntry(name, entry); hr::failed(status)) return status;
    return entry->writeDword(valuename::refCount, count);
}

HResult StoreKey::addReference(const std::u16string& name) const {
    std::uint32_t count = 0;
    if (HResult status = refCount(name, count); hr::failed(status)) return status;
    return writeRefCount(name, count + 1);
}

HResult StoreKey::dropReference(const std::u16string& name) const {
    std::uint32_t count = 0;
    if (HResult status = refCount(name, count); hr::failed(status)) return status;
    return writeRefCount(name, count ? count - 1 : 0);
}

HResult StoreKey::deleteUnreferenced(const std::u16string& name) const {
    std::uint32_t count = 0;
    if (HResult status = refCount(name, count); hr::failed(status)) return status;
    if (count != 0) return hr::fail;
    return deleteEntry(name);
}

}  // namespace tessel::store
