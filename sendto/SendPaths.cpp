// A new Outlook message with the given paths packed, through the add-in's packing job,
// its checks before attaching and its report.
#include "SendPaths.h"

#include <optional>

#include "OutlookConnection.h"
#include "SendArchiveName.h"
#include "client/dialog/SendProgressWindow.h"
#include "client/addin/HostInterfaces.h"
#include "client/addin/MailItem.h"
#include "client/compress/CompressAndAttach.h"
#include "client/dialog/AttachOptions.h"
#include "client/dialog/AttachReportText.h"
#include "client/dialog/DroppedEntry.h"
#include "client/dialog/ReportWindow.h"
#include "common/ComErrorReport.h"
#include "common/TextConversion.h"

namespace parcelon {

const wchar_t kNoOutlookText[] =
    L"Parcelon could not find Microsoft Outlook on this computer.\n\n"
    L"Parcelon puts the files on a new Outlook message; install Outlook to send them this way.";

namespace {
constexpr UINT kPackingEnded = WM_APP + 1;
constexpr long olMailItem = 0;
constexpr wchar_t kCaption[] = L"Parcelon";

void Tell(HWND owner, const std::wstring& text, UINT icon) { MessageBoxW(owner, text.c_str(), kCaption, MB_OK | icon); }

std::wstring OutlookFailureText(HRESULT hr) {
    wchar_t code[16];
    swprintf(code, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return L"Parcelon could not reach Microsoft Outlook (" + std::wstring(code) + L").";
}

// Packs, checks and attaches, with the progress window over it; the working folder is gone
// when this returns.
AttachReport PackOnto(const std::vector<FileEntry>& rows, const MailItem& mail,
                      const AttachOptions& options, SendProgressWindow& window) {
    PackObserver observer;
    observer.progress = window.progress().get();
    observer.dialog = window.handle();
    PackingJob job(rows, mail, options, observer, window.progress(), window.handle(), kPackingEnded);
    window.RunUntil(kPackingEnded);
    return job.Finish();
}

void DeleteMessage(const MailItem& mail) {
    try {
        mail.Call(L"Delete");
    } catch (const _com_error& error) {
        ReportComError(error);
    }
}

int PackAndShow(HINSTANCE resources, const std::vector<std::string>& paths, const MailItem& mail) {
    std::vector<FileEntry> rows;
    std::vector<LeftOutFile> unreadable;
    for (const std::string& path : paths) {
        if (std::optional<FileEntry> row = MakeDroppedEntry(path))
            rows.push_back(std::move(*row));
        else
            unreadable.push_back({path, "could not be read"});
    }
    AttachOptions options;  // sub-folders included, compression on
    options.archiveName = SendArchiveName(paths);
    SendProgressWindow window(resources, L"Packing " + WideFromUtf8(options.archiveName) + L" for a new message");
    AttachReport report;
    if (!rows.empty()) report = PackOnto(rows, mail, options, window);
    report.leftOut.insert(report.leftOut.begin(), unreadable.begin(), unreadable.end());
    if (!report.archiveAttached) DeleteMessage(mail);
    if (report.cancelled) return kSendCancelled;
    std::wstring stop = DescribeAttachStop(report);
    if (!stop.empty()) Tell(window.handle(), stop, MB_ICONWARNING);
    else if (HasReportRows(report)) ShowReport(resources, window.handle(), LeftOutReport(report));
    if (!report.archiveAttached) return kSendNotAttached;
    mail.Call(L"Display");
    return kSendShown;
}

// A message Outlook failed on part way is not left behind half made.
int Send(HINSTANCE resources, const std::vector<std::string>& paths, const HostObject& application) {
    MailItem mail(HostObject::FromVariant(application.Call(L"CreateItem", {Variant::Long(olMailItem)}),
                                          IID_OutlookMailItem));
    if (!mail) return kSendOutlookFailed;
    try {
        return PackAndShow(resources, paths, mail);
    } catch (const _com_error&) {
        DeleteMessage(mail);
        throw;
    }
}
}  // namespace

int SendPaths(HINSTANCE resources, const std::vector<std::string>& paths) {
    if (paths.empty()) {
        Tell(nullptr, L"Choose files or folders in Explorer and send them to Parcelon.", MB_ICONINFORMATION);
        return kSendUsage;
    }
    OutlookConnection outlook = ConnectToOutlook();
    if (outlook.how == OutlookFound::NotInstalled) {
        Tell(nullptr, kNoOutlookText, MB_ICONERROR);
        return kSendNoOutlook;
    }
    if (!outlook.application) {
        Tell(nullptr, OutlookFailureText(outlook.error), MB_ICONERROR);
        return kSendOutlookFailed;
    }
    try {
        return Send(resources, paths, outlook.application);
    } catch (const _com_error& error) {
        ReportComError(error);
        Tell(nullptr, OutlookFailureText(error.Error()), MB_ICONERROR);
        return kSendOutlookFailed;
    }
}

}  // namespace parcelon
