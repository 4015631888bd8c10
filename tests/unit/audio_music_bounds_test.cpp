// The Ogg decoder's work is bounded on every file system: the music file's
// calls stay inside the file and within each step's budget, and the damaged
// files that once froze or crashed the game are refused or end at once, from
// a folder in memory (tmpfs, where a seek far past the end succeeds) as from
// one on disk. A step that never returned would hang the test run, so the
// steps run on a thread of their own with a deadline.

#include <AL/al.h>
#include <gtest/gtest.h>
#include <linux/magic.h>
#include <sys/vfs.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "audio_fixture.h"
#include "audio_test_ogg.h"

using namespace audiotest;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRefills = 64;          // refill steps per piece, well past any fixture's end
constexpr double kStepBoundMs = 1000;  // loose: a step that searches the file runs forever
constexpr auto kDeadline = std::chrono::seconds(60);

const char* const kDamaged[] = {"abort-invalid-free.ogg", "segfault.ogg", "bad-free-asan.ogg",
                                "leak-on-failed-open.ogg", "hang-on-loop.ogg"};

double MsSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

// Runs `work` on a thread of its own. When it has not returned by the
// deadline it never will: the test fails and the process ends there, since
// the stuck thread holds the sound globals.
template <class F>
void WithDeadline(const char* what, F&& work) {
    std::packaged_task<void()> task(std::forward<F>(work));
    std::future<void> done = task.get_future();
    std::thread worker(std::move(task));
    if (done.wait_for(kDeadline) != std::future_status::ready) {
        std::fprintf(stderr, "FAILED: %s did not return within %lld s\n", what,
                     static_cast<long long>(kDeadline.count()));
        std::fflush(nullptr);
        std::_Exit(1);
    }
    worker.join();
}

bool OnTmpfs(const std::string& dir) {
    struct statfs fs;
    return statfs(dir.c_str(), &fs) == 0 && fs.f_type == TMPFS_MAGIC;
}

class AudioMusicBounds : public AudioFixture {
protected:
    void TearDown() override {
        if (!memDir_.empty()) RemoveTree(memDir_);
        AudioFixture::TearDown();
    }
    // A scratch folder in memory, removed with the test.
    std::string MemoryFolder() {
        char name[] = "/dev/shm/zindle-music.XXXXXX";
        if (mkdtemp(name)) memDir_ = name;
        return memDir_;
    }
    std::string memDir_;
};

struct PieceRun {
    std::string name;
    double openMs = 0;
    double worstRefillMs = 0;
    int mode = -1;
    std::string log;
};

TEST_F(AudioMusicBounds, DamagedOggFilesAreRefusedOrEndAtOnceOnDiskAndInMemory) {
    const std::string memory = MemoryFolder();
    ASSERT_FALSE(memory.empty()) << "no folder in /dev/shm";
    ASSERT_TRUE(OnTmpfs(memory)) << memory << " is not tmpfs";
    const ALuint src = ALsource[kuvo::kMusicSource];

    for (const std::string& folder : {memory, dir_}) {
        SCOPED_TRACE(folder);
        for (const char* name : kDamaged)
            std::filesystem::copy_file(std::string(ZINDLE_FIXTURES "/damaged-ogg/") + name, folder + "/" + name);
        std::vector<PieceRun> runs;
        WithDeadline("a damaged Ogg piece's open or refill", [&] {
            for (const char* name : kDamaged) {
                PieceRun run;
                run.name = name;
                const std::string path = folder + "/" + name;
                ::testing::internal::CaptureStdout();
                Clock::time_point t = Clock::now();
                ASys.PlayMusic_Ogg_Sys(path.c_str(), 1);
                run.openMs = MsSince(t);
                for (int i = 0; i < kRefills; ++i) {
                    // A stopped source makes each step decode its next block at once.
                    alSourceStop(src);
                    t = Clock::now();
                    ASys.HandleMusicSys();
                    run.worstRefillMs = std::max(run.worstRefillMs, MsSince(t));
                }
                run.mode = ASys.MusicMode;
                run.log = ::testing::internal::GetCapturedStdout();
                ASys.StopMusicSys();
                runs.push_back(run);
            }
        });
        for (const PieceRun& run : runs) {
            SCOPED_TRACE(run.name);
            EXPECT_LT(run.openMs, kStepBoundMs);
            EXPECT_LT(run.worstRefillMs, kStepBoundMs);
            // Refused at its start, or ended once it could give no more.
            EXPECT_EQ(run.mode, 0);
            EXPECT_TRUE(HasLine(run.log, "Error Opening Ogg") || HasLine(run.log, "Error Reading Ogg")) << run.log;
        }
    }
}

// A piece whose middle is megabytes of nothing: the block that meets it
// would have the decoder read on for a sync point far longer than a frame.
// The step runs out of calls instead, and the piece ends there, its values
// before the damage queued.
TEST_F(AudioMusicBounds, AStepThatWouldReadOnAndOnEndsThePiece) {
    const std::string tone = dir_ + "/tone.ogg";
    ASSERT_TRUE(WriteOgg(tone, 2, 44100, Sine(8 * 44100, 2, 8 * 440, 8000)));
    std::string bytes;
    {
        FILE* f = std::fopen(tone.c_str(), "rb");
        ASSERT_NE(f, nullptr);
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
        std::fclose(f);
    }
    const size_t damageAt = bytes.size() * 3 / 4;
    // Well past what one step may read: the decoder reads 2 KB a call.
    const size_t gapBytes = size_t(8) << 20;
    ASSERT_GT(gapBytes, size_t(2 * 2048) * size_t(kuvo::kOggCallsPerStep));
    const std::string path = Write("gap.ogg", bytes.substr(0, damageAt) + std::string(gapBytes, '\0') + bytes.substr(damageAt));

    std::vector<int16_t> played;
    const std::string log = Logged([&] { played = StreamedOgg(path, 1, 3 * size_t(2 * 8 * 44100)); });
    EXPECT_TRUE(HasLine(log, "Error Reading Ogg")) << log;
    EXPECT_EQ(ASys.MusicMode, 0);
    EXPECT_GT(played.size(), size_t(2 * 4 * 44100));  // the first four seconds and more came through
    EXPECT_LT(played.size(), size_t(2 * 8 * 44100));  // and the piece never came round again
}

// The decoder's calls on the music file, through a 100-byte file: a seek
// outside the file fails and leaves the position alone, and once a step's
// calls are spent every call fails, a read as an error rather than as the
// file's end.
TEST_F(AudioMusicBounds, MusicFileCallsStayInTheFileAndWithinTheStepsBudget) {
    const std::string path = Write("hundred.bin", std::string(100, 'x'));
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    KuvoMusicSource source{f, 100, 1 << 20, false};

    struct Seek {
        int64_t offset;
        int whence;
        long landsAt;  // -1: refused
    };
    const Seek seeks[] = {
        {0, SEEK_SET, 0},           {100, SEEK_SET, 100},       {101, SEEK_SET, -1},
        {-1, SEEK_SET, -1},         {0, SEEK_END, 100},         {-100, SEEK_END, 0},
        {1, SEEK_END, -1},          {-101, SEEK_END, -1},       {INT64_MAX, SEEK_SET, -1},
        {INT64_MIN, SEEK_END, -1},  {INT64_MAX, SEEK_END, -1},  {int64_t(3) << 61, SEEK_SET, -1},
        {0, 7, -1},
    };
    for (const Seek& s : seeks) {
        SCOPED_TRACE(::testing::Message() << "offset " << s.offset << " whence " << s.whence);
        ASSERT_EQ(std::fseek(f, 40, SEEK_SET), 0);
        EXPECT_EQ(KuvoMusicSeek(&source, s.offset, s.whence), s.landsAt < 0 ? -1 : 0);
        EXPECT_EQ(std::ftell(f), s.landsAt < 0 ? 40 : s.landsAt);
    }
    // From 40: 60 bytes on is the end, 61 is past it, 41 back is before the start.
    for (const Seek& s : {Seek{60, SEEK_CUR, 100}, Seek{61, SEEK_CUR, -1}, Seek{-40, SEEK_CUR, 0}, Seek{-41, SEEK_CUR, -1}}) {
        SCOPED_TRACE(::testing::Message() << "from 40 by " << s.offset);
        ASSERT_EQ(std::fseek(f, 40, SEEK_SET), 0);
        EXPECT_EQ(KuvoMusicSeek(&source, s.offset, s.whence), s.landsAt < 0 ? -1 : 0);
        EXPECT_EQ(std::ftell(f), s.landsAt < 0 ? 40 : s.landsAt);
    }
    EXPECT_FALSE(source.spent);

    // Three calls left: a seek, a tell and a read go through; then nothing does.
    source.callsLeft = 3;
    char into[16];
    EXPECT_EQ(KuvoMusicSeek(&source, 10, SEEK_SET), 0);
    EXPECT_EQ(KuvoMusicTell(&source), 10);
    EXPECT_EQ(KuvoMusicRead(into, 1, sizeof into, &source), sizeof into);
    EXPECT_FALSE(source.spent);
    errno = 0;
    EXPECT_EQ(KuvoMusicRead(into, 1, sizeof into, &source), 0u);
    EXPECT_NE(errno, 0);  // the decoder takes a read of nothing with errno set as an error
    EXPECT_TRUE(source.spent);
    EXPECT_EQ(KuvoMusicSeek(&source, 0, SEEK_SET), -1);
    EXPECT_EQ(KuvoMusicTell(&source), -1);
    EXPECT_EQ(std::ftell(f), 26);  // the refused calls never reached the file
    std::fclose(f);
}

}  // namespace
