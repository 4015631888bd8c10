// Scramble-table build, scrambling and unscrambling. The carry depends only on
// the table, never on the text, which is what makes the inverse exact.

#include "scramble_text.h"

namespace zcommon {

namespace {

// Table entries, and with them the carry, are truncated remainders: negative
// only for a keyword byte above 127 with a game number below 128. The output
// letter wraps into 0..91 so that even then it stays inside the alphabet.
int Wrap(int v) {
    const int r = v % kScrambleAlphabet;
    return r < 0 ? r + kScrambleAlphabet : r;
}

int Letter(char c) {
    const int v = static_cast<signed char>(c) - kScrambleFirstCode;
    return (v < 0 || v >= kScrambleAlphabet) ? 0 : v;
}

// The running carry: each step adds the next table entry.
int NextCarry(const signed char* table, size_t i, int carry) {
    return (table[i % kScrambleTableSize] + carry) % kScrambleAlphabet;
}

}  // namespace

bool BuildScrambleTable(const char* keyword, int length, int gameNumber, signed char* table) {
    if (keyword == nullptr || table == nullptr || length < 1 || gameNumber <= 0) return false;
    for (int i = 0; i < kScrambleTableSize; ++i) {
        // 64-bit so that a game number near the top of int cannot overflow.
        const long long sum = static_cast<long long>(i) + static_cast<signed char>(keyword[i % length]) + gameNumber;
        table[i] = static_cast<signed char>(sum % kScrambleAlphabet);
    }
    return true;
}

std::string ScrambleText(const std::string& text, const signed char* table) {
    std::string out(text.size(), ' ');
    int carry = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        carry = NextCarry(table, i, carry);
        out[i] = static_cast<char>(Wrap(Letter(text[i]) + carry) + kScrambleFirstCode);
    }
    return out;
}

std::string UnscrambleText(const std::string& text, const signed char* table) {
    std::string out(text.size(), ' ');
    int carry = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        carry = NextCarry(table, i, carry);
        out[i] = static_cast<char>(Wrap(Letter(text[i]) - carry) + kScrambleFirstCode);
    }
    return out;
}

}  // namespace zcommon
