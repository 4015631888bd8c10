// The menu's round pictures, menu_front.png (the sunburst turning behind the
// start menu) and menu_back.png (loaded, not drawn), 512 x 512 each. They
// fade out inside radius 256 and never put a visible pixel outside it.

#include <cmath>

#include "datagen.h"
#include "raster.h"

namespace dg {
namespace {

constexpr int kSide = 512;
constexpr float kC = kSide / 2.0f;
constexpr float kFadeFrom = 170.0f;  // the picture starts to fade here...
constexpr float kFadeTo = 250.0f;    // ...and is gone here, inside radius 256

// How much of a picture shows at radius r.
float Envelope(float r) { return 1.0f - Smooth(kFadeFrom, kFadeTo, r); }

// Coverage of a soft ring of the given radius and half width.
float RingCover(float r, float radius, float half) { return Clamp01(half + 0.5f - std::fabs(r - radius)); }

// Fills every pixel from a function of its radius and angle (radians,
// clockwise from up), with the envelope applied to its alpha.
template <typename F>
void Paint(Canvas& c, F colourAt) {
    for (int y = 0; y < kSide; y++) {
        for (int x = 0; x < kSide; x++) {
            float dx = x + 0.5f - kC, dy = y + 0.5f - kC;
            float r = std::hypot(dx, dy);
            float env = Envelope(r);
            if (env <= 0) continue;
            RGBA col = colourAt(r, std::atan2(dx, -dy));
            col.a *= env;
            c.Set(x, y, col);
        }
    }
}

constexpr int kRays = 16;

void Front(Canvas& c) {
    Paint(c, [](float r, float a) {
        // Rays: coverage from the distance in pixels to the nearest ray edge,
        // softened over two pixels so that turning them does not shimmer.
        float edge = std::cos(a * kRays) * r / kRays;
        float ray = Clamp01(0.5f + edge / 2.0f);
        RGBA col = Mix(Rgb(24, 12, 72), Rgb(60, 32, 150), ray);
        // A bright core fading outward, and every other ray a little warmer.
        float warm = 0.5f + 0.5f * std::cos(a * kRays * 0.5f);
        col = Mix(col, Rgb(96, 44, 170), ray * warm * 0.35f);
        col = Mix(col, Rgb(150, 120, 255), (1.0f - Smooth(0.0f, 130.0f, r)) * 0.6f);
        // Thin rings, and beads on one of them between the rays.
        col = Mix(col, Rgb(170, 150, 255), RingCover(r, 96, 1.2f) * 0.45f);
        col = Mix(col, Rgb(170, 150, 255), RingCover(r, 176, 1.5f) * 0.5f);
        float bead = std::fmod(a + 2 * kPi, 2 * kPi / kRays) - kPi / kRays;  // angle to the gap's middle
        float bx = std::sin(bead) * 136.0f, by = std::cos(bead) * 136.0f - r;
        float beadCover = Clamp01(4.5f - std::hypot(bx, by));
        col = Mix(col, Rgb(200, 186, 255), beadCover * 0.8f);
        return col;
    });
}

void Back(Canvas& c) {
    Paint(c, [](float r, float) {
        // Concentric bands, brighter toward the middle.
        float band = 0.5f + 0.5f * std::cos(r * 2 * kPi / 32.0f);
        RGBA col = Mix(Rgb(16, 22, 70), Rgb(34, 52, 140), band * 0.6f);
        col = Mix(col, Rgb(110, 150, 255), (1.0f - Smooth(0.0f, 150.0f, r)) * 0.6f);
        return col;
    });
}

}  // namespace

bool MakeMenuPictures(const std::string& dir) {
    Canvas front(kSide, kSide), back(kSide, kSide);
    Front(front);
    Back(back);
    return Save(front, dir, "menu_front.png") && Save(back, dir, "menu_back.png");
}

}  // namespace dg
