// The engine logo, KUVOLogo.png: a 400 x 400 "KUVO FRAME" badge written with
// every pixel doubled (800 x 800) for the loader's 25 x 25 tiles of 32 pixels.
// It must never lose the doubling: the tiles are shown at half size, nearest.

#include <cmath>
#include <cstdio>

#include "datagen.h"
#include "lettering.h"
#include "raster.h"

namespace dg {
namespace {

constexpr int kDesign = 400;  // side of the design
constexpr int kScale = 2;     // the sheet is the design with every pixel doubled
constexpr float kC = kDesign / 2.0f;
constexpr float kBadgeHalf = 166.0f;
constexpr float kBadgeCorner = 54.0f;
constexpr float kFaceAlpha = 0.55f;  // opacity of the badge's face

const RGBA kInk = Rgb(12, 10, 40);

// Four viewfinder corners round a box: L shapes with round ends.
Sdf Viewfinder(float x0, float y0, float x1, float y1, float arm, float half) {
    Sdf s = Stroke({x0, y0 + arm, x0, y0, x0 + arm, y0}, half);
    s = Union(s, Stroke({x1 - arm, y0, x1, y0, x1, y0 + arm}, half));
    s = Union(s, Stroke({x0, y1 - arm, x0, y1, x0 + arm, y1}, half));
    s = Union(s, Stroke({x1 - arm, y1, x1, y1, x1, y1 - arm}, half));
    return s;
}

// The badge's face is half see-through: while the tiles fly in, the loading
// screen's purple shows between them, and a face close to that purple keeps
// those gaps quiet.
void DrawBadge(Region r) {
    Sdf badge = Box(kC, kC, kBadgeHalf, kBadgeHalf, kBadgeCorner);
    Sdf face = Grow(badge, -10);
    Shadow(r, Subtract(badge, face), 0, 6, 8, 0.4f);
    Sdf rim = Subtract(Grow(badge, 5), Grow(face, 2));
    Fill(r, rim, kInk);
    // A bright bevelled rim round a deep blue face.
    Fill(r, Subtract(badge, Grow(face, 2)),
         Linear(0, kC - kBadgeHalf, Rgb(150, 240, 255), 0, kC + kBadgeHalf, Rgb(40, 96, 230)));
    Fill(r, face, Linear(0, kC - kBadgeHalf, Rgb(40, 70, 200, kFaceAlpha), 0, kC + kBadgeHalf,
                         Rgb(24, 20, 110, kFaceAlpha)));
    // Gloss across the upper half of the face.
    Sdf upper = Intersect(Grow(face, -6), Circle(kC, kC - 330, 420));
    Fill(r, upper, Linear(0, kC - kBadgeHalf, Grey(1.0f, 0.16f), 0, kC, Grey(1.0f, 0.03f)));
}

// A row of small coloured tiles, the pieces the logo is built from.
void DrawTiles(Region r, float cy) {
    const RGBA colours[] = {Rgb(255, 80, 70), Rgb(255, 160, 40), Rgb(255, 226, 60), Rgb(90, 220, 90),
                            Rgb(70, 210, 255)};
    const float side = 16, gap = 6;
    float x = kC - (5 * side + 4 * gap) / 2 + side / 2;
    for (const RGBA& c : colours) {
        Sdf t = Box(x, cy, side / 2, side / 2, 3);
        Fill(r, Grow(t, 3), kInk);
        Fill(r, t, Linear(0, cy - side / 2, Mix(c, Grey(1.0f), 0.35f), 0, cy + side / 2, c));
        x += side + gap;
    }
}

void DrawWordmark(Region r) {
    Lettering kuvo = SetLine("KUVO", 60, 0.96f, 5, kC, 220);
    Sdf k = kuvo.shape;
    Fill(r, Move(Grow(k, 5), 0, 6), kInk);
    Fill(r, Grow(k, 5), kInk);
    Fill(r, k, Linear(0, kuvo.top, Grey(1.0f), 0, kuvo.bottom, Rgb(190, 232, 255)));
    Fill(r, Subtract(k, Move(k, 0, -4)), Grey(1.0f, 0.9f));
    Fill(r, Subtract(k, Move(k, 0, 5)), Rgb(120, 170, 230, 0.8f));

    // "FRAME" on a dark pill with a gold rim.
    Sdf pill = Box(kC, 302, 98, 24, 24);
    Fill(r, Grow(pill, 4), kInk);
    Fill(r, pill, Rgb(255, 204, 60));
    Fill(r, Grow(pill, -4), Linear(0, 280, Rgb(30, 40, 110), 0, 324, Rgb(12, 16, 60)));
    Lettering frame = SetLine("FRAME", 28, 1.0f, 9, kC, 316);
    Fill(r, Grow(frame.shape, 2), kInk);
    Fill(r, frame.shape, Linear(0, frame.top, Rgb(255, 246, 170), 0, frame.bottom, Rgb(255, 196, 40)));
}

}  // namespace

bool MakeEngineLogo(const std::string& dir) {
    Canvas design(kDesign, kDesign);
    Region r = Whole(design);
    DrawBadge(r);
    Fill(r, Viewfinder(78, 118, 322, 262, 30, 4.5f), Grey(1.0f, 0.9f));
    DrawTiles(r, 88);
    DrawWordmark(r);

    Canvas sheet(kDesign * kScale, kDesign * kScale);
    for (int y = 0; y < sheet.H(); y++) {
        for (int x = 0; x < sheet.W(); x++) sheet.Set(x, y, design.Get(x / kScale, y / kScale));
    }
    return Save(sheet, dir, "KUVOLogo.png");
}

}  // namespace dg
