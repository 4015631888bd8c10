// Unit checks of the particle table: colour rows, the full table, the
// floating numbers, gravity and fading. No window, no sound device.

#include "game_test_support.h"

namespace {

using gametest::FreshGame;

class GameParticles : public gametest::GameFixture {
protected:
    static int Live(const MyGame& g) {
        int n = 0;
        for (const Particle& p : g.Particles) n += p.Kind != 0;
        return n;
    }
};

TEST_F(GameParticles, ColourPicksARowOfTwelveFramesEvenWhenNegative) {
    const struct {
        int Colour;
        int Row;
    } cases[] = {{0, 0}, {3, 3}, {11, 11}, {12, 0}, {13, 1}, {-1, 11}, {-12, 0}, {-13, 11}};
    for (const auto& c : cases) {
        FreshGame g;
        for (int i = 0; i < 40; i++) g->ThrowParticle(0, 0, 0, c.Colour, 1, 0, 1);
        for (int i = 0; i < 40; i++) {
            const float frame = g->Particles[i].Frame;
            EXPECT_GE(frame, c.Row * 12) << "colour " << c.Colour;
            EXPECT_LE(frame, c.Row * 12 + 11) << "colour " << c.Colour;
        }
    }
}

TEST_F(GameParticles, ARecordStartsWhereAndHowItWasThrown) {
    FreshGame g;
    g->ThrowParticle(10, 20, 230, 0, 2, 90, 4);
    const Particle& p = g->Particles[0];
    EXPECT_EQ(2, p.Kind);
    EXPECT_EQ(10, p.X);
    EXPECT_EQ(20, p.Y);
    EXPECT_NEAR(4, p.VelX, 1e-4);  // direction 90 moves right
    EXPECT_NEAR(0, p.VelY, 1e-4);
    EXPECT_GE(p.Angle, 0);
    EXPECT_LT(p.Angle, 360);
    EXPECT_GE(p.Spin, -2);
    EXPECT_LE(p.Spin, 2);
    EXPECT_EQ(1.5f, p.Life);
    EXPECT_EQ(230, p.Hue);

    g->ThrowParticle(0, 0, 0, 0, 1, 0, 3);  // direction 0 moves up the screen
    EXPECT_NEAR(0, g->Particles[1].VelX, 1e-4);
    EXPECT_NEAR(-3, g->Particles[1].VelY, 1e-4);
}

TEST_F(GameParticles, AFullTableDropsParticlesButGimmeStillCounts) {
    FreshGame g;
    for (int i = 0; i < zindle::kParticles - 20; i++) g->ThrowParticle(0, 0, 0, 0, 1, 0, 1);
    for (int i = 0; i < 32; i++) g->ThrowParticle(5, 5, 0, 0, 2, 0, 1);  // a splash into 20 free slots
    EXPECT_EQ(zindle::kParticles, Live(*g));
    int splash = 0;
    for (const Particle& p : g->Particles) splash += p.Kind == 2;
    EXPECT_EQ(20, splash);

    const Particle last = g->Particles[zindle::kParticles - 1];
    g->ThrowParticle(1, 1, 0, 0, 1, 0, 1);
    g->Gimme(15, 1, 1);
    EXPECT_EQ(15, g->Score);
    EXPECT_EQ(0, std::memcmp(&last, &g->Particles[zindle::kParticles - 1], sizeof last));

    // A freed slot is reused first.
    g->Particles[7].Kind = 0;
    g->Gimme(-1500, 3, 4);
    EXPECT_EQ(99, g->Particles[7].Kind);
    EXPECT_EQ(-1500, g->Particles[7].Frame);
    EXPECT_EQ(60, g->Particles[7].Hue);
    EXPECT_EQ(0, g->Particles[7].VelY);
    EXPECT_EQ(-1485, g->Score);
}

TEST_F(GameParticles, AFallingParticleThrownUpRisesForSixteenUpdates) {
    FreshGame g;
    g->ThrowParticle(0, 100, 0, 0, 2, 0, 4);
    int rising = 0;
    float y = g->Particles[0].Y;
    for (int i = 0; i < 40; i++) {
        Update([&] { g->DoParticles(); });
        if (g->Particles[0].Y < y) rising++;
        y = g->Particles[0].Y;
    }
    EXPECT_EQ(16, rising);
}

TEST_F(GameParticles, SpritesLastAbout76UpdatesAndNumbersAbout31) {
    FreshGame g;
    g->ThrowParticle(0, 0, 0, 0, 1, 0, 0);
    g->Gimme(5, 0, 0);
    int spriteLife = 0, numberLife = 0;
    for (int i = 0; i < 100; i++) {
        Update([&] { g->DoParticles(); });
        if (g->Particles[0].Kind != 0) spriteLife++;
        if (g->Particles[1].Kind != 0) numberLife++;
    }
    EXPECT_NEAR(75, spriteLife, 1);
    EXPECT_NEAR(30, numberLife, 1);
    EXPECT_LT(g->Particles[1].Y, 0) << "numbers rise";
}

TEST_F(GameParticles, DoParticlesDrawsOneRecordPerSpriteAndOnePerDigit) {
    FreshGame g;
    gametest::LoadedSlots slots;
    g->ThrowParticle(0, 0, 0, 0, 1, 0, 0);
    g->ThrowParticle(0, 0, 0, 0, 2, 0, 0);
    g->Gimme(-1500, 0, 0);
    Update([&] { g->DoParticles(); });
    EXPECT_EQ(2 + 5, ASys.DrawCount);  // two sprites and "-1500"
    EXPECT_EQ("-1500", gametest::DrawnText());
}

}  // namespace
