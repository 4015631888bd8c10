// The backend's single open file: byte order, short and missing files, lines,
// positions, a written file that replaces the old one only once complete, and
// one left open at the end. Every file lives in the test's own scratch folder.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <future>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "scratch_dir.h"
#include "sys_internal.h"

namespace {

using Bytes = std::vector<unsigned char>;

class BackendFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = testsupport::MakeTempDir("kuvo-files");
        ASSERT_FALSE(dir_.empty());
    }
    void TearDown() override {
        ASys.CloseFile_Sys();
        testsupport::RemoveTree(dir_);
    }
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }
    Bytes Contents(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    void Put(const std::string& name, const std::string& bytes) const {
        std::ofstream out(Path(name), std::ios::binary);
        out << bytes;
    }
    std::string dir_;
};

// What an open printed.
template <typename F>
std::string Printed(F&& call) {
    testing::internal::CaptureStdout();
    call();
    return testing::internal::GetCapturedStdout();
}

TEST_F(BackendFiles, IntegersAreLittleEndianTwosComplementBothWays) {
    const struct {
        int Value;
        Bytes Stored;
    } cases[] = {
        {1, {0x01, 0x00, 0x00, 0x00}},
        {-1, {0xFF, 0xFF, 0xFF, 0xFF}},
        {305419896, {0x78, 0x56, 0x34, 0x12}},
        {0, {0x00, 0x00, 0x00, 0x00}},
        {INT_MAX, {0xFF, 0xFF, 0xFF, 0x7F}},
        {INT_MIN, {0x00, 0x00, 0x00, 0x80}},
        {-37171, {0xCD, 0x6E, 0xFF, 0xFF}},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(1, ASys.WriteFile_Sys(Path("int").c_str()));
        ASys.WriteInt_Sys(c.Value);
        ASys.CloseFile_Sys();
        EXPECT_EQ(c.Stored, Contents("int")) << c.Value;
        ASSERT_EQ(1, ASys.ReadFile_Sys(Path("int").c_str()));
        EXPECT_EQ(c.Value, ASys.ReadInt_Sys());
        EXPECT_EQ(kuvo::kMissingInt, ASys.ReadInt_Sys());  // nothing more
        ASys.CloseFile_Sys();
    }
}

TEST_F(BackendFiles, ShortFilesGiveTheSentinelAndEndOfFile) {
    Put("short", std::string("\x2A\x00\x00\x00\x07\x08\x09", 7));
    const struct {
        const char* What;
        int (KUVOSys::*Read)();
        std::vector<int> Expected;
    } cases[] = {
        {"ReadInt", &KUVOSys::ReadInt_Sys, {42, kuvo::kMissingInt, kuvo::kMissingInt}},
        {"ReadIntb", &KUVOSys::ReadIntb_Sys, {42, kuvo::kMissingInt}},
        {"ReadByte", &KUVOSys::ReadByte_Sys, {42, 0, 0, 0, 7, 8, 9, -1, -1}},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(1, ASys.ReadFile_Sys(Path("short").c_str()));
        for (int expected : c.Expected) EXPECT_EQ(expected, (ASys.*c.Read)()) << c.What;
        ASys.CloseFile_Sys();
    }
    Put("high", "\xFF\x80");
    ASSERT_EQ(1, ASys.ReadFile_Sys(Path("high").c_str()));
    EXPECT_EQ(255, ASys.ReadByte_Sys());
    EXPECT_EQ(128, ASys.ReadByte_Sys());
    EXPECT_EQ(-1, ASys.ReadByte_Sys());
}

TEST_F(BackendFiles, FailedOpensReportAndLeaveNoFileOpen) {
    int result = -1;
    EXPECT_EQ("Error Reading File\n", Printed([&] { result = ASys.ReadFile_Sys(Path("missing").c_str()); }));
    EXPECT_EQ(0, result);
    EXPECT_EQ(0, FileOpen);
    EXPECT_EQ("Error Writing File\n", Printed([&] { result = ASys.WriteFile_Sys(Path("no/such/dir").c_str()); }));
    EXPECT_EQ(0, result);
    EXPECT_EQ(0, FileOpen);
    EXPECT_EQ(nullptr, MyOpenFile);
    EXPECT_EQ("Error Reading File\n", Printed([&] { result = ASys.ReadFile_Sys(nullptr); }));
    EXPECT_EQ(0, result);
    // A failed open also ends work on the file that was open.
    ASSERT_EQ(1, ASys.WriteFile_Sys(Path("kept").c_str()));
    ASys.WriteInt_Sys(5);
    Printed([&] { ASys.ReadFile_Sys(Path("missing").c_str()); });
    EXPECT_EQ(Bytes({5, 0, 0, 0}), Contents("kept"));
}

TEST_F(BackendFiles, WithNoFileOpenReadsGiveNeutralValuesAndWritesNothing) {
    ASys.CloseFile_Sys();
    ASys.WriteInt_Sys(1);
    ASys.WriteByte_Sys('x');
    ASys.WriteString_Sys("text");
    EXPECT_EQ(0, ASys.ReadInt_Sys());
    EXPECT_EQ(0, ASys.ReadIntb_Sys());
    EXPECT_EQ(0, ASys.ReadByte_Sys());
    EXPECT_EQ(nullptr, ASys.ReadString_Sys());
    EXPECT_EQ(-1, ASys.FilePos_Sys());
    EXPECT_NE(0, ASys.FileSeek_Sys(0));
    ASys.CloseFile_Sys();  // closing twice is harmless
    EXPECT_EQ(0, FileOpen);
}

TEST_F(BackendFiles, OpeningAnotherFileCompletesTheWrittenOne) {
    ASSERT_EQ(1, ASys.WriteFile_Sys(Path("a").c_str()));
    for (int i = 0; i < 1000; i++) ASys.WriteInt_Sys(i);
    ASSERT_EQ(1, ASys.ReadFile_Sys(Path("a").c_str()));
    EXPECT_EQ(4000u, Contents("a").size());
    for (int i = 0; i < 1000; i++) ASSERT_EQ(i, ASys.ReadInt_Sys());
}

TEST_F(BackendFiles, BytesAndLinesAreWrittenUnchanged) {
    ASSERT_EQ(1, ASys.WriteFile_Sys(Path("lines").c_str()));
    ASys.WriteString_Sys("");
    ASys.WriteString_Sys("abc");
    ASys.WriteByte_Sys('\r');
    ASys.WriteByte_Sys(static_cast<char>(0xE9));
    ASys.WriteByte_Sys('\0');
    ASys.CloseFile_Sys();
    EXPECT_EQ(Bytes({'\n', 'a', 'b', 'c', '\n', '\r', 0xE9, 0}), Contents("lines"));

    // A line longer than the shared buffer is still written whole.
    const std::string lng(3000, 'q');
    ASSERT_EQ(1, ASys.WriteFile_Sys(Path("long").c_str()));
    ASys.WriteString_Sys(lng.c_str());
    ASys.CloseFile_Sys();
    EXPECT_EQ(3001u, Contents("long").size());
}

TEST_F(BackendFiles, ReadStringTakesOffOnlyTheLineFeed) {
    const struct {
        std::string File;
        std::vector<std::string> Lines;
    } cases[] = {
        {"abc\r\ndef", {"abc\r", "def", "", ""}},
        {"one\n\ntwo\n", {"one", "", "two", ""}},
        {"", {""}},
        {"x", {"x", ""}},
        {"end\r", {"end\r", ""}},
        // Longer than the buffer: pieces of 1,023 bytes, none lost.
        {std::string(1500, 'x') + "\n", {std::string(1023, 'x'), std::string(477, 'x'), ""}},
        {std::string(1023, 'y') + "\nz", {std::string(1023, 'y'), "", "z", ""}},
        {std::string(2100, 'w'), {std::string(1023, 'w'), std::string(1023, 'w'), std::string(54, 'w'), ""}},
    };
    for (const auto& c : cases) {
        Put("text", c.File);
        ASSERT_EQ(1, ASys.ReadFile_Sys(Path("text").c_str()));
        for (const std::string& line : c.Lines) {
            const char* got = ASys.ReadString_Sys();
            ASSERT_NE(nullptr, got);
            EXPECT_EQ(line, got);
        }
        ASys.CloseFile_Sys();
    }
}

TEST_F(BackendFiles, PositionAndSeekCountBytesFromTheStart) {
    ASSERT_EQ(1, ASys.WriteFile_Sys(Path("pos").c_str()));
    EXPECT_EQ(0, ASys.FilePos_Sys());
    for (int v : {10, 20, 30}) ASys.WriteInt_Sys(v);
    EXPECT_EQ(12, ASys.FilePos_Sys());
    ASSERT_EQ(1, ASys.ReadFile_Sys(Path("pos").c_str()));
    EXPECT_EQ(0, ASys.FileSeek_Sys(4));
    EXPECT_EQ(4, ASys.FilePos_Sys());
    EXPECT_EQ(20, ASys.ReadInt_Sys());
    EXPECT_EQ(0, ASys.FileSeek_Sys(40));  // past the end: reads then find nothing
    EXPECT_EQ(kuvo::kMissingInt, ASys.ReadInt_Sys());
    EXPECT_EQ(40, ASys.FilePos_Sys());
    EXPECT_EQ(0, ASys.FileSeek_Sys(48));  // from past the end to past it
    EXPECT_EQ(48, ASys.FilePos_Sys());
    EXPECT_EQ(kuvo::kMissingInt, ASys.ReadInt_Sys());
    EXPECT_EQ(-1, ASys.ReadByte_Sys());
    EXPECT_EQ(0, ASys.FileSeek_Sys(8));  // and back into the file
    EXPECT_EQ(30, ASys.ReadInt_Sys());
    EXPECT_EQ(12, ASys.FilePos_Sys());
    EXPECT_EQ(0, ASys.FileSeek_Sys(12));  // where reading stands, at the end
    EXPECT_EQ(kuvo::kMissingInt, ASys.ReadInt_Sys());
    EXPECT_EQ(12, ASys.FilePos_Sys());
    EXPECT_NE(0, ASys.FileSeek_Sys(-4));
    ASys.CloseFile_Sys();

    // A short read moves the position by what it took; a line, zero bytes
    // and all, by its whole length.
    Put("lines", std::string("ab\0c\nxy", 8));
    ASSERT_EQ(1, ASys.ReadFile_Sys(Path("lines").c_str()));
    ASys.ReadString_Sys();
    EXPECT_EQ(5, ASys.FilePos_Sys());
    EXPECT_EQ(kuvo::kMissingInt, ASys.ReadInt_Sys());
    EXPECT_EQ(8, ASys.FilePos_Sys());
    ASys.CloseFile_Sys();
}

// What the system itself answers for the same calls, through a stdio
// stream of its own on the same file: the answers the primitives must give.
struct SystemAnswers {
    FILE* f;
    int ReadInt() {
        uint32_t v = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            const int b = std::fgetc(f);
            if (b == EOF) return kuvo::kMissingInt;
            v |= uint32_t(b) << shift;
        }
        return int32_t(v);
    }
    int ReadByte() {
        const int b = std::fgetc(f);
        return b == EOF ? -1 : b;
    }
    std::string ReadString() {
        char line[kuvo::kSysTextSize];
        if (!std::fgets(line, sizeof line, f)) return "";
        std::string text(line);
        if (!text.empty() && text.back() == '\n') text.pop_back();
        return text;
    }
    int FilePos() {
        const long at = std::ftell(f);
        return at < 0 ? -1 : at > INT_MAX ? INT_MAX : int(at);
    }
    int FileSeek(int offset) { return offset < 0 || std::fseek(f, offset, SEEK_SET) != 0 ? -1 : 0; }
};

// A read file answers every call as the system would, whatever it is: a
// plain file (whose position the primitives count themselves), one that
// another program makes longer while it is read, a character device and a
// named pipe (where only the system's answers hold).
TEST_F(BackendFiles, EveryAnswerIsTheSystemsWhateverTheFileIs) {
    // Each step: a call and its argument, or "grow" (another program adds
    // eight bytes to the file), run on both and compared.
    struct Case {
        const char* what;
        std::string path;
        std::vector<std::pair<std::string, int>> steps;
    };
    const std::vector<std::pair<std::string, int>> plainSteps = {
        {"pos", 0},  {"int", 0},   {"pos", 0},  {"seek", 4},  {"int", 0},  {"seek", 40}, {"int", 0}, {"pos", 0},
        {"seek", 48}, {"pos", 0},  {"int", 0},  {"byte", 0},  {"seek", 8}, {"int", 0},   {"pos", 0}, {"seek", 12},
        {"int", 0},  {"pos", 0},   {"seek", -4}, {"pos", 0},  {"seek", 0}, {"line", 0},  {"pos", 0},
    };
    const std::vector<std::pair<std::string, int>> growSteps = {
        {"int", 0},  {"int", 0},  {"grow", 0}, {"seek", 4},  {"int", 0},  {"pos", 0},  {"int", 0}, {"int", 0},
        {"pos", 0},  {"grow", 0}, {"seek", 16}, {"int", 0}, {"seek", 40}, {"int", 0}, {"grow", 0}, {"seek", 40},
        {"int", 0},  {"pos", 0},  {"grow", 0}, {"seek", 24}, {"line", 0}, {"pos", 0},
    };
    const std::vector<std::pair<std::string, int>> streamSteps = {
        {"int", 0}, {"pos", 0}, {"seek", 0}, {"line", 0}, {"pos", 0}, {"byte", 0}, {"pos", 0},
        {"seek", 1}, {"pos", 0}, {"int", 0}, {"line", 0}, {"pos", 0},
    };
    Put("plain", std::string("\x0a\0\0\0\x14\0\0\0\x1e\0\0\0", 12));
    Put("grown", std::string("\x01\0\0\0", 4));
    const std::string fifoA = Path("fifo-a"), fifoB = Path("fifo-b");
    ASSERT_EQ(0, mkfifo(fifoA.c_str(), 0600));
    ASSERT_EQ(0, mkfifo(fifoB.c_str(), 0600));
    const std::vector<Case> cases = {
        {"a plain file", Path("plain"), plainSteps},
        {"a file another program makes longer", Path("grown"), growSteps},
        {"a character device", "/dev/zero", streamSteps},
        {"a named pipe", fifoA, streamSteps},
    };
    const std::string piped = std::string("\x07\0\0\0line one\nline two\n", 22);
    // A pipe's writer, to a pipe of each reader's own: the bytes are all
    // there before either reads, so what each gets never depends on timing.
    auto writePipe = [&](const std::string& path) {
        return std::async(std::launch::async, [path, piped] {
            const int fd = open(path.c_str(), O_WRONLY);
            if (fd < 0) return false;
            const bool ok = write(fd, piped.data(), piped.size()) == ssize_t(piped.size());
            close(fd);
            return ok;
        });
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const bool pipe = c.path == fifoA;
        std::future<bool> writerA, writerB;
        if (pipe) writerA = writePipe(fifoA);
        ASSERT_EQ(1, ASys.ReadFile_Sys(c.path.c_str()));
        if (pipe) writerB = writePipe(fifoB);
        SystemAnswers system{std::fopen(pipe ? fifoB.c_str() : c.path.c_str(), "rb")};
        ASSERT_NE(system.f, nullptr);
        if (pipe) {
            ASSERT_TRUE(writerA.get());
            ASSERT_TRUE(writerB.get());
        }
        int grown = 0;
        for (size_t i = 0; i < c.steps.size(); ++i) {
            const std::string& call = c.steps[i].first;
            const int arg = c.steps[i].second;
            SCOPED_TRACE(::testing::Message() << "step " << i << ": " << call << " " << arg);
            if (call == "grow") {
                std::ofstream out(c.path, std::ios::binary | std::ios::app);
                const int32_t more[2] = {100 + grown, 200 + grown};
                out.write(reinterpret_cast<const char*>(more), sizeof more);
                ++grown;
            } else if (call == "int") {
                EXPECT_EQ(system.ReadInt(), ASys.ReadInt_Sys());
            } else if (call == "byte") {
                EXPECT_EQ(system.ReadByte(), ASys.ReadByte_Sys());
            } else if (call == "line") {
                EXPECT_EQ(system.ReadString(), std::string(ASys.ReadString_Sys()));
            } else if (call == "pos") {
                EXPECT_EQ(system.FilePos(), ASys.FilePos_Sys());
            } else {
                EXPECT_EQ(system.FileSeek(arg), ASys.FileSeek_Sys(arg));
            }
        }
        std::fclose(system.f);
        ASys.CloseFile_Sys();
    }
}

// A named pipe nobody writes to never keeps an open waiting; the game's own
// files (read plain only) refuse it and a device, as files that cannot be
// read.
TEST_F(BackendFiles, APipeNeverKeepsAnOpenWaitingAndPlainReadsRefuseWhatIsNotAFile) {
    const std::string fifo = Path("fifo");
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    std::filesystem::create_symlink("/dev/zero", Path("zero"));
    Put("plain", "abcd");
    std::future<int> opened = std::async(std::launch::async, [&] { return ASys.ReadFile_Sys(fifo.c_str()); });
    ASSERT_EQ(std::future_status::ready, opened.wait_for(std::chrono::seconds(60))) << "the open waits for a writer";
    EXPECT_EQ(1, opened.get());
    EXPECT_EQ(-1, ASys.ReadByte_Sys());  // nobody writes: the end, at once
    for (const std::string& name : {std::string("fifo"), std::string("zero"), std::string(".")}) {
        SCOPED_TRACE(name);
        const std::string out = Printed([&] { EXPECT_EQ(0, ASys.ReadPlainFile_Sys(Path(name).c_str())); });
        EXPECT_EQ("Error Reading File\n", out);
        EXPECT_EQ(0, FileOpen);
    }
    EXPECT_EQ(1, ASys.ReadPlainFile_Sys(Path("plain").c_str()));
    EXPECT_EQ(int('a'), ASys.ReadByte_Sys());
}

TEST_F(BackendFiles, AWrittenFileReplacesTheOldOneOnlyWhenComplete) {
    Put("save", "old contents");
    ASSERT_EQ(1, ASys.WriteFile_Sys(Path("save").c_str()));
    ASys.WriteInt_Sys(7);
    // Until the close the old file stands untouched.
    EXPECT_EQ(Bytes({'o', 'l', 'd', ' ', 'c', 'o', 'n', 't', 'e', 'n', 't', 's'}), Contents("save"));
    ASys.CloseFile_Sys();
    EXPECT_EQ(Bytes({7, 0, 0, 0}), Contents("save"));
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(dir_), std::filesystem::directory_iterator()));
}

TEST_F(BackendFiles, AWriteFailingMidwayKeepsThePreviousFile) {
    Put("save", "previous");
    // The disk "fills up" after 1,000 bytes of any file this process writes.
    rlimit saved{};
    ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &saved));
    sighandler_t oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit tight = saved;
    tight.rlim_cur = 1000;
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &tight));
    ASSERT_EQ(1, ASys.WriteFile_Sys(Path("save").c_str()));
    for (int i = 0; i < 4096; i++) ASys.WriteInt_Sys(i);
    const std::string out = Printed([] { ASys.CloseFile_Sys(); });
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);

    EXPECT_EQ("Error Writing File\n", out);
    EXPECT_EQ(Bytes({'p', 'r', 'e', 'v', 'i', 'o', 'u', 's'}), Contents("save"));
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(dir_), std::filesystem::directory_iterator()));
    EXPECT_EQ(0, FileOpen);
}

// A file written and never closed is still committed whole, with no part
// file left behind, however the program ends.
TEST_F(BackendFiles, AFileLeftOpenIsCommittedWhenTheProgramEnds) {
    const auto files = [this] {
        return std::distance(std::filesystem::directory_iterator(dir_), std::filesystem::directory_iterator());
    };
    // Shut-down of the backend (F4, the window's close request).
    ASSERT_EQ(1, ASys.WriteFile_Sys(Path("closed").c_str()));
    ASys.WriteInt_Sys(1);
    Printed([] { ASys.Close(); });
    EXPECT_EQ(0, FileOpen);
    EXPECT_EQ(Bytes({1, 0, 0, 0}), Contents("closed"));
    EXPECT_EQ(1, files());

    // A stop signal: the poll turns it into the quit request, and the
    // shut-down that follows commits the file.
    KuvoCatchStopSignals();
    ASSERT_EQ(1, ASys.WriteFile_Sys(Path("signalled").c_str()));
    ASys.WriteInt_Sys(2);
    raise(SIGTERM);
    ASys.PollInputB(0);
    EXPECT_EQ(1, ASys.ButtonFlags[100]);
    EXPECT_TRUE(Contents("signalled").empty());  // not before the shut-down
    Printed([] { ASys.Close(); });
    KuvoCatchStopSignals();  // forgets the signal
    KuvoReleaseStopSignals();
    EXPECT_EQ(0, FileOpen);
    EXPECT_EQ(Bytes({2, 0, 0, 0}), Contents("signalled"));
    EXPECT_EQ(2, files());

    // The process exits without any shut-down at all.
    ASys.CloseFile_Sys();  // the child must not find one of ours open
    const std::string exited = Path("exited");
    EXPECT_EXIT(
        {
            ASys.WriteFile_Sys(exited.c_str());
            ASys.WriteInt_Sys(3);
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
    EXPECT_EQ(Bytes({3, 0, 0, 0}), Contents("exited"));
    EXPECT_EQ(3, files());
}

}  // namespace
