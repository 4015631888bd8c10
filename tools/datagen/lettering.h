// Lines of bold text as shapes for the generator's pictures (logos, labels):
// set in the bold face, measured by their ink and placed by it. A missing
// font gives an empty shape, never a crash.
#pragma once

#include <string>

#include "raster.h"

namespace dg {

// A line of text placed on a canvas: its shape and the box its ink covers,
// both in canvas pixels.
struct Lettering {
    Sdf shape;
    float left = 0, top = 0, right = 0, bottom = 0;
};

// Sets text with capitals capHeight pixels tall, widths scaled by squeeze,
// spacing extra pixels between letters, its ink centred on x = centreX and
// its baseline at y = baseline.
Lettering SetLine(const std::string& text, float capHeight, float squeeze, float spacing,
                  float centreX, float baseline);

}  // namespace dg
