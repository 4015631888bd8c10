// Whole games played as a player would, once by keyboard and once by mouse,
// each screen judged from the game's own screenshots (held F10) by what the
// design fixes; it never looks inside the game beyond its log, shots and sound.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "e2e/harness.h"
#include "e2e/observe.h"

namespace {

using e2e::GameProcess;
using e2e::Image;
using e2e::Rgb;
using e2e::Seen;
using e2e::ShotUntil;
using e2e::Where;

constexpr int kJingleSlot = 95;       // the jingle: loading and every return to the menu
constexpr double kMinChange = 0.001;  // share of pixels that must change where a screen moves
constexpr double kReads = 0.95;       // font match that counts as reading the text
constexpr double kQuiet = 100;        // RMS below this is silence (the writer adds no dither)
constexpr double kWindow = 0.01;      // seconds of one loudness window
constexpr double kJingleSlack = 0.5;  // seconds the capture's clock may stray from the harness's
constexpr int kSetupFocusY = 472;     // the set-up list's highlighted row sits here
constexpr int kRowSpacing = 46;
constexpr int kJumpUpdates = 360 + 120;  // one jump and its message
constexpr int kUpdateMs = 16;

// A view of 800 x 600 units is 800 x 600 pixels: screen positions below are
// the game's own layout values.
constexpr int kViewH = 600;

// A gradient rectangle covering the view with 128 units to spare on each side
// shades from c1 at its top to c2 at its bottom.
Rgb Shade(Rgb c1, Rgb c2, int y) {
    const double f = (y + 0.5 + 128) / (kViewH + 256);
    return Rgb{static_cast<int>(c1.R + (c2.R - c1.R) * f), static_cast<int>(c1.G + (c2.G - c1.G) * f),
               static_cast<int>(c1.B + (c2.B - c1.B) * f)};
}

// The loading screen: dark purple shading to dark red.
Rgb LoadingAt(int y) { return Shade({40, 0, 80}, {80, 0, 40}, y); }

// The sky: white at 0.4 shading to the clear colour (0, 100, 180) at 0.4,
// over that clear colour.
Rgb SkyAt(int y) {
    const Rgb clear{0, 100, 180};
    const Rgb g = Shade({255, 255, 255}, clear, y);
    return Rgb{static_cast<int>(0.4 * g.R + 0.6 * clear.R), static_cast<int>(0.4 * g.G + 0.6 * clear.G),
               static_cast<int>(0.4 * g.B + 0.6 * clear.B)};
}

bool LooksLoading(const Image& i) {
    return e2e::Near(e2e::RowMedian(i, 2), LoadingAt(2), 6) &&
           e2e::Near(e2e::RowMedian(i, kViewH - 3), LoadingAt(kViewH - 3), 6);
}

bool Dominant(Rgb c, int channel, int margin) {
    const int v[3] = {c.R, c.G, c.B};
    for (int k = 0; k < 3; ++k)
        if (k != channel && v[channel] < v[k] + margin) return false;
    return true;
}

// The start page: black behind, the green Start disc at the bottom centre.
bool LooksStartPage(const Image& i) {
    const Rgb top = e2e::RowMedian(i, 2);
    return std::max({top.R, top.G, top.B}) <= 24 && Dominant(e2e::PixelAt(i, 400, 570), 1, 60);
}

// The set-up page with the row of the given bar colour (0 red "Random",
// 1 green "Set B", 2 blue "Set A") highlighted in the list's focus; the row
// above it is another colour (the turning background shows through its
// fainter bar, so only its hue is judged).
bool SetupHighlights(const Image& i, int channel) {
    const Rgb lit = e2e::PixelAt(i, 330, kSetupFocusY);
    const Rgb above = e2e::PixelAt(i, 330, kSetupFocusY - kRowSpacing);
    return Dominant(lit, channel, 20) && !Dominant(above, channel, 20) &&
           !Dominant(e2e::PixelAt(i, 400, 570), 1, 60);
}

// In play: the top of the view is sky.
bool LooksInPlay(const Image& i) { return e2e::Near(e2e::RowMedian(i, 2), SkyAt(2), 10); }

// The pause menu's background turns through the hues with its channels
// 40 + 40 sin(a + 0, 120, 240 degrees), which always add up to 120.
bool LooksPaused(const Image& i, const e2e::Font& font) {
    const Rgb c = e2e::RowMedian(i, 2);
    const int sum = c.R + c.G + c.B;
    return sum >= 114 && sum <= 126 && std::max({c.R, c.G, c.B}) <= 82 &&
           e2e::Near(c, e2e::RowMedian(i, kViewH - 3), 3) && font.Match(i, "Paused!", 100, 100, 1, 0) >= kReads;
}

// A round starts from black with its number and the first jump announced.
bool LooksRoundStart(const Image& i, const e2e::Font& font, int round) {
    const Rgb top = e2e::RowMedian(i, 2);
    return std::max({top.R, top.G, top.B}) <= 10 &&
           font.Match(i, "Round " + std::to_string(round) + " / 3", 400, 210, 1.5f, 1) >= kReads &&
           font.Match(i, "Jump 1 / 3", 400, 300, 2, 1) >= kReads;
}

// The end banner's two words, in their places once they have slid in.
bool ShowsBanner(const Image& i, const e2e::Font& font, const std::string& first, const std::string& second) {
    return font.Match(i, first, 320, 276, 1.5f, 1) >= kReads && font.Match(i, second, 480, 324, 1.5f, 1) >= kReads;
}

// Back on the menu: no trace of the sky's blue at the top, even under the
// banner's squares (which leave a fifth of it).
bool LooksMenuBack(const Image& i) { return e2e::RowMedian(i, 2).B < 25; }

void ExpectMoves(const Seen& a, const Seen& b, const char* what) {
    EXPECT_GT(e2e::ChangedShare(a.Picture, b.Picture), kMinChange)
        << what << " did not move between " << a.Shot.Path << " and " << b.Shot.Path;
}

void ExpectFarewell(GameProcess& game) {
    EXPECT_EQ(0, game.WaitExit());
    EXPECT_NE(std::string::npos, game.Stdout().find("\nFarewell happy gamer\n")) << game.Stdout();
}

// The length of the jingle the run plays, from its data folder.
double JingleSeconds(const GameProcess& game) {
    std::vector<short> samples;
    int rate = 0;
    char name[32];
    std::snprintf(name, sizeof name, "audio/%02d.wav", kJingleSlot);
    if (!e2e::ReadWaveSamples(game.DataFile(name), &samples, &rate) || rate <= 0) return 0;
    return static_cast<double>(samples.size()) / rate;
}

// When the menu came back, in harness times: after the last shot that did
// not show it and by the first that did. Shots take longer the busier the
// machine, so the moment is known only to that span.
struct Return {
    int After = -1;
    int By = -1;
};

// What the capture must hold: the jingle as loading starts, the same jingle
// again when the menu came back (found by its loudness shape near that
// moment), and nothing after it until quietUntil. Times are harness times;
// the capture ends when the device closed, at closedAt.
void ExpectJingles(const GameProcess& game, Return back, int quietUntil, int closedAt) {
    const double jingle = JingleSeconds(game);
    ASSERT_GT(jingle, 0.3) << "no jingle in " << game.DataFile("audio");
    std::vector<short> samples;
    int rate = 0;
    ASSERT_TRUE(e2e::ReadWaveSamples(game.WavePath(), &samples, &rate)) << game.WavePath();
    ASSERT_GT(rate, 0);
    const e2e::Loudness loud = e2e::LoudnessOf(samples, rate, kWindow);
    auto at = [&](int ms) { return loud.Seconds() - (closedAt - ms) / 1000.0; };

    const int first = e2e::FirstLoud(loud, 0, kQuiet);
    ASSERT_GE(first, 0) << "the capture is silent";
    EXPECT_LT(first * kWindow, 8.0) << "the loading jingle came late";
    const int length = static_cast<int>(jingle / kWindow);
    ASSERT_LE(static_cast<size_t>(first + length), loud.Rms.size());
    const std::vector<double> shape(loud.Rms.begin() + first, loud.Rms.begin() + first + length);
    const double peak = e2e::PeakBetween(loud, first, first + length);

    // The jingle starts in the update that brings the menu back, so within
    // the span the menu came back in, give or take the slack.
    const double after = at(back.After), by = at(back.By);
    int best = -1;
    double match = -1;
    for (int i = loud.IndexAt(after - kJingleSlack); i <= loud.IndexAt(by + kJingleSlack); ++i) {
        const double c = e2e::Correlation(loud, i, shape);
        if (c > match) match = c, best = i;
    }
    EXPECT_GT(match, 0.8) << "no jingle near " << after << " to " << by << " s of the capture";
    std::fprintf(stderr,
                 "e2e: jingle at %.2f s; menu back between %.2f and %.2f s, jingle again at %.2f s (shape match %.3f)\n",
                 first * kWindow, after, by, best * kWindow, match);
    if (best >= 0) {
        const double again = e2e::PeakBetween(loud, best, best + length);
        EXPECT_GT(again, peak * 0.7) << "jingle at " << best * kWindow << " s";
        EXPECT_LT(again, peak * 1.4) << "jingle at " << best * kWindow << " s";
        const int quietFrom = best + length + static_cast<int>(0.3 / kWindow);
        const int quietTo = loud.IndexAt(at(quietUntil));
        EXPECT_GT(quietTo - quietFrom, static_cast<int>(0.5 / kWindow)) << "too little capture after the jingle";
        EXPECT_LT(e2e::PeakBetween(loud, quietFrom, quietTo), kQuiet)
            << "sound after the menu's jingle (music still playing?) between " << quietFrom * kWindow << " and "
            << quietTo * kWindow << " s";
    }
}

// Starts a run that listens for the jingle and loads the game's font sheet
// for reading the screen; returns its window ("" on failure) and the harness
// time the sound device opened.
std::string Launch(GameProcess& game, int* audioAt, e2e::Font* font) {
    if (!game.Start()) return std::string();
    if (!font->Load(game.DataFile("entplain.png"))) return std::string();
    if (!game.WaitFor("> OpenAL Audio Engaged!\n")) return std::string();
    *audioAt = game.Now();
    if (!game.WaitFor("> Opened Window\n", 2)) return std::string();
    std::string window = game.FindWindow();
    if (window.empty() || !game.Focus(window)) return std::string();
    return window;
}

// Waits until a jingle started by `startedAt` is surely over, so what comes
// next is heard alone; returns the time waited for.
int LetTheJingleEnd(GameProcess& game, int startedAt) {
    const int until = startedAt + static_cast<int>(JingleSeconds(game) * 1000) + 1500;
    while (game.Now() < until) e2e::Pause(0.05);
    return until;
}

// Watches the banner, seen on a shot at bannerAt, give way to the menu;
// returns when the menu came back (By is -1 if it did not).
Return WatchReturnToMenu(GameProcess& game, const std::string& name, int bannerAt) {
    Seen back = ShotUntil(game, name, LooksMenuBack, 10000, 0);
    EXPECT_TRUE(back.Matched) << "no return to the menu: " << Where(back);
    if (!back.Matched) return Return{};
    return Return{std::max(back.LastMissAt, bannerAt), back.Shot.AtMs};
}

TEST(E2EPlay, KeyboardPlaysAWholeSetBGameAndTheMenuComesBackWithItsJingle) {
    REQUIRE_DISPLAY();
    GameProcess game;
    int audioAt = -1;
    e2e::Font font;
    const std::string window = Launch(game, &audioAt, &font);
    ASSERT_FALSE(window.empty()) << game.Stdout() << game.Stderr();

    // Loading: the fixed colours, and the screen changes as loading goes on
    // (the logo assembles; the caption fades). It lasts 64 updates, about a
    // second, so its frames are kept as they are saved until it is over.
    std::vector<e2e::Shot> loading = game.TakeShotsWhile("loading", LooksLoading);
    std::vector<Image> loadingPictures;
    for (const e2e::Shot& s : loading) {
        Image i;
        if (!s.Path.empty() && e2e::ReadPng(s.Path, &i) && LooksLoading(i)) loadingPictures.push_back(i);
    }
    ASSERT_GE(loadingPictures.size(), 2u) << "the loading screen was not seen twice in " << loading.size()
                                          << " frames; first: " << (loading.empty() ? "none" : loading.front().Path);
    EXPECT_GT(e2e::ChangedShare(loadingPictures.front(), loadingPictures.back()), kMinChange);

    // Start page: black with the Start button; its caption reads "Start".
    Seen start = ShotUntil(game, "start-page", LooksStartPage, 20000);
    ASSERT_TRUE(start.Matched) << Where(start);
    EXPECT_GE(font.Match(start.Picture, "Start", 400, 584, 1, 1), kReads);
    if (std::filesystem::exists(game.DataFile("menu_front.png"))) {
        e2e::Pause(0.5);
        Seen later = ShotUntil(game, "start-page-later", LooksStartPage, 5000);
        ASSERT_TRUE(later.Matched) << Where(later);
        ExpectMoves(start, later, "the start page's turning background");
    }
    LetTheJingleEnd(game, audioAt);

    // Set-up page: "Set B" is the first choice; down picks "Random", up
    // brings "Set B" back, Enter starts it.
    game.HoldKey("Return");
    Seen setB = ShotUntil(game, "setup-set-b", [](const Image& i) { return SetupHighlights(i, 1); }, 5000);
    ASSERT_TRUE(setB.Matched) << Where(setB);
    game.HoldKey("Down");
    Seen random = ShotUntil(game, "setup-random", [](const Image& i) { return SetupHighlights(i, 0); }, 5000);
    ASSERT_TRUE(random.Matched) << Where(random);
    game.HoldKey("Up");
    setB = ShotUntil(game, "setup-set-b-again", [](const Image& i) { return SetupHighlights(i, 1); }, 5000);
    ASSERT_TRUE(setB.Matched) << Where(setB);
    game.HoldKey("Return");

    // Round 1 opens from black. Enter (also the jump key) was let go after
    // the start, which is the release a round needs; from here the jump key
    // stays held and the jumps follow each other by themselves.
    Seen round = ShotUntil(game, "round-1", [&](const Image& i) { return LooksRoundStart(i, font, 1); }, 10000, 0);
    ASSERT_TRUE(round.Matched) << Where(round);
    game.KeyDown("space");

    Seen play = ShotUntil(game, "play", LooksInPlay, 10000);
    ASSERT_TRUE(play.Matched) << Where(play);
    e2e::Pause(0.5);
    Seen playLater = ShotUntil(game, "play-later", LooksInPlay, 10000);
    ASSERT_TRUE(playLater.Matched) << Where(playLater);
    ExpectMoves(play, playLater, "the game in play");

    // Pause with Escape (the jump key let go first, as a player would), look,
    // resume with Enter, and hold the jump key again.
    game.KeyUp("space");
    game.HoldKey("Escape");
    Seen paused = ShotUntil(game, "paused", [&](const Image& i) { return LooksPaused(i, font); }, 5000);
    ASSERT_TRUE(paused.Matched) << Where(paused);
    e2e::Pause(0.5);
    Seen pausedLater = ShotUntil(game, "paused-later", [&](const Image& i) { return LooksPaused(i, font); }, 5000);
    ASSERT_TRUE(pausedLater.Matched) << Where(pausedLater);
    ExpectMoves(paused, pausedLater, "the pause menu's turning colour");
    game.HoldKey("Return");
    Seen resumed = ShotUntil(game, "resumed", LooksInPlay, 5000);
    ASSERT_TRUE(resumed.Matched) << Where(resumed);
    game.KeyDown("space");

    // Rounds 2 and 3 each start after three jumps and their messages: at
    // least 1,560 updates, so the watching starts a little before.
    for (int r = 2; r <= 3; ++r) {
        e2e::Pause((120 + 3 * kJumpUpdates) * kUpdateMs / 1000.0 - 4.0);
        round = ShotUntil(game, "round-" + std::to_string(r),
                          [&](const Image& i) { return LooksRoundStart(i, font, r); }, 60000, 0);
        ASSERT_TRUE(round.Matched) << "round " << r << " did not start: " << Where(round);
        game.KeyUp("space");  // the one release a new round needs
        e2e::Pause(0.1);
        game.KeyDown("space");
    }

    // After the ninth jump: the "Game" "Over" banner, then the menu.
    e2e::Pause((120 + 3 * kJumpUpdates) * kUpdateMs / 1000.0 - 4.0);
    Seen banner = ShotUntil(game, "banner", [&](const Image& i) { return ShowsBanner(i, font, "Game", "Over"); },
                            60000, 0);
    ASSERT_TRUE(banner.Matched) << Where(banner);
    game.KeyUp("space");
    const Return back = WatchReturnToMenu(game, "menu-again", banner.Shot.AtMs);
    ASSERT_GE(back.By, 0);

    // The menu comes back on the page the game was started from.
    e2e::Pause(1.0);
    Seen menu = ShotUntil(game, "setup-after-game", [](const Image& i) { return SetupHighlights(i, 1); }, 5000);
    EXPECT_TRUE(menu.Matched) << Where(menu);

    const int quietUntil = LetTheJingleEnd(game, back.By);
    ASSERT_TRUE(game.RequestClose(window));
    ASSERT_TRUE(game.WaitFor("> Closing OpenAL Audio\n"));
    const int closedAt = game.Now();
    ExpectFarewell(game);
    ExpectJingles(game, back, quietUntil, closedAt);
}

TEST(E2EPlay, MouseStartsASetBGamePausesResumesAndQuitsThroughThePauseMenu) {
    REQUIRE_DISPLAY();
    GameProcess game;
    int audioAt = -1;
    e2e::Font font;
    const std::string window = Launch(game, &audioAt, &font);
    ASSERT_FALSE(window.empty()) << game.Stdout() << game.Stderr();

    Seen start = ShotUntil(game, "start-page", LooksStartPage, 20000);
    ASSERT_TRUE(start.Matched) << Where(start);
    LetTheJingleEnd(game, audioAt);

    // The Start button is highlighted already, so one click opens the
    // set-up page. A click on another row highlights it; a click on the
    // highlighted row starts the game.
    game.ClickAt(window, 400, 504);
    Seen setB = ShotUntil(game, "setup-set-b", [](const Image& i) { return SetupHighlights(i, 1); }, 5000);
    ASSERT_TRUE(setB.Matched) << Where(setB);
    game.ClickAt(window, 300, kSetupFocusY + kRowSpacing);
    Seen random = ShotUntil(game, "setup-random", [](const Image& i) { return SetupHighlights(i, 0); }, 5000);
    ASSERT_TRUE(random.Matched) << Where(random);
    game.ClickAt(window, 300, kSetupFocusY - kRowSpacing);
    setB = ShotUntil(game, "setup-set-b-again", [](const Image& i) { return SetupHighlights(i, 1); }, 5000);
    ASSERT_TRUE(setB.Matched) << Where(setB);
    game.ClickAt(window, 300, kSetupFocusY);

    Seen round = ShotUntil(game, "round-1", [&](const Image& i) { return LooksRoundStart(i, font, 1); }, 10000, 0);
    ASSERT_TRUE(round.Matched) << Where(round);
    Seen play = ShotUntil(game, "play", LooksInPlay, 10000);
    ASSERT_TRUE(play.Matched) << Where(play);

    // The pause button sits in the top-left corner; the pause menu's buttons
    // stand 128 units above the bottom: quit at a quarter of the width,
    // resume in the middle.
    game.ClickAt(window, 32, 32);
    Seen paused = ShotUntil(game, "paused", [&](const Image& i) { return LooksPaused(i, font); }, 5000);
    ASSERT_TRUE(paused.Matched) << Where(paused);
    game.ClickAt(window, 400, kViewH - 128);
    Seen resumed = ShotUntil(game, "resumed", LooksInPlay, 5000);
    ASSERT_TRUE(resumed.Matched) << Where(resumed);
    game.ClickAt(window, 32, 32);
    paused = ShotUntil(game, "paused-again", [&](const Image& i) { return LooksPaused(i, font); }, 5000);
    ASSERT_TRUE(paused.Matched) << Where(paused);
    game.ClickAt(window, 200, kViewH - 128);

    Seen banner = ShotUntil(game, "banner", [&](const Image& i) { return ShowsBanner(i, font, "Quit", "Game"); },
                            10000, 0);
    ASSERT_TRUE(banner.Matched) << Where(banner);
    const Return back = WatchReturnToMenu(game, "menu-again", banner.Shot.AtMs);
    ASSERT_GE(back.By, 0);
    const int quietUntil = LetTheJingleEnd(game, back.By);

    // Back to the start page with the set-up page's back button, then Quit:
    // the first click highlights it, the second quits.
    game.ClickAt(window, 32, 32);
    start = ShotUntil(game, "start-page-again", LooksStartPage, 5000);
    ASSERT_TRUE(start.Matched) << Where(start);
    game.ClickAt(window, 240, 504);
    e2e::Pause(0.2);
    game.ClickAt(window, 240, 504);
    ASSERT_TRUE(game.WaitFor("> Closing OpenAL Audio\n"));
    const int closedAt = game.Now();
    ExpectFarewell(game);
    ExpectJingles(game, back, quietUntil, closedAt);
}

}  // namespace
