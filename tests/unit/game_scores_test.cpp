// Unit checks of the local score boards: entering a game into the Top 5 and
// Last 5, the panel's page cycle, the score line's "to beat" entry, and board
// numbers outside the table, which must change and draw nothing.

#include <climits>
#include <cmath>
#include <vector>

#include "core_internal.h"
#include "game_test_support.h"

namespace {

using gametest::FreshGame;

class GameScores : public gametest::GameFixture {
protected:
    static std::vector<int> Board(const MyGame& g, int first) {
        const int base = 20 * g.SelectedSet + first;
        return std::vector<int>(g.ScoreTable + base, g.ScoreTable + base + 5);
    }
    static void Enter(MyGame& g, float score) {
        g.Score = score;
        g.HandleDefaultScoreboards();
    }
};

TEST_F(GameScores, AFirstGameIsBothBestAndNewest) {
    FreshGame g;
    Enter(*g, 1234.9f);
    EXPECT_EQ((std::vector<int>{1234, 0, 0, 0, 0}), Board(*g, 0));
    EXPECT_EQ((std::vector<int>{1234, 0, 0, 0, 0}), Board(*g, 5));
}

TEST_F(GameScores, TopFiveKeepsTheBestAndLastFiveTheNewest) {
    FreshGame g;
    for (float s : {100, 200, 300, 400, 500}) Enter(*g, s);
    EXPECT_EQ((std::vector<int>{500, 400, 300, 200, 100}), Board(*g, 0));
    Enter(*g, 100);  // equal to the fifth: not in the Top 5
    EXPECT_EQ((std::vector<int>{500, 400, 300, 200, 100}), Board(*g, 0));
    EXPECT_EQ((std::vector<int>{100, 500, 400, 300, 200}), Board(*g, 5));
    Enter(*g, 350);
    EXPECT_EQ((std::vector<int>{500, 400, 350, 300, 200}), Board(*g, 0));
    EXPECT_EQ((std::vector<int>{350, 100, 500, 400, 300}), Board(*g, 5));
    EXPECT_EQ(0, g->ScoreTable[20 * 1]) << "other boards untouched";
    EXPECT_EQ(0, g->ScoreTable[20 * 3]);
}

TEST_F(GameScores, BoardsOutsideTheTableAreLeftAlone) {
    gametest::LoadedSlots slots;
    for (int board : {-1, -20, 1100, 5000, INT_MAX, INT_MIN}) {
        FreshGame g;
        g->SelectedSet = board;
        g->Score = 999;
        ASys.DrawCount = 0;
        g->HandleDefaultScoreboards();
        g->DisplayScoreboard();
        g->DefaultScoreDisplay(0);
        EXPECT_EQ(0, ASys.DrawCount) << board;
        for (int v : g->ScoreTable) ASSERT_EQ(0, v) << board;
    }
    FreshGame last;
    last->SelectedSet = 1099;  // the table's last board still works
    Enter(*last, 77);
    EXPECT_EQ(77, last->ScoreTable[21980]);
    EXPECT_EQ(77, last->ScoreTable[21985]);
}

TEST_F(GameScores, ThePanelCyclesTopAndLastEvery301FramesWithoutOnlineScores) {
    gametest::LoadedSlots slots;
    FreshGame g;
    std::vector<int> pages;
    const char* const titles[] = {"Top 5", "Last 5"};
    for (int i = 0; i < 301 * 4; i++) {
        Update([&] { g->DisplayScoreboard(); });
        if (i % 301 == 0) {
            pages.push_back(g->BoardPage);
            EXPECT_NE(std::string::npos, gametest::DrawnText().find(titles[g->BoardPage % 2]));
        }
    }
    EXPECT_EQ((std::vector<int>{0, 1, 0, 1}), pages);

    g->OnlineScoresReceived = 1;
    g->BoardPage = 2;
    g->BoardTimer = 5;
    Update([&] { g->DisplayScoreboard(); });
    EXPECT_NE(std::string::npos, gametest::DrawnText().find("Top Online"));
}

TEST_F(GameScores, ThePanelSlidesInAndASkipSendsTheNextPage) {
    // The panel is the one rectangle of the frame; its centre x in view units.
    auto panelX = [] {
        for (int i = 0; i < ASys.DrawCount; i++)
            if (ASys.DrawList[i][0] == 1) return static_cast<float>(ASys.DrawList[i][1] + rw2);
        return std::nanf("");
    };
    FreshGame g;
    Update([&] { g->DisplayScoreboard(); });
    EXPECT_FLOAT_EQ(800 + 82 - 16, panelX());
    for (int i = 0; i < 11; i++) Update([&] { g->DisplayScoreboard(); });
    EXPECT_FLOAT_EQ(800 + 82 - 180, panelX()) << "fully in, 180 units";

    g->PointerDown = 1;  // a click: out it slides and the next page follows
    Update([&] { g->DisplayScoreboard(); });
    g->PointerDown = 0;
    EXPECT_EQ(270, g->BoardTimer);
    for (int i = 0; i < 30; i++) Update([&] { g->DisplayScoreboard(); });
    EXPECT_EQ(0, g->BoardPage);
    EXPECT_FLOAT_EQ(800 + 82 + 64, panelX()) << "out of view";
    Update([&] { g->DisplayScoreboard(); });
    EXPECT_EQ(1, g->BoardPage);

    ASys.VirtualKeys[13] = 1;  // "Button 4" skips once per press
    Update([&] { g->DisplayScoreboard(); });
    EXPECT_EQ(270, g->BoardTimer);
    for (int i = 0; i < 5; i++) Update([&] { g->DisplayScoreboard(); });
    EXPECT_EQ(275, g->BoardTimer);

    FreshGame still;
    still->Settings[23] = 1;  // less motion: the panel stands in place
    Update([&] { still->DisplayScoreboard(); });
    EXPECT_FLOAT_EQ(800 + 82 - 180, panelX());
}

TEST_F(GameScores, TheScoreLineShowsTheNextEntryToBeat) {
    gametest::LoadedSlots slots;
    const struct {
        float Score;
        const char* Shown;
    } cases[] = {
        {0, "5th 00000100"}, {150, "4th 00000200"}, {250, "3rd 00000300"},
        {450, "1st 00000500"}, {9000, "1st 00000500"},
    };
    for (const auto& c : cases) {
        FreshGame g;
        for (float s : {100, 200, 300, 400, 500}) Enter(*g, s);
        g->Score = c.Score;
        g->ShownScore = c.Score;
        Update([&] { g->DefaultScoreDisplay(0); });
        const std::string text = gametest::DrawnText();
        EXPECT_NE(std::string::npos, text.find(c.Shown)) << c.Score << ": " << text;
    }
}

TEST_F(GameScores, TheShownScoreEasesBySixthsAndSnapsWhenClose) {
    gametest::LoadedSlots slots;
    FreshGame g;
    g->Score = 600;
    g->DefaultScoreDisplay(0);
    EXPECT_EQ(100, g->ShownScore);
    for (int i = 0; i < 60; i++) g->DefaultScoreDisplay(0);
    EXPECT_EQ(600, g->ShownScore);
    ASys.DrawCount = 0;
    g->DefaultScoreDisplay(0);
    EXPECT_NE(std::string::npos, gametest::DrawnText().find("00000600"));
    g->ShotMode = 1;  // clean screenshots: nothing drawn
    ASys.DrawCount = 0;
    g->DefaultScoreDisplay(0);
    EXPECT_EQ(0, ASys.DrawCount);
}

}  // namespace
