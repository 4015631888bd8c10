// Text drawing and measuring: the advance table, pen positions and frames of
// the text and character drawers at several alignments, sizes and rotations,
// the number overloads, and text with an empty or unknown font slot.

#include <utility>
#include <vector>

#include "engine_draw_fixture.h"

namespace {

using drawtest::DrawFixture;

constexpr int kFont = 51;

class EngineDrawText : public DrawFixture {
protected:
    void SetUp() override {
        DrawFixture::SetUp();
        savedFrames_ = ASys.SlotFrames[kFont];
        ASys.SlotFrames[kFont] = 96;
        ASys.FontSlot = kFont;
    }
    void TearDown() override {
        ASys.SlotFrames[kFont] = savedFrames_;
        DrawFixture::TearDown();
    }

    // The glyphs drawn so far as (pen x, pen y, frame), in caller coordinates.
    struct Glyph {
        double x, y;
        int frame;
    };
    static std::vector<Glyph> Glyphs() {
        std::vector<Glyph> out;
        for (int i = 0; i < ASys.DrawCount; ++i) {
            const double* r = ASys.DrawList[i];
            EXPECT_EQ(r[0], 11);
            EXPECT_EQ(r[28], kFont);
            EXPECT_EQ(r[27], r[29]);
            out.push_back({r[1] + rw2, r[2] + rh2, static_cast<int>(r[29])});
        }
        return out;
    }
    static void ExpectGlyphs(const std::vector<Glyph>& want) {
        const std::vector<Glyph> got = Glyphs();
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < want.size(); ++i) {
            EXPECT_NEAR(got[i].x, want[i].x, 1e-3) << "glyph " << i;
            EXPECT_NEAR(got[i].y, want[i].y, 1e-3) << "glyph " << i;
            EXPECT_EQ(got[i].frame, want[i].frame) << "glyph " << i;
        }
    }
    int savedFrames_ = 0;
};

// The table, written out group by group as the font was designed.
TEST_F(EngineDrawText, AdvanceTableMatchesTheFontDesign) {
    int want[96];
    for (int& w : want) w = 15;
    const std::pair<const char*, int> groups[] = {
        {"!',.:;`il|", 5}, {"()[]j", 10}, {"{", 11}, {"\"^}", 12}, {"0123456789V_", 16},
        {"#", 19},         {"%MWw", 22},  {"@m~", 25},
    };
    for (const auto& g : groups)
        for (const char* p = g.first; *p; ++p) want[*p - 32] = g.second;
    want[127 - 32] = 0;
    for (int i = 0; i < 96; ++i) EXPECT_EQ(fontw[i], want[i]) << "code " << i + 32;
}

TEST_F(EngineDrawText, WidthsSumAdvancesOfBytesWithAWidth) {
    EXPECT_FLOAT_EQ(core.StringWidth("Hi"), 18.0f);
    EXPECT_FLOAT_EQ(core.StringWidth(""), 0.0f);
    EXPECT_FLOAT_EQ(core.StringWidth("a\n\tb\xC8\x80"), 28.0f);  // control bytes and 128+ add nothing
    EXPECT_FLOAT_EQ(core.StringWidth("A\x7f"), 13.0f);          // code 127 steps back one
    EXPECT_FLOAT_EQ(core.StringWidth('W'), 21.0f);
    EXPECT_FLOAT_EQ(core.CharWidth('l'), 4.0f);
    EXPECT_FLOAT_EQ(core.CharWidth('\n'), 0.0f);
    EXPECT_FLOAT_EQ(core.StringWidth(static_cast<char>(200)), 0.0f);
    core.SetSize(2);
    EXPECT_FLOAT_EQ(core.StringWidth("Hi"), 36.0f);
    core.SetSize(1, 3);  // only the horizontal size spaces the text
    EXPECT_FLOAT_EQ(core.StringWidth("Hi"), 18.0f);
    core.SetSize(0.5f, 1);
    EXPECT_FLOAT_EQ(core.StringWidth("Hi"), 9.0f);
}

TEST_F(EngineDrawText, TextDrawerPlacesEachGlyphOnTheAdvancingPen) {
    struct Case {
        const char* name;
        float size, rot, align;
        std::vector<Glyph> glyphs;
    };
    const Case cases[] = {
        {"left", 1, 0, 0, {{114, 50, 40}, {128, 50, 73}}},
        {"centred", 1, 0, 1, {{105, 50, 40}, {119, 50, 73}}},
        {"right", 1, 0, 2, {{96, 50, 40}, {110, 50, 73}}},
        {"size 2", 2, 0, 0, {{128, 50, 40}, {156, 50, 73}}},
        {"size 0.5 centred", 0.5f, 0, 1, {{102.5, 50, 40}, {109.5, 50, 73}}},
        {"rotated 90 runs down", 1, 90, 0, {{100, 64, 40}, {100, 78, 73}}},
        {"rotated 90 centred", 1, 90, 1, {{100, 55, 40}, {100, 69, 73}}},
        {"rotated 180 runs left", 1, 180, 0, {{86, 50, 40}, {72, 50, 73}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Prepare();
        core.SetSize(c.size);
        core.SetRot(c.rot);
        core.Text(100, 50, "Hi", c.align);
        ExpectGlyphs(c.glyphs);
    }
    Prepare();
    core.Text(100, 50, std::string("Hi"));
    ExpectGlyphs({{114, 50, 40}, {128, 50, 73}});
    Prepare();
    core.Text(100, 50, "Hi", 1, 99);  // the last argument plays no part
    ExpectGlyphs({{105, 50, 40}, {119, 50, 73}});
}

TEST_F(EngineDrawText, OddBytesDrawWithoutMovingThePen) {
    core.Text(100, 50, std::string("a\nb\xC8" "c\x7f" "d"));
    // \n is frame -22, byte 200 (signed -56) frame -88; code 127 steps back one.
    ExpectGlyphs({{114, 50, 65}, {128, 50, -22}, {128, 50, 66}, {142, 50, -88}, {142, 50, 67},
                  {156, 50, 95}, {155, 50, 68}});
    Prepare();
    core.Text(100, 50, std::string(""));
    EXPECT_EQ(ASys.DrawCount, 0);
}

TEST_F(EngineDrawText, CharacterDrawerShiftsByTheUnscaledWidth) {
    struct Case {
        const char* name;
        char letter;
        float size, rot;
        int align;  // -1 = the default form
        Glyph glyph;
    };
    const Case cases[] = {
        {"A default alignment 1", 'A', 1, 0, -1, {92.5, 50, 33}},
        {"A alignment 0", 'A', 1, 0, 0, {107, 50, 33}},
        {"A alignment 2", 'A', 1, 0, 2, {78, 50, 33}},
        {"A size 2: offset scales, shift does not", 'A', 2, 0, -1, {99.5, 50, 33}},
        {"byte 200 has no shift", static_cast<char>(200), 1, 0, -1, {107, 50, -88}},
        {"code 127", '\x7f', 1, 0, 1, {107.5, 50, 95}},
        {"W rotated 90", 'W', 1, 90, -1, {100, 35.5, 55}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Prepare();
        core.SetSize(c.size);
        core.SetRot(c.rot);
        if (c.align < 0)
            core.Text(100, 50, c.letter);
        else
            core.Text(100, 50, c.letter, static_cast<float>(c.align));
        ExpectGlyphs({c.glyph});
    }
    Prepare();
    core.Text(100, 50, 'A', 2.0f, 7.0f);
    ExpectGlyphs({{78, 50, 33}});
}

TEST_F(EngineDrawText, NumbersAreFormattedThenDrawn) {
    auto frames = []() {
        std::string s;
        for (const Glyph& g : Glyphs()) s += static_cast<char>(g.frame + 32);
        return s;
    };
    core.Text(100, 50, 3.5f);
    EXPECT_EQ(frames(), "3.500000");
    Prepare();
    core.Text(100, 50, 42);
    EXPECT_EQ(frames(), "42");
    ExpectGlyphs({{114, 50, '4' - 32}, {129, 50, '2' - 32}});
    Prepare();
    core.Text(100, 50, 42, 1.0f);  // width 30: starts 15 left
    ExpectGlyphs({{99, 50, '4' - 32}, {114, 50, '2' - 32}});
    Prepare();
    core.Text(100, 50, -7, 2.0f, 0.0f);
    EXPECT_EQ(frames(), "-7");
    EXPECT_NEAR(Glyphs()[0].x, 100 - 29 + 14, 1e-3);
    Prepare();
    core.Text(100, 50, -0.25f, 0.0f);
    EXPECT_EQ(frames(), "-0.250000");
    Prepare();
    core.Text(100, 50, 1.0f, 0.0f, 5.0f);
    EXPECT_EQ(frames(), "1.000000");
}

TEST_F(EngineDrawText, EmptyOrUnknownFontDrawsNothing) {
    ASys.SlotFrames[kFont] = -1;
    core.Text(100, 50, "Hello");
    core.Text(100, 50, 'H');
    EXPECT_EQ(ASys.DrawCount, 0);
    for (int slot : {-1, kuvo::kImageSlots, 1 << 30}) {
        ASys.FontSlot = slot;
        core.Text(100, 50, "Hello");
        core.Text(100, 50, 'H');
        EXPECT_EQ(ASys.DrawCount, 0);
    }
}

TEST_F(EngineDrawText, FullListDropsGlyphsAndKeepsCountAndState) {
    ASys.DrawCount = kuvo::kDrawListCapacity - 2;
    core.Text(100, 50, "Hello");
    EXPECT_EQ(ASys.DrawCount, kuvo::kDrawListCapacity);
    const drawtest::StateSnapshot before;
    core.Text(100, 50, "Hello");
    core.Text(100, 50, 'H');
    core.Text(100, 50, 12345);
    EXPECT_TRUE(before == drawtest::StateSnapshot());
}

}  // namespace
