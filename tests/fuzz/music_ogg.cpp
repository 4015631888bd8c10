// Fuzz target: an Ogg Vorbis piece streamed as music: the decoder's open at
// the start, then decoded blocks through the refill steps and round its loop.
// Its seeds include the damaged files that crashed the game's first decoder.

#include "music_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::PlayMusicInput("fuzz.ogg", data, size);
    return 0;
}
