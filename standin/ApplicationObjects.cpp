// The stand-in's Application, its window collections and windows.
#include "ApplicationObjects.h"

#include "ResultValues.h"
#include "client/addin/HostInterfaces.h"

namespace standin {

namespace {
enum : DISPID {
    kCaption = 0x2111,
    kCount = 0x50,
    kExplorers = 0x2112,
    kInspectors = 0x2113,
    kVersion = 0x116,
    kActiveExplorer = 0x111,
    kSession = 0xF00B,
    kCreateItem = 0x10A,
    kActiveWindow = 0x114,
};
constexpr long olMailItem = 0;

}  // namespace

Window::Window(const wchar_t* interfaceName, const IID& iid, std::wstring caption)
    : StandInObject(interfaceName, iid, {{L"Caption", kCaption}}), caption_(std::move(caption)) {}

HRESULT Window::InvokeMember(DISPID id, WORD flags, const DISPPARAMS*, VARIANT* result) {
    if (id != kCaption || !(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    return PutString(result, caption_);
}

WindowCollection::WindowCollection(const wchar_t* interfaceName, const IID& eventIid, DISPID newWindowId)
    : EventSource(interfaceName, IID_IDispatch, {{L"Count", kCount}}, eventIid), newWindowId_(newWindowId) {}

HRESULT WindowCollection::InvokeMember(DISPID id, WORD flags, const DISPPARAMS*, VARIANT* result) {
    if (id != kCount || !(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    result->vt = VT_I4;
    result->lVal = announced_;
    return S_OK;
}

HRESULT WindowCollection::FireNewWindow(IDispatch* window, bool withResult) {
    ++announced_;
    return point().Fire(newWindowId_, window, withResult);
}

Explorers::Explorers() : WindowCollection(L"Explorers", parcelon::IID_ExplorersEvents, parcelon::DISPID_NewExplorer) {}

Inspectors::Inspectors()
    : WindowCollection(L"Inspectors", parcelon::IID_InspectorsEvents, parcelon::DISPID_NewInspector) {}

Application::Application()
    : EventSource(L"Application", parcelon::IID_OutlookApplication,
                  {{L"Explorers", kExplorers},
                   {L"Inspectors", kInspectors},
                   {L"Version", kVersion},
                   {L"ActiveExplorer", kActiveExplorer},
                   {L"ActiveWindow", kActiveWindow},
                   {L"Session", kSession},
                   {L"CreateItem", kCreateItem}},
                  parcelon::IID_ApplicationEvents11),
      explorers_(new Explorers),
      inspectors_(new Inspectors),
      activeExplorer_(new Explorer),
      session_(new Session) {}

Application::~Application() {
    session_->Release();
    activeExplorer_->Release();
    inspectors_->Release();
    explorers_->Release();
}

HRESULT Application::FireItemSend(IDispatch* item, bool& cancelled) {
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANT itemArgument, cancelArgument;
    VariantInit(&itemArgument);
    VariantInit(&cancelArgument);
    itemArgument.vt = VT_DISPATCH;
    itemArgument.pdispVal = item;
    cancelArgument.vt = VT_BOOL | VT_BYREF;
    cancelArgument.pboolVal = &cancel;
    HRESULT hr = point().FireWith(parcelon::DISPID_ItemSend, {itemArgument, cancelArgument}, false);
    cancelled = cancel != VARIANT_FALSE;
    return hr;
}

HRESULT Application::CreateItem(const DISPPARAMS* params, VARIANT* result) {
    const VARIANT* type = Argument(params, 0);
    VARIANT number;
    VariantInit(&number);
    if (!type || FAILED(VariantChangeType(&number, const_cast<VARIANT*>(type), 0, VT_I4))) return DISP_E_TYPEMISMATCH;
    if (number.lVal != olMailItem || !onNewMail) return E_INVALIDARG;
    auto* mail = new MailItem();
    mail->SetApplication(dispatch());
    onNewMail(*mail);
    PutDispatch(result, mail);
    mail->Release();
    return S_OK;
}

HRESULT Application::InvokeMember(DISPID id, WORD flags, const DISPPARAMS* params, VARIANT* result) {
    if (id == kCreateItem && (flags & DISPATCH_METHOD)) return CreateItem(params, result);
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    switch (id) {
        case kExplorers: PutDispatch(result, hasExplorers ? explorers_->dispatch() : nullptr); return S_OK;
        case kInspectors: PutDispatch(result, hasInspectors ? inspectors_->dispatch() : nullptr); return S_OK;
        case kVersion: return PutString(result, version);
        case kActiveExplorer:
            PutDispatch(result, hasActiveExplorer ? activeExplorer_->dispatch() : nullptr);
            return S_OK;
        case kSession: PutDispatch(result, session_); return S_OK;
        case kActiveWindow: PutDispatch(result, activeWindow); return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}

}  // namespace standin
