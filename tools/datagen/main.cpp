// zindle-datagen: writes the game's data folder (images, font, sounds, music)
// from code. Placeholder until the generators exist.
#include <cstdio>
int main(int argc, char** argv) {
    (void)argv;
    if (argc < 2) { std::fprintf(stderr, "usage: zindle-datagen <out-dir>\n"); return 2; }
    return 0;
}
