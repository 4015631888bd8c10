// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "sys_internal.h"

void KUVOSys::GetWAV(int, const char*) {}
void KUVOSys::PlayWAV(int, float, float, float, int) {}
