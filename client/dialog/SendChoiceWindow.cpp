// The window that stops a packed archive before it goes on the message: laid out in dialog
// units of its font, and again when it is moved to a screen of another scale.
#include "SendChoiceWindow.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "AttachmentDialog.h"
#include "DialogDpi.h"
#include "common/ActivationContext.h"
#include "common/DiagnosticLog.h"
#include "common/EntryGuard.h"
#include "common/ModuleThread.h"

namespace parcelon {

namespace {
// In dialog units.
constexpr int kMargin = 7;
constexpr int kButtonGap = 4;
constexpr int kTextWidth = 280;  // where the question wraps
constexpr int kTextToButtons = 14;
constexpr int kButtonHeight = 14;
constexpr int kButtonWidth = 58;    // at least
constexpr int kButtonPadding = 11;  // each side of a button's text

// A dialog template with no controls; they are made at WM_INITDIALOG and laid out to the text.
struct alignas(4) EmptyTemplate {
    DLGTEMPLATE header;
    WORD menu, windowClass;
    wchar_t title[9];
    WORD pointSize;
    wchar_t font[15];
};

struct WindowState {
    const SendQuestion* question = nullptr;
    SendChoice choice = SendChoice::Back;
    DialogScale scale;
};

HWND ButtonAt(HWND window, size_t index) { return GetDlgItem(window, kFirstSendChoice + static_cast<int>(index)); }

void AddControl(HWND window, const wchar_t* kind, const std::wstring& text, DWORD style, int id) {
    HWND control = CreateWindowExW(0, kind, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont(window)), FALSE);
}

void AddControls(HWND window, const SendQuestion& question) {
    AddControl(window, L"STATIC", question.text, SS_LEFT | SS_NOPREFIX, kSendQuestionText);
    for (size_t i = 0; i < question.choices.size(); ++i)
        AddControl(window, L"BUTTON", question.choices[i].second,
                   WS_TABSTOP | (i == 0 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), kFirstSendChoice + static_cast<int>(i));
    SetFocus(ButtonAt(window, 0));
}

// Text on top, the buttons in a row below it on the right, the window around both; its
// top-left corner stays where it is.
void Lay(HWND window, const SendQuestion& question) {
    SIZE margin = DialogUnits(window, kMargin, kMargin), gap = DialogUnits(window, kButtonGap, kTextToButtons);
    SIZE button = DialogUnits(window, kButtonWidth, kButtonHeight), padding = DialogUnits(window, kButtonPadding, 0);
    SIZE text = WrappedTextSize(window, question.text, DialogUnits(window, kTextWidth, 0).cx);
    std::vector<int> widths;
    int buttons = 0;
    for (const auto& choice : question.choices) {
        int label = WrappedTextSize(window, choice.second, INT_MAX / 2).cx;
        widths.push_back(std::max<int>(button.cx, label + 2 * padding.cx));
        buttons += widths.back() + gap.cx;
    }

    int width = std::max<int>(text.cx, buttons - gap.cx) + 2 * margin.cx;
    MoveWindow(GetDlgItem(window, kSendQuestionText), margin.cx, margin.cy, text.cx, text.cy, TRUE);
    int top = margin.cy + text.cy + gap.cy;
    int left = width - margin.cx - (buttons - gap.cx);
    for (size_t i = 0; i < question.choices.size(); ++i) {
        MoveWindow(ButtonAt(window, i), left, top, widths[i], button.cy, TRUE);
        left += widths[i] + gap.cx;
    }
    RECT client = {0, 0, width, top + button.cy + margin.cy};
    AdjustWindowRectEx(&client, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)));
    SetWindowPos(window, nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* state = reinterpret_cast<WindowState*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        state->scale.Begin(window);
        AddControls(window, *state->question);
        Lay(window, *state->question);
        POINT corner = CentreOnScreen(window);
        SetWindowPos(window, nullptr, corner.x, corner.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        return FALSE;  // the first button has the focus
    }
    auto* state = reinterpret_cast<WindowState*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!state) return FALSE;
    if (message == WM_DPICHANGED) {
        if (state->scale.Change(window, wParam, lParam)) Lay(window, *state->question);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    int id = LOWORD(wParam);
    size_t index = static_cast<size_t>(id - kFirstSendChoice);
    if (id >= kFirstSendChoice && index < state->question->choices.size())
        state->choice = state->question->choices[index].first;
    else if (id != IDCANCEL)
        return FALSE;
    EndDialog(window, 1);
    return TRUE;
}

INT_PTR CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return GuardedEntry("Send choice window", INT_PTR(FALSE),
                        [&] { return OnMessage(window, message, wParam, lParam); });
}
}  // namespace

SendChoice AskSendChoice(HWND owner, const SendQuestion& question) {
    EmptyTemplate empty = {};
    empty.header.style = DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    empty.header.cx = 200;
    empty.header.cy = 80;
    wcscpy(empty.title, L"Parcelon");
    // The shell font, as the dialogs of the resources name it.
    empty.pointSize = 8;
    wcscpy(empty.font, L"MS Shell Dlg 2");
    WindowState state;
    state.question = &question;
    PerMonitorDpiScope dpiAware;
    // In the module's own context its buttons are themed, as in the dialog that asks.
    ModuleActivationScope themed(ThisModule());
    INT_PTR shown = DialogBoxIndirectParamW(ThisModule(), &empty.header, owner, WindowProc,
                                            reinterpret_cast<LPARAM>(&state));
    if (shown == -1) {
        PARCELON_LOG_ERROR("The send choice window could not be opened (%lu)", GetLastError());
        return SendChoice::Back;
    }
    return state.choice;
}

}  // namespace parcelon
