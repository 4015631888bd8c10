// Draw-state setters: colours and their clamping, the Ink palette, hue
// rotation, sizes, thickness, the clear colour and its fade, and the blend
// records. No window; the draw list is reset around every test.

#include "engine_draw_fixture.h"

namespace {

using drawtest::DrawFixture;

class EngineDrawState : public DrawFixture {
protected:
    static void ExpectInk(float r, float g, float b, float a) {
        EXPECT_NEAR(ASys.InkR, r, 0.01f);
        EXPECT_NEAR(ASys.InkG, g, 0.01f);
        EXPECT_NEAR(ASys.InkB, b, 0.01f);
        EXPECT_NEAR(ASys.InkA, a, 0.01f);
        EXPECT_EQ(ASys.InkR2, ASys.InkR);
        EXPECT_EQ(ASys.InkG2, ASys.InkG);
        EXPECT_EQ(ASys.InkB2, ASys.InkB);
        EXPECT_EQ(ASys.InkA2, ASys.InkA);
    }
    static void ExpectClear(float r, float g, float b) {
        EXPECT_NEAR(ASys.ClsR, r, 0.01f);
        EXPECT_NEAR(ASys.ClsG, g, 0.01f);
        EXPECT_NEAR(ASys.ClsB, b, 0.01f);
        EXPECT_EQ(ASys.ClsTargetR, ASys.ClsR);
        EXPECT_EQ(ASys.ClsTargetG, ASys.ClsG);
        EXPECT_EQ(ASys.ClsTargetB, ASys.ClsB);
        EXPECT_EQ(ASys.ClsFade, 1.0f);
    }
};

TEST_F(EngineDrawState, ResetDrawRestoresDefaultsButKeepsBlendAndClear) {
    core.SetSize(3);
    core.SetCol(1, 2, 3, 0.1f);
    core.SetRot(45);
    core.SetLineThickness(9);
    core.SetDepth(0.1f, 0.9f);
    core.SetCLS(10, 20, 30);
    ASys.BlendMode = 3;
    ASys.DrawCount = 5;
    core.ResetDraw();
    EXPECT_FLOAT_EQ(ASys.SizeX, 400.0f);
    EXPECT_FLOAT_EQ(ASys.SizeY, -400.0f);
    ExpectInk(255, 255, 255, 255);
    EXPECT_EQ(ASys.DrawRot, 0.0f);
    EXPECT_EQ(ASys.LineThick, 0.5f);
    EXPECT_EQ(ASys.Depth1, 0.5f);
    EXPECT_EQ(ASys.Depth2, 0.5f);
    EXPECT_EQ(ASys.BlendMode, 3);
    EXPECT_EQ(ASys.DrawCount, 5);
    ExpectClear(10, 20, 30);
}

TEST_F(EngineDrawState, SizeIsStoredOverTheViewScaleWithYNegated) {
    core.SetSize(2);
    EXPECT_FLOAT_EQ(ASys.SizeX, 800.0f);
    EXPECT_FLOAT_EQ(ASys.SizeY, -800.0f);
    core.SetSize(2, 3);
    EXPECT_FLOAT_EQ(ASys.SizeX, 800.0f);
    EXPECT_FLOAT_EQ(ASys.SizeY, -1200.0f);
    ViewScale = 2.0f / 512.0f;  // portrait view
    core.SetSize(1);
    EXPECT_FLOAT_EQ(ASys.SizeX, 256.0f);
    EXPECT_FLOAT_EQ(ASys.SizeY, -256.0f);
}

TEST_F(EngineDrawState, InkPaletteByRemainder) {
    struct Case {
        int n;
        float r, g, b;
    };
    const Case cases[] = {
        {0, 0, 0, 0},        {1, 255, 0, 0},     {2, 255, 128, 0},  {3, 255, 255, 0},   {4, 0, 255, 0},
        {5, 0, 255, 255},    {6, 0, 0, 255},     {7, 180, 0, 255},  {8, 255, 0, 180},   {9, 255, 255, 255},
        {13, 255, 255, 0},   {-3, 255, 255, 255}, {-10, 0, 0, 0},   {-2147483647 - 1, 255, 255, 255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.n);
        core.SetAlpha(0);
        core.Ink(c.n);
        ExpectInk(c.r, c.g, c.b, 255);
    }
}

TEST_F(EngineDrawState, ColoursAndAlphasClampTo0And255) {
    core.SetCol(-20, 300, 12.5f);
    ExpectInk(0, 255, 12.5f, 255);  // alpha untouched by the three-value form
    core.SetCol(1, 2, 3, 0.5f);
    ExpectInk(1, 2, 3, 127.5f);
    core.SetAlpha(2);
    ExpectInk(1, 2, 3, 255);
    core.Alpha(-1);
    ExpectInk(1, 2, 3, 0);
    core.SetCol(NAN, 10, 10, NAN);
    ExpectInk(0, 10, 10, 0);
}

TEST_F(EngineDrawState, GradientPutsTheFirstColourOnTopAndTheSecondBelow) {
    core.SetGradient(10, 20, 30, 0.5f, 300, -4, 40, 2);
    EXPECT_EQ(ASys.InkR2, 10);
    EXPECT_EQ(ASys.InkG2, 20);
    EXPECT_EQ(ASys.InkB2, 30);
    EXPECT_FLOAT_EQ(ASys.InkA2, 127.5f);
    EXPECT_EQ(ASys.InkR, 255);
    EXPECT_EQ(ASys.InkG, 0);
    EXPECT_EQ(ASys.InkB, 40);
    EXPECT_EQ(ASys.InkA, 255);
}

TEST_F(EngineDrawState, HueRotationThroughHsv) {
    struct Case {
        double h, s, v;
        float r, g, b;
    };
    const Case cases[] = {
        {0, 1, 1, 255, 0, 0},       {60, 1, 1, 255, 255, 0},    {120, 1, 1, 0, 255, 0},
        {180, 1, 1, 0, 255, 255},   {240, 1, 1, 0, 0, 255},     {300, 1, 1, 255, 0, 255},
        {360, 1, 1, 255, 0, 0},     {720 + 120, 1, 1, 0, 255, 0}, {30, 1, 0.5, 127.5f, 63.75f, 0},
        {200, 0, 0.4, 102, 102, 102}, {90, -1, 1, 255, 255, 255},
        // Negative hues keep their sign through fmod; results clamp.
        {-30, 1, 1, 255, 0, 0},     {-90, 1, 1, 255, 0, 255},
        {NAN, 1, 1, 255, 0, 0},     {INFINITY, 1, 1, 255, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "h " << c.h << " s " << c.s << " v " << c.v);
        core.SetAlpha(0);
        core.InkRot(c.h, c.s, c.v);
        ExpectInk(c.r, c.g, c.b, 255);
    }
    core.InkRot(120.0);
    ExpectInk(0, 255, 0, 255);
    core.InkRot(0.0, 0.0);
    ExpectInk(255, 255, 255, 255);
    core.HSV2RGB(240, 1, 1);
    ExpectInk(0, 0, 255, 255);
}

TEST_F(EngineDrawState, LineThicknessStoresHalfWithAFloor) {
    core.SetLineThickness(0);
    EXPECT_FLOAT_EQ(ASys.LineThick, 0.025f);
    core.SetLineThickness(4);
    EXPECT_FLOAT_EQ(ASys.LineThick, 2.0f);
    core.SetLineThickness(-3);
    EXPECT_FLOAT_EQ(ASys.LineThick, 0.025f);
    void (*const aliases[])(KUVOCore&, float) = {
        [](KUVOCore& c, float t) { c.Width(t); },
        [](KUVOCore& c, float t) { c.Thick(t); },
        [](KUVOCore& c, float t) { c.SetLineWidth(t); },
        [](KUVOCore& c, float t) { c.SetLineThick(t); },
    };
    for (auto alias : aliases) {
        ASys.LineThick = 0;
        alias(core, 3);
        EXPECT_FLOAT_EQ(ASys.LineThick, 1.5f);
    }
}

TEST_F(EngineDrawState, RotationAndDepth) {
    core.SetRot(-725);
    EXPECT_EQ(ASys.DrawRot, -725.0f);
    core.SetDepth(0.25f);
    EXPECT_EQ(ASys.Depth1, 0.25f);
    EXPECT_EQ(ASys.Depth2, 0.25f);
    core.Depth(0.1f, 0.7f);
    EXPECT_EQ(ASys.Depth1, 0.1f);
    EXPECT_EQ(ASys.Depth2, 0.7f);
    core.Depth(3);
    EXPECT_EQ(ASys.Depth2, 3.0f);
    core.SetDepth(4, 5);
    EXPECT_EQ(ASys.Depth1, 4.0f);
}

TEST_F(EngineDrawState, ClearColourSetsCurrentAndTarget) {
    ASys.ClsFade = 7;
    core.SetCLS(-1, 128, 999);
    ExpectClear(0, 128, 255);
    ASys.ClsFade = 7;
    core.CLS(5, 6, 7);
    ExpectClear(5, 6, 7);
}

TEST_F(EngineDrawState, FadeSetsOnlyTheTargetAndSnapsWhenItCouldNeverSettle) {
    core.SetCLS(10, 10, 10);
    core.FadeCLS(20, 300, -5, 8);
    EXPECT_EQ(ASys.ClsR, 10);
    EXPECT_EQ(ASys.ClsTargetR, 20);
    EXPECT_EQ(ASys.ClsTargetG, 255);
    EXPECT_EQ(ASys.ClsTargetB, 0);
    EXPECT_EQ(ASys.ClsFade, 8);
    core.FadeCLS(30, 30, 30, 0.75f);  // overshoots but converges: kept
    EXPECT_EQ(ASys.ClsR, 10);
    EXPECT_EQ(ASys.ClsFade, 0.75f);
    for (float divisor : {0.5f, 0.25f, 0.0f, -3.0f, NAN}) {
        SCOPED_TRACE(divisor);
        core.SetCLS(10, 10, 10);
        core.FadeCLS(40, 50, 60, divisor);
        ExpectClear(40, 50, 60);
    }
}

TEST_F(EngineDrawState, ClearColourCyclesWithAPhase) {
    struct Case {
        float angle, low, high, r, g, b;
    };
    const Case cases[] = {
        {0, 0, 100, 100, 186.603f, 13.397f},
        {90, 50, 200, 255, 125, 125},
        {0, 200, 100, 100, 13.397f, 186.603f},   // low above high runs the other way
        {0, -50, 300, 255, 255, 34.167f},        // low and high clamp first
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.angle);
        ASys.ClsFade = 9;
        core.SetCLSRot(c.angle, c.low, c.high);
        ExpectClear(c.r, c.g, c.b);
    }
}

TEST_F(EngineDrawState, BlendAppendsARecordOnlyOnAChange) {
    core.SetBlend(1);  // already 1 after a hand-over
    EXPECT_EQ(ASys.DrawCount, 0);
    core.SetBlend(2);
    core.SetBlend(2);
    EXPECT_EQ(ASys.DrawCount, 1);
    EXPECT_EQ(ASys.BlendMode, 2);
    ExpectRecord(0, 50, {{1, 2}});
    core.SetBlend(7);  // unchecked: the renderer ignores modes it does not know
    core.SetBlend(1);
    EXPECT_EQ(ASys.DrawCount, 3);
    ExpectRecord(1, 50, {{1, 7}});
    ExpectRecord(2, 50, {{1, 1}});
    EXPECT_EQ(ASys.BlendMode, 1);
}

TEST_F(EngineDrawState, GradientClearDrawsAnOversizedRectangleAndKeepsTheGradient) {
    core.ViewWidthInt = 800;
    core.ViewHeightInt = 451;
    core.SetRot(10);
    core.CLSGradient(10, 20, 30, 1, 40, 50, 60, 0.5f);
    ASSERT_EQ(ASys.DrawCount, 1);
    // Centre (400, 225) from integer halves; 256 units of margin.
    ExpectRecord(0, 1, {{1, 0}, {2, -75}, {3, 1056}, {4, -707},
                        {10, 127.5}, {11, 40}, {12, 50}, {13, 60}, {14, 255}, {15, 10}, {16, 20}, {17, 30},
                        {18, 10}});
    EXPECT_EQ(ASys.InkR2, 10);
    EXPECT_EQ(ASys.InkR, 40);
}

}  // namespace
