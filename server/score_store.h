// The storage interface of zindle-scores: record one checked submission, read
// a board's leaders and one player's entry. SQLite implements it today; a
// PostgreSQL store can replace it without touching the request code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "score_request.h"

namespace zscores {

// One row of a board's leaders, best first.
struct RankedScore {
    std::string name;
    int best = 0;
    int newest = 0;
};

// One player's entry on one board.
struct StoredScore {
    std::string name;
    int best = 0;
    int newest = 0;
    std::int64_t bestTime = 0;  // when the best was first reached (seconds since 1970)
    std::int64_t updated = 0;   // when the entry was last written
};

class ScoreStore {
public:
    virtual ~ScoreStore() = default;

    // Stores the submission in one transaction: the player's name, and for
    // each board with a best above 0 the best ever sent and the newest sent.
    // On failure nothing is changed and false is returned.
    virtual bool Record(const Submission& s, std::int64_t now) = 0;

    // Stores several submissions in one transaction, in order, as Record
    // would one by one: all of them or, on failure, none (false).
    virtual bool RecordAll(const std::vector<Submission>& batch, std::int64_t now) = 0;

    // Up to `count` leaders of one board: one row per player, highest best
    // first; equal bests in the order they were reached. False on failure.
    virtual bool Top(int game, int board, int count, std::vector<RankedScore>& out) = 0;

    // One player's entry on one board; false when there is none.
    virtual bool Find(int game, const std::string& userId, int board, StoredScore& out) = 0;
};

}  // namespace zscores
