// What the dialog's OK does with the chosen rows: pack every chosen file and every file of
// each chosen folder into one archive and attach it, or attach the files one by one.
#pragma once

#include <string>
#include <vector>

#include "ZipArchiveWriter.h"
#include "client/addin/MailItem.h"
#include "client/dialog/AttachOptions.h"
#include "client/dialog/FileEntry.h"

namespace parcelon {

struct LeftOutFile {
    std::string path;
    std::string reason;
};

struct AttachReport {
    std::vector<LeftOutFile> leftOut;  // chosen but not packed or attached, in the order met
    std::string failure;               // why the action stopped early; empty when it ran through
    std::string archivePath;           // where the archive was built (compression on)
    size_t packedFiles = 0;
    size_t attachedFiles = 0;          // files attached one by one (compression off)
    bool archiveAttached = false;

    void LeaveOut(const std::string& path, const std::string& reason) { leftOut.push_back({path, reason}); }
};

// Never throws: host failures are reported to the debugger output and recorded.
AttachReport CompressAndAttach(const std::vector<FileEntry>& rows, MailItem mailItem,
                               const AttachOptions& options);

void AttachOrPackFile(const Attachments& attachments, const std::string& path, ZipArchiveWriter* writer,
                      AttachReport& report);
void AttachOrPackFolder(const Attachments& attachments, const std::string& folder, bool recurse,
                        ZipArchiveWriter* writer, AttachReport& report);

// "%SYSTEMDRIVE%\" as the system gives it, for example C:\.
std::string SystemDriveRoot();

}  // namespace parcelon
