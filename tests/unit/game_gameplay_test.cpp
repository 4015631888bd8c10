// Unit checks of the game in play: the seeded maps of the fixed level sets, the
// jump arc and the walk back, combo scoring and the hazard penalty, and the
// camera easing. Input is set in the backend's tables; nothing opens a window.

#include <set>
#include <utility>
#include <vector>

#include "game_test_support.h"

namespace {

using gametest::FreshGame;

class GameGameplay : public gametest::GameFixture {
protected:
    // A game on the given level set with round 1 set up, as the game start does.
    static void StartGame(MyGame& g, int levelSet) {
        g.FlushGame();
        g.LevelSet = levelSet;
        g.GetLev();
    }
    static std::vector<float> MapOf(const MyGame& g) {
        std::vector<float> cells;
        for (const auto& column : g.LevelMap) cells.insert(cells.end(), column, column + zindle::kMapSize);
        return cells;
    }
};

struct SetCase {
    int LevelSet;
    int Hazards[3];
};

TEST_F(GameGameplay, FixedSetsRebuildTheirMapsFromTheRoundSeed) {
    const SetCase cases[] = {{1, {0, 4, 8}}, {2, {1, 5, 10}}, {7, {0, 4, 8}}};
    for (const SetCase& c : cases) {
        FreshGame g;
        StartGame(*g, c.LevelSet);
        for (int round = 1; round <= 3; round++) {
            if (round > 1) g->GetLev();
            ASSERT_EQ(round, g->RoundNumber);
            const std::vector<float> map = MapOf(*g);

            // Replay the generator: 1,024 gem draws, columns outer, then the
            // hazards as (x, y) pairs, x drawn first.
            g->SeedRnd(round + c.LevelSet * 37196);
            std::vector<float> expected;
            for (int i = 0; i < 32 * 32; i++) expected.push_back(g->Rand(0, 20) <= 2 ? 1.0f : 0.0f);
            std::set<std::pair<int, int>> hazards;
            for (int i = 0; i < c.Hazards[round - 1]; i++) {
                const int x = g->Rand(0, 31);
                const int y = g->Rand(12, 31);
                hazards.insert({x, y});
                expected[x * 32 + y] = 2;
            }
            EXPECT_EQ(expected, map) << "set " << c.LevelSet << " round " << round;
            for (int x = 0; x < 32; x++)
                for (int y = 0; y < 12; y++) EXPECT_NE(2, g->LevelMap[x][y]) << x << "," << y;
            int mines = 0, gems = 0;
            for (float cell : map) {
                mines += cell == 2;
                gems += cell == 1;
            }
            EXPECT_EQ(static_cast<int>(hazards.size()), mines);
            EXPECT_GT(gems, 80);  // about 146 of 1,024 cells
            EXPECT_LT(gems, 220);
        }
    }
}

TEST_F(GameGameplay, TwoGamesOnOneFixedSetGetTheSameMapsAndRipples) {
    for (int set : {1, 2}) {
        FreshGame a, b;
        StartGame(*a, set);
        a->Rnd(0, 1);  // draws between games change nothing
        StartGame(*b, set);
        for (int round = 1; round <= 3; round++) {
            if (round > 1) {
                a->GetLev();
                b->GetLev();
            }
            EXPECT_EQ(MapOf(*a), MapOf(*b)) << "set " << set << " round " << round;
            EXPECT_EQ(0, std::memcmp(a->RippleX, b->RippleX, sizeof a->RippleX));
            EXPECT_EQ(0, std::memcmp(a->RippleFrame, b->RippleFrame, sizeof a->RippleFrame));
        }
    }
    FreshGame setA, setB;
    StartGame(*setA, 1);
    StartGame(*setB, 2);
    EXPECT_NE(MapOf(*setA), MapOf(*setB));
}

TEST_F(GameGameplay, RoundSetUpPlacesTheJumperAndLatchesTheJumpKey) {
    FreshGame g;
    StartGame(*g, 2);
    EXPECT_EQ(512, g->PlayerX);
    EXPECT_EQ(512, g->AnchorX);
    EXPECT_EQ(-152, g->PlayerY);
    EXPECT_EQ(0, g->JumpState);
    EXPECT_EQ(120, g->MessageTimer);
    EXPECT_EQ(1, g->JumpNumber);
    EXPECT_EQ(1, g->KeyLock[10]);
    for (int b = 0; b < zindle::kRippleBands; b++)
        for (int e = 0; e < zindle::kRipplesPerBand; e++) {
            EXPECT_GE(g->RippleX[b][e], 0);
            EXPECT_LT(g->RippleX[b][e], 1024);
            EXPECT_GE(g->RippleY[b][e], -4);
            EXPECT_LE(g->RippleY[b][e], 4);
            EXPECT_TRUE(g->RippleFrame[b][e] == 0 || g->RippleFrame[b][e] == 1);
        }
}

TEST_F(GameGameplay, HeldJumpKeyWaitsForTheMessageAndARelease) {
    FreshGame g;
    StartGame(*g, 1);
    ASys.VirtualKeys[10] = 1;  // held from the round start
    for (int i = 0; i < 130; i++) Update([&] { g->DoGame(); });
    EXPECT_EQ(0, g->JumpState) << "held since the round start: no jump";
    ASys.VirtualKeys[10] = 0;
    Update([&] { g->DoGame(); });
    ASys.VirtualKeys[10] = 1;
    Update([&] { g->DoGame(); });
    EXPECT_EQ(1, g->JumpState);
    EXPECT_EQ(0.5f, g->JumpAngle);
}

TEST_F(GameGameplay, AJumpTakes360UpdatesAndBottomsOutAt1032) {
    FreshGame g;
    StartGame(*g, 1);
    g->MessageTimer = 0;
    g->KeyLock[10] = 0;
    ASys.VirtualKeys[10] = 1;
    Update([&] { g->DoGame(); });
    ASSERT_EQ(1, g->JumpState);
    ASys.VirtualKeys[10] = 0;
    float lowest = g->PlayerY;
    int inAir = 1;
    while (g->JumpState == 1 && inAir < 1000) {
        Update([&] { g->DoGame(); });
        if (g->JumpState == 1) inAir++;
        if (g->PlayerY > lowest) lowest = g->PlayerY;
        if (g->JumpAngle == 90) {
            EXPECT_NEAR(1032, g->PlayerY, 0.01);
        }
    }
    EXPECT_EQ(360, inAir);
    EXPECT_NEAR(1032, lowest, 0.01);
    EXPECT_EQ(0, g->JumpState) << "with the anchor still, the jumper lands at once";
    EXPECT_FLOAT_EQ(-151.68f, g->PlayerY);
    EXPECT_EQ(2, g->JumpNumber);
    EXPECT_EQ(119, g->MessageTimer);  // set to 120, one update of the message shown
}

TEST_F(GameGameplay, SteeringInTheAirLeavesAWalkBackAt4UnitsAnUpdate) {
    FreshGame g;
    StartGame(*g, 1);
    g->MessageTimer = 0;
    g->KeyLock[10] = 0;
    ASys.VirtualKeys[10] = 1;
    Update([&] { g->DoGame(); });
    ASys.VirtualKeys[10] = 0;
    while (g->JumpAngle < 160) Update([&] { g->DoGame(); });
    ASys.VirtualKeys[1] = 1;  // steer right late in the arc: 8 units an update
    for (int i = 0; i < 30; i++) Update([&] { g->DoGame(); });
    ASys.VirtualKeys[1] = 0;
    EXPECT_EQ(512 + 240, g->AnchorX);
    EXPECT_LT(g->PlayerX, g->AnchorX - 100) << "the jumper drifts after the anchor by 1/96 a step";
    while (g->JumpState == 1) Update([&] { g->DoGame(); });
    ASSERT_EQ(2, g->JumpState);
    EXPECT_FLOAT_EQ(-150.4f, g->PlayerY);
    float previous = g->PlayerX;
    int steps = 0;
    while (g->JumpState == 2 && steps < 1000) {
        Update([&] { g->DoGame(); });
        steps++;
        if (g->JumpState == 2) {
            EXPECT_FLOAT_EQ(previous + 4, g->PlayerX);
            EXPECT_FLOAT_EQ(-150.4f, g->PlayerY);
        }
        previous = g->PlayerX;
    }
    EXPECT_EQ(0, g->JumpState);
    EXPECT_EQ(g->AnchorX, g->PlayerX);
    EXPECT_FLOAT_EQ(-151.68f, g->PlayerY);
}

TEST_F(GameGameplay, GemsCountUpWithinAJumpAndAMineCosts1500) {
    FreshGame g;
    StartGame(*g, 1);
    for (auto& column : g->LevelMap)
        for (float& cell : column) cell = 0;
    // A jumper parked over cell (5, 5) in the game-over state, where nothing moves him.
    g->JumpState = 4;
    g->MessageTimer = 0;
    g->PlayerX = g->AnchorX = 160;
    g->PlayerY = 160;
    auto take = [&](float kind) {
        g->LevelMap[5][5] = kind;
        Update([&] { g->DoGame(); });
        EXPECT_EQ(0, g->LevelMap[5][5]) << "a taken cell is emptied";
    };
    take(1);
    take(1);
    take(1);
    EXPECT_EQ(5 + 10 + 15, g->Score);
    EXPECT_EQ(3, g->Combo);
    take(2);
    EXPECT_EQ(0, g->Score) << "the score never ends an update below 0";
    EXPECT_EQ(0, g->Combo);
    take(1);
    EXPECT_EQ(5, g->Score) << "the run starts over after a mine";

    g->Score = 1000;
    take(2);
    EXPECT_EQ(0, g->Score);
    g->Score = 2000;
    take(2);
    EXPECT_EQ(500, g->Score);

    // Every floating number is yellow, the mine's -1500 included.
    bool sawPenalty = false;
    for (const Particle& p : g->Particles) {
        if (p.Kind != 99) continue;
        EXPECT_EQ(60, p.Hue);
        sawPenalty = sawPenalty || p.Frame == -1500;
    }
    EXPECT_TRUE(sawPenalty);
}

TEST_F(GameGameplay, AStandingJumperTouchesNoCellAndLosesHisCombo) {
    FreshGame g;
    StartGame(*g, 2);
    g->Combo = 3;
    const std::vector<float> before = [&] {
        std::vector<float> cells;
        for (const auto& column : g->LevelMap) cells.insert(cells.end(), column, column + 32);
        return cells;
    }();
    Update([&] { g->DoGame(); });
    EXPECT_EQ(0, g->Combo);
    EXPECT_EQ(0, g->Score);
    std::vector<float> after;
    for (const auto& column : g->LevelMap) after.insert(after.end(), column, column + 32);
    EXPECT_EQ(before, after);
}

TEST_F(GameGameplay, ScrollEasesBySixteenthsAndSnapsWhenClose) {
    FreshGame g;
    g->ScrollX = 0;
    g->ScrollY = 100;
    g->ScrollTargetX = 160;
    g->ScrollTargetY = 0;
    g->Scroll(16);
    EXPECT_FLOAT_EQ(10, g->ScrollX);
    EXPECT_FLOAT_EQ(93.75f, g->ScrollY);
    g->ScrollX = 159.5f;
    g->ScrollY = 0.7f;
    g->Scroll(16);
    EXPECT_EQ(160, g->ScrollX) << "within 0.6 after the step: snapped";
    EXPECT_FLOAT_EQ(0.7f - 0.7f / 16, g->ScrollY);
}

TEST_F(GameGameplay, ThreeRoundsOfThreeJumpsEndTheGame) {
    FreshGame g;
    StartGame(*g, 1);
    ASys.VirtualKeys[10] = 1;
    int updates = 0;
    while (g->EndReason == 0 && updates < 20000) {
        // Release the jump key once at each round start.
        ASys.VirtualKeys[10] = g->JumpNumber == 1 && g->MessageTimer > 100 ? 0.0f : 1.0f;
        Update([&] { g->DoGame(); });
        updates++;
    }
    EXPECT_EQ(1, g->EndReason);
    EXPECT_EQ(1, g->BannerReason);
    EXPECT_EQ(4, g->JumpState);
    EXPECT_EQ(3, g->RoundNumber);
    EXPECT_EQ(4, g->JumpNumber);
    // Nine jumps of 361 updates and nine messages of 120, plus the round gaps.
    EXPECT_GT(updates, 9 * 361 + 9 * 120);
    EXPECT_LT(updates, 9 * 361 + 9 * 120 + 3 * 200);
}

}  // namespace
