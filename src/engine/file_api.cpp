// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "KUVOCore.h"

int KUVOCore::WriteFile(std::string) { return 0; }
int KUVOCore::ReadFile(std::string) { return 0; }
void KUVOCore::WriteInt(int) {}
void KUVOCore::WriteByte(char) {}
void KUVOCore::WriteLine(std::string) {}
void KUVOCore::WriteString(std::string) {}
int KUVOCore::ReadInt() { return 0; }
int KUVOCore::ReadByte() { return 0; }
std::string KUVOCore::ReadLine() { return std::string(); }
int KUVOCore::ReadString() { return 0; }
int KUVOCore::FilePos() { return 0; }
void KUVOCore::FileSeek(int) {}
void KUVOCore::CloseFile() {}
