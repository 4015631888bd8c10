// The particle sheet, particles.png (384 x 384: 12 rows of 12 frames of 32):
// row 0 droplets, the other rows sparkles, stars, shards, orbs and confetti,
// twelve variants a row. Everything is grey and white, because the game tints
// each particle by hue; shapes are bold and centred, as they are drawn at
// half size and spun about their centre.

#include <cmath>
#include <vector>

#include "datagen.h"
#include "raster.h"

namespace dg {
namespace {

constexpr int kSide = 32;
constexpr int kPerRow = 12;
constexpr float kC = 16.0f;  // cell centre

// Grey shading shared by every particle: a light core, a darker rim, and a
// white glint toward the top-left.
void Body(Region r, const Sdf& shape, float size, float rim = 1.2f, float rimShade = 0.42f) {
    Fill(r, Grow(shape, rim), Grey(rimShade));
    Fill(r, shape, Radial(kC - size * 0.3f, kC - size * 0.3f, size * 1.4f, Grey(1.0f), Grey(0.62f)));
}

void Glint(Region r, float x, float y, float radius) {
    Fill(r, Circle(x, y, radius), Grey(1.0f, 0.9f));
}

void Droplet(Region r, int v) {
    // Teardrops of different sizes pointing up (they are spun anyway), a few
    // as pairs or round drops.
    float s = 6.0f + (v % 4) * 1.6f;
    auto drop = [&](float cx, float cy, float rad) {
        Sdf ball = Circle(cx, cy + rad * 0.35f, rad);
        Sdf tip = Polygon({cx, cy - rad * 1.9f, cx + rad * 0.86f, cy - rad * 0.15f, cx - rad * 0.86f, cy - rad * 0.15f});
        return Union(ball, tip);
    };
    Sdf shape;
    if (v < 6) {
        shape = drop(kC, kC + 1, s);
    } else if (v < 9) {
        shape = Union(drop(kC - 4, kC + 2, s * 0.7f), drop(kC + 5, kC - 3, s * 0.5f));
    } else {
        shape = Union(Circle(kC, kC, s * 0.85f), Circle(kC + s, kC - s * 0.8f, s * 0.35f));
    }
    // Splashes are tinted blue and fly over a blue sea: a heavy dark rim
    // keeps them apart from the water behind.
    Body(r, shape, s, 2.2f, 0.08f);
    Glint(r, kC - s * 0.35f, kC - s * 0.05f + (v < 6 ? 1 : 0), std::max(1.2f, s * 0.22f));
}

void Sparkle(Region r, int v) {
    // Four- and eight-pointed twinkles.
    float outer = 10.0f + (v % 3) * 2.0f, inner = 2.6f + (v % 2) * 0.8f;
    Sdf shape = Star(kC, kC, 4, outer, inner, 0);
    if (v >= 6) shape = Union(shape, Star(kC, kC, 4, outer * 0.6f, inner * 0.8f, 45));
    Body(r, shape, outer * 0.5f);
    Fill(r, Circle(kC, kC, inner * 0.9f), Grey(1.0f));
}

void FivePointStar(Region r, int v) {
    float outer = 10.5f + (v % 4) * 1.1f;
    float inner = outer * (0.42f + (v % 3) * 0.05f);
    Sdf shape = Grow(Star(kC, kC + 0.8f, 5, outer - 1.5f, inner - 1.0f, v * 7.0f), 1.5f);  // rounded points
    Body(r, shape, outer * 0.6f);
    Glint(r, kC - outer * 0.25f, kC - outer * 0.2f, 1.6f);
}

void Shard(Region r, int v, Rng& rng) {
    // Irregular angular fragments, never thinner than a few pixels.
    int corners = 3 + v % 3;
    std::vector<float> xy;
    float base = rng.Range(0, 360);
    for (int i = 0; i < corners; i++) {
        float a = Rad(base + i * 360.0f / corners + rng.Range(-18, 18));
        float rad = rng.Range(7.5f, 12.5f);
        xy.push_back(kC + rad * std::sin(a));
        xy.push_back(kC - rad * std::cos(a));
    }
    Sdf shape = Grow(Polygon(xy), 0.8f);
    Body(r, shape, 9.0f);
    // A lit facet: the shard cut along a line through its centre.
    float a = Rad(base + 40);
    Sdf half = [a](float x, float y) { return (x - kC) * std::cos(a) + (y - kC) * std::sin(a); };
    Fill(r, Intersect(Grow(shape, -1.5f), half), Grey(1.0f, 0.55f));
}

void SixPointStar(Region r, int v) {
    float outer = 10.5f + (v % 3) * 1.3f;
    Sdf shape = Grow(Star(kC, kC, 6, outer - 1.2f, outer * 0.5f, 0), 1.2f);
    if (v >= 6) shape = Subtract(shape, Circle(kC, kC, 2.5f));
    Body(r, shape, outer * 0.6f);
}

void Orb(Region r, int v) {
    // Glossy bubbles and beads.
    float rad = 6.5f + (v % 6) * 0.9f;
    Sdf shape = Circle(kC, kC, rad);
    if (v >= 6) shape = Subtract(shape, Circle(kC, kC, rad * 0.45f));
    Body(r, shape, rad);
    Glint(r, kC - rad * 0.4f, kC - rad * 0.4f, std::max(1.3f, rad * 0.28f));
}

void Diamond(Region r, int v) {
    float h = 10.0f + (v % 4) * 1.0f, w = 5.5f + (v % 3) * 1.2f;
    Sdf shape = Grow(Polygon({kC, kC - h, kC + w, kC, kC, kC + h, kC - w, kC}), 0.8f);
    Body(r, shape, h * 0.6f);
    Fill(r, Polygon({kC, kC - h + 2.5f, kC + w - 2.0f, kC, kC, kC}), Grey(1.0f, 0.7f));
}

void Confetti(Region r, int v) {
    // Ribbons and squares with a fold.
    float hw = 3.2f + (v % 3) * 1.0f, hh = 8.0f + (v % 4) * 1.0f;
    Sdf shape = v < 6 ? Box(kC, kC, hw, hh, 1.2f) : Box(kC, kC, hh * 0.7f, hh * 0.7f, 1.5f);
    shape = Turn(shape, kC, kC, v * 15.0f);
    Body(r, shape, hh * 0.6f);
    Fill(r, Intersect(shape, Turn(Box(kC, kC - 3, 20, 2.0f), kC, kC, v * 15.0f)), Grey(1.0f, 0.6f));
}

void Hoop(Region r, int v) {
    float rad = 7.0f + (v % 4) * 1.2f, half = 2.0f + (v % 3) * 0.5f;
    Sdf shape = Ring(kC, kC, rad, half);
    if (v >= 8) shape = Union(shape, Circle(kC, kC, 2.4f));
    Body(r, shape, rad);
}

}  // namespace

bool MakeParticles(const std::string& dir) {
    Canvas sheet(kPerRow * kSide, kPerRow * kSide);
    Rng rng(5590u);
    for (int v = 0; v < kPerRow; v++) {
        auto cell = [&](int row) { return Cell(sheet, row * kPerRow + v, kSide); };
        Droplet(cell(0), v);
        Sparkle(cell(1), v);
        FivePointStar(cell(2), v);
        Shard(cell(3), v, rng);
        SixPointStar(cell(4), v);
        Orb(cell(5), v);
        Diamond(cell(6), v);
        Confetti(cell(7), v);
        Hoop(cell(8), v);
        // Rows 9..11 are reached only by unusual colour numbers; they repeat
        // the sparkles, stars and orbs so any row still looks right.
        Sparkle(cell(9), (v + 5) % kPerRow);
        FivePointStar(cell(10), (v + 3) % kPerRow);
        Orb(cell(11), (v + 2) % kPerRow);
    }
    return Save(sheet, dir, "particles.png");
}

}  // namespace dg
