// Deflates a whole file held in memory at once with libdeflate, far faster than zlib's
// streaming deflate. Its output is one finished raw deflate stream, so it serves files
// that fit in one chunk; larger files are cut into zlib chunks that join into one stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <libdeflate.h>
#include <vector>

#include "common/UniqueResource.h"

namespace parcelon {

// libdeflate's level of the same speed and size as zlib's default.
constexpr int kWholeFileLevel = 6;

using UniqueDeflateCompressor = UniqueResource<NullIsInvalid<libdeflate_compressor*, &::libdeflate_free_compressor>>;

class WholeFileDeflater {
public:
    WholeFileDeflater();

    // Deflates `length` bytes into `out` if that takes at most `limit` bytes; false
    // (with `out` empty) when it would take more or no compressor could be made.
    bool Deflate(const unsigned char* bytes, size_t length, size_t limit, std::vector<unsigned char>& out);

private:
    UniqueDeflateCompressor compressor_;
};

// The standard CRC-32, continued from `crc` (0 to begin).
uint32_t Crc32(uint32_t crc, const unsigned char* bytes, size_t length);

}  // namespace parcelon
