// The options overlay, not built yet: Options() only hands control back, and
// the row builders are placeholders that do nothing and return a neutral value.

#include "MyGame.h"

// The options screen is not built yet: opening it hands control straight back
// to the screen under it (start page or pause menu), so neither ever traps the
// player. The latches keep the press that opened it from acting again.
void MyGame::Options() {
    Overlay = 0;
    LockKeys();
}
void MyGame::OptionsList() {}
void MyGame::AddOptionLabel(std::string) {}
int MyGame::AddLinearOption(int, int, std::string, int) { return 0; }
int MyGame::AddToggleOption(int, int, std::string, std::string, std::string) { return 0; }
