// Packs files into an open archive on several threads: each file is opened once, cut into
// chunks that workers deflate (or store, as the first chunk decides) in parallel, and the
// chunks are written in the order of the files through the library's raw mode, so the
// archive is the same for any worker count.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "PackChunk.h"
#include "PackProgress.h"
#include "ZipArchiveWriter.h"

namespace parcelon {

struct PackSettings {
    unsigned workers = 0;  // 0: one per processor
    uint64_t chunkBytes = kDefaultChunkBytes;
};

struct PackResults {
    std::vector<AddFileResult> results;  // from the list form: one per source, in the order given
    bool writeFailed = false;            // the archive can no longer be finished
    bool cancelled = false;
};

// The next source in archive order; false when there are none left. Called by one thread
// at a time, without the packer's lock: it may walk folders.
using SourceFeed = std::function<bool(EntrySource&)>;
// Called in archive order, one thread at a time, as each source is done: added, or why not.
using SourceDone = std::function<void(const EntrySource&, AddFileResult)>;

// The number of workers for `settings` on this machine.
unsigned WorkerCount(const PackSettings& settings);

// Adds every source `next` gives to `writer` in order. Runs one worker on the calling
// thread and the others on threads of their own; returns when all have ended. Sources are
// taken only as the work in flight allows, so memory is bounded by a few chunks and
// sources per worker, whatever the number and sizes of the files.
PackResults PackEntries(ZipArchiveWriter& writer, const SourceFeed& next, const PackSettings& settings,
                        PackProgress& progress, const SourceDone& done);

// The same for a list of sources known at once; a source not reached stays Cancelled.
PackResults PackEntries(ZipArchiveWriter& writer, const std::vector<EntrySource>& sources,
                        const PackSettings& settings, PackProgress& progress);

}  // namespace parcelon
