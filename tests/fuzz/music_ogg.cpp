// Fuzz target: an Ogg Vorbis piece streamed as music: the decoder's open at
// the start, then decoded blocks through the refill steps and round its loop.
// Its seeds include the damaged files that crashed or froze the game's
// decoders. Where libvorbis is compiled from source, the decoder's own calls
// are watched too: every setup header it is asked to unpack was within the
// backend's limits, and no step sets the decoder up more than twice (once
// after a return to the start, once for the one new stream a step is handed).

#include "music_stream.h"

#if defined(FUZZ_DECODER_WRAPS)
#include <vorbis/codec.h>

#include <cstring>

#include "music_source.h"

namespace {
int setUps = 0;  // decoder set-ups since the last step ended
}

extern "C" int __real_vorbis_synthesis_headerin(vorbis_info* vi, vorbis_comment* vc, ogg_packet* op);
extern "C" int __wrap_vorbis_synthesis_headerin(vorbis_info* vi, vorbis_comment* vc, ogg_packet* op) {
    // A setup header libvorbis will unpack: one that follows the other two.
    const bool setup = op && op->bytes >= 7 && op->packet[0] == 5 && std::memcmp(op->packet + 1, "vorbis", 6) == 0;
    if (setup && vi->rate != 0 && vc->vendor != nullptr) {
        KuvoVorbisFigures f;
        KuvoReadVorbisSetup(op->packet, op->bytes, vi->channels, &f);
        FUZZ_CHECK(KuvoVorbisPastLimits(f) == nullptr);
    }
    return __real_vorbis_synthesis_headerin(vi, vc, op);
}

extern "C" int __real_vorbis_synthesis_init(vorbis_dsp_state* v, vorbis_info* vi);
extern "C" int __wrap_vorbis_synthesis_init(vorbis_dsp_state* v, vorbis_info* vi) {
    ++setUps;
    return __real_vorbis_synthesis_init(v, vi);
}

static void AfterStep() {
    FUZZ_CHECK(setUps <= kuvo::kOggStepLinks + 1);
    setUps = 0;
}
#else
static void (*const AfterStep)() = nullptr;
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::PlayMusicInput("fuzz.ogg", data, size, AfterStep);
    return 0;
}
