// Unit checks of the options screen: the rows and their order, the highlight's
// movement and ends, sliders and switches by keys and by pointer, the action
// rows, dragging the list and every way out. No window or sound.

#include <string>
#include <vector>

#include "game_test_support.h"

namespace {

using gametest::FreshGame;
using gametest::SetMouse;

// Interactive rows in build order.
enum Row { Back, Sfx, Music, OnlineName, Fullscreen, Motion, Overscan, Controller, InvertY, DebugRow };

class GameOptions : public gametest::GameFixture {
protected:
    // Opened as the start page opens it, then one update with nothing held.
    static void Open(MyGame& g) {
        g.Overlay = 1;
        g.OptionCursor = 0;
        g.OptionScroll = 0;
        g.LockKeys();
        Run(g);
    }
    static void Hold(int key, bool down) { ASys.VirtualKeys[key] = down ? 1.0f : 0.0f; }
    static void Enter(bool down) {
        ASys.ButtonFlags[98] = down;  // the confirm play key...
        ASys.ButtonFlags[10] = down;
        Hold(10, down);               // ...also raises "Button 1"
    }
    static void Escape(bool down) {
        ASys.ButtonFlags[99] = down;
        Hold(8, down);  // Escape is bound to "Start"
    }
    // A pointer press and release at a view position, one update each.
    static void Click(MyGame& g, float x, float y) {
        SetMouse(x, y, true);
        g.PointerDown = 1;
        Run(g);
        SetMouse(x, y, false);
        g.PointerDown = 0;
        Run(g);
    }
    // Moves the highlight to a row with the down key.
    static void CursorTo(MyGame& g, int row) {
        while (g.OptionCursor < row) Tap(g, 2);
    }
    gametest::LoadedSlots slots_;
};

TEST_F(GameOptions, TheRowsStandInTheirOrderUnderTheirHeadings) {
    FreshGame g;
    g->ViewHeight = 1400;  // every row in view
    g->Settings[10] = 1;
    Open(*g);
    const std::string drawn = gametest::DrawnText();
    const std::vector<std::string> order = {
        "Back", "Return", "Sound", "SFX Volume", "Music Volume", "Player", "Online Name", "Screen",
        "Fullscreen [F11]", "Switch", "Motion Reduction", "Normal", "Overscan", "Input", "Controller",
        "Define", "Invert Thumbstick Y", "Inverted", "System", "Debug Stats [F1]", "Off",
    };
    size_t at = 0;
    for (const std::string& text : order) {
        const size_t found = drawn.find(text, at);
        ASSERT_NE(std::string::npos, found) << text << " after position " << at;
        at = found + text.size();
    }
    EXPECT_EQ(10, g->OptionCount);
}

TEST_F(GameOptions, EachSettingRowEditsItsOwnSlot) {
    const struct {
        int Row, Slot, Before, After;
    } cases[] = {
        {Sfx, 0, 7, 0},     {Music, 1, 0, 10},    {Motion, 23, 0, 1},
        {Overscan, 20, 4, 0}, {InvertY, 10, 1, 0}, {DebugRow, 22, 0, 1},
    };
    for (const auto& c : cases) {
        FreshGame g;
        g->Settings[c.Slot] = c.Before;
        Open(*g);
        CursorTo(*g, c.Row);
        int before[zindle::kSettings];
        std::memcpy(before, g->Settings, sizeof before);
        before[c.Slot] = c.After;
        Tap(*g, 10);
        for (int s = 0; s < zindle::kSettings; s++) EXPECT_EQ(before[s], g->Settings[s]) << "row " << c.Row << " slot " << s;
    }
}

TEST_F(GameOptions, TheHighlightStopsAtBothEndsAndMovesOncePerPress) {
    FreshGame g;
    Open(*g);
    Tap(*g, 0);
    EXPECT_EQ(0, g->OptionCursor);
    Hold(2, true);
    for (int i = 0; i < 20; i++) Run(*g);
    EXPECT_EQ(1, g->OptionCursor) << "a held direction moves once";
    Hold(2, false);
    Run(*g);
    for (int i = 0; i < 12; i++) Tap(*g, 2);
    EXPECT_EQ(9, g->OptionCursor);
    Tap(*g, 0);
    EXPECT_EQ(8, g->OptionCursor);
}

TEST_F(GameOptions, TheListGlidesToKeepTheHighlightInView) {
    FreshGame g;
    Open(*g);
    CursorTo(*g, DebugRow);
    for (int i = 0; i < 80; i++) Run(*g);
    const int y = 1118 + g->OptionScroll;  // the last row's unscrolled place
    EXPECT_GT(y, 79);
    EXPECT_LE(y, 600 - 80);
    while (g->OptionCursor > 0) Tap(*g, 0);
    for (int i = 0; i < 80; i++) Run(*g);
    EXPECT_EQ(16, g->OptionScroll) << "the first row rests at 80";
}

TEST_F(GameOptions, SlidersStepStopAndJumpByKeys) {
    const struct {
        int Before, Key, After;
    } cases[] = {
        {5, 1, 6}, {5, 3, 4}, {10, 1, 10}, {0, 3, 0},  // steps stop at the ends
        {5, 10, 0}, {0, 10, 10}, {3, 11, 0}, {0, 11, 10},  // "Button 1" or "2" jump
        {99, 3, 9}, {-4, 1, 1},  // a hand-edited value starts from the nearer end
    };
    for (const auto& c : cases) {
        FreshGame g;
        g->Settings[1] = c.Before;
        Open(*g);
        CursorTo(*g, Music);
        Tap(*g, c.Key);
        EXPECT_EQ(c.After, g->Settings[1]) << "from " << c.Before << " key " << c.Key;
    }
}

TEST_F(GameOptions, AHandEditedSliderValueStaysInItsSlotUntilTheSliderMoves) {
    FreshGame g;
    g->ViewHeight = 1400;  // every row in view
    g->Settings[0] = 99;
    g->Settings[1] = -4;
    g->Settings[20] = 37;
    Open(*g);
    CursorTo(*g, DebugRow);  // across every slider
    while (g->OptionCursor > 0) Tap(*g, 0);
    for (int i = 0; i < 5; i++) Run(*g);
    EXPECT_EQ(99, g->Settings[0]);
    EXPECT_EQ(-4, g->Settings[1]);
    EXPECT_EQ(37, g->Settings[20]);
    // Shown at 10, Overscan cannot step further right; a step left moves it.
    CursorTo(*g, Overscan);
    Tap(*g, 1);
    EXPECT_EQ(37, g->Settings[20]);
    Tap(*g, 3);
    EXPECT_EQ(9, g->Settings[20]);
    EXPECT_EQ(99, g->Settings[0]);
}

TEST_F(GameOptions, TheConfirmKeyJumpsASlider) {
    FreshGame g;
    g->Settings[0] = 4;
    Open(*g);
    CursorTo(*g, Sfx);
    ASys.ButtonFlags[98] = 1;
    Run(*g);
    ASys.ButtonFlags[98] = 0;
    EXPECT_EQ(0, g->Settings[0]);
}

TEST_F(GameOptions, SwitchesFlipAndShowTheirState) {
    const struct {
        int Row, Slot, Before, After;
        const char* Shown;
    } cases[] = {
        {Motion, 23, 0, 1, "Less Motion"},  {Motion, 23, 1, 0, "Normal"},
        {InvertY, 10, 0, 1, "Inverted"},   {DebugRow, 22, 1, 0, "Off"},
        {Motion, 23, 7, 1, "Less Motion"},  // a hand-edited value reads as off
    };
    for (const auto& c : cases) {
        FreshGame g;
        g->ViewHeight = 1400;
        g->Settings[10] = 1;  // so only the row under test can show "Normal"
        g->Settings[c.Slot] = c.Before;
        Open(*g);
        CursorTo(*g, c.Row);
        Tap(*g, 11);
        EXPECT_EQ(c.After, g->Settings[c.Slot]) << c.Row;
        EXPECT_NE(std::string::npos, gametest::DrawnText().find(c.Shown)) << c.Shown;
    }
}

TEST_F(GameOptions, DebugStatsSwitchesTheStatisticsLineAtOnce) {
    FreshGame g;
    Open(*g);
    CursorTo(*g, DebugRow);
    Tap(*g, 10);
    EXPECT_EQ(1, g->DebugStats);
    Tap(*g, 10);
    EXPECT_EQ(0, g->DebugStats);
}

TEST_F(GameOptions, AFirstTapHighlightsARowAndASecondChangesIt) {
    FreshGame g;
    g->ViewHeight = 1400;
    g->Settings[23] = 0;
    Open(*g);
    const float motionY = 662 + static_cast<float>(g->OptionScroll);
    Click(*g, 400, motionY);
    EXPECT_EQ(Motion, g->OptionCursor);
    EXPECT_EQ(0, g->Settings[23]);
    Click(*g, 400, motionY);
    EXPECT_EQ(1, g->Settings[23]);
}

TEST_F(GameOptions, ATapOnAHighlightedSliderSetsTheValueUnderIt) {
    FreshGame g;
    g->Settings[0] = 7;
    Open(*g);
    const float y = 206 + static_cast<float>(g->OptionScroll);
    Click(*g, 400, y);
    ASSERT_EQ(Sfx, g->OptionCursor);
    EXPECT_EQ(7, g->Settings[0]);
    // The highlighted bar stands 8 up and left; its 11 marks span 320 units.
    const float step = 320.0f / 11;
    const struct {
        int Value;
    } cases[] = {{0}, {3}, {10}};
    for (const auto& c : cases) {
        Click(*g, 400 - 8 - 160 + step * static_cast<float>(c.Value + 1), y - 8);
        EXPECT_EQ(c.Value, g->Settings[0]);
        EXPECT_EQ(Sfx, g->OptionCursor);
    }
}

TEST_F(GameOptions, APressOnEmptySpaceDragsTheListAndOneOnARowDoesNot) {
    FreshGame g;
    Open(*g);
    const int start = g->OptionScroll;
    g->PointerDown = 1;
    SetMouse(20, 300, true);
    Run(*g);
    SetMouse(20, 340, true);
    Run(*g);
    EXPECT_EQ(start + 40, g->OptionScroll);
    SetMouse(20, 340, false);
    g->PointerDown = 0;
    Run(*g);

    const int before = g->OptionScroll;
    const float y = 206 + static_cast<float>(before);
    g->PointerDown = 1;
    SetMouse(400, y, true);
    Run(*g);
    SetMouse(400, y + 40, true);
    Run(*g);
    EXPECT_EQ(before, g->OptionScroll);
    EXPECT_EQ(Sfx, g->OptionCursor);
}

TEST_F(GameOptions, ActionRowsOpenNameEntryAndKeyRedefinition) {
    const struct {
        int Row, Overlay, Cursor;
    } cases[] = {{OnlineName, 4, 0}, {Controller, 3, Controller}};
    for (const auto& c : cases) {
        FreshGame g;
        g->RedefineRow = 3;
        g->RedefineColumn = 2;
        Open(*g);
        CursorTo(*g, c.Row);
        Enter(true);
        Run(*g);
        EXPECT_EQ(c.Overlay, g->Overlay) << c.Row;
        EXPECT_EQ(c.Cursor, g->OptionCursor) << c.Row;
        EXPECT_EQ(1, g->KeyLock[66]) << "the held confirm cannot act on the next screen";
        if (c.Overlay == 3) {
            EXPECT_EQ(-1, g->RedefineRow);
            EXPECT_EQ(0, g->RedefineColumn);
        }
        Enter(false);
    }
}

TEST_F(GameOptions, EveryWayOutUncoversTheScreenUnderIt) {
    // 0: Escape, 1: the Back row, 2: "Back/Select"; from the start page or the pause menu.
    for (int way = 0; way < 3; way++) {
        for (int paused = 0; paused < 2; paused++) {
            FreshGame g;
            g->GameState = paused ? 10 : 0;
            g->Paused = paused;
            g->PauseChoice = 2;  // the pause menu's options entry
            Open(*g);
            if (way == 0) Escape(true);
            if (way == 1) Hold(10, true);
            if (way == 2) Hold(9, true);
            for (int i = 0; i < 4; i++) Run(*g);  // the key stays held on the screen underneath
            EXPECT_EQ(0, g->Overlay) << "way " << way;
            EXPECT_EQ(paused, g->Paused) << "way " << way;
            EXPECT_EQ(0, g->QuitFlag) << "way " << way << ": a held Escape does not quit the start page";
            EXPECT_EQ(0, g->MenuPage) << "way " << way;
            EXPECT_EQ(2, g->PauseChoice) << "way " << way << ": nothing under it acted";
            Escape(false);
            Hold(10, false);
            Hold(9, false);
        }
    }
}

TEST_F(GameOptions, EscapeBackFromNameEntryLeavesTheOptionsOpen) {
    FreshGame g;
    Open(*g);
    g->Overlay = 4;
    g->LockKeys();
    Run(*g);
    Escape(true);
    for (int i = 0; i < 4; i++) Run(*g);
    EXPECT_EQ(1, g->Overlay);
    Escape(false);
    Run(*g);
    Escape(true);
    Run(*g);
    EXPECT_EQ(0, g->Overlay) << "a fresh Escape closes them";
    Escape(false);
}

}  // namespace
