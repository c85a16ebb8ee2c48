// Work done on a thread of its own while the user-interface thread answers its messages.
#include "BackgroundWork.h"

#include <exception>
#include <optional>

#include "common/UniqueResource.h"

namespace parcelon {

namespace {
struct Job {
    const std::function<void()>& work;
    std::exception_ptr failure;
};

DWORD WINAPI RunJob(void* parameter) {
    Job& job = *static_cast<Job*>(parameter);
    try {
        job.work();
    } catch (...) {
        job.failure = std::current_exception();
    }
    return 0;
}

// Dispatches what is waiting; the exit code of a WM_QUIT met, if any.
std::optional<int> Dispatch(HWND dialog) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
        if (dialog && IsWindow(dialog) && IsDialogMessageW(dialog, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return std::nullopt;
}
}  // namespace

void DispatchWaitingMessages(HWND dialog, std::atomic<bool>& cancel) {
    if (std::optional<int> quit = Dispatch(dialog)) {
        cancel = true;
        PostQuitMessage(*quit);
    }
}

void RunWhileDispatching(const std::function<void()>& work, HWND dialog, std::atomic<bool>& cancel) {
    Job job{work, nullptr};
    UniqueHandle thread(CreateThread(nullptr, 0, RunJob, &job, 0, nullptr));
    if (!thread) {
        work();  // no thread to be had: the work runs here, as it would have before
        return;
    }
    std::optional<int> quit;
    HANDLE handle = thread.get();
    for (;;) {
        DWORD woken = MsgWaitForMultipleObjectsEx(1, &handle, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woken == WAIT_OBJECT_0) break;
        if (woken == WAIT_FAILED) {
            WaitForSingleObject(handle, INFINITE);
            break;
        }
        if (std::optional<int> code = Dispatch(dialog)) {
            quit = code;
            cancel = true;
        }
    }
    if (quit) PostQuitMessage(*quit);
    if (job.failure) std::rethrow_exception(job.failure);
}

}  // namespace parcelon
