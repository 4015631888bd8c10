// Checks of the generated data folder (Data/559 in the build directory, the
// tests' working directory): every sheet loads through the game's own loading
// calls with the loader's slot, name and frame side, and keeps its promises.

#include <gtest/gtest.h>
#include <lodepng.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "sys_internal.h"
#include "unit/game_test_support.h"

namespace {

// A decoded sheet as the file holds it.
struct Picture {
    unsigned W = 0, H = 0;
    std::vector<unsigned char> Px;  // RGBA, rows top first
    const unsigned char* At(unsigned x, unsigned y) const { return &Px[(static_cast<size_t>(y) * W + x) * 4]; }
};

bool IsColourKey(const unsigned char* p) {
    return (p[0] > 250 && p[1] <= 4 && p[2] > 250) || (p[0] <= 4 && p[1] > 250 && p[2] > 250);
}

// Sum of the channel differences of two pixels.
int Step(const unsigned char* a, const unsigned char* b) {
    int d = 0;
    for (int k = 0; k < 4; k++) d += std::abs(a[k] - b[k]);
    return d;
}

// The frame-8 tile of icons.png: opaque, and its edges join. Across each seam
// the pixels may differ no more, at worst and on average, than neighbours
// inside the tile do; a pattern that does not repeat jumps at the seam.
void BackgroundTileRepeats(const Picture& p) {
    constexpr unsigned kTile = 64, kX = 0, kY = 128;
    for (int axis = 0; axis < 2; axis++) {
        auto px = [&](unsigned along, unsigned across) {
            return axis == 0 ? p.At(kX + across, kY + along) : p.At(kX + along, kY + across);
        };
        int seamMax = 0, innerMax = 0;
        long seamSum = 0, innerSum = 0;
        for (unsigned i = 0; i < kTile; i++) {
            int seam = Step(px(i, kTile - 1), px(i, 0));
            seamMax = std::max(seamMax, seam);
            seamSum += seam;
            for (unsigned j = 0; j + 1 < kTile; j++) {
                int inner = Step(px(i, j), px(i, j + 1));
                innerMax = std::max(innerMax, inner);
                innerSum += inner;
            }
            for (unsigned j = 0; j < kTile; j++) ASSERT_EQ(255, int{px(i, j)[3]}) << "tile pixel not opaque";
        }
        EXPECT_LE(seamMax, innerMax) << (axis == 0 ? "left/right" : "top/bottom") << " seam";
        EXPECT_LE(seamSum * static_cast<long>(kTile - 1), innerSum + kTile * (kTile - 1))
            << (axis == 0 ? "left/right" : "top/bottom") << " seam is rougher than the tile";
    }
}

// The gear's ring (frame 3) and hub (frame 4) are round about the frame
// centre and, laid on each other, leave no hole inside the ring's root.
void GearLayersFormOneGear(const Picture& p) {
    constexpr float kSolidRadius = 20.0f;
    for (unsigned frame : {3u, 4u}) {
        const unsigned ox = frame % 4 * 64, oy = frame / 4 * 64;
        double mass = 0, mx = 0, my = 0;
        for (unsigned y = 0; y < 64; y++) {
            for (unsigned x = 0; x < 64; x++) {
                double a = p.At(ox + x, oy + y)[3];
                mass += a;
                mx += a * (x + 0.5);
                my += a * (y + 0.5);
            }
        }
        ASSERT_GT(mass, 0) << "frame " << frame << " is empty";
        EXPECT_NEAR(32.0, mx / mass, 0.3) << "frame " << frame;
        EXPECT_NEAR(32.0, my / mass, 0.3) << "frame " << frame;
    }
    int gaps = 0;
    std::string first;
    for (unsigned y = 0; y < 64; y++) {
        for (unsigned x = 0; x < 64; x++) {
            if (std::hypot(x + 0.5f - 32, y + 0.5f - 32) > kSolidRadius) continue;
            const float ring = p.At(192 + x, y)[3] / 255.0f, hub = p.At(x, 64 + y)[3] / 255.0f;
            if (ring + hub * (1 - ring) >= 0.98f) continue;
            if (gaps++ == 0) first = std::to_string(x) + "," + std::to_string(y);
        }
    }
    EXPECT_EQ(0, gaps) << "the gear shows through at " << first;
}

// The menu pictures turn about their centre: nothing shows beyond radius 256.
void RoundWithin256(const Picture& p) {
    for (unsigned y = 0; y < p.H; y++) {
        for (unsigned x = 0; x < p.W; x++) {
            if (std::hypot(x + 0.5 - 256, y + 0.5 - 256) <= 256) continue;
            ASSERT_EQ(0, int{p.At(x, y)[3]}) << "visible pixel at " << x << "," << y;
        }
    }
}

// Each design pixel of the engine logo is a 2 x 2 block, so the loading
// screen's half-size tiles show the design whichever texel they sample.
void EngineLogoPixelsDoubled(const Picture& p) {
    for (unsigned y = 0; y < p.H; y += 2) {
        for (unsigned x = 0; x < p.W; x += 2) {
            const unsigned char* a = p.At(x, y);
            ASSERT_EQ(0, Step(a, p.At(x + 1, y)) + Step(a, p.At(x, y + 1)) + Step(a, p.At(x + 1, y + 1)))
                << "block at " << x << "," << y;
        }
    }
}

// The title keeps a margin: the menu places the picture's top edge just
// below the top of the view, so the lettering must not start at row 0.
void TitleKeepsItsMargin(const Picture& p) {
    constexpr unsigned kMargin = 16;
    unsigned first = p.H, last = 0;
    for (unsigned y = 0; y < p.H; y++) {
        for (unsigned x = 0; x < p.W; x++) {
            if (p.At(x, y)[3] == 0) continue;
            first = std::min(first, y);
            last = std::max(last, y);
        }
    }
    EXPECT_GE(first, kMargin);
    EXPECT_LT(last, p.H - kMargin);
    // Loaded as one picture, it sits in the middle rows of its 1024 texture.
    const std::vector<unsigned char>& tex = Image[54];
    ASSERT_EQ(tex.size(), 1024u * 1024u * 4u);
    EXPECT_EQ(0, tex[(static_cast<size_t>(255) * 1024 + 512) * 4 + 3]);
    EXPECT_EQ(p.At(512, 300)[3], tex[(static_cast<size_t>(256 + 300) * 1024 + 512) * 4 + 3]);
}

void IconSheetPromises(const Picture& p) {
    BackgroundTileRepeats(p);
    GearLayersFormOneGear(p);
}

struct Sheet {
    const char* Name;
    int Slot, Side;
    bool Font;
    unsigned W, H;
    int Frames, Texture, PerRow;
    void (*Check)(const Picture&);
};

// The loader's table: slot, name and frame side of every generated picture.
const Sheet kSheets[] = {
    {"entplain", 51, 32, true, 512, 192, 96, 1024, 25, nullptr},
    {"KUVOLogo", 60, 32, false, 800, 800, 625, 1024, 25, EngineLogoPixelsDoubled},
    {"icons", 50, 64, false, 256, 192, 12, 512, 7, IconSheetPromises},
    {"particles", 55, 32, false, 384, 384, 144, 512, 12, nullptr},
    {"options", 52, 32, false, 128, 96, 12, 256, 6, nullptr},
    {"menu_back", 53, 512, false, 512, 512, 1, 512, 512, RoundWithin256},
    {"menu_front", 57, 512, false, 512, 512, 1, 512, 512, RoundWithin256},
    {"logo", 54, 1024, false, 1024, 512, 1, 1024, 1024, TitleKeepsItsMargin},
    {"gfx", 0, 32, false, 256, 128, 32, 512, 12, nullptr},
};

class GeneratedSheets : public gametest::GameFixture {};

TEST_F(GeneratedSheets, EachLoadsAsTheGameLoadsItAndKeepsItsPromises) {
    gametest::FreshGame g;
    std::snprintf(g->ProgramDir, sizeof g->ProgramDir, ".");
    g->GameNumber = 559;
    ASys.VirtualWidth = 800.0f;
    for (const Sheet& s : kSheets) {
        SCOPED_TRACE(s.Name);
        const std::string path = std::string("Data/559/") + s.Name + ".png";

        // The file itself: 8-bit RGBA of the planned size, no colour keys.
        std::vector<unsigned char> file;
        ASSERT_EQ(0u, lodepng::load_file(file, path)) << path;
        lodepng::State state;
        unsigned w = 0, h = 0;
        ASSERT_EQ(0u, lodepng_inspect(&w, &h, &state, file.data(), file.size()));
        EXPECT_EQ(LCT_RGBA, state.info_png.color.colortype);
        EXPECT_EQ(8u, state.info_png.color.bitdepth);
        Picture p;
        ASSERT_EQ(0u, lodepng::decode(p.Px, p.W, p.H, file));
        EXPECT_EQ(s.W, p.W);
        EXPECT_EQ(s.H, p.H);
        bool transparent = false;
        for (unsigned y = 0; y < p.H; y++) {
            for (unsigned x = 0; x < p.W; x++) {
                const unsigned char* px = p.At(x, y);
                transparent = transparent || px[3] == 0;
                ASSERT_FALSE(px[3] > 0 && IsColourKey(px)) << "colour key at " << x << "," << y;
            }
        }
        EXPECT_TRUE(transparent) << "no transparent pixel at all";

        // Through the game's loading call, as the loader makes it.
        testing::internal::CaptureStdout();
        if (s.Font) {
            g->LoadFont(s.Slot, s.Name);
        } else {
            g->LoadImg(s.Slot, s.Name, s.Side);
        }
        const std::string log = testing::internal::GetCapturedStdout();
        const std::string asked = std::string(s.Font ? "> Load Font  : " : "> Load Image : ") + s.Name + " \n";
        char loaded[96];
        if (s.Frames == 1) {
            std::snprintf(loaded, sizeof loaded, ">     Loaded %ix%i Image\n", s.Side, s.Side);
        } else {
            std::snprintf(loaded, sizeof loaded, ">     Loaded Spritesheet of %i x %ix%i sprites\n", s.Frames,
                          s.Side, s.Side);
        }
        EXPECT_NE(std::string::npos, log.find(asked)) << log;
        EXPECT_NE(std::string::npos, log.find(loaded)) << log;
        EXPECT_EQ(s.Frames, ASys.SlotFrames[s.Slot]);
        EXPECT_EQ(s.Texture, iSize[s.Slot]);
        EXPECT_EQ(s.PerRow, iFramesW[s.Slot]);
        if (s.Check != nullptr) s.Check(p);
    }
}

}  // namespace
