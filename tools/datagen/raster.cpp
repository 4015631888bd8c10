// The drawing toolkit's implementation: colour helpers, the canvas, signed
// distance shapes with analytic anti-aliasing, the Euclidean distance
// transform behind Field, and the PNG writer. Nothing here reads image files.

#include "raster.h"

#include <lodepng.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace dg {

// ---- colours and small maths ---------------------------------------------

RGBA Rgb(int r, int g, int b, float a) {
    return RGBA{r / 255.0f, g / 255.0f, b / 255.0f, a};
}
RGBA Grey(float v, float a) { return RGBA{v, v, v, a}; }
RGBA Mix(RGBA p, RGBA q, float t) {
    return RGBA{Lerp(p.r, q.r, t), Lerp(p.g, q.g, t), Lerp(p.b, q.b, t), Lerp(p.a, q.a, t)};
}
RGBA WithAlpha(RGBA c, float a) { c.a = a; return c; }
RGBA Scale(RGBA c, float k) {
    return RGBA{Clamp01(c.r * k), Clamp01(c.g * k), Clamp01(c.b * k), c.a};
}
float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
float Smooth(float e0, float e1, float v) {
    float t = Clamp01((v - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}
float Lerp(float a, float b, float t) { return a + (b - a) * t; }
float Rad(float degrees) { return degrees * kPi / 180.0f; }

uint32_t Rng::Next() {
    // xorshift32: tiny, fast and the same on every platform.
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
}
float Rng::Unit() { return (Next() >> 8) * (1.0f / 16777216.0f); }
float Rng::Range(float lo, float hi) { return lo + (hi - lo) * Unit(); }
int Rng::Int(int lo, int hi) { return lo + static_cast<int>(Next() % static_cast<uint32_t>(hi - lo + 1)); }

// ---- canvas ----------------------------------------------------------------

Canvas::Canvas(int w, int h) : w_(w), h_(h), px_(static_cast<size_t>(w) * h * 4, 0.0f) {}

void Canvas::Blend(int x, int y, RGBA c, float coverage) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
    float a = Clamp01(c.a) * Clamp01(coverage);
    if (a <= 0) return;
    float* p = &px_[(static_cast<size_t>(y) * w_ + x) * 4];
    float k = 1 - a;
    p[0] = c.r * a + p[0] * k;
    p[1] = c.g * a + p[1] * k;
    p[2] = c.b * a + p[2] * k;
    p[3] = a + p[3] * k;
}

void Canvas::Erase(int x, int y, float coverage) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
    float k = 1 - Clamp01(coverage);
    float* p = &px_[(static_cast<size_t>(y) * w_ + x) * 4];
    for (int i = 0; i < 4; i++) p[i] *= k;
}

void Canvas::Set(int x, int y, RGBA c) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
    float* p = &px_[(static_cast<size_t>(y) * w_ + x) * 4];
    float a = Clamp01(c.a);
    p[0] = c.r * a; p[1] = c.g * a; p[2] = c.b * a; p[3] = a;
}

RGBA Canvas::Get(int x, int y) const {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return RGBA{};
    const float* p = &px_[(static_cast<size_t>(y) * w_ + x) * 4];
    if (p[3] <= 0) return RGBA{};
    return RGBA{p[0] / p[3], p[1] / p[3], p[2] / p[3], p[3]};
}

float Canvas::Alpha(int x, int y) const {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return 0;
    return px_[(static_cast<size_t>(y) * w_ + x) * 4 + 3];
}

void Canvas::Paste(const Canvas& src, int dx, int dy, float opacity) {
    for (int y = 0; y < src.h_; y++) {
        for (int x = 0; x < src.w_; x++) {
            int tx = x + dx, ty = y + dy;
            if (tx < 0 || ty < 0 || tx >= w_ || ty >= h_) continue;
            const float* s = &src.px_[(static_cast<size_t>(y) * src.w_ + x) * 4];
            float* d = &px_[(static_cast<size_t>(ty) * w_ + tx) * 4];
            float a = s[3] * opacity;
            for (int i = 0; i < 3; i++) d[i] = s[i] * opacity + d[i] * (1 - a);
            d[3] = a + d[3] * (1 - a);
        }
    }
}

std::vector<unsigned char> Canvas::Bytes() const {
    std::vector<unsigned char> out(static_cast<size_t>(w_) * h_ * 4, 0);
    for (size_t i = 0; i < out.size() / 4; i++) {
        const float* p = &px_[i * 4];
        int a = static_cast<int>(std::lround(Clamp01(p[3]) * 255.0f));
        if (a == 0) continue;  // fully transparent stays (0, 0, 0, 0)
        int c[3];
        for (int k = 0; k < 3; k++) {
            c[k] = static_cast<int>(std::lround(Clamp01(p[k] / p[3]) * 255.0f));
        }
        // The loader turns magenta and cyan keys transparent; nudge a visible
        // pixel off them so that what was drawn is what is shown.
        if (c[0] > 250 && c[1] <= 4 && c[2] > 250) c[1] = 5;
        if (c[0] <= 4 && c[1] > 250 && c[2] > 250) c[0] = 5;
        for (int k = 0; k < 3; k++) out[i * 4 + k] = static_cast<unsigned char>(c[k]);
        out[i * 4 + 3] = static_cast<unsigned char>(a);
    }
    return out;
}

bool Canvas::SavePNG(const std::string& path) const {
    std::vector<unsigned char> bytes = Bytes();
    std::vector<unsigned char> png;
    lodepng::State state;
    state.info_raw.colortype = LCT_RGBA;
    state.info_raw.bitdepth = 8;
    state.info_png.color.colortype = LCT_RGBA;
    state.info_png.color.bitdepth = 8;
    state.encoder.auto_convert = 0;  // always 8-bit RGBA, whatever the content
    unsigned err = lodepng::encode(png, bytes, static_cast<unsigned>(w_), static_cast<unsigned>(h_), state);
    if (err != 0) return false;
    return lodepng::save_file(png, path) == 0;
}

Region Whole(Canvas& c) { return Region{&c, 0, 0, c.W(), c.H()}; }

Region Cell(Canvas& c, int frame, int side) {
    int cols = c.W() / side;
    return Region{&c, (frame % cols) * side, (frame / cols) * side, side, side};
}

// ---- paints and fills ------------------------------------------------------

Paint Solid(RGBA c) {
    return [c](float, float) { return c; };
}

Paint Linear(float x0, float y0, RGBA a, float x1, float y1, RGBA b) {
    float dx = x1 - x0, dy = y1 - y0;
    float len2 = dx * dx + dy * dy;
    if (len2 <= 0) len2 = 1;
    return [=](float x, float y) {
        float t = Clamp01(((x - x0) * dx + (y - y0) * dy) / len2);
        return Mix(a, b, t);
    };
}

Paint Radial(float cx, float cy, float r, RGBA a, RGBA b) {
    return [=](float x, float y) {
        float t = Clamp01(std::hypot(x - cx, y - cy) / r);
        return Mix(a, b, t);
    };
}

void Fill(Region r, const Sdf& shape, const Paint& paint, float soft) {
    for (int y = 0; y < r.h; y++) {
        for (int x = 0; x < r.w; x++) {
            float px = x + 0.5f, py = y + 0.5f;
            float cov = Clamp01(0.5f - shape(px, py) / soft);
            if (cov <= 0) continue;
            r.canvas->Blend(r.x + x, r.y + y, paint(px, py), cov);
        }
    }
}

void Fill(Region r, const Sdf& shape, RGBA colour, float soft) {
    Fill(r, shape, Solid(colour), soft);
}

void Cut(Region r, const Sdf& shape, float soft) {
    for (int y = 0; y < r.h; y++) {
        for (int x = 0; x < r.w; x++) {
            float cov = Clamp01(0.5f - shape(x + 0.5f, y + 0.5f) / soft);
            if (cov > 0) r.canvas->Erase(r.x + x, r.y + y, cov);
        }
    }
}

void Outlined(Region r, const Sdf& shape, const Paint& paint, RGBA rim, float width) {
    Fill(r, Grow(shape, width), rim);
    Fill(r, shape, paint);
}

void Shadow(Region r, const Sdf& shape, float dx, float dy, float blur, float alpha) {
    Fill(r, Move(shape, dx, dy), Grey(0, alpha), blur);
}

// ---- shapes -----------------------------------------------------------------

Sdf Circle(float cx, float cy, float radius) {
    return [=](float x, float y) { return std::hypot(x - cx, y - cy) - radius; };
}

Sdf Box(float cx, float cy, float hw, float hh, float corner) {
    return [=](float x, float y) {
        float qx = std::fabs(x - cx) - hw + corner;
        float qy = std::fabs(y - cy) - hh + corner;
        float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
        return std::hypot(ox, oy) + std::min(std::max(qx, qy), 0.0f) - corner;
    };
}

namespace {
float SegmentDistance(float x, float y, float x0, float y0, float x1, float y1) {
    float ex = x1 - x0, ey = y1 - y0;
    float wx = x - x0, wy = y - y0;
    float len2 = ex * ex + ey * ey;
    float t = len2 > 0 ? Clamp01((wx * ex + wy * ey) / len2) : 0.0f;
    return std::hypot(wx - ex * t, wy - ey * t);
}
}  // namespace

Sdf Capsule(float x0, float y0, float x1, float y1, float radius) {
    return [=](float x, float y) { return SegmentDistance(x, y, x0, y0, x1, y1) - radius; };
}

Sdf Polygon(std::vector<float> xy) {
    auto v = std::make_shared<std::vector<float>>(std::move(xy));
    return [v](float x, float y) {
        const std::vector<float>& p = *v;
        size_t n = p.size() / 2;
        if (n < 3) return 1e9f;
        float d = 1e30f;
        float s = 1.0f;
        for (size_t i = 0, j = n - 1; i < n; j = i, i++) {
            float vix = p[2 * i], viy = p[2 * i + 1], vjx = p[2 * j], vjy = p[2 * j + 1];
            d = std::min(d, SegmentDistance(x, y, vix, viy, vjx, vjy));
            // Crossing count of a ray, for the sign (inside = odd).
            float ex = vjx - vix, ey = vjy - viy, wx = x - vix, wy = y - viy;
            bool c1 = y >= viy, c2 = y < vjy, c3 = ex * wy > ey * wx;
            if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) s = -s;
        }
        return s * d;
    };
}

Sdf Ring(float cx, float cy, float radius, float halfWidth) {
    return [=](float x, float y) { return std::fabs(std::hypot(x - cx, y - cy) - radius) - halfWidth; };
}

Sdf Star(float cx, float cy, int points, float outer, float inner, float a0) {
    std::vector<float> xy;
    for (int i = 0; i < points * 2; i++) {
        float a = Rad(a0 + i * 180.0f / points);
        float rr = (i % 2 == 0) ? outer : inner;
        xy.push_back(cx + rr * std::sin(a));
        xy.push_back(cy - rr * std::cos(a));
    }
    return Polygon(xy);
}

Sdf Stroke(std::vector<float> xy, float radius) {
    auto v = std::make_shared<std::vector<float>>(std::move(xy));
    return [v, radius](float x, float y) {
        const std::vector<float>& p = *v;
        float d = 1e30f;
        if (p.size() == 2) d = std::hypot(x - p[0], y - p[1]);
        for (size_t i = 2; i + 1 < p.size(); i += 2) {
            d = std::min(d, SegmentDistance(x, y, p[i - 2], p[i - 1], p[i], p[i + 1]));
        }
        return d - radius;
    };
}

Sdf Arc(float cx, float cy, float radius, float a0, float a1, float halfWidth) {
    float e0x = cx + radius * std::sin(Rad(a0)), e0y = cy - radius * std::cos(Rad(a0));
    float e1x = cx + radius * std::sin(Rad(a1)), e1y = cy - radius * std::cos(Rad(a1));
    return [=](float x, float y) {
        float a = std::atan2(x - cx, -(y - cy)) * 180.0f / kPi;  // 0 up, clockwise
        // Bring a into [a0, a0 + 360).
        while (a < a0) a += 360.0f;
        while (a >= a0 + 360.0f) a -= 360.0f;
        float d;
        if (a <= a1) {
            d = std::fabs(std::hypot(x - cx, y - cy) - radius);
        } else {
            d = std::min(std::hypot(x - e0x, y - e0y), std::hypot(x - e1x, y - e1y));
        }
        return d - halfWidth;
    };
}

Sdf Union(Sdf a, Sdf b) {
    return [a, b](float x, float y) { return std::min(a(x, y), b(x, y)); };
}
Sdf Intersect(Sdf a, Sdf b) {
    return [a, b](float x, float y) { return std::max(a(x, y), b(x, y)); };
}
Sdf Subtract(Sdf a, Sdf b) {
    return [a, b](float x, float y) { return std::max(a(x, y), -b(x, y)); };
}
Sdf Grow(Sdf a, float by) {
    return [a, by](float x, float y) { return a(x, y) - by; };
}
Sdf Move(Sdf a, float dx, float dy) {
    return [a, dx, dy](float x, float y) { return a(x - dx, y - dy); };
}
Sdf Turn(Sdf a, float cx, float cy, float degrees) {
    float c = std::cos(Rad(degrees)), s = std::sin(Rad(degrees));
    // Sample the shape at the point turned back by the angle.
    return [=](float x, float y) {
        float dx = x - cx, dy = y - cy;
        return a(cx + dx * c + dy * s, cy - dx * s + dy * c);
    };
}

// ---- distance fields ----------------------------------------------------------

Field::Field(int w, int h) : w_(w), h_(h), d_(static_cast<size_t>(w) * h, 0.0f) {}

namespace {

constexpr float kFar = 1e20f;

// One dimension of the exact squared Euclidean distance transform
// (lower envelope of parabolas).
void Transform1D(const std::vector<float>& f, std::vector<float>& out, int n,
                 std::vector<int>& v, std::vector<float>& z) {
    auto meet = [&f](int q, int p) {
        return ((f[q] + static_cast<float>(q) * q) - (f[p] + static_cast<float>(p) * p)) /
               (2.0f * static_cast<float>(q - p));
    };
    int k = 0;
    v[0] = 0;
    z[0] = -kFar;
    z[1] = kFar;
    for (int q = 1; q < n; q++) {
        float s = meet(q, v[k]);
        while (s <= z[k]) {  // z[0] is -infinity, so this stops at k = 0
            k--;
            s = meet(q, v[k]);
        }
        k++;
        v[k] = q;
        z[k] = s;
        z[k + 1] = kFar;
    }
    k = 0;
    for (int q = 0; q < n; q++) {
        while (z[k + 1] < static_cast<float>(q)) k++;
        float dq = static_cast<float>(q - v[k]);
        out[q] = dq * dq + f[v[k]];
    }
}

// Squared distance of every pixel to the nearest pixel where seed is true.
std::vector<float> SquaredDistance(const std::vector<bool>& seed, int w, int h) {
    std::vector<float> grid(static_cast<size_t>(w) * h);
    for (size_t i = 0; i < grid.size(); i++) grid[i] = seed[i] ? 0.0f : kFar;
    int n = std::max(w, h);
    std::vector<float> f(n), out(n), z(n + 1);
    std::vector<int> v(n);
    for (int x = 0; x < w; x++) {
        for (int y = 0; y < h; y++) f[y] = grid[static_cast<size_t>(y) * w + x];
        Transform1D(f, out, h, v, z);
        for (int y = 0; y < h; y++) grid[static_cast<size_t>(y) * w + x] = out[y];
    }
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) f[x] = grid[static_cast<size_t>(y) * w + x];
        Transform1D(f, out, w, v, z);
        for (int x = 0; x < w; x++) grid[static_cast<size_t>(y) * w + x] = out[x];
    }
    return grid;
}

}  // namespace

Field Field::FromMask(const std::vector<float>& mask, int w, int h) {
    std::vector<bool> inside(mask.size()), outside(mask.size());
    for (size_t i = 0; i < mask.size(); i++) {
        inside[i] = mask[i] >= 0.5f;
        outside[i] = !inside[i];
    }
    std::vector<float> toInside = SquaredDistance(inside, w, h);
    std::vector<float> toOutside = SquaredDistance(outside, w, h);
    Field f(w, h);
    for (size_t i = 0; i < mask.size(); i++) {
        // The edge lies half a pixel from the centres on either side of it;
        // the coverage refines where it falls between them.
        float sub = Clamp01(mask[i]) - 0.5f;
        if (inside[i]) {
            f.d_[i] = -(std::sqrt(toOutside[i]) - 0.5f) - sub;
        } else {
            f.d_[i] = std::sqrt(toInside[i]) - 0.5f - sub;
        }
    }
    return f;
}

float Field::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return kFar;
    return d_[static_cast<size_t>(y) * w_ + x];
}

float Field::Sample(float x, float y) const {
    // Pixel centres sit at +0.5.
    float fx = x - 0.5f, fy = y - 0.5f;
    int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
    float tx = fx - x0, ty = fy - y0;
    auto at = [this](int xx, int yy) {
        // Outside the field, continue with the edge value plus the distance out.
        int cx = std::min(std::max(xx, 0), w_ - 1), cy = std::min(std::max(yy, 0), h_ - 1);
        float extra = std::hypot(static_cast<float>(xx - cx), static_cast<float>(yy - cy));
        return d_[static_cast<size_t>(cy) * w_ + cx] + extra;
    };
    float a = at(x0, y0), b = at(x0 + 1, y0), c = at(x0, y0 + 1), d = at(x0 + 1, y0 + 1);
    return Lerp(Lerp(a, b, tx), Lerp(c, d, tx), ty);
}

Sdf Field::AsShape(float ox, float oy, float scale) const {
    auto self = std::make_shared<Field>(*this);
    return [self, ox, oy, scale](float x, float y) {
        return self->Sample((x - ox) * scale, (y - oy) * scale) / scale;
    };
}

}  // namespace dg
