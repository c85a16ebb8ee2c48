// Work done on a thread of its own while the user-interface thread keeps answering its
// window messages, so that the host's windows repaint and respond meanwhile.
#pragma once

#include <atomic>
#include <functional>
#include <windows.h>

namespace parcelon {

// Runs `work` on another thread and dispatches this thread's messages until it has ended
// (keyboard messages for `dialog` go through its dialog manager). A WM_QUIT sets `cancel`
// and is posted again afterwards. An exception thrown by the work is thrown here.
void RunWhileDispatching(const std::function<void()>& work, HWND dialog, std::atomic<bool>& cancel);

// Dispatches the messages already waiting, without blocking.
void DispatchWaitingMessages(HWND dialog, std::atomic<bool>& cancel);

}  // namespace parcelon
