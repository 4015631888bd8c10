// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "MyGame.h"

void MyGame::SendScores(int) {}
void MyGame::HandleDefaultScoreboards() {}
void MyGame::DisplayScoreboard() {}
void MyGame::DefaultScoreDisplay(int) {}
