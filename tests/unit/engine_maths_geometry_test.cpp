// Angles, remainders, the date texts at a pinned moment, the turn helper, the
// square spiral (against a literal walk) and the collision tests.

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

#include "KUVOCore.h"
#include "core_internal.h"

namespace {

KUVOCore& Core() {
    static KUVOCore core;
    return core;
}

TEST(EngineMaths, AnglesAndRemainders) {
    KUVOCore& k = Core();
    EXPECT_FLOAT_EQ(k.Sin(90), 1.0f);
    EXPECT_FLOAT_EQ(k.Cos(0), 1.0f);
    EXPECT_NEAR(k.Sin(180), 0.0f, 5e-6);
    EXPECT_FLOAT_EQ(k.Atan2(0, 0, 10, 0), 0.0f);
    EXPECT_FLOAT_EQ(k.Atan2(0, 0, 0, -10), 90.0015f);
    EXPECT_FLOAT_EQ(k.Atan2(0, 0, 0, 10), -90.0015f);
    EXPECT_FLOAT_EQ(k.Atan2(0, 0, -10, 0), 180.003f);
    EXPECT_FLOAT_EQ(k.Atan2(5, 5, 5, 5), 0.0f);
    EXPECT_FLOAT_EQ(k.Atan2(1, 0), 0.0f);
    EXPECT_FLOAT_EQ(k.Atan2(0, 1), 90.0015f);
    EXPECT_FLOAT_EQ(k.aTan2(0, 1), 90.0015f);
    EXPECT_FLOAT_EQ(k.aTan2(0, 0, 0, -10), 90.0015f);
    EXPECT_FLOAT_EQ(k.Mod(370, 360), 10.0f);
    EXPECT_FLOAT_EQ(k.Mod(-10, 360), -10.0f);
    EXPECT_FLOAT_EQ(k.Mod(-1, 360), -1.0f);
    EXPECT_TRUE(std::isnan(k.Mod(5, 0)));
    EXPECT_FLOAT_EQ(k.Abs(-2.5f), 2.5f);
    EXPECT_EQ(k.Abs(-3), 3);
    EXPECT_EQ(k.Abs(-2147483647 - 1), -2147483647 - 1);
}

long long PinnedMoment() {
    std::tm t{};
    t.tm_year = 2024 - 1900;
    t.tm_mon = 2;
    t.tm_mday = 5;
    t.tm_hour = 7;
    t.tm_min = 8;
    t.tm_sec = 9;
    t.tm_isdst = -1;
    return static_cast<long long>(std::mktime(&t));
}

TEST(EngineMaths, DateTextsAtAFixedMoment) {
    KUVOCore& k = Core();
    long long (*saved)() = KuvoCalendarSeconds;
    KuvoCalendarSeconds = PinnedMoment;
    EXPECT_EQ(k.Date_Day(), 5);
    EXPECT_EQ(k.Date_Month(), 3);
    EXPECT_EQ(k.Date_Year(), 2024);
    EXPECT_EQ(k.Time_Hour(), 7);
    EXPECT_EQ(k.Time_Minute(), 8);
    EXPECT_EQ(k.Time_Second(), 9);
    EXPECT_EQ(k.Date_str(), "05/03/2024");
    EXPECT_EQ(k.Time_str(), "07:08:09");
    EXPECT_EQ(k.DateTime_str(), "05/03/2024 07:08:09");
    EXPECT_EQ(k.DateTime_file(), "05-03-2024_07-08-09");
    EXPECT_EQ(k.DateTime_fileb(), "2024-03-05_07-08-09");
    KuvoCalendarSeconds = saved;
    // The real clock gives a text of the same shape.
    EXPECT_EQ(k.DateTime_fileb().size(), 19u);
}

TEST(EngineGeometry, DistancesAndTurns) {
    KUVOCore& k = Core();
    EXPECT_FLOAT_EQ(k.Dist(0, 0, 3, 4), 5.0f);
    EXPECT_FLOAT_EQ(k.Pyth(3, 4), 5.0f);
    struct Case { float from, to, turn; };
    const Case cases[] = {{10, 30, 20},  {30, 10, -19}, {350, 10, 20}, {0, 180, -179},
                          {0, 350, -9},  {0, 359, 0},   {0, 179, 179}, {-90, 90, -179},
                          {720, 10, 10}, {45, 45, 0}};
    for (const Case& c : cases) EXPECT_FLOAT_EQ(k.WhichWayDoIGo(c.from, c.to), c.turn) << c.from << "->" << c.to;
    // A circle of values 1..8 (period 8).
    EXPECT_FLOAT_EQ(k.WhichWayDoIGo(2, 4, 1, 8), 3.0f);
    EXPECT_FLOAT_EQ(k.WhichWayDoIGo(4, 2, 1, 8), 0.0f);
}

// The spiral walked one step at a time, as the numbering is defined.
int WalkSpiral(int x, int y, int w, int h) {
    const int cx = (w + 1) / 2, cy = (h + 1) / 2;
    int px = cx, py = cy, n = 1, ring = 0;
    enum { Up, Left, Down, Right } dir = Up;
    for (;;) {
        if (px == x && py == y) return n;
        switch (dir) {
            case Up: py -= 1; if (py < cy - ring) { ring += 1; dir = Right; } break;
            case Left: px -= 1; if (px - 1 < cx - ring) { px = cx - ring; dir = Up; } break;
            case Down: py += 1; if (py + 1 > cy + ring) { py = cy + ring; dir = Left; } break;
            case Right: px += 1; if (px + 1 > cx + ring) { px = cx + ring; dir = Down; } break;
        }
        if (px < 1 || px > w || py < 1 || py > h) return 0;
        n += 1;
    }
}

TEST(EngineGeometry, SpiralNumbering) {
    KUVOCore& k = Core();
    struct Case { int x, y, n; };
    const Case cases[] = {{3, 3, 1}, {3, 2, 2}, {4, 2, 3}, {4, 3, 4}, {4, 4, 5}, {3, 4, 6},
                          {2, 4, 7}, {2, 3, 8}, {2, 2, 9}, {2, 1, 10}, {1, 1, 25}, {6, 3, 0}, {0, 0, 0}};
    for (const Case& c : cases) EXPECT_EQ(k.SpiralAt(c.x, c.y, 5, 5), c.n) << c.x << "," << c.y;
    for (int w = 1; w <= 9; ++w) {
        for (int h = 1; h <= 9; ++h) {
            for (int x = 0; x <= w + 1; ++x) {
                for (int y = 0; y <= h + 1; ++y) {
                    ASSERT_EQ(k.SpiralAt(x, y, w, h), WalkSpiral(x, y, w, h))
                        << "cell " << x << "," << y << " of " << w << "x" << h;
                }
            }
        }
    }
    EXPECT_EQ(k.SpiralAt(1, 1, 0, 5), 0);
    // A huge grid answers at once.
    EXPECT_EQ(k.SpiralAt(50000, 50000, 100000, 100000), 1);
    EXPECT_EQ(k.SpiralAt(50000, 49999, 100000, 100000), 2);
}

TEST(EngineGeometry, Collisions) {
    KUVOCore& k = Core();
    EXPECT_EQ(k.Collide_Point_Circle(3, 4, 0, 0, 5), 1);  // on the circle
    EXPECT_EQ(k.Collide_Point_Circle(3, 4.01f, 0, 0, 5), 0);
    EXPECT_FLOAT_EQ(k.CollideX, -3717.0f);
    EXPECT_EQ(k.Collide_Circle_Circle(0, 0, 2, 5, 0, 3), 1);  // edges touch
    EXPECT_EQ(k.Collide_Circle_Circle(0, 0, 2, 5.01f, 0, 3), 0);

    EXPECT_EQ(k.Collide_Line_Line(0, 0, 10, 10, 0, 10, 10, 0), 1);
    EXPECT_FLOAT_EQ(k.CollideX, 5.0f);
    EXPECT_FLOAT_EQ(k.CollideY, 5.0f);
    EXPECT_EQ(k.Collide_Line_Line(0, 0, 4, 0, 4, 0, 4, 7), 1);  // meet at an end
    EXPECT_FLOAT_EQ(k.CollideX, 4.0f);
    EXPECT_FLOAT_EQ(k.CollideY, 0.0f);
    EXPECT_EQ(k.Collide_Line_Line(0, 0, 4, 0, 2, 0, 6, 0), 0);  // parallel, overlapping
    EXPECT_FLOAT_EQ(k.CollideX, -3717.0f);
    EXPECT_EQ(k.Collide_Line_Line(0, 0, 10, 10, 0, 10, 4, 6), 0);  // would cross further on
    EXPECT_FLOAT_EQ(k.CollideY, -3717.0f);
    k.Collide_Line_Line(0, 0, 10, 10, 0, 10, 10, 0);
    k.Collide_Point_Circle(0, 0, 0, 0, 1);
    EXPECT_FLOAT_EQ(k.CollideX, -3717.0f);

    // Rectangles by centre and size: sharing an edge hits in both tests.
    EXPECT_EQ(k.Collide_Rect_Rect(0, 0, 10, 10, 10, 0, 10, 10), 1);
    EXPECT_EQ(k.Collide_Rect_Rect_Complex(0, 0, 10, 10, 10, 0, 10, 10), 1);
    EXPECT_EQ(k.Collide_Rect_Rect(0, 0, 10, 10, 10.5f, 0, 10, 10), 0);
    EXPECT_EQ(k.Collide_Rect_Rect_Complex(0, 0, 10, 10, 10.5f, 0, 10, 10), 0);
    // A plus-sign crossing holds no edge of the other on both axes.
    EXPECT_EQ(k.Collide_Rect_Rect(0, 0, 30, 4, 0, 0, 4, 30), 1);
    EXPECT_EQ(k.Collide_Rect_Rect_Complex(0, 0, 30, 4, 0, 0, 4, 30), 0);
    // One inside the other: the inner one's edges lie within the outer.
    EXPECT_EQ(k.Collide_Rect_Rect_Complex(0, 0, 30, 30, 1, 1, 4, 4), 1);
    k.CollideX = 12.0f;
    k.Collide_Rect_Rect(0, 0, 1, 1, 0, 0, 1, 1);
    EXPECT_FLOAT_EQ(k.CollideX, 12.0f);
}

}  // namespace
