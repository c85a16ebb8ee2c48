// Picking the drawn scale of a picture nearest to a DPI.
#include "ScaledPicture.h"

#include <algorithm>
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

UniqueGdiObject ResizedAlphaPicture(HBITMAP picture, int width, int height) {
    DIBSECTION source = {};
    if (width <= 0 || height <= 0 || GetObjectW(picture, sizeof source, &source) != sizeof source ||
        source.dsBm.bmBitsPixel != 32 || !source.dsBm.bmBits)
        return UniqueGdiObject();
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as the source is
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueGdiObject resized(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!resized || !bits) return UniqueGdiObject();
    const LONG sourceWidth = source.dsBm.bmWidth, sourceHeight = std::abs(source.dsBm.bmHeight);
    const auto* from = static_cast<const BYTE*>(source.dsBm.bmBits);
    auto* to = static_cast<BYTE*>(bits);
    // Each pixel is the mean of the source pixels it covers; premultiplied, the channels
    // average like the alpha does.
    for (int y = 0; y < height; ++y) {
        LONG top = y * sourceHeight / height, bottom = std::max<LONG>(top + 1, (y + 1) * sourceHeight / height);
        for (int x = 0; x < width; ++x) {
            LONG left = x * sourceWidth / width, right = std::max<LONG>(left + 1, (x + 1) * sourceWidth / width);
            unsigned sum[4] = {};
            for (LONG sy = top; sy < bottom; ++sy)
                for (LONG sx = left; sx < right; ++sx)
                    for (int c = 0; c < 4; ++c) sum[c] += from[sy * source.dsBm.bmWidthBytes + sx * 4 + c];
            unsigned count = static_cast<unsigned>((bottom - top) * (right - left));
            for (int c = 0; c < 4; ++c) to[(static_cast<size_t>(y) * width + x) * 4 + c] = static_cast<BYTE>(sum[c] / count);
        }
    }
    return resized;
}

}  // namespace parcelon
