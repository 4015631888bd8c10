// The settings and save files: their names, exact layout and checksums,
// round trips, and what loading makes of missing, tampered, truncated and
// hand-edited files. Checksum values were worked out in a separate script,
// not by running this code. Every file lives in the test's own folder.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "game_test_support.h"
#include "save_format.h"
#include "scratch_dir.h"

namespace {

using gametest::FreshGame;

const char kSaveName[] = "Save_559_Zindle_Flaps.sav";

// The user ID the golden checksums were worked out for: A = 4, B = 6, C = 3.
constexpr int kDate = 20240131, kTime = 134502, kRandom = 4567890;

class GameSave : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = testsupport::MakeTempDir("zindle-save");
        ASSERT_FALSE(dir_.empty());
    }
    void TearDown() override { testsupport::RemoveTree(dir_); }

    // A game as the launch leaves it just before Load: defaults and bindings.
    void Launched(MyGame& g) const { gametest::BeforeLoad(g, dir_); }
    // A known user ID and a few scores, including one that overflows the sum.
    static void Played(MyGame& g) {
        g.Settings[24] = kDate;
        g.Settings[25] = kTime;
        g.Settings[26] = kRandom;
        g.Settings[27] = zindle::UserIdCheck(kDate, kTime, kRandom);
        g.Settings[100] = 5;
        g.Settings[101] = 2;
        g.Settings[124] = kDate;
        g.Settings[125] = kTime;
        g.Settings[126] = kRandom;
        g.Settings[127] = zindle::UserIdCopyCheck(kDate, kTime, kRandom);
        g.ScoreTable[1] = 7;
        g.ScoreTable[2] = 2147483000;
        g.ScoreTable[20] = 1234;
        g.ScoreTable[25] = 1234;
        g.ScoreTable[40] = 99999;
        g.ScoreTable[45] = 500;
        g.ScoreTable[21979] = -42;
        g.ScoreTable[21999] = 3;
    }
    // Load, returning what it printed.
    static std::string Loaded(MyGame& g) {
        testing::internal::CaptureStdout();
        g.Load();
        return testing::internal::GetCapturedStdout();
    }

    std::string Path(const std::string& name) const { return dir_ + "/" + name; }
    std::vector<unsigned char> Bytes(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static int IntAt(const std::vector<unsigned char>& b, size_t offset) {
        if (offset + 4 > b.size()) return INT_MIN;
        unsigned v = b[offset] | b[offset + 1] << 8 | b[offset + 2] << 16 | static_cast<unsigned>(b[offset + 3]) << 24;
        return static_cast<int>(v);
    }
    int IntAt(const std::string& name, size_t offset) const { return IntAt(Bytes(name), offset); }
    void PatchInt(const std::string& name, size_t offset, int value) const {
        std::fstream f(Path(name), std::ios::binary | std::ios::in | std::ios::out);
        const unsigned v = static_cast<unsigned>(value);
        const char b[4] = {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                           static_cast<char>(v >> 24)};
        f.seekp(static_cast<std::streamoff>(offset));
        f.write(b, 4);
    }
    void Truncate(const std::string& name, size_t size) const { std::filesystem::resize_file(Path(name), size); }
    void Overwrite(const std::string& name, const std::vector<unsigned char>& bytes) const {
        std::ofstream out(Path(name), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    bool Exists(const std::string& name) const {
        std::error_code error;
        return std::filesystem::symlink_status(Path(name), error).type() != std::filesystem::file_type::not_found;
    }
    // Bytes as a damaged disk might leave them: a fixed pseudo-random pattern.
    static std::vector<unsigned char> Noise(size_t size, unsigned seed) {
        std::vector<unsigned char> b(size);
        for (unsigned char& c : b) {
            seed = seed * 1103515245u + 12345u;
            c = static_cast<unsigned char>(seed >> 16);
        }
        return b;
    }

    std::string dir_;
};

// The binding table, which every game object shares through the backend.
std::vector<int> Bindings(MyGame& g) {
    std::vector<int> rows;
    for (int j = 0; j < 16; j++)
        for (int k = 0; k < 64; k++) rows.push_back(g.KeyValue(j, k));
    return rows;
}
int Row(const std::vector<int>& bindings, int j, int k) { return bindings[static_cast<size_t>(64 * j + k)]; }

// Where entry i of the score table lies in the save file.
size_t EntryOffset(int i) {
    if (i <= 1) return 404 + 4 * static_cast<size_t>(i);
    return 416 + 152 * static_cast<size_t>((i - 2) / 37) + 4 * static_cast<size_t>((i - 2) % 37);
}

bool InOrder(const std::string& out, const std::vector<std::string>& texts) {
    size_t at = 0;
    for (const std::string& t : texts) {
        at = out.find(t, at);
        if (at == std::string::npos) return false;
        at += t.size();
    }
    return true;
}

TEST(GameSaveName, TitleMadeFileSafe) {
    const struct {
        const char* Title;
        int Game;
        const char* Name;
    } cases[] = {
        {"Zindle Flaps", 559, "Save_559_Zindle_Flaps.sav"},
        {"Tom & Jerry", 7, "Save_7_Tom___Jerry.sav"},
        {"&`\">#^{}<|%?+$, ", 559, "Save_559_________________.sav"},
        {"caf\xc3\xa9!-_.;", 559, "Save_559_caf!-_.;.sav"},
        {"", -3, "Save_-3_.sav"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.Name, zindle::SaveFileName(c.Game, c.Title, 1024)) << c.Title;
    const char unterminated[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ("Save_1_abcd.sav", zindle::SaveFileName(1, unterminated, sizeof unterminated));
}

TEST(GameSaveChecksum, StepsWrapAndRoundThroughAFloat) {
    const zindle::ChecksumKeys k = zindle::ChecksumKeysOf(kDate, kTime, 559);
    EXPECT_EQ(4, k.A);
    EXPECT_EQ(6, k.B);
    EXPECT_EQ(3, k.C);
    EXPECT_EQ(2288, zindle::ScoreChecksumStep(k, 0, 7, 1));             // (7 + 559) x 4 + (1 + 3) x 6
    EXPECT_EQ(-326, zindle::ScoreChecksumStep(k, 0, 2147483000, 2));    // the product wraps negative
    EXPECT_EQ(2554, zindle::SettingsChecksumStep(k, 0, 0, 100));        // 559 x 4 + (100 + 6) x 3
    // Past 2^24 the float keeps only every fourth value: 45,769,430 and
    // 45,769,434 both become 45,769,432, less the modulus 37,171,652.
    EXPECT_EQ(8597780, zindle::SettingsChecksumStep(k, 45767172, 1, 0));
    EXPECT_EQ(8597780, zindle::SettingsChecksumStep(k, 45767172, 2, 0));
    // A sum past the top of int wraps negative, and so does its remainder.
    EXPECT_EQ(-28697308, zindle::SettingsChecksumStep(k, 2147483000, 0, 199));
    const zindle::ChecksumKeys odd = zindle::ChecksumKeysOf(-7, -3, -1);
    EXPECT_EQ(1, odd.A);
    EXPECT_EQ(1, odd.B);
    EXPECT_EQ(1, odd.C);
}

TEST_F(GameSave, FilesHaveTheirExactLayoutAndChecksums) {
    FreshGame g;
    Launched(*g);
    Played(*g);
    g->Settings[0] = 3;
    g->Settings[55] = 0x2A15;
    g->Save();

    const std::vector<unsigned char> settings = Bytes("Settings.sav"), save = Bytes(kSaveName);
    ASSERT_EQ(static_cast<size_t>(zindle::kSettingsFileBytes), settings.size());
    EXPECT_EQ(3, IntAt(settings, 0));
    EXPECT_EQ(kDate, IntAt(settings, 4 * 24));
    EXPECT_EQ(0x2A15, IntAt(settings, 4 * 55));
    for (int j = 0; j < 16; j++)
        for (int k = 0; k < 64; k++)
            ASSERT_EQ(g->KeyValue(j, k), IntAt(settings, 400 + 4 * (64 * j + k))) << j << " " << k;
    // Key 0's seven default bindings fill slots 57..63, the up arrow first.
    EXPECT_EQ(0, IntAt(settings, 400 + 4 * 56));
    EXPECT_EQ(265, IntAt(settings, 400 + 4 * 57));

    ASSERT_EQ(static_cast<size_t>(zindle::kSaveFileBytes), save.size());
    EXPECT_EQ(5, IntAt(save, 0));
    EXPECT_EQ(kDate, IntAt(save, 4 * 24));
    EXPECT_EQ(25888680, IntAt(save, 400));
    for (int i : {1, 2, 20, 25, 40, 45, 21979, 21999})
        EXPECT_EQ(g->ScoreTable[i], IntAt(save, EntryOffset(i))) << i;
    const struct {
        int Block, Sum;
    } sums[] = {{0, 2288}, {1, 14324}, {2, 407014}, {594, 133960}};
    for (int k = 0; k < 595; k++) {
        int expected = 0;  // a block of zero entries sums to 0
        for (const auto& s : sums)
            if (s.Block == k) expected = s.Sum;
        ASSERT_EQ(expected, IntAt(save, 412 + 152 * static_cast<size_t>(k))) << k;
    }
    EXPECT_EQ(134260, IntAt(save, 90784));
}

TEST_F(GameSave, SaveAndLoadRoundTrip) {
    FreshGame a;
    Launched(*a);
    Played(*a);
    for (int i = 30; i < 50; i++) a->Settings[i] = i * 1000 - 25000;
    a->Settings[23] = 1;
    a->Settings[150] = -99;
    for (int i = 0; i < zindle::kScoreEntries; i += 97) a->ScoreTable[i] = i * 31 + 1;
    a->SetKey(0, 87);
    a->SetKey(5, 612);
    a->SetKey(12, 765);
    a->Save();

    FreshGame b;
    Launched(*b);
    const std::string out = Loaded(*b);
    EXPECT_TRUE(InOrder(out, {"> Load Settings\n", "> Load Scores\n", "> User ID '"})) << out;
    for (const char* absent : {"Checksum Error", "Reset User", "Clearing", "Error Reading"})
        EXPECT_EQ(std::string::npos, out.find(absent)) << out;
    for (int i = 0; i < zindle::kSettings; i++) EXPECT_EQ(a->Settings[i], b->Settings[i]) << i;
    for (int i = 0; i < zindle::kScoreEntries; i++) ASSERT_EQ(a->ScoreTable[i], b->ScoreTable[i]) << i;
    EXPECT_EQ(612, b->KeyValue(5, 63));
    EXPECT_EQ(765, b->KeyValue(12, 63));

    // Saving what was loaded gives the same bytes.
    const std::vector<unsigned char> settings = Bytes("Settings.sav"), save = Bytes(kSaveName);
    b->Save();
    EXPECT_EQ(settings, Bytes("Settings.sav"));
    EXPECT_EQ(save, Bytes(kSaveName));
}

TEST_F(GameSave, AFreshInstallationMakesAUserId) {
    FreshGame g;
    Launched(*g);
    const std::string out = Loaded(*g);
    EXPECT_TRUE(InOrder(out, {"> Load Settings\n", "Error Reading File\n", "> Load Scores\n", "Error Reading File\n",
                              "> Reset User\n", "> User ID '"}))
        << out;
    EXPECT_EQ(std::string::npos, out.find("Checksum Error"));
    const int* s = g->Settings;
    EXPECT_GT(s[24], 20000000);
    EXPECT_GT(s[26], 1000);
    EXPECT_EQ(zindle::UserIdCheck(s[24], s[25], s[26]), s[27]);
    EXPECT_EQ(s[24], s[124]);
    EXPECT_EQ(s[25], s[125]);
    EXPECT_EQ(s[26], s[126]);
    EXPECT_EQ(zindle::UserIdCopyCheck(s[24], s[25], s[26]), s[127]);
    EXPECT_EQ(7, s[0]);
    EXPECT_EQ(2, s[101]);
    EXPECT_EQ(265, g->KeyValue(0, 57));  // the default bindings stay
    const std::string id = g->Strip(g->SixDigitString(s[24], s[25], s[26]));
    EXPECT_NE(std::string::npos, out.find("> User ID '" + id + "'\n")) << out;
}

TEST_F(GameSave, TamperingWithTheScoresClearsThem) {
    const struct {
        const char* What;
        size_t Offset;
        int Value;
        bool Noticed;
    } cases[] = {
        {"a score entry", EntryOffset(40), 100000, true},
        {"an empty entry", EntryOffset(21000), 1, true},
        {"a block checksum", 412 + 152 * 2, 407015, true},
        {"the settings checksum", 400, 12345, false},
        {"the last checksum", 90784, 1, false},
    };
    for (const auto& c : cases) {
        FreshGame a;
        Launched(*a);
        Played(*a);
        a->Save();
        PatchInt(kSaveName, c.Offset, c.Value);

        FreshGame b;
        Launched(*b);
        const std::string out = Loaded(*b);
        EXPECT_EQ(c.Noticed, out.find("> Checksum Error\n") != std::string::npos) << c.What << out;
        EXPECT_EQ(c.Noticed, InOrder(out, {"> Checksum Error\n", "> User ID"}) && out.find("Clearing Scoreboard") != std::string::npos) << c.What;
        EXPECT_EQ(std::string::npos, out.find("Reset User")) << c.What;  // the user ID is the settings file's
        EXPECT_EQ(kDate, b->Settings[24]) << c.What;
        EXPECT_EQ(kDate, b->Settings[124]) << c.What;
        EXPECT_EQ(zindle::UserIdCopyCheck(kDate, kTime, kRandom), b->Settings[127]) << c.What;
        if (c.Noticed) {
            EXPECT_EQ(0, b->ScoreTable[20]) << c.What;
            EXPECT_EQ(0, b->ScoreTable[1]) << c.What;
            EXPECT_EQ(0, b->Settings[100]) << c.What;
            EXPECT_EQ(1, b->Settings[101]) << c.What;  // a cleared board number reads 1
        } else {
            EXPECT_EQ(1234, b->ScoreTable[20]) << c.What;
            EXPECT_EQ(5, b->Settings[100]) << c.What;
        }
    }
}

TEST_F(GameSave, ASaveFileOfAnotherUserIsCleared) {
    FreshGame a;
    Launched(*a);
    Played(*a);
    a->Save();
    // Another installation's settings: a different date stamp changes A.
    PatchInt("Settings.sav", 4 * 24, kDate + 1);
    PatchInt("Settings.sav", 4 * 27, zindle::UserIdCheck(kDate + 1, kTime, kRandom));

    FreshGame b;
    Launched(*b);
    const std::string out = Loaded(*b);
    EXPECT_NE(std::string::npos, out.find("> Checksum Error\n")) << out;
    EXPECT_EQ(0, b->ScoreTable[20]);
    EXPECT_EQ(kDate + 1, b->Settings[124]);
}

TEST_F(GameSave, ABrokenUserIdCheckMakesANewUser) {
    FreshGame a;
    Launched(*a);
    Played(*a);
    a->Save();
    PatchInt("Settings.sav", 4 * 27, 1);

    FreshGame b;
    Launched(*b);
    const std::string out = Loaded(*b);
    EXPECT_TRUE(InOrder(out, {"> Load Settings\nA ", "> Load Scores\n", "> Reset User\n"})) << out;
    EXPECT_NE(kRandom, b->Settings[26]);
    EXPECT_EQ(zindle::UserIdCheck(b->Settings[24], b->Settings[25], b->Settings[26]), b->Settings[27]);
}

TEST_F(GameSave, TruncatedFilesKeepDefaultsForWhatIsMissing) {
    const struct {
        const char* What;
        const char* File;
        size_t Size;
        bool KeyRow0;     // key row 0 is whole in the file
        bool UserIdLost;  // the user ID was cut off, so the scores no longer match
    } cases[] = {
        {"settings cut inside the slots", "Settings.sav", 4 * 20 + 2, false, true},
        {"settings cut inside key row 1", "Settings.sav", 400 + 4 * 70, true, false},
        {"save cut inside the slots", kSaveName, 4 * 50, true, false},
        {"save cut inside block 1", kSaveName, EntryOffset(21) + 2, true, false},
        {"save cut before its last checksum", kSaveName, 90784, true, false},
        {"empty save", kSaveName, 0, true, false},
    };
    FreshGame fresh;
    Launched(*fresh);
    const std::vector<int> defaults = Bindings(*fresh);
    for (const auto& c : cases) {
        FreshGame a;
        Launched(*a);
        Played(*a);
        a->Settings[5] = 55;
        a->Settings[60] = 66;
        a->Settings[150] = 150;
        a->SetKey(0, 80);
        a->SetKey(1, 81);
        a->Save();
        const std::vector<int> saved = Bindings(*a);
        Truncate(c.File, c.Size);

        FreshGame b;
        Launched(*b);
        const std::string out = Loaded(*b);
        EXPECT_EQ(c.UserIdLost, out.find("> Checksum Error\n") != std::string::npos) << c.What << out;
        EXPECT_EQ(c.UserIdLost, out.find("> Reset User\n") != std::string::npos) << c.What << out;
        const bool settingsCut = std::string(c.File) == "Settings.sav";
        EXPECT_EQ(55, b->Settings[5]) << c.What;
        EXPECT_EQ(c.UserIdLost ? 0 : 66, b->Settings[60]) << c.What;
        for (int k = 0; k < 64; k++) {
            EXPECT_EQ(Row(c.KeyRow0 ? saved : defaults, 0, k), b->KeyValue(0, k)) << c.What << " slot " << k;
            EXPECT_EQ(Row(settingsCut ? defaults : saved, 1, k), b->KeyValue(1, k)) << c.What << " slot " << k;
        }
        if (settingsCut) continue;
        EXPECT_EQ(kDate, b->Settings[24]) << c.What;
        EXPECT_EQ(c.Size >= 4 ? 5 : 0, b->Settings[100]) << c.What;
        EXPECT_EQ(c.Size >= 4 * 51 ? 150 : 0, b->Settings[150]) << c.What;
        EXPECT_EQ(2, b->Settings[101]) << c.What;
        for (int i : {1, 2, 20, 25, 21999}) {
            const int expected = EntryOffset(i) + 4 <= c.Size ? a->ScoreTable[i] : 0;  // missing entries are empty
            EXPECT_EQ(expected, b->ScoreTable[i]) << c.What << " entry " << i;
        }
        for (int v : b->ScoreTable) ASSERT_NE(zindle::kMissingValue, v) << c.What;
    }
}

TEST_F(GameSave, HandEditedValuesSurviveALoadAndASave) {
    // Loaded is what the slot holds after Load, and what the next Save writes.
    const struct {
        const char* File;
        int Slot, Stored, Loaded;
    } cases[] = {
        // Ranges are kept where the values are used, not here.
        {"Settings.sav", 0, 11, 11},        {"Settings.sav", 1, -1, -1},
        {"Settings.sav", 10, 2, 2},         {"Settings.sav", 13, -1, -1},
        {"Settings.sav", 20, 37, 37},       {"Settings.sav", 22, 5, 5},
        {"Settings.sav", 23, INT_MAX, INT_MAX}, {"Settings.sav", 50, 0x4000, 0x4000},
        {"Settings.sav", 52, -1, -1},       {"Settings.sav", 7, -37170, -37170},
        // The end-of-file value and anything below keep the default.
        {"Settings.sav", 8, -37171, 0},     {"Settings.sav", 9, INT_MIN, 0},
        // Slots of the save file are taken as read but for the end-of-file value.
        {kSaveName, 100, INT_MAX, INT_MAX}, {kSaveName, 101, 7, 7},
        {kSaveName, 150, -40000, -40000},   {kSaveName, 151, INT_MIN, INT_MIN},
        {kSaveName, 152, -37171, 0},
    };
    FreshGame a;
    Launched(*a);
    Played(*a);
    a->Save();
    const auto offset = [](const char* file, int slot) {
        return 4 * static_cast<size_t>(std::string(file) == kSaveName ? slot - 100 : slot);
    };
    for (const auto& c : cases) PatchInt(c.File, offset(c.File, c.Slot), c.Stored);
    // Key codes that name no input are harmless and kept.
    PatchInt("Settings.sav", 400 + 4 * (64 * 3 + 63), 99999);
    PatchInt("Settings.sav", 400 + 4 * (64 * 4 + 63), -5);

    FreshGame b;
    Launched(*b);
    const std::string out = Loaded(*b);
    EXPECT_EQ(std::string::npos, out.find("Checksum Error")) << out;
    for (const auto& c : cases) EXPECT_EQ(c.Loaded, b->Settings[c.Slot]) << "slot " << c.Slot;
    EXPECT_EQ(99999, b->KeyValue(3, 63));
    EXPECT_EQ(-5, b->KeyValue(4, 63));
    EXPECT_EQ(1234, b->ScoreTable[20]);

    b->Save();
    for (const auto& c : cases) EXPECT_EQ(c.Loaded, IntAt(c.File, offset(c.File, c.Slot))) << "slot " << c.Slot;
}

// A whole key row with one value at the end-of-file value or below, in an
// unused slot or among the bindings: only that value is passed over, the
// others go to SetKey in file order, and the next save and load keep them.
TEST_F(GameSave, AWholeKeyRowKeepsItsOtherBindingsPastOneBadValue) {
    const struct {
        int Row, Slot, Stored;
    } cases[] = {{2, 10, -37171}, {10, 62, INT_MIN}, {5, 0, -40000}};
    FreshGame a;
    Launched(*a);
    a->SetKey(2, 300);
    a->SetKey(2, 301);
    a->SetKey(10, 302);
    a->SetKey(5, 303);
    a->Save();
    const std::vector<int> saved = Bindings(*a);
    for (const auto& c : cases) PatchInt("Settings.sav", 400 + 4 * (64 * c.Row + c.Slot), c.Stored);

    FreshGame b;
    Launched(*b);
    Loaded(*b);
    const std::vector<int> loaded = Bindings(*b);
    for (const auto& c : cases) {
        // What SetKey was given: the row as saved, without the bad value.
        std::vector<int> passed;
        for (int k = 0; k < 64; k++)
            if (k != c.Slot) passed.push_back(Row(saved, c.Row, k));
        for (int k = 48; k < 64; k++)
            EXPECT_EQ(passed[static_cast<size_t>(k - 1)], Row(loaded, c.Row, k)) << "row " << c.Row << " slot " << k;
    }
    EXPECT_EQ(300, Row(loaded, 2, 62));
    EXPECT_EQ(301, Row(loaded, 2, 63));
    EXPECT_EQ(302, Row(loaded, 10, 63));
    EXPECT_EQ(303, Row(loaded, 5, 63));

    b->Save();
    FreshGame c;
    Launched(*c);
    Loaded(*c);
    EXPECT_EQ(loaded, Bindings(*c));
}

TEST_F(GameSave, OnlyBoardNumber0BecomesBoard1) {
    for (int stored : {0, 1, 3, 4, -1, 1099, 5000}) {
        FreshGame a;
        Launched(*a);
        Played(*a);
        a->Save();
        PatchInt(kSaveName, 4 * 1, stored);
        FreshGame b;
        Launched(*b);
        Loaded(*b);
        EXPECT_EQ(stored == 0 ? 1 : stored, b->SelectedSet) << stored;
    }
}

// A file that failed to load is renamed beside itself, with its bytes, before
// Save writes the fresh one: a settings file of random bytes (its user ID no
// longer checks, and the save file's checksums fail with it), a save file of
// garbage, files cut short, a file that cannot be opened at all, a link to a
// device and a named pipe in a file's place (neither is a file: the one
// would read as endless zeros, the other wait for a writer). Missing or
// sound files are written over as before, and nothing is kept of them.
TEST_F(GameSave, RejectedFilesAreKeptBesideTheFreshOnes) {
    enum Damage { None, Noisy, Short, Empty, Unopenable, Missing, Device, Pipe };
    const struct {
        const char* What;
        Damage SettingsDamage, SaveDamage;
        bool SettingsKept, SaveKept;
    } cases[] = {
        {"nothing damaged", None, None, false, false},
        {"a fresh installation", Missing, Missing, false, false},
        {"random bytes in the settings file", Noisy, None, true, true},
        {"garbage in the save file", None, Noisy, false, true},
        {"a settings file cut short", Short, None, true, false},
        {"a save file cut short", None, Short, false, true},
        {"an empty save file", None, Empty, false, true},
        {"a settings file that cannot be opened", Unopenable, None, true, true},
        {"a settings file that is a link to a device", Device, None, true, true},
        {"a save file that is a named pipe", None, Pipe, false, true},
    };
    const std::string names[2] = {"Settings.sav", kSaveName};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directory(dir_);
        FreshGame a;
        Launched(*a);
        Played(*a);
        a->Save();
        const Damage damage[2] = {c.SettingsDamage, c.SaveDamage};
        const bool kept[2] = {c.SettingsKept, c.SaveKept};
        const size_t sizes[2] = {zindle::kSettingsFileBytes, zindle::kSaveFileBytes};
        for (int f = 0; f < 2; f++) {
            if (damage[f] == Noisy) Overwrite(names[f], Noise(sizes[f], 7u + static_cast<unsigned>(f)));
            if (damage[f] == Short) Truncate(names[f], f == 0 ? 400 + 4 * 70 : 4 * 50);
            if (damage[f] == Empty) Truncate(names[f], 0);
            if (damage[f] == Missing) std::filesystem::remove(Path(names[f]));
            if (damage[f] == Unopenable) {
                // A link to itself: the name is there, but no open gets through.
                std::filesystem::remove(Path(names[f]));
                std::filesystem::create_symlink(names[f], Path(names[f]));
            }
            if (damage[f] == Device) {
                std::filesystem::remove(Path(names[f]));
                std::filesystem::create_symlink("/dev/zero", Path(names[f]));
            }
            if (damage[f] == Pipe) {
                std::filesystem::remove(Path(names[f]));
                ASSERT_EQ(0, mkfifo(Path(names[f]).c_str(), 0600));
            }
        }
        auto plain = [&](int f) { return damage[f] != Device && damage[f] != Pipe; };
        const std::vector<unsigned char> before[2] = {plain(0) ? Bytes(names[0]) : std::vector<unsigned char>(),
                                                      plain(1) ? Bytes(names[1]) : std::vector<unsigned char>()};

        FreshGame b;
        Launched(*b);
        Loaded(*b);
        testing::internal::CaptureStdout();
        b->Save();
        const std::string out = testing::internal::GetCapturedStdout();
        for (int f = 0; f < 2; f++) {
            SCOPED_TRACE(names[f]);
            const std::string rejected = names[f] + ".rejected";
            EXPECT_EQ(kept[f], Exists(rejected));
            EXPECT_EQ(kept[f], out.find("> Kept Rejected " + names[f] + " as " + rejected + "\n") != std::string::npos)
                << out;
            if (kept[f] && (damage[f] == Unopenable || damage[f] == Device)) {
                EXPECT_TRUE(std::filesystem::is_symlink(Path(rejected)));
            } else if (kept[f] && damage[f] == Pipe) {
                EXPECT_TRUE(std::filesystem::is_fifo(Path(rejected)));
            } else if (kept[f]) {
                EXPECT_EQ(before[f], Bytes(rejected));
            }
            EXPECT_EQ(sizes[f], Bytes(names[f]).size());
        }
        EXPECT_EQ(std::string::npos, out.find("Error")) << out;

        // The fresh files load as they were saved.
        FreshGame again;
        Launched(*again);
        const std::string reloaded = Loaded(*again);
        for (const char* absent : {"Checksum Error", "Reset User", "Error Reading"})
            EXPECT_EQ(std::string::npos, reloaded.find(absent)) << reloaded;
        for (int i = 0; i < zindle::kSettings; i++) ASSERT_EQ(b->Settings[i], again->Settings[i]) << i;
        testing::internal::CaptureStdout();
        again->Save();
        EXPECT_EQ(std::string::npos, testing::internal::GetCapturedStdout().find("Kept Rejected"));
    }
}

// One copy is kept, the latest refused; and a file that cannot be kept aside
// is not written over, until it can be.
TEST_F(GameSave, TheLatestRejectedFileIsKeptAndNoneIsWrittenOverUnkept) {
    const std::string rejected = std::string(kSaveName) + ".rejected";
    FreshGame a;
    Launched(*a);
    Played(*a);
    a->Save();
    for (unsigned seed : {1u, 2u}) {
        Overwrite(kSaveName, Noise(zindle::kSaveFileBytes, seed));
        FreshGame b;
        Launched(*b);
        Loaded(*b);
        testing::internal::CaptureStdout();
        b->Save();
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(Noise(zindle::kSaveFileBytes, seed), Bytes(rejected)) << seed;
    }

    // The name of the copy is taken by a folder that cannot be replaced.
    std::filesystem::remove(Path(rejected));
    std::filesystem::create_directories(Path(rejected) + "/taken");
    const std::vector<unsigned char> damaged = Noise(zindle::kSaveFileBytes, 3);
    Overwrite(kSaveName, damaged);
    FreshGame c;
    Launched(*c);
    Loaded(*c);
    c->Settings[0] = 2;
    testing::internal::CaptureStdout();
    c->Save();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, out.find(std::string("> Error Keeping Rejected ") + kSaveName + "\n")) << out;
    EXPECT_EQ(damaged, Bytes(kSaveName));
    EXPECT_EQ(2, IntAt("Settings.sav", 0));  // the settings file is written all the same

    std::filesystem::remove_all(Path(rejected));
    testing::internal::CaptureStdout();
    c->Save();
    out = testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, out.find("> Kept Rejected " + std::string(kSaveName))) << out;
    EXPECT_EQ(damaged, Bytes(rejected));
    EXPECT_EQ(static_cast<size_t>(zindle::kSaveFileBytes), Bytes(kSaveName).size());
}

}  // namespace
