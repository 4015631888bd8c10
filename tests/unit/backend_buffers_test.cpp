// Pixel buffers painted in memory, the screen copy's geometry and the PNG
// writer, all without a window (the framebuffer then reads as black).

#include <gtest/gtest.h>
#include <lodepng.h>
#include <unistd.h>

#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "sys_internal.h"

namespace {

using Px = std::vector<unsigned char>;

Px At(int slot, int x, int y) {
    const size_t i = (static_cast<size_t>(y) * iSize[slot] + x) * 4;
    return {Image[slot][i], Image[slot][i + 1], Image[slot][i + 2], Image[slot][i + 3]};
}

Px Rgba(int r, int g, int b, int a) {
    return {static_cast<unsigned char>(r), static_cast<unsigned char>(g), static_cast<unsigned char>(b),
            static_cast<unsigned char>(a)};
}

// Pixels of a slot that are not transparent black.
std::set<std::pair<int, int>> Painted(int slot) {
    std::set<std::pair<int, int>> out;
    for (int y = 0; y < iSize[slot]; ++y) {
        for (int x = 0; x < iSize[slot]; ++x) {
            if (At(slot, x, y) != Rgba(0, 0, 0, 0)) out.insert({x, y});
        }
    }
    return out;
}

class BackendBuffers : public ::testing::Test {
protected:
    void SetUp() override {
        ASys.VirtualWidth = 800.0f;
        for (int s = 0; s < kuvo::kImageSlots; ++s) {
            ASys.SlotFrames[s] = -1;
            iSize[s] = 0;
            Image[s].clear();
            ImageBlur[s].clear();
        }
        ASSERT_EQ(window, nullptr);
    }
    std::string Capture(void (*f)()) {
        testing::internal::CaptureStdout();
        f();
        return testing::internal::GetCapturedStdout();
    }
};

TEST_F(BackendBuffers, CreateMakesATransparentSquareBuffer) {
    ASys.Buffer_Create(100, 16);
    EXPECT_EQ(ASys.SlotFrames[100], 1);
    EXPECT_EQ(iSize[100], 16);
    EXPECT_EQ(iFramesW[100], 16);
    EXPECT_FLOAT_EQ(iFramesWz[100], 1.0f);
    EXPECT_EQ(ASys.SlotFrameSize[100], 16);
    EXPECT_FLOAT_EQ(ASys.SlotScale[100], 16 / 800.0f);
    EXPECT_EQ(Image[100], Px(16 * 16 * 4, 0));
    EXPECT_EQ(ImageBlur[100], Px(16 * 16 * 4, 0));
    for (std::pair<int, int> c : {std::pair<int, int>{101, 16}, {102, 16}, {-1, 16}, {5, 0}, {5, -3}, {5, 8193}}) {
        ASys.Buffer_Create(c.first, c.second);
    }
    EXPECT_EQ(ASys.SlotFrames[101], -1);
    EXPECT_EQ(ASys.SlotFrames[102], -1);
    EXPECT_EQ(ASys.SlotFrames[5], -1);
    EXPECT_TRUE(Image[5].empty());
}

TEST_F(BackendBuffers, FillClampsEachChannel) {
    ASys.Buffer_Create(4, 4);
    const unsigned before = ImageVersion[4];
    ASys.Buffer_Fill(4, -5, 300, 128, 0);
    EXPECT_EQ(At(4, 0, 0), Rgba(0, 255, 128, 0));
    EXPECT_EQ(At(4, 3, 3), Rgba(0, 255, 128, 0));
    EXPECT_NE(ImageVersion[4], before);
}

TEST_F(BackendBuffers, LinesSetTheirPixelsWithoutGapsOrHangs) {
    struct Case {
        float x1, y1, x2, y2;
        std::set<std::pair<int, int>> pixels;
    } cases[] = {
        {0, 0, 3, 0, {{0, 0}, {1, 0}, {2, 0}}},
        {2, 0, 2, 3, {{2, 0}, {2, 1}, {2, 2}}},
        {3, 0, 0, 0, {{0, 0}, {1, 0}, {2, 0}}},
        {1, 1, 1, 1, {}},
        {0, 0, 4, 4, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
        // steep: the y pass fills what the x pass leaves out
        {0, 0, 1, 3, {{0, 0}, {0, 1}, {0, 2}}},
        {-10, 2, 20, 2, {{0, 2}, {1, 2}, {2, 2}, {3, 2}, {4, 2}, {5, 2}, {6, 2}, {7, 2}}},
        // end points far off the buffer: only the part inside, at once
        {-1e30f, 3, 1e30f, 3, {{0, 3}, {1, 3}, {2, 3}, {3, 3}, {4, 3}, {5, 3}, {6, 3}, {7, 3}}},
        {-1e30f, -1e30f, -1e30f, 1e30f, {}},
        {0, 0, 1e9f, 1e9f, {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}}},
        {0, 0, 1.0f / 0.0f, 5, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.x1) + "," + std::to_string(c.y1) + " " + std::to_string(c.x2) + "," +
                     std::to_string(c.y2));
        ASys.Buffer_Create(2, 8);
        ASys.Buffer_Line(2, c.x1, c.y1, c.x2, c.y2, 10, 20, 300, 255.9f);
        EXPECT_EQ(Painted(2), c.pixels);
        for (const auto& p : c.pixels) EXPECT_EQ(At(2, p.first, p.second), Rgba(10, 20, 255, 255));
    }
}

TEST_F(BackendBuffers, PlotBlendsTowardsTheColourAndMakesThePixelOpaque) {
    ASys.Buffer_Create(2, 4);
    ASys.Buffer_Fill(2, 100, 200, 0, 0);
    ASys.Buffer_Plot(2, 1.5f, 0.2f, 255, 0, 0, 0);      // alpha 0: colour kept, now opaque
    ASys.Buffer_Plot(2, 2.0f, 0.0f, 0, 0, 255, 255);    // full alpha: the colour
    ASys.Buffer_Plot(2, 3.9f, 3.9f, 255, 255, 0, 255);
    ASys.Buffer_Plot(2, 3.0f, 3.0f, 0, 0, 255, 100);    // 100 / 255 of the way
    ASys.Buffer_Plot(2, -0.5f, 0.0f, 0, 0, 0, 255);     // outside: nothing
    ASys.Buffer_Plot(2, 4.0f, 0.0f, 0, 0, 0, 255);
    EXPECT_EQ(At(2, 1, 0), Rgba(100, 200, 0, 255));
    EXPECT_EQ(At(2, 2, 0), Rgba(0, 0, 255, 255));
    EXPECT_EQ(At(2, 3, 3), Rgba(155, 155, 100, 255));
    EXPECT_EQ(At(2, 0, 0), Rgba(100, 200, 0, 0));
    EXPECT_EQ(At(2, 3, 0), Rgba(100, 200, 0, 0));
}

TEST_F(BackendBuffers, TileStampsOneFrameSkippingTransparentTexels) {
    // A fake two-frame sheet of 2x2 frames: cells of 10 texels in a 32 texture.
    const int src = 3;
    ASys.Buffer_Create(src, 32);
    ASys.SlotFrames[src] = 2;
    iFramesW[src] = 3;
    ASys.SlotFrameSize[src] = 2;
    auto set = [&](int x, int y, Px c) { std::copy(c.begin(), c.end(), Image[src].begin() + (y * 32 + x) * 4); };
    set(14, 4, Rgba(1, 2, 3, 4));  // frame 1 starts at (10 + 4, 4)
    set(15, 4, Rgba(5, 6, 7, 255));
    set(14, 5, Rgba(0, 0, 0, 0));
    set(15, 5, Rgba(9, 9, 9, 9));
    const int dst = 4;
    ASys.Buffer_Create(dst, 8);
    ASys.Buffer_Fill(dst, 50, 50, 50, 50);
    ASys.Buffer_Tile(dst, src, 6.7f, 1.2f, 1);
    EXPECT_EQ(At(dst, 6, 1), Rgba(1, 2, 3, 4));
    EXPECT_EQ(At(dst, 7, 1), Rgba(5, 6, 7, 255));
    EXPECT_EQ(At(dst, 6, 2), Rgba(50, 50, 50, 50));
    EXPECT_EQ(At(dst, 7, 2), Rgba(9, 9, 9, 9));
    const Px before = Image[dst];
    for (int frame : {-1, 2}) ASys.Buffer_Tile(dst, src, 0, 0, frame);
    ASys.Buffer_Tile(dst, 60, 0, 0, 0);   // an empty source
    ASys.Buffer_Tile(dst, src, -1e30f, 0, 1);
    EXPECT_EQ(Image[dst], before);
}

TEST_F(BackendBuffers, SlotsOutsideTheTableAreIgnored) {
    for (int slot : {-1, 105, 1 << 30}) {
        ASys.Buffer_Fill(slot, 1, 2, 3, 4);
        ASys.Buffer_Line(slot, 0, 0, 5, 5, 1, 2, 3, 4);
        ASys.Buffer_Plot(slot, 1, 1, 1, 2, 3, 4);
        ASys.Buffer_Tile(slot, 0, 0, 0, 0);
        ASys.Buffer_Tile(0, slot, 0, 0, 0);
        testing::internal::CaptureStdout();
        ASys.SavePNG("/tmp/kuvo-never-written.png", slot, 1, 1);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    }
    EXPECT_NE(access("/tmp/kuvo-never-written.png", F_OK), 0);
}

TEST_F(BackendBuffers, ScreenCopyIsCentredUprightAndOpaque) {
    struct Case {
        int w, h, side, left, top;
    } cases[] = {
        {800, 600, 1024, 112, 212},
        {1024, 768, 1024, 0, 128},
        {1920, 1080, 2048, 64, 484},
        {40, 20, 64, 12, 22},
        {5000, 100, 4096, -452, 1998},  // wider than the copy: its middle
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.w);
        ASys.FrameW = c.w;
        ASys.FrameH = c.h;
        Image[102].clear();
        ASys.GrabBuffer();
        ASSERT_EQ(iSize[102], c.side);
        EXPECT_EQ(ASys.SlotFrames[102], 1);
        EXPECT_EQ(iFramesW[102], c.side);
        EXPECT_FLOAT_EQ(ASys.SlotScale[102], static_cast<float>(c.side) / c.w);
        EXPECT_EQ(Image[101].size(), static_cast<size_t>(c.w) * c.h * 4);
        const int l = std::max(c.left, 0), r = std::min(c.left + c.w, c.side) - 1;
        EXPECT_EQ(At(102, l, c.top), Rgba(0, 0, 0, 255));
        EXPECT_EQ(At(102, r, c.top + c.h - 1), Rgba(0, 0, 0, 255));
        if (c.left > 0) {
            EXPECT_EQ(At(102, c.left - 1, c.top), Rgba(0, 0, 0, 0));
        }
        EXPECT_EQ(At(102, l, c.top - 1), Rgba(0, 0, 0, 0));
        EXPECT_EQ(At(102, r, c.top + c.h), Rgba(0, 0, 0, 0));
    }
}

TEST_F(BackendBuffers, SavePNGWritesTheStoreOrRefusesWhatItDoesNotHold) {
    char dir[] = "/tmp/kuvo-save-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/out.png";
    ASys.Buffer_Create(7, 4);
    ASys.Buffer_Fill(7, 9, 8, 7, 255);
    testing::internal::CaptureStdout();
    ASys.SavePNG(path.c_str(), 7, 4, 2);
    ASys.SavePNG((path + "x").c_str(), 7, 4, 5);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("> Saving Image - 4x2  to " + path + "\n"), std::string::npos) << log;
    EXPECT_NE(log.find("> The image save didn't work.  All the images are unsaved!! -1\n"), std::string::npos) << log;
    Px png;
    unsigned w = 0, h = 0;
    ASSERT_EQ(lodepng::decode(png, w, h, path), 0u);
    EXPECT_EQ(w, 4u);
    EXPECT_EQ(h, 2u);
    EXPECT_EQ(Px(png.begin(), png.begin() + 4), Rgba(9, 8, 7, 255));
    EXPECT_NE(access((path + "x").c_str(), F_OK), 0);

    // a screenshot without a window is the black frame of the last known size
    ASys.FrameW = 6;
    ASys.FrameH = 3;
    snprintf(ASys.ScreenshotPath, sizeof(ASys.ScreenshotPath), "%s/shot.png", dir);
    testing::internal::CaptureStdout();
    ASys.Screenshot();
    testing::internal::GetCapturedStdout();
    png.clear();  // decode appends
    ASSERT_EQ(lodepng::decode(png, w, h, std::string(dir) + "/shot.png"), 0u);
    EXPECT_EQ(w, 6u);
    EXPECT_EQ(h, 3u);
    EXPECT_EQ(Px(png.begin(), png.begin() + 4), Rgba(0, 0, 0, 255));
    (void)!system((std::string("rm -rf ") + dir).c_str());
}

}  // namespace
