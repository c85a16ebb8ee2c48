// "Pack and send" for a message being sent.
#include "PackOnSend.h"

#include "BackgroundWork.h"
#include "client/dialog/DroppedEntry.h"
#include "client/dialog/SendProgressWindow.h"
#include "common/ActivationContext.h"
#include "common/ComErrorReport.h"
#include "common/DiagnosticLog.h"
#include "common/FileSystemPath.h"
#include "common/ModuleThread.h"
#include "common/TextConversion.h"
#include "common/WorkingFolder.h"

namespace parcelon {

namespace {
bool Exists(const std::string& path) {
    return GetFileAttributesW(FileSystemPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Two attachments of one name become "a.pdf" and "a (2).pdf", as files of one folder.
std::string FreePath(const std::string& folder, const std::string& name) {
    std::string path = folder + name;
    size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0) dot = name.size();
    for (int n = 2; Exists(path); ++n)
        path = folder + name.substr(0, dot) + " (" + std::to_string(n) + ")" + name.substr(dot);
    return path;
}

// Each file through Attachment.SaveAsFile, the window answered before each; stops early
// on Cancel. A Cancel pressed during the last one is met by the packing.
std::vector<std::string> SaveFiles(const std::vector<OutgoingFile>& files, const std::string& folder,
                                   HWND window, PackProgress& progress) {
    std::vector<std::string> saved;
    for (const OutgoingFile& file : files) {
        DispatchWaitingMessages(window, progress.cancel);
        if (progress.cancelled()) break;
        std::string path = FreePath(folder, file.name);
        progress.SetCurrentFile(path);
        file.attachment.Call(L"SaveAsFile", {Variant::String(WideFromUtf8(path))});
        saved.push_back(path);
    }
    return saved;
}

// Packs the saved files, named as they were attached, into report.archivePath. False when
// cancelled (report.cancelled) or when any file could not be packed (report.failure).
bool PackSaved(const std::vector<std::string>& saved, const std::string& filesFolder, HWND window,
               PackProgress& progress, AttachReport& report) {
    ZipArchiveWriter writer;
    if (!writer.Open(report.archivePath.c_str(), filesFolder.c_str(), false)) {
        report.failure = "the archive could not be created";
        return false;
    }
    std::vector<FileEntry> rows;
    for (const std::string& path : saved)
        if (std::optional<FileEntry> row = MakeDroppedEntry(path)) rows.push_back(std::move(*row));
    bool packed = false;
    RunWhileDispatching([&] { packed = PackRows(rows, false, writer, PackSettings(), progress, report); }, window,
                        progress.cancel);
    bool closed = writer.Close();
    if (packed && closed && rows.size() == saved.size() && report.leftOut.empty()) return true;
    DeleteFileW(FileSystemPath(report.archivePath).c_str());
    if (!report.cancelled && report.failure.empty())
        report.failure = report.leftOut.empty() ? "the archive could not be finished"
                                                 : report.leftOut.front().path + " " + report.leftOut.front().reason;
    return false;
}

// The message as it was: the files attached again from their saved copies.
void PutBack(const Attachments& attachments, const std::vector<std::string>& saved) {
    for (const std::string& path : saved) {
        try {
            attachments.Add(path);
        } catch (const _com_error& error) {
            ReportComError(error);
            PARCELON_LOG_ERROR("Sending: %s could not be attached again", path.c_str());
        }
    }
}

// Takes the files off, newest first; false (and every file back on) when one will not go.
bool TakeOff(const std::vector<OutgoingFile>& files, const Attachments& attachments,
             const std::vector<std::string>& saved) {
    for (size_t i = files.size(); i-- > 0;) {
        try {
            files[i].attachment.Call(L"Delete");
        } catch (const _com_error& error) {
            ReportComError(error);
            PutBack(attachments, std::vector<std::string>(saved.begin() + static_cast<long>(i) + 1, saved.end()));
            return false;
        }
    }
    return true;
}
}  // namespace

std::string ArchiveNameOnSend(const std::vector<OutgoingFile>& files) {
    return files.size() == 1 ? files.front().name + ".zip" : "attachments.zip";
}

SendVerdict PackAndSend(const MailItem& mail, const OutgoingMessage& message, HWND owner, const AskUser& ask) {
    WorkingFolder folder;
    std::string filesFolder = folder.path() + "files\\";
    if (!folder.created() || !CreateDirectoryW(FileSystemPath(filesFolder).c_str(), nullptr)) {
        PARCELON_LOG_ERROR("Sending: no working folder for packing the attachments (%lu); sent as they are",
                           GetLastError());
        return SendVerdict::GoOn;
    }
    std::string archiveName = ArchiveNameOnSend(message.files);
    AttachReport report;
    report.archivePath = folder.path() + archiveName;
    std::vector<std::string> saved;
    {
        // In the module's own context its button is themed, as in the dialog.
        ModuleActivationScope themed(ThisModule());
        SendProgressWindow window(ThisModule(), L"Packing the attachments into " + WideFromUtf8(archiveName), owner);
        PackProgress& progress = *window.progress();
        saved = SaveFiles(message.files, filesFolder, window.handle(), progress);
        if (progress.cancelled()) return SendVerdict::Cancel;
        if (!PackSaved(saved, filesFolder, window.handle(), progress, report)) {
            if (report.cancelled) return SendVerdict::Cancel;
            PARCELON_LOG_ERROR("Sending: the attachments could not be packed (%s); sent as they are",
                               report.failure.c_str());
            return SendVerdict::GoOn;
        }
    }
    Attachments attachments = mail.GetAttachments();
    if (!TakeOff(message.files, attachments, saved)) {
        PARCELON_LOG_ERROR("Sending: an attachment could not be taken off; sent as it was");
        DeleteFileW(FileSystemPath(report.archivePath).c_str());
        return SendVerdict::GoOn;
    }
    DeliverWithinLimit(mail, attachments, archiveName, ask, report);
    if (report.archiveAttached) return report.inParts ? SendVerdict::Cancel : SendVerdict::GoOn;
    PutBack(attachments, saved);
    if (report.cancelled) return SendVerdict::Cancel;
    PARCELON_LOG_ERROR("Sending: the archive could not be attached (%s); sent as it was", report.failure.c_str());
    return SendVerdict::GoOn;
}

}  // namespace parcelon
