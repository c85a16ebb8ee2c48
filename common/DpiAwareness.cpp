// The DPI of a window and the per-monitor DPI context, through user32's newer functions
// where they exist.
#include "DpiAwareness.h"

#include "WindowDC.h"

namespace parcelon {

namespace {
// DPI_AWARENESS_CONTEXT values of the SDK, which older headers lack.
void* const kPerMonitorAwareV2 = reinterpret_cast<void*>(static_cast<INT_PTR>(-4));
void* const kPerMonitorAware = reinterpret_cast<void*>(static_cast<INT_PTR>(-3));

template <typename Function>
Function User32Function(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

using SetThreadContext = void*(WINAPI*)(void*);
}  // namespace

UINT ScreenDpi() {
    WindowDC screen(nullptr);
    int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

UINT DpiOfWindow(HWND window) {
    static const auto getDpiForWindow = User32Function<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    UINT dpi = getDpiForWindow && window ? getDpiForWindow(window) : 0;
    return dpi ? dpi : ScreenDpi();
}

int ScaleToDpi(int value, UINT dpi) { return MulDiv(value, static_cast<int>(dpi), static_cast<int>(kDefaultDpi)); }

PerMonitorDpiScope::PerMonitorDpiScope() {
    static const auto setContext = User32Function<SetThreadContext>("SetThreadDpiAwarenessContext");
    if (!setContext) return;
    // Windows before version 1703 know only the first per-monitor context.
    previous_ = setContext(kPerMonitorAwareV2);
    if (!previous_) previous_ = setContext(kPerMonitorAware);
}

PerMonitorDpiScope::~PerMonitorDpiScope() {
    static const auto setContext = User32Function<SetThreadContext>("SetThreadDpiAwarenessContext");
    if (setContext && previous_) setContext(previous_);
}

}  // namespace parcelon
