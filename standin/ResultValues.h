// Makers of the result VARIANTs that stand-in members return.
#pragma once

#include <oaidl.h>
#include <string>

namespace standin {

inline void PutBool(VARIANT* out, bool value) {
    out->vt = VT_BOOL;
    out->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

// A new reference to `object`, or an empty object reference for none.
inline void PutDispatch(VARIANT* out, IDispatch* object) {
    out->vt = VT_DISPATCH;
    out->pdispVal = object;
    if (object) object->AddRef();
}

inline HRESULT PutString(VARIANT* out, const std::wstring& text) {
    out->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!out->bstrVal) return E_OUTOFMEMORY;
    out->vt = VT_BSTR;
    return S_OK;
}

}  // namespace standin
