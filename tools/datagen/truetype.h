// Access to a TrueType font file through stb_truetype for the generator:
// glyph coverage masks at any horizontal and vertical scale, turned into
// distance fields for outlines and effects. It only reads the font file it
// is given; if that file is missing, callers get empty glyphs, never a crash.
#pragma once

#include <stb/stb_truetype.h>

#include <string>
#include <vector>

#include "raster.h"

namespace dg {

// One glyph rendered into a coverage mask. The mask's pixel (0, 0) lies at
// (left, top) relative to the pen on the baseline, in mask pixels.
struct GlyphMask {
    int w = 0, h = 0;
    int left = 0, top = 0;
    int inkLeft = 0, inkRight = 0;  // ink extent in mask pixels, relative to the pen
    std::vector<float> coverage;
};

class TrueType {
public:
    bool Load(const std::string& path);
    bool Ok() const { return ok_; }
    // Scale (pixels per font unit) that makes a capital H the given height.
    float ScaleForCapHeight(float px) const;
    // Renders code point cp with pad transparent pixels round it.
    GlyphMask Render(int cp, float sx, float sy, int pad) const;
    // Advance width and kerning, in font units.
    int Advance(int cp) const;
    int Kern(int a, int b) const;

private:
    std::vector<unsigned char> data_;
    stbtt_fontinfo info_{};
    bool ok_ = false;
};

// A line of text as one distance field: each glyph rendered with the given
// scales (oversampled by os), placed by its advance plus extra spacing (in
// output pixels). width and height receive the field size in output pixels,
// baseline the baseline's y in output pixels from the field's top.
struct TextField {
    Field field{1, 1};
    float width = 0, height = 0, baseline = 0, os = 1;
};
TextField MakeTextField(const TrueType& font, const std::string& text, float sx, float sy,
                        float spacing, int os, int pad);

}  // namespace dg
