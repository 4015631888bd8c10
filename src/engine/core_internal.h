// Globals private to the engine layer (and visible to its tests): the clock,
// the view computed by RenderGame, the input edge latches, the scratch-text
// ring index and the random generator's state. The game never includes this.
#pragma once

extern int GameStartTime;     // process-relative milliseconds at Begin / SetNum
extern int RenderThread;      // counter cycling 0..4, advanced at each render
extern int RenderCountLive;   // renders since the last once-a-second sample
extern int UpdateCountLive;   // polls since the last once-a-second sample
extern int rw2, rh2;          // half view width / height (view units, less the bump)
extern int iBump;             // 0, 1 (tall) or 2 (wide)
extern float ViewScale;       // 2 / VirtualWidth
extern int DebugToggle, ScreenshotToggle;
extern int TempstrUse;        // ring index of the scratch text used last

extern int qRand_Seed, qRand_Count, qRand_Bit, qRand_Plus, qRand_Out, qRand_tSeed;
extern const unsigned char qRand_Txt[256];

// Milliseconds of a monotonic clock since the process started. Mills() is this
// minus GameStartTime.
int KuvoProcessMillis();

class KUVOCore;
// The view step of RenderGame, after the backend has drawn: from the backend's
// VirtualWidth, AspectRatio and framebuffer size it returns the view size and
// sets rw2, rh2, iBump, ViewScale, the backend's view centre, VirtualWidth and
// ImageScale for the next frame, and core's ViewWidthInt/ViewHeightInt and
// RealWidth/RealHeight.
void KuvoViewFromFrame(KUVOCore& core, float& width, float& height);

// Seconds of the calendar clock (time()) that the date and time getters read;
// tests point it at a fixed moment.
extern long long (*KuvoCalendarSeconds)();

// The draw list refuses records past its capacity: a writer asks for the next
// record and gets nullptr when the list is full, so the count and the draw
// state behind the list are never overwritten.
double* KuvoNextRecord();
// Finishes the record KuvoNextRecord handed out: copies the draw state into it
// and counts it. Returns the new count.
int KuvoCommitRecord();

namespace kuvo {
constexpr int kFontFirstCode = 32;  // character code of the font sheet's frame 0
constexpr int kFontGlyphs = 96;     // glyphs for codes 32..127
}  // namespace kuvo

// Advance widths in glyph pixels of the font's codes 32..127 (index code - 32);
// the data generator lays the font sheet out against the same numbers.
extern const int fontw[kuvo::kFontGlyphs];
