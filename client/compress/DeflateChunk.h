// One piece of a file deflated by itself: a file is cut into chunks that deflate in
// parallel; each chunk starts from the 32 KiB before it as its dictionary and ends with a
// sync flush, the last one finished, so that the chunks joined are one deflate stream.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>
#include <windows.h>

namespace parcelon {

enum class AddFileResult;

// Bytes read from the source at a time.
constexpr DWORD kReadBlock = 256 * 1024;
// Bytes of a file deflated by one chunk.
constexpr uint64_t kDefaultChunkBytes = 1024 * 1024;

// How many chunks a file of `size` bytes is cut into (at least one, for an empty file).
uint64_t ChunkCount(uint64_t size, uint64_t chunkBytes);

struct DeflatedChunk {
    std::vector<unsigned char> data;
    unsigned long crc = 0;       // CRC-32 of the bytes read
    uint64_t length = 0;         // bytes read
    bool text = false;           // deflate judged the first block to be text
    bool endsStream = false;     // the deflate stream is finished here
    AddFileResult result{};      // Added, ReadFailed or Cancelled
};

// Deflates chunks one after another on one thread. The deflate state and the read buffer
// are kept from one chunk to the next: setting them up costs more than a small file does.
class ChunkDeflater {
public:
    ChunkDeflater();
    ~ChunkDeflater();
    ChunkDeflater(const ChunkDeflater&) = delete;
    ChunkDeflater& operator=(const ChunkDeflater&) = delete;

    // Deflates bytes [offset, offset + length) of `file`. A read that fails or finds the
    // end of the file early finishes the stream there. `cancel` is looked at between
    // reads; bytes read are added to `bytesRead` as they go. A chunk that is a whole file
    // (offset 0, last) is read from the handle's own position, so nothing else may read it.
    DeflatedChunk Deflate(HANDLE file, uint64_t offset, uint64_t length, bool last, const std::atomic<bool>& cancel,
                          std::atomic<uint64_t>& bytesRead);

private:
    class RawDeflate;
    std::unique_ptr<RawDeflate> stream_;
    std::vector<unsigned char> buffer_;
};

}  // namespace parcelon
