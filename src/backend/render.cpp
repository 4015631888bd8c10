// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "sys_internal.h"

void KUVOSys::RenderSys(float) {}
void KUVOSys::RenderRect(int) {}
void KUVOSys::RenderQuad(int) {}
void KUVOSys::RenderOval(int) {}
void KUVOSys::RenderLine(int) {}
void KUVOSys::RenderFan(int) {}
void KUVOSys::RenderTri(int) {}
