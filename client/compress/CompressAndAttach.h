// What the dialog's OK does with the chosen rows: pack every chosen file and every file of
// each chosen folder into one archive and attach it, or attach the files one by one.
// Walking, reading and deflating run on worker threads; every host call stays on the
// calling (user-interface) thread, which keeps dispatching its messages meanwhile.
#pragma once

#include <memory>
#include <string>
#include <vector>
#include <windows.h>

#include "PackProgress.h"
#include "ParallelPacker.h"
#include "ZipArchiveWriter.h"
#include "client/addin/MailItem.h"
#include "client/dialog/AttachOptions.h"
#include "client/dialog/FileEntry.h"
#include "common/UniqueResource.h"
#include "common/WorkingFolder.h"

namespace parcelon {

struct LeftOutFile {
    std::string path;
    std::string reason;
};

struct AttachReport {
    std::vector<LeftOutFile> leftOut;  // chosen but not packed or attached, in the order met
    std::string failure;               // why the action stopped early; empty when it ran through
    std::string archivePath;           // where the archive was built (compression on), in a working folder
    size_t packedFiles = 0;
    size_t attachedFiles = 0;          // files attached one by one (compression off)
    bool archiveAttached = false;
    bool cancelled = false;            // the user stopped it; no archive is left or attached

    void LeaveOut(const std::string& path, const std::string& reason) { leftOut.push_back({path, reason}); }
};

// How a run of the action is watched and stopped: `progress` is updated by the workers and
// its cancel flag stops them; `dialog` gets its keyboard messages through its dialog
// manager while the user-interface thread waits.
struct PackObserver {
    PackProgress* progress = nullptr;  // required by PackingJob
    HWND dialog = nullptr;
    PackSettings settings;
};

// Never throws: host failures are reported to the debugger output and recorded.
AttachReport CompressAndAttach(const std::vector<FileEntry>& rows, MailItem mailItem, const AttachOptions& options,
                               const PackObserver& observer = {});

// Packing begun on the user-interface thread and finished there on a message: the
// workers run while the thread's own message loop (the dialog's) goes on, and `endMessage`
// is posted to `window` when they are done, so a modal loop opened meanwhile on the same
// thread (a second dialog) does not hold the end back until it closes.
class PackingJob {
public:
    // Reads the mail item's attachments, opens the archive and starts the workers. When
    // that fails, the end message is posted at once and Finish gives the failure.
    PackingJob(const std::vector<FileEntry>& rows, const MailItem& mailItem, const AttachOptions& options,
               const PackObserver& observer, HWND window, UINT endMessage);
    // A job not finished is stopped: the workers are cancelled and waited for, and the
    // unfinished archive is deleted with its working folder.
    ~PackingJob();
    PackingJob(const PackingJob&) = delete;
    PackingJob& operator=(const PackingJob&) = delete;

    // On the end message: waits for the workers (they have ended), then closes the archive
    // and attaches it; never throws. Once.
    AttachReport Finish();

private:
    static DWORD WINAPI RunWorkers(void* job);
    void Pack();

    std::vector<FileEntry> rows_;
    MailItem mailItem_;
    AttachOptions options_;
    PackObserver observer_;
    PackProgress& progress_;
    HWND window_;
    UINT endMessage_;
    Attachments attachments_;
    WorkingFolder folder_;  // before the writer: it outlives the archive written in it
    std::unique_ptr<ZipArchiveWriter> writer_;
    AttachReport report_;
    bool packed_ = false;
    UniqueHandle workers_;
};

// Packs the rows' files into the open `writer` (no host calls: any thread). Files left out
// go to `report`; false when the archive cannot be finished or the packing was cancelled.
bool PackRows(const std::vector<FileEntry>& rows, bool recurse, ZipArchiveWriter& writer,
              const PackSettings& settings, PackProgress& progress, AttachReport& report);

// "%SYSTEMDRIVE%\" as the system gives it, for example C:\.
std::string SystemDriveRoot();

}  // namespace parcelon
