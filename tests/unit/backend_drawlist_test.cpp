// Draw-list hand-over into the render-side copy and the draw-state stamp.

#include <gtest/gtest.h>

#include "sys_internal.h"

namespace {

class BackendDrawList : public ::testing::Test {
protected:
    void TearDown() override {
        ASys.DrawCount = 0;
        DrawToRT = 0;
    }
    static void Fill(int count, double kind) {
        for (int i = 0; i < count; i++) {
            ASys.DrawList[i][0] = kind;
            ASys.DrawList[i][1] = i;
        }
        ASys.DrawCount = count;
    }
};

TEST_F(BackendDrawList, HandOverCopiesExactlyTheCount) {
    Fill(3, 1);
    ASys.DrawList[3][0] = 99;  // beyond the count: not handed over
    DrawR[3][0] = -1;
    ASys.RenderBuffer();
    EXPECT_EQ(DrawToRT, 3);
    EXPECT_EQ(ASys.DrawCount, 3);  // the list is left to the caller to empty
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(DrawR[i][0], 1.0);
        EXPECT_EQ(DrawR[i][1], i);
    }
    EXPECT_EQ(DrawR[3][0], -1.0);

    // The next update writes its own records; the copy stays until the next
    // hand-over, so two renders in between draw the same frame.
    ASys.DrawCount = 0;
    Fill(2, 11);
    EXPECT_EQ(DrawR[0][0], 1.0);
    EXPECT_EQ(DrawToRT, 3);
    ASys.RenderBuffer();
    EXPECT_EQ(DrawToRT, 2);
    EXPECT_EQ(DrawR[0][0], 11.0);
}

TEST_F(BackendDrawList, EmptyAndCorruptCounts) {
    const struct {
        int count, handed;
    } cases[] = {{0, 0}, {-4, 0}, {16666, 16666}, {20000, 16666}};
    for (const auto& c : cases) {
        DrawToRT = 123;
        ASys.DrawCount = c.count;
        ASys.RenderBuffer();
        EXPECT_EQ(DrawToRT, c.handed) << c.count;
    }
}

TEST_F(BackendDrawList, GetdefStampsTheDrawStateOnly) {
    ASys.InkA = 200; ASys.InkR = 1; ASys.InkG = 2; ASys.InkB = 3;
    ASys.InkA2 = 100; ASys.InkR2 = 4; ASys.InkG2 = 5; ASys.InkB2 = 6;
    ASys.DrawRot = 45.5f; ASys.LineThick = 1.5f; ASys.Depth1 = 7; ASys.Depth2 = 8;
    for (int v = 0; v < 30; v++) ASys.DrawList[2][v] = -9;
    Getdef(2 * 30);
    const double expected[30] = {-9, -9, -9, -9, -9, -9, -9, -9, -9, -9,
                                 200, 1, 2, 3, 100, 4, 5, 6, 45.5, 1.5,
                                 0, 7, 8, 0, 0, 0, -9, -9, -9, -9};
    for (int v = 0; v < 30; v++) EXPECT_EQ(ASys.DrawList[2][v], expected[v]) << v;
    EXPECT_EQ(ASys.DrawCount, 0);

    // A record outside the list is refused: the count and state stay.
    ASys.DrawCount = 16666;
    for (int first : {-30, 16666 * 30, 16665 * 30 + 1, 2000000000}) Getdef(first);
    EXPECT_EQ(ASys.DrawCount, 16666);
    EXPECT_EQ(ASys.InkA, 200.0f);
    Getdef(16665 * 30);  // the last record is fine
    EXPECT_EQ(ASys.DrawList[16665][10], 200.0);

    ASys.InkA = ASys.InkR = ASys.InkG = ASys.InkB = 0;
    ASys.InkA2 = ASys.InkR2 = ASys.InkG2 = ASys.InkB2 = 0;
    ASys.DrawRot = ASys.LineThick = ASys.Depth1 = ASys.Depth2 = 0;
}

}  // namespace
