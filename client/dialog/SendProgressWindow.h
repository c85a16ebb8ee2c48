// The small window while files are packed outside the attachment dialog (by ParcelonSend,
// or when a message is sent): a line saying what is packed, Cancel, and the attachment
// dialog's progress panel below. It stays hidden for the first half second, so that a
// quick packing shows nothing.
#pragma once

#include <memory>
#include <string>
#include <windows.h>

#include "client/compress/PackProgress.h"
#include "client/dialog/ProgressPanel.h"

namespace parcelon {

class SendProgressWindow {
public:
    SendProgressWindow(HINSTANCE resources, const std::wstring& line, HWND owner = nullptr);
    ~SendProgressWindow();
    SendProgressWindow(const SendProgressWindow&) = delete;
    SendProgressWindow& operator=(const SendProgressWindow&) = delete;

    HWND handle() const { return window_; }
    // Shared with the packing, whose workers may outlive a window that was cancelled.
    const std::shared_ptr<PackProgress>& progress() const { return progress_; }
    // Answers the window's messages until `endMessage` is posted to it.
    void RunUntil(UINT endMessage);

private:
    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnTimer();

    HWND window_ = nullptr;
    std::shared_ptr<PackProgress> progress_ = std::make_shared<PackProgress>();
    std::unique_ptr<ProgressPanel> panel_;
    DWORD since_ = 0;
    UINT endMessage_ = 0;
    bool ended_ = false;
};

}  // namespace parcelon
