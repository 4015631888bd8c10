// Unit checks of the name entry: the character wheels and their repeat, the
// packing of the name into settings slots 50..55, the cursor, advance, erase
// and every way back to the options. No window or sound.

#include <cmath>
#include <vector>

#include "core_internal.h"
#include "game_test_support.h"

namespace {

using gametest::FreshGame;

class GameNameEntry : public gametest::GameFixture {
protected:
    // Opened as the options row opens it, then one update with nothing held.
    static void Open(MyGame& g) {
        g.Overlay = 4;
        g.OptionCursor = 0;
        g.LockKeys();
        Run(g);
    }
    // The stored code of name position p: two positions to a slot from 50,
    // the even one in bits 0..5, the odd one in bits 8..13.
    static int Code(MyGame& g, int p) {
        const unsigned slot = static_cast<unsigned>(g.Settings[50 + p / 2]);
        return static_cast<int>((p % 2 == 0 ? slot : slot >> 8) & 63u);
    }
    static void CursorTo(MyGame& g, int p) {
        while (g.OptionCursor != p) Tap(g, 1);
    }
    gametest::LoadedSlots slots_;
};

TEST_F(GameNameEntry, WheelsRollThroughTheAlphabetAndWrap) {
    const struct {
        int Before, Key, After;
    } cases[] = {
        {0, 0, 63}, {63, 2, 0},  // up from the blank is the small z, and back
        {12, 2, 13}, {12, 0, 11},  // A to B, A to 9
    };
    for (const auto& c : cases) {
        FreshGame g;
        g->Settings[50] = c.Before;
        Open(*g);
        Tap(*g, c.Key);
        EXPECT_EQ(c.After, Code(*g, 0)) << c.Before << " key " << c.Key;
        EXPECT_EQ(0, g->Settings[50] >> 8) << "the odd neighbour stays blank";
    }
}

TEST_F(GameNameEntry, TheWheelShowsFourCharactersEitherSideAtOneAlpha) {
    const struct {
        int Cursor, Code;
        float Height;  // 600: the top of the wheel reaches the title's band
    } cases[] = {{0, 2, 600}, {11, 60, 800}, {5, 30, 1000}};
    for (const auto& c : cases) {
        FreshGame g;
        g->ViewHeight = c.Height;
        g->Settings[50 + c.Cursor / 2] = c.Code << (c.Cursor % 2 == 0 ? 0 : 8);
        Open(*g);
        g->OptionCursor = c.Cursor;
        Run(*g);
        // The cursor's green box, then its character, then the wheel.
        const float boxX = 400 - 220 + 40 * static_cast<float>(c.Cursor), boxY = c.Height / 2;
        int box = -1;
        for (int i = 0; i < ASys.DrawCount && box < 0; i++) {
            const double* r = ASys.DrawList[i];
            if (r[0] == 1 && r[12] == 128 && std::abs(r[1] + rw2 - boxX) < 0.01) box = i;
        }
        ASSERT_GE(box, 0) << c.Cursor;
        ASSERT_LT(box + 10, ASys.DrawCount);
        for (int j = -4; j <= 4; j++) {
            const double* r = ASys.DrawList[box + 6 + j];
            const int code = (c.Code + j + 64) % 64;
            EXPECT_EQ(11, r[0]) << c.Cursor << " j " << j;
            EXPECT_EQ(ASys.FontSlot, r[28]) << c.Cursor << " j " << j;
            EXPECT_EQ(g->Char64b(code) - 32, r[27]) << c.Cursor << " j " << j;
            EXPECT_NEAR(boxY + 64 * j, r[2] + rh2, 0.01) << c.Cursor << " j " << j;
            EXPECT_NEAR(boxX, r[1] + rw2, 20) << c.Cursor << " j " << j;
            EXPECT_NEAR(0.7 * 255, r[10], 0.6) << c.Cursor << " j " << j;
        }
        EXPECT_NEAR(255, ASys.DrawList[box + 1][10], 0.01) << "the box's own character is opaque";
    }
}

TEST_F(GameNameEntry, ShowNameGivesAllTwelvePositionsOnceAnyIsSet) {
    const struct {
        std::vector<int> Codes;  // from position 0; the rest stay blank
        const char* Shown;
    } cases[] = {
        {{}, "Enter Your Name"},
        {{12, 13, 14}, "ABC         "},
        {{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, "------------"},  // minus signs count as set
        {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 38}, "           a"},
    };
    for (const auto& c : cases) {
        FreshGame g;
        for (int p = 0; p < static_cast<int>(c.Codes.size()); p++)
            g->Settings[50 + p / 2] |= c.Codes[static_cast<size_t>(p)] << (p % 2 == 0 ? 0 : 8);
        EXPECT_EQ(c.Shown, g->ShowName());
    }
}

TEST_F(GameNameEntry, AHeldRollRepeatsAfter30_22_14_6ThenEvery2) {
    FreshGame g;
    Open(*g);
    ASys.VirtualKeys[2] = 1;
    std::vector<int> changes;
    int previous = Code(*g, 0);
    for (int i = 0; i < 120; i++) {
        Run(*g);
        if (Code(*g, 0) != previous) changes.push_back(i);
        previous = Code(*g, 0);
    }
    ASSERT_EQ(28u, changes.size());
    const std::vector<int> first = {0, 30, 52, 66, 72, 74, 76};
    EXPECT_EQ(first, std::vector<int>(changes.begin(), changes.begin() + 7));
    EXPECT_EQ(118, changes.back());
}

TEST_F(GameNameEntry, AChangeRewritesItsSlotAsTwoCodesOnly) {
    FreshGame g;
    g->Settings[51] = 0x7fff0000 | (5 << 8) | 7;  // stray bits around codes 7 and 5
    g->Settings[52] = 0x1234;
    Open(*g);
    CursorTo(*g, 3);
    Tap(*g, 2);
    EXPECT_EQ(6 * 256 + 7, g->Settings[51]);
    EXPECT_EQ(0x1234, g->Settings[52]);
}

TEST_F(GameNameEntry, TheCursorWrapsAtBothEnds) {
    FreshGame g;
    Open(*g);
    Tap(*g, 3);
    EXPECT_EQ(11, g->OptionCursor);
    Tap(*g, 1);
    EXPECT_EQ(0, g->OptionCursor);
}

TEST_F(GameNameEntry, Button1AdvancesWithTheSameCharacterButNotPastTheEnd) {
    FreshGame g;
    g->Settings[50] = 20;
    Open(*g);
    Tap(*g, 10);
    EXPECT_EQ(1, g->OptionCursor);
    EXPECT_EQ(20, Code(*g, 1));
    CursorTo(*g, 11);
    g->Settings[55] = 9 << 8;
    Tap(*g, 10);
    EXPECT_EQ(11, g->OptionCursor);
    EXPECT_EQ(4, g->Overlay);
    EXPECT_EQ(9 << 8, g->Settings[55]);
}

TEST_F(GameNameEntry, Button2ErasesAndStepsBack) {
    FreshGame g;
    g->Settings[50] = 30 * 256 + 30;
    g->Settings[51] = 30 * 256 + 30;
    Open(*g);
    CursorTo(*g, 3);
    Tap(*g, 11);
    EXPECT_EQ(0, Code(*g, 3));
    EXPECT_EQ(2, g->OptionCursor);
    CursorTo(*g, 0);
    Tap(*g, 11);
    EXPECT_EQ(0, Code(*g, 0));
    EXPECT_EQ(0, g->OptionCursor);
    EXPECT_EQ(30, Code(*g, 1));
}

TEST_F(GameNameEntry, EveryWayOutReturnsToTheOptionsWithoutAdvancing) {
    // 0: Enter (which also raises "Button 1"), 1: Escape, 2: "Button 3", 3: "Button 4".
    for (int way = 0; way < 4; way++) {
        FreshGame g;
        g->Settings[50] = 12 << 8;  // an advance would copy this A into position 2
        Open(*g);
        CursorTo(*g, 1);
        ASys.ButtonFlags[98] = way == 0;
        ASys.VirtualKeys[10] = way == 0;
        ASys.ButtonFlags[99] = way == 1;
        ASys.VirtualKeys[12] = way == 2;
        ASys.VirtualKeys[13] = way == 3;
        Run(*g);
        gametest::ClearInput();
        EXPECT_EQ(1, g->Overlay) << way;
        EXPECT_EQ(0, g->OptionCursor) << way;
        EXPECT_EQ(0, Code(*g, 2)) << way << ": nothing advanced";
        EXPECT_EQ(1, g->KeyLock[2]) << way << ": the options wait for a release";
    }
}

TEST_F(GameNameEntry, TheConfirmThatOpenedItActsOnlyAfterARelease) {
    FreshGame g;
    ASys.ButtonFlags[98] = 1;
    ASys.VirtualKeys[10] = 1;
    Open(*g);
    for (int i = 0; i < 3; i++) Run(*g);
    EXPECT_EQ(4, g->Overlay);
    EXPECT_EQ(0, g->OptionCursor);
}

TEST_F(GameNameEntry, AStrayCursorNeverReachesBeyondTheNameSlots) {
    for (int cursor : {-3, 12, 40}) {
        FreshGame g;
        for (int s = 0; s < zindle::kSettings; s++) g->Settings[s] = s;
        g->Overlay = 4;
        g->OptionCursor = cursor;
        Run(*g);
        for (int key : {2, 10, 11, 2}) Tap(*g, key);
        for (int s = 0; s < zindle::kSettings; s++)
            if (s < 50 || s > 55) {
                EXPECT_EQ(s, g->Settings[s]) << "cursor " << cursor << " slot " << s;
            }
        EXPECT_GE(g->OptionCursor, 0);
        EXPECT_LT(g->OptionCursor, 12);
    }
}

}  // namespace
