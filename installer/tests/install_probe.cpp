// install_probe: what the installer test asks the installed system, through the real
// component runtime and shell.
//   install_probe create PROGID   creates the class by ProgID; prints the file of the module
//                                 that serves the object
//   install_probe shortcut LINK   prints the target of a shell link
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

#include "middleware/api/ServerLib.h"

namespace {

struct Apartment {
    HRESULT status = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ~Apartment() { if (SUCCEEDED(status)) CoUninitialize(); }
};

int failed(const wchar_t* what, HRESULT status) {
    fwprintf(stderr, L"install_probe: %ls: 0x%08lX\n", what, static_cast<unsigned long>(status));
    return 1;
}

int create(const wchar_t* progId) {
    CLSID clsid{};
    if (HRESULT status = CLSIDFromProgID(progId, &clsid); FAILED(status)) return failed(L"CLSIDFromProgID", status);
    IDeviceEnumeration* enumeration = nullptr;
    if (HRESULT status = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDeviceEnumeration,
                                          reinterpret_cast<void**>(&enumeration));
        FAILED(status))
        return failed(L"CoCreateInstance", status);
    // The module the runtime loaded for the object, found by an address inside it: the vtable.
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(*reinterpret_cast<void**>(enumeration)), &module);
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(module, path, MAX_PATH);
    enumeration->Release();
    wprintf(L"%ls\n", path);
    return path[0] ? 0 : 1;
}

int shortcut(const wchar_t* link) {
    IShellLinkW* shellLink = nullptr;
    if (HRESULT status = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                          reinterpret_cast<void**>(&shellLink));
        FAILED(status))
        return failed(L"ShellLink", status);
    IPersistFile* file = nullptr;
    HRESULT status = shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(status)) {
        status = file->Load(link, STGM_READ);
        file->Release();
    }
    wchar_t target[MAX_PATH] = L"";
    if (SUCCEEDED(status)) status = shellLink->GetPath(target, MAX_PATH, nullptr, 0);
    shellLink->Release();
    if (FAILED(status) || !target[0]) return failed(L"reading the link", status);
    wprintf(L"%ls\n", target);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Apartment apartment;
    if (FAILED(apartment.status)) return failed(L"CoInitializeEx", apartment.status);
    if (argc == 3 && std::wstring(argv[1]) == L"create") return create(argv[2]);
    if (argc == 3 && std::wstring(argv[1]) == L"shortcut") return shortcut(argv[2]);
    fwprintf(stderr, L"usage: install_probe create PROGID | shortcut LINK\n");
    return 2;
}
