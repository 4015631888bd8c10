// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "KUVOCore.h"

int KUVOCore::Date_Day() { return 0; }
int KUVOCore::Date_Month() { return 0; }
int KUVOCore::Date_Year() { return 0; }
int KUVOCore::Time_Hour() { return 0; }
int KUVOCore::Time_Minute() { return 0; }
int KUVOCore::Time_Second() { return 0; }
std::string KUVOCore::Date_str() { return std::string(); }
std::string KUVOCore::Time_str() { return std::string(); }
std::string KUVOCore::DateTime_str() { return std::string(); }
std::string KUVOCore::DateTime_file() { return std::string(); }
std::string KUVOCore::DateTime_fileb() { return std::string(); }
float KUVOCore::Sin(float) { return 0; }
float KUVOCore::Cos(float) { return 0; }
float KUVOCore::Mod(float, float) { return 0; }
float KUVOCore::Abs(float) { return 0; }
int KUVOCore::Abs(int) { return 0; }
float KUVOCore::Atan2(float, float) { return 0; }
float KUVOCore::Atan2(float, float, float, float) { return 0; }
float KUVOCore::aTan2(float, float) { return 0; }
float KUVOCore::aTan2(float, float, float, float) { return 0; }
