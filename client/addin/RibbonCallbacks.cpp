// OutlookAddin: the ribbon markup and the callbacks it names.
#include "OutlookAddin.h"

#include <olectl.h>

#include "AttachFromWindow.h"
#include "HostInterfaces.h"
#include "client/dialog/ScaledPicture.h"
#include "client/resources/ResourceIds.h"
#include "common/ComErrorReport.h"
#include "common/DpiAwareness.h"
#include "common/ResourceText.h"

namespace parcelon {

STDMETHODIMP OutlookAddin::GetCustomUI(BSTR ribbonId, BSTR* ribbonXml) {
    if (!ribbonXml) return E_POINTER;
    *ribbonXml = nullptr;
    std::wstring markup;
    if (ribbonId && wcscmp(ribbonId, kMailComposeRibbon) == 0 &&
        !LoadResourceText(serverModule.instance(), IDR_RIBBON_MARKUP, markup))
        return E_FAIL;
    // The markup uses nothing the first namespace lacks, so Outlook 2007 gets it there:
    // markup in a namespace it does not know would leave its windows without any button.
    size_t at = markup.find(kCustomUINamespace2009);
    if (at != std::wstring::npos && ReadsOnlyFirstCustomUINamespace(m_majorVersion))
        markup.replace(at, wcslen(kCustomUINamespace2009), kCustomUINamespace2006);
    *ribbonXml = SysAllocStringLen(markup.data(), static_cast<UINT>(markup.size()));
    return *ribbonXml ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP OutlookAddin::OnRibbonButton(IDispatch* control) {
    try {
        if (!control) return S_OK;
        HostObject ribbonControl = HostObject::Query(control, IID_IRibbonControl);
        if (!ribbonControl) return S_OK;
        HostObject inspector = HostObject::Query(ribbonControl.Get(L"Context"), IID_OutlookInspector);
        if (inspector) OpenDialogForWindow(inspector);
    } catch (const _com_error& error) {
        ReportComError(error);
    } catch (...) {
    }
    return S_OK;
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
    try {
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
    } catch (...) {
        return E_UNEXPECTED;
    }
}

}  // namespace parcelon
