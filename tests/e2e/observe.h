// What a player sees and hears, read back from the game's own outputs: pixel
// probes of screenshots, text read with the game's font sheet, and how loud
// the captured sound is over time. Pure functions of files; they never touch
// the running game.
#pragma once

#include <string>
#include <vector>

#include "e2e/harness.h"

namespace e2e {

struct Rgb {
    int R = 0, G = 0, B = 0;
};

Rgb PixelAt(const Image& image, int x, int y);
// Channel by channel, the median of one row: what a row mostly shows, with
// sprites and text over it ignored.
Rgb RowMedian(const Image& image, int y);
// Every channel within tolerance.
bool Near(Rgb a, Rgb b, int tolerance);
std::string Describe(Rgb c);
// Share of pixels (0..1) whose channels differ by more than a little between
// two images of one size; 1 when the sizes differ.
double ChangedShare(const Image& a, const Image& b);

// The game's bitmap font as the renderer draws it (glyph cells of the sheet,
// nearest-neighbour scaling, white text shows the sheet's own colours).
class Font {
public:
    // The sheet of 32-pixel glyph cells for codes 32..127.
    bool Load(const std::string& sheetPath);
    // How well the shot shows text drawn at view point (x, y) with size and
    // alignment (0 left end, 1 centre, 2 right end): for each glyph the share
    // of its solid light inner ink (the fill, not the outline) seen in the
    // sheet's colours, less the share of its clear cell showing light fill
    // (another letter), and of those the worst (0..1), so one wrong letter
    // fails the whole text; best over offsets of a few pixels. Reads opaque
    // white text on an 800-unit-wide view.
    double Match(const Image& shot, const std::string& text, float x, float y, float size, int align) const;

private:
    double MatchAt(const Image& shot, const std::string& text, float x, float y, float size, int align, int dx,
                   int dy) const;
    Image sheet_;
};

// Loudness of a capture in short windows.
struct Loudness {
    double WindowSeconds = 0;
    std::vector<double> Rms;
    double Seconds() const { return static_cast<double>(Rms.size()) * WindowSeconds; }
    // Window holding a time, clamped to the capture.
    int IndexAt(double seconds) const;
};
Loudness LoudnessOf(const std::vector<short>& samples, int rate, double windowSeconds);
// First window from `from` on louder than level; -1 when none.
int FirstLoud(const Loudness& loudness, int from, double level);
// Loudest window in [from, to).
double PeakBetween(const Loudness& loudness, int from, int to);
// Normalised correlation (-1..1) of the windows starting at `at` with a
// template of windows; 0 when the template runs past the end or is flat.
double Correlation(const Loudness& loudness, int at, const std::vector<double>& pattern);

}  // namespace e2e
