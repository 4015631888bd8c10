// The generated effects and music against the game's own loaders on a
// silent device: each effect's bytes, levels and length, its load into its
// sound slot through LoadSFX, and the music as the game's stream decodes it,
// checked against a second, independent Vorbis decoder (stb_vorbis).

#include <AL/al.h>
#include <gtest/gtest.h>

#define STB_VORBIS_HEADER_ONLY
#include <stb/stb_vorbis.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "MyGame.h"
#include "unit/audio_fixture.h"

extern MyGame ThisGame;

using namespace audiotest;

namespace {

constexpr int kRate = 44100;
constexpr int kWavHeaderBytes = 44;

double Db(double v) { return 20 * std::log10(std::max(v, 1e-9) / 32768.0); }

std::string ReadAll(const std::string& path) {
    std::string bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[65536];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
        std::fclose(f);
    }
    return bytes;
}

uint32_t Le(const std::string& b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | uint8_t(b[at + size_t(i)]);
    return v;
}

class AudioData : public AudioFixture {
protected:
    void SetUp() override {
#ifndef ZINDLE_DATA_ROOT
        GTEST_SKIP() << "this build makes no data folder";
#else
        AudioFixture::SetUp();
        std::memcpy(savedDir_, ThisGame.ProgramDir, sizeof savedDir_);
        savedNumber_ = ThisGame.GameNumber;
        std::snprintf(ThisGame.ProgramDir, sizeof ThisGame.ProgramDir, "%s", ZINDLE_DATA_ROOT);
        ThisGame.GameNumber = 559;
        audio_ = std::string(ZINDLE_DATA_ROOT) + "/Data/559/audio/";
#endif
    }
    void TearDown() override {
        if (audio_.empty()) return;
        std::memcpy(ThisGame.ProgramDir, savedDir_, sizeof savedDir_);
        ThisGame.GameNumber = savedNumber_;
        AudioFixture::TearDown();
    }

    std::string audio_;
    char savedDir_[kuvo::kProgramDirSize];
    int savedNumber_ = 0;
};

TEST_F(AudioData, EveryEffectLoadsIntoItsSlot) {
    struct Effect {
        int slot;
        double minSeconds, maxSeconds;
    };
    const Effect effects[] = {
        {95, 1.3, 1.8},   // jingle
        {1, 0.08, 0.4},   // pickup, also heard at up to twice its speed
        {2, 0.2, 1.0},    // mine
        {3, 0.2, 1.2},    // out of the water
        {4, 0.2, 1.2},    // into the water
        {98, 0.05, 0.4},  // menu confirm
        {99, 0.02, 0.15}, // menu move
    };
    for (const Effect& e : effects) {
        char name[16];
        std::snprintf(name, sizeof name, "%02d.wav", e.slot);
        SCOPED_TRACE(name);
        const std::string bytes = ReadAll(audio_ + name);
        ASSERT_GT(bytes.size(), size_t(kWavHeaderBytes));

        // Exactly the layout the slot loader walks: the 16-byte PCM format
        // chunk, then the samples, nothing after them.
        const uint32_t data = uint32_t(bytes.size()) - kWavHeaderBytes;
        EXPECT_EQ(bytes.substr(0, 4), "RIFF");
        EXPECT_EQ(Le(bytes, 4, 4), bytes.size() - 8);
        EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
        EXPECT_EQ(Le(bytes, 16, 4), 16u);
        const uint32_t format[] = {Le(bytes, 20, 2), Le(bytes, 22, 2), Le(bytes, 24, 4),
                                   Le(bytes, 28, 4), Le(bytes, 32, 2), Le(bytes, 34, 2)};
        const uint32_t want[] = {1, 1, kRate, 2 * kRate, 2, 16};  // PCM, mono, rate, bytes/s, block, bits
        for (int i = 0; i < 6; ++i) EXPECT_EQ(format[i], want[i]) << "format field " << i;
        EXPECT_EQ(bytes.substr(36, 4), "data");
        EXPECT_EQ(Le(bytes, 40, 4), data);
        EXPECT_EQ(data % 2, 0u);

        const Capture s = ReadCapture(audio_ + name);
        ASSERT_EQ(s.Frames(), int(data / 2));
        const double seconds = double(s.Frames()) / kRate;
        EXPECT_GE(seconds, e.minSeconds);
        EXPECT_LE(seconds, e.maxSeconds);
        const double peak = Db(Peak(s, 0));
        EXPECT_GE(peak, -6.0);
        EXPECT_LE(peak, -1.0);
        double sum = 0;
        for (int16_t v : s.samples) sum += v;
        EXPECT_LT(std::fabs(sum / s.Frames()), 0.002 * 32768) << "DC offset";
        // Faded in and out: it starts and stops at silence, so no click.
        EXPECT_LE(std::abs(s.At(0, 0)), 32);
        EXPECT_LE(std::abs(s.At(s.Frames() - 1, 0)), 32);

        const std::string log = Logged([&] { ThisGame.LoadSFX(e.slot); });
        char loadLine[64];
        std::snprintf(loadLine, sizeof loadLine, "Load SFX   : %d", e.slot);
        EXPECT_TRUE(HasLine(log, loadLine)) << log;
        EXPECT_TRUE(HasLine(log, "     Load " + std::to_string(data) + " bytes")) << log;
        EXPECT_EQ(log.find("Error"), std::string::npos) << log;
        EXPECT_EQ(ALbufferActive[e.slot], 1);
        EXPECT_EQ(BufferInt(ALbuffer[e.slot], AL_SIZE), int(data));
        EXPECT_EQ(BufferInt(ALbuffer[e.slot], AL_CHANNELS), 1);
        EXPECT_EQ(BufferInt(ALbuffer[e.slot], AL_BITS), 16);
        EXPECT_EQ(BufferInt(ALbuffer[e.slot], AL_FREQUENCY), kRate);
        const int record[] = {int(data), int(data / 2), 1, 2, kRate};
        for (int i = 0; i < 5; ++i) EXPECT_EQ(SFXData[e.slot][i], record[i]) << "record field " << i;
    }
}

TEST_F(AudioData, MusicIsStereoOfHalfAMinuteToAMinuteAndAHalfThatLoops) {
    const std::string path = audio_ + "bloke.ogg";
    Capture c;
    c.channels = 2;
    c.rate = kRate;
    c.samples = StreamedOgg(path, 0, SIZE_MAX);
    EXPECT_EQ(MusicBufferStats[5], 2);
    EXPECT_EQ(MusicBufferStats[4], kRate);
    EXPECT_GE(c.Frames(), 30 * kRate);
    EXPECT_LE(c.Frames(), 90 * kRate);
    const int end = c.Frames();
    const int near = kRate / 100;  // 10 ms
    for (int ch = 0; ch < 2; ++ch) {
        SCOPED_TRACE(ch == 0 ? "left" : "right");
        const double peak = Db(Peak(c, ch));
        EXPECT_GE(peak, -6.0);
        EXPECT_LE(peak, -1.0);
        // Across the seam the wave steps no further than it does on either
        // side of it, and the level carries on.
        const int seam = std::abs(c.At(0, ch) - c.At(end - 1, ch));
        EXPECT_LE(seam, std::max(LargestStep(c, ch, 1, near), LargestStep(c, ch, end - near, end)));
        const double before = Rms(c, ch, end - 2 * kRate, end), after = Rms(c, ch, 0, 2 * kRate);
        EXPECT_NEAR(Db(before), Db(after), 3.0);
    }

    // Repeating, the stream goes on with the piece's first sample.
    const std::vector<int16_t> looped = StreamedOgg(path, 1, c.samples.size() + 4 * size_t(kuvo::kOggBlockValues));
    ASSERT_GT(looped.size(), c.samples.size());
    EXPECT_TRUE(std::equal(looped.begin() + long(c.samples.size()), looped.end(), c.samples.begin()));

    // And the game's own start takes it as stereo at 44.1 kHz, saying nothing.
    const std::string log = Logged([&] { ThisGame.PlayMusic("bloke.ogg"); });
    EXPECT_EQ(log, "");
    EXPECT_EQ(ASys.MusicMode, 2);
    EXPECT_EQ(MusicBufferStats[1], AL_FORMAT_STEREO16);
    EXPECT_EQ(MusicBufferStats[4], kRate);
    EXPECT_EQ(MusicBufferStats[5], 2);
    ThisGame.StopMusic();
}

// The music sounds the same through the game's decoder as through a second,
// independent one: the same frames, and every value equal or one step apart,
// the two rounding the same float samples to 16 bits each their own way.
TEST_F(AudioData, MusicDecodesAsAnIndependentDecoderHearsIt) {
    const std::string path = audio_ + "bloke.ogg";
    const std::vector<int16_t> game = StreamedOgg(path, 0, SIZE_MAX);

    int channels = 0, rate = 0;
    short* decoded = nullptr;
    const int frames = stb_vorbis_decode_filename(path.c_str(), &channels, &rate, &decoded);
    ASSERT_NE(decoded, nullptr);
    const std::vector<int16_t> reference(decoded, decoded + size_t(frames > 0 ? frames : 0) * size_t(channels));
    std::free(decoded);
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(rate, kRate);

    ASSERT_EQ(game.size(), reference.size());
    size_t equal = 0;
    int worst = 0;
    for (size_t i = 0; i < game.size(); ++i) {
        const int d = std::abs(int(game[i]) - int(reference[i]));
        worst = std::max(worst, d);
        if (d == 0) ++equal;
    }
    EXPECT_LE(worst, 1);
    std::printf("%zu of %zu values equal, the rest one step apart; largest difference %d\n", equal, game.size(), worst);
}

}  // namespace
