// Image slots filled by GetPNG from PNG files this test writes itself: the
// slot table and log line of each shape, cell placement, colour keys, centring
// of small pictures, tall sheets, and every refusal leaving the slot empty.

#include <gtest/gtest.h>
#include <lodepng.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "sys_internal.h"

namespace {

// A picture whose pixel (x, y) is (x, y, 7, 255) unless a filler says otherwise.
std::vector<unsigned char> Pattern(unsigned w, unsigned h) {
    std::vector<unsigned char> px(static_cast<size_t>(w) * h * 4);
    for (unsigned y = 0; y < h; ++y) {
        for (unsigned x = 0; x < w; ++x) {
            unsigned char* p = &px[(static_cast<size_t>(y) * w + x) * 4];
            p[0] = static_cast<unsigned char>(x);
            p[1] = static_cast<unsigned char>(y);
            p[2] = 7;
            p[3] = 255;
        }
    }
    return px;
}

std::vector<unsigned char> TexelOf(int slot, int x, int y) {
    const size_t at = (static_cast<size_t>(y) * iSize[slot] + x) * 4;
    return {Image[slot][at], Image[slot][at + 1], Image[slot][at + 2], Image[slot][at + 3]};
}

std::vector<unsigned char> Rgba(int r, int g, int b, int a) {
    return {static_cast<unsigned char>(r), static_cast<unsigned char>(g), static_cast<unsigned char>(b),
            static_cast<unsigned char>(a)};
}

class BackendImages : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/kuvo-images-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        dir_ = dir;
        ASys.VirtualWidth = 800.0f;
        for (int s = 0; s < kuvo::kImageSlots; ++s) ASys.SlotFrames[s] = -1;
    }
    void TearDown() override {
        std::string cmd = "rm -rf '" + dir_ + "'";
        (void)!system(cmd.c_str());
    }
    std::string Write(const std::string& name, const std::vector<unsigned char>& px, unsigned w, unsigned h) {
        const std::string path = dir_ + "/" + name;
        EXPECT_EQ(lodepng::encode(path, px, w, h), 0u);
        return path;
    }
    // Loads and returns what the load printed.
    std::string Load(int slot, const std::string& path, unsigned side) {
        testing::internal::CaptureStdout();
        ASys.GetPNG(slot, path.c_str(), side);
        return testing::internal::GetCapturedStdout();
    }
    std::string dir_;
};

struct ShapeCase {
    unsigned w, h, side;
    int frames, texture, perRow;
    float wz;
    const char* log;
};

TEST_F(BackendImages, SlotTableAndLogLineForEachShape) {
    const ShapeCase cases[] = {
        {32, 32, 32, 1, 32, 32, 1.0f, "    Loaded 32x32 Image"},
        {512, 192, 32, 96, 1024, 25, 40.0f / 1024.0f, "    Loaded Spritesheet of 96 x 32x32 sprites"},
        // 4 columns of 32-texel cells: exactly 128 stays 128
        {96, 24, 24, 4, 128, 4, 32.0f / 128.0f, "    Loaded Spritesheet of 4 x 24x24 sprites"},
        // shorter than one frame: no frames, the texture still made
        {64, 16, 32, 0, 128, 3, 40.0f / 128.0f, "    Loaded Spritesheet of 0 x 32x32 sprites"},
        // 2 columns but 64 rows of 16-texel cells do not fit 64 texels: 256 does
        {16, 512, 8, 128, 256, 16, 16.0f / 256.0f, "    Loaded Spritesheet of 128 x 8x8 sprites"},
    };
    for (const ShapeCase& c : cases) {
        SCOPED_TRACE(c.log);
        const unsigned before = ImageVersion[7];
        const std::string log = Load(7, Write("shape.png", Pattern(c.w, c.h), c.w, c.h), c.side);
        EXPECT_NE(log.find(std::string("> ") + c.log + "\n"), std::string::npos) << log;
        EXPECT_EQ(ASys.SlotFrames[7], c.frames);
        EXPECT_EQ(iSize[7], c.texture);
        EXPECT_EQ(iFramesW[7], c.perRow);
        EXPECT_FLOAT_EQ(iFramesWz[7], c.wz);
        EXPECT_EQ(ASys.SlotFrameSize[7], static_cast<int>(c.side));
        const int cell = c.frames == 1 && c.w <= c.side ? c.side : c.side + 8;
        EXPECT_FLOAT_EQ(ASys.SlotScale[7], cell / 800.0f);
        EXPECT_EQ(Image[7].size(), static_cast<size_t>(c.texture) * c.texture * 4);
        EXPECT_EQ(ImageBlur[7], std::vector<unsigned char>(Image[7].size(), 0));
        EXPECT_NE(ImageVersion[7], before);
    }
}

TEST_F(BackendImages, SheetFramesLandInPaddedCellsInOrder) {
    // 16 x 6 frames of 32; frame f is coloured (f, 200, 100) with its own
    // corner marked, so both the cell and the orientation are checked.
    std::vector<unsigned char> px(512 * 192 * 4, 0);
    for (int f = 0; f < 96; ++f) {
        const int fx = (f % 16) * 32, fy = (f / 16) * 32;
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                unsigned char* p = &px[((fy + y) * 512 + fx + x) * 4];
                p[0] = static_cast<unsigned char>(f);
                p[1] = x == 0 && y == 0 ? 10 : 200;
                p[2] = 100;
                p[3] = 255;
            }
        }
    }
    Load(3, Write("sheet.png", px, 512, 192), 32);
    ASSERT_EQ(iSize[3], 1024);
    for (int f : {0, 24, 25, 30, 95}) {
        SCOPED_TRACE(f);
        const int cx = (f % 25) * 40, cy = (f / 25) * 40;
        EXPECT_EQ(TexelOf(3, cx + 4, cy + 4), Rgba(f, 10, 100, 255));
        EXPECT_EQ(TexelOf(3, cx + 35, cy + 35), Rgba(f, 200, 100, 255));
        EXPECT_EQ(TexelOf(3, cx + 3, cy + 4), Rgba(0, 0, 0, 0));   // padding left
        EXPECT_EQ(TexelOf(3, cx + 36, cy + 4), Rgba(0, 0, 0, 0));  // padding right
    }
}

TEST_F(BackendImages, TallSheetGetsATextureThatHoldsEveryCell) {
    Load(4, Write("tall.png", Pattern(16, 512), 16, 512), 8);
    ASSERT_EQ(iSize[4], 256);
    // the last frame, 127 (column 1, row 63 of the sheet), in cell (15, 7)
    EXPECT_EQ(TexelOf(4, 15 * 16 + 4, 7 * 16 + 4), Rgba(8, 504 % 256, 7, 255));
}

TEST_F(BackendImages, ColourKeysLoadTransparent) {
    const std::vector<unsigned char> keys[] = {Rgba(255, 0, 255, 255), Rgba(0, 255, 255, 255),
                                               Rgba(251, 4, 251, 255), Rgba(4, 251, 251, 255)};
    const std::vector<unsigned char> kept[] = {Rgba(250, 0, 255, 255), Rgba(255, 5, 255, 255),
                                               Rgba(5, 255, 255, 255), Rgba(255, 0, 250, 255)};
    // a single 8x8 image and a 16x8 sheet of two 8x8 frames, keyed pixels first
    for (unsigned w : {8u, 16u}) {
        SCOPED_TRACE(w);
        std::vector<unsigned char> px = Pattern(w, 8);
        for (int i = 0; i < 4; ++i) {
            std::copy(keys[i].begin(), keys[i].end(), px.begin() + i * 4);
            std::copy(kept[i].begin(), kept[i].end(), px.begin() + (w + i) * 4);
        }
        Load(5, Write("keys.png", px, w, 8), 8);
        const int o = w == 8 ? 0 : 4;  // a sheet's frame sits 4 texels into its cell
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(TexelOf(5, o + i, o), Rgba(0, 0, 0, 0)) << i;
            EXPECT_EQ(TexelOf(5, o + i, o + 1), kept[i]) << i;
        }
    }
}

TEST_F(BackendImages, SmallPictureIsCentredInItsSquareTexture) {
    struct Case {
        unsigned w, h, side;
        int dx, dy;
    } cases[] = {
        {64, 32, 64, 0, 16},  // the wide title picture: centred vertically
        {20, 30, 32, 6, 1},
        {32, 40, 32, 0, 0},   // taller than the side: its top rows
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.w * 1000 + c.h);
        Load(6, Write("small.png", Pattern(c.w, c.h), c.w, c.h), c.side);
        ASSERT_EQ(iSize[6], static_cast<int>(c.side));
        EXPECT_EQ(ASys.SlotFrames[6], 1);
        EXPECT_EQ(TexelOf(6, c.dx, c.dy), Rgba(0, 0, 7, 255));
        const int lastX = static_cast<int>(std::min(c.w, c.side)) - 1;
        const int lastY = static_cast<int>(std::min(c.h, c.side)) - 1;
        EXPECT_EQ(TexelOf(6, c.dx + lastX, c.dy + lastY), Rgba(lastX, lastY, 7, 255));
        if (c.dy > 0) {
            EXPECT_EQ(TexelOf(6, c.dx, c.dy - 1), Rgba(0, 0, 0, 0));
        }
        if (c.dx > 0) {
            EXPECT_EQ(TexelOf(6, c.dx - 1, c.dy), Rgba(0, 0, 0, 0));
        }
    }
}

TEST_F(BackendImages, RefusedLoadsLeaveTheSlotEmpty) {
    const std::string good = Write("good.png", Pattern(32, 32), 32, 32);
    const std::string wide = Write("wide.png", Pattern(9000, 1), 9000, 1);
    const std::string broken = dir_ + "/broken.png";
    FILE* f = fopen(broken.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fputs("\x89PNG\r\n\x1a\nnot really", f);
    fclose(f);
    struct Case {
        std::string path;
        unsigned side;
    } cases[] = {
        {dir_ + "/missing.png", 32},
        {broken, 32},
        {good, 0},
        {good, 4097},
        {wide, 32},                                           // header wider than 8192
        {Write("tall.png", Pattern(1, 8193), 1, 8193), 32},   // header taller than 8192
        {Write("huge.png", Pattern(1000, 1), 1000, 1), 1},  // 1000 cells of 9: 9000 texels
        // 200 x 8192 frames of 1 need 16384 texels a side once the rows fit
        {Write("deep.png", std::vector<unsigned char>(200 * 8192 * 4, 255), 200, 8192), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path + " " + std::to_string(c.side));
        Load(9, good, 32);
        ASSERT_EQ(ASys.SlotFrames[9], 1);
        const std::string log = Load(9, c.path, c.side);
        EXPECT_NE(log.find("> OMGERRORZ\n"), std::string::npos) << log;
        EXPECT_EQ(log.find("Loaded"), std::string::npos) << log;
        EXPECT_EQ(ASys.SlotFrames[9], -1);
    }
}

TEST_F(BackendImages, PicturesUpTo8192PixelsAreAccepted) {
    const std::string log = Load(9, Write("limit.png", Pattern(1, 8192), 1, 8192), 32);
    EXPECT_NE(log.find(">     Loaded 32x32 Image\n"), std::string::npos) << log;
    EXPECT_EQ(ASys.SlotFrames[9], 1);
    EXPECT_EQ(TexelOf(9, 15, 0), Rgba(0, 0, 7, 255));
    EXPECT_EQ(TexelOf(9, 15, 31), Rgba(0, 31, 7, 255));
    EXPECT_EQ(TexelOf(9, 16, 0), Rgba(0, 0, 0, 0));
}

TEST_F(BackendImages, SlotNumbersOutsideTheLoadableRangeAreRefused) {
    const std::string good = Write("good.png", Pattern(32, 32), 32, 32);
    for (int slot : {-1, 100, 102, 105, 1 << 30}) {
        SCOPED_TRACE(slot);
        const std::string log = Load(slot, good, 32);
        EXPECT_EQ(log, "Image number out of bounds");
    }
    EXPECT_EQ(ASys.SlotFrames[100], -1);
    EXPECT_EQ(ASys.SlotFrames[102], -1);
}

TEST_F(BackendImages, SlotScaleFollowsTheViewWidthAtLoad) {
    ASys.VirtualWidth = 512.0f;
    Load(8, Write("sheet.png", Pattern(64, 32), 64, 32), 32);
    EXPECT_FLOAT_EQ(ASys.SlotScale[8], 40.0f / 512.0f);
    ASys.VirtualWidth = 800.0f;
}

}  // namespace
