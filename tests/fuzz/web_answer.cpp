// Fuzz target: a score server's answer as the game reads it off a connection
// that hands it over in blocks of one size (the input's first two bytes give
// it, the rest is the answer): the framing that keeps the payload between its
// tags, then the reading of the payload into the online score tables.

#include "MyGame.h"
#include "fuzz_support.h"

extern MyGame ThisGame;

namespace {

bool Kept(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return (u >= 32 && u <= 127) || u == 13 || u == 10;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const size_t block = 1 + (static_cast<size_t>(data[0]) | static_cast<size_t>(data[1]) << 8) % kuvo::kWebBlock;
    const char* answer = reinterpret_cast<const char*>(data + 2);
    const size_t length = size - 2;

    std::string window, result;
    kuvo::WebFramer framer(window, result);
    for (size_t at = 0; at < length && !framer.Done(); at += block)
        framer.Block(answer + at, std::min(block, length - at));
    framer.Finish();
    FUZZ_CHECK(result.size() <= static_cast<size_t>(kuvo::kWebResultMax));
    for (char c : result) FUZZ_CHECK(Kept(c));

    ThisGame.BoardCount = 3;
    ThisGame.ReadScoreAnswer(result);
    for (int b = 1; b <= 3; b++) {
        const int base = zindle::BoardBase(b);
        for (int k = 0; k < 5; k++) FUZZ_CHECK(ThisGame.OnlineNameTable[base + k][zindle::kNameChars] == '\0');
    }
    return 0;
}
