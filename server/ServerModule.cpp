// The module record of the COM server.
#include "ServerModule.h"

namespace parcelon {

ServerModule serverModule;

void ServerModule::Init(HINSTANCE instance, ObjectMapEntry* classTable, const GUID& libid) {
    instance_ = instance;
    classTable_ = classTable;
    libid_ = libid;
    if (initialised_) return;
    InitializeCriticalSection(&typeInfoLock_);
    InitializeCriticalSection(&classObjectLock_);
    InitializeCriticalSection(&termListLock_);
    initialised_ = true;
}

void ServerModule::Term() {
    if (!initialised_) return;
    std::vector<TermEntry> entries;
    {
        CriticalSectionLock lock(termListLock_);
        entries.swap(termList_);
    }
    for (const TermEntry& entry : entries) entry.function(entry.argument);
    for (ObjectMapEntry* row = classTable_; row && row->classId; ++row) {
        if (IUnknown* cached = row->cachedClassObject) {
            row->cachedClassObject = nullptr;
            cached->Release();
        }
    }
    DeleteCriticalSection(&termListLock_);
    DeleteCriticalSection(&classObjectLock_);
    DeleteCriticalSection(&typeInfoLock_);
    initialised_ = false;
}

HRESULT ServerModule::GetClassObject(REFCLSID classId, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    for (ObjectMapEntry* row = classTable_; row && row->classId; ++row) {
        if (!IsEqualCLSID(*row->classId, classId)) continue;
        IUnknown* cached = nullptr;
        {
            CriticalSectionLock lock(classObjectLock_);
            if (!row->cachedClassObject) {
                HRESULT hr = row->createClassObject(IID_IUnknown, reinterpret_cast<void**>(&row->cachedClassObject));
                if (FAILED(hr)) return hr;
            }
            cached = row->cachedClassObject;
        }
        return cached->QueryInterface(iid, out);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT ServerModule::UpdateRegistration(RegistrationScope scope, bool registering) {
    for (ObjectMapEntry* row = classTable_; row && row->classId; ++row) {
        HRESULT hr = row->updateRegistry(scope, registering);
        if (FAILED(hr)) return hr;
    }
    return UpdateTypeLibrary(instance_, scope, registering);
}

HRESULT ServerModule::RegisterServer() {
    HRESULT hr = UpdateRegistration(RegistrationScope::Machine, true);
    // A standard user: the server is registered for this user alone, with no administrator.
    if (hr == E_ACCESSDENIED) hr = UpdateRegistration(RegistrationScope::User, true);
    return hr;
}

HRESULT ServerModule::UnregisterServer() {
    HRESULT user = UpdateRegistration(RegistrationScope::User, false);
    // Fails only where a machine registration exists that this user may not remove.
    HRESULT machine = UpdateRegistration(RegistrationScope::Machine, false);
    return FAILED(user) ? user : machine;
}

void ServerModule::AddTermFunc(TermFunction function, DWORD_PTR argument) {
    CriticalSectionLock lock(termListLock_);
    termList_.push_back({function, argument});
}

}  // namespace parcelon
