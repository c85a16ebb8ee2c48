// Base of the sinks on the host's collections and Application: the event source is held from
// construction, and a sink still connected when it goes disconnects itself, so that the
// host is never left calling into freed memory.
#pragma once

#include "common/ComPtr.h"
#include "server/DispEventSink.h"

namespace parcelon {

class OutlookAddin;

template <class Owner>
class CollectionSink : public DispEventSinkOf<1, Owner> {
public:
    HRESULT Connect() { return DispEventSink::Connect(collection_.get()); }
    HRESULT Disconnect() { return DispEventSink::Disconnect(collection_.get()); }
    IDispatch* collection() const { return collection_.get(); }

protected:
    CollectionSink(const IID& eventIid, IDispatch* collection)
        : DispEventSinkOf<1, Owner>(eventIid), collection_(collection) {}
    ~CollectionSink() {
        if (this->connected()) Disconnect();
    }

private:
    ComPtr<IDispatch> collection_;
};

}  // namespace parcelon
