// Picking the drawn scale of a picture nearest to a DPI.
#include "ScaledPicture.h"

#include <cstdlib>

#include "client/resources/ResourceIds.h"

namespace parcelon {

namespace {
struct DrawnScale {
    int percent;
    int idStep;
};
constexpr DrawnScale kDrawnScales[] = {{100, 0}, {125, IDB_STEP_125}, {150, IDB_STEP_150}, {200, IDB_STEP_200}};

const DrawnScale& Nearest(UINT dpi) {
    int wanted = MulDiv(static_cast<int>(dpi), 100, 96);
    const DrawnScale* best = &kDrawnScales[0];
    for (const DrawnScale& scale : kDrawnScales)
        if (std::abs(scale.percent - wanted) < std::abs(best->percent - wanted)) best = &scale;
    return *best;
}
}  // namespace

int NearestDrawnScale(UINT dpi) { return Nearest(dpi).percent; }

int PictureIdForDpi(int baseId, UINT dpi) { return baseId + Nearest(dpi).idStep; }

int PictureSizeForDpi(int value, UINT dpi) { return (value * Nearest(dpi).percent + 50) / 100; }

UniqueGdiObject LoadPictureForDpi(HMODULE module, int baseId, UINT dpi, UINT flags) {
    return UniqueGdiObject(LoadImageW(module, MAKEINTRESOURCEW(PictureIdForDpi(baseId, dpi)), IMAGE_BITMAP, 0, 0,
                                      LR_CREATEDIBSECTION | flags));
}

}  // namespace parcelon
