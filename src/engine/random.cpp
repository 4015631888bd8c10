// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "KUVOCore.h"

void KUVOCore::SeedRnd() {}
void KUVOCore::SeedRnd(int) {}
float KUVOCore::Rnd(float, float) { return 0; }
float KUVOCore::Rnd(float) { return 0; }
int KUVOCore::Rand(float, float) { return 0; }
int KUVOCore::Rand(float) { return 0; }
float KUVOCore::tRnd(float, float) { return 0; }
float KUVOCore::tRnd(float) { return 0; }
int KUVOCore::tRand(float, float) { return 0; }
int KUVOCore::tRand(float) { return 0; }
#include "core_internal.h"
const unsigned char qRand_Txt[256] = {0};
