// Unit checks of the start menu: the start page's neighbours, latches, quit
// key and touch highlighting, and the set-up page's key repeat, wrap, choice
// by controller and by pointer, and the way back. No window or sound.

#include <climits>
#include <vector>

#include "game_test_support.h"

namespace {

using gametest::FreshGame;
using gametest::SetMouse;

class GameMenu : public gametest::GameFixture {
protected:
    static void Menu(MyGame& g) {
        Update([&] { g.DoMenu(); });
    }
};

TEST_F(GameMenu, StartPageNeighboursWrapAsLaidOut) {
    const struct {
        int From, Key, To;
    } cases[] = {
        {0, 3, -1}, {0, 1, 1},  // Start
        {-1, 3, -2}, {-1, 1, 0},  // Quit
        {1, 3, 0}, {1, 1, -1},  // Options: right goes to Quit, not to Credits
        {-2, 3, 1}, {-2, 1, -1},  // Credits: left wraps to Options
    };
    for (const auto& c : cases) {
        FreshGame g;
        g->MenuCursor = c.From;
        ASys.VirtualKeys[c.Key] = 1;
        Menu(*g);
        ASys.VirtualKeys[c.Key] = 0;
        EXPECT_EQ(c.To, g->MenuCursor) << "from " << c.From << " key " << c.Key;
    }
}

TEST_F(GameMenu, AHeldDirectionMovesTheHighlightOnce) {
    FreshGame g;
    ASys.VirtualKeys[1] = 1;
    for (int i = 0; i < 30; i++) Menu(*g);
    EXPECT_EQ(1, g->MenuCursor);
    ASys.VirtualKeys[1] = 0;
    Menu(*g);
    ASys.VirtualKeys[1] = 1;
    Menu(*g);
    EXPECT_EQ(-1, g->MenuCursor);
}

TEST_F(GameMenu, EscapeQuitsOnlyOnAFreshPress) {
    FreshGame g;
    g->LockKeys();  // as if Escape were still held from the screen before
    ASys.ButtonFlags[99] = 1;
    Menu(*g);
    EXPECT_EQ(0, g->QuitFlag);
    ASys.ButtonFlags[99] = 0;
    Menu(*g);
    ASys.ButtonFlags[99] = 1;
    Menu(*g);
    EXPECT_EQ(1, g->QuitFlag);
}

TEST_F(GameMenu, ConfirmOnStartOpensTheSetUpPageAtOnce) {
    FreshGame g;
    ASys.VirtualKeys[10] = 1;
    Menu(*g);
    EXPECT_EQ(1, g->MenuPage);
    EXPECT_EQ(1, g->KeyLock[10]);
    EXPECT_EQ(1, g->BoardTimer) << "the set-up page and its score panel ran in the same update";
    for (int i = 0; i < 5; i++) Menu(*g);
    EXPECT_EQ(0, g->GameState) << "the same press does not start a game";
}

TEST_F(GameMenu, SettingSlot13SwapsConfirmAndBackOnTheStartPageOnly) {
    const struct {
        int Swap, Key, Page;
    } cases[] = {
        {0, 10, 1}, {0, 8, 1}, {0, 11, 0},  // "Button 1" and "Start" confirm
        {1, 11, 1}, {1, 10, 0}, {1, 8, 0},  // swapped: "Button 2" confirms
    };
    for (const auto& c : cases) {
        FreshGame g;
        g->Settings[13] = c.Swap;
        ASys.VirtualKeys[c.Key] = 1;
        // Held on: the set-up page, where "Start" and "Button 2" mean back,
        // must not act on the press that opened it.
        for (int i = 0; i < 4; i++) Menu(*g);
        ASys.VirtualKeys[c.Key] = 0;
        EXPECT_EQ(c.Page, g->MenuPage) << "swap " << c.Swap << " key " << c.Key;
        EXPECT_EQ(0, g->GameState) << "swap " << c.Swap << " key " << c.Key;
    }
}

TEST_F(GameMenu, StartOpensTheSetUpPageAndAFreshStartBeginsTheGame) {
    FreshGame g;
    ASys.VirtualKeys[8] = 1;
    Menu(*g);
    EXPECT_EQ(1, g->MenuPage);
    ASys.VirtualKeys[8] = 0;
    Menu(*g);
    ASys.VirtualKeys[8] = 1;  // confirm and back at once: confirm wins
    Menu(*g);
    EXPECT_EQ(11, g->GameState);
    EXPECT_EQ(1, g->MenuPage);
    EXPECT_EQ(2, g->LevelSet);
    EXPECT_EQ(0, g->PointerChosen);
}

TEST_F(GameMenu, TheGearOpensTheOptionsFromTheTopAndMirrorsTheStatisticsFlag) {
    FreshGame g;
    g->MenuCursor = 1;  // Options
    g->DebugStats = 1;
    g->OptionCursor = 6;
    g->OptionScroll = -300;
    ASys.VirtualKeys[10] = 1;
    Update([&] { g->LoopTarget(); });
    EXPECT_EQ(1, g->Overlay);
    EXPECT_EQ(1, g->Settings[22]);
    EXPECT_EQ(0, g->OptionCursor);
    EXPECT_EQ(1, g->KeyLock[2]) << "the press that opened them acts no further";
    for (int i = 0; i < 3; i++) Update([&] { g->LoopTarget(); });
    EXPECT_EQ(1, g->Overlay) << "the held press does not close them again";
    EXPECT_EQ(0, g->OptionCursor);
}

TEST_F(GameMenu, AFirstTouchHighlightsAndASecondActivates) {
    FreshGame g;
    SetMouse(52, 600 - 96, true);  // the Credits button
    g->PointerDown = 1;
    Menu(*g);
    EXPECT_EQ(-2, g->MenuCursor);
    EXPECT_EQ(0, g->Overlay);
    Menu(*g);
    EXPECT_EQ(0, g->Overlay) << "still the same touch";
    SetMouse(52, 600 - 96, false);
    g->PointerDown = 0;
    Menu(*g);
    SetMouse(52, 600 - 96, true);
    g->PointerDown = 1;
    Menu(*g);
    EXPECT_EQ(2, g->Overlay);
}

TEST_F(GameMenu, SetUpListRepeatsAfter24_18_12_6ThenEvery3) {
    FreshGame g;
    g->MenuPage = 1;
    Menu(*g);  // nothing held: the repeat starts from its first delay
    ASys.VirtualKeys[2] = 1;
    std::vector<int> moves;
    int previous = g->SelectedSet;
    for (int i = 0; i < 70; i++) {
        Menu(*g);
        if (g->SelectedSet != previous) moves.push_back(i);
        previous = g->SelectedSet;
    }
    const std::vector<int> expected = {0, 24, 42, 54, 60, 63, 66, 69};
    EXPECT_EQ(expected, moves);
}

TEST_F(GameMenu, SetUpListWrapsBothWays) {
    FreshGame g;
    g->MenuPage = 1;
    g->SelectedSet = 1;
    Menu(*g);
    ASys.VirtualKeys[0] = 1;
    Menu(*g);
    EXPECT_EQ(3, g->SelectedSet);
    ASys.VirtualKeys[0] = 0;
    Menu(*g);
    ASys.VirtualKeys[2] = 1;
    Menu(*g);
    EXPECT_EQ(1, g->SelectedSet);
}

TEST_F(GameMenu, ASavedBoardNumberOutsideTheListWrapsIntoIt) {
    const struct {
        int Stored, Key, Shown;  // Key -1: nothing held
    } cases[] = {
        {7, -1, 1}, {-5, -1, 3},                    // as a step past the end or the start would
        {INT_MIN, 0, 2}, {INT_MIN, 2, 1}, {INT_MAX, 2, 2}, {INT_MAX, 0, 3},  // wrapped, then stepped
    };
    for (const auto& c : cases) {
        FreshGame g;
        g->MenuPage = 1;
        g->SelectedSet = c.Stored;
        if (c.Key >= 0) ASys.VirtualKeys[c.Key] = 1;
        Menu(*g);
        gametest::ClearInput();
        EXPECT_EQ(c.Shown, g->SelectedSet) << c.Stored << " key " << c.Key;
        for (int i = 0; i < 40; i++) Menu(*g);
        EXPECT_NEAR(600 - 128 - (c.Shown - 1) * 46, g->ListScroll, 1) << c.Stored << ": the list settles on it";
    }
}

TEST_F(GameMenu, ControllerConfirmStartsTheHighlightedSet) {
    FreshGame g;
    g->MenuPage = 1;
    g->SelectedSet = 3;
    Menu(*g);
    ASys.VirtualKeys[10] = 1;
    Menu(*g);
    EXPECT_EQ(11, g->GameState);
    EXPECT_EQ(3, g->LevelSet);
    EXPECT_EQ(0, g->PointerChosen);
}

TEST_F(GameMenu, EscapeOnTheSetUpPageGoesBackInsteadOfStarting) {
    FreshGame g;
    g->MenuPage = 1;
    Menu(*g);
    ASys.ButtonFlags[99] = 1;
    ASys.VirtualKeys[8] = 1;
    Menu(*g);
    EXPECT_EQ(0, g->MenuPage);
    EXPECT_EQ(0, g->GameState);
}

TEST_F(GameMenu, AClickHighlightsARowAndASecondClickStarts) {
    FreshGame g;
    g->MenuPage = 1;
    g->SelectedSet = 2;
    for (int i = 0; i < 60; i++) Menu(*g);  // the list glides into place
    const float focus = 600 - 128;
    EXPECT_NEAR(focus - 46, g->ListScroll, 0.5);

    SetMouse(228, focus + 46, true);  // the "Random" row, below the highlighted one
    g->PointerDown = 1;
    Menu(*g);
    EXPECT_EQ(3, g->SelectedSet);
    EXPECT_EQ(0, g->GameState);
    SetMouse(228, focus + 46, false);
    g->PointerDown = 0;
    for (int i = 0; i < 60; i++) Menu(*g);
    SetMouse(228, focus, true);
    g->PointerDown = 1;
    Menu(*g);
    EXPECT_EQ(11, g->GameState);
    EXPECT_EQ(3, g->LevelSet);
    EXPECT_EQ(1, g->PointerChosen);
}

TEST_F(GameMenu, TheLogoHalvesOverTenUpdatesOrAtOnceWithLessMotion) {
    FreshGame g;
    g->MenuPage = 1;
    for (int i = 0; i < 5; i++) Menu(*g);
    EXPECT_NEAR(1.5f, g->LogoScale, 0.01);
    FreshGame still;
    still->Settings[23] = 1;
    still->MenuPage = 1;
    Menu(*still);
    still->Menu_Background();  // the clamp of the next update
    EXPECT_EQ(2, still->LogoScale);
}

}  // namespace
