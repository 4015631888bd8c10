// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "KUVOCore.h"

int KUVOCore::Rect(float, float, float, float) { return 0; }
int KUVOCore::Rect(float, float, float) { return 0; }
int KUVOCore::Plot(float, float) { return 0; }
int KUVOCore::Rect_UL(float, float, float) { return 0; }
int KUVOCore::Rect_UL(float, float, float, float) { return 0; }
void KUVOCore::Quad(float, float, float, float, float, float, float, float) {}
int KUVOCore::Oval(float, float, float, float) { return 0; }
int KUVOCore::Oval(float, float, float) { return 0; }
int KUVOCore::Circle(float, float, float) { return 0; }
int KUVOCore::Oval_UL(float, float, float, float) { return 0; }
int KUVOCore::Oval_UL(float, float, float) { return 0; }
int KUVOCore::Circle_UL(float, float, float) { return 0; }
int KUVOCore::FullTri(float, float, float, float, float, float) { return 0; }
void KUVOCore::Tri(float, float, float, float) {}
void KUVOCore::Tri_Fix(float, float, float, float, float) {}
int KUVOCore::Fan(float, float, float) { return 0; }
void KUVOCore::Line(float, float, float, float) {}
#include "core_internal.h"
double* KuvoNextRecord() { return nullptr; }
