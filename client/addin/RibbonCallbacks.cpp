// OutlookAddin: the ribbon markup and the callbacks it names.
#include "OutlookAddin.h"

#include <olectl.h>

#include "AttachFromWindow.h"
#include "HostInterfaces.h"
#include "client/resources/ResourceIds.h"
#include "common/ComErrorReport.h"
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

STDMETHODIMP OutlookAddin::GetRibbonImage(IDispatch*, IPictureDisp** image) {
    if (!image) return E_POINTER;
    *image = nullptr;
    HBITMAP face = static_cast<HBITMAP>(
        LoadImageW(serverModule.instance(), MAKEINTRESOURCEW(IDB_RIBBON_FACE), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!face) return HRESULT_FROM_WIN32(GetLastError());
    PICTDESC description = {};
    description.cbSizeofstruct = sizeof description;
    description.picType = PICTYPE_BITMAP;
    description.bmp.hbitmap = face;
    // The picture owns the bitmap: the host keeps it as long as it draws the button.
    HRESULT hr = OleCreatePictureIndirect(&description, IID_IPictureDisp, TRUE, reinterpret_cast<void**>(image));
    if (FAILED(hr)) DeleteObject(face);
    return hr;
}

}  // namespace parcelon
