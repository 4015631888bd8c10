// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "MyGame.h"

void MyGame::DoMenu() {}
void MyGame::Menu_Background() {}
void MyGame::Menu_Start() {}
void MyGame::Menu_Default(std::string, std::string) {}
