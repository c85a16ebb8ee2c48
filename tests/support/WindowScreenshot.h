// Saves what a window shows on the screen as a PNG file, for looking at after a test run.
#pragma once

#include <string>
#include <windows.h>

namespace testing_support {

// Brings the window to the top, lets it paint, and copies its rectangle from the screen;
// false when nothing could be written.
bool SaveWindowPng(HWND window, const std::wstring& path);

}  // namespace testing_support
