// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "MyGame.h"

void MyGame::LoopTarget() {}
void MyGame::LoadGame() {}
void MyGame::LoadMenu() {}
void MyGame::FlushGame() {}
void MyGame::EndGame(int) {}
void MyGame::Ingame() {}
void MyGame::PauseMenu() {}
void MyGame::LockKeys() {}
