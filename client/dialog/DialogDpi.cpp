// Laying out a dialog again for a new DPI.
#include "DialogDpi.h"

#include <commctrl.h>

#include "common/WindowDC.h"

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

namespace {
// The font RescaleDialog gave the dialog: the dialog manager keeps answering WM_GETFONT
// with the one it made from the template. The handle is owned by the dialog's caller; the
// property goes with the window.
constexpr wchar_t kFontProperty[] = L"Parcelon.DialogFont";

// The dialog manager's base units of a font: its average width of the letters and its height.
SIZE BaseUnits(HFONT font) {
    static const wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    WindowDC screen(nullptr);
    HGDIOBJ old = SelectObject(screen.get(), font);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(screen.get(), &metrics);
    SIZE letters = {};
    GetTextExtentPoint32W(screen.get(), kLetters, 52, &letters);
    SelectObject(screen.get(), old);
    return {(letters.cx / 26 + 1) / 2, metrics.tmHeight};
}

// A report list's columns keep their widths in pixels: they grow with the screen's scale,
// or a column sized for one DPI cuts its header at a higher one.
void RescaleColumns(HWND list, UINT from, UINT to) {
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    int columns = header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    for (int c = 0; c < columns; ++c) {
        int width = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, c, 0));
        SendMessageW(list, LVM_SETCOLUMNWIDTH, c, MulDiv(width, static_cast<int>(to), static_cast<int>(from)));
    }
}

bool IsList(HWND window) {
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    return lstrcmpiW(name, WC_LISTVIEWW) == 0;
}
}  // namespace

HFONT DialogFont(HWND dialog) {
    if (HANDLE rescaled = GetPropW(dialog, kFontProperty)) return static_cast<HFONT>(rescaled);
    return reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
}

SIZE WrappedTextSize(HWND dialog, const std::wstring& text, int width) {
    WindowDC dc(dialog);
    HGDIOBJ old = SelectObject(dc.get(), DialogFont(dialog));
    RECT extent = {0, 0, width, 0};
    DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc.get(), old);
    return {extent.right, extent.bottom};
}

RECT DialogUnitsToPixels(HWND dialog, const RECT& units) {
    SIZE base = BaseUnits(DialogFont(dialog));
    return {MulDiv(units.left, base.cx, 4), MulDiv(units.top, base.cy, 8), MulDiv(units.right, base.cx, 4),
            MulDiv(units.bottom, base.cy, 8)};
}

SIZE DialogUnits(HWND dialog, int x, int y) {
    RECT pixels = DialogUnitsToPixels(dialog, {0, 0, x, y});
    return {pixels.right, pixels.bottom};
}

void RescaleDialog(HWND dialog, UINT from, UINT to, const RECT& suggested, UniqueGdiObject& font) {
    if (from == 0 || to == 0 || from == to) return;
    LOGFONTW face = {};
    HFONT current = DialogFont(dialog);
    if (!current || GetObjectW(current, sizeof face, &face) != sizeof face) return;
    face.lfHeight = MulDiv(face.lfHeight, static_cast<int>(to), static_cast<int>(from));
    UniqueGdiObject made(CreateFontIndirectW(&face));
    if (!made) return;
    // Fonts do not scale in proportion: the controls keep their places in dialog units of
    // the new font, as the dialog manager would have laid them out at the new DPI.
    SIZE was = BaseUnits(current), now = BaseUnits(static_cast<HFONT>(made.get()));
    if (was.cx <= 0 || was.cy <= 0) return;
    auto x = [&](LONG value) { return MulDiv(value, now.cx, was.cx); };
    auto y = [&](LONG value) { return MulDiv(value, now.cy, was.cy); };
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT r = {};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(made.get()), FALSE);
        SetWindowPos(child, nullptr, x(r.left), y(r.top), x(r.right) - x(r.left), y(r.bottom) - y(r.top),
                     SWP_NOZORDER | SWP_NOACTIVATE);
        if (IsList(child)) RescaleColumns(child, from, to);
    }
    SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(made.get()), FALSE);
    SetPropW(dialog, kFontProperty, made.get());
    font = std::move(made);  // the old one goes only now that nothing uses it
    // Where the system suggests; large enough for the controls.
    RECT window = {}, client = {};
    GetWindowRect(dialog, &window);
    GetClientRect(dialog, &client);
    LONG width = suggested.right - suggested.left, height = suggested.bottom - suggested.top;
    LONG frameWidth = window.right - window.left - client.right, frameHeight = window.bottom - window.top - client.bottom;
    if (width < frameWidth + x(client.right)) width = frameWidth + x(client.right);
    if (height < frameHeight + y(client.bottom)) height = frameHeight + y(client.bottom);
    SetWindowPos(dialog, nullptr, suggested.left, suggested.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void DialogScale::Begin(HWND dialog) {
    dpi_ = DpiOfWindow(dialog);
    TakeOverDpiChanges(dialog);
}

bool DialogScale::Change(HWND dialog, WPARAM wParam, LPARAM lParam) {
    UINT dpi = HIWORD(wParam);
    if (dpi == 0 || dpi == dpi_) return false;
    RescaleDialog(dialog, dpi_, dpi, *reinterpret_cast<const RECT*>(lParam), font_);
    dpi_ = dpi;
    return true;
}

}  // namespace parcelon
