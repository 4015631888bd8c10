// The keyed text scrambler shared by the game and the score server: the table
// built from the keyword and game number, the scrambling and its inverse.
// Pure computation on byte strings; nothing here does I/O or keeps state.
#pragma once

#include <string>

namespace zcommon {

constexpr int kScrambleTableSize = 64;  // entries of a scramble table
constexpr int kScrambleAlphabet = 92;   // output codes 32 (blank) .. 123 (left brace)
constexpr int kScrambleFirstCode = 32;

// Fills table[0..63] from the keyword (its first `length` bytes, read as
// signed) and the game number. Returns false and leaves the table alone when
// the keyword is empty or the game number is not above 0.
bool BuildScrambleTable(const char* keyword, int length, int gameNumber, signed char* table);

// The text scrambled with the table: same length, every character in codes
// 32..123. A character outside 32..123 is scrambled as a blank.
std::string ScrambleText(const std::string& text, const signed char* table);

// Undoes ScrambleText with the same table. Characters outside 32..123 (which
// ScrambleText never writes) are read as a blank.
std::string UnscrambleText(const std::string& text, const signed char* table);

}  // namespace zcommon
