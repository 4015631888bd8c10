// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "KUVOCore.h"

void KUVOCore::LoadImg(int, std::string, int) {}
void KUVOCore::LoadImgFull(int, std::string, int) {}
void KUVOCore::LoadFont(int, std::string) {}
void KUVOCore::SetFont(int) {}
void KUVOCore::Smooth(int) {}
void KUVOCore::SetSmooth(int) {}
void KUVOCore::CreateBuffer(int, int) {}
void KUVOCore::BufferCLS(int) {}
void KUVOCore::BufferFill(int, int, int, int, int) {}
void KUVOCore::BufferLine(int, float, float, float, float) {}
void KUVOCore::BufferPlot(int, float, float) {}
void KUVOCore::BufferTile(int, int, float, float, int) {}
void KUVOCore::TakeScreenshot() {}
void KUVOCore::CopyBuffer() {}
