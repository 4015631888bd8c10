// The draw state: the colours, size, rotation, thickness and depth that every
// new draw record copies, the clear colour and its fade, and the blend mode.
// Setters write ASys directly; only SetBlend and CLSGradient append records.

#include <cmath>

#include "KUVOCore.h"
#include "KUVO_glfw3.h"
#include "core_internal.h"

namespace {

constexpr float kChannelMax = 255.0f;
// A fade divisor d leaves (1 - 1/d) of the gap each render: at 0.5 or below
// that factor reaches -1 and the colour swings for ever or runs away.
constexpr float kMinFadeDivisor = 0.5f;
constexpr float kMinLineThickness = 0.05f;

// Bounds a channel or alpha to 0..255; NaN becomes 0 (fmax drops it).
float Channel(float v) { return std::fmin(kChannelMax, std::fmax(0.0f, v)); }

struct Rgb {
    unsigned char r, g, b;
};
// Ink's palette by n % 10; negative remainders take the last entry.
constexpr Rgb kInkPalette[10] = {
    {0, 0, 0},     {255, 0, 0},   {255, 128, 0}, {255, 255, 0},   {0, 255, 0},
    {0, 255, 255}, {0, 0, 255},   {180, 0, 255}, {255, 0, 180},   {255, 255, 255},
};

void SetClear(float r, float g, float b) {
    ASys.ClsR = ASys.ClsTargetR = Channel(r);
    ASys.ClsG = ASys.ClsTargetG = Channel(g);
    ASys.ClsB = ASys.ClsTargetB = Channel(b);
    ASys.ClsFade = 1.0f;
}

}  // namespace

void KUVOCore::ResetDraw() {
    SetSize(1.0f);
    SetCol(kChannelMax, kChannelMax, kChannelMax, 1.0f);
    ASys.DrawRot = 0.0f;
    ASys.LineThick = 0.5f;
    ASys.Depth1 = ASys.Depth2 = 0.5f;
}

void KUVOCore::SetSize(float s) { SetSize(s, s); }

void KUVOCore::SetSize(float x, float y) {
    // Stored over the view scale so the writers' multiplication gives view
    // units; the vertical factor is negated to match the renderer's y flip.
    ASys.SizeX = x / ViewScale;
    ASys.SizeY = -(y / ViewScale);
}

void KUVOCore::SetRot(float r) { ASys.DrawRot = r; }

void KUVOCore::SetLineThickness(float t) {
    if (!(t >= kMinLineThickness)) t = kMinLineThickness;
    ASys.LineThick = t * 0.5f;
}
void KUVOCore::Width(float t) { SetLineThickness(t); }
void KUVOCore::Thick(float t) { SetLineThickness(t); }
void KUVOCore::SetLineWidth(float t) { SetLineThickness(t); }
void KUVOCore::SetLineThick(float t) { SetLineThickness(t); }

void KUVOCore::SetCLS(float r, float g, float b) { SetClear(r, g, b); }
void KUVOCore::CLS(float r, float g, float b) { SetClear(r, g, b); }

void KUVOCore::FadeCLS(float r, float g, float b, float divisor) {
    ASys.ClsTargetR = Channel(r);
    ASys.ClsTargetG = Channel(g);
    ASys.ClsTargetB = Channel(b);
    if (!(divisor > kMinFadeDivisor)) {
        // Such a fade could never settle; arrive at once instead.
        SetClear(ASys.ClsTargetR, ASys.ClsTargetG, ASys.ClsTargetB);
        return;
    }
    ASys.ClsFade = divisor;
}

void KUVOCore::SetCLSRot(float angle, float low, float high) {
    low = Channel(low);
    high = Channel(high);
    const float d = high - low;
    SetClear(high + d * Sin(angle), high + d * Sin(angle + 120.0f), high + d * Sin(angle + 240.0f));
}

void KUVOCore::CLSGradient(float r1, float g1, float b1, float a1, float r2, float g2, float b2, float a2) {
    SetGradient(r1, g1, b1, a1, r2, g2, b2, a2);
    // The margin covers the view even under a small rotation or overscan.
    Rect(static_cast<float>(ViewWidthInt / 2), static_cast<float>(ViewHeightInt / 2),
         static_cast<float>(ViewWidthInt) + 256.0f, static_cast<float>(ViewHeightInt) + 256.0f);
}

void KUVOCore::Ink(int n) {
    const int i = n % 10;
    const Rgb& c = kInkPalette[i < 0 ? 9 : i];
    SetCol(c.r, c.g, c.b, 1.0f);
}

void KUVOCore::InkRot(double h) { HSV2RGB(h, 1.0, 1.0); }
void KUVOCore::InkRot(double h, double s) { HSV2RGB(h, s, 1.0); }
void KUVOCore::InkRot(double h, double s, double v) { HSV2RGB(h, s, v); }

void KUVOCore::HSV2RGB(double h, double s, double v) {
    if (!std::isfinite(h)) h = 0.0;  // keeps the sector conversion defined
    h = std::fmod(h, 360.0);
    if (h >= 360.0) h = 0.0;
    if (s <= 0.0) {
        const float grey = static_cast<float>(v * 255.0);
        SetCol(grey, grey, grey, 1.0f);
        return;
    }
    const double x = h / 60.0;
    const int sector = static_cast<int>(x);
    const double f = x - sector;
    const double p = v * (1.0 - s);
    const double q = v * (1.0 - s * f);
    const double t = v * (1.0 - s * (1.0 - f));
    double r, g, b;
    switch (sector) {
        case 0: r = v; g = t; b = p; break;
        case 1: r = q; g = v; b = p; break;
        case 2: r = p; g = v; b = t; break;
        case 3: r = p; g = q; b = v; break;
        case 4: r = t; g = p; b = v; break;
        default: r = v; g = p; b = q; break;
    }
    SetCol(static_cast<float>(r * 255.0), static_cast<float>(g * 255.0), static_cast<float>(b * 255.0), 1.0f);
}

void KUVOCore::SetCol(float r, float g, float b) {
    ASys.InkR = ASys.InkR2 = Channel(r);
    ASys.InkG = ASys.InkG2 = Channel(g);
    ASys.InkB = ASys.InkB2 = Channel(b);
}

void KUVOCore::SetCol(float r, float g, float b, float a) {
    SetCol(r, g, b);
    SetAlpha(a);
}

void KUVOCore::SetGradient(float r1, float g1, float b1, float a1, float r2, float g2, float b2, float a2) {
    // The first colour is the top edge / rim (colour 2 of the record), the
    // second the bottom edge / centre (colour 1).
    ASys.InkR2 = Channel(r1);
    ASys.InkG2 = Channel(g1);
    ASys.InkB2 = Channel(b1);
    ASys.InkA2 = Channel(a1 * kChannelMax);
    ASys.InkR = Channel(r2);
    ASys.InkG = Channel(g2);
    ASys.InkB = Channel(b2);
    ASys.InkA = Channel(a2 * kChannelMax);
}

void KUVOCore::SetDepth(float d) { SetDepth(d, d); }
void KUVOCore::Depth(float d) { SetDepth(d, d); }
void KUVOCore::SetDepth(float a, float b) {
    ASys.Depth1 = a;
    ASys.Depth2 = b;
}
void KUVOCore::Depth(float a, float b) { SetDepth(a, b); }

void KUVOCore::SetAlpha(float a) { ASys.InkA = ASys.InkA2 = Channel(a * kChannelMax); }
void KUVOCore::Alpha(float a) { SetAlpha(a); }

void KUVOCore::SetBlend(int mode) {
    if (mode == ASys.BlendMode) return;
    double* rec = KuvoNextRecord();
    // A full list keeps the old mode, so BlendMode still names the last
    // blend record that really is in the list.
    if (!rec) return;
    rec[0] = 50;
    rec[1] = mode;
    ASys.BlendMode = mode;
    ++ASys.DrawCount;
}
