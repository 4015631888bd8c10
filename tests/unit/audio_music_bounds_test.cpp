// The Ogg decoder's work is bounded by what it is handed, never by a clock:
// the damaged files that once crashed or froze the game are refused or end
// at once, from a folder in memory (tmpfs, where a seek far past the end
// succeeds) as from one on disk; setup headers past the backend's limits are
// refused before libvorbis unpacks them, alone, after a cheap link and
// between stream switches; the file is handed over in checked pages within
// each step's allowance; and valid files of every shape the library plays
// (a 16 MB cover, a thousand links, a later link with a 4 MB comment, a
// one-sample piece, another encoder's files) play two passes value for value
// as plain libvorbisfile decodes them, and loop. Nothing here is timed but
// for a deadline that catches a hang: a step that never returned would hang
// the test run, so the pieces play on a thread of their own.

#include <AL/al.h>
#include <gtest/gtest.h>
#include <linux/magic.h>
#include <sys/vfs.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "audio_fixture.h"
#include "audio_test_crafted_ogg.h"
#include "audio_test_ogg.h"
#include "music_source.h"

using namespace audiotest;

namespace {

constexpr int kRefills = 64;  // refill steps per damaged piece, well past any fixture's end
constexpr auto kDeadline = std::chrono::seconds(300);

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

int ILog2(long long v) {
    int bits = 0;
    while (v > 1) {
        v >>= 1;
        ++bits;
    }
    return bits;
}

ALint BufferIntOf(ALuint buffer, ALenum what) {
    ALint v = -1;
    alGetBufferi(buffer, what, &v);
    return v;
}

int ErrorLines(const std::string& log) {
    int n = 0;
    for (size_t at = log.find("> Error"); at != std::string::npos; at = log.find("> Error", at + 1)) ++n;
    return n;
}

// Every value plain libvorbisfile decodes from a file, as the game asks for
// them (16-bit, host order); empty when it cannot open it.
std::vector<int16_t> PlainDecode(const std::string& path) {
    std::vector<int16_t> out;
    OggVorbis_File vf;
    if (ov_fopen(path.c_str(), &vf) != 0) return out;
    // The library's open leaves a chained file at its last link's serial
    // number and would pass over a first link of one page; from the first
    // byte it starts where the game does.
    if (ov_streams(&vf) > 1) ov_raw_seek(&vf, 0);
    std::vector<char> buf(size_t(2 * kuvo::kOggBlockValues));
    int link = 0;
    const int bigEndian = __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__ ? 1 : 0;
    for (;;) {
        const long n = ov_read(&vf, buf.data(), int(buf.size()), bigEndian, 2, 1, &link);
        if (n == OV_HOLE) continue;
        if (n <= 0) break;
        const int16_t* v = reinterpret_cast<const int16_t*>(buf.data());
        out.insert(out.end(), v, v + n / 2);
    }
    ov_clear(&vf);
    return out;
}

struct PieceRun {
    int mode = -1;       // after the last step
    int steps = 0;       // refill steps taken until the piece ended (or all of them)
    int lastSound = 0;   // the last step that queued a value
    long passes = 0;     // returns to the start
    std::vector<int16_t> values;  // every value queued, in order
    std::vector<size_t> passEnds;  // values queued when each pass ended
    std::string log;
};

// Starts a piece with repeat and runs up to `refills` refill steps, each on a
// stopped source so that it decodes its next block at once, until the piece
// has gone round `passes` times or ended.
PieceRun RunPiece(const std::string& path, int refills, long passes = LONG_MAX) {
    PieceRun run;
    const ALuint src = ALsource[kuvo::kMusicSource];
    ::testing::internal::CaptureStdout();
    auto take = [&] {
        const ALint bytes = ASys.MusicMode == 2 || run.steps == 0 ? BufferIntOf(MusicBuffer[0], AL_SIZE) : 0;
        if (bytes > 0) {
            run.values.insert(run.values.end(), MusicStreamBlock, MusicStreamBlock + bytes / 2);
            run.lastSound = run.steps;
        }
        if (KuvoOggPasses() > run.passes) {
            run.passes = KuvoOggPasses();
            run.passEnds.push_back(run.values.size());
        }
    };
    ASys.PlayMusic_Ogg_Sys(path.c_str(), 1);
    if (ASys.MusicMode == 2) take();
    while (ASys.MusicMode == 2 && run.steps < refills && run.passes < passes) {
        alSourceStop(src);
        ASys.HandleMusicSys();
        ++run.steps;
        take();
    }
    run.mode = ASys.MusicMode;
    run.log = ::testing::internal::GetCapturedStdout();
    ASys.StopMusicSys();
    return run;
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

// Every file that once broke the game: each is refused at its start or ends
// within a few steps, with one log line, and never crashes.
TEST_F(AudioMusicBounds, DamagedOggFilesAreRefusedOrEndAtOnceOnDiskAndInMemory) {
    struct Damaged {
        const char* name;
        const char* line;
    };
    const Damaged damaged[] = {
        {"abort-invalid-free.ogg", "Error Opening Ogg"},
        {"segfault.ogg", "Error Opening Ogg"},
        {"bad-free-asan.ogg", "Error Opening Ogg"},
        {"leak-on-failed-open.ogg", "Error Opening Ogg"},
        {"leak-in-chained-open.ogg", "Error Opening Ogg"},  // its second link's setup is damaged
        {"hang-on-loop.ogg", "Error Opening Ogg"},      // its stream begins again with damaged headers
        {"stream-switch.ogg", "Error Reading Ogg"},     // its first page of sound, then decoder resets
        // Damage that looks like the start of a long page, which the decoder
        // reads ahead to complete, over a run of resets.
        {"false-page-reads-ahead.ogg", "Error Reading Ogg"},
        {"crash-big-codebook.ogg", "Error Opening Ogg"},             // a book of 2^20 entries
        {"costly-setup-books.ogg", "Error Opening Ogg"},             // 48 books of 2^19 entries
        {"costly-setup-after-cheap-link.ogg", "Error Opening Ogg"},  // its second link: a 38^4-row residue
    };
    const std::string memory = MemoryFolder();
    ASSERT_FALSE(memory.empty()) << "no folder in /dev/shm";
    ASSERT_TRUE(OnTmpfs(memory)) << memory << " is not tmpfs";

    for (const std::string& folder : {memory, dir_}) {
        SCOPED_TRACE(folder);
        for (const Damaged& d : damaged)
            std::filesystem::copy_file(std::string(ZINDLE_FIXTURES "/damaged-ogg/") + d.name, folder + "/" + d.name);
        std::vector<PieceRun> runs;
        WithDeadline("a damaged Ogg piece's open or refill", [&] {
            // libvorbisfile itself leaks what it had read of a chained
            // file's earlier links when a later one fails in its open; these
            // files never get that far (under the sanitizers, a leak fails
            // the test).
            for (const Damaged& d : damaged) runs.push_back(RunPiece(folder + "/" + d.name, kRefills));
        });
        for (size_t i = 0; i < runs.size(); ++i) {
            SCOPED_TRACE(damaged[i].name);
            EXPECT_EQ(runs[i].mode, 0);
            EXPECT_TRUE(HasLine(runs[i].log, damaged[i].line)) << runs[i].log;
            EXPECT_EQ(ErrorLines(runs[i].log), 1) << runs[i].log;
            EXPECT_LE(runs[i].steps - runs[i].lastSound, kuvo::kOggLinksWithoutSound + 1);
        }
    }
    // What the game plays of the piece that resets its decoder is what the
    // library itself gives of it: the sound before the resets, once.
    const PieceRun switched = RunPiece(dir_ + "/stream-switch.ogg", kRefills);
    EXPECT_EQ(switched.values, PlainDecode(dir_ + "/stream-switch.ogg"));
}

// The same file made bigger: the piece's first audio page, then tens of
// thousands of pairs of pages that each make the decoder set itself up again
// without a sample (the library alone takes most of a second on one block of
// it), then its last page. The piece ends after a few resets, with what came
// before them queued.
TEST_F(AudioMusicBounds, PagesThatResetTheDecoderEndThePieceAfterAFewResets) {
    const std::vector<std::string> fixture = OggPages(ZINDLE_FIXTURES "/damaged-ogg/stream-switch.ogg");
    ASSERT_GT(fixture.size(), 4u);
    const std::vector<std::string> piece = {fixture[0], fixture[1], fixture[2], fixture.back()};
    const std::string path = dir_ + "/switch.ogg";
    ASSERT_TRUE(WriteStreamSwitchOgg(path, piece, 40000));  // 54 bytes a pair: about 2 MB
    PieceRun run;
    WithDeadline("a piece of stream switches", [&] { run = RunPiece(path, kRefills); });
    EXPECT_EQ(run.mode, 0);
    EXPECT_TRUE(HasLine(run.log, "Error Reading Ogg")) << run.log;
    EXPECT_EQ(run.values.size(), size_t(2 * OggGranule(fixture[2])));  // the stereo samples before the pairs, once
    EXPECT_LE(run.steps - run.lastSound, kuvo::kOggLinksWithoutSound + 1);
}

// A piece with two megabytes of nothing in its middle: the blocks that meet
// them skip them an allowance at a time, so the piece plays on after them,
// every value of it, and comes round again.
TEST_F(AudioMusicBounds, AGapIsSkippedAnAllowanceAtATimeAndThePiecePlaysOn) {
    const std::string tone = dir_ + "/tone.ogg";
    ASSERT_TRUE(WriteOgg(tone, 2, 44100, Sine(8 * 44100, 2, 8 * 440, 8000)));
    std::string bytes;
    for (const std::string& page : OggPages(tone)) bytes += page;
    const size_t damageAt = bytes.size() * 3 / 4;
    const std::string path =
        Write("gap.ogg", bytes.substr(0, damageAt) + std::string(size_t(2) << 20, '\0') + bytes.substr(damageAt));
    const std::vector<int16_t> plain = PlainDecode(path);
    ASSERT_FALSE(plain.empty());
    const PieceRun run = RunPiece(path, 1000, 2);
    EXPECT_EQ(ErrorLines(run.log), 0) << run.log;
    ASSERT_EQ(run.passEnds.size(), 2u);
    EXPECT_EQ(run.passEnds[0], plain.size());
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), run.values.begin()));
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), run.values.begin() + long(plain.size())));
}

// Setup headers the format and libvorbis accept, written bit by bit: big
// codebooks and big residue classification maps, each at the backend's
// limits (played as silence) and past them (refused at the start, before
// libvorbis unpacks them: the piece playing before goes on). Each is tried
// alone, as the second link after a cheap one, and under two thousand stream
// switches, which make the decoder reset itself at every other page.
TEST_F(AudioMusicBounds, SetupHeadersPastTheLimitsAreRefusedBeforeTheDecoderSeesThem) {
    const int usedBits = ILog2(kuvo::kOggLinkUsedEntries);
    // Classification maps of 64^2 rows each; as many residues as the limit takes.
    const int mapsAtLimit = int(kuvo::kOggLinkResidueRows / (64 * 64));
    struct Case {
        const char* name;
        CraftedVorbis stream;
        bool refused;
    };
    std::vector<Case> cases;
    auto add = [&](const char* name, std::vector<CraftedBook> books, std::vector<CraftedVorbis::Residue> residues,
                   bool refused) {
        CraftedVorbis v;
        v.books = std::move(books);
        v.residues = std::move(residues);
        cases.push_back({name, v, refused});
    };
    add("one book of as many used entries as the limit", {{1, usedBits, true}}, {{0, 1}}, false);
    add("one book of twice as many", {{1, usedBits + 1, true}}, {{0, 1}}, true);
    add("one book of 2^20 entries", {{1, 20, false}}, {{0, 1}}, true);
    add("48 books of 2^19 entries", std::vector<CraftedBook>(48, {1, 19, false}), {{0, 1}}, true);
    add("residue maps of as many rows as the limit", {{2, 12, false}},
        std::vector<CraftedVorbis::Residue>(size_t(mapsAtLimit), {0, 64}), false);
    add("one residue map more", {{2, 12, false}}, std::vector<CraftedVorbis::Residue>(size_t(mapsAtLimit) + 1, {0, 64}),
        true);
    add("a residue map of 16^4 rows", {{4, 16, false, true}}, {{0, 16}}, true);
    add("a residue map of 38^4 rows", {{4, 21, false}}, {{0, 38}}, true);
    {
        CraftedVorbis v;
        v.channels = 3;
        cases.push_back({"three channels", v, true});
        CraftedVorbis flagged = cases[1].stream;
        flagged.headersFlaggedFirst = true;
        cases.push_back({"twice the used entries, on a page flagged as a stream's first", flagged, true});
        flagged = cases[0].stream;
        flagged.headersFlaggedFirst = true;
        cases.push_back({"the limit's used entries, on a page flagged as a stream's first", flagged, false});
    }

    const std::string cheap = dir_ + "/cheap.ogg";
    ASSERT_TRUE(WriteOgg(cheap, 2, 44100, Sine(44100 / 2, 2, 220, 8000)));
    const std::vector<std::string> cheapPages = OggPages(cheap);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string alone = Write("alone.ogg", CraftedOgg(c.stream));
        std::vector<std::string> chained = cheapPages;
        for (const std::string& page : OggPages(alone)) chained.push_back(page);
        const std::string second = dir_ + "/second.ogg";
        ASSERT_TRUE(WritePages(second, chained));
        const std::string switched = dir_ + "/switched.ogg";
        const std::vector<std::string> own = OggPages(alone);
        ASSERT_TRUE(WriteStreamSwitchOgg(switched, own, 2000));

        PieceRun runs[3];
        WithDeadline("a crafted piece", [&] {
            runs[0] = RunPiece(alone, 1000, 2);
            runs[1] = RunPiece(second, 1000, 2);
            runs[2] = RunPiece(switched, 1000, 2);
        });
        for (int k = 0; k < 3; ++k) {
            SCOPED_TRACE(k == 0 ? "alone" : k == 1 ? "after a cheap link" : "under stream switches");
            if (c.refused) {
                EXPECT_TRUE(HasLine(runs[k].log, "Error Opening Ogg")) << runs[k].log;
                EXPECT_EQ(ErrorLines(runs[k].log), 1) << runs[k].log;
                EXPECT_EQ(runs[k].mode, 0);
            } else if (k < 2) {
                EXPECT_EQ(ErrorLines(runs[k].log), 0) << runs[k].log;
                EXPECT_EQ(runs[k].passes, 2);
                EXPECT_EQ(runs[k].values.size(), 2 * PlainDecode(k == 0 ? alone : second).size());
            } else {
                // A few resets at the limits' cost, then the end.
                EXPECT_TRUE(HasLine(runs[k].log, "Error Reading Ogg")) << runs[k].log;
                EXPECT_EQ(ErrorLines(runs[k].log), 1) << runs[k].log;
                EXPECT_LE(runs[k].steps - runs[k].lastSound, kuvo::kOggLinksWithoutSound + 1);
            }
        }
    }

    // A refused piece leaves the one playing before it as it was.
    const std::string good = dir_ + "/good.ogg";
    ASSERT_TRUE(WriteOgg(good, 2, 44100, Sine(44100, 2, 440, 8000)));
    ASys.PlayMusic_Ogg_Sys(good.c_str(), 1);
    ASSERT_EQ(ASys.MusicMode, 2);
    const void* decoder = OggFile;
    const std::string refused = Write("refused.ogg", CraftedOgg(cases[1].stream));
    const std::string log = Logged([&] { ASys.PlayMusic_Ogg_Sys(refused.c_str(), 1); });
    EXPECT_TRUE(HasLine(log, "Error Opening Ogg")) << log;
    EXPECT_EQ(ASys.MusicMode, 2);
    EXPECT_EQ(OggFile, decoder);
    ASys.StopMusicSys();
}

// The open unpacks and keeps every link's headers: a chain of more links
// than the limit, or whose headers and comments would keep more memory than
// it, is refused at its start; one at the limits plays.
TEST_F(AudioMusicBounds, ChainsPastTheLinkOrMemoryLimitsAreRefusedAtTheStart) {
    CraftedVorbis tiny;
    tiny.audioPackets = 4;
    const std::string link = Write("tiny.ogg", CraftedOgg(tiny));
    const std::string tone = dir_ + "/tone.ogg";
    ASSERT_TRUE(WriteOgg(tone, 2, 44100, Sine(4410, 2, 44, 8000)));
    const std::string covered = dir_ + "/covered.ogg";
    ASSERT_TRUE(WriteOggWithComment(tone, covered, "METADATA_BLOCK_PICTURE", std::string(size_t(1) << 20, 'Q')));
    struct Chain {
        const char* name;
        std::string link;
        int links;
        bool refused;
    };
    const long long perCover = (1LL << 20) + 64;  // the comment a link keeps, about
    const int coversAtLimit = int(kuvo::kOggFileHeaderBytes / (perCover + 64 * 1024));
    const Chain chains[] = {
        {"as many links as the limit", link, kuvo::kOggMaxLinks, false},
        {"one link more", link, kuvo::kOggMaxLinks + 1, true},
        {"1 MB covers within the memory limit", covered, coversAtLimit, false},
        {"1 MB covers past it", covered, int(kuvo::kOggFileHeaderBytes / perCover) + 1, true},
    };
    for (const Chain& c : chains) {
        SCOPED_TRACE(c.name);
        const std::string path = dir_ + "/chain.ogg";
        ASSERT_TRUE(WriteChainedOgg(path, std::vector<std::string>(size_t(c.links), c.link)));
        PieceRun run;
        WithDeadline("a long chain", [&] { run = RunPiece(path, 4 * c.links, 1); });
        if (c.refused) {
            EXPECT_TRUE(HasLine(run.log, "Error Opening Ogg")) << run.log;
            EXPECT_EQ(run.mode, 0);
        } else {
            EXPECT_EQ(ErrorLines(run.log), 0) << run.log;
            EXPECT_EQ(run.passes, 1);
        }
    }
}

// A chained file is checked whole before its links are searched out; the
// check passes over the sound, and where damage breaks the run of pages it
// goes on byte by byte, so a link past the limits behind damage is refused
// as well (at the start, before libvorbisfile's search would lose the links
// it had read: the sanitizer builds see that), and a good one behind it
// plays.
TEST_F(AudioMusicBounds, AChainsLaterLinksAreCheckedBehindDamageToo) {
    const std::string cheap = dir_ + "/cheap.ogg";
    ASSERT_TRUE(WriteOgg(cheap, 2, 44100, Sine(44100 / 4, 2, 110, 8000)));
    CraftedVorbis past;
    past.books = {{1, ILog2(kuvo::kOggLinkUsedEntries) + 1, true}};
    const std::string pastFile = Write("past.ogg", CraftedOgg(past));
    std::string junk = std::string(3000, 'j') + "OggS" + std::string(500, '\0');  // a false start among it
    for (const bool refused : {true, false}) {
        SCOPED_TRACE(refused ? "a link past the limits" : "a good link");
        const std::string two = dir_ + "/two.ogg";
        ASSERT_TRUE(WriteChainedOgg(two, {cheap, cheap}));
        std::vector<std::string> pages = OggPages(two);
        pages.push_back(junk);
        for (const std::string& page : OggPages(refused ? pastFile : cheap)) {
            std::string moved = page;
            PutOggField(moved, 14, 8000, 4);  // a serial number of its own
            SetOggChecksum(moved);
            pages.push_back(moved);
        }
        const std::string path = dir_ + "/damaged-chain.ogg";
        ASSERT_TRUE(WritePages(path, pages));
        const PieceRun run = RunPiece(path, 1000, 1);
        if (refused) {
            EXPECT_TRUE(HasLine(run.log, "Error Opening Ogg")) << run.log;
        } else {
            EXPECT_EQ(ErrorLines(run.log), 0) << run.log;
            EXPECT_EQ(run.passes, 1);
            EXPECT_EQ(run.values.size(), PlainDecode(path).size());
        }
    }
}

// The header readers follow libvorbis bit for bit: on a real encoder's
// identification, comment and setup headers, cut short at every length and
// with single bits flipped, each accepts exactly what libvorbis accepts (the
// setup reader as long as the figures stay within the limits; past them it
// stops reading).
TEST_F(AudioMusicBounds, TheHeaderReadersAcceptWhatLibvorbisAccepts) {
    const std::string path = dir_ + "/real.ogg";
    ASSERT_TRUE(WriteOgg(path, 2, 44100, Sine(4410, 2, 10, 8000), "ARTIST", "Zindle"));
    const std::vector<std::string> headers = VorbisHeaders(path);
    ASSERT_EQ(headers.size(), 3u);
    // libvorbis's verdict on the headers with the one at `which` replaced.
    auto libvorbisAccepts = [&](size_t which, const std::string& replaced) {
        vorbis_info vi;
        vorbis_comment vc;
        vorbis_info_init(&vi);
        vorbis_comment_init(&vc);
        bool ok = true;
        for (size_t i = 0; i <= which && ok; ++i) {
            const std::string& bytes = i == which ? replaced : headers[i];
            ogg_packet p{};
            p.packet = reinterpret_cast<unsigned char*>(const_cast<char*>(bytes.data()));
            p.bytes = long(bytes.size());
            p.b_o_s = i == 0;
            ok = vorbis_synthesis_headerin(&vi, &vc, &p) == 0;
        }
        vorbis_comment_clear(&vc);
        vorbis_info_clear(&vi);
        return ok;
    };
    auto agrees = [&](size_t which, const std::string& h) {
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(h.data());
        bool ours = false;
        if (which == 0) {
            KuvoVorbisId id;
            ours = KuvoReadVorbisId(bytes, long(h.size()), &id);
        } else if (which == 1) {
            ours = KuvoReadVorbisComment(bytes, long(h.size()));
        } else {
            KuvoVorbisFigures f;
            ours = KuvoReadVorbisSetup(bytes, long(h.size()), 2, &f);
            if (KuvoVorbisPastLimits(f)) return true;
        }
        return ours == libvorbisAccepts(which, h);
    };
    std::mt19937 random(559);
    for (size_t which = 0; which < 3; ++which) {
        SCOPED_TRACE(which == 0 ? "identification" : which == 1 ? "comment" : "setup");
        const std::string& header = headers[which];
        ASSERT_TRUE(libvorbisAccepts(which, header));
        ASSERT_TRUE(agrees(which, header));
        int disagreements = 0;
        for (size_t n = 0; n < header.size(); ++n)
            if (!agrees(which, header.substr(0, n))) ++disagreements;
        EXPECT_EQ(disagreements, 0) << "on headers cut short";
        int accepted = 0;
        for (int i = 0; i < 4000; ++i) {
            std::string flipped = header;
            const size_t bit = random() % ((header.size() - 7) * 8) + 7 * 8;
            flipped[bit / 8] = char(flipped[bit / 8] ^ (1 << (bit % 8)));
            if (!agrees(which, flipped)) ++disagreements;
            accepted += libvorbisAccepts(which, flipped);
        }
        EXPECT_EQ(disagreements, 0) << "on headers with a flipped bit";
        EXPECT_GT(accepted, 100);  // many flips leave a header libvorbis still takes
    }
}

// The file as the decoder is handed it: whole pages (or a run of bytes
// holding none) once they are examined, never more in a block step than its
// allowance, the rest held for the next step, nothing lost; and a seek
// outside the file fails and leaves the position alone.
TEST_F(AudioMusicBounds, TheFileIsHandedOverInCheckedPagesWithinEachStepsAllowance) {
    // Pages of another stream than Vorbis, of 65,025 bytes of body each, and
    // junk between two of them.
    std::vector<std::string> units;
    for (uint32_t k = 0; k < 20; ++k) {
        std::string page = EmptyOggPage(90, k, int64_t(k), false);
        page[26] = char(255);
        page.insert(27, std::string(255, char(255)));
        page += std::string(255 * 255, char('a' + k % 26));
        SetOggChecksum(page);
        units.push_back(page);
        if (k == 3) units.push_back(std::string(1000, 'x'));
    }
    std::string file;
    for (const std::string& u : units) file += u;
    const std::string path = Write("pages.ogg", file);
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    KuvoMusicSource* source = new KuvoMusicSource();
    KuvoMusicSourceInit(source, f, long(file.size()));

    std::string handed;
    std::vector<size_t> reads;
    std::vector<char> into(1 << 20);
    std::vector<size_t> perStep;  // bytes each step was handed
    std::vector<size_t> firstOfStep;  // the size of each step's first read
    while (handed.size() < file.size() && perStep.size() < 100) {
        KuvoMusicBeginStep(source, KuvoMusicStep::Block);
        size_t inStep = 0;
        for (;;) {
            errno = 0;
            const size_t n = KuvoMusicRead(into.data(), 1, into.size(), source);
            if (n == 0) {
                EXPECT_TRUE(handed.size() == file.size() ? errno == 0 : errno != 0);
                break;
            }
            if (inStep == 0) firstOfStep.push_back(n);
            reads.push_back(n);
            handed.append(into.data(), n);
            inStep += n;
        }
        perStep.push_back(inStep);
        EXPECT_EQ(KuvoMusicTell(source), long(handed.size()));
    }
    EXPECT_EQ(handed, file);
    // Every page in one read; the junk as it came in from the file.
    size_t read = 0;
    for (const std::string& u : units) {
        if (u.compare(0, 4, "OggS") == 0) {
            ASSERT_LT(read, reads.size());
            EXPECT_EQ(reads[read++], u.size());
            continue;
        }
        size_t junk = 0;
        while (junk < u.size() && read < reads.size()) junk += reads[read++];
        EXPECT_EQ(junk, u.size());
    }
    EXPECT_EQ(read, reads.size());
    // Each step took what its allowance held, and no more: the next step's
    // first page would not have fitted.
    ASSERT_GT(perStep.size(), 2u);
    for (size_t i = 0; i < perStep.size(); ++i) {
        EXPECT_LE(perStep[i], size_t(kuvo::kOggStepBytes));
        if (i + 1 < perStep.size()) {
            EXPECT_GT(perStep[i] + firstOfStep[i + 1], size_t(kuvo::kOggStepBytes));
        }
    }

    // A read of less than a page takes what it asks for, the rest of the page next.
    KuvoMusicSeek(source, 0, SEEK_SET);
    KuvoMusicBeginStep(source, KuvoMusicStep::Block);
    EXPECT_EQ(KuvoMusicRead(into.data(), 1, 100, source), 100u);
    EXPECT_EQ(KuvoMusicRead(into.data(), 1, into.size(), source), units[0].size() - 100);

    // A seek cannot be resumed: past its allowance it is refused, not held,
    // and from then on every call fails.
    KuvoMusicSeek(source, 0, SEEK_SET);
    KuvoMusicBeginStep(source, KuvoMusicStep::Seek);
    size_t inSeek = 0;
    for (size_t n; (n = KuvoMusicRead(into.data(), 1, into.size(), source)) > 0;) inSeek += n;
    EXPECT_LE(inSeek, size_t(kuvo::kOggStepBytes));
    EXPECT_TRUE(source->refused);
    EXPECT_EQ(KuvoMusicTell(source), -1);
    KuvoMusicSourceClear(source);
    KuvoMusicSourceInit(source, f, long(file.size()));

    struct Seek {
        int64_t offset;
        int whence;
        long landsAt;  // -1: refused
    };
    const long end = long(file.size());
    const Seek seeks[] = {
        {0, SEEK_SET, 0},          {end, SEEK_SET, end},      {end + 1, SEEK_SET, -1},  {-1, SEEK_SET, -1},
        {0, SEEK_END, end},        {-end, SEEK_END, 0},       {1, SEEK_END, -1},        {-end - 1, SEEK_END, -1},
        {INT64_MAX, SEEK_SET, -1}, {INT64_MIN, SEEK_END, -1}, {INT64_MAX, SEEK_END, -1}, {int64_t(3) << 61, SEEK_SET, -1},
        {0, 7, -1},                {60, SEEK_CUR, 100},       {-40, SEEK_CUR, 0},        {-41, SEEK_CUR, -1},
        {end - 39, SEEK_CUR, -1},
    };
    for (const Seek& s : seeks) {
        SCOPED_TRACE(::testing::Message() << "offset " << s.offset << " whence " << s.whence);
        ASSERT_EQ(KuvoMusicSeek(source, 40, SEEK_SET), 0);
        EXPECT_EQ(KuvoMusicSeek(source, s.offset, s.whence), s.landsAt < 0 ? -1 : 0);
        EXPECT_EQ(KuvoMusicTell(source), s.landsAt < 0 ? 40 : s.landsAt);
    }
    KuvoMusicSourceClear(source);
    delete source;
    std::fclose(f);
}

// Streams beginning, each of which resets the decoder: a block step is handed
// one; a run of them with no sound between ends the file, and from then on
// every call fails. The sound the decoder reports in between starts the
// count again.
TEST_F(AudioMusicBounds, DecoderResetsAreHandedOneABlockAndARunOfThemEndsTheFile) {
    std::string file;
    for (uint32_t k = 0; k < 40; ++k) file += EmptyOggPage(100 + k, 0, 0, true);
    const std::string path = Write("resets.ogg", file);
    const long page = long(EmptyOggPage(1, 0, 0, true).size());
    for (const bool heard : {false, true}) {
        SCOPED_TRACE(heard ? "with sound between" : "with no sound between");
        FILE* f = std::fopen(path.c_str(), "rb");
        ASSERT_NE(f, nullptr);
        KuvoMusicSource* source = new KuvoMusicSource();
        KuvoMusicSourceInit(source, f, long(file.size()));
        std::vector<char> into(4096);
        int handed = 0;
        for (int step = 0; step < 40; ++step) {
            KuvoMusicBeginStep(source, KuvoMusicStep::Block);
            if (heard) KuvoMusicHeard(source);
            int inStep = 0;
            while (KuvoMusicRead(into.data(), 1, into.size(), source) == size_t(page)) ++inStep;
            EXPECT_LE(inStep, kuvo::kOggStepLinks);
            handed += inStep;
            if (source->refused) break;
        }
        EXPECT_EQ(source->refused, !heard);
        EXPECT_EQ(handed, heard ? 40 : kuvo::kOggLinksWithoutSound);
        if (!heard) {
            EXPECT_EQ(KuvoMusicSeek(source, 0, SEEK_SET), -1);
            EXPECT_EQ(KuvoMusicTell(source), -1);
            KuvoMusicBeginStep(source, KuvoMusicStep::Block);
            errno = 0;
            EXPECT_EQ(KuvoMusicRead(into.data(), 1, into.size(), source), 0u);
            EXPECT_NE(errno, 0);  // an error, not the end of the file
        }
        KuvoMusicSourceClear(source);
        delete source;
        std::fclose(f);
    }
}

// Valid files of shapes whose open or loop asks much more of the decoder
// than the game's own music: a 16 MB cover image, a thousand links, a later
// link with a 4 MB comment, 192 kHz, a single sample, a 14-song album of
// mixed quality, files from ffmpeg's own encoder, square waves that decode
// past full scale. Each plays two whole passes, exactly the values plain
// libvorbisfile decodes, each time.
TEST_F(AudioMusicBounds, ValidPiecesOfEveryShapePlayInFullAndLoop) {
    constexpr int kRate = 44100;
    const std::string second = dir_ + "/second.ogg";
    const std::string blip = dir_ + "/blip.ogg";
    const std::string covered = dir_ + "/covered.ogg";
    const std::string commented = dir_ + "/commented.ogg";
    ASSERT_TRUE(WriteOgg(second, 2, kRate, Sine(kRate, 2, 441, 8000)));
    ASSERT_TRUE(WriteOgg(blip, 2, kRate, Sine(kRate / 40, 2, 11, 8000)));
    // The comment field a cover image takes, base64 text.
    const std::string plainTone = dir_ + "/plain.ogg";
    ASSERT_TRUE(WriteOgg(plainTone, 2, kRate, Sine(kRate, 2, 330, 8000)));
    ASSERT_TRUE(WriteOggWithComment(second, covered, "METADATA_BLOCK_PICTURE", std::string(size_t(16) << 20, 'Q')));
    ASSERT_TRUE(WriteOggWithComment(plainTone, commented, "METADATA_BLOCK_PICTURE", std::string(size_t(4) << 20, 'Q')));
    const std::string fine = dir_ + "/fine.ogg", mono = dir_ + "/mono.ogg", one = dir_ + "/one.ogg";
    ASSERT_TRUE(WriteOgg(fine, 2, 192000, Sine(192000, 2, 480, 8000)));
    ASSERT_TRUE(WriteOgg(mono, 1, 8000, Sine(3 * 8000, 1, 3 * 200, 8000)));
    ASSERT_TRUE(WriteOgg(one, 2, kRate, Sine(1, 2, 0.25, 8000)));
    // Full scale square waves decode past full scale, into the values the
    // decoder holds at the ends of 16 bits.
    const std::string loud = dir_ + "/loud.ogg";
    std::vector<int16_t> square = Sine(kRate, 2, 441, 32767);
    for (int16_t& v : square) v = v >= 0 ? 32767 : -32768;
    ASSERT_TRUE(WriteOgg(loud, 2, kRate, square));
    const std::string loudMono = dir_ + "/loud-mono.ogg";
    std::vector<int16_t> monoSquare = Sine(kRate / 2, 1, 110, 32767);
    for (int16_t& v : monoSquare) v = v >= 0 ? 32767 : -32768;
    ASSERT_TRUE(WriteOgg(loudMono, 1, kRate, monoSquare));
    std::vector<std::string> album;
    for (int song = 0; song < 14; ++song) {
        album.push_back(dir_ + "/song" + std::to_string(song) + ".ogg");
        const std::vector<int16_t> s = Sine(kRate / 2 + 977 * song, 2, 200 + 37 * song, 8000);
        ASSERT_TRUE(WriteOggAt(album.back(), 2, kRate, s, -0.1f + 0.08f * float(song)));
    }
    // A chain of two links, each beginning with a second stream beside its
    // Vorbis one (an empty stream of another kind, as a skeleton would be).
    const std::string beside = dir_ + "/beside.ogg";
    {
        std::vector<std::string> pages;
        for (uint32_t k = 0; k < 2; ++k) {
            std::vector<std::string> link = OggPages(second);
            for (std::string& page : link) {
                PutOggField(page, 14, 559 + k, 4);
                SetOggChecksum(page);
            }
            link.insert(link.begin() + 1, EmptyOggPage(9000 + k, 0, 0, true));
            pages.insert(pages.end(), link.begin(), link.end());
        }
        ASSERT_TRUE(WritePages(beside, pages));
    }
    struct Shape {
        const char* name;
        std::vector<std::string> links;  // one file: that file; more: a chain of them
    };
    const std::vector<Shape> shapes = {
        {"a 16 MB cover", {covered}},
        {"a chain of 1,000 links", std::vector<std::string>(1000, blip)},
        {"a later link with a 4 MB comment", {second, commented, second}},
        {"links with a second stream beside their Vorbis one", {beside}},
        {"192 kHz", {fine}},
        {"8 kHz mono", {mono}},
        {"a single sample", {one}},
        {"a square wave at full scale", {loud}},
        {"a mono square wave at full scale", {loudMono}},
        {"a 14-song album of mixed quality", album},
        {"ffmpeg's own encoder, 44.1 kHz", {ZINDLE_FIXTURES "/valid-ogg/ffmpeg-vorbis.ogg"}},
        {"ffmpeg's own encoder, 22.05 kHz", {ZINDLE_FIXTURES "/valid-ogg/ffmpeg-vorbis-22k.ogg"}},
    };
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.name);
        std::string path = shape.links.front();
        if (shape.links.size() > 1) {
            path = dir_ + "/chain.ogg";
            ASSERT_TRUE(WriteChainedOgg(path, shape.links));
        }
        const std::vector<int16_t> plain = PlainDecode(path);
        ASSERT_FALSE(plain.empty());
        if (shape.links.front() == loud || shape.links.front() == loudMono) {
            EXPECT_NE(std::count(plain.begin(), plain.end(), int16_t(32767)), 0);
            EXPECT_NE(std::count(plain.begin(), plain.end(), int16_t(-32768)), 0);
        }
        PieceRun run;
        WithDeadline("a valid piece", [&] { run = RunPiece(path, 1 << 20, 2); });
        EXPECT_EQ(ErrorLines(run.log), 0) << run.log;
        ASSERT_EQ(run.passEnds.size(), 2u);
        EXPECT_EQ(run.passEnds[0], plain.size());
        EXPECT_EQ(run.passEnds[1], 2 * plain.size());
        EXPECT_TRUE(std::equal(plain.begin(), plain.end(), run.values.begin()));
        EXPECT_TRUE(std::equal(plain.begin(), plain.end(), run.values.begin() + long(plain.size())));
    }
}

}  // namespace
