// Music streaming: one WAV or Ogg Vorbis piece at a time (Ogg decoded by
// libvorbisfile), fed through the four rotating buffers queued on source 31,
// at most one block per frame. A damaged file is refused with a log line;
// nothing here may read a closed or null stream handle, or block the frame:
// every decoder step has a budget of the thread's processor time, checked at
// each of the decoder's calls on the file, and those calls stay inside the
// file whatever the file system lets a seek do.

#include <AL/al.h>

// The library's ready-made callback sets are static objects every includer
// would carry unused; the music file has its own below.
#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>
#include <new>

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

long long KuvoThreadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

// The decoder's calls on the music file. Each first checks the step's budget
// of processor time, not of wall time, so that a busy machine never ends a
// valid piece; once it is spent every call fails (a read as an error, not as
// the end of the file), so the decoder gives up with an error.
namespace {
bool WithinBudget(KuvoMusicSource* source) {
    if (!source->spent && KuvoThreadCpuNs() < source->cpuLimitNs) return true;
    source->spent = true;
    errno = EIO;
    return false;
}
}  // namespace

// Short reads keep the checks close together: what the decoder does with one
// read is bounded by the bytes it got (a damaged stream can make each tiny
// page cost a decoder set-up), and the library takes a short read as data.
size_t KuvoMusicRead(void* into, size_t size, size_t count, void* source) {
    KuvoMusicSource* s = static_cast<KuvoMusicSource*>(source);
    if (size == 0 || !WithinBudget(s)) return 0;
    const size_t most = std::max<size_t>(1, size_t(kuvo::kOggReadBytes) / size);
    return std::fread(into, size, std::min(count, most), s->file);
}

// Only offsets inside the file, its end included: the file systems differ on
// a seek far past the end (ext4 refuses one near 2^63, tmpfs takes it), and a
// decoder searching out there would never come back.
int KuvoMusicSeek(void* source, int64_t offset, int whence) {
    KuvoMusicSource* s = static_cast<KuvoMusicSource*>(source);
    if (!WithinBudget(s)) return -1;
    const int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_END ? s->length : whence == SEEK_CUR ? std::ftell(s->file) : -1;
    if (base < 0 || offset < -base || offset > s->length - base) return -1;
    return std::fseek(s->file, long(base + offset), SEEK_SET) == 0 ? 0 : -1;
}

long KuvoMusicTell(void* source) {
    KuvoMusicSource* s = static_cast<KuvoMusicSource*>(source);
    return WithinBudget(s) ? std::ftell(s->file) : -1;
}

// An Ogg piece's decoder and the file it reads, kept together: a piece
// being opened has its own budget, never the running piece's.
struct KuvoOggStream {
    OggVorbis_File decoder;
    KuvoMusicSource source;
    long passValues;  // values decoded since the piece's start or its last return there
};

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

// The sanitizer builds run the decoder some times slower; a budget meant for
// the shipped game must not end valid music there.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KUVO_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(KUVO_ADDRESS_SANITIZER)
constexpr long long kBudgetScale = kuvo::kSanitizerSlowdown;
#else
constexpr long long kBudgetScale = 1;
#endif
constexpr long long kNsPerMs = 1000000;

// Opens a decoder step with its budget of processor time.
OggVorbis_File* Step(KuvoOggStream* ogg, int budgetMs = kuvo::kOggStepCpuMs) {
    ogg->source.cpuLimitNs = KuvoThreadCpuNs() + budgetMs * kNsPerMs * kBudgetScale;
    ogg->source.spent = false;
    return &ogg->decoder;
}

// Back to the piece's start by a byte offset. A search by sample number
// would bisect the file, and a damaged file can send the bisection far past
// its end; an offset needs no search.
bool SeekOgg(KuvoOggStream* ogg, ogg_int64_t offset) {
    ogg->passValues = 0;
    return ov_raw_seek(Step(ogg), offset) == 0 && !ogg->source.spent;
}

// At a loop: the first audio page, whose offset the open found. Starting
// there, not at the file's first byte, never reads the headers again (a
// cover image in the comment can make them megabytes).
bool RewindOgg(KuvoOggStream* ogg) {
    return SeekOgg(ogg, ogg->decoder.dataoffsets ? ogg->decoder.dataoffsets[0] : 0);
}

void DeleteOgg(KuvoOggStream* ogg) {
    ov_clear(&ogg->decoder);
    delete ogg;
}

// 16-bit values in the byte order OpenAL takes them.
constexpr int kHostBigEndian = __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__ ? 1 : 0;
constexpr int kOggValueBytes = static_cast<int>(sizeof MusicStreamBlock[0]);

// Opens the decoder on an open file, at the piece's first sample; null when it
// refuses the stream, runs out of its budget, or the stream's first link gives
// no layout a buffer could take (more than two channels, a rate past int).
KuvoOggStream* OpenOgg(FILE* f) {
    KuvoOggStream* ogg = new (std::nothrow) KuvoOggStream();
    if (!ogg) return nullptr;
    ogg->source.file = f;
    ogg->source.length = KuvoFileLength(f);
    // A refused open has released what the decoder took, with one exception
    // in libvorbisfile itself: when a later link of a chained file fails, its
    // _bisect_forward_serialno returns without freeing the serial-number list
    // it had read for that link (a few bytes per refused file).
    if (ov_open_callbacks(&ogg->source, Step(ogg, kuvo::kOggOpenCpuMs), nullptr, 0, kMusicFileCalls) != 0) {
        delete ogg;
        return nullptr;
    }
    // Having read a chained file through to find its links, the decoder
    // stands at its last link, with that link's serial number; the piece
    // starts at the first. Only the first link's opening page gives the
    // decoder its serial number back, so this seek goes to the file's first
    // byte: from the first audio page the decoder would pass over that
    // page as another stream's, and a link of one page would be lost whole.
    const bool opened = !ogg->source.spent;
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

// Decodes the next Ogg block: whole frames until the block is full or the
// piece gives no more; an empty block marks the end of the piece. The
// decoder hands out a packet or less per call, so a block takes several.
// A gap in damaged data is stepped over. Other damage ends the block there,
// and the next block goes on from wherever the decoder can. A chained link
// whose channels or rate differ from the piece's would not fit the buffer
// format: its values are never queued, so the piece ends where it begins.
bool ReadOggBlock(int* bytes, bool* end) {
    const int channels = MusicBufferStats[5];
    const int frameBytes = channels * kOggValueBytes;
    const int capacity = kuvo::kOggBlockValues * kOggValueBytes;
    char* out = reinterpret_cast<char*>(MusicStreamBlock);
    KuvoOggStream* ogg = OggFile;
    OggVorbis_File* decoder = Step(ogg);
    int filled = 0;
    // The budget is also checked between the decoder's calls: each gives a
    // packet's samples or less, and a block of many small ones may need no
    // read in between.
    for (int call = 0; channels > 0 && capacity - filled >= frameBytes && call < kuvo::kOggReadsPerBlock &&
                       WithinBudget(&ogg->source);
         ++call) {
        int link = 0;
        const long got = ov_read(decoder, out + filled, capacity - filled, kHostBigEndian, kOggValueBytes, 1, &link);
        if (got == OV_HOLE) continue;
        if (got <= 0 || got > capacity - filled) break;
        const vorbis_info* info = ov_info(decoder, link);
        if (!info || info->channels != channels || info->rate != MusicBufferStats[4]) break;
        filled += int(got);
    }
    ogg->passValues += filled / kOggValueBytes;
    *bytes = filled;
    *end = filled < 1;
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
    if (kind == kOggStream && OggFile->source.spent) {
        // The step ran out of its budget: the piece ends here, with what it
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
    FILE* f = path ? std::fopen(path, "rb") : nullptr;
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

    FILE* f = path ? std::fopen(path, "rb") : nullptr;
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
