// parcelon-host pack --out ARCHIVE.zip [--threads N] [--chunk-bytes N] [--stats]
//                    [--leave-out-blocked] [--split-kb N] PATH...
// Entries of types mail systems refuse are printed (and with --leave-out-blocked taken out
// again); --split-kb also writes the parts of at most N KB beside the archive, as the
// add-in sends them in several messages.
// Names, rules for other drives, long paths and left-out files are those of the add-in:
// entries are named below the system drive's root and sub-folders are walked.
#include "PackCommand.h"

#include <cstdio>
#include <cstdlib>
#include <windows.h>
#include <psapi.h>

#include "client/compress/ArchiveSplit.h"
#include "client/compress/BlockedTypes.h"
#include "client/compress/CompressAndAttach.h"
#include "client/dialog/DroppedEntry.h"
#include "common/FileSystemPath.h"

namespace host {

using namespace parcelon;

namespace {
struct PackArguments {
    std::string out;
    PackSettings settings;
    bool stats = false;
    bool leaveOutBlocked = false;
    unsigned long long splitKb = 0;
    std::vector<std::string> paths;
};

int PackUsage() {
    fprintf(stderr, "usage: parcelon-host pack --out ARCHIVE.zip [--threads N] [--chunk-bytes N] [--stats]\n"
                    "                          [--leave-out-blocked] [--split-kb N] PATH...\n");
    return 2;
}

bool ParseCount(const std::string& text, unsigned long long& value) {
    char* end = nullptr;
    value = strtoull(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0' && value > 0;
}

bool ParsePack(const std::vector<std::string>& argv, PackArguments& args) {
    for (size_t i = 0; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        unsigned long long n = 0;
        if (a == "--out" && i + 1 < argv.size()) {
            args.out = argv[++i];
        } else if (a == "--threads" && i + 1 < argv.size()) {
            if (!ParseCount(argv[++i], n) || n > 64) return false;
            args.settings.workers = static_cast<unsigned>(n);
        } else if (a == "--chunk-bytes" && i + 1 < argv.size()) {
            if (!ParseCount(argv[++i], n)) return false;
            args.settings.chunkBytes = n;
        } else if (a == "--split-kb" && i + 1 < argv.size()) {
            if (!ParseCount(argv[++i], args.splitKb)) return false;
        } else if (a == "--stats") {
            args.stats = true;
        } else if (a == "--leave-out-blocked") {
            args.leaveOutBlocked = true;
        } else if (a.rfind("--", 0) == 0) {
            return false;
        } else {
            args.paths.push_back(a);
        }
    }
    return !args.out.empty() && !args.paths.empty();
}

// The blocked entries, left out when asked; then the parts. False when a step fails.
bool AfterPacking(const PackArguments& args) {
    std::vector<size_t> blocked;
    {
        ZipArchiveReader archive;
        if (!archive.Open(args.out)) return false;
        blocked = BlockedEntries(archive.entries());
        for (size_t i : blocked) printf("blocked type: %s\n", archive.entries()[i].name.c_str());
    }
    if (args.leaveOutBlocked && !blocked.empty() && !LeaveOutEntries(args.out, blocked)) return false;
    if (args.splitKb == 0) return true;
    ZipArchiveReader archive;
    if (!archive.Open(args.out)) return false;
    uint64_t largest = args.splitKb * 1024;
    SplitPlan plan = PlanSplit(archive.entries(), largest);
    for (const std::string& name : plan.tooLarge) printf("too large for one message: %s\n", name.c_str());
    if (!plan.tooLarge.empty()) return false;
    size_t slash = args.out.find_last_of("\\/");
    std::string folder = slash == std::string::npos ? std::string() : args.out.substr(0, slash + 1);
    std::string name = args.out.substr(folder.size());
    std::vector<std::string> parts = WriteParts(archive, plan, folder, name, largest);
    for (size_t i = 0; i < parts.size(); ++i) printf("part: %s (%zu files)\n", parts[i].c_str(), plan.parts[i].size());
    return parts.size() == plan.parts.size();
}

void PrintStats(double seconds, const AttachReport& report, unsigned workers) {
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    printf("stats: workers=%u files=%zu seconds=%.3f peak_working_set=%zu peak_private=%zu\n", workers,
           report.packedFiles, seconds, static_cast<size_t>(memory.PeakWorkingSetSize),
           static_cast<size_t>(memory.PeakPagefileUsage));
}
}  // namespace

int RunPackCommand(const std::vector<std::string>& arguments) {
    PackArguments args;
    if (!ParsePack(arguments, args)) return PackUsage();
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);

    AttachReport report;
    std::vector<FileEntry> rows;
    for (const std::string& path : args.paths) {
        if (auto entry = MakeDroppedEntry(path))
            rows.push_back(*entry);
        else
            report.LeaveOut(path, "cannot be opened");
    }
    ZipArchiveWriter writer;
    if (!writer.Open(args.out.c_str(), "", false)) {
        fprintf(stderr, "parcelon-host: cannot create %s (error %lu)\n", args.out.c_str(), GetLastError());
        return 1;
    }
    PackProgress progress;
    bool packed = PackRows(rows, true, writer, args.settings, progress, report);
    bool finished = writer.Close();
    QueryPerformanceCounter(&end);

    for (const LeftOutFile& f : report.leftOut) printf("left out: %s (%s)\n", f.path.c_str(), f.reason.c_str());
    if (!packed || !finished) {
        DeleteFileW(FileSystemPath(args.out).c_str());
        fprintf(stderr, "parcelon-host: the archive %s could not be made%s%s\n", args.out.c_str(),
                report.failure.empty() ? "" : ": ", report.failure.c_str());
        return 1;
    }
    printf("archive: %s (%zu files)\n", args.out.c_str(), report.packedFiles);
    if (!AfterPacking(args)) {
        fprintf(stderr, "parcelon-host: the archive %s could not be thinned or split\n", args.out.c_str());
        return 1;
    }
    if (args.stats)
        PrintStats(double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart), report,
                   WorkerCount(args.settings));
    return 0;
}

}  // namespace host
