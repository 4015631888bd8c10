// The scenery of a game in play: sky, the breathing sea bands with their
// ripples, the bridge deck and pillars, the map cells and the front sea band.
// It only draws (and drifts the ripples); the rules live in gameplay.cpp.

#include "MyGame.h"

namespace {
constexpr float kCell = 32;          // world units of one map cell
constexpr float kDeckY = -128;       // world y of the bridge deck
constexpr int kBands = 16;           // sea bands; the even ones are drawn
constexpr float kRippleWrap = 1152;  // a ripple past this comes back...
constexpr float kRippleSpan = 2304;  // ...this far away
constexpr float kCellMargin = 128;   // cells further outside the view are skipped
}  // namespace

float MyGame::BandSpacing() {
    // About 31 at the bridge, 0 at the bottom of the map: the bands crowd
    // together as the camera descends.
    return Cos((PlayerY + LookOffset) / 12) * 32;
}

// Screen y of band i's line; the sea scrolls at a sixth of the camera's speed.
static float BandLine(float viewHeight, float spacing, float scrollY, int i) {
    return viewHeight / 2 + i * spacing - scrollY / 6;
}

void MyGame::DrawSky() {
    FadeCLS(0, 100, 180, 1);
    Depth(0);
    SetGradient(255, 255, 255, 0.4f, 0, 100, 180, 0.4f);
    Rect(ViewWidth / 2, ViewHeight / 2, ViewWidth + 256, ViewHeight + 256);
    ResetDraw();
}

void MyGame::DrawBackSea(float spacing) {
    const float t = 0.6f * ViewHeight;
    for (int i = 0; i < kBands; i += 2) {
        const float line = BandLine(ViewHeight, spacing, ScrollY, i);
        Depth(i * 0.035f);
        SetSize(1, 1);
        SetCol(20, static_cast<float>((i + 20) * 2), static_cast<float>(i * 5 + 120), 1);
        if (i > 0) Alpha(0.5f);
        Rect(ViewWidth / 2, line + t, ViewWidth + 128, ViewHeight);

        SetCol(255, 255, 255, 0.15f);
        SetSize(6, 1);  // ripples are stretched six times in width
        const float v = (i + 2) * 0.25f;
        for (int j = 0; j < zindle::kRipplesPerBand; j++) {
            // Ripple x is a screen position: it slides against the camera.
            float& x = RippleX[i][j];
            x -= CameraDrift * v * 0.015f;
            x -= v;
            if (x < -kRippleWrap) x += kRippleSpan;
            if (x > kRippleWrap) x -= kRippleSpan;
            DrawImg(0, x + 512, t - ViewHeight / 2 + line + RippleY[i][j],
                    static_cast<int>(RippleFrame[i][j] + 24));
        }
    }
}

void MyGame::DrawBridge() {
    ResetDraw();
    Depth(0.45f);
    for (int k = 0; k < zindle::kMapSize; k++) DrawImg(0, kCell * k - ScrollX, kDeckY - ScrollY, 18);
}

void MyGame::DrawPillars() {
    ResetDraw();
    Depth(0.45f);
    for (int r = -4; r <= 35; r++) {
        const float y = kCell * r - ScrollY;
        const bool head = r == -4;  // the pillar heads sit at the deck's height
        DrawImg(0, -kCell - ScrollX, y, head ? 21 : 22);
        DrawImg(0, kCell * zindle::kMapSize - ScrollX, y, head ? 20 : 22);
    }
}

void MyGame::DrawMapCell(int x, int y) {
    const float c = LevelMap[x][y];
    if (c <= 0) return;
    const float sx = kCell * x - ScrollX;
    const float sy = kCell * y - ScrollY;
    if (sx > -kCellMargin && sx < ViewWidth + kCellMargin && sy > -kCellMargin &&
        sy < ViewHeight + kCellMargin)
        DrawImg(0, sx, sy, static_cast<int>(c + 11));
}

void MyGame::DrawFrontSea(float spacing) {
    // At the jumper's depth and half transparent, so a diver shows through it.
    Depth(0.6f);
    SetCol(20, 50, 145, 0.5f);
    Rect(ViewWidth / 2, BandLine(ViewHeight, spacing, ScrollY, 15) + 0.6f * ViewHeight,
         ViewWidth + 128, ViewHeight);
}
