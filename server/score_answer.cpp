// Answer formatting for zindle-scores. Names are cleaned to the name alphabet
// and cut to twelve characters here too, so that whatever a store returns can
// never add a field separator or outgrow the game's 1,023 characters.

#include "score_answer.h"

#include <cstdio>

#include "score_request.h"

namespace zscores {

namespace {

std::string CleanName(const std::string& name) {
    std::string out = name.substr(0, kNameLength);
    for (char& c : out)
        if (!IsNameCharacter(c)) c = ' ';
    return out;
}

void AppendNumber(std::string& out, long long value) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%lld", value);
    out += buf;
}

}  // namespace

std::string FormatAnswer(const std::vector<std::vector<RankedScore>>& boards) {
    constexpr char kSep = zcommon::kAnswerSeparator;
    std::string fields;
    for (size_t j = 0; j < boards.size(); ++j) {
        if (j > 0) fields += kSep;
        fields += zcommon::kAnswerBoardWord;
        fields += kSep;
        AppendNumber(fields, static_cast<long long>(j) + 1);
        for (int k = 0; k < kTopCount; ++k) {
            const bool has = static_cast<size_t>(k) < boards[j].size();
            const RankedScore none;
            const RankedScore& r = has ? boards[j][static_cast<size_t>(k)] : none;
            fields += kSep;
            fields += CleanName(r.name);
            fields += kSep;
            AppendNumber(fields, r.best < 0 ? 0 : r.best);
            fields += kSep;
            AppendNumber(fields, r.newest < 0 ? 0 : r.newest);
            fields += kSep;
            AppendNumber(fields, k + 1);
        }
    }
    return std::string(kAnswerStartTag) + fields + kAnswerEndTag + "\r\n";
}

}  // namespace zscores
