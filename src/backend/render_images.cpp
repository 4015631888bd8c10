// The image renderers: one frame of a slot (or of its second store) centred,
// sized and turned, and one frame stretched over four corners. They read the
// slot table and never change it; a slot that cannot be drawn draws nothing
// and leaves the open batch as it was.

#include <climits>

#include "sys_internal.h"

namespace {

constexpr int kLastLoadableSlot = kuvo::kLoadableImageSlots - 1;  // 99
constexpr int kBlurTextureBase = 200;  // TexUse of a slot's second store
constexpr int kWhichImage = 0;
constexpr int kWhichBlur = 1;

double* Record(int first) { return reinterpret_cast<double*>(DrawR) + first; }

// Texture coordinates of a frame's cell.
struct Cell {
    float left, top, right, bottom;
};

// Checks a record's slot and frame; on success fixes an out-of-range frame to
// 0 in the record (later renders of the same copy keep frame 0) and gives the
// frame's cell. `allowScreen` admits slot 102.
bool PrepareImage(double* rec, bool allowScreen, int which, int* slotOut, Cell* cell) {
    const int s = KuvoTrunc(rec[28]);
    if (s < 0 || s >= kuvo::kImageSlots) return false;
    if (s > kLastLoadableSlot && !(allowScreen && s == kuvo::kScreenCopySlot)) return false;
    const int n = ASys.SlotFrames[s];
    if (n < 0) return false;
    // NaN counts as out of range too
    if (!(rec[29] >= 0.0 && rec[29] <= static_cast<double>(n) - 1.0)) rec[29] = 0.0;
    // A slot with no texture yet (slot 102 before its first grab) or with a
    // store smaller than its side has nothing to show.
    const int side = iSize[s];
    const int perRow = iFramesW[s];
    if (side <= 0 || perRow <= 0) return false;
    const std::vector<unsigned char>& store = which == kWhichBlur ? ImageBlur[s] : Image[s];
    if (store.size() < static_cast<size_t>(side) * static_cast<size_t>(side) * 4u) return false;

    const int f = KuvoTrunc(rec[29]);
    const float z = iFramesWz[s];
    cell->left = z * static_cast<float>(f % perRow);
    cell->top = z * static_cast<float>(f / perRow);
    cell->right = cell->left + z;
    cell->bottom = cell->top + z;
    *slotOut = s;
    return true;
}

void DrawCentred(int first, int which) {
    double* rec = Record(first);
    int s = 0;
    Cell c;
    if (!PrepareImage(rec, true, which, &s, &c)) return;
    KuvoUseTexture(which == kWhichBlur ? s + kBlurTextureBase : s);
    const float hw = static_cast<float>(rec[3] * ASys.SlotScale[s]);
    const float hh = static_cast<float>(rec[4] * ASys.SlotScale[s]);
    float cx[4], cy[4];
    KuvoBoxCorners(rec, hw, hh, cx, cy);
    // hh is negative for an upright image, so corners A and B are the bottom
    // edge on screen and take the frame's bottom row and colour 1
    KuvoAddQuad(rec, cx, cy, c.left, c.right, c.bottom, c.top);
    TriCount += 1;
    ASys.FramePolys += 2;
}

}  // namespace

void KUVOSys::RenderImage(int first) { DrawCentred(first, kWhichImage); }

void KUVOSys::RenderImageBlur(int first) { DrawCentred(first, kWhichBlur); }

void KUVOSys::RenderQuadImage(int first) {
    double* rec = Record(first);
    int s = 0;
    Cell c;
    if (!PrepareImage(rec, false, kWhichImage, &s, &c)) return;
    KuvoUseTexture(s);
    float cx[4], cy[4];
    for (int k = 0; k < 4; ++k) {
        cx[k] = static_cast<float>(rec[1 + 2 * k]);
        cy[k] = static_cast<float>(rec[2 + 2 * k]);
    }
    // corners run top-left, top-right, bottom-right, bottom-left of the frame
    KuvoAddQuad(rec, cx, cy, c.left, c.right, c.top, c.bottom);
    TriCount += 1;
    FramePolys += 2;
}
