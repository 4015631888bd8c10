// The renderer across the backend's real windows (Xvfb, openbox): an image still
// draws after the window and its GL context were reopened, a render draws before
// it works out the next view, and a screenshot lands under its dated name.

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>
#include <lodepng.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "KUVOCore.h"
#include "core_internal.h"
#include "scratch_dir.h"
#include "sys_internal.h"

namespace {

using Px = std::vector<int>;

constexpr long long kMoment = 1700000000;  // a fixed calendar moment for the file name
long long Pinned() { return kMoment; }

class RenderWindow : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("ALSOFT_DRIVERS", "null", 0);
        if (getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs a display";
        dir_ = testsupport::MakeTempDir("kuvo-window");
        ASSERT_FALSE(dir_.empty());
        testing::internal::CaptureStdout();
        ASys.SysInit("Render Window Test");
        testing::internal::GetCapturedStdout();
        ASSERT_NE(window, nullptr);
        WhiteBlock.assign(kuvo::kWhiteBlockBytes, 255);
        ASys.Smoothing = 0.0f;
        ASys.ButtonFlags[66] = 0;
        ASys.ClsR = ASys.ClsTargetR = 10;
        ASys.ClsG = ASys.ClsTargetG = 20;
        ASys.ClsB = ASys.ClsTargetB = 30;
        ASys.ClsFade = 1;
        DrawToRT = 0;
    }
    void TearDown() override {
        DrawToRT = 0;
        ASys.ButtonFlags[66] = 0;
        if (window != nullptr) {
            testing::internal::CaptureStdout();
            ASys.Close();
            testing::internal::GetCapturedStdout();
        }
        testsupport::RemoveTree(dir_);
    }
    // A 16 x 16 picture: left half yellow, right half blue, loaded into slot 4.
    void LoadPicture() {
        std::vector<unsigned char> px(16 * 16 * 4);
        for (int i = 0; i < 16 * 16; ++i) {
            const bool left = i % 16 < 8;
            px[i * 4 + 0] = left ? 250 : 0;
            px[i * 4 + 1] = left ? 210 : 40;
            px[i * 4 + 2] = left ? 0 : 220;
            px[i * 4 + 3] = 255;
        }
        const std::string path = dir_ + "/picture.png";
        ASSERT_EQ(lodepng::encode(path, px, 16, 16), 0u);
        testing::internal::CaptureStdout();
        ASys.GetPNG(4, path.c_str(), 16);
        testing::internal::GetCapturedStdout();
        ASSERT_EQ(ASys.SlotFrames[4], 1);
    }
    // The picture at four times its size in the view's middle.
    static void DrawPicture() {
        DrawToRT = 0;
        double* r = DrawR[DrawToRT++];
        memset(r, 0, sizeof(double) * kuvo::kDrawValues);
        r[0] = 11;
        r[3] = 1600;
        r[4] = -1600;
        for (int v = 10; v <= 17; ++v) r[v] = 255;
        r[28] = 4;
    }
    // Renders, then reads the presented frame; pixel (x, y) from the top left.
    static Px RenderAndRead(int x, int y) {
        ASys.RenderSys(0.0f);
        ASys.ScreenToBuffer();
        const unsigned char* p = &Image[100][(static_cast<size_t>(y) * ASys.FrameW + x) * 4];
        return {p[0], p[1], p[2], p[3]};
    }
    std::string dir_;
};

// Each window change destroys the old context with its texture objects; the
// cached textures are forgotten, uploaded again into the new context and the
// picture is unchanged.
TEST_F(RenderWindow, ImagesSurviveReopenedWindows) {
    LoadPicture();
    DrawPicture();
    const Px yellow = {250, 210, 0, 255}, blue = {0, 40, 220, 255};
    EXPECT_EQ(RenderAndRead(400 - 20, 300), yellow);
    EXPECT_EQ(RenderAndRead(400 + 20, 300), blue);
    for (int step = 0; step < 3; ++step) {
        SCOPED_TRACE(step);
        testing::internal::CaptureStdout();
        if (step < 2) ASys.FlipFull(); else ASys.SetScreen(800, 600);
        testing::internal::GetCapturedStdout();
        ASSERT_NE(window, nullptr);
        for (int i = 0; i < 10; ++i) glfwPollEvents();
        RenderCounters = {0, 0, 0};
        ASys.RenderSys(0.0f);
        EXPECT_EQ(RenderCounters.uploads, 1);
        const int cx = ASys.FrameW / 2, cy = ASys.FrameH / 2;
        // the picture keeps its size in view units: 64 units wide
        const int off = ASys.FrameW * 20 / 800;
        EXPECT_EQ(RenderAndRead(cx - off, cy), yellow);
        EXPECT_EQ(RenderAndRead(cx + off, cy), blue);
    }
}

// A render draws the list handed over with the view it was made for, and only
// then works out the view of the next one from the frame just drawn.
TEST_F(RenderWindow, RenderGameDrawsBeforeItWorksOutTheNextView) {
    static KUVOCore core;
    testing::internal::CaptureStdout();
    ASys.SetScreen(600, 800);  // turned to portrait
    testing::internal::GetCapturedStdout();
    ASSERT_NE(window, nullptr);
    for (int i = 0; i < 10; ++i) glfwPollEvents();
    ASys.VirtualWidth = 800.0f;               // the landscape view of the last render
    ASys.AspectRatio = 800.0f / 600.0f;       // and its frame's shape
    core.Overscan = 0.0f;
    DrawToRT = 0;
    double* r = DrawR[DrawToRT++];
    memset(r, 0, sizeof(double) * kuvo::kDrawValues);
    r[0] = 1;  // a 40-unit red square 300 units right of the centre
    r[1] = 300;
    r[3] = 40;
    r[4] = -40;
    r[10] = r[11] = r[14] = r[15] = 255;

    float width = 0, height = 0;
    core.RenderGame(width, height);
    ASSERT_EQ(ASys.FrameW, 600);
    ASSERT_EQ(ASys.FrameH, 800);
    // The view comes from the frame just drawn, not the one before it.
    EXPECT_FLOAT_EQ(width, 800.0f);
    EXPECT_NEAR(height, 1066.67f, 0.01f);
    EXPECT_FLOAT_EQ(ASys.VirtualWidth, 512.0f);
    // Drawn 800 units wide: the square is 30 pixels wide around column 525
    // (it would stand around column 651 in the 512-unit view).
    ASys.ScreenToBuffer();
    auto px = [](int x, int y) {
        const unsigned char* p = &Image[100][(static_cast<size_t>(y) * ASys.FrameW + x) * 4];
        return Px{p[0], p[1], p[2], p[3]};
    };
    EXPECT_EQ(px(525, 400), (Px{255, 0, 0, 255}));
    EXPECT_EQ(px(651, 400), (Px{10, 20, 30, 255}));
}

// The poll names the next screenshot after the program directory, the game
// number and the year-first time; the render that sees the key saves the
// frame it presents there, at the framebuffer's size and opaque.
TEST_F(RenderWindow, ScreenshotLandsInTheProgramDirectoryUnderItsDatedName) {
    static KUVOCore core;
    long long (*saved)() = KuvoCalendarSeconds;
    KuvoCalendarSeconds = Pinned;
    snprintf(core.ProgramDir, sizeof core.ProgramDir, "%s", dir_.c_str());
    core.GameNumber = 559;
    core.PollInput(0);
    KuvoCalendarSeconds = saved;
    const time_t t = static_cast<time_t>(kMoment);
    std::tm local{};
    ASSERT_NE(localtime_r(&t, &local), nullptr);
    char when[32];
    strftime(when, sizeof when, "%Y-%m-%d_%H-%M-%S", &local);
    const std::string name = dir_ + "/Screenshot_559_" + when + ".png";
    EXPECT_EQ(std::string(ASys.ScreenshotPath), name);

    LoadPicture();
    DrawPicture();
    ASys.ButtonFlags[66] = 1;
    testing::internal::CaptureStdout();
    ASys.RenderSys(0.0f);
    const std::string log = testing::internal::GetCapturedStdout();
    ASys.ButtonFlags[66] = 0;
    EXPECT_NE(log.find("> Saving Image - 800x600  to " + name + "\n"), std::string::npos) << log;

    std::vector<unsigned char> png;
    unsigned w = 0, h = 0;
    ASSERT_EQ(lodepng::decode(png, w, h, name), 0u);
    ASSERT_EQ(w, 800u);
    ASSERT_EQ(h, 600u);
    auto px = [&](int x, int y) {
        const unsigned char* p = &png[(static_cast<size_t>(y) * w + x) * 4];
        return Px{p[0], p[1], p[2], p[3]};
    };
    EXPECT_EQ(px(400 - 20, 300), (Px{250, 210, 0, 255}));
    EXPECT_EQ(px(400 + 20, 300), (Px{0, 40, 220, 255}));
    EXPECT_EQ(px(400 - 33, 300), (Px{10, 20, 30, 255}));
    EXPECT_EQ(px(0, 0), (Px{10, 20, 30, 255}));
    for (size_t i = 3; i < png.size(); i += 4) ASSERT_EQ(png[i], 255) << "pixel " << i / 4;
}

}  // namespace
