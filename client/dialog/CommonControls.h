// The common controls library, loaded when the first dialog opens rather than with the
// add-in: loading it takes longer than the rest of the add-in's start-up together.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace parcelon {

// InitCommonControlsEx, once the library is loaded; false when it cannot be.
bool InitCommonControlsLate(DWORD classes);
// ImageList_LoadImageW; null when the library cannot be loaded.
HIMAGELIST LoadImageListLate(HINSTANCE instance, UINT bitmap, int width, int grow, COLORREF mask, UINT flags);
// ImageList_Destroy of a list LoadImageListLate made.
void DestroyImageListLate(HIMAGELIST list);

}  // namespace parcelon
