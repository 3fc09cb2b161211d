// Self-registration: the application identity, the class with its ProgIDs, and the type
// library. The entries are tables below; the replacement keys in them are filled in at run time.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <utility>
#include <vector>

#include "middleware/api/ServerLib.h"
#include "middleware/api/server_module.h"

namespace tessel::com {
namespace {

// What happens to a key on registration and unregistration.
enum class Lifetime {
    kept,       // shared parent: created when missing, never removed
    removed,    // created on registration, removed on unregistration
    recreated,  // removed and created anew on registration, removed on unregistration
};

// One key under HKEY_CLASSES_ROOT and, optionally, one string value in it.
struct RegistryEntry {
    const wchar_t* key;
    const wchar_t* valueName;  // null: the key's default value
    const wchar_t* data;       // null: the key alone
    Lifetime lifetime;
};

// The application identity.
const RegistryEntry kAppIdEntries[] = {
    {L"AppID", nullptr, nullptr, Lifetime::kept},
    {L"AppID\\%APPID%", nullptr, L"%PROJECT%", Lifetime::removed},
    {L"AppID\\KavixMiddlewareServer.DLL", nullptr, nullptr, Lifetime::removed},
    {L"AppID\\KavixMiddlewareServer.DLL", L"AppID", L"%APPID%", Lifetime::removed},
};

// The class, its ProgIDs and where it lives.
const RegistryEntry kClassEntries[] = {
    {L"Server.DeviceEnumeration.1", nullptr, L"DeviceEnumeration Class", Lifetime::removed},
    {L"Server.DeviceEnumeration.1\\CLSID", nullptr, L"%CLSID%", Lifetime::removed},
    {L"Server.DeviceEnumeration", nullptr, L"DeviceEnumeration Class", Lifetime::removed},
    {L"Server.DeviceEnumeration\\CLSID", nullptr, L"%CLSID%", Lifetime::removed},
    {L"Server.DeviceEnumeration\\CurVer", nullptr, L"Server.DeviceEnumeration.1", Lifetime::removed},
    {L"CLSID", nullptr, nullptr, Lifetime::kept},
    {L"CLSID\\%CLSID%", nullptr, L"DeviceEnumeration Class", Lifetime::recreated},
    {L"CLSID\\%CLSID%\\ProgID", nullptr, L"Server.DeviceEnumeration.1", Lifetime::removed},
    {L"CLSID\\%CLSID%\\VersionIndependentProgID", nullptr, L"Server.DeviceEnumeration", Lifetime::removed},
    {L"CLSID\\%CLSID%\\Programmable", nullptr, nullptr, Lifetime::recreated},
    {L"CLSID\\%CLSID%\\InprocServer32", nullptr, L"%MODULE%", Lifetime::removed},
    {L"CLSID\\%CLSID%\\InprocServer32", L"ThreadingModel", L"Apartment", Lifetime::removed},
    {L"CLSID\\%CLSID%", L"AppID", L"%APPID%", Lifetime::removed},
    {L"CLSID\\%CLSID%\\TypeLib", nullptr, L"%LIBID%", Lifetime::removed},
};

constexpr UINT kProjectNameResource = 100;

std::wstring guidText(const GUID& guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

std::wstring projectName() {
    const wchar_t* text = nullptr;
    const int length = LoadStringW(moduleHandle(), kProjectNameResource, reinterpret_cast<wchar_t*>(&text), 0);
    return length > 0 ? std::wstring(text, length) : std::wstring();
}

using Replacements = std::vector<std::pair<std::wstring, std::wstring>>;

Replacements replacements() {
    return {{L"%APPID%", guidText(APPID_KavixMiddlewareServer)},
            {L"%CLSID%", guidText(CLSID_DeviceEnumeration)},
            {L"%LIBID%", guidText(LIBID_ServerLib)},
            {L"%MODULE%", modulePath()},
            {L"%PROJECT%", projectName()}};
}

std::wstring expand(const wchar_t* text, const Replacements& values) {
    std::wstring result(text);
    for (const auto& [key, value] : values)
        for (size_t at = result.find(key); at != std::wstring::npos; at = result.find(key, at + value.size()))
            result.replace(at, key.size(), value);
    return result;
}

HRESULT deleteTree(const std::wstring& key) {
    const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(status);
}

template <size_t N>
HRESULT writeEntries(const RegistryEntry (&entries)[N], const Replacements& values) {
    for (const RegistryEntry& entry : entries) {
        const std::wstring key = expand(entry.key, values);
        if (entry.lifetime == Lifetime::recreated && !entry.valueName)
            if (HRESULT status = deleteTree(key); FAILED(status)) return status;
        HKEY opened = nullptr;
        LSTATUS status = RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                         &opened, nullptr);
        if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
        if (entry.data) {
            const std::wstring data = expand(entry.data, values);
            status = RegSetValueExW(opened, entry.valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                    static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
        }
        RegCloseKey(opened);
        if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    }
    return S_OK;
}

// Removes the keys the entries own, innermost first; missing keys are fine.
template <size_t N>
HRESULT removeEntries(const RegistryEntry (&entries)[N], const Replacements& values) {
    HRESULT result = S_OK;
    for (size_t i = N; i-- > 0;) {
        const RegistryEntry& entry = entries[i];
        if (entry.lifetime == Lifetime::kept || entry.valueName) continue;
        if (HRESULT status = deleteTree(expand(entry.key, values)); FAILED(status) && SUCCEEDED(result))
            result = status;
    }
    return result;
}

HRESULT registerTypeLib() {
    ComPtr<ITypeLib> library;
    if (HRESULT status = loadServerTypeLib(library); FAILED(status)) return status;
    std::wstring path = modulePath();
    return RegisterTypeLib(library.Get(), path.data(), nullptr);
}

HRESULT unregisterTypeLib() {
    ComPtr<ITypeLib> library;
    if (HRESULT status = loadServerTypeLib(library); FAILED(status)) return status;
    TLIBATTR* attributes = nullptr;
    if (HRESULT status = library->GetLibAttr(&attributes); FAILED(status)) return status;
    const TLIBATTR registered = *attributes;
    library->ReleaseTLibAttr(attributes);
    // Not registered is what unregistration wants.
    BSTR path = nullptr;
    if (FAILED(QueryPathOfRegTypeLib(registered.guid, registered.wMajorVerNum, registered.wMinorVerNum,
                                     registered.lcid, &path)))
        return S_OK;
    SysFreeString(path);
    return UnRegisterTypeLib(registered.guid, registered.wMajorVerNum, registered.wMinorVerNum, registered.lcid,
                             registered.syskind);
}

// Runs `work` with the thread locale set to the system default, then restores it.
template <class Work>
HRESULT withSystemLocale(Work&& work) {
    const LCID saved = GetThreadLocale();
    SetThreadLocale(LOCALE_SYSTEM_DEFAULT);
    const HRESULT status = work();
    SetThreadLocale(saved);
    return status;
}

}  // namespace
}  // namespace tessel::com

using namespace tessel::com;

STDAPI DllRegisterServer() {
    return withSystemLocale([] {
        const Replacements values = replacements();
        if (HRESULT status = writeEntries(kAppIdEntries, values); FAILED(status)) return status;
        if (HRESULT status = writeEntries(kClassEntries, values); FAILED(status)) return status;
        return registerTypeLib();
    });
}

STDAPI DllUnregisterServer() {
    return withSystemLocale([] {
        const Replacements values = replacements();
        HRESULT result = removeEntries(kClassEntries, values);
        if (HRESULT status = unregisterTypeLib(); FAILED(status) && SUCCEEDED(result)) result = status;
        if (HRESULT status = removeEntries(kAppIdEntries, values); FAILED(status) && SUCCEEDED(result)) result = status;
        return result;
    });
}
