// Image, font and buffer API: the data-folder paths and log lines of the image
// loaders (checked through the scratch ring the path is built in), font and
// smoothing selection, loading a real PNG, and buffer painting with the ink.

#include <lodepng.h>
#include <stdlib.h>

#include <filesystem>
#include <vector>

#include "engine_draw_fixture.h"
#include "sys_internal.h"

namespace {

using drawtest::DrawFixture;

// Everything the slot table holds for one slot, put back when the guard ends,
// so that loads and buffers made here leave the shared table as they found it.
class SlotGuard {
public:
    explicit SlotGuard(int slot)
        : slot_(slot), frames_(ASys.SlotFrames[slot]), frameSize_(ASys.SlotFrameSize[slot]),
          scale_(ASys.SlotScale[slot]), size_(iSize[slot]), framesW_(iFramesW[slot]), framesWz_(iFramesWz[slot]),
          image_(Image[slot]), blur_(ImageBlur[slot]) {}
    ~SlotGuard() {
        ASys.SlotFrames[slot_] = frames_;
        ASys.SlotFrameSize[slot_] = frameSize_;
        ASys.SlotScale[slot_] = scale_;
        iSize[slot_] = size_;
        iFramesW[slot_] = framesW_;
        iFramesWz[slot_] = framesWz_;
        Image[slot_].swap(image_);
        ImageBlur[slot_].swap(blur_);
    }
    SlotGuard(const SlotGuard&) = delete;
    SlotGuard& operator=(const SlotGuard&) = delete;

private:
    int slot_, frames_, frameSize_;
    float scale_;
    int size_, framesW_;
    float framesWz_;
    std::vector<unsigned char> image_, blur_;
};

// A scratch program directory, removed with everything below it at the end.
struct ScratchDir {
    std::string path;
    ScratchDir() {
        char dir[] = "/tmp/zindle-draw-api-XXXXXX";
        if (mkdtemp(dir) != nullptr) path = dir;
    }
    ~ScratchDir() {
        std::error_code ec;
        if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
};

class EngineDrawImageApi : public DrawFixture {
protected:
    void SetUp() override {
        DrawFixture::SetUp();
        savedGame_ = core.GameNumber;
        savedSmooth_ = ASys.Smoothing;
        core.GameNumber = kuvo::kGameNumber;
        SetProgramDir("C:/Game");
    }
    void TearDown() override {
        core.GameNumber = savedGame_;
        ASys.Smoothing = savedSmooth_;
        DrawFixture::TearDown();
    }
    void SetProgramDir(const std::string& dir) {
        snprintf(core.ProgramDir, sizeof(core.ProgramDir), "%s", dir.c_str());
    }
    // The text the loader built last: the path it handed to the backend.
    std::string LastPath() { return core.Tempstr[TempstrUse]; }

    int savedGame_ = 0;
    float savedSmooth_ = 0;
};

TEST_F(EngineDrawImageApi, LoadersBuildThePathBelowTheDataFolder) {
    struct Case {
        const char* name;
        const char* path;
    };
    const Case cases[] = {
        {"gfx\\ship", "C:/Game/Data/559/gfx/ship.png"},
        {"ship.PNG", "C:/Game/Data/559/ship.PNG"},
        {"ship.Png", "C:/Game/Data/559/ship.Png"},
        {"ship.png", "C:/Game/Data/559/ship.png"},
        {"ship.pNg", "C:/Game/Data/559/ship.pNg.png"},
        {"png", "C:/Game/Data/559/png.png"},
        {"", "C:/Game/Data/559/.png"},
        {"a\\b\\c.PNG", "C:/Game/Data/559/a/b/c.PNG"},
    };
    const SlotGuard guard(99);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::internal::CaptureStdout();
        core.LoadImg(99, c.name, 32);
        EXPECT_EQ(LastPath(), c.path);
        core.LoadImgFull(99, c.name, 64);
        EXPECT_EQ(LastPath(), c.path);
        const std::string log = testing::internal::GetCapturedStdout();
        std::string shown = c.name;
        for (char& ch : shown)
            if (ch == '\\') ch = '/';
        EXPECT_NE(log.find("> Load Image : " + shown + " \n"), std::string::npos) << log;
    }
}

TEST_F(EngineDrawImageApi, LoadFontSelectsTheSlotEvenWhenTheFileIsMissing) {
    const SlotGuard guard(98);
    SetProgramDir("/nonexistent-zindle-dir");
    ASys.FontSlot = 3;
    testing::internal::CaptureStdout();
    core.LoadFont(98, "fonts\\missing");
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(ASys.FontSlot, 98);
    EXPECT_EQ(LastPath(), "/nonexistent-zindle-dir/Data/559/fonts/missing.png");
    EXPECT_NE(log.find("> Load Font  : fonts/missing \n"), std::string::npos) << log;
    EXPECT_EQ(ASys.SlotFrames[98], -1);
    core.SetFont(-5);  // unchecked; text then draws nothing
    EXPECT_EQ(ASys.FontSlot, -5);
}

TEST_F(EngineDrawImageApi, SmoothingIsTheSwitchAsAFloat) {
    core.Smooth(1);
    EXPECT_EQ(ASys.Smoothing, 1.0f);
    core.SetSmooth(2);
    EXPECT_EQ(ASys.Smoothing, 2.0f);
    core.Smooth(0);
    EXPECT_EQ(ASys.Smoothing, 0.0f);
}

// A real file in a scratch program directory: the font loader cuts it with
// frame side 32, the image loader with the side it is given.
TEST_F(EngineDrawImageApi, LoadsARealPngWithTheRightFrameSide) {
    const ScratchDir dir;
    ASSERT_FALSE(dir.path.empty());
    const std::filesystem::path game = std::filesystem::path(dir.path) / "Data" / "559";
    std::error_code ec;
    ASSERT_TRUE(std::filesystem::create_directories(game, ec)) << ec.message();
    const std::vector<unsigned char> pixels(64 * 32 * 4, 200);
    ASSERT_EQ(lodepng::encode((game / "sheet.png").string(), pixels, 64, 32), 0u);
    SetProgramDir(dir.path);

    const int font = 97, image = 96;
    const SlotGuard fontGuard(font), imageGuard(image);
    testing::internal::CaptureStdout();
    core.LoadFont(font, "sheet");
    core.LoadImg(image, "sheet.png", 64);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(ASys.SlotFrames[font], 2) << log;   // two 32-pixel glyphs
    EXPECT_EQ(ASys.SlotFrameSize[font], 32);
    EXPECT_EQ(ASys.SlotFrames[image], 1) << log;  // one 64-pixel image
    EXPECT_EQ(ASys.SlotFrameSize[image], 64);
    EXPECT_EQ(ASys.FontSlot, font);
    EXPECT_NE(log.find("> Load Font  : sheet \n"), std::string::npos) << log;
    EXPECT_NE(log.find("Loaded Spritesheet of 2 x 32x32 sprites"), std::string::npos) << log;
    EXPECT_NE(log.find("Loaded 64x64 Image"), std::string::npos) << log;
}

TEST_F(EngineDrawImageApi, BufferPaintingUsesTheInk) {
    const int slot = 3;
    const SlotGuard guard(slot);
    auto pixel = [slot](int x, int y) {
        const unsigned char* p = &Image[slot][(static_cast<size_t>(y) * iSize[slot] + x) * 4];
        return std::vector<int>{p[0], p[1], p[2], p[3]};
    };
    core.CreateBuffer(slot, 8);
    ASSERT_EQ(iSize[slot], 8);
    EXPECT_EQ(pixel(5, 5), (std::vector<int>{0, 0, 0, 0}));
    core.BufferFill(slot, 1, 2, 3, 4);
    EXPECT_EQ(pixel(7, 7), (std::vector<int>{1, 2, 3, 4}));
    core.SetCol(200, 100, 50, 1);
    core.BufferPlot(slot, 2.5f, 1.9f);
    EXPECT_EQ(pixel(2, 1), (std::vector<int>{200, 100, 50, 255}));
    core.SetCol(10, 20, 30, 0.5f);
    core.BufferLine(slot, 0, 4, 3, 4);
    EXPECT_EQ(pixel(0, 4), (std::vector<int>{10, 20, 30, 127}));
    EXPECT_EQ(pixel(2, 4), (std::vector<int>{10, 20, 30, 127}));
    EXPECT_EQ(pixel(3, 4), (std::vector<int>{1, 2, 3, 4}));
    core.BufferCLS(slot);
    EXPECT_EQ(pixel(2, 1), (std::vector<int>{0, 0, 0, 0}));
}

}  // namespace
