// Advising and unadvising a sink on an event source's connection point.
#include "ConnectionPoints.h"

#include <ocidl.h>

#include "common/ComPtr.h"

namespace parcelon {

namespace {
HRESULT FindPoint(IUnknown* source, REFIID iid, ComPtr<IConnectionPoint>& point) {
    if (!source) return E_INVALIDARG;
    ComPtr<IConnectionPointContainer> container;
    HRESULT hr = source->QueryInterface(IID_IConnectionPointContainer, container.putVoid());
    if (FAILED(hr)) return hr;
    if (!container) return E_NOINTERFACE;
    hr = container->FindConnectionPoint(iid, point.put());
    if (SUCCEEDED(hr) && !point) hr = E_POINTER;
    return hr;
}
}  // namespace

HRESULT Advise(IUnknown* source, IUnknown* sink, REFIID iid, DWORD* cookie) {
    if (!sink || !cookie) return E_POINTER;
    ComPtr<IConnectionPoint> point;
    HRESULT hr = FindPoint(source, iid, point);
    if (FAILED(hr)) return hr;
    DWORD given = 0;
    hr = point->Advise(sink, &given);
    if (SUCCEEDED(hr)) *cookie = given;
    return hr;
}

HRESULT Unadvise(IUnknown* source, REFIID iid, DWORD cookie) {
    ComPtr<IConnectionPoint> point;
    HRESULT hr = FindPoint(source, iid, point);
    if (FAILED(hr)) return hr;
    return point->Unadvise(cookie);
}

}  // namespace parcelon
