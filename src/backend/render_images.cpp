// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "sys_internal.h"

void KUVOSys::RenderImage(int) {}
void KUVOSys::RenderImageBlur(int) {}
void KUVOSys::RenderQuadImage(int) {}
