// One piece of a file packed by itself: a file is cut into chunks that are packed in
// parallel. Its first chunk decides whether the file is deflated or stored. Deflated
// chunks start from the 32 KiB before them as their dictionary and end with a sync flush,
// the last one finished, so that the chunks joined are one deflate stream; a file that
// fits in one chunk is deflated whole by libdeflate instead.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>
#include <windows.h>

#include "WholeFileDeflate.h"

namespace parcelon {

enum class AddFileResult;

// Bytes read from the source at a time.
constexpr DWORD kReadBlock = 256 * 1024;
// A first chunk longer than kProbedChunkBytes is first judged by three windows of it, at
// its start, middle and end: when none deflates by enough, the file is stored without
// deflating the rest, so a photo or a video goes at the speed of reading it. A file with
// any window that compresses is judged by all of its first chunk.
constexpr uint64_t kProbeWindowBytes = 16 * 1024;
constexpr uint64_t kProbedChunkBytes = 4 * kProbeWindowBytes;
// Bytes of a file packed by one chunk.
constexpr uint64_t kDefaultChunkBytes = 1024 * 1024;
// The bytes before a deflated chunk that it starts from: deflate's whole window.
constexpr uint64_t kPrimerBytes = 32 * 1024;
// A chunk is held in memory whole, and its length goes to crc32_combine as a 32-bit long.
constexpr uint64_t kMaxChunkBytes = 64 * 1024 * 1024;

// How many chunks a file of `size` bytes is cut into (at least one, for an empty file).
uint64_t ChunkCount(uint64_t size, uint64_t chunkBytes);

// How a chunk's bytes go into its entry.
enum class ChunkMethod {
    Decide,   // the first chunk: deflated, or stored when deflate saves too little
    Deflate,  // a later chunk of a file whose first chunk was deflated
    Store,    // a later chunk of a file whose first chunk was stored
};

struct PackedChunk {
    std::vector<unsigned char> data;  // deflated, or the bytes read themselves when stored
    unsigned long crc = 0;            // CRC-32 of the bytes read
    uint64_t length = 0;              // bytes read
    bool stored = false;
    bool text = false;                // a first chunk's bytes look like text
    bool endsStream = false;          // the entry's data end here
    AddFileResult result{};           // Added, ReadFailed or Cancelled
    // What the chunk was deflated from before its own bytes, read at the same time, and
    // the last bytes of a chunk that does not end the stream: the writer, which has both
    // chunks in hand, checks that the file did not change between them.
    std::vector<unsigned char> primer;
    std::vector<unsigned char> tail;
};

// Packs chunks one after another on one thread. The deflate states and the buffer are
// kept from one chunk to the next: setting them up costs more than a small file does.
class ChunkPacker {
public:
    ChunkPacker();
    ~ChunkPacker();
    ChunkPacker(const ChunkPacker&) = delete;
    ChunkPacker& operator=(const ChunkPacker&) = delete;

    // Packs bytes [offset, offset + length) of `file`. A read that fails or finds the end
    // of the file early ends the entry's data there, and the chunk tells which. `cancel` is looked at between reads;
    // bytes read are added to `bytesRead` as they go. A chunk that is a whole file
    // (offset 0, last) is read from the handle's own position, so nothing else may read it.
    PackedChunk Pack(HANDLE file, uint64_t offset, uint64_t length, bool last, ChunkMethod method,
                     const std::atomic<bool>& cancel, std::atomic<uint64_t>& bytesRead);

private:
    class RawDeflate;
    // False when the `length` bytes of a first chunk are surely not worth deflating: their
    // probe windows all deflate by too little.
    bool MayBeWorthDeflating(const unsigned char* bytes, uint64_t length);

    std::unique_ptr<RawDeflate> stream_;
    WholeFileDeflater whole_;
    std::vector<unsigned char> buffer_;  // a later chunk's bytes, or a first chunk's deflated data
    std::vector<unsigned char> probe_;
};

}  // namespace parcelon
