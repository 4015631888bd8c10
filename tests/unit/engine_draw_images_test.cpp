// Image draw commands: the records of DrawImg, DrawBlur, QuadImg and
// DrawBuffer, empty and out-of-table slots, their log lines and results, and
// refusal on a full list. Slots are made non-empty by setting SlotFrames.

#include <functional>
#include <vector>

#include "engine_draw_fixture.h"

namespace {

using drawtest::DrawFixture;

constexpr int kLoaded = 5;  // a slot the tests fill by hand
constexpr int kEmpty = 7;   // a slot they leave empty

class EngineDrawImages : public DrawFixture {
protected:
    void SetUp() override {
        DrawFixture::SetUp();
        for (int s : {kLoaded, kEmpty, kuvo::kScreenCopySlot}) saved_[s] = ASys.SlotFrames[s];
        ASys.SlotFrames[kLoaded] = 4;
        ASys.SlotFrames[kEmpty] = -1;
        ASys.SlotFrames[kuvo::kScreenCopySlot] = 1;
    }
    void TearDown() override {
        for (auto& s : saved_) ASys.SlotFrames[s.first] = s.second;
        DrawFixture::TearDown();
    }
    std::map<int, int> saved_;
};

struct ImageCase {
    const char* name;
    std::function<int(KUVOCore&)> draw;  // returns the command's result (0 for none)
    int result;
    int kind;
    std::map<int, double> values;
};

TEST_F(EngineDrawImages, EachCommandAppendsItsRecord) {
    const std::vector<ImageCase> cases = {
        {"DrawImg at the view centre", [](KUVOCore& c) { return c.DrawImg(kLoaded, 400, 300); }, 1, 11,
         {{1, 0}, {2, 0}, {3, 400}, {4, -400}, {27, 0}, {28, kLoaded}, {29, 0}}},
        {"DrawImg frame", [](KUVOCore& c) { return c.DrawImg(kLoaded, 10, 20, 3); }, 1, 11,
         {{1, -390}, {2, -280}, {3, 400}, {4, -400}, {27, 3}, {28, kLoaded}, {29, 3}}},
        {"DrawImg frame beyond the sheet, last argument ignored",
         [](KUVOCore& c) { c.SetSize(2, 0.5f); return c.DrawImg(kLoaded, 400, 300, 9, 123.0f); }, 1, 11,
         {{1, 0}, {2, 0}, {3, 800}, {4, -200}, {27, 9}, {28, kLoaded}, {29, 9}}},
        {"DrawImg on a portrait canvas",
         [](KUVOCore& c) { ASys.ImageScale = 1.5625f; return c.DrawImg(kLoaded, 400, 300, 1); }, 1, 11,
         {{1, 0}, {2, 0}, {3, 625}, {4, -625}, {27, 1}, {28, kLoaded}, {29, 1}}},
        {"DrawBlur", [](KUVOCore& c) { c.DrawBlur(kLoaded, 400, 300); return 0; }, 0, 13,
         {{1, 0}, {2, 0}, {3, 400}, {4, -400}, {28, kLoaded}, {29, 0}}},
        {"DrawBlur frame", [](KUVOCore& c) { ASys.ImageScale = 1.5625f; c.DrawBlur(kLoaded, 0, 0, 2); return 0; }, 0, 13,
         {{1, -400}, {2, -300}, {3, 625}, {4, -625}, {28, kLoaded}, {29, 2}}},
        {"QuadImg ignores size",
         [](KUVOCore& c) { c.SetSize(3); return c.QuadImg(kLoaded, 0, 0, 10, 0, 10, 10, 0, 10, 2); }, 1, 12,
         {{1, -400}, {2, -300}, {3, -390}, {4, -300}, {5, -390}, {6, -290}, {7, -400}, {8, -290},
          {28, kLoaded}, {29, 2}}},
        {"DrawBuffer leaves out the image scale",
         [](KUVOCore& c) { ASys.ImageScale = 1.5625f; return c.DrawBuffer(); }, 1, 11,
         {{1, 0}, {2, 0}, {3, 400}, {4, -400}, {28, 102}, {29, 0}}},
        {"DrawBuffer of a copy never grabbed (0 frames)",
         [](KUVOCore& c) { ASys.SlotFrames[kuvo::kScreenCopySlot] = 0; return c.DrawBuffer(); }, 1, 11,
         {{1, 0}, {2, 0}, {3, 400}, {4, -400}, {28, 102}, {29, 0}}},
    };
    for (const ImageCase& c : cases) {
        SCOPED_TRACE(c.name);
        Prepare();
        ASys.SlotFrames[kuvo::kScreenCopySlot] = 1;
        EXPECT_EQ(c.draw(core), c.result);
        ASSERT_EQ(ASys.DrawCount, 1);
        ExpectRecord(0, c.kind, c.values);
    }
}

TEST_F(EngineDrawImages, RecordsTakeTheTintRotationAndDepth) {
    core.SetCol(10, 20, 30, 0.5f);
    core.SetRot(-45);
    core.SetDepth(0.3f);
    EXPECT_EQ(core.DrawImg(kLoaded, 400, 300), 1);
    EXPECT_EQ(core.DrawImg(kLoaded, 400, 300), 2);
    ExpectRecord(1, 11, {{1, 0}, {2, 0}, {3, 400}, {4, -400}, {27, 0}, {28, kLoaded}, {29, 0},
                         {10, 127.5}, {11, 10}, {12, 20}, {13, 30}, {18, -45}, {21, 0.3}, {22, 0.3}});
}

// Empty slots and numbers outside the table behave alike: nothing is appended.
TEST_F(EngineDrawImages, EmptyOrUnknownSlotsAppendNothing) {
    for (int img : {kEmpty, -1, -100000, kuvo::kImageSlots, 100000}) {
        SCOPED_TRACE(img);
        Prepare();
        testing::internal::CaptureStdout();
        EXPECT_EQ(core.DrawImg(img, 1, 2), -1);
        EXPECT_EQ(core.DrawImg(img, 1, 2, 3), -1);
        EXPECT_EQ(core.DrawImg(img, 1, 2, 3, 4), -1);
        const std::string silent = testing::internal::GetCapturedStdout();
        EXPECT_EQ(silent, "");

        testing::internal::CaptureStdout();
        core.DrawBlur(img, 1, 2);
        core.DrawBlur(img, 1, 2, 1);
        EXPECT_EQ(core.QuadImg(img, 0, 0, 1, 0, 1, 1, 0, 1, 0), 1);
        const std::string log = testing::internal::GetCapturedStdout();
        const std::string line = "> Missing Image " + std::to_string(img) + "\n";
        size_t count = 0;
        for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++count;
        EXPECT_EQ(count, 3u) << log;
        EXPECT_EQ(ASys.DrawCount, 0);
    }
}

TEST_F(EngineDrawImages, DrawBufferWithoutACopyLogsAndReturnsOne) {
    ASys.SlotFrames[kuvo::kScreenCopySlot] = -1;
    testing::internal::CaptureStdout();
    EXPECT_EQ(core.DrawBuffer(), 1);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("> Previous Buffer Missing\n"), std::string::npos) << log;
    EXPECT_EQ(ASys.DrawCount, 0);
}

TEST_F(EngineDrawImages, FullListRefusesImagesAndKeepsCountAndState) {
    const std::vector<std::function<int(KUVOCore&)>> commands = {
        [](KUVOCore& c) { return c.DrawImg(kLoaded, 1, 2, 0); },
        [](KUVOCore& c) { c.DrawBlur(kLoaded, 1, 2, 0); return kuvo::kDrawListCapacity; },
        [](KUVOCore& c) { return c.QuadImg(kLoaded, 0, 0, 1, 0, 1, 1, 0, 1, 0); },
        [](KUVOCore& c) { return c.DrawBuffer(); },
    };
    for (size_t i = 0; i < commands.size(); ++i) {
        SCOPED_TRACE(i);
        ASys.DrawCount = kuvo::kDrawListCapacity;
        const drawtest::StateSnapshot before;
        EXPECT_EQ(commands[i](core), kuvo::kDrawListCapacity);
        EXPECT_TRUE(before == drawtest::StateSnapshot());
    }
}

}  // namespace
