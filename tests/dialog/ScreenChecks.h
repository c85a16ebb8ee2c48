// What the tests of Parcelon's windows check and keep of their face: no control over
// another or cut, and a screenshot named for the DPI it was taken at.
#pragma once

#include <string>
#include <windows.h>

namespace testing_support {

// Every control inside the window, none over another, and each text fits its control
// (a label's as it wraps) when the window is laid out for `dpi`.
void ExpectNothingOverlapsOrIsCut(HWND window, UINT dpi);

// Saves what the window shows as build/<target>/screens/NAME.png, or NAME-<DPI>dpi.png
// when the prefix runs at another DPI than 96.
void SaveScreen(HWND window, const std::wstring& name);

}  // namespace testing_support
