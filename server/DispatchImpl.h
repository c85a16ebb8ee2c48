// IDispatch of one dual interface of a COM class, served by its TypeInfoHolder. Each dual
// interface of a class gets its own, so that the two IDispatch tables stay apart.
#pragma once

#include "TypeInfoHolder.h"

namespace parcelon {

template <class Interface, TypeInfoHolder& Holder>
class DispatchImpl : public Interface {
public:
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) override {
        return Holder.GetTypeInfo(index, lcid, out);
    }
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override {
        return Holder.GetIDsOfNames(iid, names, count, lcid, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* badArgument) override {
        return Holder.Invoke(static_cast<Interface*>(this), id, iid, lcid, flags, params, result, exception,
                             badArgument);
    }
};

}  // namespace parcelon
