// Packs files into an open archive on several threads: each file is opened once, cut into
// chunks that workers deflate in parallel, and the chunks are written in the order of the
// files through the library's raw mode, so the archive is the same for any worker count.
#pragma once

#include <cstdint>
#include <vector>

#include "DeflateChunk.h"
#include "PackProgress.h"
#include "ZipArchiveWriter.h"

namespace parcelon {

struct PackSettings {
    unsigned workers = 0;  // 0: one per processor
    uint64_t chunkBytes = kDefaultChunkBytes;
};

struct PackResults {
    std::vector<AddFileResult> results;  // one per source, in the order given
    bool writeFailed = false;            // the archive can no longer be finished
    bool cancelled = false;
};

// The number of workers for `settings` on this machine.
unsigned WorkerCount(const PackSettings& settings);

// Adds every source to `writer` in order. Runs one worker on the calling thread and the
// others on threads of their own; returns when all have ended. Memory in flight is bounded
// by a few chunks per worker, whatever the sizes of the files.
PackResults PackEntries(ZipArchiveWriter& writer, const std::vector<EntrySource>& sources,
                        const PackSettings& settings, PackProgress& progress);

}  // namespace parcelon
