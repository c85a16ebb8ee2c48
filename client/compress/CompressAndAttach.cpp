// Packs or attaches the chosen rows.
#include "CompressAndAttach.h"

#include <memory>
#include <windows.h>

#include "ArchiveDelivery.h"
#include "BackgroundWork.h"
#include "FolderWalk.h"
#include "SourceFile.h"

#include "common/ComErrorReport.h"
#include "common/DiagnosticLog.h"
#include "common/FileSystemPath.h"
#include "common/ModuleThread.h"
#include "common/SystemFolders.h"
#include "common/TextConversion.h"
#include "common/UniqueResource.h"
#include "common/WorkingFolder.h"

namespace parcelon {

namespace {
std::string ComErrorText(const _com_error& error) {
    const char* message = error.ErrorMessage();
    return message ? message : "unknown error";
}

void DeleteArchive(const std::string& path) { DeleteFileW(FileSystemPath(path).c_str()); }

// Opens the archive under its own name in the action's working folder, so the attachment
// keeps that name while no two packings share a path; entries are named after the chosen
// rows.
std::unique_ptr<ZipArchiveWriter> OpenArchive(const WorkingFolder& folder, const std::string& archiveName,
                                              AttachReport& report) {
    auto writer = std::make_unique<ZipArchiveWriter>();
    if (folder.created()) {
        report.archivePath = folder.path() + archiveName;
        if (writer->Open(report.archivePath.c_str(), "", false)) return writer;
    }
    std::string where = folder.created() ? folder.path() : WorkingFoldersRoot();
    report.failure = "the archive " + archiveName + " could not be created in " + where;
    PARCELON_LOG_ERROR("Cannot create the archive %s in %s", archiveName.c_str(), where.c_str());
    report.archivePath.clear();
    return nullptr;
}

// Outlook opens an attached file itself, and a path of 260 characters or more, or one
// that needs the \\?\ form, is not known to open there.
bool OutlookMayNotOpen(const std::string& path) {
    return WideFromUtf8(path).size() >= MAX_PATH || FileSystemPath(path).compare(0, 4, L"\\\\?\\") == 0;
}

std::string FileNameOf(const std::string& path) {
    size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

// Such a file is attached from a copy under its own name in the action's working folder.
// Gives the path to attach from, or empty when the copy could not be made (`why` says why).
std::string AttachablePath(const std::string& path, std::unique_ptr<WorkingFolder>& folder, const PackObserver& observer,
                           PackProgress& progress, AddFileResult& why) {
    if (!OutlookMayNotOpen(path)) return path;
    if (!folder) folder = std::make_unique<WorkingFolder>();
    why = AddFileResult::WriteFailed;
    if (!folder->created()) return {};
    std::string copy = folder->path() + FileNameOf(path);
    RunWhileDispatching([&] { why = CopySourceFile(path, copy); }, observer.dialog, progress.cancel);
    return why == AddFileResult::Added ? copy : std::string();
}
}  // namespace

std::string SystemDriveRoot() {
    std::string drive = ExpandEnvironmentText("%SYSTEMDRIVE%");
    if (drive.empty() || drive.find('%') != std::string::npos) {
        std::string windows = WindowsFolder();
        drive = windows.size() >= 2 ? windows.substr(0, 2) : "C:";
    }
    return drive + "\\";
}

bool PackRows(const std::vector<FileEntry>& rows, bool recurse, ZipArchiveWriter& writer,
              const PackSettings& settings, PackProgress& progress, AttachReport& report) {
    // The totals for the progress come from a listing of its own that keeps nothing, so
    // that the packing can take the files as the walk finds them.
    WalkRows(rows, recurse, progress.cancel, [&](WalkedFile&& file) {
        progress.totalFiles += 1;
        progress.totalBytes += file.size;
    });
    FolderWalk walk(rows, recurse);
    report.renamed = walk.renamed();
    auto next = [&](EntrySource& source) {
        WalkedFile file;
        if (progress.cancelled() || !walk.Next(file)) return false;
        source = EntrySource();
        source.problem = file.problem;
        if (source.problem == AddFileResult::Added)
            source.problem = writer.PrepareNamedEntry(file.path, file.name, source);
        source.path = std::move(file.path);
        source.listedAttributes = file.attributes;
        return true;
    };
    auto done = [&](const EntrySource& source, AddFileResult result) {
        if (result == AddFileResult::Added)
            ++report.packedFiles;
        else
            report.LeaveOut(source.path, DescribeAddFileResult(result));
    };
    PackResults packed;
    if (!progress.cancelled()) packed = PackEntries(writer, next, settings, progress, done);
    if (progress.cancelled() || packed.cancelled) {
        report.cancelled = true;
        return false;
    }
    if (packed.writeFailed) {
        report.failure = "the archive could not be written";
        return false;
    }
    return true;
}

namespace {
// After the workers: an archive that could not be finished is never attached, nor one the
// user stopped.
void EndArchive(std::unique_ptr<ZipArchiveWriter> writer, bool packed, const MailItem& mail,
                const Attachments& attachments, const AttachOptions& options, HWND owner, AttachReport& report) {
    bool finished = writer->Close();
    writer.reset();
    if (!packed || !finished) {
        DeleteArchive(report.archivePath);
        if (!report.cancelled && report.failure.empty())
            report.failure = "the archive " + options.archiveName + " could not be finished";
        return;
    }
    DeliverArchive(mail, attachments, options.archiveName,
                   [owner](const SendQuestion& question) { return AskSendChoice(owner, question); }, report);
    // The report speaks to the sender of the files; where the archive was made is kept here.
    if (!report.leftOut.empty())
        PARCELON_LOG_ERROR("%lu files were left out of the archive %s, made there and deleted again",
                           static_cast<unsigned long>(report.leftOut.size()), report.archivePath.c_str());
}

void PackAndAttach(const std::vector<FileEntry>& rows, const MailItem& mail, const Attachments& attachments,
                   const AttachOptions& options, const PackObserver& observer, PackProgress& progress,
                   AttachReport& report) {
    WorkingFolder folder;
    std::unique_ptr<ZipArchiveWriter> writer = OpenArchive(folder, options.archiveName, report);
    if (!writer) return;
    bool packed = false;
    RunWhileDispatching(
        [&] { packed = PackRows(rows, options.includeSubFolders == 1, *writer, observer.settings, progress, report); },
        observer.dialog, progress.cancel);
    EndArchive(std::move(writer), packed, mail, attachments, options, observer.dialog, report);
}

// A Cancel leaves the message as it was: the files attached before it are taken off again,
// newest first.
void TakeOffAgain(std::vector<HostObject>& added, AttachReport& report) {
    for (auto attachment = added.rbegin(); attachment != added.rend(); ++attachment) {
        if (!*attachment) continue;
        try {
            attachment->Call(L"Delete");
            --report.attachedFiles;
        } catch (const _com_error& error) {
            ReportComError(error);
        }
    }
}

void AttachOneByOne(const std::vector<FileEntry>& rows, const Attachments& attachments, const AttachOptions& options,
                    const PackObserver& observer, PackProgress& progress, AttachReport& report) {
    std::vector<WalkedFile> files;
    RunWhileDispatching(
        [&] {
            WalkRows(rows, options.includeSubFolders == 1, progress.cancel, [&](WalkedFile&& file) {
                if (file.problem == AddFileResult::Added) {
                    progress.totalFiles += 1;
                    progress.totalBytes += file.size;
                }
                files.push_back(std::move(file));
            });
        },
        observer.dialog, progress.cancel);
    std::vector<HostObject> added;
    std::unique_ptr<WorkingFolder> folder;  // made for the first file attached from a copy
    for (const WalkedFile& file : files) {
        // Host calls cannot be stopped part way: the flag is looked at between files.
        if (progress.cancelled()) break;
        if (file.problem != AddFileResult::Added) {
            report.LeaveOut(file.path, DescribeAddFileResult(file.problem));
            continue;
        }
        progress.SetCurrentFile(file.path);
        AddFileResult why = AddFileResult::Added;
        std::string source = AttachablePath(file.path, folder, observer, progress, why);
        if (source.empty()) {
            report.LeaveOut(file.path, DescribeAddFileResult(why));
        } else {
            try {
                added.push_back(attachments.Add(source));
                ++report.attachedFiles;
            } catch (const _com_error& error) {
                ReportComError(error);
                report.LeaveOut(file.path, "could not be attached: " + ComErrorText(error));
            }
            // The host took the content during the call.
            if (source != file.path) DeleteFileW(FileSystemPath(source).c_str());
        }
        progress.doneFiles += 1;
        progress.doneBytes += file.size;
        DispatchWaitingMessages(observer.dialog, progress.cancel);
    }
    if (progress.cancelled()) {
        report.cancelled = true;
        TakeOffAgain(added, report);
    }
}
}  // namespace

PackingWork::PackingWork(const std::vector<FileEntry>& rows, const AttachOptions& options,
                         const PackSettings& settings, std::shared_ptr<PackProgress> progress, HWND window,
                         UINT endMessage)
    : rows(rows), options(options), settings(settings), progress(std::move(progress)), window_(window),
      endMessage_(endMessage) {}

PackingWork::~PackingWork() {
    if (!writer) return;
    writer->Close();
    writer.reset();
    DeleteArchive(report.archivePath);
}

void PackingWork::Pack() {
    try {
        packed = PackRows(rows, options.includeSubFolders == 1, *writer, settings, *progress, report);
    } catch (const std::exception& error) {
        report.failure = error.what();
    }
}

void PackingWork::NotifyEnd() {
    std::lock_guard<SlimLock> guard(endLock_);
    if (!abandoned_) PostMessageW(window_, endMessage_, 0, 0);
}

void PackingWork::Abandon() {
    std::lock_guard<SlimLock> guard(endLock_);
    abandoned_ = true;
}

namespace {
// How long a stopped job waits for its workers before it lets them end by themselves.
constexpr DWORD kStopWaitMs = 500;
constexpr DWORD kCancelAgainMs = 50;
}  // namespace

PackingJob::PackingJob(const std::vector<FileEntry>& rows, const MailItem& mailItem, const AttachOptions& options,
                       const PackObserver& observer, std::shared_ptr<PackProgress> progress, HWND window,
                       UINT endMessage)
    : work_(std::make_shared<PackingWork>(rows, options, observer.settings, std::move(progress), window,
                                          endMessage)),
      mailItem_(mailItem), owner_(observer.dialog) {
    try {
        attachments_ = mailItem.GetAttachments();
        work_->writer = OpenArchive(work_->folder, options.archiveName, work_->report);
    } catch (const _com_error& error) {
        ReportComError(error);
        work_->report.failure = ComErrorText(error);
    }
    if (work_->writer) StartWorkers();
    if (workers_) return;
    if (work_->writer) work_->Pack();  // no thread to be had: the work runs here
    work_->NotifyEnd();
}

// The thread keeps this module loaded: its last instructions are in the module, even
// after a host let it go.
void PackingJob::StartWorkers() {
    workers_ = StartModuleThread([work = work_] {
        work->Pack();
        work->NotifyEnd();
    });
}

PackingJob::~PackingJob() {
    if (!workers_) return;
    work_->Abandon();
    // The reads run on the packer's threads, the job's own among them: each is cancelled,
    // and again now and then, for a read begun just after the flag was looked at.
    for (DWORD waited = 0; waited < kStopWaitMs; waited += kCancelAgainMs) {
        work_->progress->Cancel();
        if (WaitForSingleObject(workers_.get(), kCancelAgainMs) != WAIT_TIMEOUT) return;
    }
    PARCELON_LOG_ERROR("A stopped packing goes on reading; it ends in the background");
}

AttachReport PackingJob::Finish() {
    if (workers_) {
        WaitForSingleObject(workers_.get(), INFINITE);
        workers_.reset();
    }
    AttachReport& report = work_->report;
    try {
        if (work_->writer)
            EndArchive(std::move(work_->writer), work_->packed, mailItem_, attachments_, work_->options, owner_, report);
    } catch (const _com_error& error) {
        ReportComError(error);
        report.failure = ComErrorText(error);
    } catch (const std::exception& error) {
        report.failure = error.what();
    }
    return std::move(report);
}

AttachReport CompressAndAttach(const std::vector<FileEntry>& rows, MailItem mailItem, const AttachOptions& options,
                               const PackObserver& observer) {
    AttachReport report;
    PackProgress ownProgress;
    PackProgress& progress = observer.progress ? *observer.progress : ownProgress;
    try {
        Attachments attachments = mailItem.GetAttachments();
        if (options.compressAttachments == 1)
            PackAndAttach(rows, mailItem, attachments, options, observer, progress, report);
        else
            AttachOneByOne(rows, attachments, options, observer, progress, report);
    } catch (const _com_error& error) {
        ReportComError(error);
        report.failure = ComErrorText(error);
    } catch (const std::exception& error) {
        report.failure = error.what();
    }
    return report;
}

}  // namespace parcelon
