#include "middleware/store/win32_registry.h"

#include <windows.h>

#include <vector>

namespace tessel::store {
namespace {

const wchar_t* wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

class Win32Key final : public RegistryKey {
public:
    // Predefined keys are not ours to close.
    Win32Key(HKEY key, bool owned) : key_(key), owned_(owned) {}
    ~Win32Key() override {
        if (owned_) RegCloseKey(key_);
    }
    Win32Key(const Win32Key&) = delete;
    Win32Key& operator=(const Win32Key&) = delete;

    std::uint32_t createKey(const std::u16string& path,
                            std::unique_ptr<RegistryKey>& key) override {
        HKEY opened = nullptr;
        const LSTATUS status = RegCreateKeyExW(key_, wide(path), 0, nullptr, 0, KEY_ALL_ACCESS,
                                               nullptr, &opened, nullptr);
        if (status == ERROR_SUCCESS) key = std::make_unique<Win32Key>(opened, true);
        return static_cast<std::uint32_t>(status);
    }

    std::uint32_t openKey(const std::u16string& path, std::unique_ptr<RegistryKey>& key) override {
        return open(path, KEY_ALL_ACCESS, key);
    }

    std::uint32_t openKeyToRead(const std::u16string& path, std::unique_ptr<RegistryKey>& key) override {
        return open(path, KEY_READ, key);
    }

    std::uint32_t deleteKey(const std::u16string& path) override {
        return static_cast<std::uint32_t>(RegDeleteKeyW(key_, wide(path)));
    }

    std::uint32_t subkeyCount(std::uint32_t& count) override {
        DWORD subkeys = 0;
        const LSTATUS status =
            RegQueryInfoKeyW(key_, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_SUCCESS) count = subkeys;
        return static_cast<std::uint32_t>(status);
    }

    std::uint32_t enumKey(std::uint32_t index, std::uint32_t capacity,
                          std::u16string& name) override {
        std::vector<wchar_t> buffer(capacity ? capacity : 1);
        DWORD length = capacity;
        const LSTATUS status =
            RegEnumKeyExW(key_, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_SUCCESS)
            name.assign(reinterpret_cast<const char16_t*>(buffer.data()), length);
        return static_cast<std::uint32_t>(status);
    }

    std::uint32_t setValue(const std::u16string& name, std::uint32_t type, const std::uint8_t* data,
                           std::uint32_t size) override {
        return static_cast<std::uint32_t>(RegSetValueExW(key_, wide(name), 0, type, data, size));
    }

    std::uint32_t queryValue(const std::u16string& name, std::uint32_t& type, std::uint8_t* buffer,
                             std::uint32_t& size) override {
        DWORD storedType = REG_NONE;
        DWORD length = size;
        const LSTATUS status =
            RegQueryValueExW(key_, wide(name), nullptr, &storedType, buffer, &length);
        type = storedType;
        size = length;
        return static_cast<std::uint32_t>(status);
    }

private:
    std::uint32_t open(const std::u16string& path, REGSAM access, std::unique_ptr<RegistryKey>& key) {
        HKEY opened = nullptr;
        const LSTATUS status = RegOpenKeyExW(key_, wide(path), 0, access, &opened);
        if (status == ERROR_SUCCESS) key = std::make_unique<Win32Key>(opened, true);
        return static_cast<std::uint32_t>(status);
    }

    HKEY key_;
    bool owned_;
};

}  // namespace

std::unique_ptr<RegistryKey> Win32Registry::openRoot(RegistryRoot root) {
    return std::make_unique<Win32Key>(
        root == RegistryRoot::localMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, false);
}

}  // namespace tessel::store
