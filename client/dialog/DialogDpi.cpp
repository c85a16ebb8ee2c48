// Laying out a dialog again for a new DPI.
#include "DialogDpi.h"

namespace parcelon {

void TakeOverDpiChanges(HWND dialog) {
    using SetBehavior = BOOL(WINAPI*)(HWND, int, int);
    constexpr int kDisableAll = 1;  // DDC_DISABLE_ALL
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    auto set = user32 ? reinterpret_cast<SetBehavior>(
                            reinterpret_cast<void*>(GetProcAddress(user32, "SetDialogDpiChangeBehavior")))
                      : nullptr;
    if (set) set(dialog, kDisableAll, kDisableAll);
}

void RescaleDialog(HWND dialog, UINT from, UINT to, const RECT& suggested, UniqueGdiObject& font) {
    if (from == 0 || to == 0 || from == to) return;
    auto scale = [&](LONG value) { return MulDiv(value, static_cast<int>(to), static_cast<int>(from)); };
    LOGFONTW face = {};
    HFONT current = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    if (current && GetObjectW(current, sizeof face, &face) == sizeof face) {
        face.lfHeight = scale(face.lfHeight);
        UniqueGdiObject made(CreateFontIndirectW(&face));
        if (made) {
            for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
                SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(made.get()), FALSE);
            SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(made.get()), FALSE);
            font = std::move(made);  // the old one goes only now that nothing uses it
        }
    }
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT r = {};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        SetWindowPos(child, nullptr, scale(r.left), scale(r.top), scale(r.right) - scale(r.left),
                     scale(r.bottom) - scale(r.top), SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SetWindowPos(dialog, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace parcelon
