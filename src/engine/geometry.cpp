// Distances, the shorter way round a circle of angles, the square-spiral
// numbering of grid cells, and overlap tests of points, circles, segments and
// rectangles. Pure arithmetic on the caller's units; touching counts as a hit.

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "KUVOCore.h"

namespace {

constexpr float kNoPoint = -3717.0f;  // CollideX/Y when no crossing was found

double Sq(double v) { return v * v; }

bool Within(double v, double lo, double hi) { return lo <= v && v <= hi; }

// Number of cell (dx, dy), relative to the centre, on the endless square
// spiral: the centre is 1, ring r >= 1 begins at (2r - 1)^2 + 1 just right of
// its top-left corner and runs right, down, left, then up to that corner.
long long SpiralNumber(long long dx, long long dy) {
    const long long r = std::max(std::llabs(dx), std::llabs(dy));
    if (r == 0) return 1;
    const long long first = (2 * r - 1) * (2 * r - 1) + 1;
    if (dy == -r && dx > -r) return first + (dx + r - 1);
    if (dx == r && dy > -r) return first + 2 * r + (dy + r - 1);
    if (dy == r && dx < r) return first + 4 * r + (r - 1 - dx);
    return first + 6 * r + (r - 1 - dy);
}

}  // namespace

float KUVOCore::Dist(float x1, float y1, float x2, float y2) {
    return static_cast<float>(std::sqrt(Sq(static_cast<double>(x1) - x2) + Sq(static_cast<double>(y1) - y2)));
}

float KUVOCore::Pyth(float a, float b) { return static_cast<float>(std::sqrt(Sq(a) + Sq(b))); }

float KUVOCore::WhichWayDoIGo(float from, float to) { return WhichWayDoIGo(from, to, 0.0f, 359.0f); }

// The period is one more than the range, so the negative answer is T - range:
// from 0 to 350 is -9, and from 0 to 359 is 0.
float KUVOCore::WhichWayDoIGo(float from, float to, float lo, float hi) {
    const float range = hi - lo;
    const float period = range + 1.0f;
    float a = Mod(from, period);
    if (a < 0) a += period;
    float b = Mod(to, period);
    if (b < 0) b += period;
    float t = Mod(b - a, period);
    if (t < 0) t += period;
    t += lo;
    if (t > lo + range / 2.0f) return t - range;
    return t;
}

// Cells are numbered 1..w across and 1..h down; the spiral starts at the
// centre, steps up, then turns clockwise ring by ring, and a cell it reaches
// only after first leaving the grid gives 0. Worked out directly rather than
// walked, so a large grid costs no more than a small one.
int KUVOCore::SpiralAt(int x, int y, int w, int h) {
    if (w <= 0 || h <= 0) return 0;
    if (x < 1 || x > w || y < 1 || y > h) return 0;
    const long long cx = (static_cast<long long>(w) + 1) / 2;
    const long long cy = (static_cast<long long>(h) + 1) / 2;

    // Free cells on each side of the centre; the first ring that does not fit
    // is where the walk leaves the grid, at the first cell of it that lies out.
    const long long left = cx - 1, right = w - cx, top = cy - 1, bottom = h - cy;
    const long long r = std::min(std::min(left, right), std::min(top, bottom)) + 1;
    const long long first = (2 * r - 1) * (2 * r - 1) + 1;
    long long exitNumber;
    if (r > top) {
        exitNumber = first;
    } else if (r > right) {
        exitNumber = first + right + r;
    } else if (r > bottom) {
        exitNumber = first + 2 * r + bottom + r;
    } else {
        exitNumber = first + 4 * r + left + r;
    }

    const long long n = SpiralNumber(x - cx, y - cy);
    if (n >= exitNumber || n > 2147483647LL) return 0;
    return static_cast<int>(n);
}

int KUVOCore::Collide_Point_Circle(float px, float py, float cx, float cy, float r) {
    CollideX = kNoPoint;
    CollideY = kNoPoint;
    return Sq(r) >= Sq(static_cast<double>(px) - cx) + Sq(static_cast<double>(py) - cy) ? 1 : 0;
}

int KUVOCore::Collide_Circle_Circle(float x1, float y1, float r1, float x2, float y2, float r2) {
    CollideX = kNoPoint;
    CollideY = kNoPoint;
    return Sq(static_cast<double>(r1) + r2) >= Sq(static_cast<double>(x1) - x2) + Sq(static_cast<double>(y1) - y2)
               ? 1
               : 0;
}

int KUVOCore::Collide_Line_Line(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4) {
    CollideX = kNoPoint;
    CollideY = kNoPoint;
    const double ax = static_cast<double>(x2) - x1, ay = static_cast<double>(y2) - y1;
    const double bx = static_cast<double>(x4) - x3, by = static_cast<double>(y4) - y3;
    const double ox = static_cast<double>(x1) - x3, oy = static_cast<double>(y1) - y3;
    const float d = static_cast<float>(by * ax - bx * ay);
    if (d == 0.0f) return 0;  // parallel, or on one line
    const float na = static_cast<float>(bx * oy - by * ox);
    const float ua = static_cast<float>(static_cast<double>(na) / d);
    if (!Within(ua, 0.0, 1.0)) return 0;
    const float nb = static_cast<float>(ax * oy - ay * ox);
    const float ub = static_cast<float>(static_cast<double>(nb) / d);
    if (!Within(ub, 0.0, 1.0)) return 0;
    CollideX = static_cast<float>(x1 + ax * ua);
    CollideY = static_cast<float>(y1 + ay * ua);
    return 1;
}

int KUVOCore::Collide_Rect_Rect(float x1, float y1, float w1, float h1, float x2, float y2, float w2, float h2) {
    const float l1 = static_cast<float>(x1 - w1 / 2.0), t1 = static_cast<float>(y1 - h1 / 2.0);
    const float l2 = static_cast<float>(x2 - w2 / 2.0), t2 = static_cast<float>(y2 - h2 / 2.0);
    const bool hit = static_cast<double>(l2) + w2 >= l1 && l2 <= static_cast<double>(l1) + w1 &&
                     static_cast<double>(t2) + h2 >= t1 && t2 <= static_cast<double>(t1) + h1;
    return hit ? 1 : 0;
}

int KUVOCore::Collide_Rect_Rect_Complex(float x1, float y1, float w1, float h1, float x2, float y2, float w2,
                                         float h2) {
    const double l1 = static_cast<float>(x1 - w1 / 2.0), t1 = static_cast<float>(y1 - h1 / 2.0);
    const double l2 = static_cast<float>(x2 - w2 / 2.0), t2 = static_cast<float>(y2 - h2 / 2.0);
    const bool x2in = Within(l2, l1, l1 + w1) || Within(l2 + w2, l1, l1 + w1);
    const bool y2in = Within(t2, t1, t1 + h1) || Within(t2 + h2, t1, t1 + h1);
    const bool x1in = Within(l1, l2, l2 + w2) || Within(l1 + w1, l2, l2 + w2);
    const bool y1in = Within(t1, t2, t2 + h2) || Within(t1 + h1, t2, t2 + h2);
    return ((x2in && y2in) || (x1in && y1in)) ? 1 : 0;
}
