// Untextured shape commands (rectangles, quadrilaterals, ovals, triangles, fans,
// lines) and the record allocator every draw-list writer uses. A writer never
// writes past the list's capacity; a refused command leaves the count alone.

#include "KUVOCore.h"
#include "KUVO_glfw3.h"
#include "core_internal.h"

namespace {

enum ShapeKind { kKindRect = 1, kKindQuad = 2, kKindOval = 3, kKindFan = 5, kKindTri = 6 };

// Caller coordinates have their origin at the view's top-left; records are
// relative to its centre.
float ViewX(float x) { return x - rw2; }
float ViewY(float y) { return y - rh2; }
// Current size in view units; the vertical factor is negative at positive sizes.
float SizeKX() { return ASys.SizeX * ViewScale; }
float SizeKY() { return ASys.SizeY * ViewScale; }

// Appends one record of `kind` whose values 1..4 are a centre and a size.
int CentredRecord(int kind, float x, float y, float w, float h) {
    double* rec = KuvoNextRecord();
    if (!rec) return ASys.DrawCount;
    rec[0] = kind;
    rec[1] = ViewX(x);
    rec[2] = ViewY(y);
    rec[3] = w;
    rec[4] = h;
    return KuvoCommitRecord();
}

// Appends one record of `kind` whose values 1..2n are n corners in view space.
int CornerRecord(int kind, const float* xy, int corners) {
    double* rec = KuvoNextRecord();
    if (!rec) return ASys.DrawCount;
    rec[0] = kind;
    for (int i = 0; i < corners; ++i) {
        rec[1 + 2 * i] = ViewX(xy[2 * i]);
        rec[2 + 2 * i] = ViewY(xy[2 * i + 1]);
    }
    return KuvoCommitRecord();
}

}  // namespace

double* KuvoNextRecord() {
    if (ASys.DrawCount < 0 || ASys.DrawCount >= kuvo::kDrawListCapacity) return nullptr;
    return ASys.DrawList[ASys.DrawCount];
}

int KuvoCommitRecord() {
    Getdef(ASys.DrawCount * kuvo::kDrawValues);
    return ++ASys.DrawCount;
}

int KUVOCore::Rect(float x, float y, float w, float h) {
    return CentredRecord(kKindRect, x, y, SizeKX() * w, SizeKY() * h);
}
int KUVOCore::Rect(float x, float y, float s) { return Rect(x, y, s, s); }
int KUVOCore::Plot(float x, float y) { return Rect(x, y, 1.0f, 1.0f); }
int KUVOCore::Rect_UL(float x, float y, float s) { return Rect(x + s / 2, y + s / 2, s, s); }
int KUVOCore::Rect_UL(float x, float y, float w, float h) { return Rect(x + w / 2, y + h / 2, w, h); }

void KUVOCore::Quad(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4) {
    const float xy[8] = {x1, y1, x2, y2, x3, y3, x4, y4};
    CornerRecord(kKindQuad, xy, 4);
}

int KUVOCore::Oval(float x, float y, float w, float h) {
    return CentredRecord(kKindOval, x, y, SizeKX() * w, SizeKY() * h);
}
int KUVOCore::Oval(float x, float y, float r) { return Oval(x, y, 2 * r, 2 * r); }
int KUVOCore::Circle(float x, float y, float r) { return Oval(x, y, 2 * r, 2 * r); }
int KUVOCore::Oval_UL(float x, float y, float w, float h) { return Oval(x + w / 2, y + h / 2, w, h); }
int KUVOCore::Oval_UL(float x, float y, float r) { return Oval(x + r, y + r, 2 * r, 2 * r); }
int KUVOCore::Circle_UL(float x, float y, float r) { return Oval(x + r, y + r, 2 * r, 2 * r); }

int KUVOCore::FullTri(float x1, float y1, float x2, float y2, float x3, float y3) {
    const float xy[6] = {x1, y1, x2, y2, x3, y3};
    return CornerRecord(kKindTri, xy, 3);
}

void KUVOCore::Tri(float x, float y, float w, float h) {
    // The renderer does not turn triangles, so the rotation goes into the
    // corners; corner 0 points up at rotation 0 because KY is negative.
    const float kx = SizeKX() * w, ky = SizeKY() * h;
    float xy[6];
    for (int k = 0; k < 3; ++k) {
        const float a = ASys.DrawRot + 120.0f * k;
        xy[2 * k] = Sin(a) * kx + x;
        xy[2 * k + 1] = Cos(a) * ky + y;
    }
    CornerRecord(kKindTri, xy, 3);
}

void KUVOCore::Tri_Fix(float x, float y, float w, float h, float shift) {
    // Moves the centre away from corner 0 so the triangle's extent, not its
    // centroid, sits about (x, y).
    const float k = (Cos(60.0f) - Cos(0.0f)) * SizeKY() * h * shift;
    const float cx = x + Sin(ASys.DrawRot + 180.0f) * k;
    const float cy = y - Cos(ASys.DrawRot + 180.0f) * k;
    Tri(cx, cy, w, h);
}

int KUVOCore::Fan(float x, float y, float r) {
    return CentredRecord(kKindFan, x, y, r * 2 * SizeKX(), r * 2 * SizeKY());
}

void KUVOCore::Line(float x1, float y1, float x2, float y2) {
    const float t = ASys.LineThick;
    // Heading of the line with 0 up and clockwise positive, the convention
    // of the Sin/Cos offsets below, so the band's sides are perpendicular to
    // it at every angle (a plain x-first angle would fold horizontal and
    // vertical lines flat).
    const float a = Atan2(y1 - y2, x2 - x1);
    const float m = a + 90.0f, n = a - 90.0f;
    const float sm = Sin(m), cm = Cos(m), sn = Sin(n), cn = Cos(n);
    Quad(x1 + t * sm, y1 - t * cm, x2 + t * sm, y2 - t * cm, x2 + t * sn, y2 - t * cn, x1 + t * sn, y1 - t * cn);
}
