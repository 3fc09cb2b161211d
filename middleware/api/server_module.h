#pragma once
// The server DLL itself: its handle, its path and its embedded type library.
#include <windows.h>
#include <oaidl.h>

#include <string>

#include "middleware/api/com_object.h"

namespace tessel::com {

HMODULE moduleHandle();
// Full path of the DLL, as the registry names it.
std::wstring modulePath();
// The type library resource (TYPELIB 1) of the DLL, without registering it.
HRESULT loadServerTypeLib(ComPtr<ITypeLib>& library);
// Whether the DLL's proxy/stub code covers the interface.
bool hasProxy(REFIID iid);

}  // namespace tessel::com
