// Deflates a whole file held in memory at once with libdeflate.
#include "WholeFileDeflate.h"

namespace parcelon {

namespace {
// The bytes libdeflate keeps free at the end of its output buffer (OUTPUT_END_PADDING),
// and the one it adds for the last bits.
constexpr size_t kEndPaddingBytes = 8 + 1;
}  // namespace

WholeFileDeflater::WholeFileDeflater() : compressor_(libdeflate_alloc_compressor(kWholeFileLevel)) {}

bool WholeFileDeflater::Deflate(const unsigned char* bytes, size_t length, size_t limit,
                                std::vector<unsigned char>& out) {
    out.clear();
    if (!compressor_ || limit == 0) return false;
    // libdeflate gives up when its output comes within its end padding of the room it has,
    // so a result of `limit` bytes needs that much more room.
    out.resize(limit + kEndPaddingBytes);
    size_t written = libdeflate_deflate_compress(compressor_.get(), bytes, length, out.data(), out.size());
    if (written > limit) written = 0;
    out.resize(written);
    return written > 0;
}

uint32_t Crc32(uint32_t crc, const unsigned char* bytes, size_t length) { return libdeflate_crc32(crc, bytes, length); }

}  // namespace parcelon
