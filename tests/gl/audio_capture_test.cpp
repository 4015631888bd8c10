// Listening tests: effects and music played through OpenAL Soft's wave
// writer and checked in the captured samples, as a player would hear them.
// Each scene runs in a child process, since OpenAL reads its configuration
// (driver, channels, capture file) only once per process.

#include <AL/al.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "MyGame.h"
#include "audio_test_ogg.h"
#include "audio_test_support.h"

extern MyGame ThisGame;

using namespace audiotest;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRate = 44100;  // the wave writer's mixing rate

int Ms(double seconds) { return int(std::lround(seconds * 1000)); }
int FrameAt(double seconds) { return int(std::lround(seconds * kRate)); }

// Where in the capture a call of a scene ran: the frames mixed (as seconds)
// when it began and when it returned. What it stops is cut from `from` on,
// what it starts is heard by `to`, one mixer update later at most.
struct Span {
    double from = 0, to = 0;
    Span Plus(double seconds) const { return {from + seconds, to + seconds}; }
};

// The wave writer mixes 1,024 frames (23 ms) an update; a little more room
// is left for the resampler.
::testing::AssertionResult HeardAt(int frame, Span call) {
    const int from = FrameAt(call.from - 0.005), to = FrameAt(call.to + 0.035);
    if (frame >= from && frame <= to) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "frame " << frame << " (" << double(frame) / kRate
                                         << " s) is outside the call's " << call.from << " .. " << call.to << " s";
}

// Plays a scene against a fresh wave-writer device in a child process and
// returns what was captured. The scene gets the time of the capture's first
// frame to pace itself by, runs the calls under test through Call (a loaded
// machine wakes it late and slows the calls, so where they landed is
// measured, not assumed), and returns a small report code for the parent.
class Listener {
public:
    explicit Listener(const char* channels) : channels_(channels), dir_(MakeTempDir("zindle-listen")) {}
    ~Listener() { RemoveTree(dir_); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    const std::string& Dir() const { return dir_; }
    int Report() const { return report_; }

    // In the scene: runs `call` and keeps where in the capture it ran. The
    // mixer's next update starts at the frames mixed so far, so the device
    // clock places a call exactly even when the mixer itself runs late.
    Span Call(Clock::time_point origin, const std::function<void()>& call) {
        Span span;
        span.from = Mixed(origin);
        call();
        span.to = Mixed(origin);
        if (FILE* f = std::fopen((dir_ + "/calls.txt").c_str(), "a")) {
            std::fprintf(f, "%.6f %.6f\n", span.from, span.to);
            std::fclose(f);
        }
        return span;
    }
    // After the scene: its calls in order.
    std::vector<Span> Calls() const {
        std::vector<Span> calls;
        if (FILE* f = std::fopen((dir_ + "/calls.txt").c_str(), "r")) {
            Span span;
            while (std::fscanf(f, "%lf %lf", &span.from, &span.to) == 2) calls.push_back(span);
            std::fclose(f);
        }
        return calls;
    }

    Capture Play(const std::function<int(Clock::time_point)>& scene) {
        if (dir_.empty()) {
            ADD_FAILURE() << "no scratch folder";
            return Capture();
        }
        const std::string capture = dir_ + "/capture.wav";
        const std::string conf = WaveWriterConfig(dir_, channels_, capture);
        std::fflush(nullptr);
        const pid_t pid = fork();
        if (pid == 0) {
            setenv("ALSOFT_CONF", conf.c_str(), 1);
            unsetenv("ALSOFT_DRIVERS");
            int code = 99;
            if (OpenAudio()) {
                code = scene(CaptureOrigin());
                CloseAudio();
            }
            std::fflush(nullptr);
            _exit(code);
        }
        int status = 0;
        if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
            ADD_FAILURE() << "the listening process did not finish";
            return Capture();
        }
        report_ = WEXITSTATUS(status);
        EXPECT_NE(report_, 99) << "no wave-writer device";
        return ReadCapture(capture);
    }

private:
    static double Mixed(Clock::time_point origin) {
        const long long ns = DeviceClockNs();
        return ns >= 0 ? ns / 1e9 : std::chrono::duration<double>(Clock::now() - origin).count();
    }

    const char* channels_;
    std::string dir_;
    int report_ = -1;
};

void SleepUntil(Clock::time_point start, double seconds) {
    std::this_thread::sleep_until(start + std::chrono::milliseconds(Ms(seconds)));
}

// The frame loop's music step every 16 ms until `seconds` after start.
void RunFrames(Clock::time_point start, double seconds) {
    auto next = Clock::now();
    while (Clock::now() < start + std::chrono::milliseconds(Ms(seconds))) {
        ThisGame.MusicHandler();
        next += std::chrono::milliseconds(16);
        std::this_thread::sleep_until(next);
    }
}

// Points the engine's data folder at `dir`, so pieces are started by name.
void UseDataFolder(const std::string& dir) {
    std::snprintf(ThisGame.ProgramDir, sizeof ThisGame.ProgramDir, "%s", dir.c_str());
    ThisGame.GameNumber = 559;
    MakeDirs(dir + "/Data/559/audio");
}

std::string AudioPath(const std::string& dir, const char* name) { return dir + "/Data/559/audio/" + name; }

// Largest step of a sine of frequency f over frames [from, to) of the
// capture, its amplitude taken from its level there (a stereo piece mixed
// to mono comes out louder than its file), with room for resampling and the
// codec.
int SineStep(const Capture& c, int from, int to, double f) {
    const double amplitude = Rms(c, 0, from, to) * std::sqrt(2.0);
    return int(1.3 * 2 * 3.14159265358979 * f * amplitude / kRate) + 40;
}

TEST(AudioListen, EffectIsHeardAtItsTimeAndLevel) {
    Listener ear("mono");
    const std::string tone = ear.Dir() + "/tone.wav";
    // 0.3 s of 441 Hz at half of full scale.
    ASSERT_TRUE(WriteBytes(tone, Wav16(1, kRate, Sine(FrameAt(0.3), 1, 132.3, 16384))));
    const Capture cap = ear.Play([&](Clock::time_point start) {
        ASys.GetWAV(1, tone.c_str());
        SleepUntil(start, 0.3);
        const Span first = ear.Call(start, [] { ASys.PlayWAV(1, 1, 1, 0, 0); });
        SleepUntil(start, first.to + 0.5);
        ThisGame.SfxVolume = 0.5f;
        const Span second = ear.Call(start, [] { ThisGame.PlaySFX(1, 1.0f); });
        SleepUntil(start, second.to + 0.5);
        return 0;
    });
    const std::vector<Span> at = ear.Calls();
    ASSERT_EQ(at.size(), 2u);
    ASSERT_GE(cap.Frames(), FrameAt(at[1].to + 0.45));
    ASSERT_EQ(cap.channels, 1);
    EXPECT_LT(Rms(cap, 0, 0, FrameAt(at[0].from - 0.05)), 30) << "silent before the effect";
    const int first = Onset(cap, 0, 2000);
    const int second = Onset(cap, 0, 2000, FrameAt(at[1].from - 0.1));
    EXPECT_TRUE(HeardAt(first, at[0]));
    EXPECT_TRUE(HeardAt(second, at[1]));
    const double full = Rms(cap, 0, first + FrameAt(0.02), first + FrameAt(0.28));
    const double half = Rms(cap, 0, second + FrameAt(0.02), second + FrameAt(0.28));
    // The file's own level: a sine of amplitude 16384 has an RMS of 11585.
    EXPECT_NEAR(full, 11585, 11585 * 0.05);
    EXPECT_NEAR(half / full, 0.5, 0.02);
    EXPECT_NEAR(Frequency(cap, 0, first, first + FrameAt(0.28)), 441, 3);
    // Each effect ends with its sound.
    EXPECT_LT(Rms(cap, 0, first + FrameAt(0.32), first + FrameAt(0.45)), 30);
}

TEST(AudioListen, PanPlusOneSoundsOnTheRight) {
    Listener ear("stereo");
    const std::string tone = ear.Dir() + "/tone.wav";
    ASSERT_TRUE(WriteBytes(tone, Wav16(1, kRate, Sine(FrameAt(0.3), 1, 132.3, 16384))));
    const Capture cap = ear.Play([&](Clock::time_point start) {
        ASys.GetWAV(1, tone.c_str());
        SleepUntil(start, 0.2);
        const Span right = ear.Call(start, [] { ASys.PlayWAV(1, 1, 1, 1, 0); });
        SleepUntil(start, right.to + 0.5);
        const Span left = ear.Call(start, [] { ASys.PlayWAV(1, 1, 1, -1, 0); });
        SleepUntil(start, left.to + 0.5);
        return 0;
    });
    const std::vector<Span> at = ear.Calls();
    ASSERT_EQ(at.size(), 2u);
    ASSERT_EQ(cap.channels, 2);
    ASSERT_GE(cap.Frames(), FrameAt(at[1].to + 0.4));
    const int left = 0, right = 1;
    const int a = FrameAt(at[0].to + 0.05), b = FrameAt(at[0].from + 0.25), c = FrameAt(at[1].to + 0.05),
              d = FrameAt(at[1].from + 0.25);
    EXPECT_GT(Rms(cap, right, a, b), 2 * Rms(cap, left, a, b) + 100);
    EXPECT_GT(Rms(cap, left, c, d), 2 * Rms(cap, right, c, d) + 100);
}

// A 22,050 Hz WAV piece of three blocks (1.11 s) with chunks before and after
// its samples (the one after longer than a block, and loud): repeated, it
// plays without a gap, a seam or a header byte at its proper speed; started
// again without repeat it replaces itself, plays once and stops.
TEST(AudioListen, WavPieceStreamsContinuouslyAndStopsAtItsEnd) {
    Listener ear("mono");
    UseDataFolder(ear.Dir());
    const int frames = 3 * kuvo::kMusicBlockBytes / 2;
    const double periods = 500, amplitude = 12000;
    const double freq = 22050.0 * periods / frames;
    const double length = frames / 22050.0;
    const std::string head = Chunk("fmt ", FmtBody(1, 1, 22050, 16)) + Chunk("LIST", std::string(40, 'L'));
    ASSERT_TRUE(WriteBytes(AudioPath(ear.Dir(), "tune.wav"),
                           Riff(head + Chunk("data", Samples16(Sine(frames, 1, periods, amplitude))) +
                                Chunk("LIST", std::string(size_t(kuvo::kMusicBlockBytes) + 6000, '\x7f')))));
    const Capture cap = ear.Play([&](Clock::time_point start) {
        ThisGame.MusicLevel = 1;
        SleepUntil(start, 0.1);
        const Span first = ear.Call(start, [] { ThisGame.PlayMusic("tune.wav"); });
        RunFrames(start, first.to + 2.5);
        const Span again = ear.Call(start, [] { ThisGame.PlayMusic("tune.wav", 0); });
        RunFrames(start, again.to + length + 0.5);
        return ASys.MusicMode;
    });
    EXPECT_EQ(ear.Report(), 0) << "the piece without repeat should have ended";
    const std::vector<Span> at = ear.Calls();
    ASSERT_EQ(at.size(), 2u);
    const Span restart = at[1];
    ASSERT_GE(cap.Frames(), FrameAt(restart.to + length + 0.4));
    const int on = Onset(cap, 0, 1000);
    EXPECT_TRUE(HeardAt(on, at[0]));
    const int end = LastLoud(cap, 0, 1000);
    EXPECT_TRUE(HeardAt(end, restart.Plus(length)));
    // Continuous through both loop seams; the restart may cost one update.
    const int cut = FrameAt(restart.from - 0.01), resumed = FrameAt(restart.to + 0.06);
    EXPECT_LT(LongestQuiet(cap, 0, 300, on, cut), 8);
    EXPECT_LT(LongestQuiet(cap, 0, 300, resumed, end), 8);
    EXPECT_LT(LongestQuiet(cap, 0, 300, on, end), FrameAt(restart.to - restart.from + 0.03));
    EXPECT_LE(LargestStep(cap, 0, on + 4, cut), SineStep(cap, on, cut, freq));
    EXPECT_LE(LargestStep(cap, 0, resumed, end - 4), SineStep(cap, resumed, end, freq));
    EXPECT_NEAR(Frequency(cap, 0, on, cut), freq, freq * 0.005);
    EXPECT_LT(Rms(cap, 0, end + FrameAt(0.01), cap.Frames()), 30);
}

// A stereo Ogg piece repeated without a gap at its proper speed, then a mono
// one that stops the first at once, plays at its own speed and ends.
TEST(AudioListen, OggPiecesStreamContinuouslyAndReplaceEachOther) {
    Listener ear("mono");
    UseDataFolder(ear.Dir());
    const double amplitude = 10000;
    ASSERT_TRUE(WriteOgg(AudioPath(ear.Dir(), "a.ogg"), 2, 44100, Sine(44100, 2, 441, amplitude)));
    ASSERT_TRUE(WriteOgg(AudioPath(ear.Dir(), "b.ogg"), 1, 22050, Sine(17640, 1, 705.6, amplitude)));  // 882 Hz, 0.8 s
    const Capture cap = ear.Play([&](Clock::time_point start) {
        ThisGame.MusicLevel = 1;
        SleepUntil(start, 0.1);
        const Span first = ear.Call(start, [] { ThisGame.PlayMusic("a.ogg"); });
        RunFrames(start, first.to + 2.3);
        const Span second = ear.Call(start, [] { ThisGame.PlayMusic("b.ogg", 0); });
        RunFrames(start, second.to + 1.2);
        return ASys.MusicMode;
    });
    EXPECT_EQ(ear.Report(), 0);
    const std::vector<Span> at = ear.Calls();
    ASSERT_EQ(at.size(), 2u);
    const Span change = at[1];
    ASSERT_GE(cap.Frames(), FrameAt(change.to + 1.1));
    const int on = Onset(cap, 0, 1000);
    EXPECT_TRUE(HeardAt(on, at[0]));
    const int end = LastLoud(cap, 0, 1000);
    EXPECT_TRUE(HeardAt(end, change.Plus(0.8)));
    const int cut = FrameAt(change.from - 0.01), second = FrameAt(change.to + 0.06);
    EXPECT_LT(LongestQuiet(cap, 0, 300, on, cut), 8);
    EXPECT_LE(LargestStep(cap, 0, on + 4, cut), SineStep(cap, on, cut, 441));
    EXPECT_NEAR(Frequency(cap, 0, on, cut), 441, 441 * 0.005);
    // Nothing of the first piece is left once the second has begun.
    EXPECT_NEAR(Frequency(cap, 0, second, end), 882, 882 * 0.005);
    EXPECT_LE(LargestStep(cap, 0, second, end - 4), SineStep(cap, second, end, 882));
    EXPECT_LT(Rms(cap, 0, end + FrameAt(0.01), cap.Frames()), 30);
}

TEST(AudioListen, MusicGainIsTheVolumeTimesTheLevel) {
    Listener ear("mono");
    UseDataFolder(ear.Dir());
    const int frames = 2 * kuvo::kMusicBlockBytes / 2;
    ASSERT_TRUE(WriteBytes(AudioPath(ear.Dir(), "tone.wav"), Wav16(1, 44100, Sine(frames, 1, 80, 20000))));
    const Capture cap = ear.Play([&](Clock::time_point start) {
        ThisGame.MusicLevel = 1;
        const Span first = ear.Call(start, [] { ThisGame.PlayMusic("tone.wav"); });
        RunFrames(start, first.to + 1.0);
        // The next frame's music step hands the new gain over.
        const Span change = ear.Call(start, [] {
            ThisGame.MusicVolume(0.5f);
            ThisGame.MusicLevel = 0.7f;
            ThisGame.MusicHandler();
        });
        RunFrames(start, change.to + 1.0);
        return 0;
    });
    const std::vector<Span> at = ear.Calls();
    ASSERT_EQ(at.size(), 2u);
    ASSERT_GE(cap.Frames(), FrameAt(at[1].to + 0.9));
    const double before = Rms(cap, 0, FrameAt(at[0].to + 0.2), FrameAt(at[1].from - 0.01));
    const double after = Rms(cap, 0, FrameAt(at[1].to + 0.05), FrameAt(at[1].to + 0.9));
    EXPECT_NEAR(before, 20000 / std::sqrt(2.0), 20000 * 0.05);
    EXPECT_NEAR(after / before, 0.35, 0.01);
}

#ifdef ZINDLE_DATA_ROOT
// The generated jingle played as the loader plays it, then the pickup at
// twice its speed (a long combo): each heard at its own level and for as
// long as its file (half as long at twice the speed).
TEST(AudioListen, GeneratedEffectsAreHeardAtTheirOwnLevel) {
    Listener ear("mono");
    const std::string audio = std::string(ZINDLE_DATA_ROOT) + "/Data/559/audio/";
    const Capture jingle = ReadCapture(audio + "95.wav"), pickup = ReadCapture(audio + "01.wav");
    ASSERT_GT(jingle.Frames(), 0);
    ASSERT_GT(pickup.Frames(), 0);
    const double jingleAt = 0.2;
    const double pickupAt = jingleAt + double(jingle.Frames()) / kRate + 0.5;
    const Capture cap = ear.Play([&](Clock::time_point start) {
        std::snprintf(ThisGame.ProgramDir, sizeof ThisGame.ProgramDir, "%s", ZINDLE_DATA_ROOT);
        ThisGame.GameNumber = 559;
        ThisGame.SfxVolume = 1;
        ThisGame.LoadSFX(95);
        ThisGame.LoadSFX(1);
        SleepUntil(start, jingleAt);
        ThisGame.PlaySFX(95, 1);
        SleepUntil(start, pickupAt);
        ThisGame.PlaySFX(1, 2);
        SleepUntil(start, pickupAt + 0.4);
        return 0;
    });
    ASSERT_GE(cap.Frames(), FrameAt(pickupAt + 0.3));
    EXPECT_LT(Rms(cap, 0, 0, FrameAt(jingleAt - 0.05)), 30) << "silent before the jingle";

    struct Heard {
        const char* what;
        const Capture& file;
        double at, speed;
    };
    for (const Heard& h : {Heard{"jingle", jingle, jingleAt, 1}, Heard{"pickup", pickup, pickupAt, 2}}) {
        SCOPED_TRACE(h.what);
        // From just before it starts to just after it ends, nothing of the other.
        const int from = FrameAt(h.at - 0.1);
        const int to = std::min(cap.Frames(), FrameAt(h.at + 0.2) + int(h.file.Frames() / h.speed));
        Capture part;
        part.channels = 1;
        part.rate = kRate;
        part.samples.assign(cap.samples.begin() + from, cap.samples.begin() + to);
        const int peak = Peak(h.file, 0), loud = peak / 10, faint = peak / 100;
        const int on = Onset(part, 0, loud), off = LastLoud(part, 0, faint);
        EXPECT_NEAR(on, FrameAt(0.1), FrameAt(0.05));
        const double span = (LastLoud(h.file, 0, faint) - Onset(h.file, 0, loud)) / h.speed;
        EXPECT_NEAR(off - on, span, FrameAt(0.01));
        EXPECT_NEAR(Peak(part, 0), peak, peak * 0.12);  // within 1 dB
        const double heard = Rms(part, 0, on, off);
        const double own = Rms(h.file, 0, Onset(h.file, 0, loud), LastLoud(h.file, 0, faint));
        EXPECT_NEAR(heard, own, own * 0.12);
    }
}
#endif

}  // namespace
