// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "KUVOCore.h"

void KUVOCore::LoadSFX(int) {}
void KUVOCore::LoadSFX(int, std::string) {}
void KUVOCore::PlaySFX(int) {}
void KUVOCore::PlaySFX(int, float) {}
void KUVOCore::PlaySFX(int, float, float) {}
void KUVOCore::PlaySFX(int, float, float, float) {}
void KUVOCore::PlaySFX(int, float, float, float, int) {}
void KUVOCore::MusicPitch(float) {}
void KUVOCore::MusicPan(float) {}
void KUVOCore::MusicVolume(float) {}
void KUVOCore::PlayMusic(std::string) {}
void KUVOCore::PlayMusic(std::string, int) {}
void KUVOCore::StopMusic() {}
void KUVOCore::MusicHandler() {}
