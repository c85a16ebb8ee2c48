// The progress window of packing outside the attachment dialog.
#include "SendProgressWindow.h"

#include "CommonControls.h"
#include "client/resources/ResourceIds.h"

namespace parcelon {

namespace {
constexpr UINT_PTR kProgressTimer = 1;
constexpr UINT kProgressTickMs = 100;
// As the attachment dialog's: packing that ends sooner shows no progress at all.
constexpr DWORD kProgressDelayMs = 500;
// The foot and the right edge of IDD_SEND_PROGRESS, in dialog units.
constexpr int kTemplateHeight = 26;
constexpr int kTemplateRight = 233;
}  // namespace

SendProgressWindow::SendProgressWindow(HINSTANCE resources, const std::wstring& line, HWND owner) {
    // The progress bar here and the report's list later.
    InitCommonControlsLate(ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS);
    window_ = CreateDialogParamW(resources, MAKEINTRESOURCEW(IDD_SEND_PROGRESS), owner, Procedure,
                                 reinterpret_cast<LPARAM>(this));
    if (!window_) return;
    SetDlgItemTextW(window_, IDC_SEND_TEXT, line.c_str());
    panel_ = std::make_unique<ProgressPanel>(window_, kTemplateHeight, kTemplateRight);
    since_ = GetTickCount();
    SetTimer(window_, kProgressTimer, kProgressTickMs, nullptr);
}

SendProgressWindow::~SendProgressWindow() {
    if (!window_) return;
    KillTimer(window_, kProgressTimer);
    panel_.reset();
    DestroyWindow(window_);
}

void SendProgressWindow::RunUntil(UINT endMessage) {
    endMessage_ = endMessage;
    MSG message;
    while (!ended_ && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd == window_ && message.message == endMessage_) {
            ended_ = true;
            break;
        }
        if (window_ && IsDialogMessageW(window_, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void SendProgressWindow::OnTimer() {
    if (!panel_->shown() && GetTickCount() - since_ >= kProgressDelayMs) {
        panel_->Show();
        ShowWindow(window_, SW_SHOW);
        SetForegroundWindow(window_);
    }
    panel_->Update(*progress_);
}

INT_PTR CALLBACK SendProgressWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        return TRUE;
    }
    auto* self = reinterpret_cast<SendProgressWindow*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!self) return FALSE;
    switch (message) {
    case WM_TIMER:
        if (wParam == kProgressTimer && self->panel_) self->OnTimer();
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) != IDCANCEL) return FALSE;
        self->progress_->cancel = true;
        if (self->panel_) self->panel_->Update(*self->progress_);
        EnableWindow(GetDlgItem(window, IDCANCEL), FALSE);
        return TRUE;
    case WM_CLOSE:
        SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
        return TRUE;
    }
    return FALSE;
}

}  // namespace parcelon
