// The add-in's pictures are drawn for 100, 125, 150 and 200 percent; these pick the one
// nearest to a DPI.
#pragma once

#include <windows.h>

#include "common/UniqueResource.h"

namespace parcelon {

// 100, 125, 150 or 200: the drawn scale nearest to `dpi`.
int NearestDrawnScale(UINT dpi);
// The resource id of picture `baseId` (its 100 percent id) drawn nearest to `dpi`.
int PictureIdForDpi(int baseId, UINT dpi);
// `value` pixels of the 100 percent picture, in the picture drawn nearest to `dpi`.
int PictureSizeForDpi(int value, UINT dpi);
// Picture `baseId` of `module` drawn nearest to `dpi`, as a device-independent bitmap.
UniqueGdiObject LoadPictureForDpi(HMODULE module, int baseId, UINT dpi, UINT flags = 0);
// A 32-bit picture with premultiplied alpha, averaged to `width` x `height` pixels (for the
// DPIs between the drawn scales); null for anything else.
UniqueGdiObject ResizedAlphaPicture(HBITMAP picture, int width, int height);

}  // namespace parcelon
