// The score server's request reading and answer writing: a request made as
// the game makes it decodes to what the game held; each kind of bad field is
// refused with its reason; the answer reads back through the game's Split.

#include <gtest/gtest.h>

#include <string>

#include "score_answer.h"
#include "score_request.h"
#include "server_test_support.h"

namespace {

using servertest::Core;
using servertest::GamePayload;
using servertest::GameSide;
using servertest::TargetOf;
using servertest::GameReading;
using servertest::ReadLikeTheGame;

TEST(ServerCodec, RequestMadeLikeTheGameRoundTrips) {
    GameSide g;
    g.best[0] = 1234;  // the first game on board 1: newest still 0, sent as 1
    g.best[2] = 2147483647;
    g.newest[2] = 99;
    // Every character of the name alphabet that needs escaping once
    // scrambled shows up somewhere across these names.
    const int names[][12] = {{12, 49, 46, 40, 42, 0, 0, 0, 0, 0, 0, 0},
                             {0, 1, 2, 11, 37, 38, 63, 0, 12, 0, 0, 1},
                             {63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63}};
    const zscores::ScrambleKey key;
    for (const auto& name : names) {
        std::copy(std::begin(name), std::end(name), g.nameCodes);
        const zscores::Verdict v = zscores::ReadScoreRequest(TargetOf(GamePayload(g)), key);
        ASSERT_TRUE(v.ok()) << v.reason;
        EXPECT_EQ(v.submission.userId, servertest::UserIdOf(g));
        EXPECT_EQ(v.submission.name, servertest::NameOf(g));
        EXPECT_EQ(v.submission.game, 559);
        ASSERT_EQ(v.submission.boards.size(), 3u);
        EXPECT_EQ(v.submission.boards[0].best, 1234);
        EXPECT_EQ(v.submission.boards[0].newest, 1);
        EXPECT_EQ(v.submission.boards[1].best, 0);
        EXPECT_EQ(v.submission.boards[1].newest, 0);
        EXPECT_EQ(v.submission.boards[2].best, 2147483647);
        EXPECT_EQ(v.submission.boards[2].newest, 99);
    }
    // The ID the game forms from its three slots is capitals only.
    EXPECT_EQ(servertest::UserIdOf(g), "SIUWSCXRDKLZR");
}

TEST(ServerCodec, ScrambledPayloadNeedsItsEscaping) {
    // The scrambled text of a typical payload holds characters that would
    // break a request line (blank, '{', '?'); the escaped one holds none.
    GameSide g;
    g.best[1] = 777;
    const std::string scrambled = servertest::Scramble(GamePayload(g));
    const std::string escaped = zcommon::EscapePayload(scrambled);
    EXPECT_NE(escaped, scrambled);
    EXPECT_EQ(escaped.find_first_of(" {}?#&%+"), std::string::npos);
}

TEST(ServerCodec, FieldChecks) {
    const std::string head = "SGJDCOLCTEKR{Alice       {0559{0001{0000{";
    const std::string scores = "10{5{0{0{7{7{";
    struct Case {
        const char* what;
        std::string payload;
        int status;
        const char* reason;  // start of the reason; empty for accepted payloads
    };
    const Case cases[] = {
        {"good", head + scores + "KUVO{", 200, ""},
        {"user ID with a small letter", "SGJdCO{Alice       {0559{0001{0000{" + scores + "KUVO{", 400, "user ID"},
        {"user ID with a digit", "SGJ1{Alice       {0559{0001{0000{" + scores + "KUVO{", 400, "user ID"},
        {"empty user ID", "{Alice       {0559{0001{0000{" + scores + "KUVO{", 400, "user ID"},
        {"user ID of 19 letters", std::string(19, 'A') + "{Alice       {0559{0001{0000{" + scores + "KUVO{", 400,
         "user ID"},
        {"user ID of 18 letters", std::string(18, 'A') + "{Alice       {0559{0001{0000{" + scores + "KUVO{", 200, ""},
        {"name with an underscore", "SGJ{Ali_e       {0559{0001{0000{" + scores + "KUVO{", 400, "name has"},
        {"name with a bracket", "SGJ{Ali[e       {0559{0001{0000{" + scores + "KUVO{", 400, "name has"},
        {"name cut short", "SGJ{Alice{0559{0001{0000{" + scores + "KUVO{", 400, "name must"},
        {"name too long", "SGJ{Alice        X{0559{0001{0000{" + scores + "KUVO{", 400, "name must"},
        {"blank name", "SGJ{            {0559{0001{0000{" + scores + "KUVO{", 400, "name is blank"},
        {"name of minus signs", "SGJ{------------{0559{0001{0000{" + scores + "KUVO{", 200, ""},
        {"wrong game", "SGJ{Alice       {0558{0001{0000{" + scores + "KUVO{", 400, "game field"},
        {"game unpadded", "SGJ{Alice       {559{0001{0000{" + scores + "KUVO{", 400, "game field"},
        {"wrong version", "SGJ{Alice       {0559{0002{0000{" + scores + "KUVO{", 400, "version field"},
        {"wrong mode", "SGJ{Alice       {0559{0001{0001{" + scores + "KUVO{", 400, "mode field"},
        {"missing closing tag", head + scores, 400, "payload does not end"},
        {"closing tag without its separator", head + scores + "KUVO", 400, "payload does not end"},
        {"text after the closing tag", head + scores + "KUVO{x", 400, "payload does not end"},
        {"five scores", head + "10{5{0{0{7{KUVO{", 400, "payload carries 5 scores"},
        {"eight scores", head + scores + "1{1{KUVO{", 400, "payload carries 8 scores"},
        {"no scores", head + "KUVO{", 400, "payload carries 0 scores"},
        {"negative score", head + "10{5{0{0{7{-7{KUVO{", 400, "score 6"},
        {"signed score", head + "+10{5{0{0{7{7{KUVO{", 400, "score 1"},
        {"empty score", head + "10{{0{0{7{7{KUVO{", 400, "score 2"},
        {"score past 32 bits", head + "2147483648{5{0{0{7{7{KUVO{", 400, "score 1"},
        {"eleven digits", head + "00000000010{5{0{0{7{7{KUVO{", 400, "score 1"},
        {"newest above best", head + "10{11{0{0{7{7{KUVO{", 400, "board 1: newest"},
        {"only the tag", "KUVO{", 400, "payload has too few fields"},
        {"empty", "", 400, "payload does not end"},
        {"over-long payload", head + scores + std::string(300, 'x') + "KUVO{", 414, "payload longer"},
    };
    for (const Case& c : cases) {
        const zscores::Verdict v = zscores::ReadPayload(c.payload);
        EXPECT_EQ(v.status, c.status) << c.what << ": " << v.reason;
        EXPECT_EQ(v.reason.rfind(c.reason, 0), 0u) << c.what << ": " << v.reason;
    }
}

TEST(ServerCodec, QueryChecks) {
    GameSide g;
    g.best[0] = 50;
    const std::string good = servertest::TargetOf(GamePayload(g));
    const std::string score = good.substr(good.find("&Score=") + 7);
    struct Case {
        const char* what;
        std::string target;
        int status;
        const char* reason;
    };
    const Case cases[] = {
        {"as the game sends it", good, 200, ""},
        {"no query", "/Scores.php", 400, "query must"},
        {"parameters swapped", "/Scores.php?Score=" + score + "&Game=0559", 200, ""},
        {"Game twice", "/Scores.php?Game=0559&Game=0559&Score=" + score, 400, "query must"},
        {"unknown parameter", good + "&x=1", 400, "query must"},
        {"Score missing", "/Scores.php?Game=0559", 400, "query must"},
        {"other game", "/Scores.php?Game=0558&Score=" + score, 400, "Game parameter"},
        {"raw blank", "/Scores.php?Game=0559&Score=" + score + "a b", 400, "payload holds a character the game"},
        {"raw brace", "/Scores.php?Game=0559&Score=" + score + "{", 400, "payload holds a character the game"},
        {"byte above 127", "/Scores.php?Game=0559&Score=" + score + "\xC3", 400, "payload holds a character the game"},
        {"tilde the scrambler never writes", "/Scores.php?Game=0559&Score=~" + score, 400,
         "payload holds a character the scrambler"},
        {"noise", "/Scores.php?Game=0559&Score=abcdefghijklmnop", 400, "payload"},
        {"over-long", "/Scores.php?Game=0559&Score=" + std::string(1025, 'a'), 414, "Score parameter longer"},
    };
    const zscores::ScrambleKey key;
    for (const Case& c : cases) {
        const zscores::Verdict v = zscores::ReadScoreRequest(c.target, key);
        EXPECT_EQ(v.status, c.status) << c.what << ": " << v.reason;
        EXPECT_EQ(v.reason.rfind(c.reason, 0), 0u) << c.what << ": " << v.reason;
    }
}

TEST(ServerCodec, AnswerReadsBackThroughTheGamesSplit) {
    std::vector<std::vector<zscores::RankedScore>> boards(3);
    boards[0] = {{"Alice       ", 900, 12}, {"Bob", 800, 800}, {"zz{evil", 5, 1}};
    boards[2] = {{"Carol", 7, 7}};
    const std::string body = zscores::FormatAnswer(boards);
    const GameReading r = ReadLikeTheGame(body);
    for (bool got : r.received) EXPECT_TRUE(got);
    EXPECT_EQ(r.names[0][0], "Alice       ");
    EXPECT_EQ(r.scores[0][0], 900);
    EXPECT_EQ(r.names[0][1], "Bob");
    EXPECT_EQ(r.scores[0][1], 800);
    EXPECT_EQ(r.names[0][2], "zz evil");  // a separator can never get into a field
    EXPECT_EQ(r.scores[0][2], 5);
    EXPECT_EQ(r.names[0][3], "");
    EXPECT_EQ(r.scores[0][3], 0);
    EXPECT_EQ(r.names[1][0], "");
    EXPECT_EQ(r.names[2][0], "Carol");
    EXPECT_EQ(r.scores[2][0], 7);
    EXPECT_EQ(Core().SplitCount(body.substr(body.find(']') + 1, body.rfind('[') - body.find(']') - 1), '{'), 66);
}

TEST(ServerCodec, LargestAnswerFitsWhatTheGameKeeps) {
    // Longest names and scores everywhere: the text between the tags must
    // stay within the 1,023 characters the game's fetch keeps.
    std::vector<std::vector<zscores::RankedScore>> boards(
        3, std::vector<zscores::RankedScore>(5, {std::string(40, 'W'), 2147483647, 2147483647}));
    const std::string body = zscores::FormatAnswer(boards);
    const size_t from = body.find(zscores::kAnswerStartTag) + std::string(zscores::kAnswerStartTag).size();
    const size_t length = body.find(zscores::kAnswerEndTag) - from;
    EXPECT_LE(length, zscores::kAnswerMax);
    const GameReading r = ReadLikeTheGame(body);
    EXPECT_EQ(r.names[2][4], std::string(12, 'W'));
    EXPECT_EQ(r.scores[2][4], 2147483647);
    for (char c : body) EXPECT_TRUE((c >= 32 && c < 127) || c == '\r' || c == '\n');
}

}  // namespace
