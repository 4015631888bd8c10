// Reading screenshots and sound captures: pixel probes, text read with the
// game's font sheet, loudness windows. Every function checks its bounds and
// answers a neutral value (black, 0, -1) for anything outside the data.

#include "e2e/observe.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core_internal.h"  // the font's advance widths, shared with the renderer

namespace e2e {
namespace {

constexpr int kCell = 32;             // glyph cell side in the font sheet
constexpr int kSheetColumns = 16;     // glyph cells a row
constexpr int kSolidAlpha = 250;      // ink this opaque counts as solid
constexpr int kFillLevel = 140;       // the light fill, not the dark outline
constexpr int kInkTolerance = 24;     // per channel, shot against sheet
constexpr int kSearchPixels = 3;      // text may sit this far off its spot
constexpr int kChangeTolerance = 12;  // per channel, for "the picture changed"

int Channel(const Image& image, int x, int y, int c) { return image.At(static_cast<unsigned>(x), static_cast<unsigned>(y))[c]; }

bool Inside(const Image& image, int x, int y) {
    return x >= 0 && y >= 0 && x < static_cast<int>(image.Width) && y < static_cast<int>(image.Height);
}

// The font's fill is light grey to white; backgrounds the game puts text on
// are not.
bool LightGrey(Rgb c) {
    const int lo = std::min({c.R, c.G, c.B}), hi = std::max({c.R, c.G, c.B});
    return lo >= kFillLevel && hi - lo <= 40;
}

int Advance(char c) {
    const int code = static_cast<unsigned char>(c);
    if (code < kuvo::kFontFirstCode || code >= kuvo::kFontFirstCode + kuvo::kFontGlyphs) return 0;
    return fontw[code - kuvo::kFontFirstCode];
}

}  // namespace

Rgb PixelAt(const Image& image, int x, int y) {
    if (!Inside(image, x, y)) return Rgb{};
    return Rgb{Channel(image, x, y, 0), Channel(image, x, y, 1), Channel(image, x, y, 2)};
}

Rgb RowMedian(const Image& image, int y) {
    if (y < 0 || y >= static_cast<int>(image.Height) || image.Width == 0) return Rgb{};
    int out[3];
    std::vector<int> v(image.Width);
    for (int c = 0; c < 3; ++c) {
        for (unsigned x = 0; x < image.Width; ++x) v[x] = Channel(image, static_cast<int>(x), y, c);
        std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
        out[c] = v[v.size() / 2];
    }
    return Rgb{out[0], out[1], out[2]};
}

bool Near(Rgb a, Rgb b, int tolerance) {
    return std::abs(a.R - b.R) <= tolerance && std::abs(a.G - b.G) <= tolerance && std::abs(a.B - b.B) <= tolerance;
}

std::string Describe(Rgb c) {
    char text[48];
    std::snprintf(text, sizeof text, "(%d, %d, %d)", c.R, c.G, c.B);
    return text;
}

double ChangedShare(const Image& a, const Image& b) {
    if (a.Width != b.Width || a.Height != b.Height || a.Width == 0) return 1.0;
    size_t changed = 0;
    const size_t pixels = static_cast<size_t>(a.Width) * a.Height;
    for (size_t i = 0; i < pixels; ++i) {
        for (int c = 0; c < 3; ++c) {
            if (std::abs(a.Rgba[i * 4 + c] - b.Rgba[i * 4 + c]) > kChangeTolerance) {
                ++changed;
                break;
            }
        }
    }
    return static_cast<double>(changed) / static_cast<double>(pixels);
}

bool Font::Load(const std::string& sheetPath) {
    return ReadPng(sheetPath, &sheet_) && sheet_.Width >= kSheetColumns * kCell;
}

double Font::Match(const Image& shot, const std::string& text, float x, float y, float size, int align) const {
    double best = 0;
    for (int dy = -kSearchPixels; dy <= kSearchPixels; ++dy)
        for (int dx = -kSearchPixels; dx <= kSearchPixels; ++dx)
            best = std::max(best, MatchAt(shot, text, x, y, size, align, dx, dy));
    return best;
}

double Font::MatchAt(const Image& shot, const std::string& text, float x, float y, float size, int align, int dx,
                     int dy) const {
    if (sheet_.Width == 0 || !(size > 0)) return 0;
    // Where the renderer puts each glyph: the pen starts 14 glyph pixels in
    // and moves by the advance less one; a centred text starts half its
    // measured width to the left, a right-aligned one its whole width.
    float width = 0;
    for (char c : text) width += (Advance(c) > 0 ? Advance(c) - 1 : 0) * size;
    const float shift = align == 1 ? width / 2 : align == 2 ? width : 0;
    float pen = x - shift + (fontw[0] - 1) * size;
    const int glyphs = static_cast<int>(sheet_.Width / kCell) * static_cast<int>(sheet_.Height / kCell);
    double worst = 1.0;
    bool any = false;
    for (char c : text) {
        size_t solid = 0, found = 0, clear = 0, stray = 0;
        const int frame = static_cast<unsigned char>(c) - kuvo::kFontFirstCode;
        const float left = pen - kCell * size / 2, top = y - kCell * size / 2;
        if (frame >= 0 && frame < glyphs) {
            const int cellX = (frame % kSheetColumns) * kCell, cellY = (frame / kSheetColumns) * kCell;
            auto texel = [&](int u, int v) { return sheet_.At(static_cast<unsigned>(cellX + u), static_cast<unsigned>(cellY + v)); };
            auto solidAt = [&](int u, int v) { return u >= 0 && v >= 0 && u < kCell && v < kCell && texel(u, v)[3] >= kSolidAlpha; };
            auto clearAt = [&](int u, int v) { return u < 0 || v < 0 || u >= kCell || v >= kCell || texel(u, v)[3] == 0; };
            const int x0 = static_cast<int>(std::floor(left)), y0 = static_cast<int>(std::floor(top));
            const int span = static_cast<int>(std::ceil(kCell * size)) + 1;
            for (int py = y0; py < y0 + span; ++py) {
                for (int px = x0; px < x0 + span; ++px) {
                    const int u = static_cast<int>(std::floor((px + 0.5f - left) / size));
                    const int v = static_cast<int>(std::floor((py + 0.5f - top) / size));
                    // Solid with solid neighbours (or clear with clear ones): a
                    // shift of a pixel stays on ink (or off it).
                    bool inner = true, outer = true;
                    for (int j = -1; j <= 1; ++j)
                        for (int i = -1; i <= 1; ++i) {
                            inner = inner && solidAt(u + i, v + j);
                            outer = outer && clearAt(u + i, v + j);
                        }
                    // Neighbouring letters' ink reaches column 0 of this cell
                    // and starts again one column past the advance.
                    if (outer && u >= 2 && v >= 0 && u <= Advance(c) - 3 && v < kCell) {
                        ++clear;  // no ink of this glyph: light fill here is another letter
                        if (LightGrey(PixelAt(shot, px + dx, py + dy))) ++stray;
                    }
                    if (!inner) continue;
                    const unsigned char* fill = texel(u, v);
                    if (std::max({fill[0], fill[1], fill[2]}) < kFillLevel) continue;
                    ++solid;
                    const Rgb seen = PixelAt(shot, px + dx, py + dy);
                    // Nearest sampling may pick the next texel at a boundary.
                    const int near[5][2] = {{0, 0}, {1, 0}, {-1, 0}, {0, 1}, {0, -1}};
                    for (const auto& n : near) {
                        const unsigned char* t = texel(u + n[0], v + n[1]);
                        if (Near(seen, Rgb{t[0], t[1], t[2]}, kInkTolerance)) {
                            ++found;
                            break;
                        }
                    }
                }
            }
        }
        if (solid > 0) {
            any = true;
            worst = std::min(worst, static_cast<double>(found) / static_cast<double>(solid));
        }
        if (clear > 0) worst = std::min(worst, 1.0 - static_cast<double>(stray) / static_cast<double>(clear));
        if (Advance(c) > 0) pen += (Advance(c) - 1) * size;
    }
    return any ? worst : 0.0;
}

int Loudness::IndexAt(double seconds) const {
    if (Rms.empty() || !(WindowSeconds > 0)) return 0;
    const double i = std::floor(seconds / WindowSeconds);
    if (!(i > 0)) return 0;
    if (i >= static_cast<double>(Rms.size())) return static_cast<int>(Rms.size()) - 1;
    return static_cast<int>(i);
}

Loudness LoudnessOf(const std::vector<short>& samples, int rate, double windowSeconds) {
    Loudness out;
    out.WindowSeconds = windowSeconds;
    const size_t window = static_cast<size_t>(std::max(1.0, rate * windowSeconds));
    for (size_t at = 0; at + window <= samples.size(); at += window) {
        double sum = 0;
        for (size_t i = at; i < at + window; ++i) sum += static_cast<double>(samples[i]) * samples[i];
        out.Rms.push_back(std::sqrt(sum / static_cast<double>(window)));
    }
    return out;
}

int FirstLoud(const Loudness& loudness, int from, double level) {
    for (size_t i = static_cast<size_t>(std::max(from, 0)); i < loudness.Rms.size(); ++i)
        if (loudness.Rms[i] > level) return static_cast<int>(i);
    return -1;
}

double PeakBetween(const Loudness& loudness, int from, int to) {
    double peak = 0;
    for (int i = std::max(from, 0); i < to && i < static_cast<int>(loudness.Rms.size()); ++i)
        peak = std::max(peak, loudness.Rms[static_cast<size_t>(i)]);
    return peak;
}

double Correlation(const Loudness& loudness, int at, const std::vector<double>& pattern) {
    if (at < 0 || pattern.empty() || static_cast<size_t>(at) + pattern.size() > loudness.Rms.size()) return 0;
    const size_t n = pattern.size();
    double ma = 0, mb = 0;
    for (size_t i = 0; i < n; ++i) {
        ma += loudness.Rms[at + i];
        mb += pattern[i];
    }
    ma /= static_cast<double>(n);
    mb /= static_cast<double>(n);
    double sab = 0, saa = 0, sbb = 0;
    for (size_t i = 0; i < n; ++i) {
        const double a = loudness.Rms[at + i] - ma, b = pattern[i] - mb;
        sab += a * b;
        saa += a * a;
        sbb += b * b;
    }
    if (!(saa > 0) || !(sbb > 0)) return 0;
    return sab / std::sqrt(saa * sbb);
}

}  // namespace e2e
