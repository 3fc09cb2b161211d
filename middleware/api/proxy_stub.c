/* The proxy/stub code widl generates from ServerLib.idl, for clients in other apartments. The
 * stubs are interpreted by rpcrt4 (widl -Oicf), which also catches what goes wrong while
 * marshaling: GCC has no structured exception handling of its own to do it in generated code. */
#define USE_STUBLESS_PROXY
#include <rpcproxy.h>

/* IUnknown's part of every proxy lives in rpcrt4; MinGW-w64's unknwnbase.h declares it for C++
 * only. */
HRESULT STDMETHODCALLTYPE IUnknown_QueryInterface_Proxy(IUnknown* This, REFIID riid, void** object);
ULONG STDMETHODCALLTYPE IUnknown_AddRef_Proxy(IUnknown* This);
ULONG STDMETHODCALLTYPE IUnknown_Release_Proxy(IUnknown* This);

#include "ServerLib_p.c"

#include "proxy_stub.h"

/* rpcrt4's class factory over the generated code. */
static CStdPSFactoryBuffer g_factory;
static const ProxyFileInfo* g_files[] = {(const ProxyFileInfo*)&ServerLib_ProxyFileInfo, NULL};
/* A stub's last release goes back to this factory (what a dlldata.c would define). */
CSTDSTUBBUFFERRELEASE(&g_factory)

HRESULT proxyStubGetClassObject(const CLSID* proxyClass, REFIID iid, void** object) {
    return NdrDllGetClassObject(proxyClass, iid, object, g_files, proxyClass, &g_factory);
}

HRESULT proxyStubCanUnloadNow(void) { return NdrDllCanUnloadNow(&g_factory); }

BOOL proxyStubCovers(REFIID iid) {
    int index = 0;
    return ServerLib_ProxyFileInfo.pIIDLookupRtn(iid, &index) ? TRUE : FALSE;
}
