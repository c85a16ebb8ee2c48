// Answers the dialog a click opens the way a user would.
#include "DialogWatcher.h"

namespace testing_support {

namespace {
struct Search {
    DWORD process;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (process != search->process || wcscmp(className, L"#32770") != 0 || !IsWindowVisible(window)) return TRUE;
    search->found = window;
    return FALSE;
}
}  // namespace

DialogWatcher::DialogWatcher() : thread_([this] { Watch(); }) {}

DialogWatcher::~DialogWatcher() {
    stop_ = true;
    thread_.join();
}

void DialogWatcher::Watch() {
    HWND answered = nullptr;
    while (!stop_) {
        Search search = {GetCurrentProcessId(), nullptr};
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found && search.found != answered) {
            owner_ = GetWindow(search.found, GW_OWNER);
            wchar_t text[256] = {};
            GetWindowTextW(search.found, text, 256);
            caption_ = text;
            seen_ = true;
            ++count_;
            answered = search.found;
            PostMessageW(search.found, WM_COMMAND, IDCANCEL, 0);
        }
        Sleep(20);
    }
}

}  // namespace testing_support
