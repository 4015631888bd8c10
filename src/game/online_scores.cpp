// The online score boards: the score request sent to the score server and the
// reading of its answer into the online Top 5 tables. Whatever the server
// answers, nothing is written outside the tables and no name overruns its cell.

#include <cstdlib>
#include <cstring>

#include "MyGame.h"
#include "score_answer_format.h"  // the layout the score server writes

namespace {
const char kScoreHostVariable[] = "ZINDLE_SCORE_HOST";
const char kDefaultScoreHost[] = "localhost:8559";
constexpr size_t kScoreHostMax = 512;      // longer settings are junk; the fetch refuses them
constexpr char kSeparator = zcommon::kAnswerSeparator;
constexpr size_t kShortestAnswer = 10;     // answers this short or shorter are not read
constexpr int kFieldsPerBoard = zcommon::kAnswerFieldsPerBoard;
constexpr int kRanks = zcommon::kAnswerRanks;
constexpr int kLastFive = 5;               // board entry of the newest local score
}  // namespace

namespace zindle {
std::string ScoreHostFrom(const char* setting) {
    if (setting == nullptr) return kDefaultScoreHost;
    return std::string(setting, strnlen(setting, kScoreHostMax + 1));
}
}  // namespace zindle

std::string MyGame::ScorePayload(const std::string& name, int mode) {
    std::string payload = Strip(SixDigitString(Settings[24], Settings[25], Settings[26]));
    payload += "{" + name + "{";
    payload += fstr("%04d{%04d{%04d{", GameNumber, GameVersion, mode);
    for (int b = 1; b <= BoardCount; b++) {
        const int base = zindle::BoardBase(b);
        if (base < 0) break;
        const int best = ScoreTable[base];
        int newest = ScoreTable[base + kLastFive];
        // A new best is sent before it enters the Last 5, so a board with a
        // best can still show a newest of 0; 1 tells the server it was played.
        if (newest == 0 && best > 0) newest = 1;
        payload += fstr("%d{%d{", best, newest);
    }
    payload += "KUVO{";
    return payload;
}

void MyGame::ReadScoreAnswer(const std::string& answer) {
    if (answer.size() <= kShortestAnswer) return;
    for (int j = 0; j < BoardCount; j++) {
        const int base = zindle::BoardBase(j + 1);
        if (base < 0) break;
        const int first = kFieldsPerBoard * j;
        if (Split(answer, kSeparator, first + 1) != zcommon::kAnswerBoardWord) continue;
        OnlineScoresReceived = 1;
        for (int k = 0; k < kRanks; k++) {
            // A missing field reads as "-=+=-": the name shows that text and
            // the score reads as 0.
            const std::string name = Split(answer, kSeparator, first + 3 + 4 * k);
            char* cell = OnlineNameTable[base + k];
            std::memset(cell, 0, zindle::kOnlineNameBytes);
            std::memcpy(cell, name.data(), name.size() < zindle::kNameChars ? name.size() : zindle::kNameChars);
            OnlineScoreTable[base + k] = StrToInt(Split(answer, kSeparator, first + 4 + 4 * k));
        }
    }
}

void MyGame::SendScores(int mode) {
    OnlineScoresReceived = 0;
    // Nothing goes out without a name to show beside the scores.
    const std::string name = ShowName();
    if (name.empty() || name == zindle::kNoNameText) return;
    const std::string host = zindle::ScoreHostFrom(std::getenv(kScoreHostVariable));
    if (host.empty()) return;  // score requests turned off

    const std::string payload = ScrambleTxt(ScorePayload(name, mode));
    Debuglog("Sending Highscores");
    // The fetch blocks the loop for at most its connect and receive limits.
    const std::string answer = GetURL(host, fstr("Scores.php?Game=%04d&Score=", GameNumber), payload);
    ReadScoreAnswer(answer);
}
