// The online score boards: the score host setting, the request payload, the
// reading of server answers (good, short, malformed, oversized) into the
// online tables and the "Top Online" page, and a request to a loopback server.

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "game_test_support.h"
#include "loopback_server.h"
#include "payload_escape.h"
#include "sys_internal.h"

namespace {

using gametest::FreshGame;

// The answer for one board: the word, a spare field, and five ranks of name,
// score and two spare fields.
std::string BoardAnswer(const std::vector<std::string>& names, const std::vector<int>& scores) {
    std::string a = "OnlineScores{7{";
    for (size_t k = 0; k < 5; k++) a += names[k] + "{" + std::to_string(scores[k]) + "{r{s{";
    return a;
}

std::string Name(const MyGame& g, int entry) {
    return std::string(g.OnlineNameTable[entry], strnlen(g.OnlineNameTable[entry], zindle::kOnlineNameBytes));
}

class GameOnlineScores : public gametest::GameFixture {};

TEST_F(GameOnlineScores, ScoreHostSetting) {
    EXPECT_EQ("localhost:8559", zindle::ScoreHostFrom(nullptr));
    EXPECT_EQ("", zindle::ScoreHostFrom(""));
    EXPECT_EQ("scores.example.org", zindle::ScoreHostFrom("scores.example.org"));
    EXPECT_EQ("10.0.0.2:9000", zindle::ScoreHostFrom("10.0.0.2:9000"));
    EXPECT_LE(zindle::ScoreHostFrom(std::string(100000, 'h').c_str()).size(), 1000u);
}

TEST_F(GameOnlineScores, ThePayloadBeforeScrambling) {
    FreshGame g;
    g->GameVersion = 1;
    g->BoardCount = 3;
    g->Settings[24] = static_cast<int>(g->SixDigitString(std::string("ABCDEF")));
    g->Settings[25] = static_cast<int>(g->SixDigitString(std::string("GH")));
    g->Settings[26] = static_cast<int>(g->SixDigitString(std::string("IJK")));
    g->ScoreTable[20] = 1234;  // board 1: a best, no newest yet
    g->ScoreTable[60] = 500;   // board 3: best and newest
    g->ScoreTable[65] = 300;
    EXPECT_EQ("ABCDEFGHIJK{Bob         {0559{0001{0000{1234{1{0{0{500{300{KUVO{", g->ScorePayload("Bob         ", 0));
    g->BoardCount = 1;
    EXPECT_EQ("ABCDEFGHIJK{x{0559{0001{0002{1234{1{KUVO{", g->ScorePayload("x", 2));
    g->BoardCount = INT_MAX;  // a wild count stops at the table's last board
    EXPECT_NE(std::string::npos, g->ScorePayload("x", 0).find("KUVO{"));
}

TEST_F(GameOnlineScores, AGoodAnswerFillsEveryBoard) {
    FreshGame g;
    g->BoardCount = 3;
    const std::string answer =
        BoardAnswer({"Alice", "Bob", "Carol", "Dan", "Eve"}, {900, 800, 700, 600, 500}) +
        BoardAnswer({"A-very-long-name", "b", "c", "d", "e"}, {5, 4, 3, 2, 1}) +
        BoardAnswer({"z", "y", "x", "w", "v"}, {99999999, 0, -3, 2147483647, 7});
    g->ReadScoreAnswer(answer);
    EXPECT_EQ(1, g->OnlineScoresReceived);
    EXPECT_EQ("Alice", Name(*g, 20));
    EXPECT_EQ("Eve", Name(*g, 24));
    EXPECT_EQ(900, g->OnlineScoreTable[20]);
    EXPECT_EQ(500, g->OnlineScoreTable[24]);
    EXPECT_EQ("A-very-long-", Name(*g, 40)) << "names are cut to twelve characters";
    for (int i = 12; i < zindle::kOnlineNameBytes; i++) EXPECT_EQ(0, g->OnlineNameTable[40][i]);
    EXPECT_EQ(5, g->OnlineScoreTable[40]);
    EXPECT_EQ((std::vector<int>{99999999, 0, -3, 2147483647, 7}),
              std::vector<int>(g->OnlineScoreTable + 60, g->OnlineScoreTable + 65));
    EXPECT_EQ(0, g->OnlineScoreTable[25]) << "only the five ranks of a board are written";
}

TEST_F(GameOnlineScores, ShortAndMalformedAnswers) {
    const struct {
        std::string Answer;
        int Received;
        std::string Name0;   // board 1, rank 1 afterwards
        int Score0;
        std::string Name4;   // board 1, rank 5
        int Score4;
    } cases[] = {
        {"", 0, "old", 42, "old", 42},
        {"OnlineScor", 0, "old", 42, "old", 42},                      // ten characters: not read
        {"OnlineScores", 1, "-=+=-", 0, "-=+=-", 0},                  // the word alone
        {"OnlineScores{x{Ann{77", 1, "Ann", 77, "-=+=-", 0},          // cut off after a rank
        {"OnlineScores{x{Ann{seventy{r{s{", 1, "Ann", 0, "-=+=-", 0}, // a score that is no number
        {"OnlineScores{x{Ann{99999999999999{", 1, "Ann", INT_MAX, "-=+=-", 0},
        {"Offline{x{Ann{1{r{s{" + std::string(200, '{'), 0, "old", 42, "old", 42},
        {std::string(1023, '{'), 0, "old", 42, "old", 42},
        {"<html>Internal Server Error</html>", 0, "old", 42, "old", 42},
    };
    for (const auto& c : cases) {
        FreshGame g;
        g->BoardCount = 3;
        for (int k = 0; k < 5; k++) {
            std::strcpy(g->OnlineNameTable[20 + k], "old");
            g->OnlineScoreTable[20 + k] = 42;
        }
        g->ReadScoreAnswer(c.Answer);
        EXPECT_EQ(c.Received, g->OnlineScoresReceived) << c.Answer;
        EXPECT_EQ(c.Name0, Name(*g, 20)) << c.Answer;
        EXPECT_EQ(c.Score0, g->OnlineScoreTable[20]) << c.Answer;
        EXPECT_EQ(c.Name4, Name(*g, 24)) << c.Answer;
        EXPECT_EQ(c.Score4, g->OnlineScoreTable[24]) << c.Answer;
        EXPECT_EQ(0, g->OnlineScoreTable[40]) << "the second board had no word: " << c.Answer;
    }
}

TEST_F(GameOnlineScores, ABoardWithoutTheWordKeepsItsEntries) {
    FreshGame g;
    g->BoardCount = 3;
    g->OnlineScoreTable[40] = 31;
    std::strcpy(g->OnlineNameTable[40], "kept");
    const std::string second = BoardAnswer({"n", "n", "n", "n", "n"}, {1, 1, 1, 1, 1});
    g->ReadScoreAnswer(BoardAnswer({"a", "b", "c", "d", "e"}, {5, 4, 3, 2, 1}) +
                       "Nothing" + second.substr(12) + BoardAnswer({"p", "q", "r", "s", "t"}, {9, 8, 7, 6, 5}));
    EXPECT_EQ(1, g->OnlineScoresReceived);
    EXPECT_EQ(31, g->OnlineScoreTable[40]);
    EXPECT_EQ("kept", Name(*g, 40));
    EXPECT_EQ(9, g->OnlineScoreTable[60]);
    EXPECT_EQ("t", Name(*g, 64));
}

TEST_F(GameOnlineScores, WildBoardCountsStayInsideTheTables) {
    std::string answer;
    for (int b = 0; b < 60; b++) answer += BoardAnswer({"a", "b", "c", "d", "e"}, {5, 4, 3, 2, 1});
    for (int count : {INT_MAX, 5000, 1100, -1, INT_MIN}) {
        FreshGame g;
        g->BoardCount = count;
        g->ReadScoreAnswer(answer);  // past the table an index would trip the sanitizers
        EXPECT_EQ(count > 0 ? 1 : 0, g->OnlineScoresReceived) << count;
    }
}

TEST_F(GameOnlineScores, TheTopOnlinePageShowsTheAnswer) {
    gametest::LoadedSlots slots;
    FreshGame g;
    g->BoardCount = 3;
    g->SelectedSet = 2;
    g->ScoreTable[40] = 4321;
    g->ReadScoreAnswer(BoardAnswer({"-", "-", "-", "-", "-"}, {0, 0, 0, 0, 0}) +
                       BoardAnswer({"Alice", "Me", "Carol", "Dan", "Eve"}, {9000, 4321, 700, 600, 500}));
    ASSERT_EQ(1, g->OnlineScoresReceived);
    g->BoardPage = 2;
    g->BoardTimer = 5;
    Update([&] { g->DisplayScoreboard(); });
    const std::string text = gametest::DrawnText();
    for (const char* shown : {"Top Online", "Alice", "00009000", "Me", "00004321", "Eve", "00000500"})
        EXPECT_NE(std::string::npos, text.find(shown)) << shown << " in " << text;
}

// The score host for one test, restored afterwards.
class ScoreHost {
public:
    explicit ScoreHost(const char* value) {
        const char* was = std::getenv("ZINDLE_SCORE_HOST");
        had_ = was != nullptr;
        if (had_) saved_ = was;
        setenv("ZINDLE_SCORE_HOST", value, 1);
    }
    ~ScoreHost() {
        if (had_) setenv("ZINDLE_SCORE_HOST", saved_.c_str(), 1);
        else unsetenv("ZINDLE_SCORE_HOST");
    }

private:
    bool had_ = false;
    std::string saved_;
};

// "Bob" in the name slots: B, o and b as codes of the 64-character alphabet.
void SetNameBob(MyGame& g) {
    g.Settings[50] = 52 * 256 + 13;
    g.Settings[51] = 39;
}

TEST_F(GameOnlineScores, NoNameMeansNoRequest) {
    looptest::Server server({{looptest::Framed(BoardAnswer({"a", "b", "c", "d", "e"}, {5, 4, 3, 2, 1}))}});
    ScoreHost host(server.Host().c_str());
    FreshGame g;
    g->BoardCount = 3;
    g->OnlineScoresReceived = 1;
    testing::internal::CaptureStdout();
    g->SendScores(0);
    const std::string console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(0, g->OnlineScoresReceived);
    EXPECT_EQ(std::string::npos, console.find("Sending Highscores"));
    EXPECT_EQ(0, server.Connections());
}

TEST_F(GameOnlineScores, AnEmptyHostTurnsRequestsOff) {
    looptest::Server server({{looptest::Framed("x")}});
    ScoreHost host("");
    FreshGame g;
    SetNameBob(*g);
    g->BoardCount = 3;
    testing::internal::CaptureStdout();
    g->SendScores(0);
    EXPECT_EQ(std::string::npos, testing::internal::GetCapturedStdout().find("Sending Highscores"));
    EXPECT_EQ(0, server.Connections());
}

TEST_F(GameOnlineScores, ARequestToTheScoreHostAndItsAnswer) {
    const std::string answer = BoardAnswer({"a", "b", "c", "d", "e"}, {5, 4, 3, 2, 1}) +
                               BoardAnswer({"Top", "b", "c", "d", "e"}, {50, 40, 30, 20, 10}) +
                               BoardAnswer({"a", "b", "c", "d", "e"}, {5, 4, 3, 2, 1});
    looptest::Server server({{looptest::Framed(answer)}});
    ScoreHost host(server.Host().c_str());
    FreshGame g;
    SetNameBob(*g);
    ASSERT_EQ("Bob         ", g->ShowName());
    g->GameVersion = 1;
    g->BoardCount = 3;
    g->SetKeyword("Test keyword for the request");
    g->Settings[24] = 12345;
    g->ScoreTable[40] = 777;
    testing::internal::CaptureStdout();
    g->SendScores(0);
    const std::string console = testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, console.find("> Sending Highscores\n"));
    const std::string expected = "GET /Scores.php?Game=0559&Score=" +
                                 zcommon::EscapePayload(g->ScrambleTxt(g->ScorePayload("Bob         ", 0))) +
                                 " HTTP/1.1\r\n";
    EXPECT_EQ(0u, server.Request().find(expected)) << server.Request();
    EXPECT_EQ(1, g->OnlineScoresReceived);
    EXPECT_EQ("Top", Name(*g, 40));
    EXPECT_EQ(50, g->OnlineScoreTable[40]);
}

}  // namespace
