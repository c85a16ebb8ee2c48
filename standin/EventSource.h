// A stand-in object that is also a connection-point container with one connection point,
// for the event dispinterface its sinks connect to.
#pragma once

#include "ConnectionPoint.h"
#include "StandInObject.h"

namespace standin {

class EventSource : public StandInObject, public IConnectionPointContainer {
public:
    EventSource(const wchar_t* interfaceName, const IID& iid, std::vector<Member> members, const IID& eventIid);

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return StandInObject::QueryInterface(iid, out); }
    STDMETHODIMP_(ULONG) AddRef() override { return StandInObject::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return StandInObject::Release(); }
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) override;
    // Fails on demand as "<Interface>.FindConnectionPoint".
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;

    size_t connections() const { return point_.connections(); }

protected:
    void* QueryExtra(REFIID iid) override;
    ConnectionPoint& point() { return point_; }

private:
    std::wstring name_;
    ConnectionPoint point_;
};

}  // namespace standin
