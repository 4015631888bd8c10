// The game font sheet, entplain.png: 96 glyph cells of 32 x 32 for codes
// 32..127, white bold letters with a dark rim, each squeezed into its fixed
// advance width. A glyph never inks outside columns 2..(width - 1) of its
// cell, so neighbouring letters never touch.

#include <cmath>
#include <cstdio>

#include "datagen.h"
#include "font_widths.h"
#include "raster.h"
#include "truetype.h"

namespace dg {
namespace {

constexpr int kCell = 32;
constexpr int kColumns = 16;
constexpr float kCapHeight = 18.0f;  // capitals span rows 6.5..24.5 before the rim
constexpr float kBaseline = 24.5f;
constexpr float kRim = 1.0f;         // dark rim round every glyph, in pixels
constexpr float kDrop = 1.0f;        // the rim is pushed this far down and right again
constexpr int kOversample = 8;       // glyph masks are rendered this much finer
constexpr float kMinStem = 2.0f;     // narrowest a glyph body may be squeezed

// Glyph bodies are emboldened a little all round, and more sideways when
// they are squeezed hard, so that squeezed vertical strokes stay as heavy as
// the horizontal ones.
constexpr float kBaseBold = 0.25f;
float Embolden(float squeeze) { return kBaseBold + 0.9f * (1.0f - squeeze); }

// Widens a shape sideways only: growing it upwards too would close the small
// gaps between the dots and stems of i, j, ! and ; in a squeezed glyph.
Sdf Widen(Sdf a, float by) {
    constexpr int kTaps = 8;
    return [a, by](float x, float y) {
        float d = a(x, y);
        for (int i = 1; i <= kTaps; i++) {
            float t = by * static_cast<float>(i) / kTaps;
            d = std::fmin(d, std::fmin(a(x - t, y), a(x + t, y)));
        }
        return d;
    };
}

void DrawGlyph(Canvas& sheet, const TrueType& font, int code) {
    int index = code - kFontFirstCode;
    int width = kFontWidths[index];
    int avail = width - 2;  // columns 2..width-1
    if (avail <= 0) return;
    float sy = font.ScaleForCapHeight(kCapHeight);

    // The natural ink width at full scale, from a coarse render.
    GlyphMask probe = font.Render(code, sy, sy, 0);
    float natural = static_cast<float>(probe.inkRight - probe.inkLeft);
    if (natural <= 0) return;

    // Narrow glyphs (i, l, ., :) cannot keep a rim on both sides: their body
    // keeps two pixels and only the dropped rim on the right remains, which
    // reads as the same shadow every other letter casts.
    bool narrow = avail - 2 * kRim - kDrop < kMinStem + 0.5f;
    float bodyMax = narrow ? static_cast<float>(avail) - kDrop : avail - 2 * kRim - kDrop;

    float squeeze = 1.0f, grow = Embolden(1.0f);
    for (int pass = 0; pass < 3; pass++) {
        float room = bodyMax - 2 * grow;
        squeeze = natural > room ? room / natural : 1.0f;
        if (squeeze < 0.3f) squeeze = 0.3f;
        grow = Embolden(squeeze);
    }
    float sx = sy * squeeze;
    float body = natural * squeeze + 2 * grow;

    // Centre the inked span (body, rim and drop) in its columns; a narrow
    // body sits against the left edge, its drop against the right.
    float left = narrow ? 2.0f : 2.0f + kRim + (avail - body - 2 * kRim - kDrop) * 0.5f;
    int pad = 4 * kOversample;
    GlyphMask m = font.Render(code, sx * kOversample, sy * kOversample, pad);
    Field field = Field::FromMask(m.coverage, m.w, m.h);
    float penX = left + grow - m.inkLeft / static_cast<float>(kOversample);
    float ox = penX + m.left / static_cast<float>(kOversample);
    float oy = kBaseline + m.top / static_cast<float>(kOversample);
    Sdf shape = Grow(Widen(field.AsShape(ox, oy, static_cast<float>(kOversample)), grow - kBaseBold), kBaseBold);

    // Only columns 2..width-1 of the cell may be touched.
    int cx = (index % kColumns) * kCell, cy = (index / kColumns) * kCell;
    Region inked{&sheet, cx + 2, cy, avail, kCell};
    Sdf local = Move(shape, -2.0f, 0.0f);
    RGBA rim = Rgb(16, 14, 34);
    Fill(inked, Grow(local, kRim), rim);
    Fill(inked, Move(Grow(local, kRim), kDrop, kDrop), rim);
    Fill(inked, local, Linear(0, 7, Grey(1.0f), 0, 25, Grey(0.80f)));
}

}  // namespace

bool MakeFont(const std::string& dir) {
    const TrueType& font = BoldFont();
    if (!font.Ok()) {
        std::fprintf(stderr, "zindle-datagen: cannot read the font file\n");
        return false;
    }
    Canvas sheet(kColumns * kCell, 6 * kCell);
    // Frame 0 (space) and frame 95 (code 127) stay blank.
    for (int code = 33; code < 127; code++) DrawGlyph(sheet, font, code);
    return Save(sheet, dir, "entplain.png");
}

}  // namespace dg
