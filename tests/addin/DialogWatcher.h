// Answers the dialog a click opens the way a user would: a second thread waits for a
// dialog window (#32770) of this process, notes its owner and caption, and cancels it.
#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <windows.h>

namespace testing_support {

class DialogWatcher {
public:
    DialogWatcher();
    // Stops waiting; joins the thread.
    ~DialogWatcher();

    bool seen() const { return seen_; }
    HWND owner() const { return owner_; }
    const std::wstring& caption() const { return caption_; }
    // Dialogs answered so far.
    int count() const { return count_; }

private:
    void Watch();

    std::atomic<bool> stop_{false};
    std::atomic<bool> seen_{false};
    std::atomic<int> count_{0};
    HWND owner_ = nullptr;
    std::wstring caption_;
    std::thread thread_;
};

}  // namespace testing_support
