// The settings and save files seen from outside: a first run leaves both next
// to the binary, and a second run started with them (settings changed by
// hand, some beyond their range) keeps the user ID and scores, shows the
// setting and writes every value back as it found it; a third shows that F1
// turns the statistics line on from a hand-edited switch value.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "e2e/harness.h"

namespace {

namespace fs = std::filesystem;

const char kSaveName[] = "Save_559_Zindle_Flaps.sav";

void PutIntAt(std::string& bytes, size_t offset, int value) {
    const unsigned v = static_cast<unsigned>(value);
    for (size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>(v >> (8 * i));
}

// Runs the game until its menu has shown for a while, optionally presses F1
// (the statistics line) and holds F10 for screenshots, then quits with F4.
// Returns the game's standard output.
std::string RunAndQuit(e2e::GameProcess& game, bool screenshot, bool pressF1 = false) {
    if (!game.Start()) return "not started";
    if (!game.WaitFor("> Opened Window\n", 2)) return game.Stdout();
    std::string window = game.FindWindow();
    if (window.empty() || !game.Focus(window)) return game.Stdout();
    e2e::Pause(2.0);  // past the loading screen
    if (pressF1) {
        game.HoldKey("F1", 0.3);
        e2e::Pause(0.3);
    }
    for (int i = 0; screenshot && i < 5 && game.Screenshots().empty(); ++i) {
        game.HoldKey("F10", 0.3);
        e2e::Pause(0.5);
    }
    game.PressUntil("F4", "Farewell happy gamer");
    EXPECT_EQ(0, game.WaitExit());
    return game.Stdout();
}

// The first offset at which two files differ, or -1 when they are the same.
long FirstDifference(const std::string& a, const std::string& b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return static_cast<long>(i);
    return a.size() == b.size() ? -1 : static_cast<long>(n);
}

std::string UserIdOf(const std::string& out) {
    std::smatch m;
    return std::regex_search(out, m, std::regex("> User ID '([A-Z]+)'\n")) ? m[1].str() : std::string();
}

// Bright pixels in the strip along the bottom-left edge, where the
// statistics line is drawn and the menu is otherwise dark.
int BrightPixelsBottomLeft(const e2e::Image& image) {
    int n = 0;
    for (unsigned y = image.Height - 14; y < image.Height; ++y)
        for (unsigned x = 0; x < 300 && x < image.Width; ++x)
            if (image.At(x, y)[0] > 160 && image.At(x, y)[1] > 160 && image.At(x, y)[2] > 160) ++n;
    return n;
}

TEST(E2ESave, FilesLandBesideTheBinaryAndSurviveARestart) {
    REQUIRE_DISPLAY();
    e2e::GameProcess first;
    const std::string out1 = RunAndQuit(first, true);
    const std::string settings = e2e::ReadBytes(first.Dir() + "/Settings.sav");
    const std::string save = e2e::ReadBytes(first.Dir() + "/" + kSaveName);
    ASSERT_EQ(4496u, settings.size()) << out1;
    ASSERT_EQ(90788u, save.size()) << out1;
    EXPECT_NE(std::string::npos, out1.find("> Reset User\n")) << out1;
    const std::string id = UserIdOf(out1);
    ASSERT_FALSE(id.empty()) << out1;
    EXPECT_EQ(7, e2e::IntAt(settings, 0));  // effects volume at its default
    EXPECT_EQ(0, e2e::IntAt(settings, 4 * 22));
    EXPECT_EQ(e2e::IntAt(settings, 4 * 24), e2e::IntAt(save, 4 * 24));  // the save file keeps a copy of the user ID
    ASSERT_FALSE(first.Screenshots().empty());
    e2e::Image before;
    ASSERT_TRUE(e2e::ReadPng(first.Screenshots().back(), &before));
    EXPECT_LT(BrightPixelsBottomLeft(before), 200);  // a stray sparkle at most

    // The player turns on the statistics line and lowers the effects volume,
    // and puts values beyond their range into the music volume, two switches
    // and, in the save file, the board number and a spare slot.
    std::string changed = settings;
    PutIntAt(changed, 4 * 22, 1);
    PutIntAt(changed, 0, 3);
    PutIntAt(changed, 4 * 1, 25);
    PutIntAt(changed, 4 * 13, 4);
    PutIntAt(changed, 4 * 23, 9);
    std::string changedSave = save;
    PutIntAt(changedSave, 4 * (101 - 100), 7);
    PutIntAt(changedSave, 4 * (150 - 100), -40000);
    e2e::GameProcess second;
    std::ofstream(second.Dir() + "/Settings.sav", std::ios::binary) << changed;
    std::ofstream(second.Dir() + "/" + kSaveName, std::ios::binary) << changedSave;
    const std::string out2 = RunAndQuit(second, true);

    EXPECT_EQ(id, UserIdOf(out2)) << out2;
    for (const char* absent : {"Reset User", "Checksum Error", "Clearing Scoreboard", "Error Reading File",
                               "Error Writing File"})
        EXPECT_EQ(std::string::npos, out2.find(absent)) << absent << "\n" << out2;
    ASSERT_FALSE(second.Screenshots().empty());
    e2e::Image after;
    ASSERT_TRUE(e2e::ReadPng(second.Screenshots().back(), &after));
    EXPECT_GT(BrightPixelsBottomLeft(after), 500) << second.Screenshots().back();
    EXPECT_EQ(-1, FirstDifference(changed, e2e::ReadBytes(second.Dir() + "/Settings.sav")));
    // The save file's settings checksum at 400 follows the edited slots; the
    // rest is as it was.
    std::string save2 = e2e::ReadBytes(second.Dir() + "/" + kSaveName);
    ASSERT_EQ(save.size(), save2.size());
    EXPECT_EQ(7, e2e::IntAt(save2, 4 * 1));
    EXPECT_EQ(-40000, e2e::IntAt(save2, 4 * 50));
    save2.replace(400, 4, changedSave, 400, 4);
    EXPECT_EQ(-1, FirstDifference(changedSave, save2));
    // Nothing is left beside the files but what the game writes.
    for (const fs::directory_entry& e : fs::directory_iterator(second.Dir()))
        EXPECT_EQ(std::string::npos, e.path().filename().string().find(".part")) << e.path();

    // A statistics switch of 5 reads as off, so F1 turns the line on; the
    // value stays in the file.
    std::string odd = changed;
    PutIntAt(odd, 4 * 22, 5);
    e2e::GameProcess third;
    std::ofstream(third.Dir() + "/Settings.sav", std::ios::binary) << odd;
    std::ofstream(third.Dir() + "/" + kSaveName, std::ios::binary) << changedSave;
    const std::string out3 = RunAndQuit(third, true, true);
    ASSERT_FALSE(third.Screenshots().empty()) << out3;
    e2e::Image pressed;
    ASSERT_TRUE(e2e::ReadPng(third.Screenshots().back(), &pressed));
    EXPECT_GT(BrightPixelsBottomLeft(pressed), 500) << third.Screenshots().back();
    EXPECT_EQ(5, e2e::IntAt(e2e::ReadBytes(third.Dir() + "/Settings.sav"), 4 * 22));
}

}  // namespace
