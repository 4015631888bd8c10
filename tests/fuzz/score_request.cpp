// Fuzz target: the score server's reading of a request target (the whole
// input) and of an unscrambled payload (the input again). A request it takes
// must carry exactly the fields the game can send.

#include "fuzz_check.h"
#include "score_request.h"

namespace {

void CheckTaken(const zscores::Verdict& v) {
    if (!v.ok()) {
        FUZZ_CHECK(v.status >= 400 && v.status < 600 && !v.reason.empty());
        return;
    }
    const zscores::Submission& s = v.submission;
    FUZZ_CHECK(!s.userId.empty() && s.userId.size() <= zscores::kUserIdMax);
    for (char c : s.userId) FUZZ_CHECK(c >= 'A' && c <= 'Z');
    FUZZ_CHECK(s.name.size() == zscores::kNameLength);
    for (char c : s.name) FUZZ_CHECK(zscores::IsNameCharacter(c));
    FUZZ_CHECK(s.game == zscores::kGameNumber);
    FUZZ_CHECK(s.boards.size() == static_cast<size_t>(zscores::kBoardCount));
    for (size_t b = 0; b < s.boards.size(); ++b) {
        FUZZ_CHECK(s.boards[b].board == static_cast<int>(b) + 1);
        FUZZ_CHECK(s.boards[b].best >= 0 && s.boards[b].newest >= 0 && s.boards[b].newest <= s.boards[b].best);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const zscores::ScrambleKey key;
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckTaken(zscores::ReadScoreRequest(text, key));
    CheckTaken(zscores::ReadPayload(text));
    return 0;
}
