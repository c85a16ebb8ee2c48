// Type information of one dual interface, loaded from its registered type library on
// first use (the module's own library also from its resource) and kept, with a cache of
// its member names, until module termination.
#pragma once

#include <oaidl.h>

namespace parcelon {

class TypeInfoHolder {
public:
    TypeInfoHolder(const IID& iid, const GUID& libid, WORD major, WORD minor)
        : iid_(iid), libid_(libid), major_(major), minor_(minor) {}
    TypeInfoHolder(const TypeInfoHolder&) = delete;
    TypeInfoHolder& operator=(const TypeInfoHolder&) = delete;

    HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out);
    HRESULT GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids);
    HRESULT Invoke(IDispatch* self, DISPID id, REFIID, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* exception, UINT* badArgument);

    // Releases the information and the names; on the module's termination list.
    static void Cleanup(DWORD_PTR holder);

private:
    struct NameEntry {
        BSTR name;
        UINT length;
        DISPID id;
    };

    HRESULT EnsureTypeInfo(LCID lcid);
    HRESULT Load(LCID lcid);
    HRESULT LoadFromModule(ITypeLib** library) const;
    void BuildNameCache(ITypeInfo* info);
    void Clear();

    const IID& iid_;
    const GUID& libid_;
    WORD major_;
    WORD minor_;
    ITypeInfo* info_ = nullptr;  // ITypeInfo2 when the library offers it
    NameEntry* names_ = nullptr;
    int nameCount_ = 0;
    bool cleanupListed_ = false;
};

}  // namespace parcelon
