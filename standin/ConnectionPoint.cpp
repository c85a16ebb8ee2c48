// A connection point of the stand-in for one event dispinterface.
#include "ConnectionPoint.h"

#include <vector>

#include "StandInObject.h"

namespace standin {

ConnectionPoint::ConnectionPoint(IConnectionPointContainer* container, const IID& eventIid, std::wstring name)
    : container_(container), eventIid_(eventIid), name_(std::move(name)) {}

ConnectionPoint::~ConnectionPoint() {
    for (auto& sink : sinks_) sink.second->Release();
}

STDMETHODIMP ConnectionPoint::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IConnectionPoint) return E_NOINTERFACE;
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP ConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = eventIid_;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
    if (!out) return E_POINTER;
    container_->AddRef();
    *out = container_;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!sink || !cookie) return E_POINTER;
    *cookie = 0;
    HRESULT hr = TakeFailureResult(name_ + L".Advise");
    if (FAILED(hr)) return hr;
    // As a real source does: the sink must answer the event interface itself.
    IDispatch* events = nullptr;
    if (FAILED(sink->QueryInterface(eventIid_, reinterpret_cast<void**>(&events))) || !events)
        return CONNECT_E_CANNOTCONNECT;
    *cookie = nextCookie_++;
    sinks_[*cookie] = events;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::Unadvise(DWORD cookie) {
    HRESULT hr = TakeFailureResult(name_ + L".Unadvise");
    if (FAILED(hr)) return hr;
    auto found = sinks_.find(cookie);
    if (found == sinks_.end()) return CONNECT_E_NOCONNECTION;
    IDispatch* sink = found->second;
    sinks_.erase(found);
    sink->Release();
    return S_OK;
}

STDMETHODIMP ConnectionPoint::EnumConnections(IEnumConnections** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

HRESULT ConnectionPoint::Fire(DISPID id, IDispatch* argument, bool withResult) {
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_DISPATCH;
    arg.pdispVal = argument;
    return FireWith(id, {arg}, withResult);
}

HRESULT ConnectionPoint::FireWith(DISPID id, std::vector<VARIANT> arguments, bool withResult) {
    // A sink may unadvise while it handles the event: call a snapshot.
    std::vector<IDispatch*> sinks;
    for (auto& sink : sinks_) {
        sink.second->AddRef();
        sinks.push_back(sink.second);
    }
    std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
    HRESULT first = S_OK;
    for (IDispatch* sink : sinks) {
        DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr,
                             static_cast<UINT>(reversed.size()), 0};
        VARIANT result;
        VariantInit(&result);
        HRESULT hr = sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                  withResult ? &result : nullptr, nullptr, nullptr);
        VariantClear(&result);
        if (FAILED(hr) && SUCCEEDED(first)) first = hr;
        sink->Release();
    }
    return first;
}

}  // namespace standin
