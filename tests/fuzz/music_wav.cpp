// Fuzz target: a WAV piece streamed as music: header and chunk walk at the
// start, then blocks of its "data" chunk through the refill steps and round
// its loop.

#include "music_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::PlayMusicInput("fuzz.wav", data, size);
    return 0;
}
