// Base of every host event sink: receives a dispinterface's events through IDispatch and
// routes each one, through the owner class's event table, to a member handler.
#pragma once

#include <cstddef>
#include <oaidl.h>

namespace parcelon {

// A handler's signature for DispCallFunc: parameter types in declaration order.
struct EventHandlerInfo {
    CALLCONV callingConvention;
    VARTYPE resultType;
    short parameterCount;
    VARTYPE parameterTypes[8];
};

// DispCallFunc calls slot 0 of an object's table with the object as first argument. An
// event call is such an object on the stack: its table, static and constant, holds the
// handler's typed trampoline, and the trampoline finds the owner in the object. No code
// is made at run time.
using EventSlot = void(STDMETHODCALLTYPE*)();
struct EventCallObject {
    const EventSlot* table;
    void* owner;
};

// One row of an owner class's event table; a row with no event interface ends it.
struct EventSinkEntry {
    int sinkId;
    const IID* eventIid;
    ptrdiff_t sinkOffset;  // of the sink inside the owner
    DISPID dispid;
    const EventSlot* handler;
    const EventHandlerInfo* signature;  // none: asked of GetHandlerInfo
};

class DispEventSink : public IDispatch {
public:
    static constexpr DWORD kNotConnected = 0xFEFEFEFE;
    using TableFunction = const EventSinkEntry* (*)();

    // IUnknown: the sink lives and dies with its owner, so counting changes nothing.
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    // IDispatch: events are routed, everything else is not offered.
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID lcid, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT*) override;
    // Signature of a handler whose table row has none.
    virtual HRESULT STDMETHODCALLTYPE GetHandlerInfo(REFIID eventIid, DISPID id, LCID lcid, EventHandlerInfo* info);

    HRESULT Connect(IUnknown* source);
    // Marks the sink not connected whatever the source answers.
    HRESULT Disconnect(IUnknown* source);

    DWORD eventCookie() const { return eventCookie_; }
    bool connected() const { return eventCookie_ != kNotConnected; }
    const IID& eventIid() const { return *eventIid_; }

protected:
    DispEventSink(int sinkId, const IID& eventIid, TableFunction table)
        : sinkId_(sinkId), eventIid_(&eventIid), table_(table) {}
    ~DispEventSink() = default;
    DispEventSink(const DispEventSink&) = delete;
    DispEventSink& operator=(const DispEventSink&) = delete;

private:
    HRESULT Route(DISPID id, LCID lcid, DISPPARAMS* params, VARIANT* result);

    GUID libid_ = {};       // for an event interface given at run time; never set here
    GUID runtimeIid_ = {};  // likewise
    WORD major_ = 0;
    WORD minor_ = 0;
    DWORD eventCookie_ = kNotConnected;
    int sinkId_;
    const IID* eventIid_;
    TableFunction table_;
};

// The sink with id `SinkId` of `Owner`, whose static EventTable() lists the handlers.
template <int SinkId, class Owner>
class DispEventSinkOf : public DispEventSink {
public:
    static constexpr int kSinkId = SinkId;

protected:
    explicit DispEventSinkOf(const IID& eventIid) : DispEventSink(SinkId, eventIid, &Owner::EventTable) {}
};

}  // namespace parcelon
