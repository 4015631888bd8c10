// Request reading for zindle-scores. Every check runs before anything is
// stored, and each refusal names the first thing found wrong; nothing here
// throws on bad input or trusts a length it has not checked.

#include "score_request.h"

#include <cstdio>
#include <cstring>

#include "payload_escape.h"
#include "score_keyword.h"

namespace zscores {

namespace {

constexpr char kFieldSeparator = '{';
constexpr const char* kClosingTag = "KUVO{";
constexpr size_t kHeadFields = 5;  // user ID, name, game, version, mode
constexpr size_t kScoreFields = 2 * kBoardCount;
constexpr int kStatusBadRequest = 400;
constexpr int kStatusTooLong = 414;
constexpr const char* kScorePath = "/Scores.php";

// A reason with one size in it, e.g. "payload longer than %zu characters".
std::string WithSize(const char* format, size_t size) {
    char buf[96];
    std::snprintf(buf, sizeof buf, format, size);
    return buf;
}

Verdict Refuse(int status, std::string reason) {
    Verdict v;
    v.status = status;
    v.reason = std::move(reason);
    return v;
}

std::vector<std::string> SplitFields(const std::string& text) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(kFieldSeparator, start);
        if (end == std::string::npos) {
            fields.push_back(text.substr(start));
            return fields;
        }
        fields.push_back(text.substr(start, end - start));
        start = end + 1;
    }
}

std::string Padded(int value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d", value);
    return buf;
}

bool IsUserId(const std::string& s) {
    if (s.empty() || s.size() > kUserIdMax) return false;
    for (char c : s)
        if (c < 'A' || c > 'Z') return false;
    return true;
}

// A score as the game formats it with "%d": digits only, no sign, and inside
// the 32-bit range its tables hold.
bool ReadScore(const std::string& s, int& out) {
    if (s.empty() || s.size() > kScoreDigitsMax) return false;
    long long v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v > 2147483647LL) return false;
    out = static_cast<int>(v);
    return true;
}

std::string ScoreFieldError(size_t index) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "score %zu is not a decimal number from 0 to 2147483647", index + 1);
    return buf;
}

}  // namespace

ScrambleKey::ScrambleKey() {
    std::memset(table, 0, sizeof table);
    zcommon::BuildScrambleTable(zcommon::kScrambleKeyword, zcommon::kScrambleKeywordLength, kGameNumber, table);
}

bool IsNameCharacter(char c) {
    return c == ' ' || c == '-' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

Verdict ReadPayload(const std::string& payload) {
    if (payload.size() > kPayloadMax) return Refuse(kStatusTooLong, WithSize("payload longer than %zu characters", kPayloadMax));
    const size_t tagLength = std::strlen(kClosingTag);
    if (payload.size() < tagLength || payload.compare(payload.size() - tagLength, tagLength, kClosingTag) != 0)
        return Refuse(kStatusBadRequest, "payload does not end with the closing tag KUVO{");
    // The fields before the tag; the tag's own separator ends the last one.
    const std::vector<std::string> fields = SplitFields(payload.substr(0, payload.size() - tagLength));
    if (fields.size() < kHeadFields + 1) return Refuse(kStatusBadRequest, "payload has too few fields");
    // The last piece before the tag is empty (the separator that ended the
    // last score), so the fields proper are all but that piece.
    if (!fields.back().empty()) return Refuse(kStatusBadRequest, "payload does not end with the closing tag KUVO{");
    const size_t scoreCount = fields.size() - 1 - kHeadFields;
    if (scoreCount != kScoreFields) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "payload carries %zu scores, expected %zu (two per board)", scoreCount,
                      kScoreFields);
        return Refuse(kStatusBadRequest, buf);
    }

    const std::string& userId = fields[0];
    const std::string& name = fields[1];
    if (!IsUserId(userId)) return Refuse(kStatusBadRequest, WithSize("user ID must be 1 to %zu capital letters", kUserIdMax));
    if (name.size() != kNameLength) return Refuse(kStatusBadRequest, WithSize("name must be exactly %zu characters", kNameLength));
    bool anyShown = false;
    for (char c : name) {
        if (!IsNameCharacter(c))
            return Refuse(kStatusBadRequest, "name has a character outside the name alphabet");
        if (c != ' ') anyShown = true;
    }
    if (!anyShown) return Refuse(kStatusBadRequest, "name is blank");
    if (fields[2] != Padded(kGameNumber)) return Refuse(kStatusBadRequest, "game field is not " + Padded(kGameNumber));
    if (fields[3] != Padded(kGameVersion))
        return Refuse(kStatusBadRequest, "version field is not " + Padded(kGameVersion));
    if (fields[4] != Padded(kGameMode)) return Refuse(kStatusBadRequest, "mode field is not " + Padded(kGameMode));

    Verdict v;
    v.submission.userId = userId;
    v.submission.name = name;
    v.submission.game = kGameNumber;
    for (int b = 0; b < kBoardCount; ++b) {
        const size_t i = kHeadFields + 2 * static_cast<size_t>(b);
        BoardScore s;
        s.board = b + 1;
        if (!ReadScore(fields[i], s.best)) return Refuse(kStatusBadRequest, ScoreFieldError(i - kHeadFields));
        if (!ReadScore(fields[i + 1], s.newest))
            return Refuse(kStatusBadRequest, ScoreFieldError(i + 1 - kHeadFields));
        // The game's best is the top of its own lists, so its newest can
        // never pass it; a request that says otherwise was not made by it.
        if (s.newest > s.best) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "board %d: newest score above best", s.board);
            return Refuse(kStatusBadRequest, buf);
        }
        v.submission.boards.push_back(s);
    }
    return v;
}

Verdict ReadScoreRequest(const std::string& target, const ScrambleKey& key) {
    const size_t question = target.find('?');
    if (question == std::string::npos || target.compare(0, question, kScorePath) != 0)
        return Refuse(kStatusBadRequest, "query must be Game=NNNN&Score=PAYLOAD");

    // Split by hand: the scrambled payload may hold '=', which a generic
    // query parser would cut at, and it is never percent-encoded.
    std::string game, score;
    bool haveGame = false, haveScore = false;
    size_t start = question + 1;
    while (start <= target.size()) {
        size_t end = target.find('&', start);
        if (end == std::string::npos) end = target.size();
        const std::string pair = target.substr(start, end - start);
        const size_t eq = pair.find('=');
        const std::string name = eq == std::string::npos ? pair : pair.substr(0, eq);
        const std::string value = eq == std::string::npos ? std::string() : pair.substr(eq + 1);
        if (name == "Game" && !haveGame && eq != std::string::npos) {
            game = value;
            haveGame = true;
        } else if (name == "Score" && !haveScore && eq != std::string::npos) {
            score = value;
            haveScore = true;
        } else {
            return Refuse(kStatusBadRequest, "query must be Game=NNNN&Score=PAYLOAD");
        }
        start = end + 1;
    }
    if (!haveGame || !haveScore) return Refuse(kStatusBadRequest, "query must be Game=NNNN&Score=PAYLOAD");
    if (score.size() > kEscapedMax) return Refuse(kStatusTooLong, WithSize("Score parameter longer than %zu characters", kEscapedMax));
    if (game != Padded(kGameNumber)) return Refuse(kStatusBadRequest, "Game parameter is not " + Padded(kGameNumber));

    // The game escapes every special character and drops the rest, so
    // escaping what arrived must change nothing.
    if (zcommon::EscapePayload(score) != score)
        return Refuse(kStatusBadRequest, "payload holds a character the game always escapes");
    const std::string scrambled = zcommon::UnescapePayload(score);
    for (char c : scrambled) {
        const int code = static_cast<unsigned char>(c);
        if (code < zcommon::kScrambleFirstCode || code >= zcommon::kScrambleFirstCode + zcommon::kScrambleAlphabet)
            return Refuse(kStatusBadRequest, "payload holds a character the scrambler never writes");
    }
    return ReadPayload(zcommon::UnscrambleText(scrambled, key.table));
}

}  // namespace zscores
