// The renderer on a real GL context (Xvfb, Mesa): known draw lists are
// rendered and the frame is read back and checked pixel by pixel: shapes,
// gradients, rotation, overscan, frames of a sheet, blend modes, wireframe,
// smoothing, texture uploads and batches, screenshots and the screen copy.

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>
#include <lodepng.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "sys_internal.h"

namespace {

using Px = std::vector<int>;

class RenderFrame : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (getenv("DISPLAY") == nullptr || glfwInit() != GLFW_TRUE) return;
        glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 2);
        glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 0);
        glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
        own_ = glfwCreateWindow(800, 600, "Render Test", nullptr, nullptr);
        if (own_ != nullptr) glfwMakeContextCurrent(own_);
    }
    static void TearDownTestSuite() {
        if (own_ != nullptr) glfwDestroyWindow(own_);
        own_ = nullptr;
        window = nullptr;
    }
    void SetUp() override {
        if (own_ == nullptr) GTEST_SKIP() << "needs a display";
        window = own_;
        WhiteBlock.assign(kuvo::kWhiteBlockBytes, 255);
        ASys.VirtualWidth = 800.0f;
        ASys.Smoothing = 0.0f;
        ASys.ButtonFlags[66] = 0;
        Wireframe = 0;
        RenderLiteral = 0;
        RenderProgramChoice = kuvo::kProgramAuto;
        SetClear(100, 100, 100);
        for (int s = 0; s < kuvo::kImageSlots; ++s) ASys.SlotFrames[s] = -1;
        DrawToRT = 0;
        RenderCounters = {0, 0, 0};
    }
    void TearDown() override {
        DrawToRT = 0;
        Wireframe = 0;
        RenderLiteral = 0;
        RenderProgramChoice = kuvo::kProgramAuto;
        ASys.Smoothing = 0.0f;
    }
    static void SetClear(float r, float g, float b) {
        ASys.ClsR = ASys.ClsTargetR = r;
        ASys.ClsG = ASys.ClsTargetG = g;
        ASys.ClsB = ASys.ClsTargetB = b;
        ASys.ClsFade = 1;
    }
    // A record centred at (x, y) view units from the centre, w x h units
    // (height stored negated, as the engine does), opaque colour 1 and 2.
    static double* Add(int kind, double x, double y, double w, double h, Px c1, Px c2) {
        double* r = DrawR[DrawToRT++];
        memset(r, 0, sizeof(double) * kuvo::kDrawValues);
        r[0] = kind;
        r[1] = x;
        r[2] = y;
        r[3] = w;
        r[4] = -h;
        r[10] = c1[3];
        r[11] = c1[0];
        r[12] = c1[1];
        r[13] = c1[2];
        r[14] = c2[3];
        r[15] = c2[0];
        r[16] = c2[1];
        r[17] = c2[2];
        return r;
    }
    // A sprite of `slot` drawn at its pixel size (size factor 1 / view scale).
    static double* Sprite(int slot, double x, double y, double frame) {
        double* r = Add(11, x, y, 400, 400, {255, 255, 255, 255}, {255, 255, 255, 255});
        r[28] = slot;
        r[29] = frame;
        r[27] = frame;
        return r;
    }
    static void Blend(int mode) {
        double* r = DrawR[DrawToRT++];
        memset(r, 0, sizeof(double) * kuvo::kDrawValues);
        r[0] = 50;
        r[1] = mode;
    }
    // Renders the list, then reads what was presented.
    static void Frame() {
        ASys.RenderSys(0.0f);
        ASys.ScreenToBuffer();
    }
    // Screen pixel (x, y) from the top-left of the last read frame.
    static Px At(int x, int y) {
        const unsigned char* p = &Image[100][(static_cast<size_t>(y) * ASys.FrameW + x) * 4];
        return {p[0], p[1], p[2], p[3]};
    }
    // Pixels x0..x1, y0..y1 (inclusive) are covered in `inside`: its corners
    // are, and the pixels just beyond them are the clear colour.
    static void ExpectBox(int x0, int y0, int x1, int y1, const Px& inside, const Px& clear) {
        EXPECT_EQ(At(x0, y0), inside);
        EXPECT_EQ(At(x1, y1), inside);
        EXPECT_EQ(At(x0 - 1, y0), clear);
        EXPECT_EQ(At(x0, y0 - 1), clear);
        EXPECT_EQ(At(x1 + 1, y1), clear);
        EXPECT_EQ(At(x1, y1 + 1), clear);
    }
    static void ExpectNear(const Px& got, const Px& want, int tolerance) {
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(got[k], want[k], tolerance) << "channel " << k;
    }
    static GLFWwindow* own_;
};
GLFWwindow* RenderFrame::own_ = nullptr;

const Px kRed = {255, 0, 0, 255};
const Px kBlue = {0, 0, 255, 255};
const Px kClear = {100, 100, 100, 255};

TEST_F(RenderFrame, EmptyListShowsTheClearColourAtFramebufferSize) {
    SetClear(10, 20, 30);
    Frame();
    EXPECT_EQ(ASys.FrameW, 800);
    EXPECT_EQ(ASys.FrameH, 600);
    EXPECT_FLOAT_EQ(ASys.AspectRatio, 800.0f / 600.0f);
    EXPECT_EQ(At(0, 0), (Px{10, 20, 30, 255}));
    EXPECT_EQ(At(799, 599), (Px{10, 20, 30, 255}));
}

TEST_F(RenderFrame, RectangleCoversExactlyItsExtent) {
    Add(1, -20, 10, 100, 60, kRed, kRed);  // x -70..30, y -20..40 from the centre
    Frame();
    ExpectBox(330, 280, 429, 339, kRed, kClear);
    EXPECT_EQ(ASys.FramePolys, 2);
}

TEST_F(RenderFrame, OverscanShrinksEachAxisByItsOwnFactor) {
    // x 100..300 and y 100..200 view units right of and below the centre
    Add(1, 200, 150, 200, 100, kRed, kRed);
    const float overscan = 0.2f;  // the "Overscan" setting at 10
    for (int program : {kuvo::kProgramNever, kuvo::kProgramAlways}) {
        SCOPED_TRACE(program);
        RenderProgramChoice = program;
        ASys.RenderSys(overscan);
        ASys.ScreenToBuffer();
        EXPECT_EQ(RenderProgramUsed, program == kuvo::kProgramAlways ? 1 : 0);
        // Across, 0.9 pixels a unit (2 - overscan over 2): columns 490..669.
        // Down, the overscan is taken times the aspect 4:3: 0.8667 pixels a
        // unit, 386.67..473.33 from the top, so rows 387..472.
        ExpectBox(490, 387, 669, 472, kRed, kClear);
    }
    // The pointer mapping undoes exactly these factors.
    EXPECT_FLOAT_EQ(OverscanScaleX, 1.0f / 0.9f);
    EXPECT_FLOAT_EQ(OverscanScaleY, 1.0f / (1.0f - 0.1f * 800.0f / 600.0f));
    ASys.RenderSys(0.0f);
    EXPECT_FLOAT_EQ(OverscanScaleX, 1.0f);
    EXPECT_FLOAT_EQ(OverscanScaleY, 1.0f);
}

TEST_F(RenderFrame, GradientRunsFromColourOneAtTheBottomToColourTwoAtTheTop) {
    Add(1, 0, 0, 200, 200, kRed, kBlue);
    Frame();
    ExpectNear(At(400, 201), kBlue, 4);
    ExpectNear(At(400, 398), kRed, 4);
    const Px mid = At(400, 300);
    EXPECT_NEAR(mid[0], 128, 4);
    EXPECT_NEAR(mid[2], 128, 4);
}

TEST_F(RenderFrame, PositiveRotationTurnsClockwise) {
    // a wide bar turned by 90 degrees stands upright; its top edge (colour 2)
    // has turned to the right
    double* r = Add(1, 0, 0, 200, 100, kRed, kBlue);
    r[18] = 90;
    Frame();
    ExpectNear(At(351, 300), kRed, 8);
    ExpectNear(At(448, 300), kBlue, 8);
    EXPECT_EQ(At(400, 210), At(400, 300));  // tall now
    EXPECT_EQ(At(460, 300), kClear);        // no longer wide
    // 30 degrees: the bar's right end dips below the centre line
    DrawToRT = 0;
    Add(1, 0, 0, 200, 4, kRed, kRed)[18] = 30;
    Frame();
    EXPECT_EQ(At(480, 300 + 46), kRed);
    EXPECT_EQ(At(480, 300 - 46), kClear);
}

TEST_F(RenderFrame, OvalReachesHalfItsSizeEachWay) {
    Add(3, 0, 0, 100, 200, kRed, kRed);
    Frame();
    EXPECT_EQ(At(400 + 48, 300), kRed);
    EXPECT_EQ(At(400 - 48, 300), kRed);
    EXPECT_EQ(At(400 + 52, 300), kClear);
    EXPECT_EQ(At(400, 300 - 98), kRed);
    EXPECT_EQ(At(400, 300 + 98), kRed);
    EXPECT_EQ(At(400, 300 - 102), kClear);
    EXPECT_EQ(At(400 + 40, 300 - 80), kClear);  // the corner of its box is outside
    EXPECT_EQ(ASys.FramePolys, 36);
}

TEST_F(RenderFrame, SpriteShowsTheChosenFrameUpright) {
    // 4 x 2 frames of 16 pixels: frame f is (30 f, 255 - 30 f, 90) with a top
    // row of white
    char dir[] = "/tmp/kuvo-render-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::vector<unsigned char> px(64 * 32 * 4);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 64; ++x) {
            const int f = (y / 16) * 4 + x / 16;
            unsigned char* p = &px[(y * 64 + x) * 4];
            const bool top = y % 16 == 0;
            p[0] = static_cast<unsigned char>(top ? 255 : 30 * f);
            p[1] = static_cast<unsigned char>(top ? 255 : 255 - 30 * f);
            p[2] = static_cast<unsigned char>(top ? 255 : 90);
            p[3] = 255;
        }
    }
    const std::string path = std::string(dir) + "/sheet.png";
    ASSERT_EQ(lodepng::encode(path, px, 64, 32), 0u);
    testing::internal::CaptureStdout();
    ASys.GetPNG(4, path.c_str(), 16);
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(ASys.SlotFrames[4], 8);
    Sprite(4, 0, 0, 5);
    Sprite(4, 100, 0, 12);  // out of range: frame 0
    Frame();
    // drawn 24 x 24 (frame and padding) centred on the view centre
    EXPECT_EQ(At(400, 300), (Px{150, 105, 90, 255}));
    EXPECT_EQ(At(400, 292), (Px{255, 255, 255, 255}));  // top row of the frame
    EXPECT_EQ(At(400, 291), kClear);                     // padding above it
    EXPECT_EQ(At(500, 300), (Px{0, 255, 90, 255}));
    EXPECT_EQ(DrawR[1][29], 0.0);
    (void)!system((std::string("rm -rf ") + dir).c_str());
}

TEST_F(RenderFrame, BlendModesCombineWithTheFrameBelow) {
    struct Case {
        int mode;
        Px want;
    } cases[] = {
        {1, {100, 75, 50}},    // normal
        {2, {150, 125, 100}},  // additive
        {3, {161, 140, 100}},  // screen-like: source times one minus itself, added
        {7, {100, 75, 50}},    // unknown: stays normal
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        DrawToRT = 0;
        Blend(c.mode);
        Add(1, 0, 0, 50, 50, {100, 50, 0, 128}, {100, 50, 0, 128});
        Frame();
        ExpectNear(At(400, 300), c.want, 2);
    }
    // a frame starts in the normal mode again
    DrawToRT = 0;
    Add(1, 0, 0, 50, 50, {100, 50, 0, 128}, {100, 50, 0, 128});
    Frame();
    ExpectNear(At(400, 300), {100, 75, 50}, 2);
}

TEST_F(RenderFrame, WireframeDrawsOutlinesOnly) {
    Wireframe = 1;
    Add(1, 0, 0, 200, 100, kRed, kRed);
    Frame();
    EXPECT_EQ(At(350, 320), kClear);  // inside, off the diagonal
    int edge = 0;
    for (int x = 298; x <= 302; ++x) edge += At(x, 300) == kRed;
    EXPECT_GT(edge, 0);
}

TEST_F(RenderFrame, SmoothingFiltersLinearlyOnlyWhenOn) {
    // a 2 x 2 checker drawn 100 pixels wide
    ASys.Buffer_Create(5, 2);
    ASys.Buffer_Fill(5, 0, 0, 0, 255);
    ASys.Buffer_Plot(5, 0, 0, 255, 255, 255, 255);
    ASys.Buffer_Plot(5, 1, 1, 255, 255, 255, 255);
    Add(11, 0, 0, 20000, 20000, {255, 255, 255, 255}, {255, 255, 255, 255})[28] = 5;
    Frame();
    const int sharp = At(400, 300)[0];
    EXPECT_TRUE(sharp == 0 || sharp == 255) << sharp;
    EXPECT_EQ(At(375, 275)[0], 255);
    ASys.Smoothing = 1.0f;
    Frame();
    EXPECT_NEAR(At(400, 300)[0], 128, 8);
    ASys.Smoothing = 2.0f;  // only exactly 1 smooths
    Frame();
    EXPECT_EQ(At(400, 300)[0], sharp);
}

TEST_F(RenderFrame, CachedTexturesUploadOnlyWhenTheirPixelsChange) {
    ASys.Buffer_Create(3, 16);
    ASys.Buffer_Fill(3, 0, 200, 0, 255);
    for (int i = 0; i < 10; ++i) {
        if (i % 2 == 0) {
            Add(1, -300 + 60 * i, 0, 30, 30, kRed, kRed);
        } else {
            Add(11, -300 + 60 * i, 0, 400, 400, {255, 255, 255, 255}, {255, 255, 255, 255})[28] = 3;
        }
    }
    ASys.RenderSys(0.0f);
    EXPECT_EQ(RenderCounters.batches, 10);
    EXPECT_EQ(RenderCounters.drawCalls, 10);
    EXPECT_EQ(RenderCounters.uploads, 1);
    ASys.ScreenToBuffer();  // draws the same list again: nothing to upload
    EXPECT_EQ(RenderCounters.uploads, 1);
    const std::vector<unsigned char> cached = Image[100];
    EXPECT_EQ(At(400 - 300, 300), kRed);
    EXPECT_EQ(At(400 - 240, 300), (Px{0, 200, 0, 255}));

    ASys.Buffer_Fill(3, 0, 0, 200, 255);
    RenderCounters = {0, 0, 0};
    Frame();
    EXPECT_EQ(RenderCounters.uploads, 1);
    EXPECT_EQ(At(400 - 240, 300), (Px{0, 0, 200, 255}));

    // the literal way uploads at every change and draws the same pixels
    ASys.Buffer_Fill(3, 0, 200, 0, 255);
    Frame();
    const std::vector<unsigned char> again = Image[100];
    RenderLiteral = 1;
    RenderCounters = {0, 0, 0};
    ASys.RenderSys(0.0f);
    EXPECT_EQ(RenderCounters.uploads, 10);
    ASys.ScreenToBuffer();
    EXPECT_TRUE(Image[100] == cached);
    EXPECT_TRUE(again == cached);
}

TEST_F(RenderFrame, ANewContextGetsItsTexturesAgain) {
    ASys.Buffer_Create(3, 16);
    ASys.Buffer_Fill(3, 0, 200, 0, 255);
    Add(11, 0, 0, 400, 400, {255, 255, 255, 255}, {255, 255, 255, 255})[28] = 3;
    Frame();
    EXPECT_EQ(At(400, 300), (Px{0, 200, 0, 255}));
    // a window change, announced or not
    for (bool announce : {true, false}) {
        glfwDestroyWindow(own_);
        own_ = glfwCreateWindow(800, 600, "Render Test", nullptr, nullptr);
        ASSERT_NE(own_, nullptr);
        glfwMakeContextCurrent(own_);
        window = own_;
        if (announce) KuvoRenderContextLost();
        RenderCounters = {0, 0, 0};
        Frame();
        EXPECT_EQ(RenderCounters.uploads, 1);
        EXPECT_EQ(At(400, 300), (Px{0, 200, 0, 255}));
    }
}

TEST_F(RenderFrame, ScreenshotSavesThePresentedFrameOpaque) {
    char dir[] = "/tmp/kuvo-shot-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    snprintf(ASys.ScreenshotPath, sizeof(ASys.ScreenshotPath), "%s/Screenshot_559_test.png", dir);
    SetClear(10, 20, 30);
    Add(1, -350, -250, 100, 100, {255, 0, 0, 100}, {255, 0, 0, 100});
    ASys.ButtonFlags[66] = 1;
    testing::internal::CaptureStdout();
    ASys.RenderSys(0.0f);
    const std::string log = testing::internal::GetCapturedStdout();
    ASys.ButtonFlags[66] = 0;
    EXPECT_NE(log.find("> Saving Image - 800x600  to " + std::string(ASys.ScreenshotPath) + "\n"),
              std::string::npos) << log;
    std::vector<unsigned char> png;
    unsigned w = 0, h = 0;
    ASSERT_EQ(lodepng::decode(png, w, h, std::string(ASys.ScreenshotPath)), 0u);
    ASSERT_EQ(w, 800u);
    ASSERT_EQ(h, 600u);
    auto px = [&](int x, int y) {
        const unsigned char* p = &png[(static_cast<size_t>(y) * w + x) * 4];
        return Px{p[0], p[1], p[2], p[3]};
    };
    // the translucent red square in the top-left corner over the clear colour
    ExpectNear(px(10, 10), {106, 12, 18}, 2);
    EXPECT_EQ(px(10, 10)[3], 255);
    EXPECT_EQ(px(110, 10), (Px{10, 20, 30, 255}));
    EXPECT_EQ(px(799, 599), (Px{10, 20, 30, 255}));
    (void)!system((std::string("rm -rf ") + dir).c_str());
}

TEST_F(RenderFrame, ScreenCopyHoldsTheLastFrameAndDrawsBack) {
    Add(1, -350, -250, 100, 100, kRed, kRed);
    ASys.RenderSys(0.0f);
    ASys.GrabBuffer();  // after the swap: the presented frame all the same
    ASSERT_EQ(iSize[102], 1024);
    auto copy = [](int x, int y) {
        const unsigned char* p = &Image[102][(static_cast<size_t>(y) * 1024 + x) * 4];
        return Px{p[0], p[1], p[2], p[3]};
    };
    EXPECT_EQ(copy(112 + 10, 212 + 10), kRed);
    EXPECT_EQ(copy(112 + 200, 212 + 10), kClear);
    EXPECT_EQ(copy(111, 212), (Px{0, 0, 0, 0}));
    // drawn back at the view centre with the bare size factors it fills the view
    DrawToRT = 0;
    SetClear(0, 0, 0);
    Add(11, 0, 0, 400, 400, {255, 255, 255, 255}, {255, 255, 255, 255})[28] = 102;
    Frame();
    EXPECT_EQ(At(10, 10), kRed);
    EXPECT_EQ(At(400, 300), kClear);
}

// Which corner takes which colour, kind by kind, and which way up a frame
// lands: a white texture shows the vertex colours, a two-tone one the frame.
TEST_F(RenderFrame, ColoursAndFramesGoToTheirCorners) {
    ASys.Buffer_Create(5, 16);  // white
    ASys.Buffer_Fill(5, 255, 255, 255, 255);
    ASys.Buffer_Create(6, 16);  // top half yellow, bottom half blue; its second store green
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) ASys.Buffer_Plot(6, x, y, y < 8 ? 250 : 0, y < 8 ? 210 : 40, y < 8 ? 0 : 220, 255);
    for (size_t i = 0; i < ImageBlur[6].size(); i += 4) {
        ImageBlur[6][i + 1] = 160;
        ImageBlur[6][i + 3] = 255;
    }
    ImageBlurVersion[6] += 1;
    const Px white = {255, 255, 255, 255}, yellow = {250, 210, 0, 255}, blue = {0, 40, 220, 255};
    struct Spot {
        int x, y;
        Px want;
    };
    struct Case {
        const char* name;
        std::function<void()> add;
        std::vector<Spot> spots;
    };
    auto corners = [](double* r, std::vector<double> xy) {
        for (size_t v = 0; v < xy.size(); ++v) r[1 + v] = xy[v];
        return r;
    };
    const Case cases[] = {
        {"image: colour 1 tints the bottom edge",
         [&] { Add(11, 0, 0, 5000, 5000, kRed, kBlue)[28] = 5; },
         {{400, 300 + 97, kRed}, {400, 300 - 97, kBlue}}},
        {"image upright",
         [&] { Add(11, 0, 0, 5000, 5000, white, white)[28] = 6; },
         {{400, 300 - 30, yellow}, {400, 300 + 30, blue}}},
        {"second store",
         [&] { Add(13, 0, 0, 5000, 5000, white, white)[28] = 6; },
         {{400, 300, {0, 160, 0, 255}}}},
        {"four corners: colour 1 tints the frame's top edge",
         [&] { corners(Add(12, 0, 0, 0, 0, kRed, kBlue), {-50, -50, 50, -50, 50, 50, -50, 50})[28] = 5; },
         {{400, 300 - 48, kRed}, {400, 300 + 48, kBlue}}},
        {"four corners clockwise from the top-left: upright",
         [&] { corners(Add(12, 0, 0, 0, 0, white, white), {-50, -50, 50, -50, 50, 50, -50, 50})[28] = 6; },
         {{400, 300 - 30, yellow}, {400, 300 + 30, blue}}},
        {"triangle: colour 2 at the first corner",
         [&] { corners(Add(6, 0, 0, 0, 0, kRed, kBlue), {0, -100, 100, 100, -100, 100}); },
         {{400, 300 - 97, kBlue}, {400 + 94, 300 + 98, kRed}, {400 - 94, 300 + 98, kRed}}},
        {"fan: colour 2 from angle 0, then colour 1",
         [&] { Add(5, 0, 0, 200, 200, kRed, kBlue); },
         {{400 + 7, 300 + 79, kBlue}, {400 + 21, 300 + 77, kRed}, {400 + 34, 300 + 73, kBlue}}},
        {"oval: colour 1 at the centre, colour 2 at the rim",
         [&] { Add(3, 0, 0, 200, 200, kRed, kBlue); },
         {{400, 300, kRed}, {400, 300 + 98, {0, 0, 255, 255}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DrawToRT = 0;
        c.add();
        Frame();
        for (const Spot& s : c.spots) {
            SCOPED_TRACE(std::to_string(s.x) + "," + std::to_string(s.y));
            ExpectNear(At(s.x, s.y), s.want, 12);
        }
    }
}

// A busy frame of every kind, translucent two-colour tints, turned sprites and
// both stores of a noisy texture: drawn through the program, on the plain
// path and the literal way, with and without smoothing and in every blend
// mode, the three frames agree to the byte.
TEST_F(RenderFrame, EveryPathDrawsTheSamePixels) {
    ASys.Buffer_Create(10, 64);
    unsigned seed = 5;
    for (unsigned char& b : Image[10]) b = static_cast<unsigned char>((seed = seed * 1103515245u + 12345u) >> 16);
    ImageBlur[10] = Image[10];
    for (unsigned char& b : ImageBlur[10]) b = static_cast<unsigned char>(255 - b);
    ImageVersion[10] += 1;
    ImageBlurVersion[10] += 1;
    ASys.SlotFrames[10] = 4;
    iFramesW[10] = 2;
    iFramesWz[10] = 0.5f;
    ASys.SlotScale[10] = 0.05f;
    const Px c1 = {255, 180, 90, 200}, c2 = {30, 220, 255, 130};
    for (float smooth : {0.0f, 1.0f}) {
        for (int mode = 1; mode <= 3; ++mode) {
            SCOPED_TRACE(std::to_string(smooth) + " " + std::to_string(mode));
            ASys.Smoothing = smooth;
            DrawToRT = 0;
            Add(1, 0, 0, 700, 500, c1, c2)[18] = 7;
            Blend(mode);
            for (int k = 0; k < 40; ++k) {
                double* r = Add(11, -350 + k * 17, -200 + (k % 9) * 37, 400 + k * 37, 400 + k * 23, c1, c2);
                r[18] = k * 13.7;
                r[28] = 10;
                r[29] = k % 5;
                Add(3, -340 + k * 11, 150 - (k % 7) * 20, 20 + k, 30, c1, c2);
                Add(5, -300 + k * 9, 200, 40, 20, c1, c2)[18] = k * 3;
                double* b = Add(13, 100 + k * 3, -100 + k * 2, 900, 700, c2, c1);
                b[18] = -k;
                b[28] = 10;
                b[29] = 1;
                double* q = Add(12, 0, 0, 0, 0, c1, c2);
                const double corners[8] = {-100.0 + k, -50, 37.0 + k, -80, 60, 99, -120, 40.0 + k};
                for (int v = 0; v < 8; ++v) q[1 + v] = corners[v];
                q[28] = 10;
                q[29] = 2;
                double* t = Add(6, 0, 0, 0, 0, c2, c1);
                const double tri[6] = {-5.0 * k, 10, 50, 77, -33, 120};
                for (int v = 0; v < 6; ++v) t[1 + v] = tri[v];
            }
            std::vector<unsigned char> frames[3];
            for (int path = 0; path < 3; ++path) {
                RenderProgramChoice = path == 0 ? kuvo::kProgramAlways : kuvo::kProgramNever;
                RenderLiteral = path == 2 ? 1 : 0;
                Frame();
                EXPECT_EQ(RenderProgramUsed, path == 0 ? 1 : 0);
                frames[path] = Image[100];
            }
            RenderProgramChoice = kuvo::kProgramAuto;
            RenderLiteral = 0;
            size_t differ[2] = {0, 0};
            for (size_t i = 0; i < frames[0].size(); ++i) {
                differ[0] += frames[0][i] != frames[2][i];
                differ[1] += frames[1][i] != frames[2][i];
            }
            EXPECT_EQ(differ[0], 0u) << "program against literal";
            EXPECT_EQ(differ[1], 0u) << "plain path against literal";
        }
    }
}

// Shapes and sprites of one sheet in turn: a batch each, one upload, and
// drawn through the program, which needs no state change between them.
TEST_F(RenderFrame, AlternatingShapesAndSpritesShareTheProgram) {
    ASys.Buffer_Create(3, 16);
    ASys.Buffer_Fill(3, 0, 200, 0, 255);
    for (int i = 0; i < 200; ++i) {
        const double x = -390 + (i % 40) * 20, y = -250 + (i / 40) * 100;
        if (i % 2 == 0) {
            Add(1, x, y, 10, 10, kRed, kRed);
        } else {
            Add(11, x, y, 400, 400, {255, 255, 255, 255}, {255, 255, 255, 255})[28] = 3;
        }
    }
    Frame();
    EXPECT_EQ(RenderProgramUsed, 1);
    EXPECT_EQ(RenderCounters.batches, 400);  // the frame and its read-back
    EXPECT_EQ(RenderCounters.uploads, 1);
    EXPECT_EQ(At(10, 50), kRed);
    EXPECT_EQ(At(30, 50), (Px{0, 200, 0, 255}));
    EXPECT_EQ(At(30 + 7, 50), (Px{0, 200, 0, 255}));  // the sprite is 16 wide
    EXPECT_EQ(At(30 + 8, 50), kClear);
    EXPECT_EQ(At(10 + 6, 50), kClear);                // the square 10
    // a few switches stay on the plain path
    DrawToRT = 10;
    Frame();
    EXPECT_EQ(RenderProgramUsed, 0);
    EXPECT_EQ(At(30, 50), (Px{0, 200, 0, 255}));
}

// A copy or screenshot taken after the swap draws the presented frame again:
// with its clear colour, outline mode and view, not ones set since.
TEST_F(RenderFrame, ReadBackAfterTheSwapRepeatsThePresentedFrame) {
    Add(1, -350, -250, 100, 100, kRed, kRed);
    Frame();
    const std::vector<unsigned char> presented = Image[100];
    SetClear(0, 90, 0);
    Wireframe = 1;
    ASys.VirtualWidth = 512.0f;
    ASys.ScreenToBuffer();
    ASys.VirtualWidth = 800.0f;
    EXPECT_TRUE(Image[100] == presented);
    EXPECT_EQ(At(10, 10), kRed);
    EXPECT_EQ(At(400, 300), kClear);
}

}  // namespace
