// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "MyGame.h"

void MyGame::AddCredits(std::string) {}
void MyGame::AddDefaultCredits() {}
void MyGame::Credits() {}
