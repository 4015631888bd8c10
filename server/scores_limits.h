// Fixed sizes and defaults of zindle-scores: what the game sends and reads, the
// request and connection limits and the listening defaults. Constants only; the
// request code, the store, the writer and the HTTP layer take their bounds here.
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

// ---- listening
constexpr int kDefaultPort = 8559;              // the game's built-in score host is localhost:8559
constexpr const char* kDefaultBind = "127.0.0.1";  // loopback unless told otherwise
constexpr const char* kDefaultDatabase = "zindle-scores.db";
constexpr int kListenBacklog = 1024;       // connections the system queues before they are accepted
constexpr int kIoThreads = 4;              // threads serving every connection; storage has its own
constexpr int kAcceptRetryMs = 50;         // pause before accepting again when out of file descriptors

// ---- HTTP limits
constexpr size_t kHeadMax = 8192;          // request line and headers; the game's are under 512 bytes
constexpr size_t kBodyMax = 1024;          // request bodies; the game sends none
constexpr size_t kRequestLineMethodMax = 16;  // letters of a method before the request line is refused
constexpr size_t kHostMax = 253 + 6;       // a Host value: a DNS name (253) and ":65535", the game's longest
constexpr int kRequestDeadlineSec = 5;     // a whole request, head and body, from connect (or from its
                                           // first byte on a kept connection); then it is closed
constexpr int kWriteTimeoutSec = 3;        // an answer not taken by then closes the connection
constexpr int kLingerMs = 1000;            // after a last answer, what the client still sends is read
constexpr size_t kLingerBytesMax = 262144; // and dropped for this long, up to this much, so it gets the answer
constexpr int kKeepAliveMax = 5;           // requests on one connection (the game closes after one)
constexpr int kKeepAliveIdleSec = 2;       // a kept connection with no new request is closed after this
constexpr size_t kConnectionsPerAddressMax = 16;  // open connections from one client address
constexpr size_t kConnectionsMax = 4096;   // open connections in all; past either cap a new one is closed at once
constexpr size_t kFileReserve = 64;        // descriptors kept beside the connections (database, log, listener)

// ---- the writer (group commit)
constexpr size_t kWriteBatchMax = 256;     // submissions stored in one transaction
constexpr size_t kWriteQueueMax = kConnectionsMax;  // submissions waiting; one per connection at most

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
