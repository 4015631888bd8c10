// Fixed sizes and defaults of zindle-scores: what the game sends and reads, the
// request limits and the listening defaults. Constants only; the request code,
// the store and the HTTP wiring all take their bounds from here.
#pragma once

#include <cstddef>

#include "score_answer_format.h"

namespace zscores {

// ---- the game this server keeps boards for
constexpr int kGameNumber = 559;   // the game's number, sent as "0559" twice in every request
constexpr int kGameVersion = 1;    // the only payload version the game sends
constexpr int kGameMode = 0;       // the only request mode the game sends
constexpr int kBoardCount = 3;     // score boards per request and per answer (level sets A, B, Random)
constexpr int kTopCount = zcommon::kAnswerRanks;  // names and scores per board in the answer

// ---- the payload fields
constexpr size_t kUserIdMax = 18;    // three packed numbers of six letters, blanks removed
constexpr size_t kNameLength = 12;   // the online name as shown: twelve characters, blanks included
constexpr size_t kNumberWidth = 4;   // game, version and mode are sent as "%04d"
constexpr size_t kScoreDigitsMax = 10;  // a non-negative 32-bit score in decimal
constexpr size_t kPayloadMax = 256;  // unescaped payload; the game's longest is under 120
constexpr size_t kEscapedMax = 1024;  // the Score parameter as it arrives; each character may take five
constexpr size_t kAnswerMax = 1023;  // characters the game keeps of an answer

// ---- HTTP limits (cpp-httplib runtime setters)
constexpr int kDefaultPort = 8559;              // the game's built-in score host is localhost:8559
constexpr const char* kDefaultBind = "127.0.0.1";  // loopback unless told otherwise
constexpr const char* kDefaultDatabase = "zindle-scores.db";
constexpr size_t kBodyMax = 1024;          // request bodies; the game sends none
constexpr int kReadTimeoutSec = 3;         // the game sends its whole request in one write
constexpr int kWriteTimeoutSec = 3;
constexpr int kKeepAliveMax = 5;           // requests on one connection (the game closes after one)
constexpr int kKeepAliveTimeoutSec = 2;
constexpr size_t kWorkerThreads = 8;       // connections served at once; storage is one writer anyway

// ---- the writer (group commit)
constexpr size_t kWriteBatchMax = 256;     // submissions stored in one transaction
constexpr size_t kWriteQueueMax = 4096;    // submissions waiting to be stored

// ---- rate per client address (token bucket)
constexpr double kRatePerMinute = 60.0;    // sustained requests per minute per address
constexpr double kRateBurst = 20.0;        // requests an idle address may send at once
constexpr size_t kRateAddressesMax = 4096;  // addresses tracked before idle ones are forgotten

// ---- storage
constexpr int kBusyTimeoutMs = 5000;       // wait for another process's write lock
constexpr int kSchemaVersion = 1;          // PRAGMA user_version of a database we created

// ---- request log
constexpr size_t kLogFieldMax = 96;        // characters of a path or reason in one log line

}  // namespace zscores
