// Image draw commands: a frame of a slot centred at a point, the same from the
// slot's second store, a frame stretched over four corners, and the grabbed
// screen. They never index the slot table with a number outside it.

#include "KUVOCore.h"
#include "KUVO_glfw3.h"
#include "core_internal.h"

namespace {

enum ImageKind { kKindImage = 11, kKindQuadImage = 12, kKindBlurImage = 13 };

// Numbers outside the table count as empty slots, like a slot never filled.
bool SlotEmpty(int img) {
    return img < 0 || img >= kuvo::kImageSlots || ASys.SlotFrames[img] < 0;
}

// Values 1..4 of a centred image: the position relative to the view centre and
// the size factors, which the renderer scales by the slot's pixel size.
void CentredImage(double* rec, int kind, float x, float y, int img, int frame) {
    rec[0] = kind;
    rec[1] = x - rw2;
    rec[2] = y - rh2;
    rec[3] = ASys.SizeX * ASys.ImageScale;
    rec[4] = ASys.SizeY * ASys.ImageScale;
    rec[28] = img;
    rec[29] = frame;
}

}  // namespace

int KUVOCore::DrawImg(int img, float x, float y) { return DrawImg(img, x, y, 0, 0.5f); }
int KUVOCore::DrawImg(int img, float x, float y, int frame) { return DrawImg(img, x, y, frame, 0.5f); }

int KUVOCore::DrawImg(int img, float x, float y, int frame, float) {
    if (SlotEmpty(img)) return -1;
    double* rec = KuvoNextRecord();
    if (!rec) return ASys.DrawCount;
    CentredImage(rec, kKindImage, x, y, img, frame);
    rec[27] = frame;
    return KuvoCommitRecord();
}

void KUVOCore::DrawBlur(int img, float x, float y) { DrawBlur(img, x, y, 0); }

void KUVOCore::DrawBlur(int img, float x, float y, int frame) {
    if (SlotEmpty(img)) {
        Debuglog(fstr("Missing Image %i", img));
        return;
    }
    double* rec = KuvoNextRecord();
    if (!rec) return;
    CentredImage(rec, kKindBlurImage, x, y, img, frame);
    KuvoCommitRecord();
}

int KUVOCore::QuadImg(int img, float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                      int frame) {
    if (SlotEmpty(img)) {
        Debuglog(fstr("Missing Image %i", img));
        return 1;
    }
    double* rec = KuvoNextRecord();
    if (!rec) return ASys.DrawCount;
    // Corners in the frame's order: top-left, top-right, bottom-right, bottom-left.
    rec[0] = kKindQuadImage;
    const float xy[8] = {x1, y1, x2, y2, x3, y3, x4, y4};
    for (int i = 0; i < 4; ++i) {
        rec[1 + 2 * i] = xy[2 * i] - rw2;
        rec[2 + 2 * i] = xy[2 * i + 1] - rh2;
    }
    rec[28] = img;
    rec[29] = frame;
    return KuvoCommitRecord();
}

int KUVOCore::DrawBuffer() {
    if (SlotEmpty(kuvo::kScreenCopySlot)) {
        Debuglog("Previous Buffer Missing");
        return 1;
    }
    double* rec = KuvoNextRecord();
    if (!rec) return ASys.DrawCount;
    // Bare size factors: on a portrait canvas the copy shows 1.5625 times
    // smaller than DrawImg of the same slot would draw it.
    rec[0] = kKindImage;
    rec[1] = 0;
    rec[2] = 0;
    rec[3] = ASys.SizeX;
    rec[4] = ASys.SizeY;
    rec[28] = kuvo::kScreenCopySlot;
    rec[29] = 0;
    return KuvoCommitRecord();
}
