// The engine's text toolkit: printf-style formatting into the ring of scratch
// texts, number/text conversions, slicing, padding, trimming and splitting,
// and the log-line names. Every write into a scratch text is bounded to its
// slot; no helper reads outside its text, whatever index it is given.

#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "KUVOCore.h"
#include "KUVO_glfw3.h"
#include "core_internal.h"

namespace {

constexpr const char* kNoField = "-=+=-";   // answer for a missing field or key
constexpr int kClearedBytes = 1023;         // bytes of a slot cleared before each format
constexpr unsigned kPadRoom = 1023;         // a padded short text fits 1,023 characters
constexpr unsigned kSlotText = kuvo::kTempstrSize - 1;

// Texts are handled as zero-terminated, as printf's "%s" sees them.
unsigned TextLength(const std::string& s) { return static_cast<unsigned>(std::strlen(s.c_str())); }

char* NextSlot(KUVOCore& core) {
    TempstrUse = (TempstrUse < 0 || TempstrUse >= kuvo::kTempstrCount - 1) ? 0 : TempstrUse + 1;
    return core.Tempstr[TempstrUse];
}

char* FormatInto(KUVOCore& core, const char* format, va_list args) {
    char* slot = NextSlot(core);
    std::memset(slot, 0, kClearedBytes);
    std::vsnprintf(slot, kuvo::kTempstrSize, format ? format : "", args);
    return slot;
}

// strtol's reading with long being 64-bit here: anything outside int is
// clamped to its end rather than wrapped.
int ClampedLong(const std::string& s, int base) {
    const long v = std::strtol(s.c_str(), nullptr, base);
    if (v > 2147483647L) return 2147483647;
    if (v < -2147483647L - 1) return -2147483647 - 1;
    return static_cast<int>(v);
}

int PositiveMod64(long v) {
    const long r = v % 64;
    return static_cast<int>(r < 0 ? r + 64 : r);
}

// One letter of the five-bit packing: A..Z and a..z are 1..26, anything else 0.
long LetterValue(signed char ch) {
    int a = (ch <= 90) ? ch - 64 : ch - 96;
    if (a > 26 || a <= 0) a = 0;
    return a;
}

std::string UnpackSix(long n) {
    std::string out(6, ' ');
    const unsigned long u = static_cast<unsigned long>(n);
    for (int i = 0; i < 6; ++i) {
        const unsigned long b = ((u >> (25 - 5 * i)) & 31UL) | 64UL;
        if (b > 64 && b <= 90) out[i] = static_cast<char>(b);
    }
    return out;
}

// Shared body of LeftPad and RightPad: three ring advances (the pad run, the
// joined text, the cut result) as callers of the ring expect. A short text is
// padded within 1,023 characters in all; a longer one keeps its own length
// limit of one slot, so neither the pad run nor the join can overflow.
std::string Pad(KUVOCore& core, const std::string& s, unsigned width, char pad, bool textFirst) {
    const char* text = s.c_str();
    const unsigned len = TextLength(s);
    unsigned k = width;
    if (len <= kPadRoom) {
        if (kPadRoom - len < k) k = kPadRoom - len;
    } else if (k > kSlotText) {
        k = kSlotText;
    }

    // A zero pad character ends the pad run at once, as in a C string.
    const std::string padRun(pad == '\0' ? 0 : k, pad);
    char* padSlot = NextSlot(core);
    std::memcpy(padSlot, padRun.c_str(), padRun.size() + 1);

    const std::string joined = textFirst ? std::string(text) + padRun : padRun + std::string(text);
    core.tstr("%s", joined.c_str());

    const size_t take = joined.size() < k ? joined.size() : k;
    const std::string cut = textFirst ? joined.substr(0, take) : joined.substr(joined.size() - take);
    core.fstr("%s", cut.c_str());
    return cut;
}

}  // namespace

char* KUVOCore::fstr(const char* format, ...) {
    va_list args;
    va_start(args, format);
    char* slot = FormatInto(*this, format, args);
    va_end(args);
    return slot;
}

void KUVOCore::tstr(const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatInto(*this, format, args);
    va_end(args);
}

int KUVOCore::Print(const char* text) {
    ASys.Debuglog(text ? text : "");
    return 1;
}

int KUVOCore::Debuglog(const char* text) { return Print(text); }
int KUVOCore::DebugLog(const char* text) { return Print(text); }
int KUVOCore::Debug(const char* text) { return Print(text); }

std::string KUVOCore::Hex(int v) { return std::string(fstr("%X", static_cast<unsigned>(v))); }

int KUVOCore::HexToInt(std::string s) { return ClampedLong(s, 16); }

// Named for binary but prints the unsigned decimal value; BinToInt does not
// read it back. Kept so stored texts stay the same.
std::string KUVOCore::Bin(int v) { return std::string(fstr("%u", static_cast<unsigned>(v))); }

int KUVOCore::BinToInt(std::string s) { return ClampedLong(s, 2); }

int KUVOCore::StrToInt(std::string s) { return ClampedLong(s, 10); }

int KUVOCore::ToInt(std::string s) { return StrToInt(s); }

// The 64-character code alphabet: _ - 0..9 A..Z a..z, computed from ASCII runs.
int KUVOCore::Char64(int v) {
    int c = PositiveMod64(v) + 46;
    if (c > 57) c += 7;
    if (c > 90) c += 6;
    if (c == 46) c = 95;
    if (c == 47) c = 45;
    return c;
}

int KUVOCore::Char64b(int v) {
    const int c = Char64(v);
    return c == 95 ? 32 : c;
}

int KUVOCore::Int64(char ch) {
    long c = static_cast<signed char>(ch);
    if (c == 95) c = 46;
    else if (c == 45) c = 47;
    if (c > 90) c -= 6;
    if (c > 57) c -= 7;
    c -= 46;
    return PositiveMod64(c);
}

std::string KUVOCore::Char64x4(long v) {
    const unsigned long u = static_cast<unsigned long>(v);
    std::string out(4, '_');
    for (int i = 0; i < 4; ++i) out[i] = static_cast<char>(Char64(static_cast<int>((u >> (6 * i)) & 63UL)));
    return out;
}

// A text shorter than four characters reads its missing ones as index 0.
int KUVOCore::Int64x4(const char* s) {
    int idx[4] = {0, 0, 0, 0};
    if (s) {
        for (int i = 0; i < 4 && s[i] != '\0'; ++i) idx[i] = Int64(s[i]);
    }
    return ((idx[3] * 64 + idx[2]) * 64 + idx[1]) * 64 + idx[0];
}

long KUVOCore::SixDigitString(std::string s) {
    long sum = 0;
    for (size_t i = 0; i < 6 && i < s.size(); ++i) {
        sum += LetterValue(static_cast<signed char>(s[i])) << (25 - 5 * static_cast<int>(i));
    }
    return sum;
}

std::string KUVOCore::SixDigitString(long a) { return UnpackSix(a); }

std::string KUVOCore::SixDigitString(long a, long b) { return UnpackSix(a) + UnpackSix(b); }

std::string KUVOCore::SixDigitString(long a, long b, long c) { return UnpackSix(a) + UnpackSix(b) + UnpackSix(c); }

const char* KUVOCore::nth(int n) {
    const int last = n % 10;
    if (n == 1 || (n > 20 && last == 1)) return fstr("%dst", n);
    if (n == 2 || (n > 20 && last == 2)) return fstr("%dnd", n);
    if (n == 3 || (n > 20 && last == 3)) return fstr("%drd", n);
    return fstr("%dth", n);
}

std::string KUVOCore::Left(std::string s, int n) { return std::string(fstr("%.*s", n, s.c_str())); }

// n past the start gives the whole text; n of 0 or less gives "".
std::string KUVOCore::Right(std::string s, int n) {
    const unsigned len = TextLength(s);
    if (n <= 0) return std::string(fstr("%s", ""));
    const unsigned take = static_cast<unsigned>(n) > len ? len : static_cast<unsigned>(n);
    return std::string(fstr("%s", s.c_str() + (len - take)));
}

// A start past the end gives ""; a start before the text counts from its
// first character, and the count is not shortened by it.
std::string KUVOCore::Mid(std::string s, int start, int n) {
    const unsigned len = TextLength(s);
    if (start < 0) start = 0;
    if (static_cast<unsigned>(start) > len) return std::string(fstr("%s", ""));
    return std::string(fstr("%.*s", n, s.c_str() + start));
}

std::string KUVOCore::LeftPad(std::string s, unsigned int width, char pad) { return Pad(*this, s, width, pad, true); }

std::string KUVOCore::RightPad(std::string s, unsigned int width, char pad) { return Pad(*this, s, width, pad, false); }

// Bytes 128..255 read as negative and so count as blank, like control
// characters. A text with nothing visible trims to "".
std::string KUVOCore::Trim(std::string s) {
    const char* text = s.c_str();
    const unsigned len = TextLength(s);
    unsigned lo = len, hi = 0;
    for (unsigned i = 0; i < len; ++i) {
        if (static_cast<signed char>(text[i]) > 32) {
            if (lo == len) lo = i;
            hi = i;
        }
    }
    if (lo == len) return std::string(fstr("%s", ""));
    return std::string(fstr("%.*s", static_cast<int>(hi - lo + 1), text + lo));
}

std::string KUVOCore::Strip(std::string s) {
    std::string out;
    for (const char* p = s.c_str(); *p; ++p) {
        if (*p != ' ') out += *p;
    }
    return std::string(fstr("%s", out.c_str()));
}

std::string KUVOCore::iniLeft(std::string s) {
    const char* text = s.c_str();
    const char* eq = std::strchr(text, '=');
    if (!eq) return kNoField;
    return std::string(fstr("%.*s", static_cast<int>(eq - text), text));
}

std::string KUVOCore::iniRight(std::string s) {
    const char* eq = std::strchr(s.c_str(), '=');
    if (!eq) return kNoField;
    return std::string(fstr("%s", eq + 1));
}

// The character at the last position always belongs to the last field, even
// when it is the separator, so "a,b," has two fields (the second "b,").
std::string KUVOCore::Split(std::string s, char sep, int field) {
    const char* text = s.c_str();
    const unsigned len = TextLength(s);
    if (len == 0 || field <= 0) return kNoField;
    int count = 0;
    unsigned start = 0;
    for (unsigned p = 0; p < len; ++p) {
        const bool last = (p == len - 1);
        if (text[p] != sep && !last) continue;
        ++count;
        const unsigned end = last ? p + 1 : p;
        if (count == field) return std::string(fstr("%.*s", static_cast<int>(end - start), text + start));
        start = p + 1;
    }
    return kNoField;
}

int KUVOCore::SplitCount(std::string s, char sep) {
    int n = 1;
    for (const char* p = s.c_str(); *p; ++p) {
        if (*p == sep) ++n;
    }
    return n;
}
