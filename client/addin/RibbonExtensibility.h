// IDispatch of IRibbonExtensibility. The host calls GetCustomUI through the vtable; its
// one member is also answered by name here, since the interface's type library is the
// host's own and not on every machine.
#pragma once

#include "RibbonInterfaces.h"

namespace parcelon {

class RibbonExtensibilityDispatch : public IRibbonExtensibility {
public:
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT* badArgument) override;
};

}  // namespace parcelon
