// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "MyGame.h"

MyGame::MyGame() {}
MyGame::~MyGame() {}
void MyGame::Launch(const char*) {}
void MyGame::GameLoop() {}
int MyGame::KeepAlive() { return 0; }
void MyGame::Update() {}
void MyGame::Render() {}
void MyGame::DrawBanner() {}
MyGame ThisGame;
int Heartbeat() { return ThisGame.KeepAlive(); }
