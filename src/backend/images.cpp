// Image slots filled from PNG files: one square image, or a sprite sheet
// repacked into padded square cells of a square texture. A file that is
// missing, broken, absurdly large or that does not fit is refused with a log
// line and leaves the slot empty; nothing here may throw or read outside a store.

#include <lodepng.h>

#include <algorithm>
#include <cstdio>
#include <new>
#include <vector>

#include "sys_internal.h"

unsigned int ImageBlurVersion[kuvo::kImageSlots];

namespace {

constexpr int kCellPad = 4;          // transparent texels on each side of a frame
constexpr int kMinSheetSide = 64;    // smallest sprite-sheet texture
constexpr int kRoundUpLimit = 2048;  // sheet sides above this are kept as computed
constexpr float kDefaultViewWidth = 800.0f;

bool IsColourKey(const unsigned char* p) {
    const bool magenta = p[0] > 250 && p[1] <= 4 && p[2] > 250;
    const bool cyan = p[0] <= 4 && p[1] > 250 && p[2] > 250;
    return magenta || cyan;
}

float ScaleFor(int pixels) {
    const float vw = ASys.VirtualWidth > 0.0f ? ASys.VirtualWidth : kDefaultViewWidth;
    return static_cast<float>(pixels) / vw;
}

// The texture side a sheet's width asks for: columns x cell rounded up to a
// power of two from 64 to 2048, anything wider kept as it is.
long SideFromWidth(long wanted) {
    if (wanted > kRoundUpLimit) return wanted;
    long side = kMinSheetSide;
    while (side < wanted) side *= 2;
    return side;
}

// Whether `frames` cells of side `cell` fit a texture of side `side`, filling
// rows of side div cell cells.
bool CellsFit(long side, long cell, long frames) {
    const long perRow = side / cell;
    if (perRow <= 0) return false;
    const long rows = (frames + perRow - 1) / perRow;
    return rows * cell <= side;
}

void ResizeStores(int slot, size_t bytes) {
    Image[slot].assign(bytes, 0);
    ImageBlur[slot].assign(bytes, 0);
    ImageVersion[slot] += 1;
    ImageBlurVersion[slot] += 1;
}

// A picture no wider than its frame side: one n x n texture. A picture
// smaller than the side is centred in it, the rest left transparent.
void LoadSingle(int slot, const std::vector<unsigned char>& px, unsigned w, unsigned h, int n) {
    const size_t side = static_cast<size_t>(n);
    ResizeStores(slot, side * side * 4u);
    const size_t copyW = std::min<size_t>(w, side);
    const size_t copyH = std::min<size_t>(h, side);
    const size_t dx = (side - copyW) / 2;
    const size_t dy = (side - copyH) / 2;
    std::vector<unsigned char>& dst = Image[slot];
    for (size_t y = 0; y < copyH; ++y) {
        for (size_t x = 0; x < copyW; ++x) {
            const unsigned char* s = &px[(y * w + x) * 4u];
            unsigned char* d = &dst[((y + dy) * side + x + dx) * 4u];
            if (IsColourKey(s)) continue;  // keyed pixels stay (0, 0, 0, 0)
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
            d[3] = s[3];
        }
    }
    ASys.Debuglog(ASys.fstrSys("    Loaded %ix%i Image", n, n));
    ASys.SlotFrames[slot] = 1;
    iFramesW[slot] = n;
    iFramesWz[slot] = 1.0f;
    iSize[slot] = n;
    ASys.SlotFrameSize[slot] = n;
    ASys.SlotScale[slot] = ScaleFor(n);
}

// A picture wider than its frame side: cut into n x n frames, each stored at
// offset (4, 4) of its own (n + 8)-texel cell. Returns false when the cells
// cannot fit a texture of at most 8192 texels.
bool LoadSheet(int slot, std::vector<unsigned char>& px, unsigned w, unsigned h, int n) {
    const long cell = n + 2 * kCellPad;
    const long columns = static_cast<long>(w) / n;
    const long rows = static_cast<long>(h) / n;
    const long frames = columns * rows;
    long side = SideFromWidth(columns * cell);
    if (side > kuvo::kMaxImageSide) return false;
    // A sheet much taller than wide needs more rows of cells than its width
    // gives room for: take the next power of two that holds them all.
    if (!CellsFit(side, cell, frames)) {
        long bigger = 1;
        while (bigger < side) bigger *= 2;
        if (bigger == side) bigger *= 2;
        while (bigger <= kuvo::kMaxImageSide && !CellsFit(bigger, cell, frames)) bigger *= 2;
        if (bigger > kuvo::kMaxImageSide) return false;
        side = bigger;
    }

    for (size_t i = 0; i + 3 < px.size(); i += 4) {
        if (IsColourKey(&px[i])) px[i + 3] = 0;
    }
    ASys.Debuglog(ASys.fstrSys("    Loaded Spritesheet of %i x %ix%i sprites",
                               static_cast<int>(frames), n, n));
    const size_t s = static_cast<size_t>(side);
    ResizeStores(slot, s * s * 4u);
    const long perRow = side / cell;
    ASys.SlotFrames[slot] = static_cast<int>(frames);
    iFramesW[slot] = static_cast<int>(perRow);
    iFramesWz[slot] = static_cast<float>(cell) / static_cast<float>(side);
    iSize[slot] = static_cast<int>(side);
    ASys.SlotFrameSize[slot] = n;
    ASys.SlotScale[slot] = ScaleFor(static_cast<int>(cell));

    std::vector<unsigned char>& dst = Image[slot];
    for (long f = 0; f < frames; ++f) {
        const size_t srcX = static_cast<size_t>((f % columns) * n);
        const size_t srcY = static_cast<size_t>((f / columns) * n);
        const size_t dstX = static_cast<size_t>((f % perRow) * cell + kCellPad);
        const size_t dstY = static_cast<size_t>((f / perRow) * cell + kCellPad);
        for (int j = 0; j < n; ++j) {
            const unsigned char* s = &px[((srcY + j) * w + srcX) * 4u];
            unsigned char* d = &dst[((dstY + j) * side + dstX) * 4u];
            for (int i = 0; i < n; ++i, s += 4, d += 4) {
                // transparent texels keep no colour, so filtering cannot
                // bleed it into their neighbours
                const bool clear = s[3] == 0;
                d[0] = clear ? 0 : s[0];
                d[1] = clear ? 0 : s[1];
                d[2] = clear ? 0 : s[2];
                d[3] = s[3];
            }
        }
    }
    return true;
}

// The whole of a plain file; false for anything else, or a read error.
bool ReadWhole(const char* path, std::vector<unsigned char>* bytes) {
    FILE* f = KuvoOpenPlainFile(path);
    if (!f) return false;
    const long length = KuvoFileLength(f);
    bytes->resize(size_t(length));
    const bool ok = length == 0 || std::fread(bytes->data(), 1, bytes->size(), f) == bytes->size();
    std::fclose(f);
    return ok;
}

}  // namespace

void KUVOSys::GetPNG(int slot, char const* path, unsigned int side) {
    if (slot < 0 || slot >= kuvo::kLoadableImageSlots) {
        printf("Image number out of bounds");
        return;
    }
    SlotFrames[slot] = -1;
    try {
        std::vector<unsigned char> file;
        unsigned w = 0, h = 0;
        unsigned error = 1;
        if (path != nullptr && side > 0 && side <= static_cast<unsigned>(kuvo::kMaxFrameSide)) {
            error = ReadWhole(path, &file) ? 0 : 1;
        }
        // The header says how large the picture is before anything is
        // decoded, so a hostile or broken file cannot make us allocate much.
        if (error == 0) {
            lodepng::State state;
            error = lodepng_inspect(&w, &h, &state, file.data(), file.size());
            if (error == 0 && (w == 0 || h == 0 || w > static_cast<unsigned>(kuvo::kMaxImageSide) ||
                               h > static_cast<unsigned>(kuvo::kMaxImageSide))) {
                error = 1;
            }
        }
        std::vector<unsigned char> pixels;
        if (error == 0) error = lodepng::decode(pixels, w, h, file, LCT_RGBA, 8);
        if (error == 0 && pixels.size() < static_cast<size_t>(w) * h * 4u) error = 1;
        if (error != 0) {
            Debuglog("OMGERRORZ");
            return;
        }
        file.clear();
        file.shrink_to_fit();
        const int n = static_cast<int>(side);
        if (w <= side) {
            LoadSingle(slot, pixels, w, h, n);
        } else if (!LoadSheet(slot, pixels, w, h, n)) {
            Debuglog("OMGERRORZ");
        }
    } catch (const std::bad_alloc&) {
        SlotFrames[slot] = -1;
        Debuglog("OMGERRORZ");
    }
}
