// One compose window of parcelon-host and the robot that plays the user.
#include "ComposeSession.h"

#include <atomic>
#include <functional>
#include <cstdio>
#include <thread>

#include "client/compress/CompressAndAttach.h"
#include "client/dialog/DroppedEntry.h"
#include "common/TextConversion.h"

namespace host {

namespace {
constexpr UINT kRobotDone = WM_APP + 1;
constexpr DWORD kDialogWaitMs = 20000;

std::string SystemMessage(DWORD error) {
    wchar_t text[512] = {};
    if (!FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text, 512,
                        nullptr))
        return "error " + std::to_string(error);
    std::string s = parcelon::Utf8FromWide(text);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    return s;
}

standin::CommandBarControl* FindButton(standin::CommandBars& bars, std::string& barName) {
    for (standin::CommandBar* bar : bars.bars()) {
        if (!bar) continue;
        for (standin::CommandBarControl* c : bar->controls().items())
            if (c->isButton() && c->caption == L"Parcelon") {
                barName = parcelon::Utf8FromWide(bar->name());
                return c;
            }
    }
    return nullptr;
}

struct DialogSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindOwnedDialog(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<DialogSearch*>(context);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (wcscmp(className, L"#32770") != 0 || !IsWindowVisible(window) || GetWindow(window, GW_OWNER) != search->owner)
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND WaitForDialog(HWND owner, DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
        DialogSearch search = {owner, nullptr};
        EnumWindows(FindOwnedDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        Sleep(50);
    }
    return nullptr;
}

BOOL CALLBACK FindStatic(HWND child, LPARAM context) {
    wchar_t text[64] = {};
    GetWindowTextW(child, text, 64);
    if (wcscmp(text, L"Attached Files:") != 0) return TRUE;
    *reinterpret_cast<bool*>(context) = true;
    return FALSE;
}

// The packing the dialog's OK would start, done directly: for builds whose attachment
// dialog cannot be driven.
bool AttachDirectly(standin::MailItem& mail, const ComposeOptions& options) {
    std::vector<parcelon::FileEntry> rows;
    for (const std::string& path : options.attach) {
        if (auto entry = parcelon::MakeDroppedEntry(path))
            rows.push_back(*entry);
        else
            printf("left out: %s (%s)\n", path.c_str(), SystemMessage(GetLastError()).c_str());
    }
    parcelon::AttachOptions attach = parcelon::attachOptions;
    attach.compressAttachments = options.compress ? 1 : 0;
    attach.includeSubFolders = options.subFolders ? 1 : 0;
    attach.archiveName = options.archiveName;
    parcelon::AttachReport report;
    if (!rows.empty()) report = parcelon::CompressAndAttach(rows, parcelon::MailItem(mail.dispatch()), attach);
    for (const parcelon::LeftOutFile& f : report.leftOut) printf("left out: %s (%s)\n", f.path.c_str(), f.reason.c_str());
    if (!report.failure.empty()) printf("stopped: %s\n", report.failure.c_str());
    return report.failure.empty();
}

// Messages from the robot thread reach the host's thread through this window, also while
// a modal dialog runs its own loop.
struct RobotMailbox {
    std::function<void()> onDone;
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == kRobotDone) {
            auto* self = reinterpret_cast<RobotMailbox*>(GetWindowLongPtrW(window, GWLP_USERDATA));
            if (self && self->onDone) self->onDone();
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
};
}  // namespace

ComposeResult RunCompose(standin::Application& app, standin::MailItem& mail, const ComposeOptions& options) {
    ComposeResult result;
    auto* inspector = new standin::Inspector(mail.dispatch(), L"Untitled - Message");
    inspector->commandBars().AddComposeBars();
    inspector->frame().body = L"To:\r\nSubject: " + mail.subject + L"\r\n\r\nSent with Parcelon.";
    inspector->frame().onClose = [inspector] {
        inspector->Close();
        PostQuitMessage(0);
    };
    inspector->frame().Show();
    HWND frame = inspector->frame().Handle();
    app.inspectors().FireNewInspector(inspector->dispatch());
    inspector->FireActivate();

    std::string barName;
    standin::CommandBarControl* button = FindButton(inspector->commandBars(), barName);
    result.buttonInstalled = button != nullptr;
    if (button)
        printf("button installed: \"Parcelon\" on \"%s\"\n", barName.c_str());
    else
        printf("no \"Parcelon\" button in the compose window\n");

    std::thread robot;
    std::atomic<bool> dialogDriven{false};
    RobotMailbox mailbox;
    WNDCLASSW mailboxClass = {};
    mailboxClass.lpfnWndProc = RobotMailbox::Procedure;
    mailboxClass.hInstance = GetModuleHandleW(nullptr);
    mailboxClass.lpszClassName = L"ParcelonHostRobot";
    RegisterClassW(&mailboxClass);
    HWND mailboxWindow = CreateWindowExW(0, mailboxClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                         mailboxClass.hInstance, nullptr);
    SetWindowLongPtrW(mailboxWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&mailbox));

    if (!options.attach.empty()) {
        RECT rect = {};
        bool clickable = button && inspector->frame().ControlRect(button, rect);
        mailbox.onDone = [&] {
            if (result.dialogOpened && !dialogDriven) result.completed = AttachDirectly(mail, options);
            PostMessageW(frame, WM_CLOSE, 0, 0);
        };
        robot = std::thread([&, clickable, rect, frame, mailboxWindow] {
            if (clickable) {
                LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
                PostMessageW(frame, WM_LBUTTONDOWN, MK_LBUTTON, at);
                PostMessageW(frame, WM_LBUTTONUP, 0, at);
                if (HWND dialog = WaitForDialog(frame, kDialogWaitMs)) {
                    wchar_t caption[128] = {};
                    GetWindowTextW(dialog, caption, 128);
                    printf("dialog opened: \"%s\"\n", parcelon::Utf8FromWide(caption).c_str());
                    fflush(stdout);
                    result.dialogOpened = true;
                    bool attachmentDialog = false;
                    EnumChildWindows(dialog, FindStatic, reinterpret_cast<LPARAM>(&attachmentDialog));
                    if (!attachmentDialog)
                        printf("this build's dialog has no \"Attached Files:\" list: it is closed and the paths are "
                               "attached directly\n");
                    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
                    for (int i = 0; i < 200 && IsWindow(dialog); ++i) Sleep(25);
                } else {
                    printf("no dialog opened\n");
                }
            }
            PostMessageW(mailboxWindow, kRobotDone, 0, 0);
        });
    }

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (robot.joinable()) robot.join();
    DestroyWindow(mailboxWindow);
    if (options.attach.empty()) result.completed = true;
    if (!result.dialogOpened && !options.attach.empty()) result.completed = false;
    inspector->Release();
    return result;
}

}  // namespace host
