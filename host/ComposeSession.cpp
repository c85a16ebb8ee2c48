// One compose window of parcelon-host and the robot that plays the user.
#include "ComposeSession.h"

#include <functional>
#include <cstdio>
#include <thread>

#include "DialogRobot.h"
#include "SendButton.h"
#include "common/TextConversion.h"

namespace host {

namespace {
constexpr UINT kRobotDone = WM_APP + 1;
constexpr UINT kRobotPressedOk = WM_APP + 2;
constexpr UINT kRobotAsked = WM_APP + 3;
constexpr DWORD kDialogWaitMs = 20000;

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

// The ribbon button "Parcelon" and the label of its group, or null.
const standin::RibbonButton* FindRibbonButton(const standin::RibbonStrip& ribbon, std::string& groupLabel) {
    for (const standin::RibbonGroup& group : ribbon.groups()) {
        if (!group.idMso.empty()) continue;  // built into the host
        for (const standin::RibbonButton& button : group.buttons)
            if (button.label == L"Parcelon") {
                groupLabel = parcelon::Utf8FromWide(group.label);
                return &button;
            }
    }
    return nullptr;
}

HWND WaitForDialog(HWND owner, DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
        if (HWND dialog = FindOwnedDialog(owner)) return dialog;
        Sleep(50);
    }
    return nullptr;
}

// Messages from the robot thread reach the host's thread through this window, also while
// a modal dialog runs its own loop.
struct RobotMailbox {
    std::function<void()> onDone;
    std::function<void()> onOk;
    std::function<void()> onAsked;
    const std::function<void()>* HandlerOf(UINT message) const {
        switch (message) {
            case kRobotDone: return &onDone;
            case kRobotPressedOk: return &onOk;
            case kRobotAsked: return &onAsked;
            default: return nullptr;
        }
    }
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<RobotMailbox*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (const std::function<void()>* handler = self ? self->HandlerOf(message) : nullptr) {
            if (*handler) (*handler)();
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
};
}  // namespace

ComposeResult RunCompose(standin::Application& app, standin::MailItem& mail, standin::AddinRibbons& ribbons,
                         const ComposeOptions& options) {
    ComposeResult result;
    if (!AttachAsOutlookDoes(mail, options)) return result;
    standin::Inspector* inspector = nullptr;
    standin::FrameWindow* window = nullptr;
    if (options.inlineReply) {
        // A reply written in the main window's reading pane, as Outlook 2013 and later do.
        standin::Explorer& explorer = app.activeExplorer();
        explorer.SetInlineResponse(mail.dispatch());
        explorer.frame().body = L"Inbox\r\n\r\nInline reply - Subject: " + mail.subject + L"\r\n\r\nSent with Parcelon.";
        explorer.frame().onClose = [] { PostQuitMessage(0); };
        ribbons.ShowInlineResponseRibbon(explorer);
        window = &explorer.frame();
    } else {
        inspector = new standin::Inspector(mail.dispatch(), L"Untitled - Message");
        inspector->commandBars().AddComposeBars();
        inspector->frame().body = L"To: " + mail.to + L"\r\nSubject: " + mail.subject + L"\r\n\r\n" + mail.body;
        inspector->frame().onClose = [inspector] {
            inspector->Close();
            PostQuitMessage(0);
        };
        ribbons.ShowComposeRibbon(*inspector);
        window = &inspector->frame();
    }
    window->Show();
    HWND frame = window->Handle();
    app.activeWindow = inspector ? inspector->dispatch() : app.activeExplorer().dispatch();
    if (inspector) {
        app.inspectors().FireNewInspector(inspector->dispatch());
        inspector->FireActivate();
    }

    std::string barName, groupLabel;
    standin::CommandBarControl* barButton = inspector ? FindButton(inspector->commandBars(), barName) : nullptr;
    const standin::RibbonButton* ribbonButton = FindRibbonButton(window->ribbon, groupLabel);
    if (barButton) printf("button installed: \"Parcelon\" on \"%s\"\n", barName.c_str());
    if (ribbonButton)
        printf("ribbon button: \"Parcelon\" in group \"%s\" of the %s\n", groupLabel.c_str(),
               inspector ? "Message tab" : "main window's inline Message tab");
    result.buttonInstalled = barButton || ribbonButton;
    if (!result.buttonInstalled) printf("no \"Parcelon\" button in the %s\n", inspector ? "compose window" : "main window");

    // The robot clicks whichever button the window shows: the ribbon's where there is one.
    RECT rect = {};
    bool clickable = ribbonButton ? window->RibbonButtonRect(ribbonButton, rect)
                                  : barButton && window->ControlRect(barButton, rect);
    const char* clickedKind = ribbonButton ? "the ribbon button" : "the command-bar button";

    std::thread robot;
    RobotMailbox mailbox;
    WNDCLASSW mailboxClass = {};
    mailboxClass.lpfnWndProc = RobotMailbox::Procedure;
    mailboxClass.hInstance = GetModuleHandleW(nullptr);
    mailboxClass.lpszClassName = L"ParcelonHostRobot";
    RegisterClassW(&mailboxClass);
    HWND mailboxWindow = CreateWindowExW(0, mailboxClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                         mailboxClass.hInstance, nullptr);
    SetWindowLongPtrW(mailboxWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&mailbox));

    // Send is pressed on the window's thread, as Outlook raises ItemSend there; the window
    // closes after it either way, and the message is written only when it went.
    auto send = [&app, &mail, &options, &result, frame] {
        if (options.send) result.sent = PressSend(app, mail, frame, options);
        PostMessageW(frame, WM_CLOSE, 0, 0);
    };
    if (options.send && options.attach.empty()) {
        mailbox.onDone = send;
        PostMessageW(mailboxWindow, kRobotDone, 0, 0);
    }
    if (!options.attach.empty()) {
        mailbox.onDone = send;
        mailbox.onOk = options.afterOk;
        mailbox.onAsked = options.whileAsked;
        ComposeOptions robotOptions = options;
        if (options.afterOk) robotOptions.afterOk = [mailboxWindow] { PostMessageW(mailboxWindow, kRobotPressedOk, 0, 0); };
        if (options.whileAsked)
            robotOptions.whileAsked = [mailboxWindow] { PostMessageW(mailboxWindow, kRobotAsked, 0, 0); };
        robot = std::thread([&, robotOptions, clickable, clickedKind, rect, frame, mailboxWindow] {
            if (clickable) {
                printf("clicking %s \"Parcelon\"\n", clickedKind);
                fflush(stdout);
                LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
                PostMessageW(frame, WM_LBUTTONDOWN, MK_LBUTTON, at);
                PostMessageW(frame, WM_LBUTTONUP, 0, at);
                if (HWND dialog = WaitForDialog(frame, kDialogWaitMs)) {
                    wchar_t caption[128] = {};
                    GetWindowTextW(dialog, caption, 128);
                    printf("dialog opened: \"%s\"\n", parcelon::Utf8FromWide(caption).c_str());
                    fflush(stdout);
                    result.dialogOpened = true;
                    result.completed = DriveAttachmentDialog(dialog, robotOptions);
                } else {
                    printf("no dialog opened\n");
                }
            }
            PostMessageW(mailboxWindow, kRobotDone, 0, 0);
        });
    }

    if (options.attach.empty() && options.closeAtOnce) PostMessageW(frame, WM_CLOSE, 0, 0);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    // Where a host that does not end stopped: before this line, its window was never closed.
    printf("the compose window's message loop ended\n");
    if (robot.joinable()) robot.join();
    DestroyWindow(mailboxWindow);
    if (options.attach.empty()) result.completed = true;
    if (!result.dialogOpened && !options.attach.empty()) result.completed = false;
    app.activeWindow = nullptr;
    if (inspector) inspector->Release();
    if (options.inlineReply) app.activeExplorer().SetInlineResponse(nullptr);
    return result;
}

}  // namespace host
