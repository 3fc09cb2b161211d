// Benchmarks run from the build tree: they register the server they measure from where it was
// built, as regsvr32 would.
#pragma once

#include <windows.h>

inline bool registerServerFrom(const wchar_t* serverPath) {
    HMODULE server = LoadLibraryW(serverPath);
    if (!server) return false;
    auto registerIt = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(server, "DllRegisterServer")));
    const bool registered = registerIt && SUCCEEDED(registerIt());
    FreeLibrary(server);
    return registered;
}
