// The engine's seeded pseudo-random generator (Rnd, Rand) and its clock-driven
// twin (tRnd, tRand). The fixed level maps depend on the seeded sequence: its
// steps and constants must never change. No signed overflow, no index outside
// the table, whatever the seed.

#include <climits>
#include <cmath>

#include "KUVOCore.h"
#include "core_internal.h"

// 256 small numbers (codes of printable characters, 48..112) stirred into
// every draw.
const unsigned char qRand_Txt[256] = {
    52,  103, 78,  53,  71,  78,  71,  85,  72,  79,  60,  48,  100, 86,  87,  78,   // 0
    94,  108, 94,  56,  51,  107, 52,  107, 58,  50,  68,  101, 81,  83,  86,  109,  // 16
    53,  74,  49,  61,  48,  72,  88,  65,  84,  105, 91,  88,  75,  96,  82,  89,   // 32
    76,  81,  111, 70,  98,  94,  79,  106, 111, 111, 77,  55,  73,  91,  59,  69,   // 48
    62,  61,  81,  110, 85,  76,  61,  109, 71,  86,  72,  106, 90,  78,  49,  99,   // 64
    68,  95,  65,  103, 89,  67,  93,  104, 61,  66,  90,  77,  99,  110, 73,  82,   // 80
    97,  63,  85,  50,  84,  51,  65,  93,  99,  77,  71,  69,  110, 48,  86,  102,  // 96
    53,  66,  62,  56,  95,  85,  100, 108, 91,  69,  84,  100, 62,  56,  89,  75,   // 112
    68,  103, 91,  57,  82,  87,  77,  64,  108, 94,  50,  58,  105, 66,  70,  81,   // 128
    58,  60,  107, 55,  59,  74,  83,  97,  107, 108, 64,  64,  109, 59,  112, 95,   // 144
    80,  53,  89,  97,  80,  104, 73,  82,  68,  83,  98,  58,  48,  52,  102, 88,   // 160
    72,  105, 104, 100, 106, 67,  63,  75,  102, 52,  98,  69,  67,  76,  51,  70,   // 176
    64,  66,  55,  95,  110, 73,  90,  63,  96,  76,  60,  74,  103, 80,  88,  111,  // 192
    90,  97,  51,  87,  80,  79,  49,  96,  83,  67,  96,  75,  62,  50,  54,  81,   // 208
    57,  103, 101, 99,  106, 57,  70,  103, 93,  101, 59,  60,  54,  54,  65,  84,   // 224
    56,  74,  55,  109, 105, 93,  101, 49,  87,  104, 63,  98,  102, 54,  79,  57,   // 240
};

namespace {

constexpr long long kTable = 256;
constexpr long long kPlusModA = 13817278;
constexpr long long kPlusModB = 15215178;
constexpr long long kOutModA = 371716;
constexpr long long kOutModB = 1310725;  // draws are Out / kOutModB, so below 1
constexpr long long kClockSalt = 37171;
constexpr float kInclusiveTop = 0.9999f; // makes the top whole number reachable

// Remainder that is never negative. With the non-negative values that occur
// for seeds of 0 and above it is the plain remainder, so those sequences are
// untouched; it only keeps negative seeds inside the table.
long long PosMod(long long v, long long m) {
    long long r = v % m;
    return r < 0 ? r + m : r;
}

// Table entries are characters used as small signed numbers.
long long T(long long index) { return static_cast<signed char>(qRand_Txt[PosMod(index, kTable)]); }

float Scale(float a, float b, int out) {
    const float u = static_cast<float>(out) / static_cast<float>(kOutModB);
    return static_cast<float>(static_cast<double>(a) + (static_cast<double>(b) - a) * u);
}

// floor in double precision, then into an int without overflow.
int FloorToInt(float v) {
    const double f = std::floor(static_cast<double>(v));
    if (!(f == f)) return 0;
    if (f >= 2147483647.0) return INT_MAX;
    if (f <= -2147483648.0) return INT_MIN;
    return static_cast<int>(f);
}

}  // namespace

void KUVOCore::SeedRnd() { SeedRnd(Mills()); }

void KUVOCore::SeedRnd(int seed) {
    qRand_Seed = seed;
    qRand_Bit = static_cast<int>(PosMod(seed, kTable));
    const long long plus = static_cast<long long>(seed / 256) + GameNumber;
    // Only an absurd game number could push this past the int range.
    qRand_Plus = (plus > INT_MAX || plus < INT_MIN) ? static_cast<int>(PosMod(plus, kPlusModB))
                                                    : static_cast<int>(plus);
    qRand_Count = 0;
    qRand_Out = 0;
}

float KUVOCore::Rnd(float a, float b) {
    // The counter starts again at 0 where its next step would leave the range.
    qRand_Count = (qRand_Count > INT_MAX - 7) ? 0 : qRand_Count + 7;
    const long long count = qRand_Count;
    const long long seed = qRand_Seed;
    long long bit = qRand_Bit;
    long long plus = qRand_Plus;

    bit = PosMod(bit + plus, kTable);
    plus = PosMod(T(bit) + count + plus, kPlusModA);
    bit = PosMod(bit + plus, kTable);
    plus = PosMod(T(bit) + plus + seed, kPlusModB);
    bit = PosMod(bit + plus + count, kTable);
    long long out = T(bit) + T(count);
    out = PosMod(out * 16 + bit + count, kOutModA);
    out = PosMod(out * 1024 + plus, kOutModB);

    qRand_Bit = static_cast<int>(bit);
    qRand_Plus = static_cast<int>(plus);
    qRand_Out = static_cast<int>(out);
    return Scale(a, b, qRand_Out);
}

float KUVOCore::Rnd(float b) { return Rnd(0.0f, b); }

int KUVOCore::Rand(float a, float b) {
    const float top = b + kInclusiveTop;
    return FloorToInt(Rnd(a, top));
}

int KUVOCore::Rand(float b) {
    const float top = b + kInclusiveTop;
    return FloorToInt(Rnd(0.0f, top));
}

float KUVOCore::tRnd(float a, float b) {
    qRand_tSeed = (qRand_tSeed == INT_MAX) ? 0 : qRand_tSeed + 1;
    const long long ts = qRand_tSeed;
    const long long m1 = Mills();
    const long long m2 = Mills();
    const long long p = qRand_Plus;

    long long bit = PosMod(m2 + kClockSalt + p + m1 + p, kTable);
    long long q = PosMod(T(bit) + m1 + p, kPlusModA);
    bit = PosMod(bit + q, kTable);
    q = PosMod(T(bit) + q + ts, kPlusModB);
    bit = PosMod(bit + q + m1, kTable);
    long long out = T(bit) + ts + T(m1);
    out = PosMod(out * 16 + bit + m1, kOutModA);
    out = PosMod(out * 1024 + q + 7 * ts, kOutModB);
    return Scale(a, b, static_cast<int>(out));
}

float KUVOCore::tRnd(float b) { return tRnd(0.0f, b); }

int KUVOCore::tRand(float a, float b) {
    const float top = b + kInclusiveTop;
    return FloorToInt(tRnd(a, top));
}

int KUVOCore::tRand(float b) {
    const float top = b + kInclusiveTop;
    return FloorToInt(tRnd(0.0f, top));
}
