// Sound effects: RIFF/WAVE files read into one OpenAL buffer per sound slot,
// and effects played on the rotating pool of sources 0..30. Nothing here may
// touch source 31 (the music stream) or trust a size read from a file.

#include <AL/al.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "sys_internal.h"

namespace {

constexpr float kMinPitch = 0.25f;
constexpr float kMaxPitch = 16.0f;
constexpr int kFmtFieldBytes = 16;  // a PCM format chunk's fields
constexpr int kChunkHeaderBytes = 8;

// NaN lands on the lower bound, so OpenAL is never handed a value it refuses.
float Clamp(float v, float lo, float hi) {
    if (!(v > lo)) return lo;
    return v < hi ? v : hi;
}

void LogCode(const char* format, int code) {
    char line[96];
    std::snprintf(line, sizeof line, format, code);
    ASys.Debuglog(line);
}

// The next four bytes as a text; a short read gives the empty text. The
// buffer is shared: the next call overwrites it.
const char* readTag(FILE* f) {
    static char tag[5];
    std::memset(tag, 0, sizeof tag);
    if (std::fread(tag, 1, 4, f) != 4) tag[0] = 0;
    return tag;
}

int readInt(FILE* f) {
    unsigned char b[4];
    if (std::fread(b, 1, 4, f) != 4) return kuvo::kMissingInt;
    const unsigned int u = unsigned(b[0]) | unsigned(b[1]) << 8 | unsigned(b[2]) << 16 | unsigned(b[3]) << 24;
    // Two's complement without relying on an out-of-range conversion.
    return u <= 0x7FFFFFFFu ? int(u) : -int(~u) - 1;
}

int readShort(FILE* f) {
    unsigned char b[2];
    if (std::fread(b, 1, 2, f) != 2) return kuvo::kMissingInt;
    return int(b[0]) | int(b[1]) << 8;
}

// Skipping is a seek, so a size in the file never decides how much memory
// is taken.
bool skipBytes(FILE* f, long n) { return std::fseek(f, n, SEEK_CUR) == 0; }

long Remaining(FILE* f, long fileEnd) {
    const long pos = std::ftell(f);
    return pos < 0 ? 0 : fileEnd - pos;
}

bool ValidSlot(int slot) { return slot >= 0 && slot < kuvo::kSoundSlots; }

// Stops every source that last played `slot` and takes the slot's buffer off
// it, so the buffer can be deleted.
void DetachSlot(int slot) {
    for (int i = 0; i < kuvo::kAudioSources; ++i) {
        if (ALsourcebuffer[i] != slot) continue;
        LogCode("Freeing Buffer %i", i);
        alSourceStop(ALsource[i]);
        ALsourcebuffer[i] = -1;
        ALint attached = 0;
        alGetSourcei(ALsource[i], AL_BUFFER, &attached);
        if (ALbufferActive[slot] == 1 && ALuint(attached) == ALbuffer[slot])
            alSourcei(ALsource[i], AL_BUFFER, 0);
    }
}

void LoadData(int slot, const KuvoWavFormat& fmt, const std::vector<unsigned char>& block) {
    const int size = int(block.size());
    SFXData[slot][0] = size;
    SFXData[slot][1] = size / (fmt.channels * fmt.bytesPerSample);
    SFXData[slot][2] = fmt.channels;
    SFXData[slot][3] = fmt.bytesPerSample;
    SFXData[slot][4] = fmt.rate;
    alBufferData(ALbuffer[slot], KuvoWavALFormat(fmt.bytesPerSample, fmt.channels), block.data(), size,
                 fmt.rate);
    LogCode("     Load %i bytes", size);
    const ALenum err = alGetError();
    if (err != AL_NO_ERROR) LogCode("Post Error %i", err);
}

}  // namespace

void KuvoLogRefusedWave(const char* path) {
    char line[kuvo::kPathSize + 32];
    std::snprintf(line, sizeof line, "Error Reading Wave - %s", path ? path : "");
    ASys.Debuglog(line);
}

long KuvoFileLength(FILE* f) {
    const long pos = std::ftell(f);
    if (pos < 0 || std::fseek(f, 0, SEEK_END) != 0) return 0;
    const long end = std::ftell(f);
    std::fseek(f, pos, SEEK_SET);
    return end < 0 ? 0 : end;
}

int KuvoWavALFormat(int bytesPerSample, int channels) {
    if (bytesPerSample == 1 && channels == 1) return AL_FORMAT_MONO8;
    if (bytesPerSample == 1 && channels == 2) return AL_FORMAT_STEREO8;
    if (bytesPerSample == 2 && channels == 1) return AL_FORMAT_MONO16;
    if (bytesPerSample == 2 && channels == 2) return AL_FORMAT_STEREO16;
    return 0;
}

bool KuvoReadWavHeader(FILE* f, long fileEnd, KuvoWavFormat* format) {
    if (std::strcmp(readTag(f), "RIFF") != 0) return false;
    readInt(f);
    if (std::strcmp(readTag(f), "WAVE") != 0) return false;
    if (std::strcmp(readTag(f), "fmt ") != 0) return false;
    const int fmtSize = readInt(f);
    if (fmtSize < kFmtFieldBytes) return false;
    if (readShort(f) != 1) return false;
    const int channels = readShort(f);
    const int rate = readInt(f);
    readInt(f);    // byte rate
    readShort(f);  // block align
    const int bits = readShort(f);
    // No channels or under 8 bits would leave nothing to count frames by.
    if (channels < 1 || bits < 8) return false;
    const long surplus = long(fmtSize) - kFmtFieldBytes;
    if (surplus > Remaining(f, fileEnd) || !skipBytes(f, surplus)) return false;
    format->channels = channels;
    format->bytesPerSample = bits / 8;
    format->rate = rate;
    return true;
}

bool KuvoNextWavData(FILE* f, long fileEnd, long* dataSize) {
    for (;;) {
        if (Remaining(f, fileEnd) < kChunkHeaderBytes) return false;
        char tag[5];
        std::memcpy(tag, readTag(f), sizeof tag);
        const int size = readInt(f);
        if (size < 0 || size > Remaining(f, fileEnd)) return false;
        if (std::strcmp(tag, "data") == 0) {
            *dataSize = size;
            return true;
        }
        if (!skipBytes(f, size)) return false;
    }
}

void KUVOSys::GetWAV(int slot, const char* path) {
    if (!ValidSlot(slot)) return;
    alGetError();
    DetachSlot(slot);
    ALenum err = alGetError();
    if (err != AL_NO_ERROR) LogCode("Source->Buffer Error %i", err);

    if (ALbufferActive[slot] == 1) {
        alDeleteBuffers(1, &ALbuffer[slot]);
        ALbufferActive[slot] = 0;
        err = alGetError();
        if (err != AL_NO_ERROR) LogCode("Delete Buffer Error %i", err);
    }
    alGenBuffers(1, &ALbuffer[slot]);
    ALbufferActive[slot] = 1;
    err = alGetError();
    if (err != AL_NO_ERROR) LogCode("Generate Buffer Error %i", err);

    FILE* f = KuvoOpenPlainFile(path);
    if (!f) {
        Debuglog("Error Opening Wave");
        return;
    }
    const long fileEnd = KuvoFileLength(f);
    KuvoWavFormat fmt;
    int loads = 0;
    if (KuvoReadWavHeader(f, fileEnd, &fmt)) {
        long size = 0;
        std::vector<unsigned char> block;
        // A later "data" chunk loads again over an earlier one.
        while (KuvoNextWavData(f, fileEnd, &size)) {
            block.resize(size_t(size));
            if (size > 0 && std::fread(block.data(), size_t(size), 1, f) != 1) break;
            LoadData(slot, fmt, block);
            ++loads;
        }
    }
    std::fclose(f);
    if (loads == 0) KuvoLogRefusedWave(path);
}

void KUVOSys::PlayWAV(int slot, float pitch, float volume, float pan, int loop) {
    if (!ValidSlot(slot) || ALbufferActive[slot] != 1) return;
    ALChannel = (ALChannel >= 0 && ALChannel < kuvo::kEffectSources - 1) ? ALChannel + 1 : 0;
    ALsourcebuffer[ALChannel] = slot;

    // The oldest effect is cut off: there is no search for an idle source.
    const ALuint src = ALsource[ALChannel];
    alSourceStop(src);
    alSourcei(src, AL_BUFFER, ALint(ALbuffer[slot]));
    alSourcef(src, AL_PITCH, Clamp(pitch, kMinPitch, kMaxPitch));
    alSourcef(src, AL_GAIN, Clamp(volume, 0.0f, 1.0f));
    // The listener faces +z with +y up, so -x is on its right.
    alSource3f(src, AL_POSITION, -Clamp(pan, -1.0f, 1.0f), 0.0f, 0.0f);
    alSourcei(src, AL_LOOPING, loop == 1 ? AL_TRUE : AL_FALSE);
    alSourcePlay(src);
}
