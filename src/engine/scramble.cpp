// The engine's text scrambling, run-length packing and keyed checksum. The
// arithmetic lives in the shared zindle_common library so that the game and
// the score server can never disagree; nothing here computes on its own.

#include <cstdio>
#include <cstring>

#include "KUVOCore.h"
#include "quell.h"
#include "scramble_text.h"
#include "text_checksum.h"

static_assert(kuvo::kScrambleTable == zcommon::kScrambleTableSize, "one table size for game and server");

void KUVOCore::SetKeyword(std::string k) {
    // Cut at the first zero byte and to the array, always terminated.
    std::snprintf(Keyword, sizeof Keyword, "%s", k.c_str());
    Rescramble();
}

void KUVOCore::Rescramble() {
    const int length = static_cast<int>(strnlen(Keyword, sizeof Keyword));
    // An empty keyword or a game number of 0 leaves the table as it was.
    zcommon::BuildScrambleTable(Keyword, length, GameNumber, ScrambleTable);
}

std::string KUVOCore::ScrambleTxt(std::string t) { return zcommon::ScrambleText(t, ScrambleTable); }

// The exact inverse for any text ScrambleTxt wrote with the same table.
std::string KUVOCore::UnscrambleTxt(std::string t) { return zcommon::UnscrambleText(t, ScrambleTable); }

std::string KUVOCore::QuellPack(std::string t) { return zcommon::QuellPack(t); }

std::string KUVOCore::QuellUnpack(std::string t) { return zcommon::QuellUnpack(t); }

unsigned int KUVOCore::Checksum(std::string t, int k) { return zcommon::TextChecksum(t, k); }

unsigned int KUVOCore::Checksum(std::string t) { return zcommon::TextChecksum(t, GameNumber); }
