// How a score server's answer reaches the game: the tags its web fetch cuts
// the payload out between, and the fields of one board inside it. Written by
// zindle-scores, read by the game; constants only, so the two cannot drift.
#pragma once

namespace zcommon {

constexpr char kAnswerStartTag[] = "[-\r\nData-]";   // the payload follows this...
constexpr char kAnswerEndTag[] = "[-\r\nEnd-]";      // ...and ends before this
constexpr char kAnswerSeparator = '{';               // between two fields
constexpr char kAnswerBoardWord[] = "OnlineScores";  // first field of every board
constexpr int kAnswerRanks = 5;                      // names and scores per board
constexpr int kAnswerFieldsPerBoard = 2 + 4 * kAnswerRanks;  // the word, the board number, four per rank

}  // namespace zcommon
