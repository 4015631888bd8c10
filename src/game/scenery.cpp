// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "MyGame.h"

float MyGame::BandSpacing() { return 0; }
void MyGame::DrawSky() {}
void MyGame::DrawBackSea(float) {}
void MyGame::DrawBridge() {}
void MyGame::DrawPillars() {}
void MyGame::DrawMapCell(int, int) {}
void MyGame::DrawFrontSea(float) {}
