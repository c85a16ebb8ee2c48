// The DPI of a window and the per-monitor DPI context the add-in's windows are made in.
// The functions for both are newer than the oldest Windows the add-in runs on (and than
// some Wine versions), so they are looked up at run time.
#pragma once

#include <windows.h>

namespace parcelon {

constexpr UINT kDefaultDpi = 96;

// GetDpiForWindow where Windows has it, else the screen's DPI.
UINT DpiOfWindow(HWND window);
// The screen's DPI (the one a window not aware of DPI is drawn at).
UINT ScreenDpi();
// `value` pixels at 96 DPI, at `dpi`.
int ScaleToDpi(int value, UINT dpi);

// Makes the windows the thread creates while it lives per-monitor DPI aware (version 2
// where Windows has it), and puts the thread's context back when it goes. Does nothing
// where Windows has no thread DPI contexts.
class PerMonitorDpiScope {
public:
    PerMonitorDpiScope();
    ~PerMonitorDpiScope();
    PerMonitorDpiScope(const PerMonitorDpiScope&) = delete;
    PerMonitorDpiScope& operator=(const PerMonitorDpiScope&) = delete;

private:
    void* previous_ = nullptr;  // the thread's DPI_AWARENESS_CONTEXT before
};

}  // namespace parcelon
