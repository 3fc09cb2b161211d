// Self-registration: the application identity, the class with its ProgIDs, the proxy/stub class,
// the type library and the marshaling of each interface. The entries are tables below (the one
// source of these keys, the installer's too); the replacement keys in them are filled in at run
// time.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <utility>
#include <vector>

#include "middleware/api/ServerLib.h"
#include "middleware/api/client_memory.h"
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
    // The proxy/stub code of the interfaces, for clients in other apartments.
    {L"CLSID\\%PROXY%", nullptr, L"KavixMiddlewareServer proxy/stub", Lifetime::recreated},
    {L"CLSID\\%PROXY%\\InprocServer32", nullptr, L"%MODULE%", Lifetime::removed},
    {L"CLSID\\%PROXY%\\InprocServer32", L"ThreadingModel", L"Both", Lifetime::removed},
};

// Each interface of the type library with its marshaler (%MARSHALER%): the server's own
// proxy/stub class where its generated code covers the interface, else the automation runtime's
// type-library marshaler. That one finds the library under the neutral locale, beside the
// registration of its own locale (0x409) that RegisterTypeLib writes.
const RegistryEntry kMarshalingEntries[] = {
    {L"TypeLib\\%LIBID%\\1.0\\0", nullptr, nullptr, Lifetime::removed},
    {L"TypeLib\\%LIBID%\\1.0\\0\\win64", nullptr, L"%MODULE%", Lifetime::removed},
};
const RegistryEntry kInterfaceEntries[] = {
    {L"Interface", nullptr, nullptr, Lifetime::kept},
    {L"Interface\\%IID%", nullptr, L"%NAME%", Lifetime::recreated},
    {L"Interface\\%IID%\\ProxyStubClsid32", nullptr, L"%MARSHALER%", Lifetime::removed},
    {L"Interface\\%IID%\\TypeLib", nullptr, L"%LIBID%", Lifetime::removed},
    {L"Interface\\%IID%\\TypeLib", L"Version", L"1.0", Lifetime::removed},
};

// The automation runtime's type-library marshaler.
constexpr GUID kTypeLibMarshaler = {0x00020424, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Interfaces that the generated code covers but that keep the type-library marshaler:
// IHaldenProfile's mappings are the mouse's, whose macro and key mappings hold an action where
// the record's marshaling (made for the stored profiles of IProfile) carries a name slot.
const GUID* const kTypeLibMarshaled[] = {&IID_IHaldenProfile};

GUID marshalerOf(const GUID& iid) {
    for (const GUID* kept : kTypeLibMarshaled)
        if (*kept == iid) return kTypeLibMarshaler;
    return hasProxy(iid) ? CLSID_KavixMiddlewareProxy : kTypeLibMarshaler;
}

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
            {L"%PROXY%", guidText(CLSID_KavixMiddlewareProxy)},
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
    // The help folder is the module's, ending in a separator: the installer's registry rows can
    // name a folder only that way, and they must write what registration writes.
    std::wstring helpFolder = path.substr(0, path.find_last_of(L'\\') + 1);
    return RegisterTypeLib(library.Get(), path.data(), helpFolder.data());
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

// Runs `each(values)` for every interface of the type library, with %IID%, %NAME% and %MARSHALER% added to
// `values`; stops at the first failure.
template <class Each>
HRESULT forEachInterface(const Replacements& values, Each&& each) {
    ComPtr<ITypeLib> library;
    if (HRESULT status = loadServerTypeLib(library); FAILED(status)) return status;
    for (UINT i = 0, count = library->GetTypeInfoCount(); i < count; ++i) {
        TYPEKIND kind{};
        if (FAILED(library->GetTypeInfoType(i, &kind)) || kind != TKIND_INTERFACE) continue;
        ComPtr<ITypeInfo> info;
        if (HRESULT status = library->GetTypeInfo(i, info.GetAddressOf()); FAILED(status)) return status;
        TYPEATTR* attributes = nullptr;
        if (HRESULT status = info->GetTypeAttr(&attributes); FAILED(status)) return status;
        const GUID iid = attributes->guid;
        info->ReleaseTypeAttr(attributes);
        BSTR name = nullptr;
        if (HRESULT status = library->GetDocumentation(static_cast<INT>(i), &name, nullptr, nullptr, nullptr); FAILED(status))
            return status;
        const BstrOwner owned(name);
        Replacements more = values;
        more.emplace_back(L"%IID%", guidText(iid));
        more.emplace_back(L"%NAME%", name ? name : L"");
        more.emplace_back(L"%MARSHALER%", guidText(marshalerOf(iid)));
        if (HRESULT status = each(more); FAILED(status)) return status;
    }
    return S_OK;
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
        if (HRESULT status = registerTypeLib(); FAILED(status)) return status;
        if (HRESULT status = writeEntries(kMarshalingEntries, values); FAILED(status)) return status;
        return forEachInterface(values, [](const Replacements& each) { return writeEntries(kInterfaceEntries, each); });
    });
}

STDAPI DllUnregisterServer() {
    return withSystemLocale([] {
        const Replacements values = replacements();
        HRESULT result = forEachInterface(values, [](const Replacements& each) { return removeEntries(kInterfaceEntries, each); });
        if (HRESULT status = removeEntries(kMarshalingEntries, values); FAILED(status) && SUCCEEDED(result)) result = status;
        if (HRESULT status = removeEntries(kClassEntries, values); FAILED(status) && SUCCEEDED(result)) result = status;
        if (HRESULT status = unregisterTypeLib(); FAILED(status) && SUCCEEDED(result)) result = status;
        if (HRESULT status = removeEntries(kAppIdEntries, values); FAILED(status) && SUCCEEDED(result)) result = status;
        return result;
    });
}
