// Base of every host event sink.
#include "DispEventSink.h"

#include "ConnectionPoints.h"

namespace parcelon {

namespace {
constexpr int kMaxParameters = 8;

// The arguments in declaration order, each of its declared type. Arguments of another
// type are converted into `converted`; false when the event cannot be delivered as
// declared (too few arguments, or one that does not convert).
bool CollectArguments(const EventHandlerInfo& info, DISPPARAMS* params, VARIANT* converted, VARIANT** args) {
    UINT count = static_cast<UINT>(info.parameterCount);
    UINT given = params ? params->cArgs : 0;
    if (given < count || (count > 0 && !params->rgvarg)) return false;
    for (UINT i = 0; i < count; ++i) {
        VARIANT* argument = &params->rgvarg[given - 1 - i];
        VARTYPE wanted = info.parameterTypes[i];
        if (wanted == VT_VARIANT || argument->vt == wanted) {
            args[i] = argument;
        } else if ((wanted & VT_BYREF) ||
                   FAILED(VariantChangeType(&converted[i], argument, 0, wanted))) {
            return false;
        } else {
            args[i] = &converted[i];
        }
    }
    return true;
}
}  // namespace

STDMETHODIMP DispEventSink::QueryInterface(REFIID iid, void** out) {
    bool runtime = iid == runtimeIid_ && iid != IID_NULL;
    if (iid != *eventIid_ && iid != IID_IUnknown && iid != IID_IDispatch && !runtime) {
        if (out) *out = nullptr;
        return E_NOINTERFACE;
    }
    if (!out) return E_POINTER;
    *out = static_cast<IDispatch*>(this);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DispEventSink::GetHandlerInfo(REFIID, DISPID, LCID, EventHandlerInfo*) {
    return E_NOTIMPL;
}

STDMETHODIMP DispEventSink::Invoke(DISPID id, REFIID, LCID lcid, WORD, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO*, UINT*) {
    Route(id, lcid, params, result);
    return S_OK;  // a handler's failure is not the event source's business
}

HRESULT DispEventSink::Route(DISPID id, LCID lcid, DISPPARAMS* params, VARIANT* result) {
    const EventSinkEntry* row = table_();
    while (row->eventIid && (row->sinkId != sinkId_ || row->dispid != id || row->eventIid != eventIid_)) ++row;
    if (!row->eventIid) return S_OK;

    EventHandlerInfo asked = {};
    const EventHandlerInfo* info = row->signature;
    if (!info) {
        if (FAILED(GetHandlerInfo(*eventIid_, id, lcid, &asked))) return S_OK;
        info = &asked;
    }
    if (info->parameterCount < 0 || info->parameterCount > kMaxParameters) return S_OK;

    VARIANT converted[kMaxParameters];
    for (VARIANT& v : converted) VariantInit(&v);
    VARIANT* args[kMaxParameters] = {};
    if (CollectArguments(*info, params, converted, args)) {
        EventCallObject call = {row->handler, reinterpret_cast<char*>(this) - row->sinkOffset};
        VARIANT discarded;
        VariantInit(&discarded);
        DispCallFunc(&call, 0, info->callingConvention, info->resultType, info->parameterCount,
                     const_cast<VARTYPE*>(info->parameterTypes), args, result ? result : &discarded);
        VariantClear(&discarded);
    }
    for (VARIANT& v : converted) VariantClear(&v);
    return S_OK;
}

HRESULT DispEventSink::Connect(IUnknown* source) {
    return Advise(source, static_cast<IDispatch*>(this), *eventIid_, &eventCookie_);
}

HRESULT DispEventSink::Disconnect(IUnknown* source) {
    HRESULT hr = Unadvise(source, *eventIid_, eventCookie_);
    eventCookie_ = kNotConnected;
    return hr;
}

}  // namespace parcelon
