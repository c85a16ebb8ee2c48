// A picture of a window as it is on the screen, saved as a PNG file, for looking at the
// windows the tests drive.
#pragma once

#include <string>
#include <windows.h>

namespace testing_support {

// Brings the window to the top, lets it paint, and saves what the screen shows of it.
bool SaveWindowPng(HWND window, const std::wstring& path);

}  // namespace testing_support
