// Particles (sprites and floating score numbers in one fixed table of 256
// records) and the tiled background behind the overlay screens. Nothing here
// allocates; a full table silently drops new particles.

#include "MyGame.h"

namespace {
constexpr int kParticleRows = 12;        // colour rows (and frames per row) of the sheet
constexpr float kStartLife = 1.5f;       // opaque while above 1
constexpr float kSpriteFade = 0.02f;
constexpr float kNumberFade = 0.05f;
constexpr float kGravity = 0.25f;
constexpr float kNumberLift = 0.05f;
constexpr int kBackgroundTiles = 16;     // tiles a side of the 1024-pixel buffer
constexpr int kTileSide = 64;
}  // namespace

// First free record, or nullptr when all are busy.
static Particle* FreeParticle(Particle* table) {
    for (int i = 0; i < zindle::kParticles; i++)
        if (table[i].Kind == 0) return &table[i];
    return nullptr;
}

void MyGame::ThrowParticle(float x, float y, float hue, int colour, int kind, float direction,
                           float speed) {
    int row = colour % kParticleRows;
    if (row < 0) row += kParticleRows;
    Particle* p = FreeParticle(Particles);
    if (!p) return;
    p->Kind = static_cast<float>(kind);
    p->X = x;
    p->Y = y;
    p->VelX = Sin(direction) * speed;
    p->VelY = -Cos(direction) * speed;  // direction 0 moves up the screen
    p->Angle = Rnd(0, 360);
    p->Spin = Rnd(-2, 2);
    p->Life = kStartLife;
    p->Hue = hue;
    p->Frame = static_cast<float>(row * kParticleRows + Rand(0, 11));
}

void MyGame::Gimme(int points, float x, float y, float hue) {
    Score += static_cast<float>(points);  // counts even when no record is free
    Particle* p = FreeParticle(Particles);
    if (!p) return;
    *p = Particle{};
    p->Kind = 99;
    p->X = x;
    p->Y = y;
    p->Life = kStartLife;
    p->Hue = hue;
    p->Frame = static_cast<float>(points);
}

void MyGame::Gimme(int points, float x, float y) { Gimme(points, x, y, 60); }

void MyGame::DoParticles() {
    ResetDraw();
    SetSize(0.5f);
    for (Particle& p : Particles) {
        if (p.Kind <= 0) continue;
        p.X += p.VelX;
        p.Y += p.VelY;
        p.Angle = Mod(p.Angle + p.Spin, 360);
        float fade = kSpriteFade;
        if (p.Kind == 2) p.VelY += kGravity;
        InkRot(p.Hue);
        Alpha(p.Life);
        SetRot(p.Angle);
        if (p.Kind < 90) DrawImg(55, p.X - ScrollX, p.Y - ScrollY, static_cast<int>(p.Frame));
        if (p.Kind == 99) {
            p.VelY -= kNumberLift;  // the number rises ever faster
            Text(p.X - ScrollX, p.Y - ScrollY, fstr("%i", static_cast<int>(p.Frame)), 1);
            fade = kNumberFade;
        }
        p.Life -= fade;
        if (p.Life < 0) p.Kind = 0;
    }
}

void MyGame::MakePlatBG() {
    for (int i = 0; i < kBackgroundTiles; i++)
        for (int j = 0; j < kBackgroundTiles; j++)
            BufferTile(56, 50, static_cast<float>(kTileSide * i), static_cast<float>(kTileSide * j), 8);
}

void MyGame::AddPlatBG() {
    SetCLSRot(static_cast<float>(Mills() / 64), 0, 50);
    ResetDraw();
    SetAlpha(0.3f);
    // Creeps up one unit every 32 ms and jumps back a tile; the tiling hides the jump.
    int o = (Mills() / 32) % kTileSide;
    if (o < 0) o += kTileSide;
    DrawImg(56, ViewWidth / 2, ViewHeight / 2 - o - 512, 0);
    DrawImg(56, ViewWidth / 2, ViewHeight / 2 - o + 512, 0);
}
