// OutlookAddin: adding the button to a bar and giving it its face.
#include <olectl.h>

#include "ButtonFace.h"
#include "ClipboardSnapshot.h"
#include "OutlookAddin.h"
#include "client/dialog/ScaledPicture.h"
#include "common/ComErrorReport.h"
#include "common/DpiAwareness.h"

namespace parcelon {

namespace {
// Command bars are drawn at the screen's DPI: the face drawn nearest to it.
UniqueGdiObject LoadFaceBitmap(int bitmapId, UINT flags) {
    return UniqueGdiObject(LoadImageW(serverModule.instance(), MAKEINTRESOURCEW(PictureIdForDpi(bitmapId, ScreenDpi())),
                                      IMAGE_BITMAP, 0, 0, flags));
}

bool TakesPictures(const std::string& label) { return label == "Outlook 2003" || label == "Outlook 2002"; }
}  // namespace

int OutlookAddin::AddButton(const HostObject& bar, long type, long style, const std::wstring& caption,
                            const std::wstring& tag, const std::wstring& tooltip, bool useBitmap, long faceId,
                            long position, int bitmapId, HostObject& button) {
    try {
        HostObject controls = bar.GetObject(L"Controls", IID_OfficeCommandBarControls);
        if (!controls) return 1;
        Variant before = position == -1 || position == 0 ? Variant::Omitted() : Variant::Long(position);
        button = HostObject::Query(controls.Call(L"Add", {Variant::Long(type), Variant::Omitted(), Variant::Omitted(),
                                                          before, Variant::Bool(true)}),
                                   IID_OfficeCommandBarButton);
        if (!button) return 1;
        button.Put(L"Caption", Variant::String(caption));
        button.Put(L"Enabled", Variant::Bool(true));
        button.Put(L"Style", Variant::Long(style));
        button.Put(L"Tag", Variant::String(tag));
        button.Put(L"TooltipText", Variant::String(tooltip));
        button.Put(L"Visible", Variant::Bool(true));
        SetButtonFace(button, useBitmap, faceId, bitmapId);
        return 0;
    } catch (const _com_error& error) {
        ReportComError(error);
    }
    return 1;
}

int OutlookAddin::SetButtonFace(const HostObject& button, bool useBitmap, long faceId, int bitmapId) {
    if (useBitmap) {
        if (TakesPictures(m_versionLabel) && SetPictureFace(button, bitmapId)) return 0;
        if (PasteClipboardFace(button, bitmapId)) return 0;
    }
    try {
        button.Put(L"FaceId", Variant::Long(faceId));
        return 0;
    } catch (const _com_error& error) {
        ReportComError(error);
    }
    return 1;
}

bool OutlookAddin::SetPictureFace(const HostObject& button, int bitmapId) {
    try {
        UniqueGdiObject bitmap = LoadFaceBitmap(bitmapId, LR_CREATEDIBSECTION | LR_VGACOLOR);
        if (!bitmap) return false;
        RecolorFaceBackground(static_cast<HBITMAP>(bitmap.get()));
        PICTDESC description = {};
        description.cbSizeofstruct = sizeof description;
        description.picType = PICTYPE_BITMAP;
        description.bmp.hbitmap = static_cast<HBITMAP>(bitmap.get());
        ComPtr<IPictureDisp> picture;
        if (FAILED(OleCreatePictureIndirect(&description, IID_IPictureDisp, FALSE, picture.putVoid())) || !picture)
            return false;
        m_pictureFaces.push_back(std::move(bitmap));
        button.Put(L"Picture", Variant::Dispatch(picture.get()));
        return true;
    } catch (const _com_error& error) {
        ReportComError(error);
    }
    return false;
}

bool OutlookAddin::PasteClipboardFace(const HostObject& button, int bitmapId) {
    try {
        HostObject explorer = m_app.ActiveExplorer();
        ComPtr<IOleWindow> window;
        if (explorer) explorer.dispatch()->QueryInterface(IID_IOleWindow, window.putVoid());
        HWND owner = nullptr;
        if (!window || FAILED(window->GetWindow(&owner)) || !owner) return false;
        UniqueGdiObject bitmap = LoadFaceBitmap(bitmapId, LR_VGACOLOR);
        if (!bitmap) return false;

        // What the user copied is put back whatever happens from here on.
        ClipboardSnapshot userClipboard(owner);
        if (!userClipboard.taken()) return false;
        if (OpenClipboard(owner)) {
            EmptyClipboard();
            if (SetClipboardData(CF_BITMAP, bitmap.get())) bitmap.release();  // the clipboard owns it now
            CloseClipboard();
        }
        if (!IsClipboardFormatAvailable(CF_BITMAP)) return false;
        return button.CallForCode(L"PasteFace") == S_OK;
    } catch (const _com_error& error) {
        ReportComError(error);
    }
    return false;
}

}  // namespace parcelon
