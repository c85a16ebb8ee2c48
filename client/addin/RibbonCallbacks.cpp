// OutlookAddin: the ribbon markup and the callbacks it names.
#include "OutlookAddin.h"

#include <olectl.h>

#include "AttachFromWindow.h"
#include "HostInterfaces.h"
#include "client/dialog/ScaledPicture.h"
#include "client/resources/ResourceIds.h"
#include "common/ComErrorReport.h"
#include "common/DpiAwareness.h"
#include "common/EntryGuard.h"
#include "common/ResourceText.h"

namespace parcelon {

namespace {
// The markup resource for `ribbonId`, or 0 when that ribbon gets none.
int MarkupFor(const wchar_t* ribbonId, int majorVersion) {
    if (!ribbonId) return 0;
    if (wcscmp(ribbonId, kMailComposeRibbon) == 0) return IDR_RIBBON_MARKUP;
    if (wcscmp(ribbonId, kExplorerRibbon) == 0 && majorVersion >= kFirstInlineResponseVersion)
        return IDR_EXPLORER_RIBBON_MARKUP;
    return 0;
}
}  // namespace

STDMETHODIMP OutlookAddin::GetCustomUI(BSTR ribbonId, BSTR* ribbonXml) {
    if (!ribbonXml) return E_POINTER;
    *ribbonXml = nullptr;
    return GuardedEntry("GetCustomUI", E_OUTOFMEMORY, [&] {
        std::wstring markup;
        int resource = MarkupFor(ribbonId, m_majorVersion);
        if (resource && !LoadResourceText(serverModule.instance(), resource, markup)) return E_FAIL;
        // The markup uses nothing the first namespace lacks, so Outlook 2007 gets it there:
        // markup in a namespace it does not know would leave its windows without any button.
        size_t at = markup.find(kCustomUINamespace2009);
        if (at != std::wstring::npos && ReadsOnlyFirstCustomUINamespace(m_majorVersion))
            markup.replace(at, wcslen(kCustomUINamespace2009), kCustomUINamespace2006);
        *ribbonXml = SysAllocStringLen(markup.data(), static_cast<UINT>(markup.size()));
        return *ribbonXml ? S_OK : E_OUTOFMEMORY;
    });
}

STDMETHODIMP OutlookAddin::OnRibbonButton(IDispatch* control) {
    return GuardedEntry("OnRibbonButton", S_OK, [&] {
        try {
            OpenDialogForControl(control);
        } catch (const _com_error& error) {
            ReportComError(error);
        }
        return S_OK;
    });
}

// A button of a compose window works on its item; the main window's button (on the tab
// of an inline reply) works on the reply shown there, and on nothing when none is.
void OutlookAddin::OpenDialogForControl(IDispatch* control) {
    if (!control) return;
    HostObject ribbonControl = HostObject::Query(control, IID_IRibbonControl);
    if (!ribbonControl) return;
    Variant context = ribbonControl.Get(L"Context");
    if (HostObject inspector = HostObject::Query(context, IID_OutlookInspector)) {
        OpenDialogForInspector(identity(), std::move(inspector));
    } else if (HostObject explorer = HostObject::Query(context, IID_OutlookExplorer)) {
        MailItem reply(HostObject::Query(explorer.Get(L"ActiveInlineResponse"), IID_OutlookMailItem));
        OpenDialogOverWindow(identity(), std::move(explorer), reply);
    }
}

namespace {
// The DPI of the window the ribbon control is in: the picture is asked for at its size.
UINT RibbonDpi(IDispatch* control) {
    try {
        HostObject ribbonControl = control ? HostObject::Query(control, IID_IRibbonControl) : HostObject();
        HostObject context = ribbonControl ? HostObject::Query(ribbonControl.Get(L"Context"), IID_IDispatch) : HostObject();
        ComPtr<IOleWindow> window;
        HWND handle = nullptr;
        if (context && SUCCEEDED(context.dispatch()->QueryInterface(IID_IOleWindow, window.putVoid())) && window &&
            SUCCEEDED(window->GetWindow(&handle)) && handle)
            return DpiOfWindow(handle);
    } catch (const _com_error& error) {
        ReportComError(error);
    }
    return ScreenDpi();
}
}  // namespace

STDMETHODIMP OutlookAddin::GetRibbonImage(IDispatch* control, IPictureDisp** image) {
    if (!image) return E_POINTER;
    *image = nullptr;
    return GuardedEntry("GetRibbonImage", E_OUTOFMEMORY, [&] { return LoadRibbonImage(control, image); });
}

HRESULT OutlookAddin::LoadRibbonImage(IDispatch* control, IPictureDisp** image) {
    // 32 bits with alpha, so that the ribbon's own colour shows around the parcel.
    UINT dpi = RibbonDpi(control);
    UniqueGdiObject face = LoadPictureForDpi(serverModule.instance(), IDB_RIBBON_FACE, dpi);
    if (!face) return HRESULT_FROM_WIN32(GetLastError());
    // Between the drawn scales the ribbon asks for a size none of them has.
    int asked = ScaleToDpi(32, dpi);
    if (PictureSizeForDpi(32, dpi) != asked) {
        UniqueGdiObject resized = ResizedAlphaPicture(static_cast<HBITMAP>(face.get()), asked, asked);
        if (resized) face = std::move(resized);
    }
    PICTDESC description = {};
    description.cbSizeofstruct = sizeof description;
    description.picType = PICTYPE_BITMAP;
    description.bmp.hbitmap = static_cast<HBITMAP>(face.get());
    // The picture owns the bitmap: the host keeps it as long as it draws the button.
    HRESULT hr = OleCreatePictureIndirect(&description, IID_IPictureDisp, TRUE, reinterpret_cast<void**>(image));
    if (SUCCEEDED(hr)) face.release();
    return hr;
}

}  // namespace parcelon
