// The music stream on a silent device: where a WAV piece starts, loops and
// ends, the Ogg block layout, failed starts (damaged Ogg files among them)
// that leave the running piece alone, the buffer table, and file handles
// released on every change.

#include <AL/al.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "MyGame.h"
#include "audio_fixture.h"
#include "audio_test_ogg.h"

extern MyGame ThisGame;

using namespace audiotest;

namespace {

constexpr long kBlock = kuvo::kMusicBlockBytes;

class AudioMusic : public AudioFixture {
protected:
    // A stereo 16-bit piece at 8 kHz (half a second a block, so no block is
    // played out while a test runs) of `halfBlocks` half blocks, with a chunk
    // before its samples and one after them longer than a block, which a
    // stream that ran to the end of the file would take for sound.
    std::string Piece(const std::string& name, int halfBlocks, long* dataOffset) {
        std::vector<int16_t> s(size_t(halfBlocks) * size_t(kBlock) / 4, 1234);
        const std::string head = Chunk("fmt ", FmtBody(1, 2, 8000, 16)) + Chunk("LIST", std::string(22, 'i'));
        const std::string file = Riff(head + Chunk("data", Samples16(s)) + Chunk("LIST", std::string(size_t(kBlock) + 4000, 'z')));
        if (dataOffset) *dataOffset = long(12 + head.size() + 8);
        return Write(name, file);
    }
    static long FilePos() { return MusicFile ? std::ftell(MusicFile) : -1; }
    static ALint Queued() { return SourceInt(kuvo::kMusicSource, AL_BUFFERS_QUEUED); }

    // Points the game at this test's folder, so PlayMusic finds its pieces in
    // the returned audio folder; the game's own folder comes back afterwards.
    std::string GameAudioFolder() {
        std::memcpy(savedDir_, ThisGame.ProgramDir, sizeof savedDir_);
        savedNumber_ = ThisGame.GameNumber;
        restore_ = true;
        std::snprintf(ThisGame.ProgramDir, sizeof ThisGame.ProgramDir, "%s", dir_.c_str());
        ThisGame.GameNumber = 559;
        const std::string audio = dir_ + "/Data/559/audio";
        EXPECT_TRUE(MakeDirs(audio));
        return audio;
    }
    void TearDown() override {
        if (restore_) {
            std::memcpy(ThisGame.ProgramDir, savedDir_, sizeof savedDir_);
            ThisGame.GameNumber = savedNumber_;
        }
        AudioFixture::TearDown();
    }

private:
    char savedDir_[sizeof ThisGame.ProgramDir] = {};
    int savedNumber_ = 0;
    bool restore_ = false;
};

TEST_F(AudioMusic, WavPieceStreamsOnlyItsDataChunkAndLoops) {
    long data = 0;
    const std::string path = Piece("loop.wav", 5, &data);  // 2.5 blocks
    ASys.MusicPitchSys = 3;
    ASys.MusicVolumeSys = 0.2f;
    ASys.MusicPanSys = 0.4f;
    ASys.PlayMusic_Wav_Sys(path.c_str(), 1);

    EXPECT_EQ(ASys.MusicMode, 1);
    EXPECT_EQ(MusicFileBegin, data);
    EXPECT_EQ(MusicFileEnd, data + 5 * kBlock / 2);
    EXPECT_EQ(MusicBufferStats[1], AL_FORMAT_STEREO16);
    EXPECT_EQ(MusicBufferStats[4], 8000);
    EXPECT_EQ(ASys.MusicPitchSys, 1.0f);
    EXPECT_EQ(ASys.MusicVolumeSys, 1.0f);
    EXPECT_EQ(ASys.MusicPanSys, 0.0f);
    EXPECT_EQ(FilePos(), data + kBlock);
    EXPECT_EQ(MusicBufferTick, -2);
    EXPECT_EQ(ASys.MusicNextBuffer, 1);
    EXPECT_EQ(Queued(), 1);
    EXPECT_EQ(SourceInt(kuvo::kMusicSource, AL_SOURCE_STATE), AL_PLAYING);

    // The second block leaves less than a block: the piece returns to its
    // first sample, and the last half block is never played.
    ASys.BufferMusic_Wav_Sys();
    EXPECT_EQ(FilePos(), data);
    ASys.BufferMusic_Wav_Sys();
    EXPECT_EQ(FilePos(), data + kBlock);
    ASys.BufferMusic_Wav_Sys();
    EXPECT_EQ(Queued(), 4);
    EXPECT_EQ(MusicBufferTick, 1);
    EXPECT_EQ(FilePos(), data);
    // A full queue waits for a played block.
    ASys.BufferMusic_Wav_Sys();
    EXPECT_EQ(Queued(), 4);
    EXPECT_EQ(FilePos(), data);
    EXPECT_EQ(ASys.MusicMode, 1);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(BufferInt(MusicBuffer[i], AL_SIZE), kBlock) << i;
}

TEST_F(AudioMusic, WavPieceWithoutRepeatEndsWithItsDataChunk) {
    long data = 0;
    const std::string path = Piece("once.wav", 4, &data);  // exactly 2 blocks
    ASys.PlayMusic_Wav_Sys(path.c_str(), 0);
    EXPECT_EQ(ASys.MusicMode, 1);
    ASys.BufferMusic_Wav_Sys();
    EXPECT_EQ(ASys.MusicMode, 0);
    EXPECT_EQ(Queued(), 2);
    // Later frames read nothing more and only re-apply the settings.
    const long at = FilePos();
    ASys.MusicPitchSys = 1.5f;
    ASys.MusicVolumeSys = 0.5f;
    ASys.MusicLevelSys = 0.6f;
    ASys.MusicPanSys = 0.25f;
    ASys.HandleMusicSys();
    EXPECT_EQ(FilePos(), at);
    EXPECT_EQ(Queued(), 2);
    EXPECT_FLOAT_EQ(SourceFloat(kuvo::kMusicSource, AL_PITCH), 1.5f);
    EXPECT_FLOAT_EQ(SourceFloat(kuvo::kMusicSource, AL_GAIN), 0.3f);
    float pos[3] = {9, 9, 9};
    alGetSourcefv(ALsource[kuvo::kMusicSource], AL_POSITION, pos);
    EXPECT_FLOAT_EQ(pos[0], -0.25f);
}

TEST_F(AudioMusic, FailedStartsLeaveTheRunningPiece) {
    long data = 0;
    const std::string good = Piece("good.wav", 5, &data);
    const std::string badHeader =
        Write("bad.wav", Riff(Chunk("fmt ", FmtBody(1, 0, 8000, 16)) + Chunk("data", std::string(40000, 'x'))));
    const std::string noData = Write("nodata.wav", Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 16))));
    const std::string wide = Write("24bit.wav", Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 24)) + Chunk("data", std::string(60000, 'x'))));
    const std::string badOgg = Write("bad.ogg", std::string(5000, 'q'));
    const std::string surround = dir_ + "/surround.ogg";
    ASSERT_TRUE(WriteOgg(surround, 3, 44100, Sine(44100, 3, 440, 8000)));
    ASys.PlayMusic_Wav_Sys(good.c_str(), 1);
    for (int i = 0; i < 3; ++i) ASys.HandleMusicSys();  // a full queue
    ASSERT_EQ(MusicBufferTick, 1);
    FILE* running = MusicFile;
    const int fds = OpenFdCount();

    const std::string missing = dir_ + "/missing.wav";
    const std::string log = Logged([&] {
        ASys.PlayMusic_Wav_Sys(badHeader.c_str(), 1);
        ASys.PlayMusic_Wav_Sys(noData.c_str(), 1);
        ASys.PlayMusic_Wav_Sys(wide.c_str(), 1);
        ASys.PlayMusic_Wav_Sys(missing.c_str(), 1);
        ASys.PlayMusic_Ogg_Sys(badOgg.c_str(), 1);
        ASys.PlayMusic_Ogg_Sys((dir_ + "/missing.ogg").c_str(), 1);
        ASys.PlayMusic_Ogg_Sys(surround.c_str(), 1);
    });
    // One line for each refused file, naming it where the line has room.
    for (const std::string& wav : {badHeader, noData, wide}) EXPECT_TRUE(HasLine(log, "Error Reading Wave - " + wav)) << log;
    EXPECT_TRUE(HasLine(log, "Error Opening Wave - " + missing)) << log;
    size_t oggLines = 0;
    for (size_t at = log.find("> Error Opening Ogg\n"); at != std::string::npos; at = log.find("> Error Opening Ogg\n", at + 1))
        ++oggLines;
    EXPECT_EQ(oggLines, 3u) << log;
    size_t lines = 0;
    for (char ch : log) lines += ch == '\n';
    EXPECT_EQ(lines, 7u) << log;
    EXPECT_EQ(ASys.MusicMode, 1);
    EXPECT_EQ(MusicFile, running);
    EXPECT_EQ(MusicFileBegin, data);
    EXPECT_EQ(MusicBufferStats[4], 8000);
    EXPECT_EQ(OpenFdCount(), fds);

    // The failed start stopped the source and emptied its queue; the next
    // frame carries the running piece on from where its file stands.
    EXPECT_EQ(Queued(), 0);
    ASSERT_EQ(FilePos(), data);
    ASys.HandleMusicSys();
    EXPECT_EQ(Queued(), 1);
    EXPECT_EQ(FilePos(), data + kBlock);
    EXPECT_EQ(SourceInt(kuvo::kMusicSource, AL_SOURCE_STATE), AL_PLAYING);
}

TEST_F(AudioMusic, OggBlocksCarryEveryDecodedValue) {
    struct Case {
        int channels;
        int format;
    };
    for (const Case c : {Case{1, AL_FORMAT_MONO16}, Case{2, AL_FORMAT_STEREO16}}) {
        SCOPED_TRACE(c.channels);
        const std::string path = dir_ + "/tone" + std::to_string(c.channels) + ".ogg";
        ASSERT_TRUE(WriteOgg(path, c.channels, 44100, Sine(44100, c.channels, 440, 8000)));
        ASys.PlayMusic_Ogg_Sys(path.c_str(), 1);
        EXPECT_EQ(ASys.MusicMode, 2);
        EXPECT_NE(OggFile, nullptr);
        EXPECT_EQ(MusicBufferStats[1], c.format);
        EXPECT_EQ(MusicBufferStats[4], 44100);
        EXPECT_EQ(MusicBufferStats[5], c.channels);
        EXPECT_EQ(Queued(), 1);
        // 16,384 values of 2 bytes, whatever the channel count.
        EXPECT_EQ(BufferInt(MusicBuffer[0], AL_SIZE), 2 * kuvo::kOggBlockValues);
        EXPECT_EQ(BufferInt(MusicBuffer[0], AL_CHANNELS), c.channels);
    }
}

TEST_F(AudioMusic, OggPieceWithoutRepeatEnds) {
    const std::string path = dir_ + "/short.ogg";
    ASSERT_TRUE(WriteOgg(path, 1, 44100, Sine(8820, 1, 20, 8000)));
    const std::string log = Logged([&] {
        ASys.PlayMusic_Ogg_Sys(path.c_str(), 0);
        for (int i = 0; i < 3 && ASys.MusicMode == 2; ++i) ASys.BufferMusic_Ogg_Sys();
    });
    EXPECT_EQ(ASys.MusicMode, 0);
    EXPECT_EQ(log.find("Error"), std::string::npos) << log;
    // Every sample of the piece was queued, in the first block.
    EXPECT_EQ(BufferInt(MusicBuffer[0], AL_SIZE), 2 * 8820);
}

// A chained piece plays link after link while they keep its layout. A link of
// another layout would not fit the buffers the piece was started with: none
// of its values is queued, the piece ends where that link begins, and with
// repeat it starts again from its first sample.
TEST_F(AudioMusic, ChainedLinksPlayWhileTheyKeepThePiecesLayout) {
    const std::string a = dir_ + "/a.ogg", b = dir_ + "/b.ogg", mono = dir_ + "/mono.ogg";
    ASSERT_TRUE(WriteOgg(a, 2, 44100, Sine(4410, 2, 10, 8000)));
    ASSERT_TRUE(WriteOgg(b, 2, 44100, Sine(4410, 2, 30, 8000)));
    ASSERT_TRUE(WriteOgg(mono, 1, 44100, Sine(4410, 1, 10, 8000)));
    const std::string same = dir_ + "/same.ogg", mixed = dir_ + "/mixed.ogg";
    ASSERT_TRUE(WriteChainedOgg(same, {a, b}));
    ASSERT_TRUE(WriteChainedOgg(mixed, {a, mono}));

    const std::vector<int16_t> first = StreamedOgg(a, 0, SIZE_MAX);
    ASSERT_EQ(first.size(), 2u * 4410);
    EXPECT_EQ(StreamedOgg(same, 0, SIZE_MAX).size(), 2u * 8820);
    EXPECT_EQ(StreamedOgg(mixed, 0, SIZE_MAX), first);
    const std::vector<int16_t> looped = StreamedOgg(mixed, 1, 3 * first.size());
    ASSERT_GE(looped.size(), 2 * first.size());
    EXPECT_TRUE(std::equal(first.begin(), first.end(), looped.begin() + long(first.size())));
}

TEST_F(AudioMusic, StopMusicReleasesThePiece) {
    const std::string wav = Piece("stop.wav", 5, nullptr);
    const std::string ogg = dir_ + "/stop.ogg";
    ASSERT_TRUE(WriteOgg(ogg, 2, 44100, Sine(4410, 2, 10, 8000)));
    const int fds = OpenFdCount();
    for (const std::string& path : {wav, ogg}) {
        if (path == wav)
            ASys.PlayMusic_Wav_Sys(path.c_str(), 1);
        else
            ASys.PlayMusic_Ogg_Sys(path.c_str(), 1);
        EXPECT_EQ(OpenFdCount(), fds + 1);
        ASys.StopMusicSys();
        EXPECT_EQ(ASys.MusicMode, 0);
        EXPECT_EQ(ASys.MusicNextBuffer, 0);
        EXPECT_EQ(MusicFile, nullptr);
        EXPECT_EQ(OggFile, nullptr);
        EXPECT_EQ(Queued(), 0);
        EXPECT_EQ(OpenFdCount(), fds);
        ASys.HandleMusicSys();  // nothing left to read
        EXPECT_EQ(Queued(), 0);
    }
}

TEST_F(AudioMusic, AThousandStartsKeepTheFileCount) {
    const std::string audio = GameAudioFolder();
    Write("Data/559/audio/a.wav", Wav16(2, 8000, Sine(kBlock, 2, 100, 5000)));
    ASSERT_TRUE(WriteOgg(audio + "/b.ogg", 2, 44100, Sine(4410, 2, 10, 8000)));

    const std::set<ALuint> names(MusicBuffer, MusicBuffer + kuvo::kMusicBuffers);
    const int fds = OpenFdCount();
    const char* pieces[] = {"a.wav", "b.ogg", "missing.wav", "missing.ogg"};
    Logged([&] {
        for (int i = 0; i < 1000; ++i) {
            ThisGame.PlayMusic(pieces[i % 4]);
            ThisGame.MusicHandler();
        }
    });
    EXPECT_EQ(OpenFdCount(), fds + 1);  // the running piece
    ThisGame.StopMusic();
    EXPECT_EQ(OpenFdCount(), fds);
    EXPECT_EQ(std::set<ALuint>(MusicBuffer, MusicBuffer + kuvo::kMusicBuffers), names);
}

// Files that crashed the game's first Ogg decoder inside its open: an abort on
// an invalid free, a segmentation fault, a wild free and an allocation of
// about 2^64 bytes, and a leak on every refused open; and files whose setup
// headers would crash libvorbis or take it seconds. Each is refused with the
// log line while the running piece plays on, or, with no piece running, the
// music stays silent; a thousand tries leave no file open (and, under the
// sanitizers, nothing leaked).
TEST_F(AudioMusic, DamagedOggFilesAreRefusedAndTheMusicGoesOn) {
    const std::string audio = GameAudioFolder();
    const char* damaged[] = {"abort-invalid-free.ogg",      "segfault.ogg",           "bad-free-asan.ogg",
                             "leak-on-failed-open.ogg",     "crash-big-codebook.ogg", "costly-setup-books.ogg",
                             "costly-setup-after-cheap-link.ogg"};
    const int count = int(sizeof damaged / sizeof damaged[0]);
    for (const char* name : damaged)
        std::filesystem::copy_file(std::string(ZINDLE_FIXTURES "/damaged-ogg/") + name, audio + "/" + name);
    ASSERT_TRUE(WriteOgg(audio + "/good.ogg", 2, 44100, Sine(44100, 2, 440, 8000)));

    for (const bool running : {true, false}) {
        SCOPED_TRACE(running ? "over a running piece" : "over silence");
        ThisGame.StopMusic();
        if (running) {
            ThisGame.PlayMusic("good.ogg");
            ASSERT_EQ(ASys.MusicMode, 2);
        }
        const auto* decoder = OggFile;
        const FILE* file = MusicFile;
        for (const char* name : damaged) {
            SCOPED_TRACE(name);
            const std::string log = Logged([&] { ThisGame.PlayMusic(name); });
            EXPECT_TRUE(HasLine(log, "Error Opening Ogg")) << log;
            EXPECT_EQ(ASys.MusicMode, running ? 2 : 0);
            EXPECT_EQ(OggFile, decoder);
            EXPECT_EQ(MusicFile, file);
            // The next frame queues the running piece's next block, or nothing.
            ThisGame.MusicHandler();
            EXPECT_EQ(Queued(), running ? 1 : 0);
        }
    }

    ThisGame.PlayMusic("good.ogg");
    const int fds = OpenFdCount();
    Logged([&] {
        for (int i = 0; i < 1000; ++i) {
            ThisGame.PlayMusic(damaged[i % count]);
            ThisGame.MusicHandler();
        }
    });
    EXPECT_EQ(OpenFdCount(), fds);
    EXPECT_EQ(ASys.MusicMode, 2);
    ThisGame.StopMusic();
}

// Blocks of a 192 kHz mono piece last 43 ms, so the queue turns over while
// the test waits; the four buffer names must survive the rotation, a stall
// while the queue fills, and restarts part way round.
TEST_F(AudioMusic, BufferNamesSurviveRotationAndRestarts) {
    const std::string path = Write("fast.wav", Wav16(1, 192000, Sine(8 * kBlock / 2, 1, 64, 3000)));
    const std::set<ALuint> names(MusicBuffer, MusicBuffer + kuvo::kMusicBuffers);
    ASSERT_EQ(names.size(), 4u);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        ASys.PlayMusic_Wav_Sys(path.c_str(), 1);
        // A stall before the queue is full: its first block plays out.
        if (round == 1) std::this_thread::sleep_for(std::chrono::milliseconds(150));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        int queuedBlocks = 1;
        while (queuedBlocks < 6 + round && std::chrono::steady_clock::now() < deadline) {
            const int tick = MusicBufferTick;
            ASys.HandleMusicSys();
            if (MusicBufferTick != tick) ++queuedBlocks;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        ASSERT_GE(queuedBlocks, 6 + round) << "the silent device never played a block";
        EXPECT_EQ(std::set<ALuint>(MusicBuffer, MusicBuffer + kuvo::kMusicBuffers), names);
        EXPECT_EQ(alGetError(), AL_NO_ERROR);
    }
    ASys.StopMusicSys();
    EXPECT_EQ(std::set<ALuint>(MusicBuffer, MusicBuffer + kuvo::kMusicBuffers), names);
    EXPECT_EQ(Queued(), 0);
}

// A stall long enough to drain the queue: the played blocks come off before
// the source starts again, so it plays the next block of the piece rather
// than the stale ones.
TEST_F(AudioMusic, ADrainedQueueRestartsWithTheNextBlock) {
    const std::string head = Chunk("fmt ", FmtBody(1, 1, 192000, 16));
    const long data = long(12 + head.size() + 8);
    const std::string path = Write("drain.wav", Riff(head + Chunk("data", Samples16(Sine(8 * kBlock / 2, 1, 64, 3000)))));
    ASys.PlayMusic_Wav_Sys(path.c_str(), 1);
    for (int i = 0; i < 3; ++i) ASys.HandleMusicSys();
    ASSERT_EQ(Queued(), 4);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (SourceInt(kuvo::kMusicSource, AL_SOURCE_STATE) == AL_PLAYING && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(SourceInt(kuvo::kMusicSource, AL_SOURCE_STATE), AL_STOPPED);
    ASSERT_EQ(FilePos(), data + 4 * kBlock);

    ASys.HandleMusicSys();
    EXPECT_EQ(Queued(), 1);
    EXPECT_EQ(SourceInt(kuvo::kMusicSource, AL_BUFFERS_PROCESSED), 0);
    EXPECT_EQ(FilePos(), data + 5 * kBlock);
    EXPECT_EQ(MusicBufferTick, -2);
    EXPECT_EQ(SourceInt(kuvo::kMusicSource, AL_SOURCE_STATE), AL_PLAYING);
}

}  // namespace
