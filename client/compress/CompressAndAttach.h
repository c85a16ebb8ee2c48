// What the dialog's OK does with the chosen rows: pack every chosen file and every file of
// each chosen folder into one archive and attach it, or attach the files one by one.
// Walking, reading and deflating run on worker threads; every host call stays on the
// calling (user-interface) thread, which keeps dispatching its messages meanwhile.
#pragma once

#include <memory>
#include <string>
#include <vector>
#include <windows.h>

#include "ChosenNames.h"
#include "PackProgress.h"
#include "ParallelPacker.h"
#include "ZipArchiveWriter.h"
#include "client/addin/MailItem.h"
#include "client/dialog/AttachOptions.h"
#include "client/dialog/FileEntry.h"
#include "common/SlimLock.h"
#include "common/UniqueResource.h"
#include "common/WorkingFolder.h"
#include "server/ModuleLock.h"

namespace parcelon {

struct LeftOutFile {
    std::string path;
    std::string reason;
};

struct AttachReport {
    std::vector<LeftOutFile> leftOut;  // chosen but not packed or attached, in the order met
    std::vector<RenamedRow> renamed;   // rows packed under another name than their own
    std::string failure;               // why the action stopped early; empty when it ran through
    std::string archivePath;           // where the archive was built (compression on), in a working folder
    size_t packedFiles = 0;
    size_t attachedFiles = 0;          // files attached one by one (compression off)
    bool archiveAttached = false;
    bool inParts = false;              // the archive went in parts on this message and on copies of it
    bool cancelled = false;            // the user stopped it; no archive is left or attached

    void LeaveOut(const std::string& path, const std::string& reason) { leftOut.push_back({path, reason}); }
};

// How a run of the action is watched and stopped: `progress` is updated by the workers and
// its cancel flag stops them; `dialog` gets its keyboard messages through its dialog
// manager while the user-interface thread waits.
struct PackObserver {
    PackProgress* progress = nullptr;
    HWND dialog = nullptr;
    PackSettings settings;
};

// Never throws: host failures are reported to the debugger output and recorded.
AttachReport CompressAndAttach(const std::vector<FileEntry>& rows, MailItem mailItem, const AttachOptions& options,
                               const PackObserver& observer = {});

// What a packing job owns, shared by the job and its worker thread: the last of the two
// to let go deletes it, which closes and deletes an archive that was not handed over. A
// stopped worker stuck in a read (a network share that went away, a cloud file being
// fetched) thus ends in the background, holding the module meanwhile; no host object is
// in here, since those may only be released on the user-interface thread.
struct PackingWork {
    PackingWork(const std::vector<FileEntry>& rows, const AttachOptions& options, const PackSettings& settings,
                std::shared_ptr<PackProgress> progress, HWND window, UINT endMessage);
    ~PackingWork();
    PackingWork(const PackingWork&) = delete;
    PackingWork& operator=(const PackingWork&) = delete;

    void Pack();
    // Posts the end message, unless the job has let go of the work.
    void NotifyEnd();
    void Abandon();

    const std::vector<FileEntry> rows;
    const AttachOptions options;
    const PackSettings settings;
    const std::shared_ptr<PackProgress> progress;
    WorkingFolder folder;  // before the writer: it outlives the archive written in it
    std::unique_ptr<ZipArchiveWriter> writer;
    AttachReport report;
    bool packed = false;

private:
    ModuleLock moduleHeld_;
    const HWND window_;
    const UINT endMessage_;
    SlimLock endLock_;
    bool abandoned_ = false;
};

// Packing begun on the user-interface thread and finished there on a message: the
// workers run while the thread's own message loop (the dialog's) goes on, and `endMessage`
// is posted to `window` when they are done, so a modal loop opened meanwhile on the same
// thread (a second dialog) does not hold the end back until it closes.
class PackingJob {
public:
    // Reads the mail item's attachments, opens the archive and starts the workers, which
    // report to `progress` and stop on its cancel flag. When that fails, the end message
    // is posted at once and Finish gives the failure.
    PackingJob(const std::vector<FileEntry>& rows, const MailItem& mailItem, const AttachOptions& options,
               const PackObserver& observer, std::shared_ptr<PackProgress> progress, HWND window, UINT endMessage);
    // A job not finished is stopped: the workers are cancelled, a read of theirs that
    // blocks is cancelled too, and they are waited for a moment at most; what is left of
    // the work ends without the job. Nothing is attached.
    ~PackingJob();
    PackingJob(const PackingJob&) = delete;
    PackingJob& operator=(const PackingJob&) = delete;

    // On the end message: waits for the workers (they have ended), then closes the archive
    // and attaches it; never throws. Once.
    AttachReport Finish();

private:
    void StartWorkers();

    std::shared_ptr<PackingWork> work_;
    MailItem mailItem_;
    HWND owner_;  // of the questions asked before attaching
    Attachments attachments_;
    UniqueHandle workers_;
};

// Packs the rows' files into the open `writer` (no host calls: any thread). Files left out
// go to `report`; false when the archive cannot be finished or the packing was cancelled.
bool PackRows(const std::vector<FileEntry>& rows, bool recurse, ZipArchiveWriter& writer,
              const PackSettings& settings, PackProgress& progress, AttachReport& report);

// "%SYSTEMDRIVE%\" as the system gives it, for example C:\.
std::string SystemDriveRoot();

}  // namespace parcelon
