// Run-length packer and unpacker. Count letters: 1..26 are A..Z, 27..52 are
// a..z; the six codes between Z and a read as 21..26 when unpacking.

#include "quell.h"

namespace zcommon {

namespace {

constexpr int kLongestRun = 52;
constexpr int kPairsPerGroup = 10;  // a blank follows every tenth pair

char CountLetter(int count) { return static_cast<char>(count <= 26 ? 64 + count : 70 + count); }

void AppendPair(std::string& out, int count, char ch) {
    out += CountLetter(count);
    out += ch;
}

}  // namespace

std::string QuellPack(const std::string& text) {
    std::string out;
    if (text.empty()) return out;
    char prev = text[0];
    int run = 1;
    int pairs = 0;
    auto countPair = [&]() {
        if (++pairs == kPairsPerGroup) {
            out += ' ';
            pairs = 0;
        }
    };
    for (size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == prev) {
            if (++run == kLongestRun + 1) {
                AppendPair(out, kLongestRun, prev);
                countPair();
                run = 1;
            }
        } else {
            AppendPair(out, run, prev);
            countPair();
            prev = c;
            run = 1;
        }
    }
    AppendPair(out, run, prev);
    return out;
}

std::string QuellUnpack(const std::string& packed) {
    std::string out;
    size_t i = 0;
    while (i < packed.size()) {
        const int code = static_cast<unsigned char>(packed[i]);
        if (code >= 65 && code <= 122) {
            if (i + 1 >= packed.size()) break;
            const int count = code <= 90 ? code - 64 : code - 70;
            out.append(static_cast<size_t>(count), packed[i + 1]);
            i += 2;
        } else {
            ++i;
        }
    }
    return out;
}

}  // namespace zcommon
