// The stand-in's Inspector and Explorer, and items that are not mail.
#include "WindowObjects.h"

#include "ResultValues.h"
#include "client/addin/HostInterfaces.h"

namespace standin {

namespace {
enum : DISPID {
    kCaption = 0x2111,
    kActiveInlineResponse = 0xFAC5,
    kCurrentItem = 0x2102,
    kCommandBars = 0x2100,
    kSubject = 0x37,
    kClass = 0xF00A,
};
constexpr GUID IID_Explorer = parcelon::HostIid(0x00063003);
constexpr GUID IID_AppointmentItem = parcelon::HostIid(0x00063033);
constexpr GUID IID_ContactItem = parcelon::HostIid(0x00063021);
constexpr long olAppointment = 26;
constexpr long olContact = 40;
long aliveInspectors = 0;
}  // namespace

long Inspector::Alive() { return aliveInspectors; }

Inspector::Inspector(IDispatch* item, std::wstring caption)
    : EventSource(L"Inspector", parcelon::IID_OutlookInspector,
                  {{L"Caption", kCaption}, {L"CurrentItem", kCurrentItem}, {L"CommandBars", kCommandBars}},
                  parcelon::IID_InspectorEvents),
      item_(item),
      caption_(caption),
      bars_(new CommandBars),
      frame_(caption, bars_),
      oleWindow_(static_cast<IDispatch*>(this), L"Inspector", [this] { return frame_.Handle(); }) {
    if (item_) item_->AddRef();
    InterlockedIncrement(&aliveInspectors);
}

Inspector::~Inspector() {
    InterlockedDecrement(&aliveInspectors);
    frame_.Destroy();
    bars_->Release();
    if (item_) item_->Release();
}

void Inspector::SetCurrentItem(IDispatch* item) {
    if (item) item->AddRef();
    if (item_) item_->Release();
    item_ = item;
}

void* Inspector::QueryExtra(REFIID iid) {
    if (iid == IID_IOleWindow) return offersOleWindow ? static_cast<IOleWindow*>(&oleWindow_) : nullptr;
    return EventSource::QueryExtra(iid);
}

HRESULT Inspector::InvokeMember(DISPID id, WORD flags, const DISPPARAMS*, VARIANT* result) {
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    switch (id) {
        case kCaption: return PutString(result, caption_);
        case kCurrentItem: PutDispatch(result, item_); return S_OK;
        case kCommandBars: PutDispatch(result, hasCommandBars ? bars_->dispatch() : nullptr); return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT Inspector::FireActivate() {
    HRESULT hr = point().FireWith(parcelon::DISPID_InspectorActivate, {});
    frame_.Redraw();
    return hr;
}

HRESULT Inspector::Close() {
    AddRef();  // a sink may release what it held of this window
    HRESULT hr = point().FireWith(parcelon::DISPID_InspectorClose, {});
    frame_.Destroy();
    Release();
    return hr;
}

Explorer::Explorer()
    : StandInObject(L"Explorer", IID_Explorer,
                    {{L"Caption", kCaption}, {L"ActiveInlineResponse", kActiveInlineResponse}}),
      frame_(L"Inbox - Microsoft Outlook", nullptr),
      oleWindow_(static_cast<IDispatch*>(this), L"Explorer", [this] { return frame_.Handle(); }) {}

Explorer::~Explorer() {
    if (inlineResponse_) inlineResponse_->Release();
}

void Explorer::SetInlineResponse(IDispatch* item) {
    if (item) item->AddRef();
    if (inlineResponse_) inlineResponse_->Release();
    inlineResponse_ = item;
}

void* Explorer::QueryExtra(REFIID iid) {
    return iid == IID_IOleWindow && offersOleWindow ? static_cast<IOleWindow*>(&oleWindow_) : nullptr;
}

HRESULT Explorer::InvokeMember(DISPID id, WORD flags, const DISPPARAMS*, VARIANT* result) {
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    if (id == kCaption) return PutString(result, L"Inbox - Microsoft Outlook");
    if (id != kActiveInlineResponse) return DISP_E_MEMBERNOTFOUND;
    PutDispatch(result, inlineResponse_);  // Nothing when no reply is being written inline
    return S_OK;
}

OtherItem::OtherItem(Kind kind)
    : StandInObject(kind == Appointment ? L"AppointmentItem" : L"ContactItem",
                    kind == Appointment ? IID_AppointmentItem : IID_ContactItem,
                    {{L"Subject", kSubject}, {L"Class", kClass}}),
      kind_(kind) {}

HRESULT OtherItem::InvokeMember(DISPID id, WORD flags, const DISPPARAMS*, VARIANT* result) {
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    if (id == kSubject) return PutString(result, kind_ == Appointment ? L"Project review" : L"Ada Example");
    if (id != kClass) return DISP_E_MEMBERNOTFOUND;
    result->vt = VT_I4;
    result->lVal = kind_ == Appointment ? olAppointment : olContact;
    return S_OK;
}

}  // namespace standin
