// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "MyGame.h"

void MyGame::GetLev() {}
void MyGame::DoGame() {}
void MyGame::Scroll(float) {}
void MyGame::Gimme(int, float, float, float) {}
void MyGame::Gimme(int, float, float) {}
