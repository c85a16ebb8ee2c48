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

}  // namespace standin
