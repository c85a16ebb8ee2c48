// The button's face bitmap: its white and grey background turned into the button-face
// colour of the running system.
#pragma once

#include <windows.h>

namespace parcelon {

// Replaces every pixel of RGB(207,207,207), RGB(219,216,209) or white by COLOR_BTNFACE, in
// place. Only 24-bit device-independent bitmaps are touched; false for anything else.
bool RecolorFaceBackground(HBITMAP bitmap);

}  // namespace parcelon
