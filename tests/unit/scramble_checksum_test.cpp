// The shared scrambler, packer and checksum, and the engine members that call
// them. Expected values were worked out by hand and in a separate script,
// not by running this code.

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "KUVOCore.h"
#include "quell.h"
#include "scramble_text.h"
#include "text_checksum.h"

namespace {

const char kKeyword[] = "Find each lost gem as WE roll along the V4le and bacK HOME to ur old cave h0m oN3";

// The table of this game's keyword and game number 559.
const signed char kGameTable[64] = {
    77, 21, 27, 18, 43, 21, 18, 21, 27, 48, 33, 37, 42, 44, 53, 33, 32, 41, 57, 31, 50, 60,
    24, 7,  63, 54, 52, 50, 51, 68, 42, 54, 58, 58, 52, 74, 67, 56, 54, 78, 41, 8,  65, 59,
    83, 57, 71, 62, 87, 62, 62, 65, 42, 0,  41, 49, 48, 41, 5,  90, 86, 8,  2,  0,
};

std::unique_ptr<KUVOCore> NewCore() { return std::unique_ptr<KUVOCore>(new KUVOCore()); }

TEST(Scramble, TableOfTheGameKeyword) {
    signed char table[64] = {};
    ASSERT_TRUE(zcommon::BuildScrambleTable(kKeyword, 81, 559, table));
    for (int i = 0; i < 64; i++) EXPECT_EQ(kGameTable[i], table[i]) << i;
}

TEST(Scramble, GoldenTexts) {
    const struct {
        std::string Plain, Scrambled;
    } cases[] = {
        {"", ""},
        {"Hello World", "9k1Cq7$Qo=V"},
        {"ABCDEF{Player{0559{0001{0000{1234{1{KUVO{", "2HdwG]H2i2k W0v@`1P$V6OD8nFx>8c>yB,dw]8#x"},
        // Characters outside codes 32..123 scramble as blanks.
        {std::string("\x01\xff~|{ z"), "m&AS!7G"},
        // Past 64 characters the table starts again; the carry runs on.
        {std::string(70, 'a'), "Rg&8cx.C^2SxFrKl0Y6U+g#*iCwM$h6lJ(\\J1iC5^fK*!ZE'\"`B'QQzO#LQOIQSSDYt*Uj"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.Scrambled, zcommon::ScrambleText(c.Plain, kGameTable)) << c.Plain;
    }
}

TEST(Scramble, NegativeTableEntriesStillGiveTheAlphabet) {
    // A keyword byte above 127 with game number 1 gives entries -35, -34, ...
    signed char table[64] = {};
    ASSERT_TRUE(zcommon::BuildScrambleTable("\x80", 1, 1, table));
    EXPECT_EQ(-35, table[0]);
    EXPECT_EQ(-34, table[1]);
    EXPECT_EQ("zY", zcommon::ScrambleText("AB", table));
    EXPECT_EQ("AB", zcommon::UnscrambleText("zY", table));
}

TEST(Scramble, RoundTripsAndStaysInTheAlphabet) {
    std::mt19937 rng(559);
    signed char tables[3][64] = {};
    zcommon::BuildScrambleTable(kKeyword, 81, 559, tables[0]);
    zcommon::BuildScrambleTable("\x80\xff", 2, 3, tables[1]);
    zcommon::BuildScrambleTable("k", 1, 2147483647, tables[2]);
    for (const auto& table : tables) {
        for (int n = 0; n < 200; n++) {
            std::string plain(rng() % 150, ' ');
            std::string raw(plain.size(), ' ');
            for (size_t i = 0; i < plain.size(); i++) {
                raw[i] = static_cast<char>(rng() % 256);
                const int code = static_cast<signed char>(raw[i]);
                plain[i] = (code >= 32 && code <= 123) ? raw[i] : ' ';
            }
            const std::string scrambled = zcommon::ScrambleText(raw, table);
            ASSERT_EQ(raw.size(), scrambled.size());
            for (char ch : scrambled) ASSERT_TRUE(ch >= 32 && ch <= 123) << static_cast<int>(ch);
            ASSERT_EQ(plain, zcommon::UnscrambleText(scrambled, table));
        }
    }
}

TEST(Scramble, TableKeepsItsContentsWithoutKeywordOrGameNumber) {
    signed char table[64];
    for (int i = 0; i < 64; i++) table[i] = static_cast<signed char>(i);
    EXPECT_FALSE(zcommon::BuildScrambleTable("", 0, 559, table));
    EXPECT_FALSE(zcommon::BuildScrambleTable("key", 3, 0, table));
    EXPECT_FALSE(zcommon::BuildScrambleTable("key", 3, -5, table));
    for (int i = 0; i < 64; i++) EXPECT_EQ(i, table[i]);
}

TEST(Scramble, EngineMembersUseTheSharedCode) {
    auto core = NewCore();
    // Before any keyword the table is all zero: only the alphabet is enforced.
    EXPECT_EQ("ab  {", core->ScrambleTxt(std::string("ab\x7f\x01{")));
    core->GameNumber = 559;
    core->SetKeyword(kKeyword);
    EXPECT_STREQ(kKeyword, core->Keyword);
    for (int i = 0; i < 64; i++) ASSERT_EQ(kGameTable[i], core->ScrambleTable[i]) << i;
    EXPECT_EQ("9k1Cq7$Qo=V", core->ScrambleTxt("Hello World"));
    EXPECT_EQ("Hello World", core->UnscrambleTxt("9k1Cq7$Qo=V"));

    // An empty keyword or game number 0 leaves the table as it stands.
    core->SetKeyword("");
    EXPECT_EQ("9k1Cq7$Qo=V", core->ScrambleTxt("Hello World"));
    core->SetKeyword("other");
    core->SetNum(0);
    EXPECT_NE("9k1Cq7$Qo=V", core->ScrambleTxt("Hello World"));
    const std::string before = core->ScrambleTxt("Hello World");
    core->Rescramble();
    EXPECT_EQ(before, core->ScrambleTxt("Hello World"));

    // A keyword longer than the array is cut and stays terminated.
    core->SetKeyword(std::string(5000, 'k'));
    EXPECT_EQ(1023u, std::string(core->Keyword).size());
}

TEST(Quell, PacksRunsAsCountLetters) {
    const struct {
        std::string Plain, Packed;
    } cases[] = {
        {"", ""},
        {"aaab", "CaAb"},
        {std::string(52, 'x'), "zx"},
        {std::string(53, 'x'), "zxAx"},
        {std::string(26, '.') + std::string(27, ','), "Z.a,"},
        {"abcdefghij", "AaAbAcAdAeAfAgAhAiAj"},
        {"abcdefghijk", "AaAbAcAdAeAfAgAhAiAj Ak"},
        {"abcdefghijklmnopqrstu", "AaAbAcAdAeAfAgAhAiAj AkAlAmAnAoApAqArAsAt Au"},
        {"  BB", "B BB"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.Packed, zcommon::QuellPack(c.Plain)) << c.Plain;
        EXPECT_EQ(c.Plain, zcommon::QuellUnpack(c.Packed)) << c.Packed;
    }
}

TEST(Quell, UnpacksAnyText) {
    const struct {
        std::string Packed, Plain;
    } cases[] = {
        {"[x", std::string(21, 'x')},  // codes 91..96 count 21..26
        {"`y", std::string(26, 'y')},
        {"!Ca", "aaa"},                // anything but a count letter is passed over
        {"Bq Z", "qq"},                // a count letter with nothing after it adds nothing
        {"A", ""},
        {std::string("\x80" "Bz"), "zz"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.Plain, zcommon::QuellUnpack(c.Packed)) << c.Packed;
}

TEST(Quell, RoundTripsRandomTexts) {
    std::mt19937 rng(3);
    const char alphabet[] = "aaaaaAAAZz  {[`\x80\xff";
    for (int n = 0; n < 300; n++) {
        std::string plain(rng() % 200, ' ');
        for (char& ch : plain) ch = alphabet[rng() % (sizeof alphabet - 1)];
        ASSERT_EQ(plain, zcommon::QuellUnpack(zcommon::QuellPack(plain))) << plain;
    }
    auto core = NewCore();
    EXPECT_EQ("CaAb", core->QuellPack("aaab"));
    EXPECT_EQ("aaab", core->QuellUnpack("CaAb"));
}

TEST(Checksum, GoldenValues) {
    const struct {
        std::string Text;
        int Key;
        unsigned Sum;
    } cases[] = {
        {"", 559, 0},
        {"A", 559, 3597},  // (0 + 73/7 + 559 + 1) x 65 mod 3717
        {"abc", 559, 2527},
        {"Hello World", 559, 1040},
        {"\xff", 559, 2962},  // the byte counts as -1
        {"\x80\x80", 0, 588},
        {"xyz", -1, 3630},
        {"KUVO", 2147483647, 1299},
    };
    auto core = NewCore();
    core->GameNumber = 559;
    for (const auto& c : cases) {
        EXPECT_EQ(c.Sum, zcommon::TextChecksum(c.Text, c.Key)) << c.Text << " " << c.Key;
        EXPECT_EQ(c.Sum, core->Checksum(c.Text, c.Key)) << c.Text;
        if (c.Key == 559) {
            EXPECT_EQ(c.Sum, core->Checksum(c.Text)) << c.Text;
        }
    }
}

}  // namespace
