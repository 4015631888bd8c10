// Unit checks of the game's spine: the program directory, the update length,
// the loop's sleep and clamps, the end banner and the default bindings. No
// window and no sound device: nothing here may call Launch or Begin.

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "KUVO_glfw3.h"
#include "MyGame.h"
#include "core_internal.h"
#include "sys_internal.h"

namespace {

struct DirCase {
    const char* Path;
    const char* Dir;
};

TEST(GameLaunchProgramDir, TakesEverythingBeforeTheLastSeparator) {
    const DirCase cases[] = {
        {"zindle-flaps", "."},
        {"", "."},
        {"C:\\Games\\x.exe", "C:\\Games"},
        {"./build/zindle-flaps", "./build"},
        {"/usr/games/", "/usr/games"},
        {"/zindle-flaps", ""},
        {"a/b\\c", "a/b"},
        {"a\\b/c", "a\\b"},
    };
    for (const DirCase& c : cases) {
        char dir[64] = "junk";
        EXPECT_TRUE(zindle::ProgramDirOf(c.Path, dir, sizeof dir)) << c.Path;
        EXPECT_STREQ(c.Dir, dir) << c.Path;
    }
    char dir[8] = "junk";
    EXPECT_TRUE(zindle::ProgramDirOf(nullptr, dir, sizeof dir));
    EXPECT_STREQ(".", dir);
}

TEST(GameLaunchProgramDir, FallsBackToDotWhenTheDirectoryDoesNotFit) {
    char dir[8];
    EXPECT_TRUE(zindle::ProgramDirOf("1234567/x", dir, sizeof dir));  // 7 characters and the end
    EXPECT_STREQ("1234567", dir);
    EXPECT_FALSE(zindle::ProgramDirOf("12345678/x", dir, sizeof dir));
    EXPECT_STREQ(".", dir);

    std::string huge(3 * kuvo::kProgramDirSize, 'd');
    huge += "/zindle-flaps";
    std::vector<char> big(kuvo::kProgramDirSize + 16, 'z');
    EXPECT_FALSE(zindle::ProgramDirOf(huge.c_str(), big.data(), kuvo::kProgramDirSize));
    EXPECT_STREQ(".", big.data());
    EXPECT_EQ('z', big[kuvo::kProgramDirSize]);  // nothing written past the array
}

TEST(GameLaunchFrameDelta, ClampsTheUpdateLengthTo5To128Ms) {
    const struct {
        float Elapsed;
        float Frames;
    } cases[] = {
        {-40.0f, 0.3f}, {0.0f, 0.3f}, {1.0f, 0.3f}, {5.0f, 0.3f},
        {16.666666f, 1.0f}, {100.0f, 6.0f}, {128.0f, 7.68f}, {2000.0f, 7.68f},
    };
    for (const auto& c : cases) EXPECT_NEAR(c.Frames, zindle::FrameDeltaOf(c.Elapsed), 1e-5f) << c.Elapsed;
}

TEST(GameLaunchSettingLevel, LimitsVolumesAndOverscanTo0To10) {
    const int cases[][2] = {{INT_MIN, 0}, {-1, 0}, {0, 0}, {7, 7}, {10, 10}, {11, 10}, {INT_MAX, 10}};
    for (const auto& c : cases) EXPECT_EQ(c[1], zindle::SettingLevel(c[0])) << c[0];
}

TEST(GameLaunchBanner, WordsFollowTheBannerReason) {
    const struct {
        int Reason;
        const char* First;
        const char* Second;
    } cases[] = {
        {-1, "Quit", "Game"},    {1, "Game", "Over"},       {2, "Level", "Complete"},
        {3, "Well", "Done"},     {4, "Time", "Up"},         {5, "World", "Complete"},
        {6, "Birdie", "Saved"},  {7, "Game", "Over"},       {0, "Game", "Over"},
        {-2, "Game", "Over"},
    };
    for (const auto& c : cases) {
        zindle::BannerText words = zindle::BannerWords(c.Reason);
        EXPECT_STREQ(c.First, words.First) << c.Reason;
        EXPECT_STREQ(c.Second, words.Second) << c.Reason;
    }
}

TEST(GameLaunchLoop, SleepsUntilTheNearerDueTimeAtMostOnePeriod) {
    const struct {
        int Now, NextUpdate, NextRender, Wait;
    } cases[] = {
        {1000, 1000, 1010, 0},      // an update is due
        {1000, 990, 1010, 0},       // overdue
        {1000, 1010, 1005, 5},      // the render comes first
        {1000, 1012, 1016, 12},
        {1000, 1150, 1150, 16},     // after unfocused turns: wake each period
        {1000, 11001, 1005, 0},     // clock went back: the restart is due at once
        {1000, 1005, 11001, 0},
        {1000, 11000, 11000, 16},   // exactly the margin is not a restart
        {INT_MAX - 5, INT_MAX, INT_MAX, 5},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Wait, zindle::ActiveWait(c.Now, c.NextUpdate, c.NextRender)) << c.Now << " " << c.NextUpdate;
}

// Saves and restores what the loop and banner tests change on the shared game
// object and backend.
class GameLaunchState : public ::testing::Test {
protected:
    void SetUp() override {
        savedSettings_.assign(ThisGame.Settings, ThisGame.Settings + zindle::kSettings);
        ASys.DrawCount = 0;
        ViewScale = 2.0f / 800.0f;
        rw2 = 400;
        rh2 = 300;
        ThisGame.ViewWidth = 800;
        ThisGame.ViewHeight = 600;
    }
    void TearDown() override {
        std::copy(savedSettings_.begin(), savedSettings_.end(), ThisGame.Settings);
        ThisGame.EndReason = 0;
        ThisGame.BannerReason = 0;
        ThisGame.BannerTime = 0;
        ThisGame.GameState = 0;
        ThisGame.Paused = 0;
        ThisGame.WindowActive = 0;
        for (int& lock : ThisGame.KeyLock) lock = 0;
        ASys.DrawCount = 0;
        ThisGame.ResetDraw();
    }
    std::vector<int> savedSettings_;
};

TEST_F(GameLaunchState, BannerGrowsWhileEndingAndReturnsToTheMenuPast120) {
    ThisGame.EndReason = 1;
    ThisGame.FrameDelta = 1.0f;
    ThisGame.BannerTime = 119.5f;
    ThisGame.GameState = 10;
    ThisGame.DrawBanner();
    EXPECT_FLOAT_EQ(120.5f, ThisGame.BannerTime);
    EXPECT_EQ(1, ThisGame.GameState);
    EXPECT_EQ(50, ThisGame.KeyLock[5]);
}

TEST_F(GameLaunchState, BannerShrinksThreeTimesAsFastOnceTheGameHasEnded) {
    ThisGame.EndReason = 0;
    ThisGame.GameState = 0;
    ThisGame.FrameDelta = 2.0f;
    ThisGame.BannerTime = 10.0f;
    ThisGame.DrawBanner();
    EXPECT_FLOAT_EQ(4.0f, ThisGame.BannerTime);
    EXPECT_EQ(50, ThisGame.KeyLock[5]);  // still showing: inputs stay latched
    EXPECT_EQ(0, ThisGame.GameState);

    ThisGame.KeyLock[5] = 0;
    ASys.DrawCount = 0;
    ThisGame.DrawBanner();  // 4 - 6 floors at 0: nothing drawn, nothing latched
    EXPECT_FLOAT_EQ(0.0f, ThisGame.BannerTime);
    EXPECT_EQ(0, ThisGame.KeyLock[5]);
    EXPECT_EQ(0, ASys.DrawCount);
}

TEST_F(GameLaunchState, LessMotionShowsTheBannerAtFullSizeAtOnce) {
    ThisGame.Settings[23] = 1;
    ThisGame.EndReason = -1;
    ThisGame.BannerReason = -1;
    ThisGame.FrameDelta = 1.0f;
    ThisGame.BannerTime = 0.0f;
    ThisGame.DrawBanner();
    ASSERT_GE(ASys.DrawCount, 3);
    const double sides[3] = {2880, 2400, 1920};
    const double rotations[3] = {360, -360, 0};
    const double reds[3] = {128, 128, 0}, greens[3] = {128, 64, 0};
    for (int i = 0; i < 3; ++i) {
        const double* r = ASys.DrawList[i];
        EXPECT_EQ(1, r[0]) << i;
        EXPECT_DOUBLE_EQ(0, r[1]) << i;  // centred on the view
        EXPECT_DOUBLE_EQ(0, r[2]) << i;
        EXPECT_NEAR(sides[i], r[3], 1e-3) << i;
        EXPECT_NEAR(102, r[10], 0.6) << i;  // alpha 0.4
        EXPECT_EQ(reds[i], r[11]) << i;
        EXPECT_EQ(greens[i], r[12]) << i;
        EXPECT_EQ(0, r[13]) << i;
        EXPECT_EQ(rotations[i], r[18]) << i;
    }
}

TEST_F(GameLaunchState, LoopClampsHandEditedVolumesAndOverscan) {
    ThisGame.Settings[0] = 99;
    ThisGame.Settings[1] = -4;
    ThisGame.Settings[20] = 1000;
    ThisGame.WindowActive = 1;
    ThisGame.Paused = 1;
    int later = ThisGame.Mills() + 5000;  // nothing due, no restart
    ThisGame.NextUpdate = later;
    ThisGame.NextRender = later;
    const int before = KuvoProcessMillis();
    ThisGame.KeepAlive();
    // Nothing was due, so the turn slept a whole period instead of spinning.
    EXPECT_GE(KuvoProcessMillis() - before, 16);
    EXPECT_FLOAT_EQ(1.0f, ThisGame.SfxVolume);
    EXPECT_FLOAT_EQ(0.0f, ThisGame.MusicLevel);
    EXPECT_FLOAT_EQ(0.2f, ThisGame.Overscan);
    EXPECT_EQ(later, ThisGame.NextUpdate);
    EXPECT_EQ(later, ThisGame.NextRender);
}

TEST_F(GameLaunchState, FocusedLoopRestartsBothSchedulesWhenTheClockWentBack) {
    ASys.FrameW = 800;
    ASys.FrameH = 600;
    ASys.AspectRatio = 800.0f / 600.0f;
    ASys.VirtualWidth = 800;
    ThisGame.WindowActive = 1;
    ThisGame.Paused = 1;
    ThisGame.LoadStep = 10;  // an empty loading step: the update only advances it
    const int now = ThisGame.Mills();
    ThisGame.NextUpdate = now + 20000;
    ThisGame.NextRender = now + 20000;
    const int renders = RenderThread;
    ThisGame.KeepAlive();
    EXPECT_EQ(11, ThisGame.LoadStep);  // exactly one update ran
    EXPECT_EQ((renders + 1) % 5, RenderThread);  // and one render
    EXPECT_GE(ThisGame.NextUpdate, now + 16);
    EXPECT_LE(ThisGame.NextUpdate, ThisGame.Mills() + 16);
    EXPECT_GE(ThisGame.NextRender, now + 16);
    EXPECT_LE(ThisGame.NextRender, ThisGame.Mills() + 16);
    ThisGame.LoadStep = 0;
    DrawToRT = 0;
}

TEST_F(GameLaunchState, UnfocusedSchedulesAdvanceFromTheirOwnDueTimes) {
    ThisGame.WindowActive = -1;
    int now = ThisGame.Mills();
    ThisGame.NextUpdate = now - 1;       // due: advances by 150 from itself
    ThisGame.NextRender = now + 20000;   // clock went back: restarts from the clock
    ThisGame.KeepAlive();
    EXPECT_EQ(now - 1 + 150, ThisGame.NextUpdate);
    EXPECT_GE(ThisGame.NextRender, now + 150);
    EXPECT_LE(ThisGame.NextRender, ThisGame.Mills() + 150);
}

TEST(GameLaunchKeys, DefaultBindingListsNewestFirst) {
    const std::vector<int> expected[16] = {
        {810, 710, 610, 510, 87, 328, 265},
        {811, 711, 611, 511, 68, 326, 262},
        {812, 712, 612, 512, 83, 325, 264},
        {813, 713, 613, 513, 65, 324, 263},
        {}, {}, {}, {},
        {807, 707, 607, 507, 256},
        {806, 706, 606, 506, 259},
        {800, 700, 600, 500, 335, 257, 32, 75, 90},
        {801, 701, 601, 501, 345, 341, 76, 88},
        {802, 702, 602, 502, 346, 342, 74, 67},
        {803, 703, 603, 503, 344, 340, 73, 86},
        {804, 704, 604, 504, 85, 66},
        {805, 705, 605, 505, 79, 78},
    };
    ThisGame.FlushKeys();
    ThisGame.KeyDefaults();
    for (int k = 0; k < 16; ++k) {
        std::vector<int> list;
        for (int s = 63; s >= 0; --s)
            if (ThisGame.KeyValue(k, s) != 0) list.push_back(ThisGame.KeyValue(k, s));
        EXPECT_EQ(expected[k], list) << "virtual key " << k;
        for (size_t i = 0; i < expected[k].size(); ++i)
            EXPECT_EQ(expected[k][i], ThisGame.KeyValue(k, 63 - static_cast<int>(i))) << k << " " << i;
    }
    ThisGame.FlushKeys();
}

}  // namespace
