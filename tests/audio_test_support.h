// Helpers for the sound tests and the music benchmark: WAV files built byte by
// byte, an OpenAL device set up the way start-up sets it up, the reader of
// the wave writer's captures, and small signal measures. No test logic here.
#pragma once

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "scratch_dir.h"
#include "sys_internal.h"

namespace audiotest {

// ---- files

// Scratch folders: MakeTempDir gives "" when none could be made.
using testsupport::MakeTempDir;
using testsupport::RemoveTree;

// Makes every missing folder of an absolute path.
inline bool MakeDirs(const std::string& path) {
    for (size_t at = 1; at <= path.size(); ++at)
        if (at == path.size() || path[at] == '/') {
            const std::string part = path.substr(0, at);
            struct stat st;
            if (stat(part.c_str(), &st) != 0 && mkdir(part.c_str(), 0755) != 0) return false;
        }
    return true;
}

inline bool WriteBytes(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

inline int OpenFdCount() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d)) ++n;
        closedir(d);
    }
    return n;
}

// ---- WAV building

inline void PutLE(std::string& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(char((v >> (8 * i)) & 0xFF));
}

inline std::string Chunk(const char* tag, const std::string& body) {
    std::string out(tag, 4);
    PutLE(out, uint32_t(body.size()), 4);
    return out + body;
}

// A chunk whose size field says `size` whatever its body holds.
inline std::string ChunkSized(const char* tag, uint32_t size, const std::string& body) {
    std::string out(tag, 4);
    PutLE(out, size, 4);
    return out + body;
}

inline std::string FmtBody(int format, int channels, int rate, int bits, int extraBytes = 0) {
    std::string b;
    const int block = channels * (bits / 8);
    PutLE(b, uint32_t(format), 2);
    PutLE(b, uint32_t(channels), 2);
    PutLE(b, uint32_t(rate), 4);
    PutLE(b, uint32_t(rate * block), 4);
    PutLE(b, uint32_t(block), 2);
    PutLE(b, uint32_t(bits), 2);
    b.append(size_t(extraBytes), '\0');
    return b;
}

inline std::string Riff(const std::string& chunks) {
    std::string out("RIFF");
    PutLE(out, uint32_t(4 + chunks.size()), 4);
    return out + "WAVE" + chunks;
}

inline std::string Samples16(const std::vector<int16_t>& s) {
    std::string out;
    for (int16_t v : s) PutLE(out, uint16_t(v), 2);
    return out;
}

// A PCM WAV of 16-bit samples (interleaved when channels is 2).
inline std::string Wav16(int channels, int rate, const std::vector<int16_t>& samples) {
    return Riff(Chunk("fmt ", FmtBody(1, channels, rate, 16)) + Chunk("data", Samples16(samples)));
}

// `frames` frames of a sine of `amplitude` completing `periods` whole periods,
// copied to every channel, so the piece loops without a seam.
inline std::vector<int16_t> Sine(int frames, int channels, double periods, double amplitude) {
    std::vector<int16_t> s;
    s.reserve(size_t(frames) * size_t(channels));
    for (int i = 0; i < frames; ++i) {
        const double v = amplitude * std::sin(2.0 * 3.14159265358979323846 * periods * i / frames);
        for (int c = 0; c < channels; ++c) s.push_back(int16_t(std::lround(v)));
    }
    return s;
}

// ---- an OpenAL device with the start-up's 32 sources, 4 music buffers and
// listener, published through the backend's globals.

inline bool OpenAudio() {
    ALCdevice* dev = alcOpenDevice(nullptr);
    if (!dev) return false;
    ALCcontext* ctx = alcCreateContext(dev, nullptr);
    if (!ctx) {
        alcCloseDevice(dev);
        return false;
    }
    alcMakeContextCurrent(ctx);
    ALdev = dev;
    ALctx = ctx;
    alGenSources(kuvo::kAudioSources, ALsource);
    for (int i = 0; i < kuvo::kMusicBuffers; ++i) alGenBuffers(1, &MusicBuffer[i]);
    alListener3f(AL_POSITION, 0, 0, 1);
    alListener3f(AL_VELOCITY, 0, 0, 0);
    const float orientation[6] = {0, 0, 1, 0, 1, 0};
    alListenerfv(AL_ORIENTATION, orientation);
    ASys.AudioEnabled = alGetError() == AL_NO_ERROR ? 1 : 0;
    return true;
}

// Releases everything OpenAudio and the sound code made and puts the sound
// globals back to their state at start.
inline void CloseAudio() {
    ASys.StopMusicSys();
    if (ALctx) {
        for (int i = 0; i < kuvo::kAudioSources; ++i) {
            alSourceStop(ALsource[i]);
            alSourcei(ALsource[i], AL_BUFFER, 0);
        }
        alDeleteSources(kuvo::kAudioSources, ALsource);
        for (int s = 0; s < kuvo::kSoundSlots; ++s)
            if (ALbufferActive[s] == 1) alDeleteBuffers(1, &ALbuffer[s]);
        alDeleteBuffers(kuvo::kMusicBuffers, MusicBuffer);
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(static_cast<ALCcontext*>(ALctx));
        alcCloseDevice(static_cast<ALCdevice*>(ALdev));
    }
    ALctx = nullptr;
    ALdev = nullptr;
    std::memset(ALsource, 0, sizeof ALsource);
    std::memset(MusicBuffer, 0, sizeof MusicBuffer);
    std::memset(ALbuffer, 0, sizeof ALbuffer);
    std::memset(ALbufferActive, 0, sizeof ALbufferActive);
    std::memset(SFXData, 0, sizeof SFXData);
    std::memset(ALsourcebuffer, 0, sizeof ALsourcebuffer);
    std::memset(MusicBufferStats, 0, sizeof MusicBufferStats);
    ALChannel = 0;
    MusicBufferTick = 0;
    ASys.MusicMode = 0;
    ASys.MusicRepeat = 0;
    ASys.MusicNextBuffer = 0;
    ASys.MusicPitchSys = ASys.MusicVolumeSys = ASys.MusicPanSys = ASys.MusicLevelSys = 0;
    ASys.AudioEnabled = 0;
}

// Points OpenAL Soft at its wave writer; must run before the process's
// first OpenAL call, since the configuration is read once.
inline std::string WaveWriterConfig(const std::string& dir, const char* channels, const std::string& capture) {
    const std::string conf = dir + "/alsoft.conf";
    WriteBytes(conf, std::string("[general]\ndrivers = wave\nchannels = ") + channels +
                         "\nsample-type = int16\ndither = false\n[wave]\nfile = " + capture + "\n");
    return conf;
}

// The device clock of OpenAL Soft: the frames mixed so far, in nanoseconds;
// -1 without the extension.
inline long long DeviceClockNs() {
    ALCdevice* dev = static_cast<ALCdevice*>(ALdev);
    auto get = dev && alcIsExtensionPresent(dev, "ALC_SOFT_device_clock")
                   ? reinterpret_cast<LPALCGETINTEGER64VSOFT>(alcGetProcAddress(dev, "alcGetInteger64vSOFT"))
                   : nullptr;
    if (!get) return -1;
    ALCint64SOFT ns = 0;
    get(dev, ALC_DEVICE_CLOCK_SOFT, 1, &ns);
    return ns;
}

// The steady-clock time of the capture's first frame. The wave writer starts
// while the context is made, well before a test's first call, and a loaded
// machine can stretch that lead past a test's tolerance. The device clock
// never runs ahead of the wall, so every reading gives a time at or after
// the first frame; readings just after the clock steps (once per mixer
// update) are the tightest, and the earliest over a few updates stands.
// Falls back to now.
inline std::chrono::steady_clock::time_point CaptureOrigin() {
    using Clock = std::chrono::steady_clock;
    Clock::time_point origin = Clock::now();
    if (DeviceClockNs() < 0) return origin;
    const Clock::time_point until = origin + std::chrono::milliseconds(120);
    for (Clock::time_point now = origin; now < until; now = Clock::now()) {
        const long long ns = DeviceClockNs();
        origin = std::min(origin, Clock::now() - std::chrono::nanoseconds(ns));
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return origin;
}

// ---- captures

struct Capture {
    int channels = 0;
    int rate = 0;
    std::vector<int16_t> samples;  // interleaved
    int Frames() const { return channels ? int(samples.size()) / channels : 0; }
    int At(int frame, int channel) const { return samples[size_t(frame) * size_t(channels) + size_t(channel)]; }
};

// Reads a 16-bit capture (plain or WAVE_FORMAT_EXTENSIBLE); empty on error.
inline Capture ReadCapture(const std::string& path) {
    Capture cap;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return cap;
    std::string bytes;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    std::fclose(f);
    auto u32 = [&](size_t at) {
        return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8 |
               uint32_t(uint8_t(bytes[at + 2])) << 16 | uint32_t(uint8_t(bytes[at + 3])) << 24;
    };
    auto u16 = [&](size_t at) { return int(uint8_t(bytes[at])) | int(uint8_t(bytes[at + 1])) << 8; };
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0) return cap;
    int bits = 0;
    size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const std::string tag = bytes.substr(at, 4);
        size_t size = u32(at + 4);
        at += 8;
        if (tag == "fmt " && at + 16 <= bytes.size()) {
            cap.channels = u16(at + 2);
            cap.rate = int(u32(at + 4));
            bits = u16(at + 14);
        } else if (tag == "data") {
            size = std::min(size, bytes.size() - at);  // the writer may leave it open-ended
            if (bits == 16)
                for (size_t i = 0; i + 1 < size; i += 2) cap.samples.push_back(int16_t(u16(at + i)));
            break;
        }
        at += size;
    }
    return cap;
}

// Root mean square of one channel over frames [from, to).
inline double Rms(const Capture& c, int channel, int from, int to) {
    from = std::max(from, 0);
    to = std::min(to, c.Frames());
    double sum = 0;
    for (int i = from; i < to; ++i) sum += double(c.At(i, channel)) * c.At(i, channel);
    return to > from ? std::sqrt(sum / (to - from)) : 0.0;
}

// First frame at or after `from` whose magnitude exceeds `threshold`; -1 if none.
inline int Onset(const Capture& c, int channel, int threshold, int from = 0) {
    for (int i = std::max(from, 0); i < c.Frames(); ++i)
        if (std::abs(c.At(i, channel)) > threshold) return i;
    return -1;
}

// Last frame whose magnitude exceeds `threshold`; -1 if none.
inline int LastLoud(const Capture& c, int channel, int threshold) {
    for (int i = c.Frames() - 1; i >= 0; --i)
        if (std::abs(c.At(i, channel)) > threshold) return i;
    return -1;
}

// Longest run of frames in [from, to) whose magnitude stays at or under
// `threshold`.
inline int LongestQuiet(const Capture& c, int channel, int threshold, int from, int to) {
    int best = 0, run = 0;
    to = std::min(to, c.Frames());
    for (int i = std::max(from, 0); i < to; ++i) {
        run = std::abs(c.At(i, channel)) <= threshold ? run + 1 : 0;
        best = std::max(best, run);
    }
    return best;
}

// Frequency in Hz over [from, to) from the rising zero crossings.
inline double Frequency(const Capture& c, int channel, int from, int to) {
    from = std::max(from, 1);
    to = std::min(to, c.Frames());
    int first = -1, last = -1, count = 0;
    for (int i = from; i < to; ++i)
        if (c.At(i - 1, channel) < 0 && c.At(i, channel) >= 0) {
            if (first < 0) first = i;
            last = i;
            ++count;
        }
    return count > 1 ? double(count - 1) * c.rate / double(last - first) : 0.0;
}

// Largest magnitude of one channel.
inline int Peak(const Capture& c, int channel) {
    int best = 0;
    for (int i = 0; i < c.Frames(); ++i) best = std::max(best, std::abs(c.At(i, channel)));
    return best;
}

// Largest step between neighbouring frames over [from, to): a sine of
// amplitude A and frequency f never steps more than 2 pi f A / rate, so any
// header byte or stale block played as sound shows up as a larger jump.
inline int LargestStep(const Capture& c, int channel, int from, int to) {
    int best = 0;
    to = std::min(to, c.Frames());
    for (int i = std::max(from, 1); i < to; ++i) best = std::max(best, std::abs(c.At(i, channel) - c.At(i - 1, channel)));
    return best;
}

}  // namespace audiotest
