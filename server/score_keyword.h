// The scramble keyword of the score payload. The game sets the same 81
// characters at launch (src/game/launch.cpp); the two must never differ, or
// every request decodes to noise and is refused.
#pragma once

namespace zscores {

constexpr const char kScrambleKeyword[] =
    "Find each lost gem as WE roll along the V4le and bacK HOME to ur old cave h0m oN3";
constexpr int kScrambleKeywordLength = static_cast<int>(sizeof(kScrambleKeyword) - 1);

}  // namespace zscores
