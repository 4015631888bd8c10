// The score server over HTTP on an ephemeral loopback port: the game's exact
// request and framing, refusals that change nothing, size and rate limits,
// one log line per request, and data kept across a restart.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "server_test_support.h"

namespace {

using servertest::GamePayload;
using servertest::GameSide;
using servertest::TargetOf;

// The game's fetch: the request in one send, then each block received is
// searched alone for the tags, keeping bytes 32..127, CR and LF. The game
// reads until the server closes, so the answer must say it will.
std::string GameFetch(int port, const std::string& target) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return "socket failed";
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close(fd);
        return "connect failed";
    }
    const std::string request = "GET " + target + " HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n";
    send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::string result, raw;
    int state = 0;
    char block[10000];
    for (;;) {
        const ssize_t n = recv(fd, block, sizeof block, 0);
        if (n <= 0) break;
        raw.append(block, static_cast<size_t>(n));
        std::string window;
        for (ssize_t i = 0; i < n; ++i) {
            const int c = static_cast<unsigned char>(block[i]);
            const bool kept = (c >= 32 && c <= 127) || c == 13 || c == 10;
            if (kept) window += static_cast<char>(c);
            if (state == 1 && kept) result += static_cast<char>(c);
            if (state == 0 && window.find(zscores::kAnswerStartTag) != std::string::npos) state = 1;
            if (state == 1 && window.find(zscores::kAnswerEndTag) != std::string::npos) {
                state = 2;
                result.resize(result.size() - 9);
            }
        }
    }
    close(fd);
    const size_t headerEnd = raw.find("\r\n\r\n");
    if (raw.substr(0, headerEnd).find("\r\nConnection: close\r\n") == std::string::npos) return "kept open";
    return result;
}

// Every row of the database, for comparing before and after a request.
std::string Digest(const std::string& path) {
    sqlite3* db = nullptr;
    std::string out;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) return "no database";
    for (const char* sql : {"SELECT game, user_id, name, first_seen, last_seen FROM players ORDER BY 1, 2",
                            "SELECT * FROM scores ORDER BY 1, 2, 3"}) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) return "bad query";
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                const unsigned char* t = sqlite3_column_text(stmt, c);
                out += t ? reinterpret_cast<const char*>(t) : "NULL";
                out += '|';
            }
            out += '\n';
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return out;
}

std::unique_ptr<httplib::Client> ClientFor(int port) {
    std::unique_ptr<httplib::Client> cli(new httplib::Client("127.0.0.1", port));
    cli->set_url_encode(false);  // send the target exactly as the game does
    return cli;
}

// The logger runs just after the answer is written; wait (boundedly) for it.
std::vector<std::string> WaitForLines(servertest::RunningServer& server, size_t count) {
    for (int i = 0; i < 500 && server.lines().size() < count; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return server.lines();
}

class ServerHttp : public servertest::StoreTest {};

TEST_F(ServerHttp, GameRequestGetsFramedAnswer) {
    servertest::RunningServer server(store_);
    ASSERT_GT(server.port(), 0);

    GameSide first;
    first.best[0] = 1234;
    const std::string firstAnswer = GameFetch(server.port(), TargetOf(GamePayload(first)));
    const servertest::GameReading r1 = servertest::ReadLikeTheGame("[-\r\nData-]" + firstAnswer + "[-\r\nEnd-]");
    ASSERT_TRUE(r1.received[0]) << firstAnswer;
    EXPECT_EQ(r1.names[0][0], "Alice       ");
    EXPECT_EQ(r1.scores[0][0], 1234);

    GameSide second;
    second.id[2] = 1111111;
    for (int& c : second.nameCodes) c = 12 + 1;  // "BBBBBBBBBBBB"
    second.best[0] = 5000;
    second.newest[0] = 40;
    second.best[1] = 3;
    second.newest[1] = 3;
    const std::string answer = GameFetch(server.port(), TargetOf(GamePayload(second)));
    const servertest::GameReading r = servertest::ReadLikeTheGame("[-\r\nData-]" + answer + "[-\r\nEnd-]");
    for (bool got : r.received) EXPECT_TRUE(got);
    EXPECT_EQ(r.names[0][0], "BBBBBBBBBBBB");
    EXPECT_EQ(r.scores[0][0], 5000);
    EXPECT_EQ(r.names[0][1], "Alice       ");
    EXPECT_EQ(r.scores[0][1], 1234);
    EXPECT_EQ(r.scores[0][2], 0);
    EXPECT_EQ(r.scores[1][0], 3);
    EXPECT_EQ(r.names[2][0], "");

    zscores::StoredScore s;
    ASSERT_TRUE(store_.Find(559, servertest::UserIdOf(second), 1, s));
    EXPECT_EQ(s.best, 5000);
    EXPECT_EQ(s.newest, 40);
    ASSERT_TRUE(store_.Find(559, servertest::UserIdOf(first), 1, s));
    EXPECT_EQ(s.newest, 1);  // the game sends 1 while its newest is still 0
}

TEST_F(ServerHttp, BadRequestsGetA4xxAndChangeNothing) {
    servertest::RunningServer server(store_);
    auto cli = ClientFor(server.port());
    GameSide g;
    g.best[0] = 10;
    ASSERT_EQ(cli->Get(TargetOf(GamePayload(g)))->status, 200);
    const std::string before = Digest(path_);

    GameSide bigger = g;
    bigger.best[0] = 99;
    const std::string good = GamePayload(bigger);
    std::string badName = good;
    badName[badName.find('{') + 1] = '_';
    std::string badId = good;
    badId[0] = 'a';
    struct Case {
        const char* what;
        std::string target;
        int status;
    };
    const Case cases[] = {
        {"bad user ID", TargetOf(badId), 400},
        {"bad name character", TargetOf(badName), 400},
        {"wrong game", TargetOf(good.substr(0, good.find("0559")) + "0560" + good.substr(good.find("0559") + 4)), 400},
        {"missing closing tag", TargetOf(good.substr(0, good.size() - 5)), 400},
        {"wrong score count", TargetOf(good.substr(0, good.size() - 5) + "1{1{KUVO{"), 400},
        {"Game parameter", "/Scores.php?Game=0560&Score=" + TargetOf(good).substr(28), 400},
        {"over-long payload", "/Scores.php?Game=0559&Score=" + std::string(2000, 'a'), 414},
        {"past the library's line limit", "/Scores.php?Game=0559&Score=" + std::string(9000, 'a'), 414},
        {"other page", "/index.php", 404},
    };
    for (const Case& c : cases) {
        auto res = cli->Get(c.target);
        ASSERT_TRUE(res) << c.what;
        EXPECT_EQ(res->status, c.status) << c.what;
        EXPECT_EQ(res->body.find("Data-]"), std::string::npos) << c.what;
        EXPECT_EQ(Digest(path_), before) << c.what;
    }
    auto post = cli->Post(TargetOf(good), "x", "text/plain");
    ASSERT_TRUE(post);
    EXPECT_GE(post->status, 400);
    EXPECT_LT(post->status, 500);
    // A body past the limit is refused unread.
    auto body = cli->Post("/Scores.php", std::string(4096, 'x'), "text/plain");
    ASSERT_TRUE(body);
    EXPECT_EQ(body->status, 413);
    EXPECT_EQ(Digest(path_), before);
}

TEST_F(ServerHttp, RateLimitPerAddress) {
    servertest::RunningServer server(store_, 1.0, 2.0);  // two at once, then one a minute
    auto cli = ClientFor(server.port());
    GameSide g;
    g.best[0] = 10;
    EXPECT_EQ(cli->Get(TargetOf(GamePayload(g)))->status, 200);
    EXPECT_EQ(cli->Get(TargetOf(GamePayload(g)))->status, 200);
    const std::string before = Digest(path_);
    g.best[0] = 20;
    auto res = cli->Get(TargetOf(GamePayload(g)));
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 429);
    EXPECT_EQ(res->get_header_value("Retry-After"), "60");
    EXPECT_EQ(Digest(path_), before);
}

TEST_F(ServerHttp, OneLogLinePerRequest) {
    servertest::RunningServer server(store_);
    auto cli = ClientFor(server.port());
    GameSide g;
    g.best[2] = 10;
    // Each line is written after its answer, possibly by another worker, so
    // the next request waits for it to keep the lines in order.
    const std::string targets[] = {TargetOf(GamePayload(g)), "/Scores.php?Game=0559&Score=%0Aforged", "/missing"};
    for (size_t i = 0; i < 3; ++i) {
        ASSERT_TRUE(cli->Get(targets[i]));
        ASSERT_EQ(WaitForLines(server, i + 1).size(), i + 1);
    }
    const std::vector<std::string> lines = server.lines();
    EXPECT_NE(lines[0].find(" 127.0.0.1 GET /Scores.php 200 stored user " + servertest::UserIdOf(g) + " boards 1"),
              std::string::npos)
        << lines[0];
    EXPECT_NE(lines[1].find(" 400 payload holds a character the game always escapes"), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find(" GET /missing 404 "), std::string::npos) << lines[2];
    for (const std::string& line : lines) EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_EQ(zscores::FormatLogLine(0, "1.2.3.4", "GET", "/a\nb\x01", 400, "why"),
              "1970-01-01T00:00:00Z 1.2.3.4 GET /a?b? 400 why");
}

TEST_F(ServerHttp, RestartKeepsData) {
    GameSide g;
    g.best[1] = 4321;
    g.newest[1] = 17;
    {
        servertest::RunningServer server(store_);
        ASSERT_EQ(ClientFor(server.port())->Get(TargetOf(GamePayload(g)))->status, 200);
    }
    store_.Close();

    zscores::SqliteStore reopened;
    std::string error;
    ASSERT_TRUE(reopened.Open(path_, error)) << error;
    servertest::RunningServer server(reopened);
    GameSide other;
    other.id[0] = 20250101;
    const std::string answer = GameFetch(server.port(), TargetOf(GamePayload(other)));
    const servertest::GameReading r = servertest::ReadLikeTheGame("[-\r\nData-]" + answer + "[-\r\nEnd-]");
    ASSERT_TRUE(r.received[1]);
    EXPECT_EQ(r.names[1][0], "Alice       ");
    EXPECT_EQ(r.scores[1][0], 4321);
    zscores::StoredScore s;
    ASSERT_TRUE(reopened.Find(559, servertest::UserIdOf(g), 2, s));
    EXPECT_EQ(s.newest, 17);
}

// A port another server listens on is refused, so two servers never split
// the game's requests between two databases; a port whose last server has
// just stopped, its connections still closing, is taken again at once.
TEST_F(ServerHttp, APortIsOneServersAlone) {
    int port = -1;
    {
        servertest::RunningServer first(store_);
        port = first.port();
        ASSERT_GT(port, 0);
        ASSERT_EQ(ClientFor(port)->Get(TargetOf(GamePayload(GameSide())))->status, 200);

        zscores::ServerOptions options;
        options.port = port;
        zscores::ScoreServer second(store_, options);
        std::string error;
        EXPECT_EQ(-1, second.Bind(error));
        EXPECT_EQ("cannot listen on 127.0.0.1:" + std::to_string(port), error);
    }
    zscores::ServerOptions options;
    options.port = port;
    zscores::ScoreServer again(store_, options);
    std::string error;
    EXPECT_EQ(port, again.Bind(error)) << error;
}

}  // namespace
