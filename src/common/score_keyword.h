// The scramble keyword of the score payload, shared by the game (which sets it
// at launch) and the score server (which undoes the scrambling with it). One
// copy only: if the two ever differed every request would decode to noise.
#pragma once

namespace zcommon {

constexpr const char kScrambleKeyword[] =
    "Find each lost gem as WE roll along the V4le and bacK HOME to ur old cave h0m oN3";
constexpr int kScrambleKeywordLength = static_cast<int>(sizeof(kScrambleKeyword) - 1);

}  // namespace zcommon
