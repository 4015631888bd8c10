// Shared set-up for the engine drawing-command tests: a known view (800 x 600,
// size 1), an empty draw list whose first records hold a sentinel, and checks
// of a record's values. It never opens a window.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "KUVOCore.h"
#include "KUVO_glfw3.h"
#include "core_internal.h"

namespace drawtest {

// Written into every value of the first records so that a test sees which
// values a command wrote and which it left alone.
constexpr double kSentinel = -7777.0;
constexpr int kPrepared = 64;     // records prepared with the sentinel
constexpr double kTol = 2e-3;     // degree constants make sines slightly inexact

// One engine object for all drawing tests (its scratch ring is large, so it
// lives in static storage rather than on the stack).
inline KUVOCore& Core() {
    static KUVOCore core;
    return core;
}

// The draw-state block from DrawCount to BlendMode, compared as bytes to show
// that a refused record left the count and the state alone.
struct StateSnapshot {
    std::vector<unsigned char> bytes;
    StateSnapshot() {
        const auto* first = reinterpret_cast<const unsigned char*>(&ASys.DrawCount);
        const auto* last = reinterpret_cast<const unsigned char*>(&ASys.BlendMode) + sizeof(ASys.BlendMode);
        bytes.assign(first, last);
    }
    bool operator==(const StateSnapshot& o) const { return bytes == o.bytes; }
};

class DrawFixture : public ::testing::Test {
protected:
    void SetUp() override {
        savedScale_ = ViewScale;
        savedRw2_ = rw2;
        savedRh2_ = rh2;
        savedImageScale_ = ASys.ImageScale;
        savedBlend_ = ASys.BlendMode;
        savedFont_ = ASys.FontSlot;
        Prepare();
    }
    // The known view, an empty list with sentinel records, a reset draw state.
    void Prepare() {
        ViewScale = 0.0025f;  // 800-unit view
        rw2 = 400;
        rh2 = 300;
        ASys.ImageScale = 1.0f;
        ASys.BlendMode = 1;
        ASys.DrawCount = 0;
        for (int i = 0; i < kPrepared; ++i)
            for (int v = 0; v < kuvo::kDrawValues; ++v) ASys.DrawList[i][v] = kSentinel;
        core.ResetDraw();
    }
    void TearDown() override {
        ASys.DrawCount = 0;
        ViewScale = savedScale_;
        rw2 = savedRw2_;
        rh2 = savedRh2_;
        ASys.ImageScale = savedImageScale_;
        ASys.BlendMode = savedBlend_;
        ASys.FontSlot = savedFont_;
    }

    // Checks record `index`: its kind, the values in `expected`, values 10..25
    // copied from the current draw state (unless the kind is 50), and every
    // other value 1..29 untouched.
    static void ExpectRecord(int index, int kind, const std::map<int, double>& expected) {
        const double* rec = ASys.DrawList[index];
        EXPECT_EQ(rec[0], kind) << "record " << index;
        const double state[16] = {ASys.InkA,  ASys.InkR,  ASys.InkG,     ASys.InkB,     ASys.InkA2,    ASys.InkR2,
                                  ASys.InkG2, ASys.InkB2, ASys.DrawRot,  ASys.LineThick, ASys.DrawReserved0,
                                  ASys.Depth1, ASys.Depth2, ASys.DrawReserved1, ASys.DrawReserved2,
                                  ASys.DrawReserved3};
        for (int v = 1; v < kuvo::kDrawValues; ++v) {
            auto it = expected.find(v);
            if (it != expected.end()) {
                EXPECT_NEAR(rec[v], it->second, kTol) << "record " << index << " value " << v;
            } else if (v >= 10 && v <= 25 && kind != 50) {
                EXPECT_DOUBLE_EQ(rec[v], state[v - 10]) << "record " << index << " value " << v;
            } else {
                EXPECT_EQ(rec[v], kSentinel) << "record " << index << " value " << v << " was written";
            }
        }
    }

    KUVOCore& core = Core();

private:
    float savedScale_ = 0, savedImageScale_ = 0;
    int savedRw2_ = 0, savedRh2_ = 0, savedBlend_ = 0, savedFont_ = 0;
};

}  // namespace drawtest
