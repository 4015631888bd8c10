// The Ogg decoder's work is bounded on every file system: the music file's
// calls stay inside the file and within each step's budget of processor
// time, the damaged files that once froze or crashed the game are refused or
// end at once, from a folder in memory (tmpfs, where a seek far past the end
// succeeds) as from one on disk, and valid files of every shape the library
// plays (megabytes of comment, hundreds of links) play in full and loop. A
// step that never returned would hang the test run, so the steps run on a
// thread of their own with a deadline.

#include <AL/al.h>
#include <gtest/gtest.h>
#include <linux/magic.h>
#include <sys/vfs.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
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

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TEST_LEAK_CHECKS 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(TEST_LEAK_CHECKS)
#include <sanitizer/lsan_interface.h>
#define TEST_LEAK_CHECKS_OFF() __lsan_disable()
#define TEST_LEAK_CHECKS_ON() __lsan_enable()
#else
#define TEST_LEAK_CHECKS_OFF() (void)0
#define TEST_LEAK_CHECKS_ON() (void)0
#endif

using namespace audiotest;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRefills = 64;          // refill steps per piece, well past any fixture's end
constexpr double kStepBoundMs = 1000;  // loose: a step that searches the file runs forever
// Loose, for a step's processor time on a file that makes the decoder set
// itself up again at every other page: unbounded, such a step takes half a
// second or more on a megabyte.
constexpr double kSwitchStepBoundMs = 100;
constexpr auto kDeadline = std::chrono::seconds(60);

const char* const kDamaged[] = {"abort-invalid-free.ogg", "segfault.ogg",         "bad-free-asan.ogg",
                                "leak-on-failed-open.ogg", "hang-on-loop.ogg",    "stream-switch.ogg",
                                "leak-in-chained-open.ogg"};

double MsSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }
double CpuMsSince(long long ns) { return double(KuvoThreadCpuNs() - ns) / 1e6; }

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
    double worstRefillCpuMs = 0;
    int mode = -1;
    std::string log;
};

// Starts a piece with repeat and runs `refills` refill steps, each on a
// stopped source so that it decodes its next block at once.
PieceRun RunPiece(const std::string& path, int refills) {
    PieceRun run;
    run.name = path;
    const ALuint src = ALsource[kuvo::kMusicSource];
    ::testing::internal::CaptureStdout();
    Clock::time_point t = Clock::now();
    ASys.PlayMusic_Ogg_Sys(path.c_str(), 1);
    run.openMs = MsSince(t);
    for (int i = 0; i < refills; ++i) {
        alSourceStop(src);
        t = Clock::now();
        const long long cpu = KuvoThreadCpuNs();
        ASys.HandleMusicSys();
        run.worstRefillCpuMs = std::max(run.worstRefillCpuMs, CpuMsSince(cpu));
        run.worstRefillMs = std::max(run.worstRefillMs, MsSince(t));
    }
    run.mode = ASys.MusicMode;
    run.log = ::testing::internal::GetCapturedStdout();
    ASys.StopMusicSys();
    return run;
}

TEST_F(AudioMusicBounds, DamagedOggFilesAreRefusedOrEndAtOnceOnDiskAndInMemory) {
    const std::string memory = MemoryFolder();
    ASSERT_FALSE(memory.empty()) << "no folder in /dev/shm";
    ASSERT_TRUE(OnTmpfs(memory)) << memory << " is not tmpfs";

    for (const std::string& folder : {memory, dir_}) {
        SCOPED_TRACE(folder);
        for (const char* name : kDamaged)
            std::filesystem::copy_file(std::string(ZINDLE_FIXTURES "/damaged-ogg/") + name, folder + "/" + name);
        std::vector<PieceRun> runs;
        WithDeadline("a damaged Ogg piece's open or refill", [&] {
            for (const char* name : kDamaged) {
                // libvorbisfile itself leaks a few bytes refusing this one
                // (its _bisect_forward_serialno drops a link's serial-number
                // list on an error); the other files check our side of it.
                const bool libraryLeaks = std::string(name) == "leak-in-chained-open.ogg";
                if (libraryLeaks) TEST_LEAK_CHECKS_OFF();
                runs.push_back(RunPiece(folder + "/" + name, kRefills));
                if (libraryLeaks) TEST_LEAK_CHECKS_ON();
            }
        });
        for (const PieceRun& run : runs) {
            SCOPED_TRACE(run.name);
            EXPECT_LT(run.openMs, kStepBoundMs);
            EXPECT_LT(run.worstRefillMs, kStepBoundMs);
            EXPECT_LT(run.worstRefillCpuMs, kSwitchStepBoundMs);
            // Refused at its start, or ended once it could give no more.
            EXPECT_EQ(run.mode, 0);
            EXPECT_TRUE(HasLine(run.log, "Error Opening Ogg") || HasLine(run.log, "Error Reading Ogg")) << run.log;
            std::printf("%s: open %.1f ms, worst refill %.1f ms (processor %.1f ms)\n", run.name.c_str(), run.openMs,
                        run.worstRefillMs, run.worstRefillCpuMs);
        }
    }
}

// A file made like the one that stalled the game at every loop, from its
// own piece, sixteen times its size: the piece's first audio page, then tens
// of thousands of pairs of pages that each make the decoder set itself up
// again without a sample (a second a block, unbounded), then its last page.
// The step that meets them runs out of its budget and the piece ends; what
// came before them was queued.
TEST_F(AudioMusicBounds, PagesThatResetTheDecoderEndThePieceWithinItsBudget) {
    const std::vector<std::string> fixture = OggPages(ZINDLE_FIXTURES "/damaged-ogg/stream-switch.ogg");
    ASSERT_GT(fixture.size(), 4u);
    const std::vector<std::string> piece = {fixture[0], fixture[1], fixture[2], fixture.back()};
    const std::string path = dir_ + "/switch.ogg";
    ASSERT_TRUE(WriteStreamSwitchOgg(path, piece, 40000));  // 54 bytes a pair: about 2 MB
    PieceRun run;
    std::vector<int16_t> played;
    WithDeadline("a piece of stream switches", [&] {
        played = StreamedOgg(path, 1, size_t(1) << 20);
        run = RunPiece(path, kRefills);
    });
    EXPECT_EQ(run.mode, 0);
    EXPECT_TRUE(HasLine(run.log, "Error Reading Ogg")) << run.log;
    EXPECT_EQ(played.size(), size_t(2 * OggGranule(fixture[2])));  // the stereo samples before the pairs, once
    EXPECT_LT(run.worstRefillCpuMs, kSwitchStepBoundMs);
    std::printf("%s (%ld bytes): worst refill %.1f ms (processor %.1f ms)\n", path.c_str(),
                long(std::filesystem::file_size(path)), run.worstRefillMs, run.worstRefillCpuMs);
}

// A piece with two megabytes of nothing in its middle: the decoder skips
// them for a sync point in a few milliseconds, well within a step's budget,
// so the piece plays on after them and comes round again.
TEST_F(AudioMusicBounds, AGapTheDecoderSkipsWithinItsBudgetDoesNotEndThePiece) {
    const std::string tone = dir_ + "/tone.ogg";
    ASSERT_TRUE(WriteOgg(tone, 2, 44100, Sine(8 * 44100, 2, 8 * 440, 8000)));
    std::string bytes;
    for (const std::string& page : OggPages(tone)) bytes += page;
    const size_t damageAt = bytes.size() * 3 / 4;
    const std::string path = Write("gap.ogg", bytes.substr(0, damageAt) + std::string(size_t(2) << 20, '\0') + bytes.substr(damageAt));

    std::vector<int16_t> played;
    const std::string log = Logged([&] { played = StreamedOgg(path, 1, 3 * size_t(2 * 8 * 44100)); });
    EXPECT_EQ(log.find("Error"), std::string::npos) << log;
    EXPECT_GE(played.size(), 3 * size_t(2 * 8 * 44100) - size_t(2 * 44100));  // less what the gap took, three times
}

// Valid files whose open or loop needs many more file calls than the game's
// own music: megabytes of comment (a cover image), hundreds of links, a big
// comment in a middle link, long links. Each plays two whole passes, every
// value of the file each time, and its second pass starts as the first did.
TEST_F(AudioMusicBounds, ValidPiecesOfEveryShapePlayInFullAndLoop) {
    constexpr int kRate = 44100;
    const std::string second = dir_ + "/second.ogg";
    const std::string longer = dir_ + "/longer.ogg";
    const std::string pictured = dir_ + "/pictured.ogg";
    const std::string covered = dir_ + "/covered.ogg";
    ASSERT_TRUE(WriteOgg(second, 2, kRate, Sine(kRate, 2, 441, 8000)));
    ASSERT_TRUE(WriteOgg(longer, 2, kRate, Sine(6 * kRate, 2, 6 * 330, 8000)));
    // The comment field a cover image takes, base64 text.
    ASSERT_TRUE(WriteOgg(pictured, 2, kRate, Sine(kRate, 2, 441, 8000), "METADATA_BLOCK_PICTURE",
                         std::string(size_t(3) << 19, 'Q')));
    ASSERT_TRUE(WriteOgg(covered, 2, kRate, Sine(3 * kRate, 2, 3 * 441, 8000), "METADATA_BLOCK_PICTURE",
                         std::string(size_t(4) << 20, 'Q')));
    const std::string brief = dir_ + "/brief.ogg";
    const std::string mono = dir_ + "/mono.ogg";
    const std::string fine = dir_ + "/fine.ogg";
    ASSERT_TRUE(WriteOgg(brief, 2, kRate, Sine(kRate / 20, 2, 22, 8000)));
    ASSERT_TRUE(WriteOgg(mono, 1, 8000, Sine(3 * 8000, 1, 3 * 200, 8000)));
    ASSERT_TRUE(WriteOgg(fine, 2, 96000, Sine(2 * 96000, 2, 2 * 480, 8000)));
    struct Shape {
        const char* name;
        std::vector<std::string> links;  // one file: that file; more: a chain of them
        int frames;                      // frames of one pass
        int channels;
    };
    const std::vector<Shape> shapes = {
        {"a 4 MB comment", {covered}, 3 * kRate, 2},
        {"a chain of 200 links", std::vector<std::string>(200, second), 200 * kRate, 2},
        {"a chain whose middle link has a 1.5 MB comment", {second, pictured, second}, 3 * kRate, 2},
        {"a chain of four longer pieces", std::vector<std::string>(4, longer), 4 * 6 * kRate, 2},
        {"a piece shorter than a block", {brief}, kRate / 20, 2},
        {"8 kHz mono", {mono}, 3 * 8000, 1},
        {"96 kHz", {fine}, 2 * 96000, 2},
    };
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.name);
        std::string path = shape.links.front();
        if (shape.links.size() > 1) {
            path = dir_ + "/chain.ogg";
            ASSERT_TRUE(WriteChainedOgg(path, shape.links));
        }
        const size_t pass = size_t(shape.frames) * size_t(shape.channels);
        std::vector<int16_t> values;
        std::vector<size_t> passes;  // values of each pass that came to its end
        double openCpuMs = 0, worstStepCpuMs = 0;
        std::string log;
        WithDeadline("a valid piece", [&] {
            log = Logged([&] {
                const ALuint src = ALsource[kuvo::kMusicSource];
                long long cpu = KuvoThreadCpuNs();
                ASys.PlayMusic_Ogg_Sys(path.c_str(), 1);
                openCpuMs = CpuMsSince(cpu);
                size_t inPass = 0;
                auto take = [&] {
                    const ALint bytes = BufferInt(MusicBuffer[0], AL_SIZE);
                    // The step that meets the end queues nothing and goes back to the start.
                    if (bytes <= 0) {
                        passes.push_back(inPass);
                        inPass = 0;
                    }
                    values.insert(values.end(), MusicStreamBlock, MusicStreamBlock + (bytes > 0 ? bytes / 2 : 0));
                    inPass += size_t(bytes > 0 ? bytes / 2 : 0);
                };
                if (ASys.MusicMode == 2) take();
                while (ASys.MusicMode == 2 && passes.size() < 2) {
                    alSourceStop(src);
                    cpu = KuvoThreadCpuNs();
                    ASys.HandleMusicSys();
                    worstStepCpuMs = std::max(worstStepCpuMs, CpuMsSince(cpu));
                    take();
                }
                ASys.StopMusicSys();
            });
        });
        EXPECT_EQ(log.find("Error"), std::string::npos) << log;
        ASSERT_EQ(passes.size(), 2u);
        EXPECT_EQ(passes[0], pass);
        EXPECT_EQ(passes[1], pass);
        const size_t block = std::min(pass, size_t(kuvo::kOggBlockValues));
        ASSERT_GE(values.size(), pass + block);
        EXPECT_TRUE(std::equal(values.begin(), values.begin() + long(block), values.begin() + long(pass)));
        std::printf("%s (%ld bytes): open %.1f ms of processor time, worst loop step %.1f ms\n", shape.name,
                    long(std::filesystem::file_size(path)), openCpuMs, worstStepCpuMs);
    }
}

// The decoder's calls on the music file, through a 100-byte file: a seek
// outside the file fails and leaves the position alone, a read takes at most
// its share, and once a step's budget is spent every call fails, a read as
// an error rather than as the file's end.
TEST_F(AudioMusicBounds, MusicFileCallsStayInTheFileAndWithinTheStepsBudget) {
    const std::string path = Write("big.bin", std::string(4 * size_t(kuvo::kOggReadBytes), 'x'));
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    KuvoMusicSource source{f, 100, LLONG_MAX, false};

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

    // A read asked for more than its share takes its share, and is not the end.
    std::vector<char> into(4 * size_t(kuvo::kOggReadBytes));
    EXPECT_EQ(KuvoMusicSeek(&source, 0, SEEK_SET), 0);
    EXPECT_EQ(KuvoMusicRead(into.data(), 1, into.size(), &source), size_t(kuvo::kOggReadBytes));
    EXPECT_EQ(KuvoMusicRead(into.data(), 2, into.size() / 2, &source), size_t(kuvo::kOggReadBytes) / 2);
    EXPECT_EQ(KuvoMusicTell(&source), 2 * kuvo::kOggReadBytes);
    EXPECT_FALSE(source.spent);

    // The budget runs out: nothing goes through any more, and nothing reaches the file.
    source.cpuLimitNs = KuvoThreadCpuNs();
    errno = 0;
    EXPECT_EQ(KuvoMusicRead(into.data(), 1, 16, &source), 0u);
    EXPECT_NE(errno, 0);  // the decoder takes a read of nothing with errno set as an error
    EXPECT_TRUE(source.spent);
    EXPECT_EQ(KuvoMusicSeek(&source, 0, SEEK_SET), -1);
    EXPECT_EQ(KuvoMusicTell(&source), -1);
    // Once spent, a step stays spent, however its clock is set.
    source.cpuLimitNs = LLONG_MAX;
    EXPECT_EQ(KuvoMusicTell(&source), -1);
    EXPECT_EQ(std::ftell(f), 2 * kuvo::kOggReadBytes);
    std::fclose(f);
}

}  // namespace
