// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "sys_internal.h"

std::string KUVOSys::ButtonName(int) { return std::string(); }
int KUVOSys::AnyKey() { return 0; }
void KUVOSys::LockAll() {}
void KUVOSys::DefineKey(int, int) {}
void KUVOSys::ClearKeys() {}
void KUVOSys::PollRedef() {}
void FillKeyNames() {}
