// GetCustomUI reached by name.
#include "RibbonExtensibility.h"

namespace parcelon {

STDMETHODIMP RibbonExtensibilityDispatch::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP RibbonExtensibilityDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** out) {
    if (out) *out = nullptr;
    return DISP_E_BADINDEX;
}

STDMETHODIMP RibbonExtensibilityDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids) return E_POINTER;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    if (count == 0 || !names[0] || _wcsicmp(names[0], L"GetCustomUI") != 0) return DISP_E_UNKNOWNNAME;
    ids[0] = DISPID_GetCustomUI;
    return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;  // the member has no named arguments
}

STDMETHODIMP RibbonExtensibilityDispatch::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                                 VARIANT* result, EXCEPINFO*, UINT* badArgument) {
    if (id != DISPID_GetCustomUI) return DISP_E_MEMBERNOTFOUND;
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    if (!params || params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
    if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    VARIANT ribbonId;
    VariantInit(&ribbonId);
    HRESULT hr = VariantChangeType(&ribbonId, &params->rgvarg[0], 0, VT_BSTR);
    if (FAILED(hr)) {
        if (badArgument) *badArgument = 0;
        return DISP_E_TYPEMISMATCH;
    }
    BSTR markup = nullptr;
    hr = GetCustomUI(ribbonId.bstrVal, &markup);
    VariantClear(&ribbonId);
    if (FAILED(hr)) return hr;
    if (result) {
        VariantInit(result);
        result->vt = VT_BSTR;
        result->bstrVal = markup;
    } else {
        SysFreeString(markup);
    }
    return S_OK;
}

}  // namespace parcelon
