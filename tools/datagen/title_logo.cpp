// The title logo, logo.png (1024 x 512): "Zindle" over "Flaps" in chunky
// rimmed letters with wings, on a transparent ground. It is shown at up to
// 3/4 size and at half on the set-up page: no line may be thinner than 4 pixels.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "datagen.h"
#include "lettering.h"
#include "raster.h"

namespace dg {
namespace {

constexpr int kW = 1024, kH = 512;
constexpr float kCap = 150.0f;       // capital height of both lines
constexpr float kSqueeze = 0.92f;    // letters a touch narrower than the face
constexpr float kSpacing = 6.0f;     // extra pixels between letters
constexpr float kSlant = 0.14f;      // forward lean, x shift per pixel of height
constexpr float kRim = 9.0f;         // dark rim round the letters
constexpr float kDepth = 12.0f;      // extrusion below and right of the rim
constexpr float kTopBaseline = 212.0f;
constexpr float kBottomBaseline = 394.0f;

const RGBA kInk = Rgb(24, 14, 48);

// Fills only inside a box of the canvas (the rest of the shape is known to
// be empty there), in canvas coordinates.
void FillBox(Canvas& c, float x0, float y0, float x1, float y1, const Sdf& s, const Paint& p,
             float soft = 1.0f) {
    int x = std::max(0, static_cast<int>(std::floor(x0)));
    int y = std::max(0, static_cast<int>(std::floor(y0)));
    int w = std::min(c.W(), static_cast<int>(std::ceil(x1))) - x;
    int h = std::min(c.H(), static_cast<int>(std::ceil(y1))) - y;
    if (w <= 0 || h <= 0) return;
    float fx = static_cast<float>(x), fy = static_cast<float>(y);
    Region r{&c, x, y, w, h};
    Fill(r, Move(s, -fx, -fy), [p, fx, fy](float px, float py) { return p(px + fx, py + fy); }, soft);
}

// Leans a shape forward about the line y = pivot. The shear stretches
// distances across slanted edges by up to sqrt(1 + slant^2); scaling them back
// keeps rims and anti-aliasing as wide as on upright edges.
Sdf Lean(Sdf s, float pivot) {
    const float k = 1.0f / std::sqrt(1.0f + kSlant * kSlant);
    return [s, pivot, k](float x, float y) { return s(x + kSlant * (y - pivot), y) * k; };
}

// A feather: a stroke from a to b whose radius narrows from ra to rb.
Sdf Feather(float ax, float ay, float bx, float by, float ra, float rb) {
    return [=](float x, float y) {
        float ex = bx - ax, ey = by - ay;
        float t = Clamp01(((x - ax) * ex + (y - ay) * ey) / (ex * ex + ey * ey));
        return std::hypot(x - ax - ex * t, y - ay - ey * t) - Lerp(ra, rb, t);
    };
}

struct Style {
    RGBA top, bottom, deep, deepDark;
};

// One line of the title with all its layers, in the order they stack.
void DrawLine(Canvas& c, const Lettering& l, const Style& st) {
    float pad = kRim + kDepth + 24;
    float x0 = l.left - pad - kSlant * kCap, x1 = l.right + pad + kSlant * kCap;
    float y0 = l.top - pad, y1 = l.bottom + pad;
    float mid = (l.top + l.bottom) * 0.5f;
    Sdf body = Lean(l.shape, mid);
    Sdf rim = Grow(body, kRim);
    // A soft dark halo keeps the title clear of whatever turns behind it.
    FillBox(c, x0, y0, x1, y1, Grow(rim, 6), Solid(Grey(0, 0.45f)), 14.0f);
    for (float d = kDepth; d >= 1; d -= 1) {
        RGBA col = Mix(st.deep, st.deepDark, d / kDepth);
        FillBox(c, x0, y0, x1, y1, Move(rim, d * 0.45f, d), Solid(col));
    }
    FillBox(c, x0, y0, x1, y1, Move(rim, kDepth * 0.45f + 1, kDepth + 1), Solid(kInk));
    FillBox(c, x0, y0, x1, y1, rim, Solid(kInk));
    FillBox(c, x0, y0, x1, y1, body, Linear(0, l.top, st.top, 0, l.bottom, st.bottom));
    // A light lip along every upper edge and a shade along the lower ones.
    FillBox(c, x0, y0, x1, y1, Subtract(body, Move(body, 0, -5)), Solid(Grey(1.0f, 0.75f)));
    FillBox(c, x0, y0, x1, y1, Subtract(body, Move(body, 0, 6)), Solid(WithAlpha(st.deep, 0.55f)));
    // Gloss over the upper part of each letter.
    Sdf upper = [mid](float, float y) { return y - (mid - 6); };
    FillBox(c, x0, y0, x1, y1, Intersect(Grow(body, -7), upper), Solid(Grey(1.0f, 0.28f)));
}

// A wing of four feathers stacked from (bx, by), the top one longest, each
// pointing outward and a little up; side is -1 for the left wing, 1 for the
// right. The lower feathers are drawn first so each upper one overlaps them.
void DrawWing(Canvas& c, float bx, float by, float side, float scale) {
    struct F { float angle, length, r0, r1, drop; };
    const F feathers[] = {{-8, 80, 14, 6, 26}, {4, 106, 15, 6.5f, 17}, {16, 130, 16, 7, 8}, {28, 150, 17, 7.5f, 0}};
    float box = 170 * scale;
    float x0 = bx - box, x1 = bx + box, y0 = by - box, y1 = by + box * 0.6f;
    RGBA white = Grey(1.0f), shade = Rgb(140, 205, 255);
    for (const F& f : feathers) {
        float a = Rad(f.angle);
        float ry = by + f.drop * scale;
        float tx = bx + side * std::cos(a) * f.length * scale;
        float ty = ry - std::sin(a) * f.length * scale;
        Sdf s = Feather(bx, ry, tx, ty, f.r0 * scale, f.r1 * scale);
        FillBox(c, x0, y0, x1, y1, Move(Grow(s, kRim * 0.8f), side * 3.0f, 6.0f), Solid(Rgb(20, 60, 140)));
        FillBox(c, x0, y0, x1, y1, Grow(s, kRim * 0.8f), Solid(kInk));
        FillBox(c, x0, y0, x1, y1, s, Linear(0, ty - 8 * scale, white, 0, ry + 14 * scale, shade));
    }
    // The coverts: a rounded mass over the inner half of the feathers.
    float ca = Rad(22);
    Sdf covert = Feather(bx, by + 8 * scale, bx + side * std::cos(ca) * 70 * scale,
                         by + 8 * scale - std::sin(ca) * 70 * scale, 26 * scale, 13 * scale);
    FillBox(c, x0, y0, x1, y1, Grow(covert, kRim * 0.8f), Solid(kInk));
    FillBox(c, x0, y0, x1, y1, covert, Linear(0, by - 30 * scale, white, 0, by + 34 * scale, shade));
    // The wing's root, a round knuckle over the feather ends.
    Sdf root = Circle(bx, by + 10 * scale, 20 * scale);
    FillBox(c, x0, y0, x1, y1, Grow(root, kRim * 0.8f), Solid(kInk));
    FillBox(c, x0, y0, x1, y1, root, Radial(bx - 5 * scale, by + 3 * scale, 26 * scale, white, shade));
}

// A four-pointed glint.
void Glint(Canvas& c, float x, float y, float size) {
    Sdf s = Star(x, y, 4, size, size * 0.22f, 0);
    FillBox(c, x - size - 8, y - size - 8, x + size + 8, y + size + 8, Grow(s, 2.5f), Solid(kInk));
    FillBox(c, x - size - 8, y - size - 8, x + size + 8, y + size + 8, s, Solid(Grey(1.0f)));
}

}  // namespace

bool MakeTitleLogo(const std::string& dir) {
    Canvas c(kW, kH);
    Lettering top = SetLine("Zindle", kCap, kSqueeze, kSpacing, kW * 0.5f - 6, kTopBaseline);
    Lettering bottom = SetLine("Flaps", kCap, kSqueeze, kSpacing, kW * 0.5f - 6, kBottomBaseline);
    if (top.right <= top.left || bottom.right <= bottom.left) {
        std::fprintf(stderr, "zindle-datagen: no lettering for the title\n");
        return false;
    }
    // The wings sit just outside "Flaps", as large as the room there allows.
    float wingY = kBottomBaseline - kCap * 0.75f;
    float room = std::min(bottom.left, kW - bottom.right) - 20;
    float scale = std::min(1.1f, std::max(0.5f, room / 150.0f));
    DrawWing(c, bottom.left - 14, wingY, -1, scale);
    DrawWing(c, bottom.right + 18, wingY, 1, scale);

    DrawLine(c, bottom, Style{Rgb(170, 246, 255), Rgb(40, 150, 255), Rgb(22, 70, 170), Rgb(10, 30, 90)});
    DrawLine(c, top, Style{Rgb(255, 246, 120), Rgb(255, 140, 30), Rgb(190, 70, 16), Rgb(100, 30, 10)});
    Glint(c, top.right + 10, top.top + 6, 22);
    Glint(c, top.left + 30, top.bottom - 8, 14);
    return Save(c, dir, "logo.png");
}

}  // namespace dg
