// Keyed checksum: each byte is weighted by a factor that grows with its
// position and the key. Computed in uint32: the sums wrap at 32 bits, as the
// checksums already stored expect, and never overflow a signed int.

#include "text_checksum.h"

#include <cstdint>

namespace zcommon {

unsigned int TextChecksum(const std::string& text, int key) {
    const uint32_t k = static_cast<uint32_t>(key);
    uint32_t s = 0;
    for (size_t n = 0; n < text.size(); ++n) {
        const uint32_t i = static_cast<uint32_t>(n);
        const uint32_t w = i + (i + 73u) / 7u + k * (i + 1u) + 1u;
        const uint32_t byte = static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(text[n])));
        s = (w * byte + s) % kChecksumModulus;
    }
    return s;
}

}  // namespace zcommon
