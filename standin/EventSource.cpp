// A stand-in object with one connection point.
#include "EventSource.h"

namespace standin {

EventSource::EventSource(const wchar_t* interfaceName, const IID& iid, std::vector<Member> members,
                         const IID& eventIid)
    : StandInObject(interfaceName, iid, std::move(members)), name_(interfaceName), point_(this, eventIid, interfaceName) {}

void* EventSource::QueryExtra(REFIID iid) {
    return iid == IID_IConnectionPointContainer ? static_cast<IConnectionPointContainer*>(this) : nullptr;
}

STDMETHODIMP EventSource::EnumConnectionPoints(IEnumConnectionPoints** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP EventSource::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    HRESULT hr = TakeFailureResult(name_ + L".FindConnectionPoint");
    if (FAILED(hr)) return hr;
    IID offered = IID_NULL;
    point_.GetConnectionInterface(&offered);
    if (iid != offered) return CONNECT_E_NOCONNECTION;
    point_.AddRef();
    *out = &point_;
    return S_OK;
}

}  // namespace standin
