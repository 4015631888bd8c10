// Fuzz target: the shared text codes undone exactly. Scrambling, with the
// game's key and with a key made from the input, comes back as the text
// (every character outside the scrambler's alphabet as a blank); payload
// escaping comes back as the text less the bytes it drops, whenever the text
// holds no piece of a code of its own; run-length packing comes back whole.

#include <string>

#include "fuzz_check.h"
#include "payload_escape.h"
#include "quell.h"
#include "scramble_text.h"
#include "score_keyword.h"

namespace {

constexpr int kGameNumber = 559;

bool InAlphabet(unsigned char c) {
    return c >= zcommon::kScrambleFirstCode && c < zcommon::kScrambleFirstCode + zcommon::kScrambleAlphabet;
}

// The escape codes are "*!X!*" for nineteen letters X; a text holding "*!X!"
// itself cannot be told from its escaped form, so it is left out.
bool HoldsCodeStart(const std::string& t) {
    static const std::string kLetters = "ABCDEFGHIJKLMPQRSTU";
    for (size_t i = 0; i + 4 <= t.size(); ++i)
        if (t[i] == '*' && t[i + 1] == '!' && t[i + 3] == '!' && kLetters.find(t[i + 2]) != std::string::npos)
            return true;
    return false;
}

void CheckScramble(const std::string& text, const signed char* table) {
    const std::string scrambled = zcommon::ScrambleText(text, table);
    FUZZ_CHECK(scrambled.size() == text.size());
    for (char c : scrambled) FUZZ_CHECK(InAlphabet(static_cast<unsigned char>(c)));
    const std::string back = zcommon::UnscrambleText(scrambled, table);
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        FUZZ_CHECK(back[i] == (InAlphabet(c) ? text[i] : ' '));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    signed char table[zcommon::kScrambleTableSize];
    FUZZ_CHECK(zcommon::BuildScrambleTable(zcommon::kScrambleKeyword, zcommon::kScrambleKeywordLength, kGameNumber,
                                           table));
    CheckScramble(text, table);
    if (size >= 3) {
        // A key of the input's own: its first two bytes are the game number,
        // the rest of the first sixteen the keyword.
        const int game = 1 + (data[0] | data[1] << 8);
        const int length = static_cast<int>(std::min<size_t>(size - 2, 16));
        FUZZ_CHECK(zcommon::BuildScrambleTable(text.data() + 2, length, game, table));
        CheckScramble(text, table);
    }

    std::string kept;
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u >= 1 && u <= 127) kept += c;
    }
    const std::string escaped = zcommon::EscapePayload(text);
    for (char c : escaped) FUZZ_CHECK(std::string("&\\'`\"/>#^{}<|%?+$, ").find(c) == std::string::npos);
    if (!HoldsCodeStart(kept)) FUZZ_CHECK(zcommon::UnescapePayload(escaped) == kept);

    FUZZ_CHECK(zcommon::QuellUnpack(zcommon::QuellPack(text)) == text);
    return 0;
}
