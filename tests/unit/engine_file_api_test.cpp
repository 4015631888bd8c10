// The engine's file API: names below the program directory, lines through the
// backend and the scratch-text ring, renaming. Uses its own engine object and a
// temporary program directory; never opens a window.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "KUVOCore.h"
#include "KUVO_glfw3.h"
#include "core_internal.h"
#include "scratch_dir.h"

namespace {

class EngineFileApi : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = testsupport::MakeTempDir("kuvo-fileapi");
        ASSERT_FALSE(dir_.empty());
        core_.reset(new KUVOCore());
        std::snprintf(core_->ProgramDir, sizeof core_->ProgramDir, "%s", dir_.c_str());
    }
    void TearDown() override {
        ASys.CloseFile_Sys();
        testsupport::RemoveTree(dir_);
    }
    std::string Contents(const std::string& name) const {
        std::ifstream in(dir_ + "/" + name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::string dir_;
    std::unique_ptr<KUVOCore> core_;
};

TEST_F(EngineFileApi, NamesAreBelowTheProgramDirectory) {
    std::filesystem::create_directory(dir_ + "/sub");
    for (const char* name : {"Settings.sav", "sub/inner.sav"}) {
        ASSERT_EQ(1, core_->WriteFile(name)) << name;
        core_->WriteInt(0x01020304);
        core_->CloseFile();
        EXPECT_EQ(std::string("\x04\x03\x02\x01"), Contents(name)) << name;
        ASSERT_EQ(1, core_->ReadFile(name));
        EXPECT_EQ(0x01020304, core_->ReadInt());
        EXPECT_EQ(-37171, core_->ReadInt());
        core_->CloseFile();
    }
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, core_->ReadFile("absent.sav"));
    EXPECT_EQ(0, core_->WriteFile("no-dir/x.sav"));
    EXPECT_EQ("Error Reading File\nError Writing File\n", testing::internal::GetCapturedStdout());
    // The game's own files are plain files: a link to a device or a named
    // pipe in their place cannot be read.
    std::filesystem::create_symlink("/dev/zero", dir_ + "/zero.sav");
    ASSERT_EQ(0, mkfifo((dir_ + "/pipe.sav").c_str(), 0600));
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, core_->ReadFile("zero.sav"));
    EXPECT_EQ(0, core_->ReadFile("pipe.sav"));
    EXPECT_EQ("Error Reading File\nError Reading File\n", testing::internal::GetCapturedStdout());
}

TEST_F(EngineFileApi, WriteLineAndWriteStringWriteTheSameBytes) {
    core_->WriteFile("a.txt");
    core_->WriteLine("one two");
    core_->WriteLine("");
    core_->CloseFile();
    core_->WriteFile("b.txt");
    core_->WriteString("one two");
    core_->WriteString("");
    core_->CloseFile();
    EXPECT_EQ("one two\n\n", Contents("a.txt"));
    EXPECT_EQ(Contents("a.txt"), Contents("b.txt"));
}

TEST_F(EngineFileApi, LinesComeBackAsTextsAndAsRingSlots) {
    core_->WriteFile("lines.txt");
    core_->WriteLine("first\r");
    core_->WriteLine("second");
    core_->WriteByte('x');
    core_->WriteByte('y');
    core_->CloseFile();

    ASSERT_EQ(1, core_->ReadFile("lines.txt"));
    EXPECT_EQ("first\r", core_->ReadLine());  // a CR before the line feed stays
    TempstrUse = kuvo::kTempstrCount - 1;       // the ring wraps to slot 0
    EXPECT_EQ(0, core_->ReadString());
    EXPECT_STREQ("second", core_->Tempstr[0]);
    EXPECT_EQ(14, core_->FilePos());  // "first\r\n" and "second\n"
    EXPECT_EQ(1, core_->ReadString());
    EXPECT_STREQ("xy", core_->Tempstr[1]);      // a last line without a line feed comes whole
    core_->FileSeek(0);
    EXPECT_EQ('f', core_->ReadByte());
    core_->CloseFile();

    // With no file open: empty texts, and the ring still moves on.
    EXPECT_EQ("", core_->ReadLine());
    std::snprintf(core_->Tempstr[2], kuvo::kTempstrSize, "stale");
    EXPECT_EQ(2, core_->ReadString());
    EXPECT_STREQ("", core_->Tempstr[2]);
    EXPECT_EQ(0, core_->ReadInt());
    EXPECT_EQ(0, core_->ReadByte());
}

TEST_F(EngineFileApi, RenameFileMovesANameBelowTheProgramDirectory) {
    std::filesystem::create_directories(dir_ + "/full/inside");
    const struct {
        const char* From;
        const char* To;
        bool FromThere, ToThere;  // before the call
        int Result;
    } cases[] = {
        {"a.sav", "a.sav.rejected", true, false, 1},
        {"b.sav", "b.sav.rejected", true, true, 1},  // the older copy is replaced
        {"absent.sav", "absent.sav.rejected", false, false, 0},
        {"c.sav", "full", true, false, -1},  // a folder with files in it stays
        {"", "d.sav", false, false, -1},     // never the program directory itself
        {"e.sav", "", true, false, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.From);
        if (c.FromThere) std::ofstream(dir_ + "/" + c.From) << "new " << c.From;
        if (c.ToThere) std::ofstream(dir_ + "/" + c.To) << "old";
        testing::internal::CaptureStdout();
        EXPECT_EQ(c.Result, core_->RenameFile(c.From, c.To));
        EXPECT_EQ("", testing::internal::GetCapturedStdout());
        if (c.Result == 1) {
            EXPECT_EQ(std::string("new ") + c.From, Contents(c.To));
            EXPECT_FALSE(std::filesystem::exists(dir_ + "/" + c.From));
        } else if (c.FromThere) {
            EXPECT_EQ(std::string("new ") + c.From, Contents(c.From));
        }
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir_ + "/full/inside"));
    EXPECT_TRUE(std::filesystem::is_directory(dir_));
}

}  // namespace
