#include "tray/device_context.h"

#include <shlobj.h>

#include "formats/exchange_file.h"
#include "formats/win32_file_system.h"
#include "tray/tray_texts.h"

namespace tessel::tray {
namespace {

// What the side-file reader asks of the lists: names of linked profiles and macros.
class ListLookup final : public formats::ExchangeLookup {
public:
    ListLookup(const TrayProfileList& profiles, const std::vector<TrayMacroEntry>& macros)
        : profiles_(profiles), macros_(macros) {}
    std::optional<std::u16string> profileName(std::int32_t number) const override {
        for (const TrayProfileEntry& entry : profiles_)
            if (entry.id == number) return entry.settings.name;
        return std::nullopt;
    }
    std::optional<std::u16string> macroName(std::int32_t id) const override {
        for (const TrayMacroEntry& macro : macros_)
            if (macro.id == id) return utf16(macro.name);
        return std::nullopt;
    }
    std::optional<formats::ExchangeMacro> macro(std::u16string_view) const override { return std::nullopt; }

private:
    const TrayProfileList& profiles_;
    const std::vector<TrayMacroEntry>& macros_;
};

formats::MappingRecord recordOf(const _TButtonMappingInfo& mapping) {
    formats::MappingRecord record;
    record.button = mapping.lButton;
    record.mappingType = mapping.mappingType;
    record.actionType = mapping.actionOrMacro.actionInfo.actionType;
    const _TRawValueInfo& raw = mapping.actionOrMacro.actionInfo.info.rawValueInfo;
    record.info = {raw.lValue1, raw.lValue2, raw.lReserved};
    return record;
}

std::wstring appDataFolder() {
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, folder)))
        return {};
    return folder;
}

}  // namespace

std::wstring takeString(LPWSTR text) {
    std::wstring result = text ? text : L"";
    CoTaskMemFree(text);
    return result;
}

std::wstring takeBstr(BSTR text) {
    std::wstring result(text ? text : L"", text ? SysStringLen(text) : 0);
    SysFreeString(text);
    return result;
}

bool TrayDeviceContext::connect() {
    enumeration_.Reset();
    CLSID clsid{};
    if (FAILED(CLSIDFromProgID(L"Server.DeviceEnumeration", &clsid))) return false;
    // 0x17: in-process, handler, local and remote server.
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER |
                                                    CLSCTX_REMOTE_SERVER,
                                IID_IDeviceEnumeration, reinterpret_cast<void**>(enumeration_.GetAddressOf()))))
        return false;
    if (FAILED(enumeration_->OpenDeviceEnumerationInterface())) return false;
    device_.Reset();
    enumeration_->EnumDeviceType(kCableProductId, device_.GetAddressOf());
    bool present = false;
    if (device_) {
        LPWSTR version = nullptr;
        if (SUCCEEDED(device_->OpenDeviceInterface(kCableProductId)) &&
            SUCCEEDED(device_->GetFirmwareVersion(&version))) {
            firmware_ = takeString(version).substr(0, 127);
            present = firmware_ != L"0.0";
            LPWSTR driver = nullptr;
            if (SUCCEEDED(device_->GetDriverVersion(&driver))) driverVersion_ = takeString(driver).substr(0, 127);
        } else {
            device_->CloseDeviceInterface();
        }
    }
    if (present) buildLists();
    if (profile_) {
        performance_.Reset();
        profile_->CreatePerformanceSettingsInterface(performance_.GetAddressOf());
    }
    enumeration_->CloseDeviceEnumerationInterface();
    return present;
}

void TrayDeviceContext::buildLists() {
    profile_.Reset();
    halden_.Reset();
    profileManager_.Reset();
    macroManager_.Reset();
    if (!device_) return;
    device_->CreateProfileInterface(profile_.GetAddressOf());
    if (FAILED(device_->CreateHaldenInterface(halden_.GetAddressOf()))) return;
    halden_->CreateInterfaceInstance(IID_IHaldenProfileManager,
                                     reinterpret_cast<IUnknown**>(profileManager_.GetAddressOf()));
    if (!profileManager_) return;
    freeLists();

    ComPtr<IHaldenProfile> active;
    activeName_.clear();
    if (SUCCEEDED(profileManager_->GetActiveProfile(active.GetAddressOf())) && active) {
        BSTR name = nullptr;
        if (SUCCEEDED(active->GetName(&name))) activeName_ = takeBstr(name);
    }
    for (long index = 0;; ++index) {
        TrayProfileEntry entry;
        if (FAILED(profileManager_->GetProfile(index, entry.profile.GetAddressOf())) || !entry.profile) break;
        entry.profile->GetId(&entry.id);
        ComPtr<ILedStatus> lights;
        if (SUCCEEDED(entry.profile->CreateInterfaceInstance(IID_ILedStatus,
                                                             reinterpret_cast<IUnknown**>(lights.GetAddressOf()))))
            lights->GetStatus(&entry.lights);
        ComPtr<IDpi> dpi;
        if (SUCCEEDED(entry.profile->CreateInterfaceInstance(IID_IDpi, reinterpret_cast<IUnknown**>(dpi.GetAddressOf())))) {
            unsigned long size = 0;
            _stDpiStageType* stages = nullptr;
            if (SUCCEEDED(dpi->GetDpiStages(&size, &stages)) && stages && size >= 1) entry.stages = *stages;
            CoTaskMemFree(stages);
        }
        BSTR name = nullptr;
        if (FAILED(entry.profile->GetName(&name))) continue;
        entry.settings.name = utf16(takeBstr(name));
        if (wide(entry.settings.name) == activeName_) currentIndex_ = static_cast<int>(profiles_.size());
        _TButtonMappingInfo* mappings = entry.mappings.data();
        _TProfileParams params{0, formats::kButtonCount, &mappings};
        if (SUCCEEDED(entry.profile->GetButtonMappings(&params)))
            for (int slot = 0; slot < formats::kButtonCount; ++slot)
                entry.settings.mappings[slot] = recordOf(entry.mappings[slot]);
        entry.loadedFromMiddleware = true;
        profiles_.push_back(std::move(entry));
    }

    halden_->CreateInterfaceInstance(IID_IHaldenMacroManager, reinterpret_cast<IUnknown**>(macroManager_.GetAddressOf()));
    if (!macroManager_) return;
    for (long index = 0;; ++index) {
        TrayMacroEntry macro;
        if (FAILED(macroManager_->GetMacro(index, macro.macro.GetAddressOf())) || !macro.macro) break;
        macro.macro->GetId(&macro.id);
        BSTR name = nullptr;
        if (SUCCEEDED(macro.macro->GetName(&name))) macro.name = takeBstr(name);
        macros_.push_back(std::move(macro));
    }
}

void TrayDeviceContext::readSideFiles(const std::wstring& none) {
    const std::wstring folder = appDataFolder();
    if (!folder.empty()) {
        formats::Win32Files files;
        ListLookup lookup(profiles_, macros_);
        formats::mergeSideFiles(
            files, utf16(folder),
            [&](const std::u16string& name) -> formats::ExchangeProfile* {
                for (TrayProfileEntry& entry : profiles_)
                    if (entry.settings.name == name) {
                        entry.loadedFromFile = true;
                        return &entry.settings;
                    }
                return nullptr;
            },
            lookup);
    }
    for (TrayProfileEntry& entry : profiles_)
        if (entry.settings.executable.empty()) entry.settings.executable = utf16(none);
}

void TrayDeviceContext::freeLists() {
    profiles_.clear();
    macros_.clear();
    currentIndex_ = 0;
}

void TrayDeviceContext::release() {
    freeLists();
    performance_.Reset();
    macroManager_.Reset();
    profileManager_.Reset();
    halden_.Reset();
    profile_.Reset();
    device_.Reset();
    enumeration_.Reset();
}

TrayProfileEntry* TrayDeviceContext::entryAt(int index) {
    if (profiles_.empty()) return nullptr;
    if (index < 0) return &profiles_.front();
    if (static_cast<size_t>(index) >= profiles_.size()) return &profiles_.back();
    return &profiles_[static_cast<size_t>(index)];
}

TrayProfileEntry* TrayDeviceContext::entryWithId(long id) {
    for (TrayProfileEntry& entry : profiles_)
        if (entry.id == id) return &entry;
    return nullptr;
}

bool TrayDeviceContext::activate(const TrayProfileEntry& entry) {
    return profileManager_ && SUCCEEDED(profileManager_->SetActiveProfile(entry.profile.Get()));
}

}  // namespace tessel::tray
