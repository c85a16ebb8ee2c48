// A dialog moved to a screen of another scale, laid out again by its own code: the same
// on every Windows, whether its dialog manager would scale it or not.
#pragma once

#include <string>
#include <windows.h>

#include "common/DpiAwareness.h"
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
// What `text` takes in that font, wrapped at `width` pixels (its lines' widest and their
// height; a word wider than `width` stays whole).
SIZE WrappedTextSize(HWND dialog, const std::wstring& text, int width);
// A width and a height of `x` by `y` dialog units, in pixels, by the same font.
SIZE DialogUnits(HWND dialog, int x, int y);

// What a dialog that follows its screen's scale keeps: the DPI its layout is made for and
// the font it was given for it, which must outlive the dialog's controls.
class DialogScale {
public:
    // At WM_INITDIALOG: the dialog's own DPI, and its changes left to Change.
    void Begin(HWND dialog);
    // At WM_DPICHANGED, with its parameters: the dialog rescaled to the new DPI. False
    // when the DPI stays as it was.
    bool Change(HWND dialog, WPARAM wParam, LPARAM lParam);
    UINT dpi() const { return dpi_; }

private:
    UINT dpi_ = kDefaultDpi;
    UniqueGdiObject font_;
};

}  // namespace parcelon
