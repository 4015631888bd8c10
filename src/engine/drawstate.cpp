// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "KUVOCore.h"

void KUVOCore::ResetDraw() {}
void KUVOCore::SetSize(float) {}
void KUVOCore::SetSize(float, float) {}
void KUVOCore::SetRot(float) {}
void KUVOCore::SetLineThickness(float) {}
void KUVOCore::Width(float) {}
void KUVOCore::Thick(float) {}
void KUVOCore::SetLineWidth(float) {}
void KUVOCore::SetLineThick(float) {}
void KUVOCore::SetCLS(float, float, float) {}
void KUVOCore::CLS(float, float, float) {}
void KUVOCore::FadeCLS(float, float, float, float) {}
void KUVOCore::SetCLSRot(float, float, float) {}
void KUVOCore::CLSGradient(float, float, float, float, float, float, float, float) {}
void KUVOCore::Ink(int) {}
void KUVOCore::InkRot(double) {}
void KUVOCore::InkRot(double, double) {}
void KUVOCore::InkRot(double, double, double) {}
void KUVOCore::HSV2RGB(double, double, double) {}
void KUVOCore::SetCol(float, float, float) {}
void KUVOCore::SetCol(float, float, float, float) {}
void KUVOCore::SetGradient(float, float, float, float, float, float, float, float) {}
void KUVOCore::SetDepth(float) {}
void KUVOCore::Depth(float) {}
void KUVOCore::SetDepth(float, float) {}
void KUVOCore::Depth(float, float) {}
void KUVOCore::SetAlpha(float) {}
void KUVOCore::Alpha(float) {}
void KUVOCore::SetBlend(int) {}
