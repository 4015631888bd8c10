// Advance widths, in glyph pixels, of the game font's codes 32..127 (index
// code - 32). The engine's text layout uses the same numbers, so the sheet's
// glyphs must stay inside them; never change one side without the other.
#pragma once

namespace dg {

constexpr int kFontFirstCode = 32;
constexpr int kFontGlyphCount = 96;

constexpr int kFontWidths[kFontGlyphCount] = {
    15,  5, 12, 19, 15, 22, 15,  5, 10, 10, 15, 15,  5, 15,  5, 15,
    16, 16, 16, 16, 16, 16, 16, 16, 16, 16,  5,  5, 15, 15, 15, 15,
    25, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 22, 15, 15,
    15, 15, 15, 15, 15, 15, 16, 22, 15, 15, 15, 10, 15, 10, 12, 16,
     5, 15, 15, 15, 15, 15, 15, 15, 15,  5, 10, 15,  5, 25, 15, 15,
    15, 15, 15, 15, 15, 15, 15, 22, 15, 15, 15, 11,  5, 12, 25,  0,
};

}  // namespace dg
