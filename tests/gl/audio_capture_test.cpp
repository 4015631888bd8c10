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

// Plays a scene against a fresh wave-writer device in a child process and
// returns what was captured. The scene gets its start time (just after the
// device began writing) and returns a small report code for the parent.
class Listener {
public:
    explicit Listener(const char* channels) : channels_(channels), dir_(MakeTempDir("zindle-listen")) {}
    ~Listener() { RemoveTree(dir_); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    const std::string& Dir() const { return dir_; }
    int Report() const { return report_; }

    Capture Play(const std::function<int(Clock::time_point)>& scene) {
        const std::string capture = dir_ + "/capture.wav";
        const std::string conf = WaveWriterConfig(dir_, channels_, capture);
        std::fflush(nullptr);
        const pid_t pid = fork();
        if (pid == 0) {
            setenv("ALSOFT_CONF", conf.c_str(), 1);
            unsetenv("ALSOFT_DRIVERS");
            int code = 99;
            if (OpenAudio()) {
                code = scene(Clock::now());
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
        ASys.PlayWAV(1, 1, 1, 0, 0);
        SleepUntil(start, 0.8);
        ThisGame.SfxVolume = 0.5f;
        ThisGame.PlaySFX(1, 1.0f);
        SleepUntil(start, 1.3);
        return 0;
    });
    ASSERT_GE(cap.Frames(), FrameAt(1.2));
    ASSERT_EQ(cap.channels, 1);
    EXPECT_LT(Rms(cap, 0, 0, FrameAt(0.25)), 30) << "silent before the effect";
    const int first = Onset(cap, 0, 2000);
    const int second = Onset(cap, 0, 2000, FrameAt(0.7));
    EXPECT_NEAR(first, FrameAt(0.3), FrameAt(0.05));
    EXPECT_NEAR(second, FrameAt(0.8), FrameAt(0.05));
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
        ASys.PlayWAV(1, 1, 1, 1, 0);
        SleepUntil(start, 0.7);
        ASys.PlayWAV(1, 1, 1, -1, 0);
        SleepUntil(start, 1.2);
        return 0;
    });
    ASSERT_EQ(cap.channels, 2);
    ASSERT_GE(cap.Frames(), FrameAt(1.1));
    const int left = 0, right = 1;
    const int a = FrameAt(0.25), b = FrameAt(0.45), c = FrameAt(0.75), d = FrameAt(0.95);
    EXPECT_GT(Rms(cap, right, a, b), 2 * Rms(cap, left, a, b) + 100);
    EXPECT_GT(Rms(cap, left, c, d), 2 * Rms(cap, right, c, d) + 100);
}

// A 22,050 Hz WAV piece of three blocks (1.11 s) with chunks before and after
// its samples (the one after longer than a block, and loud): repeated, it plays without a gap, a seam or a header byte at
// its proper speed; started again without repeat it replaces itself, plays
// once and stops.
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
    const double restart = 2.6;
    const Capture cap = ear.Play([&](Clock::time_point start) {
        ThisGame.MusicLevel = 1;
        SleepUntil(start, 0.1);
        ThisGame.PlayMusic("tune.wav");
        RunFrames(start, restart);
        ThisGame.PlayMusic("tune.wav", 0);
        RunFrames(start, restart + length + 0.5);
        return ASys.MusicMode;
    });
    EXPECT_EQ(ear.Report(), 0) << "the piece without repeat should have ended";
    ASSERT_GE(cap.Frames(), FrameAt(restart + length + 0.4));
    const int on = Onset(cap, 0, 1000);
    EXPECT_NEAR(on, FrameAt(0.1), FrameAt(0.05));
    const int end = LastLoud(cap, 0, 1000);
    EXPECT_NEAR(end, FrameAt(restart + length), FrameAt(0.06));
    // Continuous through both loop seams; the restart may cost one update.
    EXPECT_LT(LongestQuiet(cap, 0, 300, on, FrameAt(restart - 0.01)), 8);
    EXPECT_LT(LongestQuiet(cap, 0, 300, FrameAt(restart + 0.06), end), 8);
    EXPECT_LT(LongestQuiet(cap, 0, 300, on, end), FrameAt(0.03));
    EXPECT_LE(LargestStep(cap, 0, on + 4, FrameAt(restart - 0.01)), SineStep(cap, on, FrameAt(restart), freq));
    EXPECT_LE(LargestStep(cap, 0, FrameAt(restart + 0.06), end - 4), SineStep(cap, FrameAt(restart + 0.06), end, freq));
    EXPECT_NEAR(Frequency(cap, 0, on, FrameAt(restart)), freq, freq * 0.005);
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
    const double change = 2.4;
    const Capture cap = ear.Play([&](Clock::time_point start) {
        ThisGame.MusicLevel = 1;
        SleepUntil(start, 0.1);
        ThisGame.PlayMusic("a.ogg");
        RunFrames(start, change);
        ThisGame.PlayMusic("b.ogg", 0);
        RunFrames(start, change + 1.2);
        return ASys.MusicMode;
    });
    EXPECT_EQ(ear.Report(), 0);
    ASSERT_GE(cap.Frames(), FrameAt(change + 1.1));
    const int on = Onset(cap, 0, 1000);
    EXPECT_NEAR(on, FrameAt(0.1), FrameAt(0.05));
    const int end = LastLoud(cap, 0, 1000);
    EXPECT_NEAR(end, FrameAt(change + 0.8), FrameAt(0.06));
    EXPECT_LT(LongestQuiet(cap, 0, 300, on, FrameAt(change - 0.01)), 8);
    EXPECT_LE(LargestStep(cap, 0, on + 4, FrameAt(change - 0.01)), SineStep(cap, on, FrameAt(change), 441));
    EXPECT_NEAR(Frequency(cap, 0, on, FrameAt(change)), 441, 441 * 0.005);
    // Nothing of the first piece is left once the second has begun.
    EXPECT_NEAR(Frequency(cap, 0, FrameAt(change + 0.06), end), 882, 882 * 0.005);
    EXPECT_LE(LargestStep(cap, 0, FrameAt(change + 0.06), end - 4), SineStep(cap, FrameAt(change + 0.06), end, 882));
    EXPECT_LT(Rms(cap, 0, end + FrameAt(0.01), cap.Frames()), 30);
}

TEST(AudioListen, MusicGainIsTheVolumeTimesTheLevel) {
    Listener ear("mono");
    UseDataFolder(ear.Dir());
    const int frames = 2 * kuvo::kMusicBlockBytes / 2;
    ASSERT_TRUE(WriteBytes(AudioPath(ear.Dir(), "tone.wav"), Wav16(1, 44100, Sine(frames, 1, 80, 20000))));
    const Capture cap = ear.Play([&](Clock::time_point start) {
        ThisGame.MusicLevel = 1;
        ThisGame.PlayMusic("tone.wav");
        RunFrames(start, 1.0);
        ThisGame.MusicVolume(0.5f);
        ThisGame.MusicLevel = 0.7f;
        RunFrames(start, 2.0);
        return 0;
    });
    ASSERT_GE(cap.Frames(), FrameAt(1.9));
    const double before = Rms(cap, 0, FrameAt(0.3), FrameAt(0.95));
    const double after = Rms(cap, 0, FrameAt(1.1), FrameAt(1.9));
    EXPECT_NEAR(before, 20000 / std::sqrt(2.0), 20000 * 0.05);
    EXPECT_NEAR(after / before, 0.35, 0.01);
}

}  // namespace
