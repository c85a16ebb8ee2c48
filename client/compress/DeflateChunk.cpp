// One piece of a file deflated by itself.
#include "DeflateChunk.h"

#include <algorithm>
#include <zlib.h>

#include "SourceFile.h"
#include "ZipArchiveWriter.h"

namespace parcelon {

namespace {
constexpr uInt kDictionaryBytes = 32 * 1024;

}  // namespace

class ChunkDeflater::RawDeflate {
public:
    RawDeflate() {
        ok_ = deflateInit2(&stream_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    }
    ~RawDeflate() {
        if (ok_) deflateEnd(&stream_);
    }
    RawDeflate(const RawDeflate&) = delete;
    RawDeflate& operator=(const RawDeflate&) = delete;

    // A fresh stream for the next chunk: the same output as a newly made one.
    bool Reset() {
        dataType_ = Z_UNKNOWN;
        return ok_ && deflateReset(&stream_) == Z_OK;
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
        if (stream_.data_type != Z_UNKNOWN && dataType_ == Z_UNKNOWN) dataType_ = stream_.data_type;
        return true;
    }
    bool text() const { return dataType_ == Z_TEXT; }

private:
    z_stream stream_ = {};
    bool ok_ = false;
    int dataType_ = Z_UNKNOWN;
};

uint64_t ChunkCount(uint64_t size, uint64_t chunkBytes) { return size == 0 ? 1 : (size + chunkBytes - 1) / chunkBytes; }

ChunkDeflater::ChunkDeflater() : stream_(std::make_unique<RawDeflate>()), buffer_(kReadBlock) {}

ChunkDeflater::~ChunkDeflater() = default;

DeflatedChunk ChunkDeflater::Deflate(HANDLE file, uint64_t offset, uint64_t length, bool last,
                                     const std::atomic<bool>& cancel, std::atomic<uint64_t>& bytesRead) {
    DeflatedChunk chunk;
    chunk.result = AddFileResult::Added;
    chunk.crc = crc32(0, nullptr, 0);
    RawDeflate& deflater = *stream_;
    if (!deflater.Reset()) {
        chunk.result = AddFileResult::WriteFailed;
        chunk.endsStream = true;
        return chunk;
    }
    std::vector<unsigned char>& buffer = buffer_;
    bool finished = false;
    if (offset > 0) {
        uInt before = static_cast<uInt>(std::min<uint64_t>(offset, kDictionaryBytes));
        DWORD read = 0;
        if (!ReadAt(file, offset - before, buffer.data(), before, read) || read != before ||
            !deflater.SetDictionary(buffer.data(), before)) {
            chunk.result = AddFileResult::ReadFailed;
            finished = true;
        }
    }
    // A file deflated in one chunk has no other reader.
    const bool wholeFile = offset == 0 && last;
    uint64_t position = offset;
    while (!finished) {
        if (cancel.load(std::memory_order_relaxed)) {
            chunk.result = AddFileResult::Cancelled;
            chunk.endsStream = true;
            return chunk;
        }
        DWORD want = static_cast<DWORD>(std::min<uint64_t>(kReadBlock, offset + length - position));
        DWORD read = 0;
        if (want > 0 && !(wholeFile ? ReadOn(file, buffer.data(), want, read)
                                    : ReadAt(file, position, buffer.data(), want, read))) {
            chunk.result = AddFileResult::ReadFailed;
            break;
        }
        position += read;
        chunk.crc = crc32(chunk.crc, buffer.data(), read);
        bytesRead.fetch_add(read, std::memory_order_relaxed);
        bool atEnd = read == 0 || position == offset + length;
        // A file that ended early ends its stream in this chunk.
        bool ends = last || read < want;
        int flush = atEnd ? (ends ? Z_FINISH : Z_SYNC_FLUSH) : Z_NO_FLUSH;
        if (!deflater.Deflate(buffer.data(), read, flush, chunk.data)) {
            chunk.result = AddFileResult::WriteFailed;
            chunk.endsStream = true;
            return chunk;
        }
        if (atEnd) {
            chunk.endsStream = ends;
            chunk.length = position - offset;
            chunk.text = deflater.text();
            return chunk;
        }
    }
    // Reading failed: the stream ends with the bytes read so far.
    deflater.Deflate(nullptr, 0, Z_FINISH, chunk.data);
    chunk.endsStream = true;
    chunk.length = position - offset;
    chunk.text = deflater.text();
    return chunk;
}

}  // namespace parcelon
