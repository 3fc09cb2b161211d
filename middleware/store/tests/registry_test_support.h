#pragma once
// Runs store tests against each registry adapter of the build: the in-memory registry
// everywhere, Wine's real registry in the Windows build. Each test starts and ends with its
// device's tree removed from both roots.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "middleware/store/memory_registry.h"
#include "middleware/store/registry_port.h"
#include "middleware/store/store_key.h"
#ifdef _WIN32
#include "middleware/store/win32_registry.h"
#endif

namespace tessel::store::testing {

enum class RegistryAdapter { memory, win32 };

inline std::vector<RegistryAdapter> registryAdapters() {
#ifdef _WIN32
    return {RegistryAdapter::memory, RegistryAdapter::win32};
#else
    return {RegistryAdapter::memory};
#endif
}

inline std::string adapterName(const ::testing::TestParamInfo<RegistryAdapter>& info) {
    return info.param == RegistryAdapter::memory ? "Memory" : "Win32";
}

inline std::unique_ptr<RegistryPort> makeRegistry(RegistryAdapter adapter) {
#ifdef _WIN32
    if (adapter == RegistryAdapter::win32) return std::make_unique<Win32Registry>();
#endif
    (void)adapter;
    return std::make_unique<MemoryRegistry>();
}

// Deletes the key at `path` below `parent` with everything beneath it.
inline void deleteTree(RegistryKey& parent, const std::u16string& path) {
    std::unique_ptr<RegistryKey> key;
    if (parent.openKey(path, key) != 0) return;
    for (std::u16string child; key->enumKey(0, 256, child) == 0;) deleteTree(*key, child);
    key.reset();
    parent.deleteKey(path);
}

class RegistryTest : public ::testing::TestWithParam<RegistryAdapter> {
protected:
    // Test device keys stay clear of the real products (0x13, 0x14) and of each other's
    // executables, which may run at the same time in one Wine prefix.
    explicit RegistryTest(std::u16string deviceKeyName)
        : deviceKeyName_(std::move(deviceKeyName)) {}

    void SetUp() override {
        registry_ = makeRegistry(GetParam());
        removeTrees();
    }
    void TearDown() override { removeTrees(); }

    RegistryPort& registry() { return *registry_; }
    MemoryRegistry* memoryRegistry() { return dynamic_cast<MemoryRegistry*>(registry_.get()); }
    const std::u16string& deviceKeyName() const { return deviceKeyName_; }

    // An entry key of the tree under `root`, opened straight through the port.
    std::unique_ptr<RegistryKey> openRaw(const std::u16string& collectionAndEntry,
                                         RegistryRoot root = RegistryRoot::localMachine) {
        std::unique_ptr<RegistryKey> key;
        registry_->openRoot(root)->openKey(deviceRootPath(deviceKeyName_) + collectionAndEntry,
                                           key);
        return key;
    }

    // A value's stored bytes, or nothing when it cannot be read.
    std::vector<std::uint8_t> rawValue(const std::u16string& collectionAndEntry,
                                       const std::u16string& valueName) {
        auto key = openRaw(collectionAndEntry);
        if (!key) return {};
        std::vector<std::uint8_t> bytes(4096);
        std::uint32_t type = 0;
        std::uint32_t size = static_cast<std::uint32_t>(bytes.size());
        if (key->queryValue(valueName, type, bytes.data(), size) != 0) return {};
        bytes.resize(size);
        return bytes;
    }

    void setRawDword(const std::u16string& collectionAndEntry, const std::u16string& valueName,
                     std::uint32_t value) {
        auto key = openRaw(collectionAndEntry);
        ASSERT_TRUE(key);
        const std::uint8_t bytes[4] = {
            static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
        ASSERT_EQ(key->setValue(valueName, regtype::dword, bytes, 4), 0u);
    }

private:
    void removeTrees() {
        for (RegistryRoot root : {RegistryRoot::localMachine, RegistryRoot::currentUser})
            deleteTree(*registry_->openRoot(root), deviceRootPath(deviceKeyName_));
    }

    std::u16string deviceKeyName_;
    std::unique_ptr<RegistryPort> registry_;
};

}  // namespace tessel::store::testing
