// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "sys_internal.h"

void KUVOSys::Buffer_Create(int, int) {}
void KUVOSys::Buffer_Fill(int, int, int, int, int) {}
void KUVOSys::Buffer_Line(int, float, float, float, float, float, float, float, float) {}
void KUVOSys::Buffer_Plot(int, float, float, float, float, float, float) {}
void KUVOSys::Buffer_Tile(int, int, float, float, int) {}
void KUVOSys::GrabBuffer() {}
void KUVOSys::Screenshot() {}
void KUVOSys::SavePNG(char const*, int, unsigned int, unsigned int) {}
void KUVOSys::ScreenToBuffer() {}
