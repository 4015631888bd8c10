// Entry point of Zindle Flaps: hands the program path to the game and returns
// once the game has ended and saved. It takes no options and never exits
// early, so shut-down and saving always run.

#include "MyGame.h"

int main(int argc, char** argv) {
    ThisGame.Launch(argc > 0 && argv[0] != nullptr ? argv[0] : ".");
    return 0;
}
