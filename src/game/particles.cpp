// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "MyGame.h"

void MyGame::ThrowParticle(float, float, float, int, int, float, float) {}
void MyGame::DoParticles() {}
void MyGame::MakePlatBG() {}
void MyGame::AddPlatBG() {}
