// Engine lifecycle without a window: Begin's flags, title and seed, the view
// worked out from the framebuffer, RenderGame's rate sample, counter and
// overscan, the hand-over at the end of an update, the clock, shut-down lines.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "KUVOCore.h"
#include "core_internal.h"
#include "headless_start.h"
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

TEST(EngineLifecycle, BeginSetsItsFlagsAndTitleThenSeedsWithTheGameNumber) {
    KUVOCore& k = Core();
    // Every value Begin sets starts out otherwise.
    k.WindowActive = 0;
    k.GameNumber = 7;
    k.MixControllers = 0;
    DebugToggle = 1;
    k.DebugStats = 0;
    ScreenshotToggle = 1;
    k.ShotMode = 1;
    RenderThread = 3;
    std::snprintf(k.Title, sizeof k.Title, "stale");
    qRand_Count = 70;
    qRand_Out = 5;
    const std::string title = "Zindle Flaps " + std::string(2000, 't');  // longer than the title holds

    std::string out;
    const int before = KuvoProcessMillis();
    {
        HeadlessStart headless;
        testing::internal::CaptureStderr();
        testing::internal::CaptureStdout();
        k.Begin(kuvo::kGameNumber, title);
        out = testing::internal::GetCapturedStdout();
        testing::internal::GetCapturedStderr();
    }
    const int after = KuvoProcessMillis();

    // The banner comes first, before anything the backend's start-up logs.
    EXPECT_EQ(out.rfind("\n-=-=-=-=-=-=-=-=-\nKUVOFrame - v0.95", 0), 0u) << out;
    EXPECT_LT(out.find("KUVOFrame"), out.find("> Initialisation Failed")) << out;
    EXPECT_EQ(k.WindowActive, 1);
    EXPECT_EQ(k.GameNumber, kuvo::kGameNumber);
    EXPECT_EQ(k.MixControllers, 1);
    EXPECT_EQ(DebugToggle, 0);
    EXPECT_EQ(k.DebugStats, 1);
    EXPECT_EQ(ScreenshotToggle, 0);
    EXPECT_EQ(k.ShotMode, 0);
    EXPECT_EQ(RenderThread, 0);
    EXPECT_GE(GameStartTime, before);
    EXPECT_LE(GameStartTime, after);
    // The title is kept as far as it fits, and the backend got the same.
    EXPECT_EQ(std::string(k.Title), title.substr(0, kuvo::kTitleSize - 1));
    EXPECT_EQ(std::string(GameTitleSys), title.substr(0, kuvo::kSysTextSize - 1));
    // Seeded from the clock of this start, with the game number just set.
    EXPECT_GE(qRand_Seed, 0);
    EXPECT_LE(qRand_Seed, after - GameStartTime);
    EXPECT_EQ(qRand_Plus, qRand_Seed / 256 + kuvo::kGameNumber);
    EXPECT_EQ(qRand_Bit, qRand_Seed % 256);
    EXPECT_EQ(qRand_Count, 0);
    EXPECT_EQ(qRand_Out, 0);

    testing::internal::CaptureStdout();
    ASys.Close();
    testing::internal::GetCapturedStdout();
}

TEST(EngineLifecycle, RenderGameSamplesTheRenderRateOnceASecond) {
    SavedView saved;
    KUVOCore& k = Core();
    Frame(800, 600);
    ASys.VirtualWidth = 800;
    DrawToRT = 0;
    const int savedStart = GameStartTime;
    GameStartTime = KuvoProcessMillis() - 100000;
    // The last sample's time relative to now. Each case stays on its side of
    // the limit however slowly the machine runs.
    const struct {
        int offsetMs;
        bool samples;
    } cases[] = {
        {0, false},       // just sampled
        {500, false},     // the last sample lies ahead of the clock, by less than a second
        {999, false},
        {-1000, true},    // a second has gone by
        {-250000, true},
        {5000, true},     // the clock went back by more than a second
    };
    for (const auto& c : cases) {
        RenderCountLive = 4;
        k.RendersPerSecond = 33;
        const int now = k.Mills();
        k.RenderSecond = now + c.offsetMs;
        float width = 0, height = 0;
        k.RenderGame(width, height);
        if (c.samples) {
            EXPECT_EQ(k.RendersPerSecond, 5) << c.offsetMs;  // this render counts
            EXPECT_EQ(RenderCountLive, 0) << c.offsetMs;
            EXPECT_GE(k.RenderSecond, now) << c.offsetMs;
            EXPECT_LE(k.RenderSecond, k.Mills()) << c.offsetMs;
        } else {
            EXPECT_EQ(k.RendersPerSecond, 33) << c.offsetMs;
            EXPECT_EQ(RenderCountLive, 5) << c.offsetMs;
            EXPECT_EQ(k.RenderSecond, now + c.offsetMs) << c.offsetMs;
        }
    }
    GameStartTime = savedStart;
}

TEST(EngineLifecycle, RenderGameCountsDrawsWithItsOverscanThenWorksOutTheView) {
    SavedView saved;
    KUVOCore& k = Core();
    DrawToRT = 0;
    float width = 0, height = 0;

    // The counter cycles 0..4, one step a render.
    RenderThread = 0;
    for (int expected : {1, 2, 3, 4, 0, 1}) {
        k.RenderGame(width, height);
        EXPECT_EQ(RenderThread, expected);
    }

    // The renderer gets the engine's overscan.
    k.Overscan = 0.2f;
    k.RenderGame(width, height);
    EXPECT_FLOAT_EQ(OverscanScaleX, 1.0f / 0.9f);
    k.Overscan = 0.0f;
    k.RenderGame(width, height);
    EXPECT_FLOAT_EQ(OverscanScaleX, 1.0f);

    // A portrait frame after a landscape one: this render is still laid out
    // 800 wide, the next one 512.
    Frame(600, 800);
    ASys.VirtualWidth = 800;
    k.RenderGame(width, height);
    EXPECT_FLOAT_EQ(width, 800.0f);
    EXPECT_NEAR(height, 1066.6666f, 1e-3);
    EXPECT_FLOAT_EQ(ASys.VirtualWidth, 512.0f);
    EXPECT_FLOAT_EQ(ASys.ImageScale, 1.5625f);
    EXPECT_EQ(k.ViewWidthInt, 800);
    EXPECT_EQ(k.ViewHeightInt, 1066);
    k.RenderGame(width, height);
    EXPECT_FLOAT_EQ(width, 512.0f);
    EXPECT_NEAR(height, 682.6667f, 1e-3);
    EXPECT_FLOAT_EQ(ViewScale, 2.0f / 512.0f);
    EXPECT_EQ(k.RealWidth, 600);
    EXPECT_EQ(k.RealHeight, 800);
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
