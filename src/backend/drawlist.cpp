// Draw-list hand-over to the render-side copy, and Getdef, which stamps the
// current draw state into a record. Neither may ever write outside the list
// or the copy, whatever count or index it is given.

#include <cstring>

#include "sys_internal.h"

void KUVOSys::RenderBuffer() {
    // A count beyond the list (only possible if a writer misbehaved) copies
    // the whole list rather than reading past it.
    int count = DrawCount;
    if (count < 0) count = 0;
    if (count > kuvo::kDrawListCapacity) count = kuvo::kDrawListCapacity;
    memcpy(DrawR, DrawList, sizeof(DrawList[0]) * static_cast<size_t>(count));
    DrawToRT = count;
}

void Getdef(int first) {
    constexpr int kValues = kuvo::kDrawListCapacity * kuvo::kDrawValues;
    // The record must lie wholly inside the list: the count and draw state
    // that follow it in the object are never touched.
    if (first < 0 || first > kValues - kuvo::kDrawValues) return;
    double* rec = &ASys.DrawList[0][0] + first;
    rec[10] = ASys.InkA;
    rec[11] = ASys.InkR;
    rec[12] = ASys.InkG;
    rec[13] = ASys.InkB;
    rec[14] = ASys.InkA2;
    rec[15] = ASys.InkR2;
    rec[16] = ASys.InkG2;
    rec[17] = ASys.InkB2;
    rec[18] = ASys.DrawRot;
    rec[19] = ASys.LineThick;
    rec[20] = ASys.DrawReserved0;
    rec[21] = ASys.Depth1;
    rec[22] = ASys.Depth2;
    rec[23] = ASys.DrawReserved1;
    rec[24] = ASys.DrawReserved2;
    rec[25] = ASys.DrawReserved3;
}
