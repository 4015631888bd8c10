// music_bench: what the music refill costs per frame and per decoded block,
// how far the queue runs ahead of the listener, and what a one-second stall of
// the frame loop sounds like, measured through OpenAL Soft's wave writer.
// Prints figures; it is run by hand, never as a test.
//
// Usage: music_bench [piece.ogg]   (default: the game's audio/bloke.ogg next
// to this program, else an Ogg tone made with sox, else a WAV tone only)

#include <AL/al.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "../tests/audio_test_support.h"

using namespace audiotest;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRate = 44100;
constexpr int kFrameMs = 16;

double Since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

bool Exists(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f) std::fclose(f);
    return f != nullptr;
}

// Frames queued on the music source that the mixer has not reached yet.
double AheadMs() {
    const ALuint src = ALsource[kuvo::kMusicSource];
    ALint queued = 0, offset = 0;
    alGetSourcei(src, AL_BUFFERS_QUEUED, &queued);
    alGetSourcei(src, AL_SAMPLE_OFFSET, &offset);  // from the front of the queue
    long total = 0;
    int rate = kRate;
    for (int i = 0; i < queued && i < kuvo::kMusicBuffers; ++i) {
        const ALuint b = MusicBuffer[(ASys.MusicNextBuffer - queued + i + 2 * kuvo::kMusicBuffers) % kuvo::kMusicBuffers];
        ALint size = 0, channels = 1, bits = 16, freq = kRate;
        alGetBufferi(b, AL_SIZE, &size);
        alGetBufferi(b, AL_CHANNELS, &channels);
        alGetBufferi(b, AL_BITS, &bits);
        alGetBufferi(b, AL_FREQUENCY, &freq);
        if (channels > 0 && bits >= 8) total += size / (channels * (bits / 8));
        if (freq > 0) rate = freq;
    }
    return 1000.0 * double(total - offset) / rate;
}

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

// Runs the frame loop for `seconds`, timing every HandleMusicSys call.
void Frames(double seconds, std::vector<double>* callUs, std::vector<double>* aheadMs) {
    const Clock::time_point start = Clock::now();
    Clock::time_point next = start;
    while (Since(start) < seconds) {
        if (aheadMs) aheadMs->push_back(AheadMs());
        const Clock::time_point a = Clock::now();
        ASys.HandleMusicSys();
        const Clock::time_point b = Clock::now();
        if (callUs) callUs->push_back(std::chrono::duration<double, std::micro>(b - a).count());
        next += std::chrono::milliseconds(kFrameMs);
        std::this_thread::sleep_until(next);
    }
}

// Times one refill block after another through the whole piece: the source is
// stopped before each step, so the step finds the queue drained and reads or
// decodes the next block at once instead of waiting for one to play out. The
// piece was started without repeat, so the steps end with it.
void BlockCost(const char* what, int kind) {
    std::vector<double> us;
    const ALuint src = ALsource[kuvo::kMusicSource];
    for (int i = 0; i < 100000 && ASys.MusicMode == kind; ++i) {
        alSourceStop(src);
        const Clock::time_point a = Clock::now();
        ASys.HandleMusicSys();
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - a).count());
    }
    std::printf("%s: %zu refill blocks back to back, per block median %.1f us, 99th %.1f us, worst %.1f us\n", what,
                us.size(), Percentile(us, 0.5), Percentile(us, 0.99), Percentile(us, 1.0));
}

void Report(const char* what, const std::vector<double>& us, const std::vector<double>& ahead) {
    std::printf("%s: %zu calls, HandleMusicSys median %.1f us, 99th %.1f us, worst %.1f us\n", what, us.size(),
                Percentile(us, 0.5), Percentile(us, 0.99), Percentile(us, 1.0));
    std::printf("%s: queue ahead of the mixer min %.0f ms, median %.0f ms, max %.0f ms\n", what,
                Percentile(ahead, 0.0), Percentile(ahead, 0.5), Percentile(ahead, 1.0));
}

}  // namespace

int main(int argc, char** argv) {
    const std::string dir = MakeTempDir("music-bench");
    if (dir.empty()) {
        std::fprintf(stderr, "music_bench: no scratch folder\n");
        return 1;
    }
    const std::string capture = dir + "/capture.wav";
    setenv("ALSOFT_CONF", WaveWriterConfig(dir, "stereo", capture).c_str(), 1);
    unsetenv("ALSOFT_DRIVERS");

    std::string ogg = argc > 1 ? argv[1] : "";
    if (ogg.empty()) {
        std::string self = argv[0];
        const size_t slash = self.find_last_of('/');
        ogg = (slash == std::string::npos ? std::string(".") : self.substr(0, slash)) + "/../Data/559/audio/bloke.ogg";
        if (!Exists(ogg)) {
            ogg = dir + "/tone.ogg";
            const std::string cmd = "sox -n -r 44100 -c 2 '" + ogg + "' synth 20 sine 440 vol 0.5 2>/dev/null";
            if (std::system(cmd.c_str()) != 0 || !Exists(ogg)) ogg.clear();
        }
    }

    // A stereo 44.1 kHz tone of 8 s whose level rises steadily, so the level
    // heard tells where in the piece the listener is: music that carries on
    // after a gap comes back at the level it stopped at, replayed blocks
    // come back quieter.
    const int toneFrames = 86 * kuvo::kMusicBlockBytes / 4;
    const double toneHz = 441, lowLevel = 2000, levelPerSecond = 1750;
    std::vector<int16_t> rising = Sine(toneFrames, 2, toneHz * toneFrames / kRate, 1.0);
    for (int i = 0; i < toneFrames; ++i) {
        const double a = (lowLevel + levelPerSecond * i / kRate) * std::sin(2 * 3.14159265358979 * toneHz * i / kRate);
        rising[size_t(2 * i)] = rising[size_t(2 * i + 1)] = int16_t(std::lround(a));
    }
    const std::string tone = dir + "/tone.wav";
    WriteBytes(tone, Wav16(2, kRate, rising));

    if (!OpenAudio()) {
        std::printf("no wave-writer device\n");
        return 1;
    }
    const Clock::time_point t0 = CaptureOrigin();  // times below are positions in the capture
    ASys.MusicLevelSys = 1;

    if (!ogg.empty()) {
        std::vector<double> us, ahead;
        ASys.PlayMusic_Ogg_Sys(ogg.c_str(), 1);
        Frames(1.0, nullptr, nullptr);  // past the first fill
        Frames(10.0, &us, &ahead);
        std::printf("Ogg piece %s\n", ogg.c_str());
        Report("Ogg", us, ahead);
        std::vector<double> startUs;
        for (int i = 0; i < 20; ++i) {
            const Clock::time_point a = Clock::now();
            ASys.PlayMusic_Ogg_Sys(ogg.c_str(), 0);
            startUs.push_back(std::chrono::duration<double, std::micro>(Clock::now() - a).count());
        }
        std::printf("Ogg: a start (open and first block) median %.0f us, worst %.0f us over %zu starts\n",
                    Percentile(startUs, 0.5), Percentile(startUs, 1.0), startUs.size());
        BlockCost("Ogg", 2);
    } else {
        std::printf("no Ogg piece (no bloke.ogg, no sox): Ogg figures skipped\n");
    }

    std::vector<double> us, ahead;
    const double toneStart = Since(t0);
    ASys.PlayMusic_Wav_Sys(tone.c_str(), 1);
    Frames(1.0, nullptr, nullptr);
    Frames(2.0, &us, &ahead);
    Report("WAV", us, ahead);
    const double stallAt = Since(t0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    const double stallEnd = Since(t0);
    Frames(3.0, nullptr, nullptr);
    const double toneEnd = Since(t0);
    ASys.StopMusicSys();
    CloseAudio();

    const Capture cap = ReadCapture(capture);
    if (cap.Frames() == 0) {
        std::printf("no capture\n");
        return 1;
    }
    auto frame = [](double s) { return int(s * kRate); };
    const int from = frame(toneStart + 0.2), to = frame(toneEnd - 0.05);
    const int gap = LongestQuiet(cap, 0, 300, from, to);
    // Where the gap lies, and whether the tone is whole on either side.
    int gapStart = -1;
    for (int i = from, run = 0; i < to; ++i) {
        run = std::abs(cap.At(i, 0)) <= 300 ? run + 1 : 0;
        if (run == gap) {
            gapStart = i - gap + 1;
            break;
        }
    }
    const int afterGap = gapStart + gap;
    const int otherGaps = std::max(LongestQuiet(cap, 0, 300, from, gapStart - 1), LongestQuiet(cap, 0, 300, afterGap + 1, to));
    // Peak level just before and just after the gap, as seconds of the rise.
    const int window = frame(0.03);
    const double before = Rms(cap, 0, gapStart - window, gapStart) * std::sqrt(2.0);
    const double after = Rms(cap, 0, afterGap + frame(0.01), afterGap + frame(0.01) + window) * std::sqrt(2.0);
    const double centres = 0.04;  // seconds of the piece between the two windows' centres
    std::printf("stall of %.0f ms at %.2f s: heard gap %.0f ms from %.2f s, music back at %.2f s (%.0f ms after the loop "
                "resumed, alignment within one mixer update)\n",
                1000 * (stallEnd - stallAt), stallAt, 1000.0 * gap / kRate, double(gapStart) / kRate,
                double(afterGap) / kRate, 1000 * (double(afterGap) / kRate - stallEnd));
    std::printf("after the gap the piece resumes %.0f ms from where it stopped (level %.0f before, %.0f after; "
                "negative = blocks heard twice); longest other quiet run %.1f ms\n",
                1000 * ((after - before) / levelPerSecond - centres), before, after, 1000.0 * otherGaps / kRate);
    RemoveTree(dir);
    return 0;
}
