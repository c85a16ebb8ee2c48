// A connection point of the stand-in for one event dispinterface. It lives inside its
// container and shares the container's count; it can fire events at its sinks.
#pragma once

#include <map>
#include <ocidl.h>
#include <olectl.h>
#include <string>
#include <vector>

namespace standin {

class ConnectionPoint final : public IConnectionPoint {
public:
    // `name` qualifies the failures on demand: L"Explorers" gives "Explorers.Advise".
    ConnectionPoint(IConnectionPointContainer* container, const IID& eventIid, std::wstring name);
    ~ConnectionPoint();
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return container_->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return container_->Release(); }
    STDMETHODIMP GetConnectionInterface(IID* iid) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** out) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** out) override;

    // Calls Invoke on every sink with one IDispatch argument; `withResult` false passes
    // no result variant. The first failing HRESULT, or S_OK.
    HRESULT Fire(DISPID id, IDispatch* argument, bool withResult = true);
    // Likewise with any arguments, given in declaration order (not copied: a by-reference
    // argument sees what each sink wrote).
    HRESULT FireWith(DISPID id, std::vector<VARIANT> arguments, bool withResult = true);
    size_t connections() const { return sinks_.size(); }

private:
    IConnectionPointContainer* container_;  // not counted: the container owns this point
    IID eventIid_;
    std::wstring name_;
    std::map<DWORD, IDispatch*> sinks_;  // each holds one reference
    DWORD nextCookie_ = 1;
};

}  // namespace standin
