// Glyph rendering through stb_truetype (the implementation lives in Debian's
// libstb): coverage masks at separate x and y scales and whole text lines as
// distance fields. A missing or broken font gives empty glyphs, not a crash.

#include "truetype.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace dg {

bool TrueType::Load(const std::string& path) {
    ok_ = false;
    data_.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    unsigned char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0) data_.insert(data_.end(), buf, buf + n);
    std::fclose(f);
    if (data_.empty()) return false;
    int offset = stbtt_GetFontOffsetForIndex(data_.data(), 0);
    if (offset < 0) return false;
    ok_ = stbtt_InitFont(&info_, data_.data(), offset) != 0;
    return ok_;
}

float TrueType::ScaleForCapHeight(float px) const {
    if (!ok_) return 1.0f;
    int x0, y0, x1, y1;
    if (!stbtt_GetCodepointBox(&info_, 'H', &x0, &y0, &x1, &y1) || y1 <= 0) return 1.0f;
    return px / static_cast<float>(y1);
}

GlyphMask TrueType::Render(int cp, float sx, float sy, int pad) const {
    GlyphMask m;
    m.left = -pad;
    m.top = -pad;
    m.w = 2 * pad;
    m.h = 2 * pad;
    if (!ok_) {
        m.coverage.assign(static_cast<size_t>(m.w) * m.h, 0.0f);
        return m;
    }
    int ix0 = 0, iy0 = 0, ix1 = 0, iy1 = 0;
    stbtt_GetCodepointBitmapBox(&info_, cp, sx, sy, &ix0, &iy0, &ix1, &iy1);
    int gw = ix1 - ix0, gh = iy1 - iy0;
    if (gw < 0) gw = 0;
    if (gh < 0) gh = 0;
    m.w = gw + 2 * pad;
    m.h = gh + 2 * pad;
    m.left = ix0 - pad;
    m.top = iy0 - pad;
    int bx0, by0, bx1, by1;
    if (stbtt_GetCodepointBox(&info_, cp, &bx0, &by0, &bx1, &by1)) {
        m.inkLeft = static_cast<int>(std::floor(bx0 * sx));
        m.inkRight = static_cast<int>(std::ceil(bx1 * sx));
    }
    std::vector<unsigned char> bytes(static_cast<size_t>(m.w) * m.h, 0);
    if (gw > 0 && gh > 0) {
        stbtt_MakeCodepointBitmapSubpixel(&info_, bytes.data() + pad * m.w + pad, gw, gh, m.w, sx, sy,
                                          0.0f, 0.0f, cp);
    }
    m.coverage.resize(bytes.size());
    for (size_t i = 0; i < bytes.size(); i++) m.coverage[i] = bytes[i] / 255.0f;
    return m;
}

int TrueType::Advance(int cp) const {
    if (!ok_) return 0;
    int adv = 0, lsb = 0;
    stbtt_GetCodepointHMetrics(&info_, cp, &adv, &lsb);
    return adv;
}

int TrueType::Kern(int a, int b) const {
    return ok_ ? stbtt_GetCodepointKernAdvance(&info_, a, b) : 0;
}

TextField MakeTextField(const TrueType& font, const std::string& text, float sx, float sy,
                        float spacing, int os, int pad) {
    TextField out;
    out.os = static_cast<float>(os);
    float hx = sx * os, hy = sy * os;  // font units to field pixels
    // Lay the glyphs out first to size the field.
    struct Placed { GlyphMask mask; float pen; };
    std::vector<Placed> glyphs;
    float pen = 0;
    int top = 0, bottom = 0;
    float right = 0;
    for (size_t i = 0; i < text.size(); i++) {
        int cp = static_cast<unsigned char>(text[i]);
        GlyphMask m = font.Render(cp, hx, hy, 0);
        top = std::min(top, m.top);
        bottom = std::max(bottom, m.top + m.h);
        right = std::max(right, pen + m.left + m.w);
        glyphs.push_back({m, pen});
        pen += font.Advance(cp) * hx + spacing * os;
        if (i + 1 < text.size()) pen += font.Kern(cp, static_cast<unsigned char>(text[i + 1])) * hx;
    }
    int w = static_cast<int>(std::ceil(std::max(right, pen))) + 2 * pad;
    int h = bottom - top + 2 * pad;
    std::vector<float> mask(static_cast<size_t>(w) * h, 0.0f);
    for (const Placed& g : glyphs) {
        int gx = static_cast<int>(std::lround(g.pen)) + g.mask.left + pad;
        int gy = g.mask.top - top + pad;
        for (int y = 0; y < g.mask.h; y++) {
            for (int x = 0; x < g.mask.w; x++) {
                int tx = gx + x, ty = gy + y;
                if (tx < 0 || ty < 0 || tx >= w || ty >= h) continue;
                float& d = mask[static_cast<size_t>(ty) * w + tx];
                d = std::max(d, g.mask.coverage[static_cast<size_t>(y) * g.mask.w + x]);
            }
        }
    }
    out.field = Field::FromMask(mask, w, h);
    out.width = w / out.os;
    out.height = h / out.os;
    out.baseline = (pad - top) / out.os;
    return out;
}

}  // namespace dg
