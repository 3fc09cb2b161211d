#pragma once
/* The server's proxy/stub class (proxy_stub.c), seen from the server module. */
#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The class object of the proxy/stub class `proxyClass`. */
HRESULT proxyStubGetClassObject(const CLSID* proxyClass, REFIID iid, void** object);
/* S_OK while no proxy or stub made by it is alive. */
HRESULT proxyStubCanUnloadNow(void);
/* Whether the generated code covers the interface. */
BOOL proxyStubCovers(REFIID iid);

#ifdef __cplusplus
}
#endif
