// Unit checks of the screen state machine: starting a game, pausing with keys,
// controller and pointer, the pause menu's choices and idle slide, ending a
// game and going back to the menu, and the overlays. No window or sound.

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "game_test_support.h"
#include "scratch_dir.h"

namespace {

using gametest::FreshGame;
using gametest::SetMouse;

class GameScreens : public gametest::GameFixture {
protected:
    void SetUp() override {
        GameFixture::SetUp();
        dir_ = testsupport::MakeTempDir("zindle-screens");
        ASSERT_FALSE(dir_.empty());
    }
    void TearDown() override {
        testsupport::RemoveTree(dir_);
        GameFixture::TearDown();
    }
    // A game in play on "Set A", its save files kept in this test's directory.
    void Start(MyGame& g) {
        std::snprintf(g.ProgramDir, sizeof g.ProgramDir, "%s", dir_.c_str());
        g.LevelSet = 1;
        g.GameState = 11;
        Update([&] { g.LoopTarget(); });
    }
    static void Escape(bool down) {
        ASys.ButtonFlags[99] = down;  // play key 99
        ASys.VirtualKeys[8] = down;   // Escape is bound to "Start"
    }
    // A live controller holding its Back button: play key 99 and "Back/Select".
    static void ControllerBack(bool down) {
        ASys.JoyState[98] = 1;
        ASys.JoyState[99] = 1;
        ASys.JoyState[6] = down;
        ASys.VirtualKeys[9] = down;
    }

    std::string dir_;
    gametest::LoadedSlots slots_;  // the pause buttons need the icons' frame side
};

TEST_F(GameScreens, StartingAGameBuildsRoundOneAndCountsThePlay) {
    FreshGame g;
    g->Settings[100] = 4;
    g->Particles[3].Kind = 1;
    g->BannerReason = -1;
    Start(*g);
    EXPECT_EQ(10, g->GameState);
    EXPECT_EQ(5, g->Settings[100]);
    EXPECT_EQ(1, g->RoundNumber);
    EXPECT_EQ(3.0f, g->IconCount);
    EXPECT_EQ(0, g->Paused);
    EXPECT_EQ(0, g->Particles[3].Kind) << "the game start clears the particles";
    EXPECT_EQ(-1, g->BannerReason) << "the banner reason survives the reset";
}

TEST_F(GameScreens, AHandEditedPlayCountStopsAtTheTop) {
    for (int stored : {INT_MAX - 1, INT_MAX, -7}) {
        FreshGame g;
        g->Settings[100] = stored;
        Start(*g);
        Start(*g);
        EXPECT_EQ(stored < 0 ? stored + 2 : INT_MAX, g->Settings[100]) << stored;
    }
}

TEST_F(GameScreens, EscapePausesAndAFreshEscapeResumes) {
    FreshGame g;
    Start(*g);
    Escape(true);
    Update([&] { g->LoopTarget(); });
    EXPECT_EQ(1, g->Paused);
    EXPECT_EQ(1, g->PauseChoice);
    const float message = g->MessageTimer;
    for (int i = 0; i < 5; i++) Update([&] { g->LoopTarget(); });
    EXPECT_EQ(1, g->Paused) << "Escape held since pausing does not resume";
    EXPECT_EQ(message, g->MessageTimer) << "the game is not updated while paused";
    Escape(false);
    Update([&] { g->LoopTarget(); });
    Escape(true);
    Update([&] { g->LoopTarget(); });
    EXPECT_EQ(0, g->Paused);
    for (int i = 0; i < 5; i++) Update([&] { g->LoopTarget(); });
    EXPECT_EQ(0, g->Paused) << "Escape still held from resuming does not pause again";
    EXPECT_EQ(message - 5, g->MessageTimer);
}

TEST_F(GameScreens, ControllerBackResumesWithoutPausingAgainWhileHeld) {
    FreshGame g;
    Start(*g);
    ControllerBack(true);
    Update([&] { g->LoopTarget(); });
    ASSERT_EQ(1, g->Paused);
    ControllerBack(false);
    Update([&] { g->LoopTarget(); });
    ControllerBack(true);  // Back confirms "resume"
    Update([&] { g->LoopTarget(); });
    EXPECT_EQ(0, g->Paused);
    for (int i = 0; i < 10; i++) Update([&] { g->LoopTarget(); });
    EXPECT_EQ(0, g->Paused) << "Back still held must not pause again";
    ControllerBack(false);
    Update([&] { g->LoopTarget(); });
    ControllerBack(true);
    Update([&] { g->LoopTarget(); });
    EXPECT_EQ(1, g->Paused) << "a fresh Back pauses";
}

TEST_F(GameScreens, RightWalksTheChoicesAroundAndQuitEndsTheGame) {
    FreshGame g;
    Start(*g);
    g->Paused = 1;
    g->PauseChoice = 1;
    g->LockKeys();
    Update([&] { g->LoopTarget(); });  // everything released: latches clear
    const int expected[] = {2, 0, 1, 2, 0};
    for (int choice : expected) {
        Tap(*g, 1);
        EXPECT_EQ(choice, g->PauseChoice);
    }
    Tap(*g, 3);
    EXPECT_EQ(2, g->PauseChoice);
    Tap(*g, 3);
    EXPECT_EQ(1, g->PauseChoice);
    Tap(*g, 3);
    ASSERT_EQ(0, g->PauseChoice);
    Tap(*g, 10);  // confirm "quit"
    EXPECT_EQ(0, g->Paused);
    EXPECT_EQ(-1, g->EndReason);
    EXPECT_EQ(-1, g->BannerReason);
    g->EndGame(1);
    EXPECT_EQ(-1, g->EndReason) << "only the first ending counts";
    EXPECT_EQ(-1, g->BannerReason);
}

TEST_F(GameScreens, OptionsFromThePauseMenuKeepTheirPlaceAndGiveItBack) {
    FreshGame g;
    Start(*g);
    g->Paused = 1;
    g->PauseChoice = 2;
    g->OptionCursor = 4;
    Update([&] { g->LoopTarget(); });
    ASys.VirtualKeys[10] = 1;
    Update([&] { g->LoopTarget(); });
    ASys.VirtualKeys[10] = 0;
    EXPECT_EQ(1, g->Overlay);
    EXPECT_EQ(1, g->Paused) << "the pause menu returns when the options close";
    EXPECT_EQ(4, g->OptionCursor) << "opened from the pause menu, the highlight stays";
    Update([&] { g->LoopTarget(); });
    Escape(true);
    Update([&] { g->LoopTarget(); });
    Update([&] { g->LoopTarget(); });
    Escape(false);
    EXPECT_EQ(0, g->Overlay);
    EXPECT_EQ(1, g->Paused) << "the held Escape neither resumes nor quits";
    EXPECT_EQ(0, g->EndReason);
}

TEST_F(GameScreens, IdlePauseButtonsSinkAndComeBackOnAClick) {
    FreshGame g;
    Start(*g);
    g->Paused = 1;
    for (int i = 0; i < 359; i++) Update([&] { g->LoopTarget(); });
    EXPECT_EQ(0, g->PauseSlide);
    Update([&] { g->LoopTarget(); });
    EXPECT_EQ(4, g->PauseSlide);
    for (int i = 0; i < 200; i++) Update([&] { g->LoopTarget(); });
    EXPECT_EQ(480, g->PauseSlide);
    g->PointerDown = 1;  // a click anywhere
    Update([&] { g->LoopTarget(); });
    g->PointerDown = 0;
    Update([&] { g->LoopTarget(); });
    EXPECT_EQ(480 - 64, g->PauseSlide);
}

TEST_F(GameScreens, TheInvisiblePauseButtonStillPauses) {
    FreshGame g;
    Start(*g);
    g->PointerChosen = 0;
    SetMouse(32, 32, true);
    g->PointerDown = 1;
    Update([&] { g->LoopTarget(); });
    EXPECT_EQ(1, g->Paused);
    EXPECT_EQ(1, g->PauseChoice);
}

TEST_F(GameScreens, LeavingAGameEntersTheScoreAndReturnsToTheMenu) {
    FreshGame g;
    Start(*g);
    g->Score = 1234;
    g->EndGame(1);
    g->GameState = 1;  // the banner has run its course
    Update([&] { g->LoopTarget(); });
    EXPECT_EQ(0, g->GameState);
    EXPECT_EQ(0, g->EndReason);
    EXPECT_EQ(1, g->BannerReason);
    EXPECT_EQ(1234, g->ScoreTable[20 * g->SelectedSet]);
    EXPECT_EQ(1234, g->ScoreTable[20 * g->SelectedSet + 5]);
}

TEST_F(GameScreens, AnOverlayFreezesTheGameUnderIt) {
    FreshGame g;
    Start(*g);
    g->MessageTimer = 0;
    g->JumpState = 1;
    g->Overlay = 2;  // credits
    Update([&] { g->LoopTarget(); });
    EXPECT_EQ(0, g->JumpAngle);
    g->Overlay = 0;
    Update([&] { g->LoopTarget(); });
    EXPECT_EQ(0.5f, g->JumpAngle);
}

TEST_F(GameScreens, LockKeysSetsEveryLatch) {
    FreshGame g;
    g->LockKeys();
    for (int i = 0; i < zindle::kKeyLocks; i++) {
        EXPECT_EQ(1, g->KeyLock[i]);
        EXPECT_EQ(1, g->TouchLock[i]);
    }
}

}  // namespace
