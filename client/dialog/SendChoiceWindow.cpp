// The window that stops a packed archive before it goes on the message.
#include "SendChoiceWindow.h"

#include <cstring>

#include "AttachmentDialog.h"
#include "common/DiagnosticLog.h"
#include "common/WindowDC.h"

namespace parcelon {

namespace {
constexpr int kMargin = 12;
constexpr int kButtonHeight = 26;
constexpr int kButtonGap = 8;
constexpr int kTextWidth = 420;

// A dialog template with no controls; they are made at WM_INITDIALOG, sized to the text.
struct alignas(4) EmptyTemplate {
    DLGTEMPLATE header;
    WORD menu, windowClass;
    wchar_t title[9];
    WORD pointSize;
    wchar_t font[14];
};

struct WindowState {
    const SendQuestion* question;
    SendChoice choice = SendChoice::Back;
};

HWND AddControl(HWND window, const wchar_t* kind, const std::wstring& text, DWORD style, int id, const RECT& at) {
    HWND control = CreateWindowExW(0, kind, text.c_str(), WS_CHILD | WS_VISIBLE | style, at.left, at.top,
                                   at.right - at.left, at.bottom - at.top, window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    SendMessageW(control, WM_SETFONT, SendMessageW(window, WM_GETFONT, 0, 0), FALSE);
    return control;
}

// Text on top, the buttons in a row below it on the right, the window around both.
void Lay(HWND window, const SendQuestion& question) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    WindowDC windowDc(window);
    HDC dc = windowDc.get();
    HGDIOBJ old = SelectObject(dc, font);
    RECT text = {0, 0, kTextWidth, 0};
    DrawTextW(dc, question.text.c_str(), -1, &text, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    std::vector<int> widths;
    int buttons = 0;
    for (const auto& choice : question.choices) {
        SIZE size = {};
        GetTextExtentPoint32W(dc, choice.second.c_str(), static_cast<int>(choice.second.size()), &size);
        widths.push_back(size.cx + 32 > 88 ? size.cx + 32 : 88);
        buttons += widths.back() + kButtonGap;
    }
    SelectObject(dc, old);

    int width = (text.right > buttons ? text.right : buttons) + 2 * kMargin;
    OffsetRect(&text, kMargin, kMargin);
    AddControl(window, L"STATIC", question.text, SS_LEFT | SS_NOPREFIX, kSendQuestionText, text);
    int top = text.bottom + 2 * kMargin;
    int left = width - kMargin - buttons + kButtonGap;
    for (size_t i = 0; i < question.choices.size(); ++i) {
        RECT at = {left, top, left + widths[i], top + kButtonHeight};
        DWORD style = WS_TABSTOP | (i == 0 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        HWND button = AddControl(window, L"BUTTON", question.choices[i].second, style,
                                 kFirstSendChoice + static_cast<int>(i), at);
        if (i == 0) SetFocus(button);
        left += widths[i] + kButtonGap;
    }
    RECT client = {0, 0, width, top + kButtonHeight + kMargin};
    AdjustWindowRectEx(&client, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)));
    SetWindowPos(window, nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    POINT corner = CentreOnScreen(window);
    SetWindowPos(window, nullptr, corner.x, corner.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

INT_PTR CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrW(window, DWLP_USER, lParam);
            Lay(window, *reinterpret_cast<WindowState*>(lParam)->question);
            return FALSE;  // the first button has the focus
        }
        auto* state = reinterpret_cast<WindowState*>(GetWindowLongPtrW(window, DWLP_USER));
        if (message != WM_COMMAND || !state) return FALSE;
        int id = LOWORD(wParam);
        size_t index = static_cast<size_t>(id - kFirstSendChoice);
        if (id >= kFirstSendChoice && index < state->question->choices.size())
            state->choice = state->question->choices[index].first;
        else if (id != IDCANCEL)
            return FALSE;
        EndDialog(window, 1);
        return TRUE;
    } catch (const std::exception& error) {
        PARCELON_LOG_ERROR("Send choice window, message %u: %s", message, error.what());
    }
    return FALSE;
}
}  // namespace

SendChoice AskSendChoice(HWND owner, const SendQuestion& question) {
    EmptyTemplate empty = {};
    empty.header.style = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    empty.header.cx = 200;
    empty.header.cy = 80;
    wcscpy(empty.title, L"Parcelon");
    empty.pointSize = 8;
    wcscpy(empty.font, L"MS Shell Dlg");
    WindowState state{&question};
    INT_PTR shown = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &empty.header, owner, WindowProc,
                                            reinterpret_cast<LPARAM>(&state));
    if (shown == -1) {
        PARCELON_LOG_ERROR("The send choice window could not be opened (%lu)", GetLastError());
        return SendChoice::Back;
    }
    return state.choice;
}

}  // namespace parcelon
