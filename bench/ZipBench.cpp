// Benchmark of the zip writer: packs a folder tree, or one file, and prints the time,
// the archive's size and the process's peak memory.
//   zip-bench TREE_OR_FILE OUT.zip
#include <cstdio>
#include <windows.h>

#include <psapi.h>

#include "client/compress/CompressAndAttach.h"

using namespace parcelon;

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: zip-bench TREE_OR_FILE OUT.zip\n");
        return 2;
    }
    std::string source = argv[1];
    DWORD attributes = GetFileAttributesA(source.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        fprintf(stderr, "zip-bench: %s not found\n", source.c_str());
        return 1;
    }
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);

    AttachReport report;
    {
        ZipArchiveWriter writer(argv[2], nullptr, false);
        if (!writer.isOpen()) {
            fprintf(stderr, "zip-bench: cannot create %s\n", argv[2]);
            return 1;
        }
        // The same walk and packing the compress-and-attach action makes; no host is involved.
        FileEntry row;
        row.attributes = attributes;
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && source.back() != '\\') source += '\\';
        row.path = source;
        PackProgress progress;
        PackRows({row}, true, writer, PackSettings(), progress, report);
        writer.Close();
    }
    QueryPerformanceCounter(&end);

    WIN32_FILE_ATTRIBUTE_DATA archive = {};
    GetFileAttributesExA(argv[2], GetFileExInfoStandard, &archive);
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    printf("files=%zu left_out=%zu seconds=%.3f archive_bytes=%llu peak_working_set=%zu peak_private=%zu\n",
           report.packedFiles, report.leftOut.size(),
           double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart),
           (static_cast<unsigned long long>(archive.nFileSizeHigh) << 32) | archive.nFileSizeLow,
           static_cast<size_t>(memory.PeakWorkingSetSize), static_cast<size_t>(memory.PeakPagefileUsage));
    return 0;
}
