// Shape commands: the record each one appends (kind and values 1..29), its
// result, the geometry of triangles and line bands, and the refusal of records
// once the draw list is full. No window.

#include <functional>
#include <vector>

#include "engine_draw_fixture.h"

namespace {

using drawtest::DrawFixture;

class EngineDrawShapes : public DrawFixture {};

struct RecordCase {
    const char* name;
    std::function<void(KUVOCore&)> draw;
    int kind;
    std::map<int, double> values;
};

// The view is 800 x 600 with its centre at (400, 300); size 1 unless a case
// sets another.
TEST_F(EngineDrawShapes, EachCommandAppendsItsRecord) {
    const double s3 = 8.660254;  // 10 x sin 60
    const std::vector<RecordCase> cases = {
        {"Rect", [](KUVOCore& c) { c.Rect(410, 320, 30, 10); }, 1, {{1, 10}, {2, 20}, {3, 30}, {4, -10}}},
        {"Rect square", [](KUVOCore& c) { c.Rect(0, 0, 5); }, 1, {{1, -400}, {2, -300}, {3, 5}, {4, -5}}},
        {"Plot", [](KUVOCore& c) { c.Plot(10, 20); }, 1, {{1, -390}, {2, -280}, {3, 1}, {4, -1}}},
        {"Rect_UL", [](KUVOCore& c) { c.Rect_UL(0, 0, 10, 4); }, 1, {{1, -395}, {2, -298}, {3, 10}, {4, -4}}},
        {"Rect_UL square", [](KUVOCore& c) { c.Rect_UL(0, 0, 6); }, 1, {{1, -397}, {2, -297}, {3, 6}, {4, -6}}},
        {"Rect size 2", [](KUVOCore& c) { c.SetSize(2); c.Rect(0, 0, 10, 10); }, 1,
         {{1, -400}, {2, -300}, {3, 20}, {4, -20}}},
        {"Rect size 2x3 rotated", [](KUVOCore& c) { c.SetSize(2, 3); c.SetRot(30); c.Rect(400, 300, 10, 10); }, 1,
         {{1, 0}, {2, 0}, {3, 20}, {4, -30}}},
        {"Quad ignores size", [](KUVOCore& c) { c.SetSize(2); c.Quad(1, 2, 3, 4, 5, 6, 7, 8); }, 2,
         {{1, -399}, {2, -298}, {3, -397}, {4, -296}, {5, -395}, {6, -294}, {7, -393}, {8, -292}}},
        {"Oval", [](KUVOCore& c) { c.Oval(100, 100, 10, 10); }, 3, {{1, -300}, {2, -200}, {3, 10}, {4, -10}}},
        {"Oval radius", [](KUVOCore& c) { c.Oval(100, 100, 5); }, 3, {{1, -300}, {2, -200}, {3, 10}, {4, -10}}},
        {"Circle", [](KUVOCore& c) { c.Circle(100, 100, 5); }, 3, {{1, -300}, {2, -200}, {3, 10}, {4, -10}}},
        {"Oval_UL", [](KUVOCore& c) { c.Oval_UL(95, 95, 10, 10); }, 3, {{1, -300}, {2, -200}, {3, 10}, {4, -10}}},
        {"Oval_UL radius", [](KUVOCore& c) { c.Oval_UL(95, 95, 5); }, 3, {{1, -300}, {2, -200}, {3, 10}, {4, -10}}},
        {"Circle_UL", [](KUVOCore& c) { c.Circle_UL(95, 95, 5); }, 3, {{1, -300}, {2, -200}, {3, 10}, {4, -10}}},
        {"Oval size 0.5", [](KUVOCore& c) { c.SetSize(0.5f); c.Oval(400, 300, 10, 6); }, 3,
         {{1, 0}, {2, 0}, {3, 5}, {4, -3}}},
        {"FullTri", [](KUVOCore& c) { c.SetSize(3); c.FullTri(0, 0, 10, 0, 0, 10); }, 6,
         {{1, -400}, {2, -300}, {3, -390}, {4, -300}, {5, -400}, {6, -290}}},
        {"Tri", [](KUVOCore& c) { c.Tri(400, 300, 10, 10); }, 6,
         {{1, 0}, {2, -10}, {3, s3}, {4, 5}, {5, -s3}, {6, 5}}},
        {"Tri rotated 90 turns clockwise", [](KUVOCore& c) { c.SetRot(90); c.Tri(400, 300, 10, 10); }, 6,
         {{1, 10}, {2, 0}, {3, -5}, {4, s3}, {5, -5}, {6, -s3}}},
        {"Tri size 2, radii 10 x 5", [](KUVOCore& c) { c.SetSize(2); c.Tri(400, 300, 10, 5); }, 6,
         {{1, 0}, {2, -10}, {3, 2 * s3}, {4, 5}, {5, -2 * s3}, {6, 5}}},
        {"Tri_Fix", [](KUVOCore& c) { c.Tri_Fix(400, 300, 10, 10, 1); }, 6,
         {{1, 0}, {2, -5}, {3, s3}, {4, 10}, {5, -s3}, {6, 10}}},
        {"Tri_Fix rotated 90", [](KUVOCore& c) { c.SetRot(90); c.Tri_Fix(400, 300, 10, 10, 2); }, 6,
         {{1, 0}, {2, 0}, {3, -15}, {4, s3}, {5, -15}, {6, -s3}}},
        {"Fan", [](KUVOCore& c) { c.Fan(400, 300, 7); }, 5, {{1, 0}, {2, 0}, {3, 14}, {4, -14}}},
        {"Fan size 2", [](KUVOCore& c) { c.SetSize(2); c.Fan(410, 290, 7); }, 5,
         {{1, 10}, {2, -10}, {3, 28}, {4, -28}}},
        {"Line horizontal, thickness 2", [](KUVOCore& c) { c.SetLineThickness(2); c.Line(400, 300, 410, 300); }, 2,
         {{1, 0}, {2, 1}, {3, 10}, {4, 1}, {5, 10}, {6, -1}, {7, 0}, {8, -1}}},
        {"Line vertical ignores size", [](KUVOCore& c) { c.SetSize(3); c.SetLineThickness(2); c.Line(400, 300, 400, 310); },
         2, {{1, -1}, {2, 0}, {3, -1}, {4, 10}, {5, 1}, {6, 10}, {7, 1}, {8, 0}}},
    };
    for (const RecordCase& c : cases) {
        SCOPED_TRACE(c.name);
        Prepare();
        c.draw(core);
        ASSERT_EQ(ASys.DrawCount, 1);
        ExpectRecord(0, c.kind, c.values);
    }
}

TEST_F(EngineDrawShapes, CountingCommandsReturnTheNewCount) {
    EXPECT_EQ(core.Rect(1, 1, 1, 1), 1);
    EXPECT_EQ(core.Rect(1, 1, 1), 2);
    EXPECT_EQ(core.Plot(1, 1), 3);
    EXPECT_EQ(core.Rect_UL(1, 1, 1), 4);
    EXPECT_EQ(core.Rect_UL(1, 1, 1, 1), 5);
    EXPECT_EQ(core.Oval(1, 1, 1, 1), 6);
    EXPECT_EQ(core.Oval(1, 1, 1), 7);
    EXPECT_EQ(core.Circle(1, 1, 1), 8);
    EXPECT_EQ(core.Oval_UL(1, 1, 1, 1), 9);
    EXPECT_EQ(core.Oval_UL(1, 1, 1), 10);
    EXPECT_EQ(core.Circle_UL(1, 1, 1), 11);
    EXPECT_EQ(core.FullTri(1, 1, 2, 2, 3, 1), 12);
    EXPECT_EQ(core.Fan(1, 1, 1), 13);
    core.Quad(0, 0, 1, 0, 1, 1, 0, 1);
    core.Tri(1, 1, 1, 1);
    core.Tri_Fix(1, 1, 1, 1, 1);
    core.Line(0, 0, 5, 5);
    EXPECT_EQ(ASys.DrawCount, 17);
}

TEST_F(EngineDrawShapes, RecordsTakeTheCurrentColoursRotationAndDepth) {
    core.SetGradient(10, 20, 30, 0.2f, 40, 50, 60, 0.4f);
    core.SetRot(33);
    core.SetDepth(0.1f, 0.2f);
    core.SetLineThickness(3);
    core.Rect(400, 300, 2, 2);
    ExpectRecord(0, 1, {{1, 0}, {2, 0}, {3, 2}, {4, -2}, {10, 102}, {11, 40}, {12, 50}, {13, 60},
                        {14, 51}, {15, 10}, {16, 20}, {17, 30}, {18, 33}, {19, 1.5}, {20, 0},
                        {21, 0.1}, {22, 0.2}, {23, 0}, {24, 0}, {25, 0}});
}

// The band between two points keeps its sides perpendicular to the line, its
// width twice the half thickness and its ends at the two points, at any angle.
TEST_F(EngineDrawShapes, LineBandIsPerpendicularAtEveryAngle) {
    for (int deg = 0; deg < 360; deg += 15) {
        SCOPED_TRACE(deg);
        Prepare();
        core.SetLineThickness(4);
        const double dx = 20 * std::cos(deg * M_PI / 180), dy = 20 * std::sin(deg * M_PI / 180);
        core.Line(400, 300, static_cast<float>(400 + dx), static_cast<float>(300 + dy));
        const double* r = ASys.DrawList[0];
        // Midpoints of the two ends are the end points.
        EXPECT_NEAR((r[1] + r[7]) / 2, 0, 1e-3);
        EXPECT_NEAR((r[2] + r[8]) / 2, 0, 1e-3);
        EXPECT_NEAR((r[3] + r[5]) / 2, dx, 1e-3);
        EXPECT_NEAR((r[4] + r[6]) / 2, dy, 1e-3);
        // The end edge (corner 1 to corner 4) is 4 long and at right angles.
        const double ex = r[1] - r[7], ey = r[2] - r[8];
        EXPECT_NEAR(std::hypot(ex, ey), 4, 1e-3);
        EXPECT_NEAR(ex * dx + ey * dy, 0, 1e-2);
    }
}

TEST_F(EngineDrawShapes, ZeroLengthLineIsAnEmptyBand) {
    core.Line(100, 100, 100, 100);
    ASSERT_EQ(ASys.DrawCount, 1);
    const double* r = ASys.DrawList[0];
    EXPECT_EQ(r[0], 2);
    for (int v = 1; v <= 8; ++v) EXPECT_TRUE(std::isfinite(r[v])) << v;
}

TEST_F(EngineDrawShapes, FullListRefusesRecordsAndKeepsCountAndState) {
    const std::vector<std::pair<const char*, std::function<void(KUVOCore&)>>> commands = {
        {"Rect", [](KUVOCore& c) { c.Rect(1, 2, 3, 4); }},
        {"Plot", [](KUVOCore& c) { c.Plot(1, 2); }},
        {"Quad", [](KUVOCore& c) { c.Quad(1, 2, 3, 4, 5, 6, 7, 8); }},
        {"Oval", [](KUVOCore& c) { c.Oval(1, 2, 3, 4); }},
        {"Circle_UL", [](KUVOCore& c) { c.Circle_UL(1, 2, 3); }},
        {"FullTri", [](KUVOCore& c) { c.FullTri(1, 2, 3, 4, 5, 6); }},
        {"Tri", [](KUVOCore& c) { c.Tri(1, 2, 3, 4); }},
        {"Tri_Fix", [](KUVOCore& c) { c.Tri_Fix(1, 2, 3, 4, 1); }},
        {"Fan", [](KUVOCore& c) { c.Fan(1, 2, 3); }},
        {"Line", [](KUVOCore& c) { c.Line(1, 2, 3, 4); }},
        {"SetBlend", [](KUVOCore& c) { c.SetBlend(3); }},
    };
    const double last = ASys.DrawList[kuvo::kDrawListCapacity - 1][0];
    for (const auto& cmd : commands) {
        SCOPED_TRACE(cmd.first);
        ASys.DrawCount = kuvo::kDrawListCapacity;
        const drawtest::StateSnapshot before;
        cmd.second(core);
        EXPECT_TRUE(before == drawtest::StateSnapshot());
        EXPECT_EQ(ASys.DrawCount, kuvo::kDrawListCapacity);
        EXPECT_EQ(ASys.BlendMode, 1);
        EXPECT_EQ(ASys.DrawList[kuvo::kDrawListCapacity - 1][0], last);
    }
    ASys.DrawCount = kuvo::kDrawListCapacity;
    EXPECT_EQ(core.Rect(1, 2, 3), kuvo::kDrawListCapacity);
    EXPECT_EQ(core.FullTri(1, 2, 3, 4, 5, 6), kuvo::kDrawListCapacity);
    // The last free record is still taken.
    ASys.DrawCount = kuvo::kDrawListCapacity - 1;
    EXPECT_EQ(core.Oval(400, 300, 8, 8), kuvo::kDrawListCapacity);
    EXPECT_EQ(ASys.DrawList[kuvo::kDrawListCapacity - 1][0], 3);
    EXPECT_EQ(core.Oval(400, 300, 8, 8), kuvo::kDrawListCapacity);
    ASys.DrawList[kuvo::kDrawListCapacity - 1][0] = last;
}

}  // namespace
