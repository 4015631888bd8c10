// The program's spine seen from outside: start-up lines, the window and its
// full-screen round trip, real key presses, the close request and a clean
// farewell, also with damaged music in a game folder held in memory. Each
// test runs its own game and leaves no key held.

#include <gtest/gtest.h>

#include <signal.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "e2e/harness.h"

namespace {

const char kSeparator[] = "-=-=-=-=-=-=-=-=-";

// True when every text appears in order in out.
::testing::AssertionResult InOrder(const std::string& out, const std::vector<std::string>& texts) {
    size_t at = 0;
    for (const std::string& t : texts) {
        size_t found = out.find(t, at);
        if (found == std::string::npos)
            return ::testing::AssertionFailure() << "\"" << t << "\" missing (in order) from:\n" << out;
        at = found + t.size();
    }
    return ::testing::AssertionSuccess();
}

void ExpectStartUp(const std::string& out, const char* audioLine) {
    EXPECT_EQ(0u, out.find(std::string("\n") + kSeparator + "\nKUVOFrame - v0.95")) << out;
    EXPECT_TRUE(InOrder(out, {"> Opened Window\n", audioLine, "> Opened Window\n"}));
}

void ExpectFarewell(e2e::GameProcess& game) {
    EXPECT_EQ(0, game.WaitExit());
    std::string out = game.Stdout();
    EXPECT_TRUE(InOrder(out, {"> Closing OpenAL Audio\n", "> Closing OpenGL Window\n", "Runtime : ",
                              "\nFarewell happy gamer\n", std::string(kSeparator) + "\n\n"}));
    EXPECT_TRUE(std::regex_search(out, std::regex("\nRuntime : [0-9]+:[0-5][0-9]\n"))) << out;
}

// Starts a game and waits for its working window; returns the window id.
std::string StartAndFindWindow(e2e::GameProcess& game, const e2e::LaunchOptions& options = e2e::LaunchOptions()) {
    if (!game.Start(options)) return std::string();
    if (!game.WaitFor("> Opened Window\n", 2)) return std::string();
    return game.FindWindow();
}

void ExpectSize(e2e::GameProcess& game, const std::string& window, int width, int height) {
    int w = 0, h = 0;
    ASSERT_TRUE(game.WindowSize(window, &w, &h)) << window;
    EXPECT_EQ(width, w);
    EXPECT_EQ(height, h);
}

TEST(E2ESpine, OpensTheWindowGoesFullScreenAndBackAndQuitsOnF4) {
    REQUIRE_DISPLAY();
    e2e::GameProcess game;
    std::string window = StartAndFindWindow(game);
    ASSERT_FALSE(window.empty()) << game.Stdout() << game.Stderr();
    ExpectStartUp(game.Stdout(), "> OpenAL Audio Engaged!\n");
    ExpectSize(game, window, 800, 600);

    ASSERT_TRUE(game.Focus(window));
    ASSERT_TRUE(game.PressUntil("F11", "> Opened Fullscreen\n")) << game.Stdout();
    window = game.FindWindow();
    ASSERT_FALSE(window.empty());
    std::string display = e2e::Run({"xdotool", "getdisplaygeometry"}).Out;
    int dw = 0, dh = 0;
    ASSERT_EQ(2, std::sscanf(display.c_str(), "%d %d", &dw, &dh)) << display;
    ExpectSize(game, window, dw, dh);

    ASSERT_TRUE(game.Focus(window));
    ASSERT_TRUE(game.PressUntil("F11", "> Opened Window\n", 3)) << game.Stdout();
    window = game.FindWindow();
    ASSERT_FALSE(window.empty());
    ExpectSize(game, window, 800, 600);
    EXPECT_EQ(1, game.Count("> Opened Fullscreen\n"));  // one switch per press

    ASSERT_TRUE(game.Focus(window));
    EXPECT_TRUE(game.PressUntil("F4", "Farewell happy gamer"));
    ExpectFarewell(game);
}

TEST(E2ESpine, CloseRequestEndsTheGameCleanly) {
    REQUIRE_DISPLAY();
    e2e::GameProcess game;
    std::string window = StartAndFindWindow(game);
    ASSERT_FALSE(window.empty()) << game.Stdout() << game.Stderr();
    e2e::Pause(0.5);  // let the loop run a while first
    EXPECT_TRUE(game.Running());
    ASSERT_TRUE(game.RequestClose(window));
    ExpectFarewell(game);
}

TEST(E2ESpine, CtrlCOrSigtermShutsDownAndSavesLikeAQuit) {
    REQUIRE_DISPLAY();
    for (int sig : {SIGINT, SIGTERM}) {
        e2e::GameProcess game;
        std::string window = StartAndFindWindow(game);
        ASSERT_FALSE(window.empty()) << game.Stdout() << game.Stderr();
        e2e::Pause(0.5);
        ASSERT_EQ(0, kill(game.Pid(), sig));
        ExpectFarewell(game);
        EXPECT_TRUE(std::ifstream(game.Dir() + "/Settings.sav").good()) << "signal " << sig;
    }
}

// The game folder in memory (tmpfs lets a seek run far past a file's end)
// with a damaged or crafted piece as the game's music: one that once froze
// the loop on tmpfs, one whose pages make the decoder set itself up again and
// again, one whose codebook crashed libvorbis, and one whose second link asks
// for a set-up of seconds. Starting a game logs the piece's refusal or end
// and plays on silently, frames keep coming, and a close request still ends
// the game at once with its files saved.
TEST(E2ESpine, DamagedMusicInAFolderInMemoryNeitherFreezesAGameNorItsQuit) {
    REQUIRE_DISPLAY();
    struct Piece {
        const char* name;
        const char* line;
    };
    for (const Piece& piece : {Piece{"hang-on-loop.ogg", "> Error Opening Ogg\n"},
                               Piece{"stream-switch.ogg", "> Error Reading Ogg\n"},
                               Piece{"crash-big-codebook.ogg", "> Error Opening Ogg\n"},
                               Piece{"costly-setup-after-cheap-link.ogg", "> Error Opening Ogg\n"}}) {
        SCOPED_TRACE(piece.name);
        e2e::GameProcess game("/dev/shm");
        e2e::LaunchOptions options;
        options.DataCopies.push_back({"audio/bloke.ogg", std::string(ZINDLE_FIXTURES "/damaged-ogg/") + piece.name});
        std::string window = StartAndFindWindow(game, options);
        ASSERT_FALSE(window.empty()) << game.Stdout() << game.Stderr();
        ASSERT_TRUE(game.Focus(window));
        e2e::Pause(2.0);  // past the loading screen
        game.HoldKey("Return");  // the set-up page
        e2e::Pause(0.5);
        EXPECT_TRUE(game.PressUntil("Return", piece.line)) << game.Stdout();  // the game starts
        EXPECT_FALSE(game.TakeShot("in-game").Path.empty()) << "no frame after the start";

        const int closeAt = game.Now();
        ASSERT_TRUE(game.RequestClose(window));
        EXPECT_EQ(0, game.WaitExit(5000)) << game.Stdout();
        EXPECT_LE(game.Now() - closeAt, 5000);
        EXPECT_EQ(1, game.Count("Farewell happy gamer"));
        EXPECT_TRUE(std::ifstream(game.Dir() + "/Settings.sav").good());
        EXPECT_TRUE(std::ifstream(game.Dir() + "/Save_559_Zindle_Flaps.sav").good());
    }
}

TEST(E2ESpine, RunsSilentlyWithoutASoundDevice) {
    REQUIRE_DISPLAY();
    e2e::GameProcess game;
    e2e::LaunchOptions options;
    options.Env.push_back({"ALSOFT_DRIVERS", "no-such-driver"});
    std::string window = StartAndFindWindow(game, options);
    ASSERT_FALSE(window.empty()) << game.Stdout() << game.Stderr();
    ExpectStartUp(game.Stdout(), "> Audio Device Error\n");
    EXPECT_EQ(0, game.Count("OpenAL Audio Engaged!"));
    EXPECT_EQ(0, game.Count("Audio Context Issue"));
    ASSERT_TRUE(game.Focus(window));
    EXPECT_TRUE(game.PressUntil("F4", "Farewell happy gamer"));
    ExpectFarewell(game);
}

TEST(E2ESpine, HeldF10SavesScreenshotsInTheProgramDirectory) {
    REQUIRE_DISPLAY();
    e2e::GameProcess game;
    std::string window = StartAndFindWindow(game);
    ASSERT_FALSE(window.empty()) << game.Stdout() << game.Stderr();
    ASSERT_TRUE(game.Focus(window));
    for (int i = 0; i < 5 && game.Screenshots().empty(); ++i) {
        game.HoldKey("F10", 0.3);
        e2e::Pause(0.5);
    }
    EXPECT_TRUE(game.PressUntil("F4", "Farewell happy gamer"));
    ExpectFarewell(game);

    std::vector<std::string> shots = game.Screenshots();
    ASSERT_FALSE(shots.empty()) << "no Screenshot_*.png in " << game.Dir();
    EXPECT_NE(std::string::npos, shots.front().find("/Screenshot_559_")) << shots.front();
    e2e::Image image;
    ASSERT_TRUE(e2e::ReadPng(shots.back(), &image)) << shots.back();
    EXPECT_EQ(800u, image.Width);
    EXPECT_EQ(600u, image.Height);
}

}  // namespace
