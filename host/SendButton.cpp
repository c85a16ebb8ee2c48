// The Send button of parcelon-host's compose window.
#include "SendButton.h"

#include <atomic>
#include <cstdio>
#include <thread>

#include "DialogRobot.h"
#include "MessageFiles.h"
#include "client/addin/MailItem.h"
#include "client/dialog/SendChoiceWindow.h"
#include "client/resources/ResourceIds.h"
#include "common/TextConversion.h"

namespace host {

namespace {
// The packing's progress window over `owner`, hidden or shown.
HWND FindProgressWindow(HWND owner) {
    return FindOwnedWindow(owner, [](HWND window) { return GetDlgItem(window, IDC_SEND_TEXT) != nullptr; });
}

bool Attach(standin::MailItem& mail, const std::string& path) {
    try {
        parcelon::Attachments(parcelon::HostObject(mail.attachments().dispatch(), parcelon::IID_OutlookAttachments))
            .Add(path);
        return true;
    } catch (const _com_error& error) {
        printf("cannot attach %s (0x%08lX)\n", path.c_str(), static_cast<unsigned long>(error.Error()));
        return false;
    }
}
}  // namespace

bool AttachAsOutlookDoes(standin::MailItem& mail, const ComposeOptions& options) {
    // Attach File weighs each file alone against the account's limit: files each under it
    // make a message over it, which only the server refuses, after it has left.
    standin::Attachments& attachments = mail.attachments();
    unsigned long limitKb = attachments.maximumAttachmentSizeKb;
    attachments.maximumAttachmentSizeKb = 0;
    bool attached = true;
    std::vector<std::string> paths = options.attachFiles;
    paths.insert(paths.end(), options.inlinePictures.begin(), options.inlinePictures.end());
    for (size_t i = 0; i < paths.size() && attached; ++i) {
        attached = Attach(mail, paths[i]);
        if (!attached) break;
        standin::Attachment& added = *attachments.items().back();
        if (limitKb && added.content().size() > limitKb * 1024ull) {
            printf("cannot attach %s: bigger than the server allows\n", paths[i].c_str());
            attachments.Remove(&added);
            attached = false;
        } else if (i >= options.attachFiles.size()) {
            added.accessor().texts[parcelon::kAttachContentIdProperty] = added.fileName() + L"@01DB4A2C.5E3F1A40";
        }
    }
    attachments.maximumAttachmentSizeKb = limitKb;
    return attached;
}

bool PressSend(standin::Application& app, standin::MailItem& mail, HWND frame, const ComposeOptions& options) {
    for (const std::string& member : options.failing)
        standin::FailMember(parcelon::WideFromUtf8(member), standin::Failing(E_FAIL, L"The operation failed."));
    size_t saved = 0;
    if (options.cancelPacking) {
        // Posted after the last file is saved: the packing that follows meets it.
        mail.attachments().onSaved = [&saved, &options, frame] {
            if (++saved != options.attachFiles.size()) return;
            printf("pressing Cancel as the packing starts\n");
            PostMessageW(FindProgressWindow(frame), WM_COMMAND, IDCANCEL, 0);
        };
    }
    std::atomic<bool> ended{false};
    std::thread robot([&] {
        size_t asked = 0;
        while (!ended) {
            HWND box = FindOwnedDialog(frame);
            if (box && GetDlgItem(box, parcelon::kSendQuestionText)) {
                const std::vector<std::string>& answers = options.answers;
                AnswerQuestion(box, answers[asked < answers.size() ? asked : answers.size() - 1]);
                ++asked;
                while (IsWindow(box)) Sleep(20);
            }
            Sleep(20);
        }
    });
    printf("pressing Send\n");
    bool cancelled = false;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    HRESULT hr = app.FireItemSend(mail.dispatch(), cancelled);
    QueryPerformanceCounter(&end);
    ended = true;
    robot.join();
    mail.attachments().onSaved = nullptr;
    standin::ClearFailures();
    printf("ItemSend handled in %.2f ms (0x%08lX)\n",
           static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart),
           static_cast<unsigned long>(hr));
    if (!cancelled) {
        printf("send went on\n");
        return true;
    }
    printf("send cancelled; the message stays open with:\n");
    for (const standin::Attachment* a : mail.attachments().items()) PrintAttachment(*a);
    return false;
}

}  // namespace host
