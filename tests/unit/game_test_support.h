// Shared set-up for the game's screen and gameplay tests: a fresh game object
// in zeroed storage with an 800 x 600 view, and input driven by writing the
// backend's input tables directly. It never opens a window or a sound device.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "KUVO_glfw3.h"
#include "MyGame.h"
#include "fresh_game.h"

namespace gametest {

inline void ClearInput() {
    std::memset(ASys.ButtonFlags, 0, sizeof ASys.ButtonFlags);
    std::memset(ASys.VirtualKeys, 0, sizeof ASys.VirtualKeys);
    std::memset(ASys.PointerState, 0, sizeof ASys.PointerState);
    std::memset(ASys.JoyState, 0, sizeof ASys.JoyState);
}

// The mouse (pointer 0) at a view position, its primary button up or down.
inline void SetMouse(float x, float y, bool down) {
    ASys.PointerState[1] = x;
    ASys.PointerState[2] = y;
    ASys.PointerState[5] = down ? 1.0f : 0.0f;
}

// The characters of every font record in the draw list, in order (a glyph's
// frame is its code - 32), so a test can look for a text on screen.
inline std::string DrawnText() {
    std::string text;
    for (int i = 0; i < ASys.DrawCount && i < kuvo::kDrawListCapacity; i++) {
        const double* r = ASys.DrawList[i];
        if (r[0] == 11 && static_cast<int>(r[28]) == ASys.FontSlot)
            text += static_cast<char>(static_cast<int>(r[27]) + 32);
    }
    return text;
}

// Pretends image slots are loaded (frames and frame side), so that draws and
// on-screen buttons append records; restores them afterwards.
class LoadedSlots {
public:
    LoadedSlots() {
        std::memcpy(frames_, ASys.SlotFrames, sizeof frames_);
        std::memcpy(sides_, ASys.SlotFrameSize, sizeof sides_);
        font_ = ASys.FontSlot;
        const struct { int Slot, Frames, Side; } slots[] = {
            {0, 32, 32}, {50, 12, 64}, {51, 96, 32}, {52, 12, 32}, {54, 1, 1024},
            {55, 144, 32}, {56, 1, 1024}, {57, 1, 512}, {60, 625, 32},
        };
        for (const auto& s : slots) {
            ASys.SlotFrames[s.Slot] = s.Frames;
            ASys.SlotFrameSize[s.Slot] = s.Side;
        }
        ASys.FontSlot = 51;
    }
    ~LoadedSlots() {
        std::memcpy(ASys.SlotFrames, frames_, sizeof frames_);
        std::memcpy(ASys.SlotFrameSize, sides_, sizeof sides_);
        ASys.FontSlot = font_;
    }
    LoadedSlots(const LoadedSlots&) = delete;
    LoadedSlots& operator=(const LoadedSlots&) = delete;

private:
    int frames_[kuvo::kImageSlots];
    int sides_[kuvo::kImageSlots];
    int font_;
};

// Clears input and the draw list before and after each test, since both are
// shared by every test of the binary.
class GameFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ClearInput();
        ASys.DrawCount = 0;
    }
    void TearDown() override {
        ClearInput();
        ASys.DrawCount = 0;
    }
    // One update of whatever runs, as the loop would: draw list emptied first.
    template <typename F>
    static void Update(F&& run) {
        ASys.DrawCount = 0;
        run();
    }
    // One update of the current screen.
    static void Run(MyGame& g) {
        Update([&] { g.LoopTarget(); });
    }
    // A virtual key held for one update and let go for the next.
    static void Tap(MyGame& g, int key) {
        ASys.VirtualKeys[key] = 1;
        Run(g);
        ASys.VirtualKeys[key] = 0;
        Run(g);
    }
};

}  // namespace gametest
