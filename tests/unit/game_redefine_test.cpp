// Unit checks of the key redefinition screen: the cursor's wrap and clamps,
// capture of a new key into the binding table, the capture's time-out, the
// binding list shown for the chosen key, test mode and the way out by Save.
// Keys reach the capture through the fake input seam; no window or sound.

#include <cmath>
#include <cstring>
#include <string>

#include "backend_fake_input.h"
#include "core_internal.h"
#include "game_test_support.h"

namespace {

using gametest::FreshGame;

class GameRedefine : public FakeInputTest {
protected:
    void SetUp() override {
        FakeInputTest::SetUp();
        gametest::ClearInput();
        ASys.DrawCount = 0;
        FillKeyNames();
    }
    void TearDown() override {
        gametest::ClearInput();
        ASys.DrawCount = 0;
        FakeInputTest::TearDown();
    }
    static void Run(MyGame& g) {
        ASys.DrawCount = 0;
        g.LoopTarget();
    }
    // Opened as the options row opens it, with the default bindings.
    static void Open(MyGame& g) {
        g.KeyDefaults();
        g.Overlay = 3;
        g.RedefineRow = -1;
        g.RedefineColumn = 0;
        g.LockKeys();
        Run(g);
    }
    // A play key of the redefinition screen, optionally as a real key too
    // (capture reads the keyboard itself).
    static void Hold(int playKey, int glfwKey, bool down) {
        ASys.ButtonFlags[playKey] = down;
        if (glfwKey > 0) Fake.keys[glfwKey] = down;
    }
    static void Tap(MyGame& g, int playKey, int glfwKey = 0) {
        Hold(playKey, glfwKey, true);
        Run(g);
        Hold(playKey, glfwKey, false);
        Run(g);
    }
    static int Newest(int key) { return ASys.KeyBindings[63 * 16 + key]; }
    gametest::LoadedSlots slots_;
};

constexpr int kUp = 0, kLeft = 3, kRight = 5, kDown = 8, kConfirm = 10;

TEST_F(GameRedefine, TheCursorWrapsRowsAndClampsColumns) {
    const struct {
        int Row, Column, Key, ToRow, ToColumn;
    } cases[] = {
        {-2, 0, kUp, 4, 0},     // Save up to Back/Select
        {4, 1, kDown, -2, 0},   // Start down to Save
        {2, 3, kRight, 2, 3},   // Button 2 is the row's end
        {2, 3, kUp, 1, 1},      // Button 2 up to Button 4
        {-1, 0, kLeft, -1, 0},  // Test has no neighbours
        {0, 0, kRight, 0, 1},   // Left to Right Shoulder
    };
    for (const auto& c : cases) {
        FreshGame g;
        Open(*g);
        g->RedefineRow = c.Row;
        g->RedefineColumn = c.Column;
        Tap(*g, c.Key);
        EXPECT_EQ(c.ToRow, g->RedefineRow) << c.Row << "," << c.Column << " key " << c.Key;
        EXPECT_EQ(c.ToColumn, g->RedefineColumn) << c.Row << "," << c.Column << " key " << c.Key;
    }
}

TEST_F(GameRedefine, ButtonLabelsAreDimUnlessChosen) {
    const struct {
        char Label;
        float Dx, Dy;
        double R, G, B;  // the label's colour while its button is not chosen
    } labels[] = {
        {'1', 150, 40, 0, 60, 0},
        {'2', 190, 0, 60, 0, 0},
        {'3', 110, 0, 60, 60, 0},
        {'4', 150, -40, 0, 60, 60},
    };
    const struct {
        int Row, Column;
        char Chosen;  // 0: no button
    } cursors[] = {{-1, 0, 0}, {3, 1, '1'}, {2, 3, '2'}, {2, 2, '3'}, {1, 1, '4'}, {2, 1, 0}};
    for (const auto& at : cursors) {
        FreshGame g;
        Open(*g);
        g->RedefineRow = at.Row;
        g->RedefineColumn = at.Column;
        Run(*g);
        for (const auto& l : labels) {
            // Centred 2 left and 2 below the button, the pad's centre at (W / 2, H - 112).
            const float x = 400 + l.Dx - 2, y = 600 - 112 + l.Dy + 2;
            int found = 0;
            for (int i = 0; i < ASys.DrawCount; i++) {
                const double* r = ASys.DrawList[i];
                if (r[0] != 11 || r[28] != ASys.FontSlot || r[27] != l.Label - 32) continue;
                if (std::abs(r[2] + rh2 - y) > 0.01 || std::abs(r[1] + rw2 - x) > 20) continue;
                found++;
                const bool chosen = l.Label == at.Chosen;
                EXPECT_EQ(chosen ? 40 : l.R, r[11]) << l.Label << " cursor " << at.Row << "," << at.Column;
                EXPECT_EQ(chosen ? 140 : l.G, r[12]) << l.Label << " cursor " << at.Row << "," << at.Column;
                EXPECT_EQ(chosen ? 200 : l.B, r[13]) << l.Label << " cursor " << at.Row << "," << at.Column;
                EXPECT_EQ(255, r[10]) << l.Label;
            }
            EXPECT_EQ(1, found) << l.Label << " cursor " << at.Row << "," << at.Column;
        }
    }
}

TEST_F(GameRedefine, ACapturedKeyIsBoundToTheChosenKeyAndLeavesItsOldOne) {
    FreshGame g;
    Hold(kConfirm, 257, true);  // Enter still held from the options
    Open(*g);
    for (int i = 0; i < 3; i++) Run(*g);
    EXPECT_EQ(1, g->KeyLock[66]) << "nothing reacts until the confirm is let go";
    EXPECT_EQ(0, g->TestTimer);
    Hold(kConfirm, 257, false);
    Run(*g);
    Tap(*g, kDown);
    Tap(*g, kDown);  // row 1, column 0: "Up"

    Hold(kConfirm, 32, true);  // Space starts the capture and stays held
    for (int i = 0; i < 5; i++) Run(*g);
    EXPECT_EQ(2, g->KeyLock[66]);
    EXPECT_NE(std::string::npos, gametest::DrawnText().find("Hit button forUp"));
    testing::internal::CaptureStdout();
    Fake.keys[88] = 1;  // X
    Run(*g);
    const std::string out = testing::internal::GetCapturedStdout();
    Fake.keys[88] = 0;
    Hold(kConfirm, 32, false);
    Run(*g);
    EXPECT_EQ("Button Caught 88\n", out);
    EXPECT_EQ(0, g->KeyLock[66]);
    EXPECT_EQ(88, Newest(0));
    for (int s = 0; s < 64; s++) EXPECT_NE(88, g->KeyValue(11, s)) << "X left Button 2";
}

TEST_F(GameRedefine, ACaptureWithoutInputGivesUpAfter360Updates) {
    FreshGame g;
    Open(*g);
    g->RedefineRow = 3;  // "Down"
    Run(*g);
    int before[1024];
    std::memcpy(before, ASys.KeyBindings, sizeof before);
    Tap(*g, kConfirm, 32);
    for (int i = 0; i < 358; i++) Run(*g);
    EXPECT_EQ(2, g->KeyLock[66]) << "still waiting on its 360th update";
    Run(*g);
    EXPECT_EQ(0, g->KeyLock[66]);
    EXPECT_EQ(0, g->CaptureTimer);
    EXPECT_EQ(0, std::memcmp(before, ASys.KeyBindings, sizeof before));
}

TEST_F(GameRedefine, TheListShowsTheChosenKeysLiveBindingsNewestFirst) {
    const struct {
        bool Controller;
        const char* Lines[4];
    } cases[] = {
        {false, {"[ W ]", "[ Num 8 ]", "[ Up ]", nullptr}},
        {true, {"Joy 1 Button 10", "[ W ]", "[ Num 8 ]", "[ Up ]"}},
    };
    for (const auto& c : cases) {
        FreshGame g;
        if (c.Controller) LiveController(0);
        Open(*g);
        g->RedefineRow = 1;  // "Up"
        Run(*g);
        const std::string drawn = gametest::DrawnText();
        size_t at = 0;
        for (const char* line : c.Lines) {
            if (!line) break;
            const size_t found = drawn.find(line, at);
            ASSERT_NE(std::string::npos, found) << line;
            at = found;
        }
        EXPECT_EQ(c.Controller, drawn.find("Joy") != std::string::npos);
        std::memset(ASys.JoyState, 0, sizeof ASys.JoyState);
    }
}

TEST_F(GameRedefine, TestModeLocksNavigationForItsCountdown) {
    FreshGame g;
    Open(*g);
    Tap(*g, kConfirm, 32);  // the cursor opens on Test
    EXPECT_EQ(357, g->TestTimer);
    Tap(*g, kDown);
    EXPECT_EQ(-1, g->RedefineRow);
    for (int i = 0; i < 360; i++) Run(*g);
    EXPECT_EQ(0, g->TestTimer);
    Tap(*g, kDown);
    EXPECT_EQ(0, g->RedefineRow);
}

TEST_F(GameRedefine, OnlySaveLeaves) {
    FreshGame g;
    Open(*g);
    ASys.ButtonFlags[99] = 1;  // Escape, as play key and as "Start" and "Back/Select"
    ASys.VirtualKeys[8] = ASys.VirtualKeys[9] = 1;
    for (int i = 0; i < 3; i++) Run(*g);
    gametest::ClearInput();
    EXPECT_EQ(3, g->Overlay);
    Tap(*g, kUp);  // to Save
    Hold(kConfirm, 257, true);
    Run(*g);
    EXPECT_EQ(1, g->Overlay);
    for (int i = 0; i < zindle::kKeyLocks; i++) EXPECT_EQ(1, g->KeyLock[i]) << i;
    Hold(kConfirm, 257, false);
}

}  // namespace
