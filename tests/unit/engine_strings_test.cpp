// Text helpers of the engine: the scratch-text ring, the code alphabet, letter
// packing, slicing, padding, trimming, splitting and number conversions.
// Uses its own engine object; never opens a window.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "KUVOCore.h"
#include "core_internal.h"

namespace {

KUVOCore& Core() {
    static KUVOCore core;
    return core;
}

TEST(EngineStrings, Char64Alphabet) {
    struct Case { int v; char c; };
    const Case cases[] = {{0, '_'}, {1, '-'}, {2, '0'}, {11, '9'}, {12, 'A'}, {37, 'Z'},
                          {38, 'a'}, {63, 'z'}, {64, '_'}, {-1, 'z'}, {-64, '_'}, {130, '0'}};
    for (const Case& c : cases) {
        EXPECT_EQ(Core().Char64(c.v), c.c) << c.v;
        EXPECT_EQ(Core().Int64(c.c), ((c.v % 64) + 64) % 64) << c.c;
    }
    EXPECT_EQ(Core().Char64b(0), ' ');
    EXPECT_EQ(Core().Char64b(12), 'A');
    EXPECT_EQ(Core().Int64(' '), 50);
    EXPECT_EQ(Core().Int64('_'), 0);
    EXPECT_EQ(Core().Int64('z'), 63);
    // Bytes above 127 are signed and still land inside the alphabet.
    const int high = Core().Int64(static_cast<char>(200));
    EXPECT_GE(high, 0);
    EXPECT_LT(high, 64);
}

TEST(EngineStrings, Char64x4RoundTrip) {
    EXPECT_EQ(Core().Char64x4(0), "____");
    EXPECT_EQ(Core().Int64x4("____"), 0);
    EXPECT_EQ(Core().Char64x4(64), "_-__");
    const long values[] = {1, 63, 64, 4095, 123456, 16777215};
    for (long v : values) {
        const std::string s = Core().Char64x4(v);
        ASSERT_EQ(s.size(), 4u);
        EXPECT_EQ(Core().Int64x4(s.c_str()), v) << s;
    }
    // Only the low 24 bits travel.
    EXPECT_EQ(Core().Int64x4(Core().Char64x4(16777216L + 5).c_str()), 5);
    // A short text reads its missing characters as index 0.
    EXPECT_EQ(Core().Int64x4("-"), 1);
    EXPECT_EQ(Core().Int64x4(""), 0);
    EXPECT_EQ(Core().Int64x4(nullptr), 0);
}

TEST(EngineStrings, SixDigitStringPacking) {
    const long abc = (1L << 25) + (2L << 20) + (3L << 15);
    EXPECT_EQ(Core().SixDigitString(std::string("abc")), abc);
    EXPECT_EQ(Core().SixDigitString(std::string("ABC")), abc);
    EXPECT_EQ(Core().SixDigitString(abc), "ABC   ");
    EXPECT_EQ(Core().SixDigitString(std::string("ZZZZZZZZ")), Core().SixDigitString(std::string("ZZZZZZ")));
    EXPECT_EQ(Core().SixDigitString(std::string("a1 b")), (1L << 25) + (2L << 10));
    EXPECT_EQ(Core().SixDigitString(std::string("")), 0);
    // 27..31 unpack as blanks.
    EXPECT_EQ(Core().SixDigitString(31L << 25), "      ");
    const long j = Core().SixDigitString(std::string("QUELL"));
    const long k = Core().SixDigitString(std::string("MAR"));
    EXPECT_EQ(Core().SixDigitString(j, k), "QUELL MAR   ");
    EXPECT_EQ(Core().SixDigitString(j, k, j), "QUELL MAR   QUELL ");
}

TEST(EngineStrings, Ordinals) {
    struct Case { int n; const char* text; };
    const Case cases[] = {{1, "1st"},     {2, "2nd"},     {3, "3rd"},     {4, "4th"},   {11, "11th"},
                          {12, "12th"},   {13, "13th"},   {21, "21st"},   {22, "22nd"}, {23, "23rd"},
                          {111, "111st"}, {112, "112nd"}, {113, "113rd"}, {0, "0th"},   {-1, "-1th"}};
    for (const Case& c : cases) EXPECT_STREQ(Core().nth(c.n), c.text);
}

TEST(EngineStrings, SlicingAndPadding) {
    KUVOCore& k = Core();
    EXPECT_EQ(k.Left("abcdef", 2), "ab");
    EXPECT_EQ(k.Left("abc", 9), "abc");
    EXPECT_EQ(k.Left("abc", -1), "abc");
    EXPECT_EQ(k.Right("abcdef", 2), "ef");
    EXPECT_EQ(k.Right("abc", 9), "abc");
    EXPECT_EQ(k.Right("abc", 0), "");
    EXPECT_EQ(k.Right("abc", -4), "");
    EXPECT_EQ(k.Mid("abcdef", 1, 3), "bcd");
    EXPECT_EQ(k.Mid("abcdef", 4, 9), "ef");
    EXPECT_EQ(k.Mid("abcdef", 2, -1), "cdef");
    EXPECT_EQ(k.Mid("abc", 3, 2), "");
    EXPECT_EQ(k.Mid("abc", 4, 2), "");
    EXPECT_EQ(k.Mid("abc", -1, 2), "ab");  // a start before the text is taken as 0
    EXPECT_EQ(k.Mid("abc", -2, 2), "ab");
    EXPECT_EQ(k.Mid("abc", -2147483647 - 1, -1), "abc");

    EXPECT_EQ(k.LeftPad("ab", 5, '.'), "ab...");
    EXPECT_EQ(k.RightPad("ab", 5, '.'), "...ab");
    EXPECT_EQ(k.LeftPad("abcdef", 3, '.'), "abc");
    EXPECT_EQ(k.RightPad("abcdef", 3, '.'), "def");
    EXPECT_EQ(k.LeftPad("ab", 0, '.'), "");
    // A short text is padded within 1,023 characters in all.
    EXPECT_EQ(k.LeftPad("ab", 5000, '.').size(), 1021u);
    // Long texts keep to one slot and never overrun it.
    const std::string longText(3000, 'x');
    EXPECT_EQ(k.LeftPad(longText, 10, '.'), std::string(10, 'x'));
    EXPECT_EQ(k.RightPad(longText + "yz", 3, '.'), "xyz");
    const std::string wide = k.RightPad(longText, 4000000000u, '.');
    EXPECT_EQ(wide.size(), 16383u);
    EXPECT_EQ(wide.substr(wide.size() - 3000), longText);
    EXPECT_EQ(wide[0], '.');
    EXPECT_EQ(k.LeftPad(std::string(20000, 'q'), 20000, '.').size(), 16383u);
}

TEST(EngineStrings, TrimStripAndKeys) {
    KUVOCore& k = Core();
    EXPECT_EQ(k.Trim("\t  two words \t "), "two words");
    EXPECT_EQ(k.Trim("x"), "x");
    EXPECT_EQ(k.Trim(""), "");
    EXPECT_EQ(k.Trim(" \t\r\n "), "");
    // Bytes 128..255 count as blank.
    EXPECT_EQ(k.Trim("\xC3word\xA9"), "word");
    EXPECT_EQ(k.Strip(" a b "), "ab");
    EXPECT_EQ(k.Strip("a\tb"), "a\tb");
    EXPECT_EQ(k.iniLeft("key=a=b"), "key");
    EXPECT_EQ(k.iniRight("key=a=b"), "a=b");
    EXPECT_EQ(k.iniLeft("no equals"), "-=+=-");
    EXPECT_EQ(k.iniRight("no equals"), "-=+=-");
    EXPECT_EQ(k.iniLeft("=v"), "");
    EXPECT_EQ(k.iniRight("k="), "");
}

TEST(EngineStrings, SplitFields) {
    struct Case { const char* s; int field; const char* out; };
    const Case cases[] = {
        {"a,,b", 1, "a"},    {"a,,b", 2, ""},      {"a,,b", 3, "b"},     {"a,b", 3, "-=+=-"},
        {"a,b,", 1, "a"},    {"a,b,", 2, "b,"},    {"a,b,", 3, "-=+=-"}, {"", 1, "-=+=-"},
        {"abc", 0, "-=+=-"}, {"abc", -2, "-=+=-"}, {"abc", 1, "abc"},    {",", 1, ","},
        {",x", 1, ""},       {",x", 2, "x"},
    };
    for (const Case& c : cases) EXPECT_EQ(Core().Split(c.s, ',', c.field), c.out) << c.s << " " << c.field;
    EXPECT_EQ(Core().SplitCount("", ','), 1);
    EXPECT_EQ(Core().SplitCount("a,b,", ','), 3);
    EXPECT_EQ(Core().SplitCount("a{b{c", '{'), 3);
}

TEST(EngineStrings, NumberConversions) {
    KUVOCore& k = Core();
    EXPECT_EQ(k.Hex(255), "FF");
    EXPECT_EQ(k.Hex(0), "0");
    EXPECT_EQ(k.Hex(-1), "FFFFFFFF");
    EXPECT_EQ(k.HexToInt("FF"), 255);
    EXPECT_EQ(k.HexToInt("  0x1f"), 31);
    EXPECT_EQ(k.HexToInt("-10"), -16);
    EXPECT_EQ(k.HexToInt("FFFFFFFF"), 2147483647);
    EXPECT_EQ(k.HexToInt("-FFFFFFFFFF"), -2147483647 - 1);
    EXPECT_EQ(k.HexToInt("FFFFFFFFFFFFFFFFFFFF"), 2147483647);
    EXPECT_EQ(k.HexToInt("zz"), 0);
    EXPECT_EQ(k.Bin(5), "5");
    EXPECT_EQ(k.Bin(-1), "4294967295");
    EXPECT_EQ(k.BinToInt("101"), 5);
    EXPECT_EQ(k.BinToInt("101201"), 5);
    EXPECT_EQ(k.BinToInt(std::string(40, '1')), 2147483647);
    EXPECT_EQ(k.StrToInt(" -42abc"), -42);
    EXPECT_EQ(k.StrToInt("+7"), 7);
    EXPECT_EQ(k.StrToInt("abc"), 0);
    EXPECT_EQ(k.StrToInt("99999999999"), 2147483647);
    EXPECT_EQ(k.ToInt("-99999999999"), -2147483647 - 1);
}

TEST(EngineStrings, RingOfThirtyScratchTexts) {
    KUVOCore& k = Core();
    char* first = k.fstr("call %d", 0);
    const int firstSlot = TempstrUse;
    for (int i = 1; i < 30; ++i) {
        char* p = k.fstr("call %d", i);
        EXPECT_NE(p, first) << i;
    }
    EXPECT_STREQ(first, "call 0");  // still valid after 29 more
    char* again = k.fstr("call %d", 30);
    EXPECT_EQ(again, first);  // the thirty-first reuses the first slot
    EXPECT_EQ(TempstrUse, firstSlot);
    k.tstr("via %s", "tstr");
    EXPECT_STREQ(k.Tempstr[TempstrUse], "via tstr");

    // Helpers advance the ring as their callers expect.
    struct Case { const char* name; int advances; std::function<void()> call; };
    const Case cases[] = {
        {"tstr", 1, [&] { k.tstr("%d", 7); }},
        {"Hex", 1, [&] { k.Hex(7); }},
        {"Bin", 1, [&] { k.Bin(7); }},
        {"Strip", 1, [&] { k.Strip(" a "); }},
        {"Trim", 1, [&] { k.Trim("  "); }},
        {"Left", 1, [&] { k.Left("abc", 1); }},
        {"Right", 1, [&] { k.Right("abc", 1); }},
        {"Right past the start", 1, [&] { k.Right("abc", 9); }},
        {"Mid", 1, [&] { k.Mid("abc", 1, 1); }},
        {"Mid past the end", 1, [&] { k.Mid("abc", 7, 1); }},
        {"Mid before the start", 1, [&] { k.Mid("abc", -3, 1); }},
        {"nth", 1, [&] { k.nth(2); }},
        {"iniLeft found", 1, [&] { k.iniLeft("a=b"); }},
        {"iniRight found", 1, [&] { k.iniRight("a=b"); }},
        {"iniRight missing", 0, [&] { k.iniRight("ab"); }},
        {"LeftPad", 3, [&] { k.LeftPad("a", 4, ' '); }},
        {"RightPad", 3, [&] { k.RightPad("a", 4, ' '); }},
        {"Split found", 1, [&] { k.Split("a,b", ',', 2); }},
        {"Split missing", 0, [&] { k.Split("a,b", ',', 3); }},
        {"iniLeft missing", 0, [&] { k.iniLeft("ab"); }},
        {"Char64x4", 0, [&] { k.Char64x4(5); }},
    };
    for (const Case& c : cases) {
        const int before = TempstrUse;
        c.call();
        EXPECT_EQ(TempstrUse, (before + c.advances) % 30) << c.name;
    }
}

TEST(EngineStrings, FormattingIsBounded) {
    const std::string huge(40000, 'h');
    char* p = Core().fstr("%s", huge.c_str());
    EXPECT_EQ(std::string(p).size(), 16383u);
    EXPECT_EQ(Core().Print("a log line"), 1);
    EXPECT_EQ(Core().Debug(nullptr), 1);
}

}  // namespace
