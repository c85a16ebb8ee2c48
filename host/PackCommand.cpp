// parcelon-host pack --out ARCHIVE.zip [--threads N] [--chunk-bytes N] [--stats] PATH...
// Names, rules for other drives, long paths and left-out files are those of the add-in:
// entries are named below the system drive's root and sub-folders are walked.
#include "PackCommand.h"

#include <cstdio>
#include <cstdlib>
#include <windows.h>
#include <psapi.h>

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
    std::vector<std::string> paths;
};

int PackUsage() {
    fprintf(stderr, "usage: parcelon-host pack --out ARCHIVE.zip [--threads N] [--chunk-bytes N] [--stats] PATH...\n");
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
        } else if (a == "--stats") {
            args.stats = true;
        } else if (a.rfind("--", 0) == 0) {
            return false;
        } else {
            args.paths.push_back(a);
        }
    }
    return !args.out.empty() && !args.paths.empty();
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
    if (!writer.Open(args.out.c_str(), SystemDriveRoot().c_str(), false)) {
        fprintf(stderr, "parcelon-host: cannot create %s\n", args.out.c_str());
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
    if (args.stats)
        PrintStats(double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart), report,
                   WorkerCount(args.settings));
    return 0;
}

}  // namespace host
