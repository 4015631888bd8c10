// The generator's small drawing toolkit: an RGBA canvas in floating point,
// shapes given as signed distance functions and filled with analytic
// anti-aliasing, distance fields built from masks, and the PNG writer.
// It never reads an image from disk: every pixel is computed here.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dg {

// A straight (not premultiplied) colour, channels 0..1.
struct RGBA {
    float r = 0, g = 0, b = 0, a = 0;
};

RGBA Rgb(int r, int g, int b, float a = 1.0f);
RGBA Grey(float v, float a = 1.0f);
RGBA Mix(RGBA p, RGBA q, float t);
RGBA WithAlpha(RGBA c, float a);
RGBA Scale(RGBA c, float k);  // brightens or darkens, alpha unchanged

float Clamp01(float v);
float Smooth(float e0, float e1, float v);  // smoothstep
float Lerp(float a, float b, float t);

constexpr float kPi = 3.14159265358979f;
float Rad(float degrees);

// A deterministic generator, so every run writes the same bytes.
class Rng {
public:
    explicit Rng(uint32_t seed) : state_(seed ? seed : 0x9E3779B9u) {}
    uint32_t Next();
    float Unit();                    // 0 <= v < 1
    float Range(float lo, float hi);  // lo <= v < hi
    int Int(int lo, int hi);         // lo..hi inclusive
private:
    uint32_t state_;
};

// RGBA pixels, premultiplied floats, rows top first.
class Canvas {
public:
    Canvas(int w, int h);
    int W() const { return w_; }
    int H() const { return h_; }
    // Source-over of colour c with the given coverage.
    void Blend(int x, int y, RGBA c, float coverage);
    // Removes coverage of what is there (destination-out).
    void Erase(int x, int y, float coverage);
    void Set(int x, int y, RGBA c);
    RGBA Get(int x, int y) const;  // straight colour
    float Alpha(int x, int y) const;
    // Draws another canvas on top, with its top-left at (dx, dy).
    void Paste(const Canvas& src, int dx, int dy, float opacity = 1.0f);
    // Writes an 8-bit RGBA PNG. Fully transparent pixels are written as
    // (0, 0, 0, 0) and no visible pixel ever matches the loader's colour keys.
    bool SavePNG(const std::string& path) const;
    std::vector<unsigned char> Bytes() const;

private:
    int w_, h_;
    std::vector<float> px_;
};

// A rectangle of a canvas in which shapes are drawn in local coordinates:
// (0, 0) is the region's top-left corner; nothing is drawn outside it.
struct Region {
    Canvas* canvas;
    int x, y, w, h;
};
Region Whole(Canvas& c);
Region Cell(Canvas& c, int frame, int side);  // frame of a sheet, row by row

// Shapes: signed distance in pixels at a point, negative inside.
using Sdf = std::function<float(float, float)>;
// Colour of a point of a shape.
using Paint = std::function<RGBA(float, float)>;

Paint Solid(RGBA c);
// Linear gradient from colour a at point (x0, y0) to colour b at (x1, y1).
Paint Linear(float x0, float y0, RGBA a, float x1, float y1, RGBA b);
// Radial gradient from colour a at the centre to b at radius r.
Paint Radial(float cx, float cy, float r, RGBA a, RGBA b);

// Fills a shape. soft widens the anti-aliased edge (1 = one pixel).
void Fill(Region r, const Sdf& shape, const Paint& paint, float soft = 1.0f);
void Fill(Region r, const Sdf& shape, RGBA colour, float soft = 1.0f);
// Removes a shape from what is drawn (a hole through every layer).
void Cut(Region r, const Sdf& shape, float soft = 1.0f);
// Fills the shape with a dark rim of the given width drawn first around it.
void Outlined(Region r, const Sdf& shape, const Paint& paint, RGBA rim, float width);
// A soft shadow of the shape, offset by (dx, dy).
void Shadow(Region r, const Sdf& shape, float dx, float dy, float blur, float alpha);

// Shape primitives.
Sdf Circle(float cx, float cy, float radius);
Sdf Box(float cx, float cy, float hw, float hh, float corner = 0.0f);
Sdf Capsule(float x0, float y0, float x1, float y1, float radius);
Sdf Polygon(std::vector<float> xy);  // x0, y0, x1, y1, ... any winding
Sdf Ring(float cx, float cy, float radius, float halfWidth);
// Star with n points, outer and inner radius, first point at angle a0 (degrees,
// 0 = up, clockwise).
Sdf Star(float cx, float cy, int points, float outer, float inner, float a0);
// A polyline with round joins and caps.
Sdf Stroke(std::vector<float> xy, float radius);
// An arc of a circle, from angle a0 to a1 (degrees, 0 = up, clockwise), round caps.
Sdf Arc(float cx, float cy, float radius, float a0, float a1, float halfWidth);

// Shape algebra.
Sdf Union(Sdf a, Sdf b);
Sdf Intersect(Sdf a, Sdf b);
Sdf Subtract(Sdf a, Sdf b);
Sdf Grow(Sdf a, float by);  // positive grows, negative shrinks
Sdf Move(Sdf a, float dx, float dy);
Sdf Turn(Sdf a, float cx, float cy, float degrees);  // clockwise on screen

// A sampled distance field, as made from a mask: distances in field pixels.
class Field {
public:
    Field(int w, int h);
    // From coverage values 0..1 (inside where >= 0.5).
    static Field FromMask(const std::vector<float>& mask, int w, int h);
    int W() const { return w_; }
    int H() const { return h_; }
    float At(int x, int y) const;
    // Bilinear sample at a point in field pixels; far outside gives a large value.
    float Sample(float x, float y) const;
    // The field as a shape: field point = (x - ox) * scale.
    Sdf AsShape(float ox, float oy, float scale) const;

private:
    int w_, h_;
    std::vector<float> d_;
};

}  // namespace dg
