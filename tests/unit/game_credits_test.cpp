// Unit checks of the credits: the default list, the list's capacity, the
// overlay's scrolling and wrap, its closing latch and its corner lines.

#include <string>

#include "game_test_support.h"

namespace {

using gametest::FreshGame;

class GameCredits : public gametest::GameFixture {};

TEST_F(GameCredits, TheDefaultListHas72LinesInItsGroups) {
    FreshGame g;
    g->AddDefaultCredits();
    EXPECT_EQ(71, g->CreditCount);
    const struct {
        int Index;
        const char* Line;
    } fixed[] = {
        {0, "Another game by"}, {1, ""}, {2, "@Quellmar"}, {4, "-=-=-"}, {5, "Coded In"},
        {7, "using Quellmar's"}, {8, "KUVOFrame"}, {9, "Framework"}, {14, "@Quellmar"},
        {24, "Font"}, {30, "Audio"}, {39, "Music"}, {45, "Special Thanks"},
        {55, "Thanks for all the Feedback!"}, {64, "And a great big hello"}, {65, "to everyone at"},
        {68, "Thanks for sticking around"}, {69, "and putting up with"}, {70, "all my ranting!"},
        {71, "-=-=-"},
    };
    for (const auto& f : fixed) EXPECT_EQ(f.Line, g->CreditText[f.Index]) << f.Index;
    EXPECT_EQ(0, g->CreditScroll);
}

TEST_F(GameCredits, TheListStopsCountingAtItsLastLine) {
    FreshGame g;
    g->CreditCount = -1;
    for (int i = 0; i < 2000; i++) g->AddCredits("line " + std::to_string(i));
    EXPECT_EQ(zindle::kCreditLines - 1, g->CreditCount);
    EXPECT_EQ("line 1023", g->CreditText[zindle::kCreditLines - 1]);
    g->Credits();  // reads only lines that exist
}

TEST_F(GameCredits, TheScrollWrapsOnceTheLastLineHasPassed) {
    FreshGame g;
    g->AddDefaultCredits();
    for (int i = 0; i < 3792; i++) Update([&] { g->Credits(); });
    EXPECT_EQ(-2844, g->CreditScroll);
    Update([&] { g->Credits(); });
    EXPECT_EQ(0, g->CreditScroll);
    ASys.VirtualKeys[2] = 1;  // a held direction triples the speed
    Update([&] { g->Credits(); });
    EXPECT_EQ(-2.25f, g->CreditScroll);
}

TEST_F(GameCredits, AnActionAlreadyHeldClosesOnlyAfterARelease) {
    FreshGame g;
    g->AddDefaultCredits();
    g->Overlay = 2;
    g->LockKeys();  // the start page locked everything when it opened them
    ASys.VirtualKeys[10] = 1;
    for (int i = 0; i < 5; i++) Update([&] { g->Credits(); });
    EXPECT_EQ(2, g->Overlay);
    ASys.VirtualKeys[10] = 0;
    Update([&] { g->Credits(); });
    EXPECT_EQ(2, g->Overlay);
    ASys.ButtonFlags[98] = 1;  // Enter
    Update([&] { g->Credits(); });
    EXPECT_EQ(0, g->Overlay);
    EXPECT_EQ(1, g->KeyLock[10]);

    ASys.ButtonFlags[98] = 0;
    g->Overlay = 2;
    g->LockKeys();
    gametest::SetMouse(100, 100, true);  // a click held since before they opened
    Update([&] { g->Credits(); });
    EXPECT_EQ(2, g->Overlay);
    gametest::SetMouse(100, 100, false);
    Update([&] { g->Credits(); });
    gametest::SetMouse(100, 100, true);  // a fresh click closes them
    Update([&] { g->Credits(); });
    EXPECT_EQ(0, g->Overlay);
}

TEST_F(GameCredits, TheOverlayShowsCentredLinesAndItsCornerFigures) {
    gametest::LoadedSlots slots;
    FreshGame g;
    g->AddDefaultCredits();
    g->Settings[100] = 12;
    g->RealWidth = 800;
    g->RealHeight = 600;
    g->CreditScroll = -(8 + 4) * 36;  // line 8 ("KUVOFrame") at the centre
    g->Credits();
    const std::string text = gametest::DrawnText();
    EXPECT_NE(std::string::npos, text.find("KUVOFrame"));
    EXPECT_EQ(std::string::npos, text.find("Another game by")) << "too far from the centre";
    EXPECT_NE(std::string::npos, text.find("Plays 12"));
    EXPECT_NE(std::string::npos, text.find("Real 800x600"));
    EXPECT_NE(std::string::npos, text.find("Virtual 800x600"));
}

}  // namespace
