// send-robot: plays the user at ParcelonSend's windows, found by their caption.
//   send-robot answer CAPTION PNG   a message box: prints its text, saves a picture, presses OK
//   send-robot cancel CAPTION PNG   the progress window: saves a picture once it shows, presses Cancel
// Waits up to 30 seconds for the window; exit code 1 when none came.
#include <cstdio>
#include <string>
#include <windows.h>

#include "common/TextConversion.h"
#include "tests/support/WindowScreenshot.h"

namespace {
constexpr int kMessageBoxText = 0xFFFF;

HWND WaitForVisible(const wchar_t* caption) {
    for (int waited = 0; waited < 30000; waited += 50) {
        HWND window = FindWindowW(L"#32770", caption);
        if (window && IsWindowVisible(window)) return window;
        Sleep(50);
    }
    return nullptr;
}

std::wstring TextOf(HWND control) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: send-robot answer|cancel CAPTION PNG\n");
        return 2;
    }
    std::wstring action = argv[1];
    HWND window = WaitForVisible(argv[2]);
    if (!window) {
        fprintf(stderr, "send-robot: no window found\n");
        return 1;
    }
    Sleep(300);  // painted
    if (action == L"answer") {
        std::string text = parcelon::Utf8FromWide(TextOf(GetDlgItem(window, kMessageBoxText)));
        printf("text: %s\n", text.c_str());
        fflush(stdout);
    }
    bool saved = testing_support::SaveWindowPng(window, argv[3]);
    // The button's own click, as a person's would be.
    int button = action == L"answer" ? IDOK : IDCANCEL;
    HWND control = GetDlgItem(window, button);
    if (!control && button == IDOK) control = GetDlgItem(window, IDCANCEL);  // a box with OK only answers either
    if (control) PostMessageW(control, BM_CLICK, 0, 0);
    printf("pressed %s\n", button == IDOK ? "OK" : "Cancel");
    return saved && control ? 0 : 3;
}
