// The keyed text checksum of the engine's vocabulary, shared with the score
// server. Pure, and defined for every byte string and key.
#pragma once

#include <string>

namespace zcommon {

constexpr unsigned kChecksumModulus = 3717;  // results are 0..3716

// Unsigned 32-bit wrap-around throughout; bytes count as signed.
unsigned int TextChecksum(const std::string& text, int key);

}  // namespace zcommon
