// The button's face bitmap recoloured to the system's button-face colour.
#include "ButtonFace.h"

namespace parcelon {

bool RecolorFaceBackground(HBITMAP bitmap) {
    BITMAP info = {};
    if (!bitmap || GetObjectW(bitmap, sizeof info, &info) != sizeof info || !info.bmBits || info.bmBitsPixel != 24)
        return false;
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    const BYTE replacement[3] = {GetBValue(face), GetGValue(face), GetRValue(face)};
    // Stored blue, green, red.
    static const BYTE background[3][3] = {{0xCF, 0xCF, 0xCF}, {0xD1, 0xD8, 0xDB}, {0xFF, 0xFF, 0xFF}};
    auto* bits = static_cast<BYTE*>(info.bmBits);
    // Row by row with the bitmap's own stride, so that padded rows are never misread.
    for (LONG row = 0; row < info.bmHeight; ++row) {
        BYTE* pixel = bits + static_cast<size_t>(row) * info.bmWidthBytes;
        for (LONG column = 0; column < info.bmWidth; ++column, pixel += 3) {
            for (const BYTE* colour : background) {
                if (pixel[0] == colour[0] && pixel[1] == colour[1] && pixel[2] == colour[2]) {
                    pixel[0] = replacement[0];
                    pixel[1] = replacement[1];
                    pixel[2] = replacement[2];
                    break;
                }
            }
        }
    }
    return true;
}

}  // namespace parcelon
