// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "KUVOCore.h"

void KUVOCore::Begin(int, std::string) {}
void KUVOCore::Terminate() {}
void KUVOCore::BufferGame() {}
void KUVOCore::RenderGame(float&, float&) {}
void KUVOCore::FlipFullscreen() {}
void KUVOCore::SetWindow(int, int) {}
void KUVOCore::SetTitle(std::string) {}
std::string KUVOCore::GetTitle() { return std::string(); }
void KUVOCore::SetNum(int) {}
int KUVOCore::GetNum() { return 0; }
void KUVOCore::Rest(int) {}
int KUVOCore::Mills() { return 0; }
int KUVOCore::StartTick() { return 0; }
#include "core_internal.h"
int KuvoProcessMillis() { return 0; }
