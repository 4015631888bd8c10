// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "sys_internal.h"

KUVOSys::KUVOSys() {}
KUVOSys::~KUVOSys() {}
void KUVOSys::SysInit(const char*) {}
void KUVOSys::SetScreen(int, int) {}
void KUVOSys::FlipFull() {}
void KUVOSys::HiResRender() {}
void KUVOSys::Force1920() {}
void KUVOSys::Close() {}
