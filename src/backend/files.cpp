// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "sys_internal.h"

int KUVOSys::WriteFile_Sys(char const*) { return 0; }
int KUVOSys::ReadFile_Sys(char const*) { return 0; }
void KUVOSys::WriteInt_Sys(int) {}
void KUVOSys::WriteByte_Sys(char) {}
void KUVOSys::WriteString_Sys(char const*) {}
int KUVOSys::ReadInt_Sys() { return 0; }
int KUVOSys::ReadIntb_Sys() { return 0; }
int KUVOSys::ReadByte_Sys() { return 0; }
char* KUVOSys::ReadString_Sys() { return nullptr; }
int KUVOSys::FilePos_Sys() { return 0; }
int KUVOSys::FileSeek_Sys(int) { return 0; }
void KUVOSys::CloseFile_Sys() {}
