// send-robot: plays the user at ParcelonSend's windows, found by their caption.
//   send-robot answer CAPTION PNG   a message box: prints its text, saves a picture, presses OK
//   send-robot cancel CAPTION PNG   the progress window: saves a picture once it shows, presses Cancel
//   send-robot choose CAPTION PNG   the send choice window: prints its question and choices, saves
//                                   a picture, presses its first choice
//   send-robot report CAPTION PNG   the report window: prints its line, saves a picture, presses OK
// Waits up to 30 seconds for the window; exit code 1 when none came.
#include <cstdio>
#include <string>
#include <windows.h>

#include "client/dialog/SendChoiceWindow.h"
#include "client/resources/ResourceIds.h"
#include "common/TextConversion.h"
#include "tests/support/WindowScreenshot.h"

namespace {
constexpr int kMessageBoxText = 0xFFFF;

struct Search {
    const wchar_t* caption;
    int childId;  // told apart by a control of their own: all of them are called "Parcelon"
    HWND found = nullptr;
};

BOOL CALLBACK Consider(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    wchar_t caption[64] = {};
    GetWindowTextW(window, caption, 64);
    if (IsWindowVisible(window) && wcscmp(caption, search->caption) == 0 && GetDlgItem(window, search->childId)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForVisible(const wchar_t* caption, int childId) {
    for (int waited = 0; waited < 30000; waited += 50) {
        Search search{caption, childId};
        EnumWindows(Consider, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
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
        fprintf(stderr, "usage: send-robot answer|cancel|choose|report CAPTION PNG\n");
        return 2;
    }
    std::wstring action = argv[1];
    int textId = action == L"answer"   ? kMessageBoxText
                 : action == L"choose" ? parcelon::kSendQuestionText
                 : action == L"report" ? IDC_REPORT_TEXT
                                       : IDC_SEND_TEXT;
    HWND window = WaitForVisible(argv[2], textId);
    if (!window) {
        fprintf(stderr, "send-robot: no window found\n");
        return 1;
    }
    Sleep(300);  // painted
    if (action != L"cancel") {
        std::string text = parcelon::Utf8FromWide(TextOf(GetDlgItem(window, textId)));
        printf("text: %s\n", text.c_str());
        std::string choices;
        for (int id = parcelon::kFirstSendChoice; action == L"choose" && GetDlgItem(window, id); ++id)
            choices += (choices.empty() ? "" : " | ") + parcelon::Utf8FromWide(TextOf(GetDlgItem(window, id)));
        if (!choices.empty()) printf("choices: %s\n", choices.c_str());
        fflush(stdout);
    }
    bool saved = testing_support::SaveWindowPng(window, argv[3]);
    // The button's own click, as a person's would be.
    int button = action == L"choose" ? parcelon::kFirstSendChoice : action == L"cancel" ? IDCANCEL : IDOK;
    HWND control = GetDlgItem(window, button);
    if (!control && button == IDOK) control = GetDlgItem(window, IDCANCEL);  // a box with OK only answers either
    if (control) PostMessageW(control, BM_CLICK, 0, 0);
    printf("pressed %s\n", parcelon::Utf8FromWide(TextOf(control)).c_str());
    return saved && control ? 0 : 3;
}
