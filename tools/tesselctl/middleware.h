#pragma once
// The middleware as tesselctl uses it: the component runtime entered as a single-threaded
// apartment, DeviceEnumeration created by its ProgID, one device type object opened for the
// chosen product, and the objects reached from it. Every pointer and every block the
// middleware hands out is owned by an RAII holder.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <memory>
#include <optional>
#include <string>

#include "middleware/api/ServerLib.h"
#include "middleware/common/scoped_win32.h"

namespace tessel::ctl {

using win32::ComPtr;
using win32::TaskMemory;

inline constexpr unsigned short kWiredProduct = 0x13;
inline constexpr unsigned short kWirelessProduct = 0x14;

// A task-allocator string as UTF-8; the string is freed.
std::string takeTaskString(LPWSTR text);

// An automation string owned by its holder.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const std::wstring& text);
    ~Bstr() { SysFreeString(text_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    BSTR get() const { return text_; }
    BSTR* out() { return &text_; }
    std::string utf8() const;

private:
    BSTR text_ = nullptr;
};

class Middleware {
public:
    // Opens the device type object for `productId`. With `requireMouse`, a mouse that cannot be
    // found is a failure; without, the settings store (which needs only the product) still works.
    Middleware(unsigned short productId, bool requireMouse);
    ~Middleware();
    Middleware(const Middleware&) = delete;
    Middleware& operator=(const Middleware&) = delete;

    unsigned short productId() const { return productId_; }
    // "KavixControl_0013": the root of the settings store and of its XML files.
    std::wstring deviceKeyName() const;

    IDeviceEnumeration& enumeration() { return *enumeration_.Get(); }
    IDeviceType& device() { return *device_.Get(); }

    // The feature objects of the device type object, by its creation operations.
    template <class T>
    ComPtr<T> create(HRESULT (STDMETHODCALLTYPE IDeviceType::*creation)(T**), const std::string& what) {
        ComPtr<T> object;
        checkCreated((device_.Get()->*creation)(object.GetAddressOf()), what);
        return object;
    }

    // The onboard profiles and macros.
    IHalden& halden();
    ComPtr<IHaldenProfileManager> profileManager();
    ComPtr<IHaldenMacroManager> macroManager();
    // Onboard profile `number`, or the active one.
    ComPtr<IHaldenProfile> profile(std::optional<long> number);
    long activeProfileNumber();
    // The IDpi or ILedStatus object of a profile.
    template <class T>
    ComPtr<T> profileFeature(IHaldenProfile& profile, REFIID iid, const std::string& what) {
        ComPtr<IUnknown> object;
        checkCreated(profile.CreateInterfaceInstance(iid, object.GetAddressOf()), what);
        ComPtr<T> feature;
        checkCreated(object.As(&feature), what);
        return feature;
    }

private:
    static void checkCreated(HRESULT status, const std::string& what);

    win32::Apartment apartment_;  // single-threaded, as the client programs run
    unsigned short productId_;
    ComPtr<IDeviceEnumeration> enumeration_;
    ComPtr<IDeviceType> device_;
    ComPtr<IHalden> halden_;
};

// A profile number as the user gives it: 1-5, or "active".
std::optional<long> parseProfileNumber(const std::string& text);

}  // namespace tessel::ctl
