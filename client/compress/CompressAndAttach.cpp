// Packs or attaches the chosen rows.
#include "CompressAndAttach.h"

#include <memory>
#include <windows.h>

#include "common/ComErrorReport.h"
#include "common/DiagnosticLog.h"
#include "common/FileSystemPath.h"
#include "common/SystemFolders.h"
#include "common/TextConversion.h"
#include "common/UniqueResource.h"

namespace parcelon {

namespace {
std::string ComErrorText(const _com_error& error) {
    const char* message = error.ErrorMessage();
    return message ? message : "unknown error";
}

void DeleteArchive(const std::string& path) { DeleteFileW(FileSystemPath(path).c_str()); }

// Opens the archive at the root of the system drive or, when that cannot be written, in
// the user's temporary folder; names are below the system drive's root either way.
std::unique_ptr<ZipArchiveWriter> OpenArchive(const std::string& archiveName, AttachReport& report) {
    std::string root = SystemDriveRoot();
    auto writer = std::make_unique<ZipArchiveWriter>();
    for (const std::string& folder : {root, TemporaryFolder()}) {
        if (folder.empty()) continue;
        report.archivePath = folder + archiveName;
        if (writer->Open(report.archivePath.c_str(), root.c_str(), false)) return writer;
    }
    report.failure = "the archive " + archiveName + " could not be created";
    PARCELON_LOG_ERROR("Cannot create the archive %s in %s or the temporary folder", archiveName.c_str(),
                       root.c_str());
    report.archivePath.clear();
    return nullptr;
}

void AttachArchive(const Attachments& attachments, AttachReport& report) {
    attachments.Add(report.archivePath);
    report.archiveAttached = true;
    DeleteArchive(report.archivePath);
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

void AttachOrPackFile(const Attachments& attachments, const std::string& path, ZipArchiveWriter* writer,
                      AttachReport& report) {
    if (writer) {
        if (writer->AddFile(path.c_str(), false))
            ++report.packedFiles;
        else
            report.LeaveOut(path, DescribeAddFileResult(writer->lastAddResult()));
        return;
    }
    try {
        attachments.Add(path);
        ++report.attachedFiles;
    } catch (const _com_error& error) {
        ReportComError(error);
        report.LeaveOut(path, "could not be attached: " + ComErrorText(error));
    }
}

void AttachOrPackFolder(const Attachments& attachments, const std::string& folder, bool recurse,
                        ZipArchiveWriter* writer, AttachReport& report) {
    WIN32_FIND_DATAW found = {};
    UniqueFindHandle search(FindFirstFileW((FileSystemPath(folder) + L"*").c_str(), &found));
    if (!search) {
        DWORD error = GetLastError();
        if (error == ERROR_ACCESS_DENIED)
            report.LeaveOut(folder, DescribeAddFileResult(AddFileResult::NoAccess));
        else if (error != ERROR_FILE_NOT_FOUND && error != ERROR_NO_MORE_FILES)
            report.LeaveOut(folder, DescribeAddFileResult(AddFileResult::Missing));
        return;
    }
    do {
        std::string name = Utf8FromWide(found.cFileName);
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            AttachOrPackFile(attachments, folder + name, writer, report);
        } else if (recurse && name != "." && name != "..") {
            AttachOrPackFolder(attachments, folder + name + "\\", true, writer, report);
        }
    } while (FindNextFileW(search.get(), &found));
}

AttachReport CompressAndAttach(const std::vector<FileEntry>& rows, MailItem mailItem,
                               const AttachOptions& options) {
    AttachReport report;
    try {
        Attachments attachments = mailItem.GetAttachments();
        std::unique_ptr<ZipArchiveWriter> writer;
        if (options.compressAttachments == 1) {
            writer = OpenArchive(options.archiveName, report);
            if (!writer) return report;
        }
        for (const FileEntry& row : rows) {
            if (row.isFolder())
                AttachOrPackFolder(attachments, row.path, options.includeSubFolders == 1, writer.get(), report);
            else
                AttachOrPackFile(attachments, row.path, writer.get(), report);
        }
        if (writer) {
            // An archive that could not be finished is never attached.
            bool finished = writer->Close();
            writer.reset();
            if (!finished) {
                DeleteArchive(report.archivePath);
                report.failure = "the archive " + options.archiveName + " could not be finished";
                return report;
            }
            AttachArchive(attachments, report);
        }
    } catch (const _com_error& error) {
        ReportComError(error);
        report.failure = ComErrorText(error);
    } catch (const std::exception& error) {
        report.failure = error.what();
    }
    return report;
}

}  // namespace parcelon
