// Entry points of the in-process server: the class factory for its creatable classes, the
// proxy/stub class for clients in other apartments, and the unload check. Registration is in
// registration.cpp.
#include "middleware/api/server_module.h"


#include "middleware/api/ServerLib.h"
#include "middleware/api/proxy_stub.h"
#include "middleware/api/server_objects.h"
#include "middleware/api/system_ports.h"

namespace tessel::com {
namespace {

HMODULE g_module = nullptr;

using CreateFunction = HRESULT (*)(IUnknown* outer, REFIID iid, void** object);

struct CreatableClass {
    const CLSID* clsid;
    CreateFunction create;
};

// The classes clients can create, each by its class GUID.
const CreatableClass kCreatableClasses[] = {
    {&CLSID_DeviceEnumeration, createDeviceEnumeration},
};

// One factory object per DllGetClassObject call, bound to one entry of the table.
class ClassFactory : public IClassFactory {
public:
    explicit ClassFactory(CreateFunction create) : create_(create) {}

    static const QITAB* interfaceTable() {
        static const QITAB table[] = {QITABENT(ClassFactory, IClassFactory), {}};
        return table;
    }

    IFACEMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        return guarded([&]() -> HRESULT {
            if (!object) return E_POINTER;
            *object = nullptr;
            return create_(outer, iid, object);
        });
    }
    IFACEMETHODIMP LockServer(BOOL lock) override {
        return guarded([&]() -> HRESULT {
            lock ? ModuleCount::lock() : ModuleCount::unlock();
            return S_OK;
        });
    }

private:
    CreateFunction create_;
};

}  // namespace

HMODULE moduleHandle() { return g_module; }

bool hasProxy(REFIID iid) { return proxyStubCovers(iid) != FALSE; }

std::wstring modulePath() { return modulePath(g_module); }

HRESULT loadServerTypeLib(ComPtr<ITypeLib>& library) {
    const std::wstring path = modulePath();
    if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
    return LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.ReleaseAndGetAddressOf());
}

}  // namespace tessel::com

using namespace tessel::com;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    for (const CreatableClass& entry : kCreatableClasses) {
        if (*entry.clsid != clsid) continue;
        auto factory = makeObject<ClassFactory>(entry.create);
        if (!factory) return E_OUTOFMEMORY;
        return factory->QueryInterface(iid, object);
    }
    if (clsid == CLSID_KavixMiddlewareProxy)
        return proxyStubGetClassObject(&CLSID_KavixMiddlewareProxy, iid, object);
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() {
    return ModuleCount::idle() && proxyStubCanUnloadNow() == S_OK ? S_OK : S_FALSE;
}
