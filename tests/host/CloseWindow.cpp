// close-window CAPTION PNG: plays the person at parcelon-host's compose window. Waits for
// the top-level window with that caption, saves a picture of it, closes it as the user
// would with the window's close box, and waits until it is gone.
#include <cstdio>
#include <string>
#include <windows.h>

#include "tests/support/WindowScreenshot.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: close-window CAPTION PNG\n");
        return 2;
    }
    HWND window = nullptr;
    for (int waited = 0; !window && waited < 30000; waited += 100) {
        window = FindWindowW(nullptr, argv[1]);
        if (!window) Sleep(100);
    }
    if (!window) {
        fprintf(stderr, "close-window: no window found\n");
        return 1;
    }
    Sleep(300);  // the add-in installs its button on the first activation
    bool saved = testing_support::SaveWindowPng(window, argv[2]);
    PostMessageW(window, WM_CLOSE, 0, 0);
    // A close the window does not act on is said here: a host left running afterwards is
    // then known to have been asked, or not.
    for (int waited = 0; IsWindow(window); waited += 100) {
        if (waited >= 60000) {
            fprintf(stderr, "close-window: the window is still there 60 s after it was closed\n");
            return 4;
        }
        Sleep(100);
    }
    return saved ? 0 : 3;
}
