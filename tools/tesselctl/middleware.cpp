#include "tools/tesselctl/middleware.h"

#include <cstdio>

#include "tools/tesselctl/command_line.h"
#include "tools/tesselctl/console.h"
#include "tools/tesselctl/failure.h"

namespace tessel::ctl {

std::string takeTaskString(LPWSTR text) {
    const TaskMemory<wchar_t> owned(text);
    return text ? toUtf8(text) : std::string();
}

Bstr::Bstr(const std::wstring& text) : text_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
    if (!text_) throw std::bad_alloc();
}

std::string Bstr::utf8() const { return text_ ? toUtf8(std::wstring_view(text_, SysStringLen(text_))) : std::string(); }

Middleware::Middleware(unsigned short productId, bool requireMouse) : productId_(productId) {
    check(apartment_.status(), "starting the component runtime");
    CLSID clsid{};
    check(CLSIDFromProgID(L"Server.DeviceEnumeration", &clsid), "finding the middleware");
    check(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDeviceEnumeration,
                           reinterpret_cast<void**>(enumeration_.GetAddressOf())),
          "creating the middleware");
    check(enumeration_->OpenDeviceEnumerationInterface(), "opening the device enumeration");
    check(enumeration_->EnumDeviceType(productId, device_.GetAddressOf()), "creating the device object");
    // The device object stays usable for the store when no mouse answers.
    const HRESULT opened = device_->OpenDeviceInterface(productId);
    if (requireMouse)
        check(opened, productId == kWirelessProduct ? "opening the wireless receiver" : "opening the mouse");
}

Middleware::~Middleware() {
    halden_.Reset();
    if (device_) device_->CloseDeviceInterface();
    device_.Reset();
    if (enumeration_) enumeration_->CloseDeviceEnumerationInterface();
}

std::wstring Middleware::deviceKeyName() const {
    wchar_t name[32];
    std::swprintf(name, 32, L"KavixControl_%04X", productId_);
    return name;
}

void Middleware::checkCreated(HRESULT status, const std::string& what) { check(status, "creating " + what); }

IHalden& Middleware::halden() {
    if (!halden_) checkCreated(device_->CreateHaldenInterface(halden_.GetAddressOf()), "the onboard memory object");
    return *halden_.Get();
}

ComPtr<IHaldenProfileManager> Middleware::profileManager() {
    ComPtr<IUnknown> object;
    checkCreated(halden().CreateInterfaceInstance(IID_IHaldenProfileManager, object.GetAddressOf()), "the profile manager");
    ComPtr<IHaldenProfileManager> manager;
    checkCreated(object.As(&manager), "the profile manager");
    return manager;
}

ComPtr<IHaldenMacroManager> Middleware::macroManager() {
    ComPtr<IUnknown> object;
    checkCreated(halden().CreateInterfaceInstance(IID_IHaldenMacroManager, object.GetAddressOf()), "the macro manager");
    ComPtr<IHaldenMacroManager> manager;
    checkCreated(object.As(&manager), "the macro manager");
    return manager;
}

ComPtr<IHaldenProfile> Middleware::profile(std::optional<long> number) {
    ComPtr<IHaldenProfile> profile;
    if (number) {
        check(profileManager()->OpenProfile(*number, profile.GetAddressOf()), "opening profile " + std::to_string(*number),
              {{E_FAIL, "this profile number is free (profiles list shows the profiles in use)"}});
    } else {
        check(profileManager()->GetActiveProfile(profile.GetAddressOf()), "opening the active profile");
    }
    return profile;
}

long Middleware::activeProfileNumber() {
    long number = 0;
    check(profileManager()->GetActiveProfileNumber(&number), "reading the active profile number");
    return number;
}

std::optional<long> parseProfileNumber(const std::string& text) {
    if (text == "active") return std::nullopt;
    return static_cast<long>(parseNumber(text, 1, 5, "a profile number"));
}

}  // namespace tessel::ctl
