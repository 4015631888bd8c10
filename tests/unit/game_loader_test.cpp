// Unit checks of the step-by-step loader and its loading screen: the number of
// steps and the assembling logo. The data folder is empty, so every load only
// logs; no window, no sound device.

#include <filesystem>

#include "core_internal.h"
#include "game_test_support.h"

namespace {

using gametest::FreshGame;

class GameLoader : public gametest::GameFixture {
protected:
    // Image records of one slot in the draw list.
    static int RecordsOf(int slot) {
        int n = 0;
        for (int i = 0; i < ASys.DrawCount; i++)
            n += ASys.DrawList[i][0] == 11 && static_cast<int>(ASys.DrawList[i][28]) == slot;
        return n;
    }
};

TEST_F(GameLoader, LoadingEndsOnThe64thUpdateSoScreensStartOnThe65th) {
    FreshGame g;
    const std::string dir = std::filesystem::temp_directory_path() / "zindle-no-data";
    std::snprintf(g->ProgramDir, sizeof g->ProgramDir, "%s", dir.c_str());
    g->LoadStep = 1;
    int updates = 0;
    while (g->LoadStep > 0 && updates < 200) {
        Update([&] { g->Loader(); });
        updates++;
        if (updates == 60) {
            EXPECT_EQ(61, g->LoadStep) << "the empty steps before 60 never end it";
        }
        if (updates == 61) {
            EXPECT_EQ(62, g->LoadStep) << "step 61 loads, so loading goes on";
        }
    }
    EXPECT_EQ(64, updates);
    EXPECT_EQ(0, g->LoadStep);
}

TEST_F(GameLoader, TheLogoAssemblesDiagonallyFromTheTopLeft) {
    gametest::LoadedSlots slots;
    FreshGame g;
    const struct {
        int Step, Tiles;
    } cases[] = {{5, 0}, {6, 28}, {31, 625}, {65, 625}};
    for (const auto& c : cases) {
        ASys.DrawCount = 0;
        g->LoadStep = c.Step;
        g->LoadingScreen();
        EXPECT_EQ(c.Tiles, RecordsOf(60)) << "step " << c.Step;
    }
    // At step 6 the top-left tile stands Sin(36) x 400 above the centre, 35
    // units above its final place; from step 31 every tile is at half size.
    ASys.DrawCount = 0;
    g->LoadStep = 6;
    g->LoadingScreen();
    int topLeft = 0;
    for (int i = 0; i < ASys.DrawCount; i++) {
        const double* r = ASys.DrawList[i];
        if (r[0] != 11 || r[28] != 60 || r[27] != 0) continue;
        topLeft++;
        EXPECT_NEAR(300 - 400 * 0.587785, r[2] + rh2, 0.05);
        EXPECT_NEAR(400 - 200, r[1] + rw2, 0.05);
    }
    EXPECT_EQ(1, topLeft);
    EXPECT_EQ("Loading...", gametest::DrawnText());
}

}  // namespace
