// zindle-datagen: writes the game's data folder (every image, the font, the
// sounds and the music) from code, the same bytes on every run. It takes the
// output folder as its only argument and never reads any asset from disk.

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "datagen.h"
#include "raster.h"
#include "truetype.h"

#ifndef ZINDLE_FONT_FILE
#define ZINDLE_FONT_FILE "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
#endif

namespace dg {

const TrueType& BoldFont() {
    static TrueType font;
    static bool tried = false;
    if (!tried) {
        tried = true;
        if (!font.Load(ZINDLE_FONT_FILE)) {
            std::fprintf(stderr, "zindle-datagen: cannot load %s\n", ZINDLE_FONT_FILE);
        }
    }
    return font;
}

bool Save(const Canvas& c, const std::string& dir, const char* name) {
    std::string path = dir + "/" + name;
    if (!c.SavePNG(path)) {
        std::fprintf(stderr, "zindle-datagen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace dg

namespace {

bool MakeDir(const std::string& path) {
    if (mkdir(path.c_str(), 0755) == 0 || errno == EEXIST) return true;
    std::fprintf(stderr, "zindle-datagen: cannot create %s: %s\n", path.c_str(), std::strerror(errno));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: zindle-datagen <out-dir>\n");
        return 2;
    }
    std::string dir = argv[1];
    std::string audio = dir + "/audio";
    if (!MakeDir(dir) || !MakeDir(audio)) return 1;

    struct Step { const char* what; bool (*make)(const std::string&); bool inAudio; };
    const Step steps[] = {
        {"font", dg::MakeFont, false},
        {"kuvologo", dg::MakeEngineLogo, false},
        {"logo", dg::MakeTitleLogo, false},
        {"gfx", dg::MakeGameSprites, false},
        {"icons", dg::MakeIcons, false},
        {"options", dg::MakeOptionIcons, false},
        {"particles", dg::MakeParticles, false},
        {"menu", dg::MakeMenuPictures, false},
        {"sounds", dg::MakeSounds, true},
        {"music", dg::MakeMusic, true},
    };
    // Only named steps run when more arguments are given (handy while
    // working on one picture); by default everything is written.
    int failures = 0;
    for (const Step& s : steps) {
        if (argc > 2) {
            bool wanted = false;
            for (int i = 2; i < argc; i++) wanted = wanted || std::strcmp(argv[i], s.what) == 0;
            if (!wanted) continue;
        }
        if (!s.make(s.inAudio ? audio : dir)) {
            std::fprintf(stderr, "zindle-datagen: making %s failed\n", s.what);
            failures++;
        }
    }
    return failures == 0 ? 0 : 1;
}
