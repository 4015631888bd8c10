// Text lines as shapes: each line is rendered once into an oversampled
// distance field and centred by the ink the field holds, never by advance
// widths, so that lines look centred whatever their letters.

#include "lettering.h"

#include <algorithm>

#include "datagen.h"
#include "truetype.h"

namespace dg {
namespace {
constexpr int kOversample = 4;  // field pixels per canvas pixel
constexpr int kPad = 8;         // field pixels of margin round the line
}  // namespace

Lettering SetLine(const std::string& text, float capHeight, float squeeze, float spacing,
                  float centreX, float baseline) {
    const TrueType& font = BoldFont();
    float sy = font.ScaleForCapHeight(capHeight);
    TextField tf = MakeTextField(font, text, sy * squeeze, sy, spacing, kOversample, kPad);
    const Field& f = tf.field;
    int x0 = f.W(), x1 = -1, y0 = f.H(), y1 = -1;
    for (int y = 0; y < f.H(); y++) {
        for (int x = 0; x < f.W(); x++) {
            if (f.At(x, y) >= 0) continue;
            x0 = std::min(x0, x);
            x1 = std::max(x1, x);
            y0 = std::min(y0, y);
            y1 = std::max(y1, y);
        }
    }
    Lettering out;
    if (x1 < 0) {  // nothing inked (no font): a shape that is nowhere
        out.shape = [](float, float) { return 1e9f; };
        return out;
    }
    const float os = tf.os;
    float inkMid = (x0 + x1 + 1) * 0.5f / os;
    float ox = centreX - inkMid, oy = baseline - tf.baseline;
    out.shape = f.AsShape(ox, oy, os);
    out.left = ox + x0 / os;
    out.right = ox + (x1 + 1) / os;
    out.top = oy + y0 / os;
    out.bottom = oy + (y1 + 1) / os;
    return out;
}

}  // namespace dg
