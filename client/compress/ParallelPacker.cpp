// Packs files into an open archive on several threads.
#include "ParallelPacker.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <zlib.h>

#include "SourceFile.h"
#include "common/DiagnosticLog.h"
#include "common/SlimLock.h"

namespace parcelon {

namespace {
using ChunkKey = std::pair<size_t, uint64_t>;  // file, chunk

// Lets go of a held lock for a scope and takes it back however the scope ends, so that
// an exception leaves the lock held, as its owner expects.
class Unlocked {
public:
    explicit Unlocked(SlimLock& lock) : lock_(lock) { lock_.unlock(); }
    ~Unlocked() { lock_.lock(); }
    Unlocked(const Unlocked&) = delete;
    Unlocked& operator=(const Unlocked&) = delete;

private:
    SlimLock& lock_;
};

struct OpenedFile {
    EntrySource entry;
    SourceFile source;
    uint64_t chunks = 0;
    // Decided by the first chunk; the later ones are put up only then.
    ChunkMethod laterChunks = ChunkMethod::Deflate;
    AddFileResult openResult{};
};

class Packer {
public:
    Packer(ZipArchiveWriter& writer, const SourceFeed& next, const PackSettings& settings, PackProgress& progress,
           const SourceDone& done)
        : writer_(writer), next_(next), done_(done), progress_(progress),
          chunkBytes_(std::clamp<uint64_t>(settings.chunkBytes, 1, kMaxChunkBytes)), workers_(WorkerCount(settings)),
          window_(workers_ + 4) {}

    PackResults Run() {
        std::vector<std::thread> helpers;
        for (unsigned i = 1; i < workers_; ++i) helpers.emplace_back([this] { Work(); });
        Work();
        for (std::thread& helper : helpers) helper.join();
        results_.cancelled = progress_.cancelled();
        if (!results_.cancelled && (!exhausted_ || writeFile_ < nextFile_)) results_.writeFailed = true;
        return std::move(results_);
    }

private:
    void Work() {
        try {
            PackProgress::Reader reader(progress_);
            ChunkPacker packer;
            std::unique_lock<SlimLock> guard(lock_);
            while (!stop_ && !progress_.cancelled()) {
                if (TakePendingChunk(guard, packer)) continue;
                if (TakeNextFile(guard, packer)) continue;
                if (exhausted_ && pending_.empty() && opening_ == 0 && deciding_ == 0) break;
                // The cancel flag is set without a notification; look at it now and then.
                changed_.WaitFor(guard, 20);
            }
        } catch (const std::exception& error) {
            PARCELON_LOG_ERROR("Packing stopped: %s", error.what());
            std::lock_guard<SlimLock> guard(lock_);
            stop_ = true;
            results_.writeFailed = true;
        }
        changed_.NotifyAll();
    }

    // Chunks of the file being written may run ahead of the window, so that the writer
    // always gets what it waits for; never more than a window beyond its position.
    bool MayTake(const ChunkKey& key) const {
        return inFlight_ < window_ || (key.first == writeFile_ && key.second < writeChunk_ + window_);
    }

    bool TakePendingChunk(std::unique_lock<SlimLock>& guard, ChunkPacker& packer) {
        if (pending_.empty() || !MayTake(*pending_.begin())) return false;
        ChunkKey key = *pending_.begin();
        pending_.erase(pending_.begin());
        ++inFlight_;
        const OpenedFile& file = open_.at(key.first);
        std::shared_ptr<UniqueFile> handle = file.source.handle;
        bool last = key.second + 1 == file.chunks;
        uint64_t offset = key.second * chunkBytes_;
        uint64_t length = last ? file.source.size - offset : chunkBytes_;
        ChunkMethod method = file.laterChunks;
        guard.unlock();
        PackedChunk chunk = packer.Pack(handle->get(), offset, length, last, method, progress_.cancel, progress_.doneBytes);
        handle.reset();
        guard.lock();
        Deliver(key, std::move(chunk));
        return true;
    }

    bool TakeNextFile(std::unique_lock<SlimLock>& guard, ChunkPacker& packer) {
        // Sources left out before opening have no chunk in flight: they count by themselves.
        if (exhausted_ || feeding_ || open_.size() + opening_ >= window_ || !MayTake({nextFile_, 0})) return false;
        feeding_ = true;
        ++opening_;
        ++inFlight_;
        guard.unlock();
        OpenedFile file;
        bool more = next_(file.entry);
        guard.lock();
        feeding_ = false;
        if (!more) {
            exhausted_ = true;
            --opening_;
            --inFlight_;
            changed_.NotifyAll();
            return true;
        }
        size_t index = nextFile_++;  // in the order given, since one thread at a time is fed
        guard.unlock();
        progress_.SetCurrentFile(file.entry.path);
        file.openResult = file.entry.problem;
        if (file.openResult == AddFileResult::Added) file.openResult = OpenSourceFile(file.entry.resolved, file.source);
        if (file.openResult == AddFileResult::Added) file.chunks = ChunkCount(file.source.size, chunkBytes_);
        guard.lock();
        --opening_;
        uint64_t chunks = file.chunks;
        std::shared_ptr<UniqueFile> handle = file.source.handle;
        uint64_t length = std::min(file.source.size, chunkBytes_);
        open_[index] = std::move(file);
        if (chunks > 1) ++deciding_;
        if (chunks == 0) {  // not opened: nothing to deflate
            --inFlight_;
            WriteWhatIsReady();
            return true;
        }
        guard.unlock();
        PackedChunk chunk = packer.Pack(handle->get(), 0, length, chunks == 1, ChunkMethod::Decide, progress_.cancel,
                                        progress_.doneBytes);
        handle.reset();
        guard.lock();
        Deliver({index, 0}, std::move(chunk));
        return true;
    }

    // The first chunk of a file has decided how the rest of it is packed.
    void PutUpLaterChunks(size_t index, bool stored) {
        auto file = open_.find(index);
        if (file == open_.end()) return;
        file->second.laterChunks = stored ? ChunkMethod::Store : ChunkMethod::Deflate;
        for (uint64_t c = 1; c < file->second.chunks; ++c) pending_.insert({index, c});
        changed_.NotifyAll();
    }

    void Deliver(const ChunkKey& key, PackedChunk chunk) {
        if (key.second == 0 && open_.count(key.first) && open_.at(key.first).chunks > 1) {
            --deciding_;
            if (!chunk.endsStream) PutUpLaterChunks(key.first, chunk.stored);
        }
        if (key >= ChunkKey{writeFile_, writeChunk_})
            ready_.emplace(key, std::move(chunk));
        else
            --inFlight_;  // its file's stream ended in an earlier chunk
        WriteWhatIsReady();
    }

    // Writes the chunks that continue the archive, one thread at a time. Called with the
    // lock held; it is let go while the archive is written.
    void WriteWhatIsReady() {
        if (writing_) return;
        writing_ = true;
        while (!stop_ && !progress_.cancelled() && writeFile_ < nextFile_) {
            auto file = open_.find(writeFile_);
            if (file == open_.end()) break;
            if (file->second.openResult != AddFileResult::Added) {
                FinishFile(file->second.openResult);
                continue;
            }
            auto found = ready_.find({writeFile_, writeChunk_});
            if (found == ready_.end()) break;
            PackedChunk chunk = std::move(found->second);
            ready_.erase(found);
            OpenedFile& opened = file->second;
            AddFileResult result;
            {
                Unlocked writing(lock_);
                result = WriteChunk(opened, chunk, writeChunk_ == 0);
            }
            --inFlight_;
            if (entryOpen_)
                ++writeChunk_;
            else
                FinishFile(result);
        }
        writing_ = false;
        changed_.NotifyAll();
    }

    // Runs without the lock; only the thread that set `writing_` touches the archive. The
    // last chunk is written after every chunk of the file was read, so the file is checked
    // for a change there; `lastTry` when it is being read once more.
    AddFileResult WriteChunk(const OpenedFile& file, const PackedChunk& chunk, bool first, bool lastTry = false) {
        const EntrySource& source = file.entry;
        if (first) {
            DWORD attributes = source.listedAttributes != INVALID_FILE_ATTRIBUTES ? source.listedAttributes
                                                                                  : file.source.attributes;
            AddFileResult begun = writer_.BeginRawEntry(source.name, file.source.lastWrite, attributes, chunk.text,
                                                        chunk.stored, file.source.size);
            if (begun != AddFileResult::Added) return begun;
            entryOpen_ = true;
            crc_ = chunk.crc;
            size_ = 0;
            recent_.clear();
        } else {
            crc_ = crc32_combine(crc_, chunk.crc, static_cast<z_off_t>(chunk.length));
        }
        // A chunk deflated from bytes before it that are no longer those the entry holds
        // would fail its CRC when extracted: the file changed between the two reads.
        bool primedAlike = chunk.primer.size() <= recent_.size() &&
                           std::equal(chunk.primer.begin(), chunk.primer.end(), recent_.end() - chunk.primer.size());
        KeepRecentBytes(chunk.tail);
        size_ += chunk.length;
        if (!writer_.WriteRaw(chunk.data.data(), chunk.data.size())) {
            entryOpen_ = false;
            writer_.EndRawEntry(crc_, size_);
            return AddFileResult::WriteFailed;
        }
        if (!chunk.endsStream && primedAlike) return AddFileResult::Added;
        entryOpen_ = false;
        // An entry holds its whole file or is taken back out of the archive.
        bool changed = !primedAlike || (chunk.result == AddFileResult::Added && SourceFileChanged(file.source));
        if (changed || chunk.result != AddFileResult::Added || size_ != file.source.size) {
            if (!writer_.DiscardRawEntry()) return AddFileResult::WriteFailed;
            if (!changed) return chunk.result == AddFileResult::Added ? AddFileResult::ReadFailed : chunk.result;
            return lastTry ? AddFileResult::Changed : ReadOnceMore(file);
        }
        if (!writer_.EndRawEntry(crc_, size_)) return AddFileResult::WriteFailed;
        return AddFileResult::Added;
    }

    // The last bytes of the entry so far, as many as a chunk is primed with.
    void KeepRecentBytes(const std::vector<unsigned char>& tail) {
        recent_.insert(recent_.end(), tail.begin(), tail.end());
        if (recent_.size() > kPrimerBytes) recent_.erase(recent_.begin(), recent_.end() - kPrimerBytes);
    }

    // The file changed while it was read, so its entry was taken back: it is read once
    // more, here, a chunk at a time and by the same rules, and left out if it changes
    // again. Rare enough that the other workers may wait for it.
    AddFileResult ReadOnceMore(const OpenedFile& file) {
        OpenedFile again = file;
        if (!RestampSourceFile(again.source)) return AddFileResult::Changed;
        ChunkPacker packer;
        std::atomic<uint64_t> bytesRead{0};  // the progress counted the file once already
        uint64_t chunks = ChunkCount(again.source.size, chunkBytes_);
        ChunkMethod method = ChunkMethod::Decide;
        for (uint64_t c = 0; c < chunks; ++c) {
            uint64_t offset = c * chunkBytes_;
            bool last = c + 1 == chunks;
            PackedChunk chunk = packer.Pack(again.source.handle->get(), offset,
                                            last ? again.source.size - offset : chunkBytes_, last, method,
                                            progress_.cancel, bytesRead);
            if (c == 0) method = chunk.stored ? ChunkMethod::Store : ChunkMethod::Deflate;
            AddFileResult result = WriteChunk(again, chunk, c == 0, true);
            if (!entryOpen_) return result;
        }
        return AddFileResult::WriteFailed;  // the last chunk always ends the entry
    }

    // The file at the writer's position is done; its chunks not yet deflated are dropped.
    void FinishFile(AddFileResult result) {
        done_(open_.at(writeFile_).entry, result);
        if (result == AddFileResult::WriteFailed) {
            stop_ = true;
            results_.writeFailed = true;
        }
        pending_.erase(pending_.lower_bound({writeFile_, 0}), pending_.lower_bound({writeFile_ + 1, 0}));
        for (auto it = ready_.lower_bound({writeFile_, 0}); it != ready_.end() && it->first.first == writeFile_;) {
            it = ready_.erase(it);
            --inFlight_;
        }
        open_.erase(writeFile_);
        ++writeFile_;
        writeChunk_ = 0;
        progress_.doneFiles.fetch_add(1);
    }

    ZipArchiveWriter& writer_;
    const SourceFeed& next_;
    const SourceDone& done_;
    PackProgress& progress_;
    const uint64_t chunkBytes_;
    const unsigned workers_;
    const size_t window_;  // chunks deflated or being deflated and not yet written

    SlimLock lock_;
    SlimCondition changed_;
    size_t nextFile_ = 0;  // sources taken so far
    bool feeding_ = false;  // a thread is taking the next source
    bool exhausted_ = false;
    size_t opening_ = 0;
    size_t deciding_ = 0;  // first chunks of files of several chunks not yet packed: more work may follow
    size_t inFlight_ = 0;
    std::set<ChunkKey> pending_;
    std::map<size_t, OpenedFile> open_;  // opened and not yet written
    std::map<ChunkKey, PackedChunk> ready_;
    bool stop_ = false;
    bool writing_ = false;

    // The writer's position and the entry being written.
    size_t writeFile_ = 0;
    uint64_t writeChunk_ = 0;
    bool entryOpen_ = false;
    unsigned long crc_ = 0;
    uint64_t size_ = 0;
    std::vector<unsigned char> recent_;

    PackResults results_;
};
}  // namespace

unsigned WorkerCount(const PackSettings& settings) {
    if (settings.workers > 0) return std::min(settings.workers, 64u);
    SYSTEM_INFO system = {};
    GetSystemInfo(&system);
    return std::clamp<unsigned>(system.dwNumberOfProcessors, 1, 16);
}

PackResults PackEntries(ZipArchiveWriter& writer, const SourceFeed& next, const PackSettings& settings,
                        PackProgress& progress, const SourceDone& done) {
    return Packer(writer, next, settings, progress, done).Run();
}

PackResults PackEntries(ZipArchiveWriter& writer, const std::vector<EntrySource>& sources,
                        const PackSettings& settings, PackProgress& progress) {
    std::vector<AddFileResult> results(sources.size(), AddFileResult::Cancelled);
    size_t given = 0, finished = 0;
    PackResults packed = PackEntries(
        writer,
        [&](EntrySource& source) {
            if (given >= sources.size()) return false;
            source = sources[given++];
            return true;
        },
        settings, progress, [&](const EntrySource&, AddFileResult result) { results[finished++] = result; });
    packed.results = std::move(results);
    return packed;
}

}  // namespace parcelon
