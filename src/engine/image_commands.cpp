// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "KUVOCore.h"

int KUVOCore::DrawImg(int, float, float) { return 0; }
int KUVOCore::DrawImg(int, float, float, int) { return 0; }
int KUVOCore::DrawImg(int, float, float, int, float) { return 0; }
void KUVOCore::DrawBlur(int, float, float) {}
void KUVOCore::DrawBlur(int, float, float, int) {}
int KUVOCore::QuadImg(int, float, float, float, float, float, float, float, float, int) { return 0; }
int KUVOCore::DrawBuffer() { return 0; }
