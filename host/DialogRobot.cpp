// parcelon-host's robot working the attachment dialog through its window messages.
#include "DialogRobot.h"

#include <commctrl.h>
#include <cstdio>

#include "DropFiles.h"
#include "client/dialog/ArchiveName.h"
#include "client/dialog/SendChoiceWindow.h"
#include "client/resources/ResourceIds.h"
#include "common/FileSystemPath.h"
#include "common/TextConversion.h"

namespace host {

namespace {
constexpr DWORD kPackingWaitMs = 30 * 60 * 1000;
constexpr int kMessageBoxText = 0xFFFF;

std::wstring TextOf(HWND window) {
    std::wstring text(static_cast<size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(static_cast<size_t>(SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]))));
    return text;
}

std::string SystemMessage(DWORD error) {
    wchar_t* text = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length ? std::wstring(text, length) : L"error " + std::to_wstring(error);
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
        message.pop_back();
    return parcelon::Utf8FromWide(message);
}

void SetCheck(HWND dialog, int id, bool on) {
    HWND box = GetDlgItem(dialog, id);
    if ((SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED) != on) SendMessageW(box, BM_CLICK, 0, 0);
}

// The paths a user could drop: those that exist. Explorer never drops a missing one.
std::vector<std::wstring> DroppablePaths(const ComposeOptions& options) {
    std::vector<std::wstring> paths;
    for (const std::string& path : options.attach) {
        if (GetFileAttributesW(parcelon::FileSystemPath(path).c_str()) == INVALID_FILE_ATTRIBUTES)
            printf("left out: %s (%s)\n", path.c_str(), SystemMessage(GetLastError()).c_str());
        else
            paths.push_back(parcelon::WideFromUtf8(path));
    }
    return paths;
}

// Prints the report box line by line in the program's own words; true when it says the
// action stopped.
bool PrintReport(const std::wstring& text) {
    static const std::wstring kStopped = L"Attaching stopped: ";
    bool stopped = text.compare(0, kStopped.size(), kStopped) == 0;
    size_t start = 0;
    for (bool first = true; start <= text.size(); first = false) {
        size_t end = text.find(L'\n', start);
        std::wstring line = text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        start = end == std::wstring::npos ? text.size() + 1 : end + 1;
        size_t colon = line.find(L": ");
        if (first && stopped)
            printf("stopped: %s\n", parcelon::Utf8FromWide(line.substr(kStopped.size())).c_str());
        else if (!first && colon != std::wstring::npos && !stopped)
            printf("left out: %s (%s)\n", parcelon::Utf8FromWide(line.substr(0, colon)).c_str(),
                   parcelon::Utf8FromWide(line.substr(colon + 2)).c_str());
        else if (!line.empty())
            printf("report: %s\n", parcelon::Utf8FromWide(line).c_str());
    }
    return stopped;
}

std::wstring CellOf(HWND list, int row, int column) {
    std::wstring text(1024, L'\0');
    for (;;) {
        LVITEMW item = {};
        item.iSubItem = column;
        item.pszText = &text[0];
        item.cchTextMax = static_cast<int>(text.size());
        size_t length = static_cast<size_t>(SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item)));
        if (length + 1 < text.size()) return text.substr(0, length);
        text.resize(text.size() * 2);
    }
}

// The report window of left-out and renamed files: its line, then a line for each of its
// rows.
void PrintReportRows(const std::wstring& summary, HWND list) {
    printf("report: %s\n", parcelon::Utf8FromWide(summary).c_str());
    int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
        std::wstring reason = CellOf(list, row, 1);
        bool renamed = reason.compare(0, 10, L"packed as ") == 0;
        printf("%s: %s (%s)\n", renamed ? "renamed" : "left out", parcelon::Utf8FromWide(CellOf(list, row, 0)).c_str(),
               parcelon::Utf8FromWide(reason).c_str());
    }
}

// The button a user gives for `answer`.
bool IsAnswer(const std::wstring& button, const std::string& answer) {
    if (answer == "split") return button.compare(0, 8, L"Send in ") == 0;
    if (answer == "anyway") return button == L"Attach anyway" || button == L"Send anyway";
    if (answer == "pack") return button == L"Pack and send";
    if (answer == "leave-out") return button == L"Leave them out";
    return button == L"Back";
}

}  // namespace

bool AnswerQuestion(HWND window, const std::string& answer) {
    std::wstring text = TextOf(GetDlgItem(window, parcelon::kSendQuestionText));
    for (size_t start = 0; start <= text.size();) {
        size_t end = text.find(L'\n', start);
        std::wstring line = text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        if (!line.empty()) printf("question: %s\n", parcelon::Utf8FromWide(line).c_str());
        start = end == std::wstring::npos ? text.size() + 1 : end + 1;
    }
    HWND chosen = nullptr, back = nullptr;
    std::string choices;
    for (int id = parcelon::kFirstSendChoice; HWND button = GetDlgItem(window, id); ++id) {
        std::wstring caption = TextOf(button);
        choices += (choices.empty() ? "" : " | ") + parcelon::Utf8FromWide(caption);
        if (!chosen && IsAnswer(caption, answer)) chosen = button;
        if (caption == L"Back") back = button;
    }
    if (!chosen) chosen = back;
    std::wstring pressed = chosen ? TextOf(chosen) : L"(none)";
    printf("choices: %s\nanswered: %s\n", choices.c_str(), parcelon::Utf8FromWide(pressed).c_str());
    fflush(stdout);
    if (chosen) PostMessageW(chosen, BM_CLICK, 0, 0);
    else PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    return pressed == L"Back" || !chosen;
}

namespace {
struct OwnedSearch {
    HWND owner;
    bool (*matches)(HWND);
    HWND found;
};

BOOL CALLBACK MatchOwnedWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<OwnedSearch*>(context);
    if (GetWindow(window, GW_OWNER) != search->owner || !search->matches(window)) return TRUE;
    search->found = window;
    return FALSE;
}
}  // namespace

HWND FindOwnedWindow(HWND owner, bool (*matches)(HWND)) {
    OwnedSearch search = {owner, matches, nullptr};
    EnumWindows(MatchOwnedWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindOwnedDialog(HWND owner) {
    return FindOwnedWindow(owner, [](HWND window) {
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        return wcscmp(className, L"#32770") == 0 && IsWindowVisible(window);
    });
}

bool DriveAttachmentDialog(HWND dialog, const ComposeOptions& options) {
    parcelon::ArchiveNameCheck name = parcelon::CheckArchiveName(parcelon::WideFromUtf8(options.archiveName));
    if (options.compress && !name.problem.empty()) {
        printf("archive name refused: %s\n", parcelon::Utf8FromWide(name.problem).c_str());
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        return false;
    }
    auto state = [dialog](int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED ? "on" : "off"; };
    printf("opened with: compress %s, sub-folders %s\n", state(IDC_COMPRESS), state(IDC_SUB_FOLDERS));
    std::vector<std::wstring> paths = DroppablePaths(options);
    HWND list = GetDlgItem(dialog, IDC_CHOSEN_LIST);
    if (!paths.empty()) {
        // The list finishes the drop and frees the block, as a shell drop target does.
        if (HGLOBAL drop = MakeDropFiles(paths)) SendMessageW(list, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    }
    printf("dropped: %zu paths, %ld rows chosen\n", paths.size(),
           static_cast<long>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)));
    if (options.compress) SetWindowTextW(GetDlgItem(dialog, IDC_ARCHIVE_NAME), parcelon::WideFromUtf8(name.name).c_str());
    SetCheck(dialog, IDC_COMPRESS, options.compress);
    SetCheck(dialog, IDC_SUB_FOLDERS, options.subFolders);
    fflush(stdout);

    PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    if (options.afterOk) options.afterOk();
    bool stopped = false, wentBack = false;
    size_t questions = 0;
    for (DWORD waited = 0; IsWindow(dialog); waited += 50) {
        if (waited > kPackingWaitMs) {
            printf("the dialog did not close after OK\n");
            return false;
        }
        if (HWND box = FindOwnedDialog(dialog)) {
            if (HWND list = GetDlgItem(box, IDC_REPORT_LIST)) {
                PrintReportRows(TextOf(GetDlgItem(box, IDC_REPORT_TEXT)), list);
                PostMessageW(box, WM_COMMAND, IDOK, 0);
            } else if (GetDlgItem(box, parcelon::kSendQuestionText) && options.whileAsked && questions == 0) {
                printf("question open: %s\n", parcelon::Utf8FromWide(TextOf(GetDlgItem(box, parcelon::kSendQuestionText))).c_str());
                fflush(stdout);
                options.whileAsked();
                ++questions;
            } else if (GetDlgItem(box, parcelon::kSendQuestionText)) {
                const std::vector<std::string>& answers = options.answers;
                wentBack = AnswerQuestion(box, answers[questions < answers.size() ? questions : answers.size() - 1]);
                ++questions;
            } else {
                stopped = PrintReport(TextOf(GetDlgItem(box, kMessageBoxText))) || stopped;
                PostMessageW(box, WM_COMMAND, IDOK, 0);
            }
            while (IsWindow(box)) Sleep(20);
        }
        // Back leaves the dialog open with its rows once the packing has ended.
        if (wentBack && IsWindowEnabled(GetDlgItem(dialog, IDOK))) {
            printf("dialog still open: %ld rows chosen; cancelling it\n",
                   static_cast<long>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)));
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            wentBack = false;
        }
        Sleep(50);
    }
    fflush(stdout);
    return !stopped;
}

}  // namespace host
