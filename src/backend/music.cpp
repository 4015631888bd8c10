// Music streaming: one WAV or Ogg Vorbis piece at a time (Ogg decoded by
// libvorbisfile), fed through the four rotating buffers queued on source 31,
// at most one block per frame. A damaged file is refused with a log line;
// nothing here may read a closed or null stream handle, or block the frame:
// the decoder reads the file through music_source.cpp, which checks every
// stream's headers before the decoder unpacks them and hands each step only
// its allowance of work, so a step's cost is bounded by what it is handed.

#include <AL/al.h>

// The library's ready-made callback sets are static objects every includer
// would carry unused; the music file has its own.
#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <new>

#include "music_source.h"
#include "sys_internal.h"

int MusicBufferTick = 0;
int MusicBufferStats[kuvo::kMusicStats];
FILE* MusicFile = nullptr;
KuvoOggStream* OggFile = nullptr;
long MusicFileBegin = 0;
long MusicFileEnd = 0;
// One block, decoded or read; a fixed array so that no frame allocates.
short MusicStreamBlock[kuvo::kOggBlockValues];
static_assert(sizeof MusicStreamBlock >= size_t(kuvo::kMusicBlockBytes), "a WAV block must fit");

// An Ogg piece's decoder and the file it reads, kept together: a piece
// being opened has its own allowances, never the running piece's.
struct KuvoOggStream {
    OggVorbis_File decoder;
    KuvoMusicSource source;
    long passValues;  // values decoded since the piece's start or its last return there
    long passes;      // returns to the start
};

long KuvoOggPasses() { return OggFile ? OggFile->passes : 0; }

namespace {

constexpr int kWavStream = 1;
constexpr int kOggStream = 2;

ALuint MusicSource() { return ALsource[kuvo::kMusicSource]; }

// Stops the music source and empties its queue. The unqueue call writes the
// name it removed into its argument, so the names go to a scratch variable:
// written over the MusicBuffer table they would reorder it, and once a block
// had played before the queue was full, one name would be there twice and
// another lost.
void DetachMusicBuffers() {
    const ALuint src = MusicSource();
    alSourceStop(src);
    for (int i = 0; i < kuvo::kMusicBuffers; ++i) {
        ALuint freed = 0;
        alSourceUnqueueBuffers(src, 1, &freed);
    }
}

// The decoder reads the music file through these. With no close callback the
// file stays ours: it is closed with the stream, or at once when the decoder
// refuses it.
const ov_callbacks kMusicFileCalls = {KuvoMusicRead, KuvoMusicSeek, nullptr, KuvoMusicTell};

// Opens a decoder step with its allowance.
OggVorbis_File* Step(KuvoOggStream* ogg, KuvoMusicStep step) {
    KuvoMusicBeginStep(&ogg->source, step);
    return &ogg->decoder;
}

// Bytes the decoder was handed but has not framed yet go back to the file:
// a damaged stream can keep its framing waiting for a false page to
// complete, and so reading up to a page's worth ahead, which the next block
// would then take without having been handed it. Dropped from the decoder
// and handed again from where it stands, they count against the block that
// takes them. A whole page is always framed at once, so valid streams never
// leave any.
bool ReclaimUnframed(KuvoOggStream* ogg) {
    OggVorbis_File& vf = ogg->decoder;
    if (vf.oy.fill <= vf.oy.returned) return true;
    ogg_sync_reset(&vf.oy);
    return KuvoMusicHandFrom(&ogg->source, long(vf.offset));
}

// Back to the piece's start by a byte offset. A search by sample number
// would bisect the file, and a damaged file can send the bisection far past
// its end; an offset needs no search.
bool SeekOgg(KuvoOggStream* ogg, ogg_int64_t offset) {
    ogg->passValues = 0;
    return ov_raw_seek(Step(ogg, KuvoMusicStep::Seek), offset) == 0 && !ogg->source.refused;
}

// At a loop: the first audio page, whose offset the open found. Starting
// there, not at the file's first byte, never reads the headers again (a
// cover image in the comment can make them megabytes).
bool RewindOgg(KuvoOggStream* ogg) {
    return SeekOgg(ogg, ogg->decoder.dataoffsets ? ogg->decoder.dataoffsets[0] : 0);
}

void DeleteOgg(KuvoOggStream* ogg) {
    ov_clear(&ogg->decoder);
    KuvoMusicSourceClear(&ogg->source);
    delete ogg;
}

constexpr int kOggValueBytes = static_cast<int>(sizeof MusicStreamBlock[0]);

// One decoded value as libvorbisfile's own ov_read makes it: times 32,768,
// rounded to the nearest (SSE2's conversion on x86-64, floor(v + 0.5)
// elsewhere, as libvorbis builds its own), then held within 16 bits.
inline short ToShort(float v) {
#if defined(__SSE2__)
    const int n = _mm_cvtss_si32(_mm_set_ss(v * 32768.f));
#else
    const int n = static_cast<int>(std::floor(static_cast<double>(v * 32768.f) + .5));
#endif
    return static_cast<short>(n > 32767 ? 32767 : n < -32768 ? -32768 : n);
}

// A packet's frames, interleaved into the block, value for value as ov_read
// gives them. Its conversion was a tenth of each block's cost, one sample at
// a time; here four go at once, and SSE2's saturating pack holds them in 16
// bits as ov_read's comparisons do (a value past int converts to INT_MIN,
// which holds to -32,768 there as here).
void Interleave(float* const* pcm, int channels, long frames, short* out) {
    long i = 0;
#if defined(__SSE2__)
    const __m128 scale = _mm_set1_ps(32768.f);
    if (channels == 1) {
        for (; i + 8 <= frames; i += 8) {
            const __m128i a = _mm_cvtps_epi32(_mm_mul_ps(_mm_loadu_ps(pcm[0] + i), scale));
            const __m128i b = _mm_cvtps_epi32(_mm_mul_ps(_mm_loadu_ps(pcm[0] + i + 4), scale));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packs_epi32(a, b));
        }
    } else if (channels == 2) {
        for (; i + 4 <= frames; i += 4) {
            const __m128i l = _mm_cvtps_epi32(_mm_mul_ps(_mm_loadu_ps(pcm[0] + i), scale));
            const __m128i r = _mm_cvtps_epi32(_mm_mul_ps(_mm_loadu_ps(pcm[1] + i), scale));
            const __m128i lo = _mm_unpacklo_epi32(l, r), hi = _mm_unpackhi_epi32(l, r);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), _mm_packs_epi32(lo, hi));
        }
    }
#endif
    for (; i < frames; ++i)
        for (int c = 0; c < channels; ++c) out[i * channels + c] = ToShort(pcm[c][i]);
}

// Opens the decoder on an open file, at the piece's first sample; null when it
// refuses the stream, the file goes past a limit, or the stream's first link
// gives no layout a buffer could take (more than two channels, a rate past
// int).
KuvoOggStream* OpenOgg(FILE* f) {
    KuvoOggStream* ogg = new (std::nothrow) KuvoOggStream();
    if (!ogg) return nullptr;
    // The framing ahead of the decoder is the only buffer the bytes need:
    // they are read straight into it, not through stdio's own first.
    std::setvbuf(f, nullptr, _IONBF, 0);
    KuvoMusicSourceInit(&ogg->source, f, KuvoFileLength(f));
    // A refused open has released what the decoder took, with one exception
    // in libvorbisfile itself: when a later link of a chained file fails, its
    // _bisect_forward_serialno returns without freeing what it had read for
    // the links before (their headers and comments, megabytes for a long
    // chain). So the first open stops at the first page of a later link,
    // before any is unpacked; the whole file is then read through the checks,
    // and only one that passes is opened again.
    int opening = ov_open_callbacks(&ogg->source, Step(ogg, KuvoMusicStep::Open), nullptr, 0, kMusicFileCalls);
    if (ogg->source.chained) {
        if (opening == 0) ov_clear(&ogg->decoder);
        opening = KuvoMusicCheckChain(&ogg->source)
                      ? ov_open_callbacks(&ogg->source, Step(ogg, KuvoMusicStep::Open), nullptr, 0, kMusicFileCalls)
                      : -1;
    }
    if (opening != 0) {
        KuvoMusicSourceClear(&ogg->source);
        delete ogg;
        return nullptr;
    }
    // Having read a chained file through to find its links, the decoder
    // stands at its last link, with that link's serial number; the piece
    // starts at the first. Only the first link's opening page gives the
    // decoder its serial number back, so this seek goes to the file's first
    // byte: from the first audio page the decoder would pass over that
    // page as another stream's, and a link of one page would be lost whole.
    const bool opened = !ogg->source.refused;
    const bool chained = ov_streams(&ogg->decoder) > 1;
    const vorbis_info* info = ov_info(&ogg->decoder, 0);
    const bool fits = info && info->channels >= 1 && info->channels <= kuvo::kOggMaxChannels && info->rate >= 1 &&
                      info->rate <= INT_MAX;
    if (!opened || !fits || (chained && !SeekOgg(ogg, 0))) {
        DeleteOgg(ogg);
        return nullptr;
    }
    return ogg;
}

void CloseStream() {
    if (OggFile) DeleteOgg(OggFile);
    OggFile = nullptr;
    if (MusicFile) std::fclose(MusicFile);
    MusicFile = nullptr;
}

void ApplySettings() {
    const ALuint src = MusicSource();
    alSourcef(src, AL_PITCH, ASys.MusicPitchSys);
    alSourcef(src, AL_GAIN, ASys.MusicVolumeSys * ASys.MusicLevelSys);
    alSource3f(src, AL_POSITION, -ASys.MusicPanSys, 0.0f, 0.0f);
}

// After a start or when the frame loop stalled long enough for the queue to
// run dry, the source has stopped with every block played. Restarting it
// as it stands would replay those stale blocks, so they come off first and
// the queue fills again as after a start: the stall is heard as a gap and
// the piece carries on where its file or decoder stands.
void ResetDrainedQueue(ALint* processed) {
    const ALuint src = MusicSource();
    ALint state = 0;
    alGetSourcei(src, AL_SOURCE_STATE, &state);
    if (state != AL_STOPPED) return;
    for (ALint i = 0; i < *processed; ++i) {
        ALuint freed = 0;
        alSourceUnqueueBuffers(src, 1, &freed);
    }
    *processed = 0;
    MusicBufferTick = -(kuvo::kMusicBuffers - 1);
    ASys.MusicNextBuffer = 0;
}

// Reads the next WAV block; false when the "data" chunk has no full block
// left (its final short piece is never played). *end is set once the chunk
// cannot give another full block.
bool ReadWavBlock(int* bytes, bool* end) {
    const long block = kuvo::kMusicBlockBytes;
    const long pos = std::ftell(MusicFile);
    bool have = pos >= 0 && MusicFileEnd - pos >= block &&
                std::fread(MusicStreamBlock, size_t(block), 1, MusicFile) == 1;
    *bytes = have ? int(block) : 0;
    const long after = std::ftell(MusicFile);
    *end = !have || after < 0 || MusicFileEnd - after < block;
    return have;
}

// Decodes the next Ogg block: whole frames until the block is full, the
// piece gives no more, or the step has been handed its allowance (the block
// is then shorter, and the next one goes on from there); an empty block that
// used no allowance marks the end of the piece. The decoder hands out a
// packet or less per call, so a block takes several. A gap in damaged data
// is stepped over. Other damage ends the block there, and the next block
// goes on from wherever the decoder can. A chained link whose channels or
// rate differ from the piece's would not fit the buffer format: its values
// are never queued, so the piece ends where it begins.
bool ReadOggBlock(int* bytes, bool* end) {
    const int channels = MusicBufferStats[5];
    KuvoOggStream* ogg = OggFile;
    KuvoMusicSource* source = &ogg->source;
    if (!ReclaimUnframed(ogg)) source->refused = true;
    OggVorbis_File* decoder = Step(ogg, KuvoMusicStep::Block);
    int filled = 0;  // values
    for (int call = 0; channels > 0 && kuvo::kOggBlockValues - filled >= channels && call < kuvo::kOggReadsPerBlock &&
                       !source->refused && !source->yielded;
         ++call) {
        int link = 0;
        float** pcm = nullptr;
        const long room = (kuvo::kOggBlockValues - filled) / channels;
        const long got = ov_read_float(decoder, &pcm, int(room), &link);
        if (got == OV_HOLE) continue;
        if (got <= 0 || got > room) break;
        const vorbis_info* info = ov_info(decoder, link);
        if (!info || info->channels != channels || info->rate != MusicBufferStats[4]) break;
        KuvoMusicHeard(source);
        Interleave(pcm, channels, got, MusicStreamBlock + filled);
        filled += int(got) * channels;
    }
    ogg->passValues += filled;
    *bytes = filled * kOggValueBytes;
    *end = filled < 1 && !source->yielded;
    return true;
}

void RefillStep(int kind) {
    const ALuint src = MusicSource();
    ALint processed = 0;
    alGetSourcei(src, AL_BUFFERS_PROCESSED, &processed);
    if (ASys.MusicMode != kind) return;
    if (!MusicFile || (kind == kOggStream && !OggFile)) {
        ASys.MusicMode = 0;
        return;
    }
    ResetDrainedQueue(&processed);
    // The first four steps after a start fill the queue without waiting.
    if (processed < 1 && MusicBufferTick > 0) return;

    int bytes = 0;
    bool end = false;
    const bool have = kind == kWavStream ? ReadWavBlock(&bytes, &end) : ReadOggBlock(&bytes, &end);
    alGetError();
    if (have) {
        ALuint buffer = MusicBuffer[ASys.MusicNextBuffer];
        if (MusicBufferTick > 0) {
            // The queue is full and in table order, so the played block at
            // its front is this same entry.
            ALuint freed = 0;
            alSourceUnqueueBuffers(src, 1, &freed);
            if (freed != 0) buffer = freed;
        }
        alGetError();
        alBufferData(buffer, MusicBufferStats[1], MusicStreamBlock, bytes, MusicBufferStats[4]);
        alSourceQueueBuffers(src, 1, &buffer);
        ASys.MusicNextBuffer = (ASys.MusicNextBuffer + 1) % kuvo::kMusicBuffers;
        if (MusicBufferTick < INT_MAX) ++MusicBufferTick;
        const ALenum err = alGetError();
        if (err != AL_NO_ERROR) {
            char line[64];
            std::snprintf(line, sizeof line, "Buffer Error %i", err);
            ASys.Debuglog(line);
        }
    }
    if (kind == kOggStream && OggFile->source.refused) {
        // The file went past a limit: the piece ends here, with what it
        // gave so far queued.
        ASys.Debuglog("Error Reading Ogg");
        ASys.MusicMode = 0;
    } else if (end) {
        if (ASys.MusicRepeat != 1) {
            ASys.MusicMode = 0;
        } else if (kind == kWavStream) {
            std::fseek(MusicFile, MusicFileBegin, SEEK_SET);
        } else if (OggFile->passValues < 1 || !RewindOgg(OggFile)) {
            // A piece that gave nothing from its start would decode the
            // whole file at every frame and never sound; one that cannot go
            // back to its start has nowhere to go.
            ASys.Debuglog("Error Reading Ogg");
            ASys.MusicMode = 0;
        } else {
            ++OggFile->passes;
        }
    }
    ApplySettings();
    ALint state = 0;
    alGetSourcei(src, AL_SOURCE_STATE, &state);
    if (state != AL_PLAYING) alSourcePlay(src);
}

// Steps shared by both kinds once the new piece's handles are in place.
void StartStream(int kind, const char* failure) {
    ASys.MusicPitchSys = 1.0f;
    ASys.MusicVolumeSys = 1.0f;
    ASys.MusicPanSys = 0.0f;
    MusicBufferTick = -(kuvo::kMusicBuffers - 1);
    ASys.MusicNextBuffer = 0;
    ASys.MusicMode = kind;
    RefillStep(kind);
    alSourcePlay(MusicSource());
    if (alGetError() != AL_NO_ERROR) std::fputs(failure, stderr);
}

}  // namespace

void KUVOSys::PlayMusic_Wav_Sys(const char* path, int repeat) {
    DetachMusicBuffers();
    MusicNextBuffer = 0;
    MusicRepeat = repeat;

    // The new piece opens into temporaries: a failure leaves the running
    // piece's handles as they are.
    FILE* f = KuvoOpenPlainFile(path);
    if (!f) {
        char line[kuvo::kPathSize + 32];
        std::snprintf(line, sizeof line, "Error Opening Wave - %s", path ? path : "");
        Debuglog(line);
        return;
    }
    const long fileEnd = KuvoFileLength(f);
    KuvoWavFormat fmt;
    long dataSize = 0;
    // A layout no buffer takes (24-bit samples, more than two channels) is
    // refused here: queued, every block of it would fail.
    if (!KuvoReadWavHeader(f, fileEnd, &fmt) || !KuvoNextWavData(f, fileEnd, &dataSize) ||
        KuvoWavALFormat(fmt.bytesPerSample, fmt.channels) == 0) {
        std::fclose(f);
        KuvoLogRefusedWave(path);
        return;
    }
    CloseStream();
    MusicFile = f;
    // The stream starts and loops at the first sample, so the header is
    // never played as sound, and ends with the "data" chunk.
    MusicFileBegin = std::ftell(f);
    MusicFileEnd = MusicFileBegin + dataSize;
    MusicBufferStats[1] = KuvoWavALFormat(fmt.bytesPerSample, fmt.channels);
    MusicBufferStats[4] = fmt.rate;
    StartStream(kWavStream, "Error Opening WAV stream :(\n");
}

void KUVOSys::PlayMusic_Ogg_Sys(const char* path, int repeat) {
    DetachMusicBuffers();
    MusicNextBuffer = 0;
    MusicRepeat = repeat;

    FILE* f = KuvoOpenPlainFile(path);
    KuvoOggStream* ogg = f ? OpenOgg(f) : nullptr;
    if (!ogg) {
        if (f) std::fclose(f);
        Debuglog("Error Opening Ogg");
        return;
    }
    CloseStream();
    MusicFile = f;
    OggFile = ogg;
    const vorbis_info* info = ov_info(&ogg->decoder, 0);
    MusicBufferStats[1] = info->channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
    MusicBufferStats[5] = info->channels;
    MusicBufferStats[4] = int(info->rate);
    StartStream(kOggStream, "Error Opening OGG stream :(\n");
}

void KUVOSys::BufferMusic_Wav_Sys() { RefillStep(kWavStream); }

void KUVOSys::BufferMusic_Ogg_Sys() { RefillStep(kOggStream); }

void KUVOSys::HandleMusicSys() {
    if (MusicMode == kWavStream)
        BufferMusic_Wav_Sys();
    else if (MusicMode == kOggStream)
        BufferMusic_Ogg_Sys();
    ApplySettings();
}

void KUVOSys::StopMusicSys() {
    DetachMusicBuffers();
    alSourceStop(MusicSource());
    MusicMode = 0;
    MusicNextBuffer = 0;
    CloseStream();
}
