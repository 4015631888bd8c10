// The settings file and the save file: what Load reads at start-up and Save
// writes, the user ID, and the checksums that bind the score table to it.
// Reads never index outside a table, whatever a short or edited file holds.

#include "save_format.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "MyGame.h"

namespace {

constexpr int kSlotUserDate = 24;
constexpr int kSlotUserTime = 25;
constexpr int kSlotUserRandom = 26;
constexpr int kSlotUserCheck = 27;
constexpr int kSlotSelectedSet = 101;
constexpr int kSlotCopyDate = 124;
constexpr int kSlotCopyTime = 125;
constexpr int kSlotCopyRandom = 126;
constexpr int kSlotCopyCheck = 127;

constexpr float kSettingsModulus = 37171652.0f;
constexpr float kScoreModulus = 37961356.0f;

// The two's-complement reading of 32 bits, without relying on the
// conversion of an out-of-range unsigned value.
int32_t Signed(uint32_t u) {
    return u <= 0x7FFFFFFFu ? static_cast<int32_t>(u) : -static_cast<int32_t>(~u) - 1;
}

int Step(int checksum, int value, int index, int valueWeight, int indexAdd, int indexWeight, int game,
         float modulus) {
    const uint32_t sum = (static_cast<uint32_t>(value) + static_cast<uint32_t>(game)) * static_cast<uint32_t>(valueWeight) +
                         (static_cast<uint32_t>(index) + static_cast<uint32_t>(indexAdd)) * static_cast<uint32_t>(indexWeight) +
                         static_cast<uint32_t>(checksum);
    // The float carries only 24 bits of the sum; the stored checksums were
    // made that way, so the rounding stays. The remainder is below the
    // modulus and fits an int exactly.
    const float rest = std::fmod(static_cast<float>(Signed(sum)), modulus);
    return static_cast<int>(rest);
}

}  // namespace

namespace zindle {

ChecksumKeys ChecksumKeysOf(int userDate, int userTime, int game) {
    return {userDate % 5 + 3, userTime % 4 + 4, game % 6 + 2, game};
}

int SettingsChecksumStep(const ChecksumKeys& k, int checksum, int value, int index) {
    return Step(checksum, value, index, k.A, k.B, k.C, k.Game, kSettingsModulus);
}

int ScoreChecksumStep(const ChecksumKeys& k, int checksum, int value, int index) {
    return Step(checksum, value, index, k.A, k.C, k.B, k.Game, kScoreModulus);
}

int UserIdCheck(int date, int time, int random) { return date % 37171 + time % 17021 + random % 53496; }

int UserIdCopyCheck(int date, int time, int random) { return date % 53496 + time % 37171 + random % 17021; }

std::string SaveFileName(int game, const char* title, size_t titleSize) {
    static const char kReplaced[] = "&`\">#^{}<|%?+$, ";
    std::string safe;
    const size_t length = title != nullptr ? strnlen(title, titleSize) : 0;
    for (size_t i = 0; i < length; i++) {
        const unsigned char c = static_cast<unsigned char>(title[i]);
        if (c > 127) continue;
        safe += std::strchr(kReplaced, c) != nullptr ? '_' : static_cast<char>(c);
    }
    char number[16];
    std::snprintf(number, sizeof number, "%i", game);
    return std::string("Save_") + number + "_" + safe + ".sav";
}

}  // namespace zindle

void MyGame::Save() {
    using namespace zindle;
    // A file Load refused is renamed beside itself before a fresh one takes
    // its place, so a file damaged on disk stays there to be looked at (the
    // latest one refused). One that cannot be kept is not written over.
    auto keepRejected = [this](const std::string& name, int& rejected) {
        if (rejected != 1) return true;
        const std::string kept = name + kRejectedSuffix;
        const int renamed = RenameFile(name, kept);
        if (renamed < 0) {
            Debuglog(fstr("Error Keeping Rejected %s", name.c_str()));
            return false;
        }
        if (renamed > 0) Debuglog(fstr("Kept Rejected %s as %s", name.c_str(), kept.c_str()));
        rejected = 0;
        return true;
    };
    if (keepRejected(kSettingsFileName, SettingsFileRejected) && WriteFile(kSettingsFileName)) {
        for (int i = 0; i < kSettingsPerFile; i++) WriteInt(Settings[i]);
        for (int j = 0; j < kVirtualKeys; j++) {
            for (int k = 0; k < kBindingSlots; k++) WriteInt(KeyValue(j, k));
        }
        CloseFile();
    }

    const ChecksumKeys keys = ChecksumKeysOf(Settings[kSlotUserDate], Settings[kSlotUserTime], GameNumber);
    const std::string saveName = SaveFileName(GameNumber, Title, sizeof Title);
    if (!keepRejected(saveName, SaveFileRejected) || !WriteFile(saveName)) return;
    int c = 0;
    for (int i = kSettingsPerFile; i < kSettings; i++) {
        WriteInt(Settings[i]);
        c = SettingsChecksumStep(keys, c, Settings[i], i);
    }
    WriteInt(c);
    c = 0;
    for (int i = 0; i < kScoreEntries; i++) {
        if (ScoreTable[i] != 0) c = ScoreChecksumStep(keys, c, ScoreTable[i], i);
        WriteInt(ScoreTable[i]);
        if (i % kScoreBlockSpan == kScoreBlockEnd) {
            WriteInt(c);
            c = 0;
        }
    }
    WriteInt(c);
    CloseFile();
}

void MyGame::Load() {
    using namespace zindle;
    Debuglog("Load Settings");
    SettingsFileRejected = 1;  // until the file is read whole and its user ID checks
    if (ReadFile(kSettingsFileName)) {
        // A value above the end-of-file value is taken as it stands, whatever
        // its range: the screens and the loop that read a slot keep within
        // what they can use, so a hand-edited value survives the next save.
        for (int i = 0; i < kSettingsPerFile; i++) {
            const int v = ReadInt();
            if (v > kMissingValue) Settings[i] = v;
        }
        // A row is taken only when the file holds all of it: a file cut short
        // inside a row would otherwise push the defaults out with nothing in
        // their place, leaving that key unbound. In a whole row a value at
        // the end-of-file value or below is passed over, as for the slots,
        // and the row's other values go in as they stand.
        for (int j = 0; j < kVirtualKeys; j++) {
            int row[kBindingSlots];
            for (int k = 0; k < kBindingSlots; k++) row[k] = ReadInt();
            if (FilePos() < kKeyTableOffset + (j + 1) * kBindingSlots * kIntBytes) continue;
            for (int k = 0; k < kBindingSlots; k++)
                if (row[k] > kMissingValue) SetKey(j, row[k]);
        }
        SettingsFileRejected = FilePos() < kSettingsFileBytes ? 1 : 0;
        CloseFile();
    }
    if (Settings[kSlotUserCheck] != UserIdCheck(Settings[kSlotUserDate], Settings[kSlotUserTime], Settings[kSlotUserRandom])) {
        std::fputs("A", stdout);
        SettingsFileRejected = 1;
        Settings[kSlotUserDate] = Settings[kSlotUserTime] = Settings[kSlotUserRandom] = 0;
    }

    Debuglog("Load Scores");
    const ChecksumKeys keys = ChecksumKeysOf(Settings[kSlotUserDate], Settings[kSlotUserTime], GameNumber);
    bool ok = true;
    bool absent = true;
    SaveFileRejected = 1;  // until the file is read whole and its checksums hold
    if (ReadFile(SaveFileName(GameNumber, Title, sizeof Title))) {
        absent = false;
        // Every value is taken as read but for the end-of-file value: slots
        // cut off by a short file keep their defaults. The settings checksum
        // is carried but never checked.
        for (int i = kSettingsPerFile; i < kSettings; i++) {
            const int v = ReadInt();
            if (v != kMissingValue) Settings[i] = v;
        }
        ReadInt();
        FileSeek(kScoreTableOffset);
        int c = 0;
        int block = 0;
        for (int i = 0; i < kScoreEntries; i++) {
            const int v = ReadInt();
            if (v != 0) c = ScoreChecksumStep(keys, c, v, i);
            // An entry cut off by a short file is an empty entry.
            ScoreTable[i] = v == kMissingValue ? 0 : v;
            if (i % kScoreBlockSpan != kScoreBlockEnd) continue;
            const int stored = ReadInt();
            if (stored != c && stored != kMissingValue && ok) {
                ok = false;
                Debuglog("Checksum Error");
            }
            FileSeek(kFirstBlockEnd + kBlockBytes * block);
            block++;
            c = 0;
        }
        ReadInt();  // the last block's checksum, never checked
        SaveFileRejected = !ok || FilePos() < kSaveFileBytes ? 1 : 0;
        if (!ok) Settings[kSlotCopyDate] = Settings[kSlotCopyTime] = Settings[kSlotCopyRandom] = 0;
        CloseFile();
    }
    if (Settings[kSlotCopyCheck] != UserIdCopyCheck(Settings[kSlotCopyDate], Settings[kSlotCopyTime], Settings[kSlotCopyRandom]))
        Settings[kSlotCopyDate] = Settings[kSlotCopyTime] = Settings[kSlotCopyRandom] = 0;
    if (absent) {
        Settings[kSlotCopyDate] = Settings[kSlotUserDate];
        Settings[kSlotCopyTime] = Settings[kSlotUserTime];
        Settings[kSlotCopyRandom] = Settings[kSlotUserRandom];
    }

    if (Settings[kSlotUserDate] == 0 && Settings[kSlotUserTime] == 0 && Settings[kSlotUserRandom] == 0) {
        Debuglog("Reset User");
        Settings[kSlotUserDate] = Date_Year() * 10000 + Date_Month() * 100 + Date_Day();
        Settings[kSlotUserTime] = Time_Hour() * 10000 + Time_Minute() * 100 + Time_Second();
        SeedRnd();
        for (int n = 0; n < 100; n++) Rnd(10);
        const int m = Mills();
        Settings[kSlotUserRandom] = static_cast<int>(Rnd(1000, 9999) + static_cast<float>((m % 1000) * 10000));
        Settings[kSlotUserCheck] = UserIdCheck(Settings[kSlotUserDate], Settings[kSlotUserTime], Settings[kSlotUserRandom]);
    }

    if (!ok) {
        Debuglog("Clearing Scoreboard");
        for (int i = kSettingsPerFile; i < kSettings; i++) Settings[i] = 0;
        for (int& entry : ScoreTable) entry = 0;
    }
    Settings[kSlotCopyDate] = Settings[kSlotUserDate];
    Settings[kSlotCopyTime] = Settings[kSlotUserTime];
    Settings[kSlotCopyRandom] = Settings[kSlotUserRandom];
    Settings[kSlotCopyCheck] = UserIdCopyCheck(Settings[kSlotCopyDate], Settings[kSlotCopyTime], Settings[kSlotCopyRandom]);
    // No board 0 (what a clear leaves): the first board. Any other number
    // stays; the set-up page wraps it and the score boards refuse one
    // outside the table.
    if (Settings[kSlotSelectedSet] == 0) Settings[kSlotSelectedSet] = 1;

    const std::string id = Strip(SixDigitString(Settings[kSlotUserDate], Settings[kSlotUserTime], Settings[kSlotUserRandom]));
    Debuglog(fstr("User ID '%s'", id.c_str()));
    SendScores(0);
}
