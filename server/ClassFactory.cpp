// The class object of a COM class.
#include "ClassFactory.h"

#include <new>

#include "ServerModule.h"

namespace parcelon {

HRESULT ClassFactory::CreateFor(InstanceCreator creator, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    auto* factory = new (std::nothrow) ClassFactory(creator);
    if (!factory) return E_OUTOFMEMORY;
    HRESULT hr = factory->QueryInterface(iid, out);
    factory->Release();  // the caller's reference, if any, is all that is left
    return hr;
}

STDMETHODIMP ClassFactory::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

// The module is locked while the count is above the one reference of the class table.
STDMETHODIMP_(ULONG) ClassFactory::AddRef() {
    CriticalSectionLock lock(serverModule.classObjectLock());
    LONG refs = InterlockedIncrement(&refs_);
    if (refs == 2) serverModule.Lock();
    return refs;
}

STDMETHODIMP_(ULONG) ClassFactory::Release() {
    LONG refs;
    {
        CriticalSectionLock lock(serverModule.classObjectLock());
        refs = InterlockedDecrement(&refs_);
    }
    if (refs == 0) delete this;
    if (refs == 1) serverModule.Unlock();
    return refs;
}

STDMETHODIMP ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer && iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
    return creator_(outer, iid, out);
}

STDMETHODIMP ClassFactory::LockServer(BOOL lock) {
    if (lock)
        serverModule.Lock();
    else
        serverModule.Unlock();
    return S_OK;
}

}  // namespace parcelon
