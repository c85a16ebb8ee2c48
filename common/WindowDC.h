// Owners of device contexts: a window's, released to the same window, and a memory one
// holding a bitmap to copy from, deleted with the bitmap selected out again.
#pragma once

#include <windows.h>

namespace parcelon {

class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

class MemoryDC {
public:
    MemoryDC(HDC compatibleWith, HGDIOBJ bitmap) : dc_(CreateCompatibleDC(compatibleWith)) {
        if (dc_) previous_ = SelectObject(dc_, bitmap);
    }
    ~MemoryDC() {
        if (!dc_) return;
        SelectObject(dc_, previous_);
        DeleteDC(dc_);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HDC dc_;
    HGDIOBJ previous_ = nullptr;
};

}  // namespace parcelon
