// The common controls library, loaded when the first dialog opens.
#include "CommonControls.h"

namespace parcelon {

namespace {
template <typename Function>
void Find(HMODULE module, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

struct CommonControlsLibrary {
    decltype(&::InitCommonControlsEx) initCommonControlsEx = nullptr;
    decltype(&::ImageList_LoadImageW) loadImage = nullptr;
    decltype(&::ImageList_Destroy) destroy = nullptr;

    // Loaded once and never freed: a DLL may not free a library while it is unloaded
    // itself, and the library is part of every process with windows anyway.
    CommonControlsLibrary() {
        HMODULE module = LoadLibraryW(L"comctl32.dll");
        if (!module) return;
        Find(module, "InitCommonControlsEx", initCommonControlsEx);
        Find(module, "ImageList_LoadImageW", loadImage);
        Find(module, "ImageList_Destroy", destroy);
    }
};

const CommonControlsLibrary& Library() {
    static const CommonControlsLibrary library;
    return library;
}
}  // namespace

bool InitCommonControlsLate(DWORD classes) {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), classes};
    return Library().initCommonControlsEx && Library().initCommonControlsEx(&controls);
}

HIMAGELIST LoadImageListLate(HINSTANCE instance, UINT bitmap, int width, int grow, COLORREF mask, UINT flags) {
    if (!Library().loadImage) return nullptr;
    return Library().loadImage(instance, MAKEINTRESOURCEW(bitmap), width, grow, mask, IMAGE_BITMAP, flags);
}

void DestroyImageListLate(HIMAGELIST list) {
    if (Library().destroy) Library().destroy(list);
}

}  // namespace parcelon
