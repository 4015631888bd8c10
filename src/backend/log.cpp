// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "sys_internal.h"

void KUVOSys::Debuglog(const char*) {}
char* KUVOSys::fstrSys(const char*, ...) { return nullptr; }
std::string KUVOSys::SystemUsername() { return std::string(); }
