// Engine lifecycle without a window: the view worked out from the framebuffer
// for landscape, portrait and very long windows, the hand-over at the end of
// an update, the run's clock and the shut-down lines.

#include <gtest/gtest.h>

#include <string>

#include "KUVOCore.h"
#include "core_internal.h"
#include "sys_internal.h"

namespace {

KUVOCore& Core() {
    static KUVOCore core;
    return core;
}

struct SavedView {
    int frameW = ASys.FrameW, frameH = ASys.FrameH;
    float aspect = ASys.AspectRatio, virtualWidth = ASys.VirtualWidth, imageScale = ASys.ImageScale;
    float cx = ASys.ViewCentreX, cy = ASys.ViewCentreY, viewScale = ViewScale;
    int w2 = rw2, h2 = rh2, bump = iBump;
    ~SavedView() {
        ASys.FrameW = frameW;
        ASys.FrameH = frameH;
        ASys.AspectRatio = aspect;
        ASys.VirtualWidth = virtualWidth;
        ASys.ImageScale = imageScale;
        ASys.ViewCentreX = cx;
        ASys.ViewCentreY = cy;
        ViewScale = viewScale;
        rw2 = w2;
        rh2 = h2;
        iBump = bump;
    }
};

void Frame(int w, int h) {
    ASys.FrameW = w;
    ASys.FrameH = h;
    ASys.AspectRatio = static_cast<float>(w) / static_cast<float>(h);
}

TEST(EngineLifecycle, ViewFromFramebuffer) {
    SavedView saved;
    KUVOCore& k = Core();
    struct Case {
        int fw, fh;
        float virtualBefore;
        float width, height;
        int w2, h2, bump;
        float virtualAfter, imageScaleAfter;
    };
    const Case cases[] = {
        {1280, 720, 800, 800, 450, 400, 225, 0, 800, 1.0f},
        {800, 600, 800, 800, 600, 400, 300, 0, 800, 1.0f},
        // The first portrait frame is still laid out 800 wide; the switch to
        // 512 applies from the next one.
        {600, 800, 800, 800, 1066.6666f, 400, 533, 0, 512, 1.5625f},
        {600, 800, 512, 512, 682.6667f, 256, 341, 0, 512, 1.5625f},
        {2000, 600, 800, 768, 240, 368, 120, 2, 800, 1.0f},
        {300, 800, 512, 512, 1333.3334f, 256, 650, 1, 512, 1.5625f},
        {1000, 1000, 800, 800, 800, 400, 400, 0, 800, 1.0f},
    };
    for (const Case& c : cases) {
        Frame(c.fw, c.fh);
        ASys.VirtualWidth = c.virtualBefore;
        float width = 0, height = 0;
        KuvoViewFromFrame(k, width, height);
        const std::string at = std::to_string(c.fw) + "x" + std::to_string(c.fh);
        EXPECT_FLOAT_EQ(width, c.width) << at;
        EXPECT_NEAR(height, c.height, 1e-3) << at;
        EXPECT_EQ(rw2, c.w2) << at;
        EXPECT_EQ(rh2, c.h2) << at;
        EXPECT_EQ(iBump, c.bump) << at;
        EXPECT_FLOAT_EQ(ASys.VirtualWidth, c.virtualAfter) << at;
        EXPECT_FLOAT_EQ(ASys.ImageScale, c.imageScaleAfter) << at;
        EXPECT_FLOAT_EQ(ViewScale, 2.0f / c.virtualAfter) << at;
        EXPECT_FLOAT_EQ(ASys.ViewCentreX, static_cast<float>(c.w2)) << at;
        EXPECT_FLOAT_EQ(ASys.ViewCentreY, static_cast<float>(c.h2)) << at;
        EXPECT_EQ(k.ViewWidthInt, static_cast<int>(c.width)) << at;
        EXPECT_EQ(k.ViewHeightInt, static_cast<int>(c.height)) << at;
        EXPECT_EQ(k.RealWidth, c.fw) << at;
        EXPECT_EQ(k.RealHeight, c.fh) << at;
    }
    EXPECT_FLOAT_EQ(2.0f / 800.0f, 0.0025f);
}

TEST(EngineLifecycle, ViewWithoutAnAspectYet) {
    SavedView saved;
    KUVOCore& k = Core();
    float width = 0, height = 0;
    // Before the first render: no ratio yet, but the requested window size.
    ASys.AspectRatio = 0.0f;
    ASys.FrameW = 1600;
    ASys.FrameH = 900;
    ASys.VirtualWidth = 800;
    KuvoViewFromFrame(k, width, height);
    EXPECT_FLOAT_EQ(height, 450.0f);
    // Nothing known at all: a 4:3 view rather than an endless one.
    ASys.AspectRatio = 0.0f;
    ASys.FrameW = 0;
    ASys.FrameH = 0;
    KuvoViewFromFrame(k, width, height);
    EXPECT_FLOAT_EQ(height, 600.0f);
    EXPECT_EQ(rh2, 300);
}

TEST(EngineLifecycle, HandOverEmptiesTheList) {
    SavedView saved;
    KUVOCore& k = Core();
    Frame(800, 600);
    ASys.VirtualWidth = 800;
    k.DebugStats = 0;
    ASys.DrawCount = 0;
    ASys.BlendMode = 1;
    k.Rect(10, 10, 5, 5);
    k.SetBlend(2);
    ASys.FramePolys = 77;
    k.BufferGame();
    EXPECT_EQ(DrawToRT, 2);
    EXPECT_EQ(ASys.DrawCount, 0);
    EXPECT_EQ(ASys.BlendMode, 1);
    EXPECT_EQ(k.PolysShown, 77);

    // With the statistics line, rates of 59 show as 60.
    k.DebugStats = 1;
    k.UpdatesPerSecond = 59;
    k.RendersPerSecond = 59;
    k.BufferGame();
    EXPECT_EQ(k.UpdatesPerSecond, 60);
    EXPECT_EQ(k.RendersPerSecond, 60);
    bool found = false;
    for (int i = 0; i < kuvo::kTempstrCount; ++i) {
        if (std::string(k.Tempstr[i]) == "Update 60fps - Render 60fps - Polys 77") found = true;
    }
    EXPECT_TRUE(found);
    EXPECT_EQ(ASys.DrawCount, 0);
    k.UpdatesPerSecond = 58;
    k.BufferGame();
    EXPECT_EQ(k.UpdatesPerSecond, 58);
    k.DebugStats = 0;
    k.BufferGame();
    EXPECT_EQ(DrawToRT, 0);  // an update that appends nothing hands over nothing
}

TEST(EngineLifecycle, ClockAndIdentity) {
    KUVOCore& k = Core();
    const int savedStart = GameStartTime;
    GameStartTime = KuvoProcessMillis() - 50000;
    EXPECT_GE(k.Mills(), 50000);
    k.SetNum(123);
    EXPECT_EQ(k.GetNum(), 123);
    EXPECT_LT(k.Mills(), 1000);  // the clock starts again
    EXPECT_GE(k.Mills(), 0);
    EXPECT_EQ(k.StartTick(), GameStartTime);
    const int a = KuvoProcessMillis();
    k.Rest(5);
    EXPECT_GE(KuvoProcessMillis() - a, 5);
    k.Rest(-3);  // nothing to wait for

    k.SetTitle("Zindle Flaps");
    EXPECT_EQ(k.GetTitle(), "Zindle Flaps");
    k.SetTitle(std::string(5000, 't'));
    EXPECT_EQ(k.GetTitle().size(), static_cast<size_t>(kuvo::kTitleSize - 1));
    k.GameNumber = kuvo::kGameNumber;
    GameStartTime = savedStart;
}

TEST(EngineLifecycle, ShutDownLines) {
    KUVOCore& k = Core();
    const int savedStart = GameStartTime;
    GameStartTime = KuvoProcessMillis() - 125000;
    testing::internal::CaptureStdout();
    k.Terminate();
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string tail = "Runtime : 2:05\nFarewell happy gamer\n-=-=-=-=-=-=-=-=-\n\n";
    ASSERT_GE(out.size(), tail.size()) << out;
    EXPECT_EQ(out.substr(out.size() - tail.size()), tail) << out;
    GameStartTime = savedStart;
}

}  // namespace
