// Deflates a whole file held in memory at once with libdeflate.
#include "WholeFileDeflate.h"

namespace parcelon {

WholeFileDeflater::WholeFileDeflater() : compressor_(libdeflate_alloc_compressor(kWholeFileLevel)) {}

bool WholeFileDeflater::Deflate(const unsigned char* bytes, size_t length, size_t limit,
                                std::vector<unsigned char>& out) {
    out.clear();
    if (!compressor_ || limit == 0) return false;
    out.resize(limit);
    size_t written = libdeflate_deflate_compress(compressor_.get(), bytes, length, out.data(), limit);
    out.resize(written);
    return written > 0;
}

uint32_t Crc32(uint32_t crc, const unsigned char* bytes, size_t length) { return libdeflate_crc32(crc, bytes, length); }

}  // namespace parcelon
