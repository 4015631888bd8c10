// Software pixel buffers painted in memory, the screen copy into slot 102, and
// PNG screenshots. Every write is checked against the slot's real store, so no
// slot number, size or coordinate can reach outside it, and no loop runs
// longer than the buffer it paints.

#include <lodepng.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <string>

#include "sys_internal.h"

namespace {

constexpr int kCellPad = 4;          // a frame sits 4 texels into its cell
constexpr int kScratchReadSlot = 101;  // raw framebuffer read-back
constexpr int kScreenshotSlot = 100;   // upright, opaque copy for saving
constexpr int kMinGrabSide = 64;
constexpr int kGrabRoundUpLimit = 2048;  // above this the copy is 4096 wide
constexpr float kDefaultViewWidth = 800.0f;

bool ValidSlot(int slot) { return slot >= 0 && slot < kuvo::kImageSlots; }

// Side of a paintable slot: its texture side, or 0 when it has none or its
// store is smaller than that side says.
int PaintSide(int slot) {
    if (!ValidSlot(slot)) return 0;
    const int s = iSize[slot];
    if (s <= 0) return 0;
    if (Image[slot].size() < static_cast<size_t>(s) * static_cast<size_t>(s) * 4u) return 0;
    return s;
}

unsigned char* Pixel(int slot, int side, int x, int y) {
    return &Image[slot][(static_cast<size_t>(y) * static_cast<size_t>(side) + static_cast<size_t>(x)) * 4u];
}

float Clamp255(float v) {
    if (!(v >= 0.0f)) return 0.0f;  // NaN too
    return v > 255.0f ? 255.0f : v;
}

// A pixel coordinate from a float, or -1 when it lies outside 0..side-1.
int PixelIndex(float v, int side) {
    const float f = std::floor(v);
    if (!(f >= 0.0f && f < static_cast<float>(side))) return -1;
    return static_cast<int>(f);
}

// One pass of a line along its major axis `a` (x when alongX). The loop runs
// only over the part of the axis inside the buffer.
void LinePass(int slot, int side, bool alongX, float a1, float b1, float a2, float b2,
              const unsigned char* colour) {
    if (a1 > a2) {
        std::swap(a1, a2);
        std::swap(b1, b2);
    }
    const float start = std::max(std::trunc(a1), 0.0f);
    const float end = std::min(a2, static_cast<float>(side));
    if (!(start < end)) return;
    for (int i = static_cast<int>(start); static_cast<float>(i) < end; ++i) {
        const float b = b1 + (b2 - b1) / (a2 - a1) * (static_cast<float>(i) - a1);
        const int j = PixelIndex(b, side);
        if (j < 0) continue;  // includes the slopeless pass, whose b is not finite
        memcpy(alongX ? Pixel(slot, side, i, j) : Pixel(slot, side, j, i), colour, 4);
    }
}

// The framebuffer, upright and opaque, into the store of slot 100.
void ReadUpright() {
    const int w = std::max(ASys.FrameW, 0);
    const int h = std::max(ASys.FrameH, 0);
    const size_t bytes = static_cast<size_t>(w) * static_cast<size_t>(h) * 4u;
    KuvoReadFrame(Image[kScratchReadSlot]);
    Image[kScreenshotSlot].resize(bytes);
    const size_t row = static_cast<size_t>(w) * 4u;
    for (int i = 0; i < h; ++i) {
        const unsigned char* s = &Image[kScratchReadSlot][static_cast<size_t>(h - 1 - i) * row];
        unsigned char* d = &Image[kScreenshotSlot][static_cast<size_t>(i) * row];
        for (int j = 0; j < w; ++j, s += 4, d += 4) {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
            d[3] = 255;
        }
    }
    ImageVersion[kScratchReadSlot] += 1;
    ImageVersion[kScreenshotSlot] += 1;
}

}  // namespace

void KUVOSys::Buffer_Create(int slot, int side) {
    if (slot < 0 || slot > kuvo::kBufferSlotMax) return;
    if (side <= 0 || side > kuvo::kMaxImageSide) return;
    const size_t bytes = static_cast<size_t>(side) * static_cast<size_t>(side) * 4u;
    try {
        Image[slot].assign(bytes, 0);
        ImageBlur[slot].assign(bytes, 0);
    } catch (const std::bad_alloc&) {
        Image[slot].clear();
        ImageBlur[slot].clear();
        iSize[slot] = 0;
        SlotFrames[slot] = -1;
        Debuglog("OMGERRORZ");
        return;
    }
    SlotFrames[slot] = 1;
    iFramesW[slot] = side;
    iFramesWz[slot] = 1.0f;
    iSize[slot] = side;
    SlotFrameSize[slot] = side;
    SlotScale[slot] = static_cast<float>(side) / (VirtualWidth > 0.0f ? VirtualWidth : kDefaultViewWidth);
    ImageVersion[slot] += 1;
    ImageBlurVersion[slot] += 1;
}

void KUVOSys::Buffer_Fill(int slot, int r, int g, int b, int a) {
    const int side = PaintSide(slot);
    if (side <= 0) return;
    const unsigned char c[4] = {
        static_cast<unsigned char>(std::clamp(r, 0, 255)), static_cast<unsigned char>(std::clamp(g, 0, 255)),
        static_cast<unsigned char>(std::clamp(b, 0, 255)), static_cast<unsigned char>(std::clamp(a, 0, 255))};
    unsigned char* p = Image[slot].data();
    const size_t pixels = static_cast<size_t>(side) * static_cast<size_t>(side);
    for (size_t i = 0; i < pixels; ++i, p += 4) memcpy(p, c, 4);
    ImageVersion[slot] += 1;
}

void KUVOSys::Buffer_Line(int slot, float x1, float y1, float x2, float y2, float r, float g, float b, float a) {
    const int side = PaintSide(slot);
    if (side <= 0) return;
    // An end point at infinity or NaN has no pixels to offer.
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) return;
    const unsigned char c[4] = {
        static_cast<unsigned char>(Clamp255(r)), static_cast<unsigned char>(Clamp255(g)),
        static_cast<unsigned char>(Clamp255(b)), static_cast<unsigned char>(Clamp255(a))};
    LinePass(slot, side, true, x1, y1, x2, y2, c);
    LinePass(slot, side, false, y1, x1, y2, x2, c);
    ImageVersion[slot] += 1;
}

void KUVOSys::Buffer_Plot(int slot, float x, float y, float r, float g, float b, float a) {
    const int side = PaintSide(slot);
    if (side <= 0) return;
    const int px = PixelIndex(x, side);
    const int py = PixelIndex(y, side);
    if (px < 0 || py < 0) return;
    const float colour[3] = {Clamp255(r), Clamp255(g), Clamp255(b)};
    const float alpha = Clamp255(a);
    unsigned char* p = Pixel(slot, side, px, py);
    for (int k = 0; k < 3; ++k) {
        const float old = p[k];
        p[k] = static_cast<unsigned char>(Clamp255(old - (old - colour[k]) / 255.0f * alpha));
    }
    p[3] = 255;
    ImageVersion[slot] += 1;
}

void KUVOSys::Buffer_Tile(int dst, int src, float x, float y, int frame) {
    const int ds = PaintSide(dst);
    const int ss = PaintSide(src);
    if (ds <= 0 || ss <= 0) return;
    if (frame < 0 || frame >= SlotFrames[src] || iFramesW[src] <= 0) return;
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    const int g = SlotFrameSize[src];
    if (g <= 0) return;
    const long cell = static_cast<long>(g) + 2 * kCellPad;
    const long ox = (frame % iFramesW[src]) * cell + kCellPad;
    const long oy = (frame / iFramesW[src]) * cell + kCellPad;
    for (int j = 0; j < g; ++j) {
        const double ty = std::trunc(static_cast<double>(static_cast<float>(j) + y));
        const long sy = oy + j;
        if (!(ty >= 0.0 && ty < ds) || sy >= ss) continue;
        for (int i = 0; i < g; ++i) {
            const double tx = std::trunc(static_cast<double>(static_cast<float>(i) + x));
            const long sx = ox + i;
            if (!(tx >= 0.0 && tx < ds) || sx >= ss) continue;
            const unsigned char* s = Pixel(src, ss, static_cast<int>(sx), static_cast<int>(sy));
            if (s[3] == 0) continue;  // transparent texels leave the target alone
            memcpy(Pixel(dst, ds, static_cast<int>(tx), static_cast<int>(ty)), s, 4);
        }
    }
    ImageVersion[dst] += 1;
}

void KUVOSys::GrabBuffer() {
    const int w = FrameW;
    const int h = FrameH;
    if (w <= 0 || h <= 0) return;
    const int m = std::max(w, h);
    int t = kMinGrabSide;
    while (t < m && t <= kGrabRoundUpLimit) t *= 2;
    if (t > kGrabRoundUpLimit) t = kuvo::kMaxGrabSide;
    try {
        KuvoReadFrame(Image[kScratchReadSlot]);
        Image[kuvo::kScreenCopySlot].resize(static_cast<size_t>(t) * static_cast<size_t>(t) * 4u, 0);
    } catch (const std::bad_alloc&) {
        Debuglog("OMGERRORZ");
        return;
    }
    const int slot = kuvo::kScreenCopySlot;
    SlotFrames[slot] = 1;
    iFramesW[slot] = t;
    iFramesWz[slot] = 1.0f;
    iSize[slot] = t;
    SlotScale[slot] = static_cast<float>(t) / static_cast<float>(w);

    // Centred and upright; a framebuffer larger than the copy is clipped to
    // its middle.
    const int top = t / 2 - h / 2;
    const int left = t / 2 - w / 2;
    const int firstRow = std::max(0, -top), lastRow = std::min(h, t - top);
    const int firstCol = std::max(0, -left), lastCol = std::min(w, t - left);
    const size_t row = static_cast<size_t>(w) * 4u;
    for (int i = firstRow; i < lastRow; ++i) {
        const unsigned char* s = &Image[kScratchReadSlot][static_cast<size_t>(h - 1 - i) * row] + firstCol * 4;
        unsigned char* d = Pixel(slot, t, left + firstCol, top + i);
        for (int j = firstCol; j < lastCol; ++j, s += 4, d += 4) {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
            d[3] = 255;
        }
    }
    ImageVersion[kScratchReadSlot] += 1;
    ImageVersion[slot] += 1;
}

void KUVOSys::ScreenToBuffer() {
    try {
        ReadUpright();
    } catch (const std::bad_alloc&) {
        Debuglog("OMGERRORZ");
    }
}

void KUVOSys::Screenshot() {
    try {
        ReadUpright();
    } catch (const std::bad_alloc&) {
        Debuglog("OMGERRORZ");
        return;
    }
    const std::string path(ScreenshotPath, strnlen(ScreenshotPath, sizeof(ScreenshotPath)));
    SavePNG(path.c_str(), kScreenshotSlot, static_cast<unsigned>(std::max(FrameW, 0)),
            static_cast<unsigned>(std::max(FrameH, 0)));
}

void KUVOSys::SavePNG(char const* path, int slot, unsigned int w, unsigned int h) {
    if (!ValidSlot(slot) || path == nullptr) return;
    Debuglog(fstrSys("Saving Image - %ix%i  to %s", static_cast<int>(w), static_cast<int>(h), path));
    const unsigned long long need = static_cast<unsigned long long>(w) * h * 4u;
    unsigned error = 0;
    if (need > Image[slot].size()) {
        Debuglog(fstrSys("The image save didn't work.  All the images are unsaved!! %i", -1));
        return;
    }
    try {
        error = lodepng::encode(std::string(path), Image[slot].data(), w, h, LCT_RGBA, 8);
    } catch (const std::bad_alloc&) {
        error = 83;  // lodepng's own code for a failed allocation
    }
    if (error != 0) {
        Debuglog(fstrSys("The image save didn't work.  All the images are unsaved!! %i", static_cast<int>(error)));
    }
}
