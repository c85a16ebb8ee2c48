// Whether a file is deflated or stored as it is: decided from its first chunk alone, so
// the archive is the same whatever the number of workers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace parcelon {

// Deflated data are kept only when they are at least this share smaller than the input.
constexpr unsigned kLeastSavingPercent = 3;

// The largest deflated size still worth keeping for `inputBytes` bytes.
uint64_t MostDeflatedBytesWorthKeeping(uint64_t inputBytes);

bool WorthDeflating(uint64_t inputBytes, uint64_t deflatedBytes);

// The zip text bit, judged the way zlib's deflate judges a block: text when no control
// byte outside tab, line feed and carriage return (and 7, 8, 11, 12, 26, 27, which text
// may hold) appears and at least one byte of text does.
bool LooksLikeText(const unsigned char* bytes, size_t length);

}  // namespace parcelon
