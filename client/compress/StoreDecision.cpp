// Whether a file is deflated or stored as it is.
#include "StoreDecision.h"

namespace parcelon {

uint64_t MostDeflatedBytesWorthKeeping(uint64_t inputBytes) {
    // A chunk is at most 64 MiB, so the product cannot overflow.
    return inputBytes * (100 - kLeastSavingPercent) / 100;
}

bool WorthDeflating(uint64_t inputBytes, uint64_t deflatedBytes) {
    return inputBytes > 0 && deflatedBytes <= MostDeflatedBytesWorthKeeping(inputBytes);
}

bool LooksLikeText(const unsigned char* bytes, size_t length) {
    // Bytes 0-6, 14-25 and 28-31 mark binary data; 9, 10, 13 and 32-255 are text.
    constexpr uint32_t kBinaryControls = 0xF3FFC07Fu;
    constexpr uint32_t kTextControls = (1u << 9) | (1u << 10) | (1u << 13);
    bool sawText = false;
    for (size_t i = 0; i < length; ++i) {
        unsigned char b = bytes[i];
        if (b >= 32) {
            sawText = true;
        } else if (kBinaryControls & (1u << b)) {
            return false;
        } else if (kTextControls & (1u << b)) {
            sawText = true;
        }
    }
    return sawText;
}

}  // namespace parcelon
