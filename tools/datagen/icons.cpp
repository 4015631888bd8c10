// The menu icon sheet, icons.png (256 x 192, 64-pixel frames): badges, the
// two-layer options gear and the overlay background tile. The gear layers must
// stay round about the frame centre and the tile opaque and seamless.

#include <algorithm>
#include <cmath>

#include "datagen.h"
#include "raster.h"

namespace dg {
namespace {

constexpr int kSide = 64;
constexpr float kC = 32.0f;  // frame centre

const RGBA kInk = Rgb(16, 12, 36);

// Gear measures shared by the two layers: the hub covers the ring's inner
// rim, so the two drawn together read as one piece.
constexpr float kGearRoot = 22.0f;    // radius of the ring between the teeth
constexpr float kToothMid = 25.5f;    // radius of the teeth's centres
constexpr float kToothHalfW = 4.4f, kToothHalfH = 4.0f;
constexpr int kTeeth = 10;
constexpr float kGearHole = 15.0f;    // ring's hole; the hub's face ends here
constexpr float kGearRim = 2.0f;

// A round glossy badge of the given colours; returns its face.
Sdf Badge(Region r, RGBA light, RGBA dark) {
    Sdf disc = Circle(kC, kC, 27.0f);
    Shadow(r, disc, 0, 2, 2.5f, 0.4f);
    Fill(r, Grow(disc, 2.5f), kInk);
    Fill(r, disc, Radial(kC - 9, kC - 11, 38, light, dark));
    Fill(r, Ring(kC, kC, 25.5f, 1.2f), Grey(1.0f, 0.35f));
    // A gloss on the upper half.
    Fill(r, Intersect(Circle(kC, kC, 23.5f), Circle(kC, kC - 22, 28)), Grey(1.0f, 0.22f));
    return disc;
}

// A white symbol with a thin dark edge, so it stays crisp on the badge.
void Symbol(Region r, const Sdf& s) {
    Fill(r, Grow(s, 1.5f), WithAlpha(kInk, 0.85f));
    Fill(r, s, Linear(0, 14, Grey(1.0f), 0, 50, Rgb(218, 230, 255)));
}

void DrawPauseResume(Region r) {
    Badge(r, Rgb(120, 210, 255), Rgb(24, 90, 220));
    // Play and pause together: the one button does both.
    Sdf play = Grow(Polygon({17.5f, 21.5f, 31.0f, 32.0f, 17.5f, 42.5f}), 1.2f);
    Sdf bars = Union(Box(37.5f, 32, 2.6f, 10.5f, 1.2f), Box(45.0f, 32, 2.6f, 10.5f, 1.2f));
    Symbol(r, Union(play, bars));
}

void DrawQuit(Region r) {
    Badge(r, Rgb(255, 130, 110), Rgb(200, 24, 44));
    // A power sign: an open ring and a bar through its gap.
    // The bar gets its own dark edge, which parts it from the ring's ends.
    Symbol(r, Arc(kC, kC + 1.5f, 13.0f, 44, 316, 2.9f));
    Symbol(r, Capsule(kC, 13.5f, kC, 29.0f, 2.9f));
}

Sdf GearRing() {
    Sdf s = Circle(kC, kC, kGearRoot);
    for (int i = 0; i < kTeeth; i++) {
        float a = i * 360.0f / kTeeth;
        Sdf tooth = Box(kC, kC - kToothMid, kToothHalfW, kToothHalfH, 1.6f);
        s = Union(s, Turn(tooth, kC, kC, a));
    }
    return Subtract(s, Circle(kC, kC, kGearHole));
}

void DrawGearRing(Region r) {
    Sdf ring = GearRing();
    Fill(r, Grow(ring, kGearRim), kInk);
    // Shading that depends on the radius only, so turning never shows.
    Fill(r, ring, Radial(kC, kC, 30, Rgb(250, 252, 255), Rgb(150, 166, 196)));
    Fill(r, Ring(kC, kC, 19.0f, 0.9f), Rgb(120, 134, 170));
}

void DrawGearHub(Region r) {
    Sdf hub = Circle(kC, kC, kGearHole);
    Fill(r, Grow(hub, kGearRim), kInk);
    Fill(r, hub, Radial(kC, kC, kGearHole, Rgb(255, 226, 120), Rgb(236, 128, 20)));
    // Five round holes and an axle, which show the hub turning.
    for (int i = 0; i < 5; i++) {
        float a = Rad(i * 72.0f);
        Sdf hole = Circle(kC + 8.5f * std::sin(a), kC - 8.5f * std::cos(a), 2.6f);
        Fill(r, hole, Rgb(120, 50, 8));
    }
    Fill(r, Circle(kC, kC, 4.2f), kInk);
    Fill(r, Circle(kC, kC, 2.6f), Rgb(230, 236, 250));
}

void DrawCredits(Region r) {
    Badge(r, Rgb(214, 150, 255), Rgb(104, 40, 200));
    Sdf star = Grow(Star(kC, kC + 1.5f, 5, 16.5f, 7.5f, 0), 1.0f);
    Fill(r, Grow(star, 1.8f), kInk);
    Fill(r, star, Linear(0, 14, Rgb(255, 250, 170), 0, 48, Rgb(255, 170, 30)));
    Fill(r, Circle(kC - 3.5f, kC - 3.0f, 2.2f), Grey(1.0f, 0.85f));
}

// The background tile: a lattice of diamonds, every other one lighter, with
// dots at their centres. The pattern repeats every 32 pixels and is symmetric
// about the tile's middle, so its edges join without a seam. It is shown
// faint and tinted by the clear colour, so it keeps to greys.
void DrawBackgroundTile(Region r) {
    for (int y = 0; y < r.h; y++) {
        for (int x = 0; x < r.w; x++) r.canvas->Set(r.x + x, r.y + y, Grey(0.28f));
    }
    auto wrap = [](float v) { return v - 32.0f * std::floor(v / 32.0f); };
    // Grooves along both diagonals, half-way between diamond centres.
    Sdf grooves = [wrap](float x, float y) {
        float a = std::fabs(wrap(x + y) - 16.0f), b = std::fabs(wrap(x - y) - 16.0f);
        return std::min(a, b) * 0.7071f - 1.3f;
    };
    // The lighter diamonds sit on the corners and edge middles of the tile.
    Sdf light = [](float x, float y) {
        float dx = x - 32.0f * std::round(x / 32.0f), dy = y - 32.0f * std::round(y / 32.0f);
        return (std::fabs(dx) + std::fabs(dy) - 13.0f) * 0.7071f;
    };
    Fill(r, light, Grey(0.38f));
    Fill(r, grooves, Grey(0.50f));
    for (float cy = 0; cy <= 64; cy += 32) {
        for (float cx = 0; cx <= 64; cx += 32) {
            bool big = static_cast<int>(cx + cy) / 32 % 2 == 0;
            Fill(r, Circle(cx, cy, big ? 4.5f : 3.0f), Grey(big ? 0.60f : 0.48f));
        }
    }
    for (float cy = 16; cy < 64; cy += 32) {
        for (float cx = 16; cx < 64; cx += 32) Fill(r, Circle(cx, cy, 2.0f), Grey(0.44f));
    }
}

}  // namespace

bool MakeIcons(const std::string& dir) {
    Canvas sheet(4 * kSide, 3 * kSide);
    DrawPauseResume(Cell(sheet, 0, kSide));
    DrawQuit(Cell(sheet, 1, kSide));
    DrawGearRing(Cell(sheet, 3, kSide));
    DrawGearHub(Cell(sheet, 4, kSide));
    DrawCredits(Cell(sheet, 5, kSide));
    DrawBackgroundTile(Cell(sheet, 8, kSide));
    return Save(sheet, dir, "icons.png");
}

}  // namespace dg
