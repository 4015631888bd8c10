// A game object of its own for tests and fuzz targets: zeroed storage on the
// heap with the few members the engine's start-up sets, and the state the
// launch leaves just before Load. No test framework here, so the fuzz targets
// can use it too.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "KUVO_glfw3.h"
#include "MyGame.h"

namespace gametest {

// A game object of its own (MyGame is large, so it lives on the heap), every
// member zero as in the global one before launch.
class FreshGame {
public:
    FreshGame() : game_(static_cast<MyGame*>(std::calloc(1, sizeof(MyGame)))) { Start(); }
    // Makes it fresh again in the same storage, for a fuzz target that needs
    // one for every input: a megabyte taken anew each time costs more in page
    // faults than the input's own work.
    void Renew() {
        game_->~MyGame();
        std::memset(static_cast<void*>(game_), 0, sizeof(MyGame));
        Start();
    }
    ~FreshGame() {
        game_->~MyGame();
        std::free(game_);
    }
    FreshGame(const FreshGame&) = delete;
    FreshGame& operator=(const FreshGame&) = delete;
    MyGame& operator*() { return *game_; }
    MyGame* operator->() { return game_; }

private:
    void Start() {
        new (game_) MyGame();
        game_->ViewWidth = 800;
        game_->ViewHeight = 600;
        game_->FrameDelta = 1;
        game_->LogoScale = 1;
        game_->SelectedSet = 2;
        game_->MixControllers = 1;  // as the engine's start-up leaves it
        game_->GameNumber = kuvo::kGameNumber;  // it seeds the maps
    }

    MyGame* game_;
};

// A game as the launch leaves it just before Load, in the program folder
// `dir`: the title, the settings' defaults and the default key bindings.
inline void BeforeLoad(MyGame& g, const std::string& dir) {
    std::snprintf(g.ProgramDir, sizeof g.ProgramDir, "%s", dir.c_str());
    std::snprintf(g.Title, sizeof g.Title, "Zindle Flaps");
    g.GameNumber = kuvo::kGameNumber;
    g.BoardCount = 3;
    for (int& s : g.Settings) s = 0;
    g.Settings[0] = 7;
    g.Settings[1] = 7;
    g.Settings[10] = 1;
    g.Settings[101] = 2;
    g.FlushKeys();
    g.KeyDefaults();
}

}  // namespace gametest
