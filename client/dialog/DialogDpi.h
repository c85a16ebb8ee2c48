// A dialog moved to a screen of another scale, laid out again by its own code: the same
// on every Windows, whether its dialog manager would scale it or not.
#pragma once

#include <windows.h>

#include "common/UniqueResource.h"

namespace parcelon {

// Keeps the dialog manager of Windows 10 from scaling the dialog itself on WM_DPICHANGED
// (it would scale it a second time); where that choice does not exist, it never does.
void TakeOverDpiChanges(HWND dialog);
// Grows or shrinks every control, the columns of its lists and the font from `from` to
// `to` DPI and gives the dialog the rectangle the system suggested; `font` receives the
// new font, which the controls use from then on.
void RescaleDialog(HWND dialog, UINT from, UINT to, const RECT& suggested, UniqueGdiObject& font);
// `units` in pixels, by the dialog's font as it is now (MapDialogRect keeps to the font
// the dialog was made with).
RECT DialogUnitsToPixels(HWND dialog, const RECT& units);
// The font of the dialog's controls: the last RescaleDialog gave, else the template's.
HFONT DialogFont(HWND dialog);
// A width and a height of `x` by `y` dialog units, in pixels, by the same font.
SIZE DialogUnits(HWND dialog, int x, int y);

}  // namespace parcelon
