// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "sys_internal.h"

void KUVOSys::PollInputB(int) {}
void KUVOSys::FlushKeys() {}
int KUVOSys::IsBut(int) { return 0; }
float KUVOSys::vKey(int) { return 0; }
float KUVOSys::vKey(int, int) { return 0; }
void KUVOSys::BumpCursorSys() {}
