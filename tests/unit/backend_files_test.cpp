// The backend's single open file: byte order, short and missing files, lines,
// positions, a written file that replaces the old one only once complete, and
// one left open at the end. Every file lives in the test's own scratch folder.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <climits>
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
