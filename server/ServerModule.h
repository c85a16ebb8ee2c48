// The module record of the COM server: instance, class table, lock count, the two
// critical sections and the termination list.
#pragma once

#include <unknwn.h>
#include <windows.h>
#include <vector>

#include "Registrar.h"

namespace parcelon {

using ClassObjectCreator = HRESULT (*)(REFIID iid, void** out);
using UpdateRegistryFunction = HRESULT (*)(RegistrationScope scope, bool registering);

// One row of the class table; the table ends with a row whose class id is null.
struct ObjectMapEntry {
    const CLSID* classId;
    UpdateRegistryFunction updateRegistry;
    ClassObjectCreator createClassObject;
    IUnknown* cachedClassObject;  // set once the class object was first asked for
    DWORD classObjectCookie;      // stays 0: an in-process server registers no class objects
};

class ServerModule {
public:
    using TermFunction = void (*)(DWORD_PTR argument);

    void Init(HINSTANCE instance, ObjectMapEntry* classTable, const GUID& libid);
    // Runs the termination list, releases the cached class objects, frees the locks.
    void Term();

    LONG Lock() { return InterlockedIncrement(&lockCount_); }
    LONG Unlock() { return InterlockedDecrement(&lockCount_); }
    LONG lockCount() const { return lockCount_; }

    HRESULT GetClassObject(REFCLSID classId, REFIID iid, void** out);
    // Every row's registry script, then the type library of the module: for the machine,
    // or for the current user when the machine's classes may not be written.
    HRESULT RegisterServer();
    // Removes what there is of either registration.
    HRESULT UnregisterServer();
    void AddTermFunc(TermFunction function, DWORD_PTR argument);

    HINSTANCE instance() const { return instance_; }
    ObjectMapEntry* classTable() const { return classTable_; }
    const GUID& libid() const { return libid_; }
    CRITICAL_SECTION& typeInfoLock() { return typeInfoLock_; }
    CRITICAL_SECTION& classObjectLock() { return classObjectLock_; }

private:
    HRESULT UpdateRegistration(RegistrationScope scope, bool registering);

    struct TermEntry {
        TermFunction function;
        DWORD_PTR argument;
    };

    HINSTANCE instance_ = nullptr;
    ObjectMapEntry* classTable_ = nullptr;
    LONG lockCount_ = 0;
    GUID libid_ = {};
    CRITICAL_SECTION typeInfoLock_ = {};
    CRITICAL_SECTION classObjectLock_ = {};
    CRITICAL_SECTION termListLock_ = {};
    std::vector<TermEntry> termList_;
    bool initialised_ = false;
};

extern ServerModule serverModule;

// Holds the critical section for the length of a scope.
class CriticalSectionLock {
public:
    explicit CriticalSectionLock(CRITICAL_SECTION& section) : section_(section) { EnterCriticalSection(&section_); }
    ~CriticalSectionLock() { LeaveCriticalSection(&section_); }
    CriticalSectionLock(const CriticalSectionLock&) = delete;
    CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

private:
    CRITICAL_SECTION& section_;
};

}  // namespace parcelon
