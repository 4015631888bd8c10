// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "MyGame.h"

void MyGame::Options() {}
void MyGame::OptionsList() {}
void MyGame::AddOptionLabel(std::string) {}
int MyGame::AddLinearOption(int, int, std::string, int) { return 0; }
int MyGame::AddToggleOption(int, int, std::string, std::string, std::string) { return 0; }
