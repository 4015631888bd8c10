// Reading one score request: the raw request target is split into its Game and
// Score parameters, the payload's escaping and scrambling are undone with the
// shared code of src/common, and every field is checked. Pure: no I/O, no store.
#pragma once

#include <string>
#include <vector>

#include "scores_limits.h"
#include "scramble_text.h"

namespace zscores {

struct BoardScore {
    int board = 0;   // 1..kBoardCount
    int best = 0;    // the player's best on this board; 0 when never played
    int newest = 0;  // the newest score the game knew when it sent (1 stands for "none yet")
};

struct Submission {
    std::string userId;  // 1..18 capitals
    std::string name;    // the online name, exactly as sent (12 characters)
    int game = 0;
    std::vector<BoardScore> boards;  // boards 1..kBoardCount in order
};

// The outcome of reading a request: status 200 with the submission, or the
// HTTP status to answer and a one-line reason for the client and the log.
struct Verdict {
    int status = 200;
    std::string reason;
    Submission submission;
    bool ok() const { return status == 200; }
};

// The scramble table of this server's game: the shared table code fed with
// the game's keyword and number.
struct ScrambleKey {
    signed char table[zcommon::kScrambleTableSize];
    ScrambleKey();
};

// Reads a whole request target ("/Scores.php?Game=0559&Score=..."), raw as it
// arrived: no percent-decoding, since the game never sends a percent sign.
Verdict ReadScoreRequest(const std::string& target, const ScrambleKey& key);

// Checks an unscrambled payload ("ID{NAME{0559{0001{0000{b{n{...KUVO{").
Verdict ReadPayload(const std::string& payload);

// True for a character of the online-name alphabet: blank, minus, digits,
// capitals, small letters.
bool IsNameCharacter(char c);

}  // namespace zscores
