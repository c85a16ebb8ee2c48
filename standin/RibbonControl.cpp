// The stand-in's ribbon control.
#include "RibbonControl.h"

#include "ResultValues.h"

namespace standin {

namespace {
// {000C0395-0000-0000-C000-000000000046}
constexpr IID IID_IRibbonControl = {0x000C0395, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr DISPID kId = 1, kContext = 2, kTag = 3;
}  // namespace

RibbonControl::RibbonControl(std::wstring id, std::wstring tag, IDispatch* context)
    : StandInObject(L"IRibbonControl", IID_IRibbonControl, {{L"Id", kId}, {L"Context", kContext}, {L"Tag", kTag}}),
      id_(std::move(id)),
      tag_(std::move(tag)),
      context_(context) {
    if (context_) context_->AddRef();
}

RibbonControl::~RibbonControl() {
    if (context_) context_->Release();
}

HRESULT RibbonControl::InvokeMember(DISPID id, WORD flags, const DISPPARAMS*, VARIANT* result) {
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    if (id == kId) return PutString(result, id_);
    if (id == kTag) return PutString(result, tag_);
    if (id != kContext) return DISP_E_MEMBERNOTFOUND;
    PutDispatch(result, context_);
    return S_OK;
}

HRESULT CallRibbonCallback(IDispatch* addin, const std::wstring& name, IDispatch* control, VARIANT* result) {
    if (!addin) return E_POINTER;
    DISPID id = DISPID_UNKNOWN;
    auto* names = const_cast<LPOLESTR>(name.c_str());
    HRESULT hr = addin->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    VARIANT argument;
    argument.vt = VT_DISPATCH;
    argument.pdispVal = control;
    DISPPARAMS params = {&argument, nullptr, 1, 0};
    EXCEPINFO exception = {};
    hr = addin->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result, &exception, nullptr);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    if (hr == DISP_E_EXCEPTION && FAILED(exception.scode)) hr = exception.scode;
    return hr;
}

}  // namespace standin
