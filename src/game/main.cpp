// Entry point of Zindle Flaps: hands the program path to the game and returns
// once the game has ended and saved.

#include "MyGame.h"

int main(int argc, char** argv) {
    ThisGame.Launch(argc > 0 && argv[0] ? argv[0] : ".");
    return 0;
}
