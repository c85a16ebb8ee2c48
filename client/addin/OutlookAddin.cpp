// OutlookAddin: connection and disconnection.
#include "OutlookAddin.h"

#include "CurrentMailItem.h"
#include "client/dialog/AttachmentDialog.h"
#include "common/ComErrorReport.h"
#include "common/EntryGuard.h"
#include "common/ModuleThread.h"
#include "common/TextConversion.h"
#include "common/WorkingFolder.h"

namespace parcelon {

namespace {
// How long disconnecting waits for the removal of left working folders to end.
constexpr DWORD kFolderCleanupWaitMs = 1000;
}  // namespace

TypeInfoHolder outlookAddinTypeInfo(IID_IOutlookAddin, LIBID_PARCELONLib, 1, 0);
TypeInfoHolder extensibilityTypeInfo(IID_IDTExtensibility2, LIBID_AddinDesigner, 1, 0);

const InterfaceEntry* OutlookAddin::InterfaceTable() {
    static const InterfaceEntry table[] = {
        {&IID_IOutlookAddin, BaseOffset<OutlookAddin, IOutlookAddin>()},
        {&IID_ISupportErrorInfo, BaseOffset<OutlookAddin, ISupportErrorInfo>()},
        {&IID_IDispatch, BaseOffset<OutlookAddin, IOutlookAddin>()},
        {&IID_IDTExtensibility2, BaseOffset<OutlookAddin, IDTExtensibility2>()},
        {&IID_IRibbonExtensibility, BaseOffset<OutlookAddin, IRibbonExtensibility>()},
        {nullptr, 0},
    };
    return table;
}

STDMETHODIMP OutlookAddin::InterfaceSupportsErrorInfo(REFIID iid) {
    return iid == IID_IOutlookAddin ? S_OK : S_FALSE;
}

STDMETHODIMP OutlookAddin::OnConnection(IDispatch* application, long, IDispatch*, SAFEARRAY**) {
    // What was set up before a failure stays.
    return GuardedEntry("OnConnection", S_FALSE, [&] {
        // What an Outlook that ended during a packing left goes in the background: nothing
        // that touches the disk holds up Outlook's start.
        m_folderCleanup = StartModuleThread([] { RemoveAbandonedWorkingFolders(); });
        return Connect(application);
    });
}

HRESULT OutlookAddin::Connect(IDispatch* application) {
    ComPtr<IDispatch> answered;
    if (!application || FAILED(application->QueryInterface(IID_OutlookApplication, answered.putVoid())) ||
        !answered)
        return S_FALSE;
    m_app = Application(answered.get());

    HostObject explorers = m_app.Explorers();
    if (!explorers) return S_FALSE;
    m_explorersSink = std::make_unique<ExplorersSink>(explorers.dispatch(), this);
    m_explorersSink->Connect();

    HostObject inspectors = m_app.Inspectors();
    if (!inspectors) return S_FALSE;
    m_inspectorsSink = std::make_unique<InspectorsSink>(this, inspectors.dispatch());
    m_inspectorsSink->Connect();

    // Every message is checked as it is sent, also those the dialog never saw.
    m_itemSendSink = std::make_unique<ItemSendSink>(m_app.dispatch(), this);
    m_itemSendSink->Connect();

    DetectVersion();
    return S_OK;
}

int OutlookAddin::DetectVersion() {
    try {
        std::wstring wideVersion = m_app.Version();
        std::string version = AnsiFromWide(wideVersion.c_str(), static_cast<int>(wideVersion.size()));
        m_majorVersion = MajorVersionOf(version);
        std::string label = VersionLabelFor(version);
        if (label.empty()) return 1;
        m_versionLabel = label;
        return 0;
    } catch (const _com_error& error) {
        ReportComError(error);
    } catch (...) {
    }
    return 1;
}

STDMETHODIMP OutlookAddin::OnDisconnection(long, SAFEARRAY**) {
    return GuardedEntry("OnDisconnection", S_OK, [&] {
        ReleaseHost();
        return S_OK;
    });
}

STDMETHODIMP OutlookAddin::OnBeginShutdown(SAFEARRAY**) {
    return GuardedEntry("OnBeginShutdown", S_OK, [&] {
        ReleaseHost();
        return S_OK;
    });
}

void OutlookAddin::ReleaseHost() {
    // A dialog open now ends as by Cancel; its packing is stopped and nothing is attached.
    EndAttachmentDialogs();
    if (m_folderCleanup) {
        // A clean-up that takes longer goes on by itself, holding the module.
        WaitForSingleObject(m_folderCleanup.get(), kFolderCleanupWaitMs);
        m_folderCleanup.reset();
    }
    if (m_explorersSink) {
        m_explorersSink->Disconnect();
        m_explorersSink.reset();
    }
    if (m_inspectorsSink) {
        m_inspectorsSink->Disconnect();
        m_inspectorsSink.reset();
    }
    if (m_itemSendSink) {
        m_itemSendSink->Disconnect();
        m_itemSendSink.reset();
    }
    m_app = Application();
    currentMailItem = MailItem();
}

}  // namespace parcelon
