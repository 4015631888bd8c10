// The layout and arithmetic of "Settings.sav" and the save file: names, byte
// counts, the user-ID checks and the running checksums. Pure and exact: stored
// files depend on every value here, so none of it may change.
#pragma once

#include <cstddef>
#include <string>

namespace zindle {

constexpr const char* kSettingsFileName = "Settings.sav";
constexpr const char* kRejectedSuffix = ".rejected";  // the copy Save keeps of a file Load refused
constexpr int kMissingValue = -37171;  // what an integer read past the end of a file gives

// A block checksum follows every score entry whose index i has i mod 37 = 1.
constexpr int kScoreBlockSpan = 37;
constexpr int kScoreBlockEnd = 1;
constexpr int kScoreTableOffset = 404;  // first score entry of the save file
constexpr int kFirstBlockEnd = 416;     // offset just after the first block checksum
constexpr int kBlockBytes = 152;        // 37 entries and their checksum

constexpr int kIntBytes = 4;              // every value of both files is a 32-bit integer
constexpr int kKeyTableOffset = 400;      // the binding table of "Settings.sav", after its 100 slots
constexpr int kSettingsFileBytes = 4496;  // 100 slots and 16 x 64 bindings
constexpr int kSaveFileBytes = 90788;     // 100 slots, a checksum, 22,000 entries, 596 checksums

// The multipliers of both checksums, from the user ID and the game number.
struct ChecksumKeys {
    int A;  // date stamp mod 5 + 3
    int B;  // time stamp mod 4 + 4
    int C;  // game number mod 6 + 2
    int Game;
};
ChecksumKeys ChecksumKeysOf(int userDate, int userTime, int game);

// One step of the running checksum over value at index: an int sum with
// 32-bit wrap-around, taken to a float, its float remainder by a fixed
// modulus, truncated back. Settings weigh the index with B and C, scores with
// C and B, each with its own modulus.
int SettingsChecksumStep(const ChecksumKeys& keys, int checksum, int value, int index);
int ScoreChecksumStep(const ChecksumKeys& keys, int checksum, int value, int index);

// The check kept beside the user ID in "Settings.sav" (slot 27) and beside
// its copy in the save file (slot 127).
int UserIdCheck(int date, int time, int random);
int UserIdCopyCheck(int date, int time, int random);

// "Save_%i_%s.sav" with the title made file-safe: sixteen punctuation
// characters and the blank become "_", bytes above 127 are dropped. At most
// titleSize bytes of title are read; it ends at its first zero byte.
std::string SaveFileName(int game, const char* title, size_t titleSize);

}  // namespace zindle
