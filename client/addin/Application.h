// The host's _Application as the add-in uses it.
#pragma once

#include <string>

#include "HostInterfaces.h"
#include "HostObject.h"

namespace parcelon {

class Application : public HostObject {
public:
    Application() = default;
    explicit Application(IUnknown* object) : HostObject(object, IID_OutlookApplication) {}

    // The window collections; empty when the host gives none. They are event sources,
    // reached through IDispatch like every host object.
    HostObject Explorers() const { return GetObject(L"Explorers", IID_IDispatch); }
    HostObject Inspectors() const { return GetObject(L"Inspectors", IID_IDispatch); }
    HostObject ActiveExplorer() const { return GetObject(L"ActiveExplorer", IID_IDispatch); }
    // Before the first "." the major version number.
    std::wstring Version() const { return GetString(L"Version"); }
};

}  // namespace parcelon
