// OutlookAddin, the COM class the host creates and connects through IDTExtensibility2.
// It keeps the host application and the sinks on its Explorers and Inspectors collections.
#pragma once

#include <memory>
#include <string>

#include "AddinIds.h"
#include "Application.h"
#include "ExplorersSink.h"
#include "Extensibility.h"
#include "InspectorsSink.h"
#include "server/ComObject.h"
#include "server/DispatchImpl.h"

namespace parcelon {

extern TypeInfoHolder outlookAddinTypeInfo;   // PARCELONLib 1.0
extern TypeInfoHolder extensibilityTypeInfo;  // Add-In Designer 1.0

class OutlookAddin : public ISupportErrorInfo,
                     public DispatchImpl<IOutlookAddin, outlookAddinTypeInfo>,
                     public DispatchImpl<IDTExtensibility2, extensibilityTypeInfo>,
                     public ComObjectRoot {
public:
    static const InterfaceEntry* InterfaceTable();

    // ISupportErrorInfo
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override;
    // IDTExtensibility2: S_FALSE when the connection cannot be completed.
    STDMETHODIMP OnConnection(IDispatch* application, long connectMode, IDispatch* addInInst,
                              SAFEARRAY** custom) override;
    STDMETHODIMP OnDisconnection(long removeMode, SAFEARRAY** custom) override;
    STDMETHODIMP OnAddInsUpdate(SAFEARRAY**) override { return E_NOTIMPL; }
    STDMETHODIMP OnStartupComplete(SAFEARRAY**) override { return E_NOTIMPL; }
    STDMETHODIMP OnBeginShutdown(SAFEARRAY**) override { return E_NOTIMPL; }

    // Stores the label of the host's version: 0 when one was stored, 1 otherwise.
    int DetectVersion();

    const std::string& versionLabel() const { return m_versionLabel; }
    const Application& app() const { return m_app; }
    ExplorersSink* explorersSink() const { return m_explorersSink.get(); }
    InspectorsSink* inspectorsSink() const { return m_inspectorsSink.get(); }

protected:
    OutlookAddin() = default;
    ~OutlookAddin() = default;

private:
    HRESULT Connect(IDispatch* application);

    std::string m_versionLabel;
    Application m_app;
    std::unique_ptr<InspectorsSink> m_inspectorsSink;
    std::unique_ptr<ExplorersSink> m_explorersSink;
};

}  // namespace parcelon
