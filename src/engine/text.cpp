// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "KUVOCore.h"

void KUVOCore::Text(float, float, std::string) {}
void KUVOCore::Text(float, float, std::string, float) {}
void KUVOCore::Text(float, float, std::string, float, float) {}
void KUVOCore::Text(float, float, int) {}
void KUVOCore::Text(float, float, float) {}
void KUVOCore::Text(float, float, int, float) {}
void KUVOCore::Text(float, float, float, float) {}
void KUVOCore::Text(float, float, int, float, float) {}
void KUVOCore::Text(float, float, float, float, float) {}
void KUVOCore::Text(float, float, char) {}
void KUVOCore::Text(float, float, char, float) {}
void KUVOCore::Text(float, float, char, float, float) {}
float KUVOCore::StringWidth(std::string) { return 0; }
float KUVOCore::StringWidth(char) { return 0; }
float KUVOCore::CharWidth(char) { return 0; }
