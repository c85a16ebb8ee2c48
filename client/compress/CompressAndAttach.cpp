// Packs or attaches the chosen rows.
#include "CompressAndAttach.h"

#include <cstdio>
#include <memory>
#include <shellapi.h>
#include <windows.h>

#include "common/ComErrorReport.h"
#include "common/DiagnosticLog.h"
#include "common/UniqueResource.h"

namespace parcelon {

namespace {
std::string ComErrorText(const _com_error& error) {
    const char* message = error.ErrorMessage();
    return message ? message : "unknown error";
}

std::string TempFolder() {
    char buffer[MAX_PATH] = {};
    DWORD n = GetTempPathA(MAX_PATH, buffer);
    return n > 0 && n < MAX_PATH ? std::string(buffer, n) : std::string();
}

// Opens the archive at the root of the system drive or, when that cannot be written, in
// the user's temporary folder; names are below the system drive's root either way.
std::unique_ptr<ZipArchiveWriter> OpenArchive(const std::string& archiveName, AttachReport& report) {
    std::string root = SystemDriveRoot();
    auto writer = std::make_unique<ZipArchiveWriter>();
    for (const std::string& folder : {root, TempFolder()}) {
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
    remove(report.archivePath.c_str());
}
}  // namespace

std::string SystemDriveRoot() {
    char drive[MAX_PATH] = "%SYSTEMDRIVE%";
    if (!(HIWORD(DoEnvironmentSubstA(drive, MAX_PATH))) || strchr(drive, '%')) {
        char windows[MAX_PATH] = {};
        UINT n = GetSystemWindowsDirectoryA(windows, MAX_PATH);
        lstrcpynA(drive, n >= 2 ? windows : "C:", 3);
    }
    return std::string(drive) + "\\";
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
    std::string pattern = folder + "*.*";
    if (pattern.size() >= MAX_PATH) {
        report.LeaveOut(folder, DescribeAddFileResult(AddFileResult::TooLong));
        return;
    }
    WIN32_FIND_DATAA found = {};
    UniqueFindHandle search(FindFirstFileA(pattern.c_str(), &found));
    if (!search) {
        DWORD error = GetLastError();
        if (error == ERROR_ACCESS_DENIED)
            report.LeaveOut(folder, DescribeAddFileResult(AddFileResult::NoAccess));
        else if (error != ERROR_FILE_NOT_FOUND && error != ERROR_NO_MORE_FILES)
            report.LeaveOut(folder, DescribeAddFileResult(AddFileResult::Missing));
        return;
    }
    do {
        std::string name = found.cFileName;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            AttachOrPackFile(attachments, folder + name, writer, report);
        } else if (recurse && name != "." && name != "..") {
            AttachOrPackFolder(attachments, folder + name + "\\", true, writer, report);
        }
    } while (FindNextFileA(search.get(), &found));
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
                remove(report.archivePath.c_str());
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
