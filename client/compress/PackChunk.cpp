// One piece of a file packed by itself.
#include "PackChunk.h"

#include <algorithm>
#include <zlib.h>

#include "SourceFile.h"
#include "StoreDecision.h"
#include "ZipArchiveWriter.h"

namespace parcelon {

namespace {
// zlib's default level searches up to 128 earlier matches at each byte; half as many
// deflates a chunk a sixth faster for 0.6 % more bytes on text, which keeps the archive
// within a percent of other zip programs' at their default level.
constexpr int kGoodMatch = 8, kLazyMatch = 16, kNiceMatch = 128, kMatchChain = 64;
}  // namespace

// zlib's raw deflate, for chunks that join into one stream.
class ChunkPacker::RawDeflate {
public:
    RawDeflate() {
        ok_ = deflateInit2(&stream_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    }
    ~RawDeflate() {
        if (ok_) deflateEnd(&stream_);
    }
    RawDeflate(const RawDeflate&) = delete;
    RawDeflate& operator=(const RawDeflate&) = delete;

    // A fresh stream for the next chunk: the same output as a newly made one. A reset
    // brings back the level's own search lengths, so they are set after it.
    bool Reset() {
        return ok_ && deflateReset(&stream_) == Z_OK &&
               deflateTune(&stream_, kGoodMatch, kLazyMatch, kNiceMatch, kMatchChain) == Z_OK;
    }
    bool SetDictionary(const unsigned char* bytes, uInt length) {
        return deflateSetDictionary(&stream_, bytes, length) == Z_OK;
    }
    // Appends to `out` everything deflate gives for `length` bytes with `flush`.
    bool Deflate(const unsigned char* bytes, uInt length, int flush, std::vector<unsigned char>& out) {
        stream_.next_in = const_cast<Bytef*>(bytes);
        stream_.avail_in = length;
        for (;;) {
            size_t used = out.size();
            size_t room = std::max<size_t>(deflateBound(&stream_, length), 4096);
            out.resize(used + room);
            stream_.next_out = out.data() + used;
            stream_.avail_out = static_cast<uInt>(room);
            int status = deflate(&stream_, flush);
            out.resize(used + room - stream_.avail_out);
            if (status == Z_STREAM_ERROR) return false;
            if (stream_.avail_out != 0 || status == Z_STREAM_END) {
                if (stream_.avail_in == 0) break;
            }
        }
        return true;
    }

private:
    z_stream stream_ = {};
    bool ok_ = false;
};

uint64_t ChunkCount(uint64_t size, uint64_t chunkBytes) { return size == 0 ? 1 : (size + chunkBytes - 1) / chunkBytes; }

ChunkPacker::ChunkPacker() : stream_(std::make_unique<RawDeflate>()) {}

ChunkPacker::~ChunkPacker() = default;

PackedChunk ChunkPacker::Pack(HANDLE file, uint64_t offset, uint64_t length, bool last, ChunkMethod method,
                              const std::atomic<bool>& cancel, std::atomic<uint64_t>& bytesRead) {
    PackedChunk chunk;
    chunk.result = AddFileResult::Added;
    chunk.endsStream = last;
    RawDeflate& deflater = *stream_;
    if (method == ChunkMethod::Deflate) {
        if (!deflater.Reset()) {
            chunk.result = AddFileResult::WriteFailed;
            chunk.endsStream = true;
            return chunk;
        }
        if (offset > 0) {
            uInt before = static_cast<uInt>(std::min<uint64_t>(offset, kPrimerBytes));
            buffer_.resize(before);
            DWORD read = 0;
            if (!ReadAt(file, offset - before, buffer_.data(), before, read) || read != before ||
                !deflater.SetDictionary(buffer_.data(), before)) {
                // The stream still has to be finished for the entry to be readable.
                chunk.result = AddFileResult::ReadFailed;
                chunk.endsStream = true;
                deflater.Deflate(nullptr, 0, Z_FINISH, chunk.data);
                return chunk;
            }
            chunk.primer = buffer_;
        }
    }

    // The chunk's bytes, whole, read straight into the entry's data: a chunk that turns out
    // stored needs no copy.
    std::vector<unsigned char>& bytes = method == ChunkMethod::Deflate ? buffer_ : chunk.data;
    bytes.resize(std::min(length, kMaxChunkBytes));
    // A file packed in one chunk has no other reader.
    const bool wholeFile = offset == 0 && last;
    uint64_t got = 0;
    while (got < bytes.size()) {
        if (cancel.load(std::memory_order_relaxed)) {
            chunk.data.clear();
            chunk.result = AddFileResult::Cancelled;
            chunk.endsStream = true;
            return chunk;
        }
        DWORD want = static_cast<DWORD>(std::min<uint64_t>(kReadBlock, bytes.size() - got));
        DWORD read = 0;
        bool ok = wholeFile ? ReadOn(file, bytes.data() + got, want, read)
                            : ReadAt(file, offset + got, bytes.data() + got, want, read);
        got += read;
        bytesRead.fetch_add(read, std::memory_order_relaxed);
        if (!ok) chunk.result = AddFileResult::ReadFailed;
        // A file that ended early, or could not be read on, ends its entry here.
        if (!ok || read < want) {
            chunk.endsStream = true;
            break;
        }
    }
    bytes.resize(got);
    chunk.length = got;
    chunk.crc = Crc32(0, bytes.data(), bytes.size());
    if (offset == 0) chunk.text = LooksLikeText(bytes.data(), bytes.size());
    if (!chunk.endsStream) chunk.tail.assign(bytes.end() - std::min<uint64_t>(got, kPrimerBytes), bytes.end());

    switch (method) {
    case ChunkMethod::Store:
        chunk.stored = true;
        return chunk;
    case ChunkMethod::Deflate:
        if (!deflater.Deflate(bytes.data(), static_cast<uInt>(got), chunk.endsStream ? Z_FINISH : Z_SYNC_FLUSH,
                              chunk.data)) {
            chunk.result = AddFileResult::WriteFailed;
            chunk.endsStream = true;
        }
        return chunk;
    case ChunkMethod::Decide:
        break;
    }
    chunk.stored = true;
    if (!MayBeWorthDeflating(bytes.data(), got)) return chunk;
    std::vector<unsigned char>& deflated = buffer_;
    if (chunk.endsStream) {
        // The whole entry is in hand: libdeflate at once, given no more room than a
        // worthwhile result needs.
        if (!whole_.Deflate(bytes.data(), bytes.size(), MostDeflatedBytesWorthKeeping(got), deflated)) return chunk;
    } else {
        deflated.clear();
        if (!deflater.Reset() || !deflater.Deflate(bytes.data(), static_cast<uInt>(got), Z_SYNC_FLUSH, deflated) ||
            !WorthDeflating(got, deflated.size()))
            return chunk;
    }
    // The read bytes' vector is kept as the next chunk's buffer.
    chunk.data.swap(deflated);
    chunk.stored = false;
    return chunk;
}

bool ChunkPacker::MayBeWorthDeflating(const unsigned char* bytes, uint64_t length) {
    if (length <= kProbedChunkBytes) return true;
    const uint64_t windows[] = {0, (length - kProbeWindowBytes) / 2, length - kProbeWindowBytes};
    for (uint64_t at : windows)
        if (whole_.Deflate(bytes + at, kProbeWindowBytes, MostDeflatedBytesWorthKeeping(kProbeWindowBytes), probe_))
            return true;
    return false;
}

}  // namespace parcelon
