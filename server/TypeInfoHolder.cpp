// Type information of one dual interface, loaded on first use.
#include "TypeInfoHolder.h"

#include <new>

#include "Registrar.h"
#include "ServerModule.h"
#include "common/ComPtr.h"

namespace parcelon {

HRESULT TypeInfoHolder::EnsureTypeInfo(LCID lcid) {
    if (info_) return S_OK;
    HRESULT hr;
    {
        CriticalSectionLock lock(serverModule.typeInfoLock());
        hr = info_ ? S_OK : Load(lcid);
        // Listed once: a library that stays unregistered must not grow the list call by call.
        if (cleanupListed_) return hr;
        cleanupListed_ = true;
    }
    serverModule.AddTermFunc(&TypeInfoHolder::Cleanup, reinterpret_cast<DWORD_PTR>(this));
    return hr;
}

// The module's own library, from its resource, when its registration is missing or broken
// (a damaged install, or another bitness's install over it): the host finds the ribbon's
// callbacks by name through it, and without it the button would do nothing.
HRESULT TypeInfoHolder::LoadFromModule(ITypeLib** library) const {
    if (!IsEqualGUID(libid_, serverModule.libid()) || !serverModule.instance()) return TYPE_E_LIBNOTREGISTERED;
    ComPtr<ITypeLib> loaded;
    HRESULT hr = LoadTypeLibEx(ModulePath(serverModule.instance()).c_str(), REGKIND_NONE, loaded.put());
    if (FAILED(hr)) return hr;
    TLIBATTR* attributes = nullptr;
    if (FAILED(loaded->GetLibAttr(&attributes))) return TYPE_E_LIBNOTREGISTERED;
    bool same = IsEqualGUID(attributes->guid, libid_) && attributes->wMajorVerNum == major_;
    loaded->ReleaseTLibAttr(attributes);
    if (!same) return TYPE_E_LIBNOTREGISTERED;
    *library = loaded.detach();
    return S_OK;
}

HRESULT TypeInfoHolder::Load(LCID lcid) {
    ComPtr<ITypeLib> library;
    HRESULT hr = LoadRegTypeLib(libid_, major_, minor_, lcid, library.put());
    if (FAILED(hr) && SUCCEEDED(LoadFromModule(library.put()))) hr = S_OK;
    if (FAILED(hr)) return hr;
    ComPtr<ITypeInfo> info;
    hr = library->GetTypeInfoOfGuid(iid_, info.put());
    if (FAILED(hr)) return hr;
    ComPtr<ITypeInfo> kept = info.query<ITypeInfo>(IID_ITypeInfo2);
    if (!kept) kept = info;
    BuildNameCache(kept.get());
    info_ = kept.detach();
    return S_OK;
}

void TypeInfoHolder::BuildNameCache(ITypeInfo* info) {
    TYPEATTR* attributes = nullptr;
    if (FAILED(info->GetTypeAttr(&attributes))) return;
    int count = attributes->cFuncs;
    info->ReleaseTypeAttr(attributes);
    names_ = new (std::nothrow) NameEntry[count > 0 ? count : 1];
    if (!names_) return;
    nameCount_ = 0;
    for (int i = 0; i < count; ++i) {
        FUNCDESC* function = nullptr;
        if (FAILED(info->GetFuncDesc(i, &function))) continue;
        BSTR name = nullptr;
        if (SUCCEEDED(info->GetDocumentation(function->memid, &name, nullptr, nullptr, nullptr)) && name)
            names_[nameCount_++] = {name, SysStringLen(name), function->memid};
        info->ReleaseFuncDesc(function);
    }
}

void TypeInfoHolder::Clear() {
    if (info_) info_->Release();
    info_ = nullptr;
    for (int i = 0; i < nameCount_; ++i) SysFreeString(names_[i].name);
    delete[] names_;
    names_ = nullptr;
    nameCount_ = 0;
}

void TypeInfoHolder::Cleanup(DWORD_PTR holder) {
    auto* self = reinterpret_cast<TypeInfoHolder*>(holder);
    self->Clear();
    self->cleanupListed_ = false;
}

HRESULT TypeInfoHolder::GetTypeInfo(UINT, LCID lcid, ITypeInfo** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    HRESULT hr = EnsureTypeInfo(lcid);
    if (FAILED(hr)) return hr;
    info_->AddRef();
    *out = info_;
    return S_OK;
}

HRESULT TypeInfoHolder::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) {
    HRESULT hr = EnsureTypeInfo(lcid);
    if (FAILED(hr)) return hr;
    if (!names || !ids) return E_POINTER;
    for (UINT i = 0; i < count; ++i) {
        if (!names[i]) return E_POINTER;
        UINT length = static_cast<UINT>(lstrlenW(names[i]));
        int found = nameCount_ - 1;
        for (; found >= 0; --found) {
            const NameEntry& entry = names_[found];
            if (entry.length == length && memcmp(entry.name, names[i], length * sizeof(WCHAR)) == 0) break;
        }
        if (found >= 0) {
            ids[i] = names_[found].id;
            continue;
        }
        hr = info_->GetIDsOfNames(names, count, ids);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT TypeInfoHolder::Invoke(IDispatch* self, DISPID id, REFIID, LCID lcid, WORD flags, DISPPARAMS* params,
                               VARIANT* result, EXCEPINFO* exception, UINT* badArgument) {
    HRESULT hr = EnsureTypeInfo(lcid);
    if (FAILED(hr)) return hr;
    return info_->Invoke(self, id, flags, params, result, exception, badArgument);
}

}  // namespace parcelon
