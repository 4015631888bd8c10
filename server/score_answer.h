// The answer the game reads: its framing tags around 22 "{"-separated fields
// per board. Pure text building; it never reads the store itself.
#pragma once

#include <string>
#include <vector>

#include "score_answer_format.h"
#include "score_store.h"

namespace zscores {

using zcommon::kAnswerEndTag;
using zcommon::kAnswerStartTag;

// boards[j] holds the leaders of board j + 1 (at most kTopCount are used).
// Field 1 of a board is "OnlineScores", field 2 its number; rank k has its
// name, best, newest and rank number. Empty ranks have no name and score 0.
// Only the text between the tags is counted against the game's limit.
std::string FormatAnswer(const std::vector<std::vector<RankedScore>>& boards);

}  // namespace zscores
