// Run-length text packing: each run of up to 52 equal characters becomes a
// count letter and the character, with a blank after every tenth pair.
// Pure computation; the unpacker accepts any text without failing.
#pragma once

#include <string>

namespace zcommon {

// The packed text; an empty text packs to an empty text.
std::string QuellPack(const std::string& text);

// Unpacks pairs; characters that are not count letters are skipped, and a
// count letter with no character after it adds nothing.
std::string QuellUnpack(const std::string& packed);

}  // namespace zcommon
