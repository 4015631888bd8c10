// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "KUVOCore.h"

std::string KUVOCore::GetURL(std::string, std::string, std::string) { return std::string(); }
int KUVOCore::OpenBrowser(std::string) { return 0; }
std::string KUVOCore::MyName() { return std::string(); }
