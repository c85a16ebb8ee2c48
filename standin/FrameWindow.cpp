// A real top-level window of the stand-in.
#include "FrameWindow.h"

#include "CommandBarObjects.h"
#include "ScreenPixels.h"
#include "common/WindowDC.h"

namespace standin {

namespace {
constexpr wchar_t kClassName[] = L"ParcelonStandInFrame";
constexpr int kBarHeight = 28;
constexpr int kFaceSize = 16;

ATOM RegisterFrameClass(WNDPROC procedure) {
    static ATOM atom = [procedure] {
        WNDCLASSEXW c = {};
        c.cbSize = sizeof c;
        c.lpfnWndProc = procedure;
        c.hInstance = GetModuleHandleW(nullptr);
        c.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        c.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        c.lpszClassName = kClassName;
        return RegisterClassExW(&c);
    }();
    return atom;
}

bool DrawsFace(const CommandBarControl& c) { return c.isButton() && c.style != 2 && (c.face || c.faceId); }
bool DrawsCaption(const CommandBarControl& c) { return !c.isButton() || c.style != 1 || !DrawsFace(c); }

// A built-in face: the stand-in has no icon library, so every FaceId looks alike.
void DrawBuiltInFace(HDC dc, int x, int y) {
    RECT outer = {x + Px(1), y + Px(1), x + Px(kFaceSize - 1), y + Px(kFaceSize - 1)};
    FillRect(dc, &outer, GetSysColorBrush(COLOR_3DSHADOW));
    RECT inner = {x + Px(4), y + Px(4), x + Px(kFaceSize - 4), y + Px(kFaceSize - 4)};
    FillRect(dc, &inner, GetSysColorBrush(COLOR_WINDOW));
}
}  // namespace

FrameWindow::FrameWindow(std::wstring caption, CommandBars* bars) : caption_(std::move(caption)), bars_(bars) {}

FrameWindow::~FrameWindow() { Destroy(); }

void FrameWindow::Destroy() {
    if (!window_) return;
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
    window_ = nullptr;
}

HWND FrameWindow::Handle() {
    if (window_) return window_;
    RegisterFrameClass(&Procedure);
    window_ = CreateWindowExW(0, kClassName, caption_.c_str(), WS_OVERLAPPEDWINDOW, Px(40), Px(40), Px(640), Px(420), nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
    if (window_) SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return window_;
}

void FrameWindow::Show() {
    if (!Handle()) return;
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
}

void FrameWindow::Redraw() {
    if (window_) {
        InvalidateRect(window_, nullptr, TRUE);
        UpdateWindow(window_);
    }
}

// Calls visit(control, rect) for every drawn control, bar by bar from the top; returns
// through `visit` returning true.
template <class Visit>
void FrameWindow::Layout(HDC dc, Visit visit) {
    if (showsRibbon) {
        RECT rest = {0, ribbon.Height(), 0, 0};
        visit(nullptr, rest);
        return;
    }
    if (!bars_) return;
    int top = 2;
    for (CommandBar* bar : bars_->bars()) {
        if (!bar || !bar->visible) continue;
        int left = 4;
        for (CommandBarControl* c : bar->controls().items()) {
            if (!c->visible) continue;
            int width = 8;
            if (DrawsFace(*c)) width += Px(kFaceSize) + 4;
            if (DrawsCaption(*c)) {
                SIZE text = {};
                GetTextExtentPoint32W(dc, c->caption.c_str(), static_cast<int>(c->caption.size()), &text);
                width += text.cx + 4;
            }
            RECT rect = {left, top + 2, left + width, top + Px(kBarHeight) - 2};
            if (visit(c, rect)) return;
            left += width + 2;
        }
        top += Px(kBarHeight);
    }
    RECT rest = {0, top, 0, 0};
    visit(nullptr, rest);
}

template <class Use>
auto FrameWindow::WithDC(Use use) {
    HDC dc = GetDC(window_);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    auto result = use(dc);
    SelectObject(dc, old);
    ReleaseDC(window_, dc);
    return result;
}

bool FrameWindow::ControlRect(const CommandBarControl* control, RECT& rect) {
    if (!Handle()) return false;
    return WithDC([&](HDC dc) {
        bool found = false;
        Layout(dc, [&](CommandBarControl* c, const RECT& r) {
            if (c != control || !c) return false;
            rect = r;
            found = true;
            return true;
        });
        return found;
    });
}

bool FrameWindow::RibbonButtonRect(const RibbonButton* button, RECT& rect) {
    if (!showsRibbon || !Handle()) return false;
    return WithDC([&](HDC dc) { return ribbon.ButtonRect(dc, button, rect); });
}

void FrameWindow::Paint(HDC dc) {
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    RECT client = {};
    GetClientRect(window_, &client);
    if (showsRibbon) ribbon.Paint(dc, client.right);
    int bodyTop = 0;
    Layout(dc, [&](CommandBarControl* c, const RECT& r) {
        if (!c) {
            bodyTop = r.top;
            return false;
        }
        RECT edge = r;
        DrawEdge(dc, &edge, c->isButton() ? EDGE_RAISED : EDGE_SUNKEN, BF_RECT);
        int x = r.left + 4;
        int y = r.top + (r.bottom - r.top - Px(kFaceSize)) / 2;
        if (DrawsFace(*c)) {
            if (c->face) {
                // A face drawn for another scale is stretched, as the command bars do.
                BITMAP info = {};
                GetObjectW(c->face.get(), sizeof info, &info);
                parcelon::MemoryDC memory(dc, c->face.get());
                if (memory)
                    StretchBlt(dc, x, y, Px(kFaceSize), Px(kFaceSize), memory.get(), 0, 0, info.bmWidth, info.bmHeight,
                               SRCCOPY);
            } else {
                DrawBuiltInFace(dc, x, y);
            }
            x += Px(kFaceSize) + 4;
        }
        if (DrawsCaption(*c)) {
            RECT text = {x, r.top, r.right - 2, r.bottom};
            SetTextColor(dc, GetSysColor(c->enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
            DrawTextW(dc, c->caption.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
        }
        return false;
    });
    RECT page = {client.left + 4, bodyTop + 4, client.right - 4, client.bottom - 4};
    FillRect(dc, &page, GetSysColorBrush(COLOR_WINDOW));
    RECT text = {page.left + 6, page.top + 6, page.right - 6, page.bottom - 6};
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    DrawTextW(dc, body.c_str(), -1, &text, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
}

void FrameWindow::ClickAt(POINT point) {
    if (showsRibbon) {
        const RibbonButton* button = WithDC([&](HDC dc) { return ribbon.ButtonAt(dc, point); });
        if (!button || !button->onAction) return;
        auto action = button->onAction;  // the action may change the ribbon
        action();
        return;
    }
    CommandBarControl* hit = WithDC([&](HDC dc) {
        CommandBarControl* found = nullptr;
        Layout(dc, [&](CommandBarControl* c, const RECT& r) {
            if (c && c->isButton() && c->enabled && PtInRect(&r, point)) found = c;
            return found != nullptr;
        });
        return found;
    });
    if (!hit) return;
    hit->AddRef();  // the click may release the last other reference
    VARIANT_BOOL cancelDefault = VARIANT_FALSE;
    hit->Click(&cancelDefault);
    hit->Release();
}

LRESULT CALLBACK FrameWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<FrameWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            self->Paint(dc);
            EndPaint(window, &ps);
            return 0;
        }
        case WM_LBUTTONUP:
            self->ClickAt({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
            return 0;
        case WM_CLOSE:
            if (self->onClose) self->onClose();
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace standin
