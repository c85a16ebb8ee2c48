// The four exports of Parcelon.dll.
#include <objbase.h>

#include "ServerModule.h"

using parcelon::serverModule;

STDAPI DllCanUnloadNow() { return serverModule.lockCount() == 0 ? S_OK : S_FALSE; }

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, LPVOID* out) {
    try {
        return serverModule.GetClassObject(classId, iid, out);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

STDAPI DllRegisterServer() {
    try {
        return serverModule.RegisterServer();
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

STDAPI DllUnregisterServer() {
    try {
        return serverModule.UnregisterServer();
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}
