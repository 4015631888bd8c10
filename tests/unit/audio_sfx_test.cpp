// Sound effects on a silent device: WAV files of every shape against the
// slot table, the log and the slot's buffer; the source rotation, the clamps
// of pitch, volume and pan, and reloading a slot that is playing.

#include <AL/al.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "audio_fixture.h"

using namespace audiotest;

namespace {

std::string Bytes(size_t n, char fill = '\x10') { return std::string(n, fill); }

struct WavCase {
    const char* name;
    std::string file;
    bool loads;           // a "Load" line and the slot's record filled in
    int record[5];        // size, frames, channels, bytes per sample, rate
    int bufferBytes;      // what the slot's OpenAL buffer holds afterwards
    const char* logLine;  // a further line the load must write, or null
};

std::vector<WavCase> WavCases() {
    const std::string fmtMono16 = Chunk("fmt ", FmtBody(1, 1, 22050, 16));
    return {
        {"16-bit mono", Wav16(1, 22050, std::vector<int16_t>(100, 1000)), true, {200, 100, 1, 2, 22050}, 200, nullptr},
        {"16-bit stereo", Wav16(2, 44100, std::vector<int16_t>(200, -1000)), true, {400, 100, 2, 2, 44100}, 400,
         nullptr},
        {"8-bit mono", Riff(Chunk("fmt ", FmtBody(1, 1, 11025, 8)) + Chunk("data", Bytes(300))), true,
         {300, 300, 1, 1, 11025}, 300, nullptr},
        {"LIST chunk before data", Riff(fmtMono16 + Chunk("LIST", Bytes(26, 'x')) + Chunk("data", Bytes(64))), true,
         {64, 32, 1, 2, 22050}, 64, nullptr},
        {"18-byte format chunk", Riff(Chunk("fmt ", FmtBody(1, 2, 8000, 16, 2)) + Chunk("data", Bytes(80))), true,
         {80, 20, 2, 2, 8000}, 80, nullptr},
        {"two data chunks, the later wins", Riff(fmtMono16 + Chunk("data", Bytes(40)) + Chunk("data", Bytes(60))), true,
         {60, 30, 1, 2, 22050}, 60, "     Load 40 bytes"},
        {"24-bit samples have no buffer format",
         Riff(Chunk("fmt ", FmtBody(1, 1, 22050, 24)) + Chunk("data", Bytes(300))), true, {300, 100, 1, 3, 22050}, 0,
         "Post Error 40962"},
        {"0 channels", Riff(Chunk("fmt ", FmtBody(1, 0, 22050, 16)) + Chunk("data", Bytes(64))), false, {}, 0, nullptr},
        {"4 bits per sample", Riff(Chunk("fmt ", FmtBody(1, 1, 22050, 4)) + Chunk("data", Bytes(64))), false, {}, 0,
         nullptr},
        {"data size larger than the file", Riff(fmtMono16 + ChunkSized("data", 0x7FFFFFF0u, Bytes(64))), false, {}, 0,
         nullptr},
        {"negative chunk size ends the walk",
         Riff(fmtMono16 + ChunkSized("LIST", 0xFFFFFFF0u, Bytes(8)) + Chunk("data", Bytes(64))), false, {}, 0,
         nullptr},
        {"huge chunk before data is not allocated",
         Riff(fmtMono16 + ChunkSized("LIST", 0x7FFFFFF0u, Bytes(8)) + Chunk("data", Bytes(64))), false, {}, 0,
         nullptr},
        {"negative data size", Riff(fmtMono16 + ChunkSized("data", 0x80000000u, Bytes(64))), false, {}, 0, nullptr},
        {"truncated data", Riff(fmtMono16 + ChunkSized("data", 200, Bytes(150))), false, {}, 0, nullptr},
        {"format chunk larger than the file",
         Riff(ChunkSized("fmt ", 0x7FFFFFF0u, FmtBody(1, 1, 22050, 16)) + Chunk("data", Bytes(64))), false, {}, 0,
         nullptr},
        {"non-PCM format", Riff(Chunk("fmt ", FmtBody(3, 1, 22050, 32)) + Chunk("data", Bytes(64))), false, {}, 0,
         nullptr},
        {"format chunk too short for its fields",
         Riff(ChunkSized("fmt ", 14, FmtBody(1, 1, 22050, 16)) + Chunk("data", Bytes(64))), false, {}, 0, nullptr},
        {"not a RIFF file", std::string("RIFX") + Bytes(60), false, {}, 0, nullptr},
        {"empty file", std::string(), false, {}, 0, nullptr},
    };
}

class AudioSfx : public AudioFixture {};

TEST_F(AudioSfx, WavFilesAgainstTheSlotTable) {
    const int slot = 10;
    int n = 0;
    for (const WavCase& c : WavCases()) {
        SCOPED_TRACE(c.name);
        const std::string path = Write("case" + std::to_string(n++) + ".wav", c.file);
        for (int& v : SFXData[slot]) v = -5;
        const std::string log = Logged([&] { ASys.GetWAV(slot, path.c_str()); });

        const bool loaded = log.find(">      Load ") != std::string::npos;
        EXPECT_EQ(loaded, c.loads) << log;
        if (c.loads) {
            EXPECT_TRUE(HasLine(log, "     Load " + std::to_string(c.record[0]) + " bytes")) << log;
            for (int i = 0; i < 5; ++i) EXPECT_EQ(SFXData[slot][i], c.record[i]) << "field " << i;
        } else {
            for (int i = 0; i < 5; ++i) EXPECT_EQ(SFXData[slot][i], -5) << "field " << i;
        }
        if (c.logLine) {
            EXPECT_TRUE(HasLine(log, c.logLine)) << log;
        }
        // A file that loads nothing says so once, naming itself; one that
        // loads says nothing more than the table's line.
        const std::string refused = "Error Reading Wave - " + path;
        EXPECT_EQ(HasLine(log, refused), !c.loads) << log;
        const std::string others = c.loads ? log : log.substr(0, log.find(refused)) + log.substr(log.find(refused) + refused.size());
        if (!c.logLine || std::string(c.logLine).find("Error") == std::string::npos) {
            EXPECT_EQ(others.find("Error"), std::string::npos) << log;
        }
        // Whatever the file held, the slot owns a buffer afterwards.
        EXPECT_EQ(ALbufferActive[slot], 1);
        EXPECT_TRUE(alIsBuffer(ALbuffer[slot]));
        EXPECT_EQ(BufferInt(ALbuffer[slot], AL_SIZE), c.bufferBytes);
    }
}

TEST_F(AudioSfx, LoadedBufferHoldsTheFilesSamples) {
    const std::string path = Write("stereo.wav", Wav16(2, 32000, std::vector<int16_t>(64, 7)));
    ASys.GetWAV(3, path.c_str());
    EXPECT_EQ(BufferInt(ALbuffer[3], AL_FREQUENCY), 32000);
    EXPECT_EQ(BufferInt(ALbuffer[3], AL_CHANNELS), 2);
    EXPECT_EQ(BufferInt(ALbuffer[3], AL_BITS), 16);
    EXPECT_EQ(BufferInt(ALbuffer[3], AL_SIZE), 128);
}

TEST_F(AudioSfx, MissingFileKeepsAnEmptyBuffer) {
    const std::string log = Logged([&] { ASys.GetWAV(4, (dir_ + "/none.wav").c_str()); });
    EXPECT_TRUE(HasLine(log, "Error Opening Wave")) << log;
    EXPECT_EQ(ALbufferActive[4], 1);
    EXPECT_EQ(BufferInt(ALbuffer[4], AL_SIZE), 0);
}

TEST_F(AudioSfx, SlotsOutsideTheTableAreIgnored) {
    const std::string path = Write("ok.wav", Wav16(1, 22050, std::vector<int16_t>(10, 1)));
    const int channel = ALChannel;
    const std::string log = Logged([&] {
        ASys.GetWAV(105, path.c_str());
        ASys.GetWAV(-1, path.c_str());
        ASys.PlayWAV(105, 1, 1, 0, 0);
        ASys.PlayWAV(-1, 1, 1, 0, 0);
        ASys.PlayWAV(20, 1, 1, 0, 0);  // never loaded
    });
    EXPECT_EQ(log, "");
    EXPECT_EQ(ALChannel, channel);
    for (int s = 0; s < kuvo::kSoundSlots; ++s) EXPECT_EQ(ALbufferActive[s], 0) << s;
}

TEST_F(AudioSfx, EffectsRotateOverSourcesOneToThirtyThenZero) {
    const std::string path = Write("blip.wav", Wav16(1, 22050, std::vector<int16_t>(2000, 500)));
    ASys.GetWAV(4, path.c_str());
    std::vector<int> used;
    for (int i = 0; i < 32; ++i) {
        ASys.PlayWAV(4, 1, 1, 0, 0);
        used.push_back(ALChannel);
        EXPECT_EQ(ALsourcebuffer[ALChannel], 4);
        EXPECT_EQ(ALuint(SourceInt(ALChannel, AL_BUFFER)), ALbuffer[4]);
    }
    std::vector<int> expected;
    for (int s = 1; s <= 30; ++s) expected.push_back(s);
    expected.push_back(0);
    expected.push_back(1);
    EXPECT_EQ(used, expected);
    // The music source never takes an effect.
    EXPECT_EQ(SourceInt(kuvo::kMusicSource, AL_BUFFER), 0);
    EXPECT_EQ(ALsourcebuffer[kuvo::kMusicSource], 0);
}

TEST_F(AudioSfx, PitchVolumeAndPanAreClamped) {
    struct Case {
        float pitch, volume, pan;
        int loop;
        float wantPitch, wantGain, wantX;
        int wantLooping;
    };
    const float nan = std::nanf("");
    const Case cases[] = {
        {1.0f, 0.5f, 0.0f, 0, 1.0f, 0.5f, 0.0f, AL_FALSE},
        {0.1f, 1.5f, -3.0f, 1, 0.25f, 1.0f, 1.0f, AL_TRUE},
        {20.0f, -1.0f, 3.0f, 2, 16.0f, 0.0f, -1.0f, AL_FALSE},
        {2.0f, 0.25f, 0.5f, 1, 2.0f, 0.25f, -0.5f, AL_TRUE},
        {nan, nan, 0.0f, 0, 0.25f, 0.0f, 0.0f, AL_FALSE},
    };
    const std::string path = Write("tick.wav", Wav16(1, 22050, std::vector<int16_t>(2000, 500)));
    ASys.GetWAV(2, path.c_str());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pitch);
        ASys.PlayWAV(2, c.pitch, c.volume, c.pan, c.loop);
        const int s = ALChannel;
        EXPECT_FLOAT_EQ(SourceFloat(s, AL_PITCH), c.wantPitch);
        EXPECT_FLOAT_EQ(SourceFloat(s, AL_GAIN), c.wantGain);
        float pos[3] = {9, 9, 9};
        alGetSourcefv(ALsource[s], AL_POSITION, pos);
        EXPECT_FLOAT_EQ(pos[0], c.wantX);
        EXPECT_FLOAT_EQ(pos[1], 0.0f);
        EXPECT_FLOAT_EQ(pos[2], 0.0f);
        EXPECT_EQ(SourceInt(s, AL_LOOPING), c.wantLooping);
        EXPECT_EQ(SourceInt(s, AL_SOURCE_STATE), AL_PLAYING);
    }
    EXPECT_EQ(alGetError(), AL_NO_ERROR);
}

TEST_F(AudioSfx, ReloadingAPlayingSlotFreesOnlyItsSources) {
    const std::string a = Write("a.wav", Wav16(1, 22050, std::vector<int16_t>(4000, 300)));
    const std::string b = Write("b.wav", Wav16(1, 22050, std::vector<int16_t>(4000, -300)));
    ASys.GetWAV(7, a.c_str());
    ASys.GetWAV(8, b.c_str());
    for (int slot : {7, 8, 7, 7}) ASys.PlayWAV(slot, 1, 1, 0, 1);  // sources 1, 2, 3, 4
    const ALuint old = ALbuffer[7];

    const std::string log = Logged([&] { ASys.GetWAV(7, b.c_str()); });
    EXPECT_NE(log.find("> Freeing Buffer 1\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("Freeing Buffer 2"), std::string::npos) << log;
    const size_t first = log.find("Freeing Buffer 1"), third = log.find("Freeing Buffer 3"),
                 fourth = log.find("Freeing Buffer 4");
    ASSERT_NE(third, std::string::npos) << log;
    ASSERT_NE(fourth, std::string::npos) << log;
    EXPECT_LT(first, third);
    EXPECT_LT(third, fourth);
    // Detaching first lets the old buffer go: no error, nothing left behind.
    EXPECT_EQ(log.find("Error"), std::string::npos) << log;
    EXPECT_TRUE(HasLine(log, "     Load 8000 bytes")) << log;
    EXPECT_TRUE(old == ALbuffer[7] || !alIsBuffer(old));
    for (int s : {1, 3, 4}) {
        EXPECT_EQ(ALsourcebuffer[s], -1);
        EXPECT_EQ(SourceInt(s, AL_BUFFER), 0);
        EXPECT_EQ(SourceInt(s, AL_SOURCE_STATE), AL_STOPPED);
    }
    EXPECT_EQ(ALsourcebuffer[2], 8);
    EXPECT_EQ(SourceInt(2, AL_SOURCE_STATE), AL_PLAYING);

    // Reloading again finds no source left on the slot.
    const std::string again = Logged([&] { ASys.GetWAV(7, a.c_str()); });
    EXPECT_EQ(again.find("Freeing"), std::string::npos) << again;
    EXPECT_EQ(again.find("Error"), std::string::npos) << again;
}

// Every source starts out marked with slot 0, so its first load stops them
// all, the music source too; the next frame's refill starts the music again.
TEST_F(AudioSfx, FirstLoadOfSlotZeroFreesEverySource) {
    const std::string path = Write("zero.wav", Wav16(1, 22050, std::vector<int16_t>(10, 1)));
    const std::string piece = Write("piece.wav", Wav16(2, 8000, std::vector<int16_t>(4 * kuvo::kMusicBlockBytes, 5)));
    ASys.PlayMusic_Wav_Sys(piece.c_str(), 1);
    ASSERT_EQ(SourceInt(kuvo::kMusicSource, AL_SOURCE_STATE), AL_PLAYING);
    const std::string log = Logged([&] { ASys.GetWAV(0, path.c_str()); });
    size_t at = 0;
    for (int s = 0; s < kuvo::kAudioSources; ++s) {
        at = log.find("> Freeing Buffer " + std::to_string(s) + "\n", at);
        ASSERT_NE(at, std::string::npos) << "source " << s << "\n" << log;
        EXPECT_EQ(ALsourcebuffer[s], -1);
    }
    EXPECT_EQ(log.find("Error"), std::string::npos) << log;
    EXPECT_EQ(SourceInt(kuvo::kMusicSource, AL_SOURCE_STATE), AL_STOPPED);
    ASys.HandleMusicSys();
    EXPECT_EQ(SourceInt(kuvo::kMusicSource, AL_SOURCE_STATE), AL_PLAYING);
    EXPECT_EQ(alGetError(), AL_NO_ERROR);
}

}  // namespace
