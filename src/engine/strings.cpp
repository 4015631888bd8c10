// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "KUVOCore.h"

char* KUVOCore::fstr(const char*, ...) { return nullptr; }
void KUVOCore::tstr(const char*, ...) {}
int KUVOCore::Print(const char*) { return 0; }
int KUVOCore::Debuglog(const char*) { return 0; }
int KUVOCore::DebugLog(const char*) { return 0; }
int KUVOCore::Debug(const char*) { return 0; }
std::string KUVOCore::Hex(int) { return std::string(); }
int KUVOCore::HexToInt(std::string) { return 0; }
std::string KUVOCore::Bin(int) { return std::string(); }
int KUVOCore::BinToInt(std::string) { return 0; }
int KUVOCore::StrToInt(std::string) { return 0; }
int KUVOCore::ToInt(std::string) { return 0; }
int KUVOCore::Char64(int) { return 0; }
int KUVOCore::Char64b(int) { return 0; }
int KUVOCore::Int64(char) { return 0; }
std::string KUVOCore::Char64x4(long) { return std::string(); }
int KUVOCore::Int64x4(const char*) { return 0; }
long KUVOCore::SixDigitString(std::string) { return 0; }
std::string KUVOCore::SixDigitString(long) { return std::string(); }
std::string KUVOCore::SixDigitString(long, long) { return std::string(); }
std::string KUVOCore::SixDigitString(long, long, long) { return std::string(); }
const char* KUVOCore::nth(int) { return nullptr; }
std::string KUVOCore::Left(std::string, int) { return std::string(); }
std::string KUVOCore::Right(std::string, int) { return std::string(); }
std::string KUVOCore::Mid(std::string, int, int) { return std::string(); }
std::string KUVOCore::LeftPad(std::string, unsigned int, char) { return std::string(); }
std::string KUVOCore::RightPad(std::string, unsigned int, char) { return std::string(); }
std::string KUVOCore::Trim(std::string) { return std::string(); }
std::string KUVOCore::Strip(std::string) { return std::string(); }
std::string KUVOCore::iniLeft(std::string) { return std::string(); }
std::string KUVOCore::iniRight(std::string) { return std::string(); }
std::string KUVOCore::Split(std::string, char, int) { return std::string(); }
int KUVOCore::SplitCount(std::string, char) { return 0; }
