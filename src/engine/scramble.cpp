// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "KUVOCore.h"

void KUVOCore::SetKeyword(std::string) {}
void KUVOCore::Rescramble() {}
std::string KUVOCore::ScrambleTxt(std::string) { return std::string(); }
std::string KUVOCore::UnscrambleTxt(std::string) { return std::string(); }
std::string KUVOCore::QuellPack(std::string) { return std::string(); }
std::string KUVOCore::QuellUnpack(std::string) { return std::string(); }
unsigned int KUVOCore::Checksum(std::string, int) { return 0; }
unsigned int KUVOCore::Checksum(std::string) { return 0; }
