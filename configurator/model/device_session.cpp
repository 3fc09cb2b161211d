#include "configurator/model/device_session.h"

#include <objbase.h>

#include <memory>

namespace tessel::cfg {

namespace {

constexpr long kMaxMacros = 70;  // places in the mouse's macro directory
constexpr std::int32_t kDefaultAcceleration = 5;

using win32::TaskMemory;
using Bstr = win32::BstrOwner;

Bstr toBstr(const std::u16string& text) {
    return Bstr(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size())));
}

std::u16string fromBstr(BSTR text) {
    const Bstr owned(text);
    return text ? std::u16string(reinterpret_cast<const char16_t*>(text), SysStringLen(text)) : std::u16string();
}

std::u16string takeTaskString(LPWSTR text) {
    const TaskMemory<wchar_t> owned(text);
    return text ? std::u16string(reinterpret_cast<const char16_t*>(text)) : std::u16string();
}

StageRecord fromDevice(const _stDpiStageType& device) {
    StageRecord record;
    record.count = device.ulTotalStages;
    record.currentStage = device.lCurrentStage;
    record.defaultStage = device.lDefaultStage;
    for (std::size_t i = 0; i < kMaxStages; ++i)
        record.stages[i] = {device.Sensitivity[i].ulXSensitivity, device.Sensitivity[i].ulYSensitivity};
    return record;
}

_stDpiStageType toDevice(const StageRecord& record) {
    _stDpiStageType device{};
    device.ulTotalStages = record.count;
    device.lCurrentStage = record.currentStage;
    device.lDefaultStage = record.defaultStage;
    for (std::size_t i = 0; i < kMaxStages; ++i)
        device.Sensitivity[i] = {record.stages[i].x, record.stages[i].y};
    device.CurrentDpiStage = device.Sensitivity[record.currentStage - 1];
    return device;
}

MappingRecord fromDevice(const _TButtonMappingInfo& device) {
    const _TRawValueInfo& words = device.actionOrMacro.actionInfo.info.rawValueInfo;
    return {static_cast<std::int32_t>(device.lButton), static_cast<std::int32_t>(device.mappingType),
            static_cast<std::int32_t>(device.actionOrMacro.actionInfo.actionType),
            {words.lValue1, words.lValue2, words.lReserved}};
}

_TButtonMappingInfo toDevice(const MappingRecord& record) {
    _TButtonMappingInfo device{};
    device.lButton = static_cast<_TButtonDefinitionType>(record.button);
    device.mappingType = static_cast<_TButtonMappingType>(record.mappingType);
    device.actionOrMacro.actionInfo.actionType = static_cast<_TButtonActionType>(record.actionType);
    _TRawValueInfo& words = device.actionOrMacro.actionInfo.info.rawValueInfo;
    words.lValue1 = record.info[0];
    words.lValue2 = record.info[1];
    words.lReserved = record.info[2];
    return device;
}

DeviceMacroElement fromDevice(const _TMacroElement& device) {
    DeviceMacroElement element;
    element.actionType = device.action.actionType;
    if (device.action.actionType == BUTTON_ACTION_KEYCODE) {
        element.value = static_cast<std::int32_t>(device.action.info.keycodeInfo.ulScanCode);
        element.options = device.action.info.keycodeInfo.options;
    } else {
        element.value = device.action.info.clickInfo.mouseClick;
        element.options = device.action.info.clickInfo.options;
    }
    element.delayMs = device.lDelayMs;
    return element;
}

_TMacroElement toDevice(const DeviceMacroElement& element) {
    _TMacroElement device{};
    device.action.actionType = static_cast<_TButtonActionType>(element.actionType);
    if (element.actionType == BUTTON_ACTION_KEYCODE) {
        device.action.info.keycodeInfo.ulScanCode = static_cast<unsigned long>(element.value);
        device.action.info.keycodeInfo.options = static_cast<_TKeycodeClickOptionsType>(element.options);
    } else {
        device.action.info.clickInfo.mouseClick = static_cast<_TMouseClickType>(element.value);
        device.action.info.clickInfo.options = static_cast<_TKeycodeClickOptionsType>(element.options);
    }
    device.lDelayMs = element.delayMs;
    device.lHoldMs = 0;
    return device;
}

template <class T>
ComPtr<T> queried(const ComPtr<IUnknown>& object) {
    ComPtr<T> result;
    if (object) object.As(&result);
    return result;
}

}  // namespace

DeviceSession::DeviceSession(SettingsModel& model, ProgramSteps steps) : model_(model), steps_(std::move(steps)) {}

bool DeviceSession::succeeded(HRESULT status, const char* operation, const std::u16string& subject) {
    if (SUCCEEDED(status)) return true;
    if (failures_) failures_->push_back({operation, subject, status});
    return false;
}

void DeviceSession::release() {
    profileObjects_.clear();
    macroObjects_.clear();
    pollingRate_.Reset();
    performance_.Reset();
    macroManager_.Reset();
    profileManager_.Reset();
    halden_.Reset();
    profile_.Reset();
    if (wireless_) wireless_->CloseDeviceInterface();
    wireless_.Reset();
    if (wired_) wired_->CloseDeviceInterface();
    wired_.Reset();
    enumeration_.Reset();
}

// --- connect and read ---

ComPtr<IDeviceType> DeviceSession::openDeviceType(unsigned short product, std::u16string& firmware, bool& connected) {
    connected = false;
    firmware.clear();
    ComPtr<IDeviceType> device;
    if (!succeeded(enumeration_->EnumDeviceType(product, device.GetAddressOf()), "EnumDeviceType")) return device;
    // A mouse that is not there is no failure: the connection simply counts as absent.
    if (FAILED(device->OpenDeviceInterface(product))) {
        device->CloseDeviceInterface();
        return device;
    }
    LPWSTR version = nullptr;
    if (FAILED(device->GetFirmwareVersion(&version))) {
        device->CloseDeviceInterface();
        return device;
    }
    firmware = takeTaskString(version);
    connected = firmware != u"0.0";
    return device;
}

CommandReport DeviceSession::connectAndRead() {
    CommandReport report;
    failures_ = &report.failures;
    release();
    model_.clear();
    state_ = {};

    CLSID clsid{};
    if (!succeeded(CLSIDFromProgID(L"Server.DeviceEnumeration.1", &clsid), "CLSIDFromProgID") ||
        !succeeded(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDeviceEnumeration,
                                    reinterpret_cast<void**>(enumeration_.GetAddressOf())),
                   "CoCreateInstance")) {
        failures_ = nullptr;
        return report;
    }
    succeeded(enumeration_->OpenDeviceEnumerationInterface(), "OpenDeviceEnumerationInterface");

    wired_ = openDeviceType(kWiredProduct, state_.wiredFirmware, state_.wiredConnected);
    if (state_.wiredConnected) {
        LPWSTR version = nullptr;
        if (succeeded(wired_->GetDriverVersion(&version), "GetDriverVersion"))
            state_.driverVersion = takeTaskString(version);
        readProfiles();
        readMacros();
    }
    wireless_ = openDeviceType(kWirelessProduct, state_.wirelessFirmware, state_.wirelessConnected);
    if (profile_) succeeded(profile_->CreatePerformanceSettingsInterface(performance_.GetAddressOf()),
                            "CreatePerformanceSettingsInterface");
    succeeded(enumeration_->CloseDeviceEnumerationInterface(), "CloseDeviceEnumerationInterface");
    readPerformance();

    long connected = 0;
    if (wired_ && SUCCEEDED(wired_->IsConnected(&connected)) && connected) {
        if (steps_.readSideFiles) steps_.readSideFiles(model_);
    }
    std::u16string activeName;
    if (profileManager_) {
        ComPtr<IHaldenProfile> active;
        BSTR name = nullptr;
        if (succeeded(profileManager_->GetActiveProfile(active.GetAddressOf()), "GetActiveProfile") &&
            succeeded(active->GetName(&name), "GetName"))
            activeName = fromBstr(name);
    }
    state_.defaultsRestored = model_.finishLoading(activeName).defaultsRestored;
    state_.loaded = true;
    failures_ = nullptr;
    return report;
}

void DeviceSession::readProfiles() {
    if (!succeeded(wired_->CreateProfileInterface(profile_.GetAddressOf()), "CreateProfileInterface") ||
        !succeeded(wired_->CreateHaldenInterface(halden_.GetAddressOf()), "CreateHaldenInterface"))
        return;
    ComPtr<IUnknown> object;
    if (succeeded(halden_->CreateInterfaceInstance(IID_IHaldenProfileManager, object.GetAddressOf()),
                  "CreateInterfaceInstance(IHaldenProfileManager)"))
        profileManager_ = queried<IHaldenProfileManager>(object);
    object.Reset();
    if (succeeded(halden_->CreateInterfaceInstance(IID_IHaldenMacroManager, object.GetAddressOf()),
                  "CreateInterfaceInstance(IHaldenMacroManager)"))
        macroManager_ = queried<IHaldenMacroManager>(object);
    if (!profileManager_) return;

    for (long index = 0; index < static_cast<long>(kMaxProfiles); ++index) {
        ComPtr<IHaldenProfile> device;
        const HRESULT found = profileManager_->GetProfile(index, device.GetAddressOf());
        if (found == E_FAIL) break;  // no profile at this index: the list has ended
        if (!succeeded(found, "GetProfile")) break;
        long number = 0;
        if (!succeeded(device->GetId(&number), "GetId")) continue;

        ProfileNode& node = model_.appendProfile();
        node.deviceNumber = number;
        node.onDevice = true;
        ProfileObjects& objects = profileObjects_[number];
        objects.profile = device;

        BSTR name = nullptr;
        if (succeeded(device->GetName(&name), "GetName")) node.name = fromBstr(name);
        const std::u16string& subject = node.name;
        if (ILedStatus* led = profileFeature(node, &ProfileObjects::led, IID_ILedStatus)) {
            long bits = 0;
            if (succeeded(led->GetStatus(&bits), "GetStatus", subject)) node.ledBits = static_cast<std::uint32_t>(bits);
        }
        if (IDpi* dpi = profileFeature(node, &ProfileObjects::dpi, IID_IDpi)) {
            unsigned long size = 0;
            _stDpiStageType* stages = nullptr;
            if (succeeded(dpi->GetDpiStages(&size, &stages), "GetDpiStages", subject)) {
                const TaskMemory<_stDpiStageType> owned(stages);
                if (stages && size >= sizeof(_stDpiStageType)) node.stages = StageRecord::fromOutside(fromDevice(*stages));
            }
        }
        _TButtonMappingInfo mappings[kButtonRows]{};
        _TButtonMappingInfo* table = mappings;
        _TProfileParams params{};
        params.lNumMappings = kButtonRows;
        params.ppMappings = &table;
        if (succeeded(device->GetButtonMappings(&params), "GetButtonMappings", subject)) {
            MappingTable read{};
            for (std::size_t i = 0; i < kButtonRows; ++i) read[i] = fromDevice(mappings[i]);
            node.mappings = read;
        }
        node.loaded = true;
    }
}

void DeviceSession::readMacros() {
    if (!macroManager_) return;
    for (long index = 0; index < kMaxMacros; ++index) {
        ComPtr<IHaldenMacro> device;
        const HRESULT found = macroManager_->GetMacro(index, device.GetAddressOf());
        if (found == E_FAIL) break;  // the directory has ended
        if (!succeeded(found, "GetMacro")) break;
        long id = 0;
        if (!succeeded(device->GetId(&id), "GetId")) continue;
        MacroNode& node = model_.appendMacro();
        node.deviceId = id;
        node.onDevice = true;
        macroObjects_[id] = device;
        BSTR name = nullptr;
        if (succeeded(device->GetName(&name), "GetName")) node.name = fromBstr(name);
        _TMacroElement* elements = nullptr;
        _TMacroParams params{};
        params.ppElements = &elements;
        if (succeeded(device->GetElements(&params), "GetElements", node.name)) {
            const TaskMemory<_TMacroElement> owned(elements);
            std::vector<DeviceMacroElement> read;
            for (long i = 0; elements && i < params.lNumElements; ++i) read.push_back(fromDevice(elements[i]));
            if (auto events = fromDeviceElements(read))
                node.events = std::move(*events);
            else
                node.tooLong = true;
        }
    }
}

void DeviceSession::readPerformance() {
    PerformanceSettings& settings = model_.performance();
    if (performance_) {
        long status = 0;
        long acceleration = kDefaultAcceleration;
        if (succeeded(performance_->GetAccelerationStatus(&status), "GetAccelerationStatus"))
            settings.accelerationOn = status != 0;
        // With the pointer's acceleration thresholds at zero (acceleration off) the system has no
        // level to give and the middleware answers E_ACCESSDENIED: the slider keeps its default.
        const HRESULT level = performance_->GetAcceleration(&acceleration);
        if (level == E_ACCESSDENIED)
            settings.acceleration = accelerationStep(kDefaultAcceleration);
        else if (succeeded(level, "GetAcceleration"))
            settings.acceleration = accelerationStep(acceleration);
    }
    if (state_.wiredConnected && !pollingRate_)
        succeeded(wired_->CreatePollingRateInterface(pollingRate_.GetAddressOf()), "CreatePollingRateInterface");
    if (pollingRate_) {
        long rate = 0;
        if (succeeded(pollingRate_->GetRate(&rate), "GetRate")) {
            state_.rateRead = state_.rateWritten = rate;
            model_.setPollingRate(rate);
        }
    }
}

CommandReport DeviceSession::checkConnection() {
    CommandReport report;
    failures_ = &report.failures;
    long connected = 0;
    if (wired_) state_.wiredConnected = SUCCEEDED(wired_->IsConnected(&connected)) && connected;
    connected = 0;
    if (wireless_) state_.wirelessConnected = SUCCEEDED(wireless_->IsConnected(&connected)) && connected;
    if (state_.rateChanging && pollingRate_) {
        long rate = 0;
        if (SUCCEEDED(pollingRate_->GetRate(&rate))) state_.rateRead = rate;
        if (state_.wiredConnected) state_.rateChanging = false;
    }
    failures_ = nullptr;
    return report;
}

// --- the objects of one profile ---

DeviceSession::ProfileObjects* DeviceSession::objectsOf(const ProfileNode& node) {
    if (!node.onDevice || node.deviceNumber == 0) return nullptr;
    ProfileObjects& objects = profileObjects_[node.deviceNumber];
    if (!objects.profile && profileManager_ &&
        !succeeded(profileManager_->OpenProfile(node.deviceNumber, objects.profile.GetAddressOf()), "OpenProfile",
                   node.name))
        return nullptr;
    return objects.profile ? &objects : nullptr;
}

template <class T>
T* DeviceSession::profileFeature(ProfileNode& node, ComPtr<T> ProfileObjects::*member, REFIID iid) {
    ProfileObjects* objects = objectsOf(node);
    if (!objects) return nullptr;
    ComPtr<T>& feature = objects->*member;
    if (!feature) {
        ComPtr<IUnknown> object;
        if (succeeded(objects->profile->CreateInterfaceInstance(iid, object.GetAddressOf()), "CreateInterfaceInstance",
                      node.name))
            feature = queried<T>(object);
    }
    return feature.Get();
}

bool DeviceSession::writeStages(ProfileNode& node, const StageRecord& record) {
    IDpi* dpi = profileFeature(node, &ProfileObjects::dpi, IID_IDpi);
    if (!dpi) return false;
    _stDpiStageType device = toDevice(record);
    return succeeded(dpi->SetDpiStages(sizeof(device), &device), "SetDpiStages", node.name);
}

// --- the write, in its fixed order ---

CommandReport DeviceSession::writeAll() {
    CommandReport report;
    failures_ = &report.failures;
    ProfileNode* target = model_.current();
    if (target) {
        const StageRecord stages = model_.settleCurrentStages();
        if (target->onDevice) writeStages(*target, stages);
    }
    if (macroManager_) writeMacros();
    if (profileManager_) writeProfiles();
    writeAcceleration();
    if (steps_.writeSideFiles) steps_.writeSideFiles(model_);
    applyPollingRate();
    failures_ = nullptr;
    return report;
}

void DeviceSession::writeMacros() {
    std::vector<MacroNode*> nodes;
    for (const auto& node : model_.macroNodes()) nodes.push_back(node.get());
    for (MacroNode* node : nodes) {
        if (node->written || !(node->changed || !node->onDevice || node->markedForDeletion)) continue;
        // Its events were never read whole: writing them would cut the macro on the mouse.
        if (node->tooLong && !node->markedForDeletion) continue;
        if (node->markedForDeletion) {
            const auto found = macroObjects_.find(node->deviceId);
            ComPtr<IHaldenMacro> device = found != macroObjects_.end() ? found->second : nullptr;
            if (!device) succeeded(macroManager_->OpenMacro(node->deviceId, device.GetAddressOf()), "OpenMacro", node->name);
            if (device && succeeded(macroManager_->DeleteMacro(device.Get()), "DeleteMacro", node->name)) {
                macroObjects_.erase(node->deviceId);
                model_.forget(*node);
            }
            continue;
        }
        if (!node->onDevice) {
            ComPtr<IHaldenMacro> created;
            long id = 0;
            if (!succeeded(macroManager_->CreateMacro(created.GetAddressOf()), "CreateMacro", node->name) ||
                !succeeded(created->GetId(&id), "GetId", node->name))
                continue;
            node->deviceId = id;
            node->onDevice = true;
            macroObjects_[id] = created;
        }
        ComPtr<IHaldenMacro>& macro = macroObjects_[node->deviceId];
        if (!macro && !succeeded(macroManager_->OpenMacro(node->deviceId, macro.GetAddressOf()), "OpenMacro", node->name))
            continue;
        std::vector<_TMacroElement> elements;
        for (const DeviceMacroElement& element : toDeviceElements(node->events)) elements.push_back(toDevice(element));
        _TMacroElement* first = elements.data();
        _TMacroParams params{};
        params.lNumElements = static_cast<long>(elements.size());
        params.ppElements = &first;
        const Bstr name = toBstr(node->name);
        if (succeeded(macro->SetName(name.get()), "SetName", node->name) &&
            succeeded(macro->SetElements(&params), "SetElements", node->name)) {
            node->changed = false;
            node->written = true;
        }
    }
}

std::int32_t DeviceSession::activeProfileNumber() {
    ComPtr<IHaldenProfile> active;
    long number = 0;
    // Not a failure of the write: without an answer the profile last read or written counts.
    if (FAILED(profileManager_->GetActiveProfile(active.GetAddressOf())) || !active || FAILED(active->GetId(&number)))
        return 0;
    return number;
}

void DeviceSession::writeProfiles() {
    ProfileNode* target = model_.current();
    // The mouse's own word at write time: the tray or the mouse's buttons may have switched
    // profiles since the model was read.
    std::int32_t activeNumber = activeProfileNumber();
    auto isActive = [&](const ProfileNode* node) {
        return activeNumber != 0 ? node->onDevice && node->deviceNumber == activeNumber : node == model_.activeOnDevice();
    };
    std::vector<ProfileNode*> nodes;
    for (const auto& node : model_.profileNodes()) nodes.push_back(node.get());
    std::map<ProfileNode*, bool> written;  // the nodes this write handled, and whether all went well
    auto newActive = [&](const ProfileNode* node) { return node == target && !isActive(node); };

    for (ProfileNode* node : nodes) {
        if (node->deletedOnDevice) continue;
        const bool edited = node->hasProfileSwitchLinks || node->changed || node->markedForDeletion || node->rewrite;
        if (!edited && node->onDevice && !newActive(node)) continue;
        bool ok = true;
        if (node->markedForDeletion && isActive(node)) {
            ProfileNode* head = model_.profileAt(0);
            ProfileObjects* objects = head ? objectsOf(*head) : nullptr;
            ok = objects && succeeded(profileManager_->SetActiveProfile(objects->profile.Get()), "SetActiveProfile",
                                      head->name);
            if (ok) {
                model_.setActiveOnDevice(head);
                activeNumber = head->deviceNumber;
            }
        }
        if (node->markedForDeletion) {
            ProfileObjects* objects = objectsOf(*node);
            if (ok && objects &&
                succeeded(profileManager_->DeleteProfile(objects->profile.Get()), "DeleteProfile", node->name)) {
                node->deletedOnDevice = true;
                profileObjects_.erase(node->deviceNumber);
            }
            continue;
        }
        if (!node->onDevice) {
            ComPtr<IHaldenProfile> created;
            long number = 0;
            if (!succeeded(profileManager_->CreateProfile(created.GetAddressOf()), "CreateProfile", node->name) ||
                !succeeded(created->GetId(&number), "GetId", node->name)) {
                written[node] = false;
                continue;
            }
            node->deviceNumber = number;
            node->onDevice = true;
            profileObjects_[number] = {created, nullptr, nullptr};
        }
        ProfileObjects* objects = objectsOf(*node);
        if (!objects) {
            written[node] = false;
            continue;
        }
        if (edited) {
            const Bstr name = toBstr(node->name);
            ok &= succeeded(objects->profile->SetName(name.get()), "SetName", node->name);
        }
        ILedStatus* led = profileFeature(*node, &ProfileObjects::led, IID_ILedStatus);
        ok &= led && succeeded(led->SetStatus(static_cast<long>(node->ledBits)), "SetStatus", node->name);
        if (node->stages) ok &= writeStages(*node, *node->stages);
        written[node] = ok;
    }

    for (ProfileNode* node : nodes) {
        if (node->deletedOnDevice || node->markedForDeletion || !node->onDevice) continue;
        const bool edited = node->hasProfileSwitchLinks || node->changed || node->rewrite;
        if (!edited && !newActive(node)) continue;
        bool& ok = written.try_emplace(node, true).first->second;
        ProfileObjects* objects = objectsOf(*node);
        if (!objects) {
            ok = false;
            continue;
        }
        if (node == target &&
            succeeded(profileManager_->SetActiveProfile(objects->profile.Get()), "SetActiveProfile", node->name)) {
            model_.setActiveOnDevice(node);
            activeNumber = node->deviceNumber;
        }
        if (!edited || !node->mappings) continue;
        if (!model_.resolveLinks(*node)) {
            // A button names a macro or profile that did not reach the mouse: keep the table
            // for the next write rather than send a link to nothing.
            succeeded(E_ABORT, "SetButtonMappings", node->name);
            ok = false;
            continue;
        }
        _TButtonMappingInfo mappings[kButtonRows];
        for (std::size_t i = 0; i < kButtonRows; ++i) mappings[i] = toDevice((*node->mappings)[i]);
        _TButtonMappingInfo* table = mappings;
        _TProfileParams params{};
        params.lNumMappings = kButtonRows;
        params.ppMappings = &table;
        ok &= succeeded(objects->profile->SetButtonMappings(&params), "SetButtonMappings", node->name);
    }

    for (const auto& [node, ok] : written) {
        if (!ok) continue;
        node->changed = false;
        node->rewrite = false;
    }
    for (ProfileNode* node : nodes)
        if (node->deletedOnDevice) model_.forget(*node);
}

void DeviceSession::writeAcceleration() {
    if (!performance_) return;
    const PerformanceSettings& settings = model_.performance();
    succeeded(performance_->SetAcceleration(settings.acceleration), "SetAcceleration");
    succeeded(performance_->SetAccelerationControl(settings.accelerationOn ? 1 : 0), "SetAccelerationControl");
}

void DeviceSession::applyPollingRate() {
    if (!pollingRate_) return;
    const std::int32_t wanted = model_.performance().pollingRate;
    long rate = 0;
    if (!succeeded(pollingRate_->GetRate(&rate), "GetRate")) return;
    if (rate == wanted) {
        if (steps_.rateUnchanged) steps_.rateUnchanged();
        return;
    }
    if (steps_.beforeRateChange) steps_.beforeRateChange();
    if (succeeded(pollingRate_->SetRate(wanted), "SetRate")) {
        state_.rateWritten = wanted;
        state_.rateChanging = true;
    }
    if (succeeded(pollingRate_->GetRate(&rate), "GetRate")) state_.rateRead = rate;
    if (steps_.afterRateChange) steps_.afterRateChange();
}

}  // namespace tessel::cfg
