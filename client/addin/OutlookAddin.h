// OutlookAddin, the COM class the host creates and connects through IDTExtensibility2.
// It keeps the host application, the sinks on its Explorers and Inspectors collections and
// on its own events (ItemSend), and gives the compose window's ribbon its markup and
// callbacks.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "AddinIds.h"
#include "Application.h"
#include "DetectVersion.h"
#include "ExplorersSink.h"
#include "Extensibility.h"
#include "InspectorsSink.h"
#include "ItemSendSink.h"
#include "RibbonExtensibility.h"
#include "server/ComObject.h"
#include "server/DispatchImpl.h"
#include "common/UniqueResource.h"

namespace parcelon {

extern TypeInfoHolder outlookAddinTypeInfo;   // PARCELONLib 1.0
extern TypeInfoHolder extensibilityTypeInfo;  // Add-In Designer 1.0

class OutlookAddin : public ISupportErrorInfo,
                     public DispatchImpl<IOutlookAddin, outlookAddinTypeInfo>,
                     public DispatchImpl<IDTExtensibility2, extensibilityTypeInfo>,
                     public RibbonExtensibilityDispatch,
                     public ComObjectRoot {
public:
    static const InterfaceEntry* InterfaceTable();

    // ISupportErrorInfo
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override;
    // IDTExtensibility2: S_FALSE when the connection cannot be completed.
    STDMETHODIMP OnConnection(IDispatch* application, long connectMode, IDispatch* addInInst,
                              SAFEARRAY** custom) override;
    // OnBeginShutdown and OnDisconnection, whichever comes first, end the open dialogs and
    // let go of every host object: since Outlook 2010 a normal exit does not call
    // OnDisconnection, and nothing may be released into the host once its process ends.
    STDMETHODIMP OnDisconnection(long removeMode, SAFEARRAY** custom) override;
    STDMETHODIMP OnAddInsUpdate(SAFEARRAY**) override { return E_NOTIMPL; }
    STDMETHODIMP OnStartupComplete(SAFEARRAY**) override { return E_NOTIMPL; }
    STDMETHODIMP OnBeginShutdown(SAFEARRAY** custom) override;

    // IRibbonExtensibility: the markup for the compose window's ribbon and for the main
    // window's (its inline replies), an empty string for every other ribbon.
    STDMETHODIMP GetCustomUI(BSTR ribbonId, BSTR* ribbonXml) override;
    // Ribbon callbacks (IOutlookAddin). Failing host calls are reported, never returned.
    STDMETHODIMP OnRibbonButton(IDispatch* control) override;
    STDMETHODIMP GetRibbonImage(IDispatch* control, IPictureDisp** image) override;

    // Stores the label and the major number of the host's version: 0 when a label was
    // stored, 1 otherwise. A host whose version cannot be read keeps major number 0.
    int DetectVersion();

    // Adds a button to `bar` (before control `position` unless it is -1 or 0), dresses it
    // and gives it its face; `button` receives it. 0 when added and dressed, 1 when not.
    int AddButton(const HostObject& bar, long type, long style, const std::wstring& caption, const std::wstring& tag,
                  const std::wstring& tooltip, bool useBitmap, long faceId, long position, int bitmapId,
                  HostObject& button);
    // The picture route (for the labels that take pictures), the clipboard route, then the
    // built-in face; 1 only when the built-in face cannot be set either.
    int SetButtonFace(const HostObject& button, bool useBitmap, long faceId, int bitmapId);

    const std::string& versionLabel() const { return m_versionLabel; }
    // Whether the host's compose windows get the ribbon button instead of the command-bar one.
    bool hostHasComposeRibbon() const { return HasComposeRibbon(m_majorVersion); }
    const Application& app() const { return m_app; }
    // The object's own IUnknown, for holding it while a dialog is open.
    IUnknown* identity() { return static_cast<IOutlookAddin*>(this); }
    ExplorersSink* explorersSink() const { return m_explorersSink.get(); }
    InspectorsSink* inspectorsSink() const { return m_inspectorsSink.get(); }

protected:
    OutlookAddin() = default;
    ~OutlookAddin() = default;

private:
    HRESULT Connect(IDispatch* application);
    void ReleaseHost();
    void OpenDialogForControl(IDispatch* control);
    HRESULT LoadRibbonImage(IDispatch* control, IPictureDisp** image);
    bool SetPictureFace(const HostObject& button, int bitmapId);
    bool PasteClipboardFace(const HostObject& button, int bitmapId);

    std::string m_versionLabel;
    int m_majorVersion = 0;
    Application m_app;
    std::unique_ptr<InspectorsSink> m_inspectorsSink;
    std::unique_ptr<ExplorersSink> m_explorersSink;
    std::unique_ptr<ItemSendSink> m_itemSendSink;
    // Faces given to buttons as pictures: a picture does not own its bitmap, and the host
    // may draw from it for as long as the button lives, so they go with this object.
    std::vector<UniqueGdiObject> m_pictureFaces;
    // The removal of working folders left by an Outlook that ended, started at connection.
    UniqueHandle m_folderCleanup;
};

}  // namespace parcelon
