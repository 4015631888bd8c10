// Unit checks of the game in play: the seeded maps of the fixed level sets, the
// jump arc and the walk back, combo scoring and the hazard penalty, and the
// camera easing. Input is set in the backend's tables; nothing opens a window.

#include <set>
#include <utility>
#include <vector>

#include "core_internal.h"
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

TEST_F(GameGameplay, EverySetBuildsItsMapsFromTheRoundSeed) {
    // "Random" seeds from the clock; the seed it used is the generator's last.
    const SetCase cases[] = {{1, {0, 4, 8}}, {2, {1, 5, 10}}, {3, {2, 6, 12}}, {7, {0, 4, 8}}};
    for (const SetCase& c : cases) {
        FreshGame g;
        StartGame(*g, c.LevelSet);
        for (int round = 1; round <= 3; round++) {
            if (round > 1) g->GetLev();
            ASSERT_EQ(round, g->RoundNumber);
            const std::vector<float> map = MapOf(*g);
            const int seed = c.LevelSet == 3 ? qRand_Seed : round + c.LevelSet * 37196;

            // Replay the generator: 1,024 gem draws, columns outer, then the
            // hazards as (x, y) pairs, x drawn first.
            g->SeedRnd(seed);
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

// The fixed sets' maps, worked out independently of this code from the
// generator's definition and game number 559: the gems left after the hazards,
// a sum of every cell's kind weighted by its position (x * 32 + y + 1), the
// hazards in the order drawn (one cell may be drawn twice) and the first ripple.
TEST_F(GameGameplay, FixedSetMapsNeverChange) {
    const struct {
        int LevelSet, Round, Gems, Weighted;
        std::vector<std::pair<int, int>> Hazards;
        float FirstRipple;
    } cases[] = {
        {1, 1, 140, 75226, {}, 432.3272705078125f},
        {1, 2, 161, 85704, {{15, 23}, {24, 15}, {25, 14}, {22, 28}}, 634.5616455078125f},
        {1, 3, 161, 90233,
         {{6, 13}, {7, 31}, {11, 25}, {11, 26}, {4, 14}, {7, 20}, {10, 18}, {30, 16}},
         639.8201904296875f},
        {2, 1, 129, 68157, {{26, 23}}, 649.4030151367188f},
        {2, 2, 139, 73612, {{17, 22}, {10, 17}, {16, 28}, {27, 12}, {10, 17}}, 537.2354736328125f},
        {2, 3, 160, 94177,
         {{2, 18}, {19, 14}, {9, 22}, {19, 29}, {8, 19}, {14, 29}, {31, 13}, {26, 23}, {27, 13},
          {11, 12}},
         236.84207153320312f},
    };
    for (const auto& c : cases) {
        FreshGame g;
        StartGame(*g, c.LevelSet);
        while (g->RoundNumber < c.Round) g->GetLev();
        int gems = 0, weighted = 0;
        std::set<std::pair<int, int>> mines;
        for (int x = 0; x < 32; x++)
            for (int y = 0; y < 32; y++) {
                const float cell = g->LevelMap[x][y];
                gems += cell == 1;
                weighted += (x * 32 + y + 1) * static_cast<int>(cell);
                if (cell == 2) mines.insert({x, y});
            }
        const std::set<std::pair<int, int>> drawn(c.Hazards.begin(), c.Hazards.end());
        EXPECT_EQ(c.Gems, gems) << "set " << c.LevelSet << " round " << c.Round;
        EXPECT_EQ(c.Weighted, weighted) << "set " << c.LevelSet << " round " << c.Round;
        EXPECT_EQ(drawn, mines) << "set " << c.LevelSet << " round " << c.Round;
        EXPECT_FLOAT_EQ(c.FirstRipple, g->RippleX[0][0]) << "set " << c.LevelSet << " round " << c.Round;
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

TEST_F(GameGameplay, TheWalkBackGoesFourUnitsAnUpdateWithItsOwnFrames) {
    gametest::LoadedSlots slots;
    const struct {
        float Offset, Step;
        int Frames[2];
    } cases[] = {{-100, 4, {2, 3}}, {100, -4, {4, 5}}};
    for (const auto& c : cases) {
        FreshGame g;
        StartGame(*g, 1);
        g->MessageTimer = 0;
        g->JumpState = 2;
        g->PlayerX = g->AnchorX + c.Offset;
        std::set<int> frames;
        int steps = 0;
        while (g->JumpState == 2 && steps < 100) {
            const float before = g->PlayerX;
            Update([&] { g->DoGame(); });
            steps++;
            // The jumper is the one record of "gfx" at his depth.
            for (int i = 0; i < ASys.DrawCount; i++) {
                const double* r = ASys.DrawList[i];
                if (r[0] == 11 && r[28] == 0 && static_cast<float>(r[21]) == 0.6f)
                    frames.insert(static_cast<int>(r[27]));
            }
            if (g->JumpState == 2) {
                EXPECT_FLOAT_EQ(before + c.Step, g->PlayerX);
                EXPECT_FLOAT_EQ(-150.4f, g->PlayerY);
            }
        }
        EXPECT_EQ(24, steps) << "96 units at 4 an update, landing within 8";
        EXPECT_EQ(0, g->JumpState);
        EXPECT_EQ(g->AnchorX, g->PlayerX);
        EXPECT_FLOAT_EQ(-151.68f, g->PlayerY);
        EXPECT_EQ((std::set<int>{c.Frames[0], c.Frames[1]}), frames) << "offset " << c.Offset;
    }
}

TEST_F(GameGameplay, WaterSpraysDrawDirectionThenSpeedForEachParticle) {
    // Above the water after being under it: 32 splash particles thrown up;
    // below it after being above: 12 pushed down. Each particle's direction is
    // drawn before its speed, then the particle's own angle, spin and frame.
    const struct {
        float PlayerY, UnderWater;
        int Count;
        float Hue;
        int DirLow, DirHigh;
        float SpeedLow, SpeedHigh;
    } cases[] = {{-152, 1, 32, 230, -30, 30, 4, 8}, {1000, 0, 12, 260, 170, 190, 2, 4}};
    for (const auto& c : cases) {
        FreshGame g;
        StartGame(*g, 1);
        for (auto& column : g->LevelMap)
            for (float& cell : column) cell = 0;
        g->JumpState = 4;  // nothing moves him and nothing else draws
        g->MessageTimer = 0;
        g->PlayerY = c.PlayerY;
        g->UnderWater = c.UnderWater;
        g->SeedRnd(4242);
        Update([&] { g->DoGame(); });
        EXPECT_EQ(1 - c.UnderWater, g->UnderWater);

        g->SeedRnd(4242);
        for (int i = 0; i < zindle::kParticles; i++) {
            const Particle& p = g->Particles[i];
            if (i >= c.Count) {
                EXPECT_EQ(0, p.Kind) << i;
                continue;
            }
            const int direction = g->Rand(static_cast<float>(c.DirLow), static_cast<float>(c.DirHigh));
            const float speed = g->Rnd(c.SpeedLow, c.SpeedHigh);
            const float angle = g->Rnd(0, 360);
            const float spin = g->Rnd(-2, 2);
            const int frame = g->Rand(0, 11);
            EXPECT_EQ(2, p.Kind) << i;
            EXPECT_EQ(c.Hue, p.Hue) << i;
            EXPECT_FLOAT_EQ(g->Sin(static_cast<float>(direction)) * speed, p.VelX) << i;
            EXPECT_FLOAT_EQ(-g->Cos(static_cast<float>(direction)) * speed, p.VelY) << i;
            EXPECT_EQ(angle, p.Angle) << i;
            EXPECT_EQ(spin, p.Spin) << i;
            EXPECT_EQ(frame, p.Frame) << i;
        }
    }
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
