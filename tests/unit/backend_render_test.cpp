// The frame renderer without a window: it issues no GL call but still fades
// the clear colour, counts polygons and batches, and fixes out-of-range frames
// in the render-side list; the framebuffer size stays as it was.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "sys_internal.h"

namespace {

class BackendRender : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(window, nullptr);
        DrawToRT = 0;
        ASys.VirtualWidth = 800.0f;
        ASys.ButtonFlags[66] = 0;
        for (int s = 0; s < kuvo::kImageSlots; ++s) ASys.SlotFrames[s] = -1;
        // slot 3: an 8-frame buffer-backed sheet; slot 102 never grabbed
        ASys.Buffer_Create(3, 64);
        ASys.SlotFrames[3] = 8;
        iFramesW[3] = 4;
        iFramesWz[3] = 0.25f;
        ASys.SlotFrames[102] = 0;
        iSize[102] = 0;
        iFramesW[102] = 0;
        Image[102].clear();
        RenderCounters = {0, 0, 0};
    }
    void TearDown() override { DrawToRT = 0; }
    double* Add(int kind, double slot = 0, double frame = 0) {
        double* r = DrawR[DrawToRT++];
        memset(r, 0, sizeof(double) * kuvo::kDrawValues);
        r[0] = kind;
        r[3] = 10;
        r[4] = -10;
        r[28] = slot;
        r[29] = frame;
        return r;
    }
};

TEST_F(BackendRender, WithoutAWindowTheFrameSizeStays) {
    ASys.FrameW = 1280;
    ASys.FrameH = 720;
    ASys.AspectRatio = 1280.0f / 720.0f;
    ASys.RenderSys(0.0f);
    EXPECT_EQ(ASys.FrameW, 1280);
    EXPECT_EQ(ASys.FrameH, 720);
    EXPECT_FLOAT_EQ(ASys.AspectRatio, 1280.0f / 720.0f);
    EXPECT_FLOAT_EQ(OverscanScaleX, 1.0f);
}

TEST_F(BackendRender, FramebufferSizeWithAZeroSideKeepsTheLastOne) {
    struct Case {
        int w, h;
        int frameW, frameH;
        float aspect;
    };
    // In order, each starting from the state the one before left.
    const Case cases[] = {
        {1280, 720, 1280, 720, 1280.0f / 720.0f},
        {0, 0, 1280, 720, 1280.0f / 720.0f},    // minimised
        {0, 500, 1280, 720, 1280.0f / 720.0f},
        {500, 0, 1280, 720, 1280.0f / 720.0f},
        {-3, 400, 1280, 720, 1280.0f / 720.0f},
        {600, 800, 600, 800, 0.75f},
        {801, 601, 801, 601, 801.0f / 601.0f},  // a ratio, not an integer division
    };
    const int savedW = ASys.FrameW, savedH = ASys.FrameH;
    const float savedAspect = ASys.AspectRatio;
    ASys.FrameW = 800;
    ASys.FrameH = 600;
    ASys.AspectRatio = 0.0f;
    for (const Case& c : cases) {
        KuvoTakeFrameSize(c.w, c.h);
        EXPECT_EQ(ASys.FrameW, c.frameW) << c.w << "x" << c.h;
        EXPECT_EQ(ASys.FrameH, c.frameH) << c.w << "x" << c.h;
        EXPECT_FLOAT_EQ(ASys.AspectRatio, c.aspect) << c.w << "x" << c.h;
    }
    // Minimised before the first real measurement: the requested window size
    // still gives a ratio.
    ASys.FrameW = 800;
    ASys.FrameH = 600;
    ASys.AspectRatio = 0.0f;
    KuvoTakeFrameSize(0, 0);
    EXPECT_FLOAT_EQ(ASys.AspectRatio, 800.0f / 600.0f);
    ASys.FrameW = savedW;
    ASys.FrameH = savedH;
    ASys.AspectRatio = savedAspect;
}

TEST_F(BackendRender, ClearColourFadesOncePerRender) {
    ASys.ClsR = 0;
    ASys.ClsTargetR = 100;
    ASys.ClsG = ASys.ClsTargetG = 50;
    ASys.ClsB = 0;
    ASys.ClsTargetB = 1;  // one unit away: snaps at once
    ASys.ClsFade = 10;
    int renders = 0;
    while (ASys.ClsR != 100.0f && renders < 100) {
        ASys.RenderSys(0.0f);
        ++renders;
        if (renders == 1) {
            EXPECT_FLOAT_EQ(ASys.ClsR, 10.0f);
            EXPECT_EQ(ASys.ClsB, 1.0f);
        }
    }
    EXPECT_EQ(renders, 38);
    EXPECT_EQ(ASys.ClsG, 50.0f);
}

TEST_F(BackendRender, DivisorsThatWouldBlowUpSnapAndColoursStayInRange) {
    for (float fade : {0.0f, 0.5f, -3.0f, NAN}) {
        SCOPED_TRACE(fade);
        ASys.ClsR = 20;
        ASys.ClsTargetR = 200;
        ASys.ClsG = 900;  // out of range, as a hand-made state could be
        ASys.ClsTargetG = 900;
        ASys.ClsB = NAN;
        ASys.ClsTargetB = 30;
        ASys.ClsFade = fade;
        ASys.RenderSys(0.0f);
        EXPECT_EQ(ASys.ClsR, 200.0f);
        EXPECT_EQ(ASys.ClsG, 255.0f);
        EXPECT_EQ(ASys.ClsB, 30.0f);
    }
}

TEST_F(BackendRender, PolygonCountsPerKind) {
    struct Case {
        int kind, polys;
    } cases[] = {{1, 2}, {2, 2}, {3, 36}, {4, 2}, {5, 36}, {6, 2}, {11, 2}, {12, 2}, {13, 2},
                 {7, 0}, {60, 0}, {50, 0}, {0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        DrawToRT = 0;
        Add(c.kind, 3);
        ASys.RenderSys(0.0f);
        EXPECT_EQ(ASys.FramePolys, c.polys);
    }
}

TEST_F(BackendRender, OutOfRangeFramesBecomeFrameZeroInTheList) {
    double* nine = Add(11, 3, 9);
    double* minus = Add(11, 3, -1);
    double* nan = Add(12, 3, NAN);
    double* seven = Add(13, 3, 7);
    ASys.RenderSys(0.0f);
    EXPECT_EQ(nine[29], 0.0);
    EXPECT_EQ(minus[29], 0.0);
    EXPECT_EQ(nan[29], 0.0);
    EXPECT_EQ(seven[29], 7.0);
    EXPECT_EQ(ASys.FramePolys, 8);
}

TEST_F(BackendRender, SlotsThatCannotBeDrawnDrawNothingAndKeepTheBatch) {
    Add(1);
    Add(11, 102);          // screen copy never made: texture side 0
    Add(12, 102);          // never through four corners
    Add(11, 100);
    Add(11, 101);
    Add(11, 60);           // empty
    Add(11, 105);
    Add(11, -1);
    Add(11, 1e300);
    Add(1);
    ASys.RenderSys(0.0f);
    EXPECT_EQ(ASys.FramePolys, 4);
    EXPECT_EQ(RenderCounters.batches, 1);
}

TEST_F(BackendRender, BatchesFollowTextureChangesBlendRecordsAndTheirSize) {
    // alternating shape and sprite: one batch per record
    for (int i = 0; i < 10; ++i) Add(i % 2 == 0 ? 1 : 11, 3);
    ASys.RenderSys(0.0f);
    EXPECT_EQ(RenderCounters.batches, 10);

    // one sheet: a single batch; a blend record splits it
    RenderCounters = {0, 0, 0};
    DrawToRT = 0;
    for (int i = 0; i < 10; ++i) Add(11, 3, i % 8);
    Add(50)[1] = 2;
    Add(11, 3);
    ASys.RenderSys(0.0f);
    EXPECT_EQ(RenderCounters.batches, 2);

    // kinds 11, 13, 11 of one slot: three textures in turn
    RenderCounters = {0, 0, 0};
    DrawToRT = 0;
    Add(11, 3);
    Add(13, 3);
    Add(11, 3);
    ASys.RenderSys(0.0f);
    EXPECT_EQ(RenderCounters.batches, 3);

    // past 50,000 primitives the next record starts a new batch
    RenderCounters = {0, 0, 0};
    DrawToRT = 0;
    for (int i = 0; i < 1400; ++i) Add(3);
    ASys.RenderSys(0.0f);
    EXPECT_EQ(RenderCounters.batches, 2);
    EXPECT_EQ(ASys.FramePolys, 1400 * 36);
    EXPECT_EQ(RenderCounters.uploads, 0);    // no GL without a window
    EXPECT_EQ(RenderCounters.drawCalls, 0);
}

}  // namespace
