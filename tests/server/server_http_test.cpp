// The score server over HTTP on an ephemeral loopback port: the game's exact
// request and framing, refusals (of the request and of the HTTP around it)
// that change nothing, size and rate limits, one log line per request with
// its client's address, and data kept across a restart.

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
using servertest::WaitForLines;

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

std::string Post(const std::string& target, const std::string& body) {
    return "POST " + target + " HTTP/1.1\r\nHost: localhost\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

TEST_F(ServerHttp, BadRequestsGetA4xxAndChangeNothing) {
    servertest::RunningServer server(store_);
    GameSide g;
    g.best[0] = 10;
    ASSERT_EQ(servertest::Get(server.port(), TargetOf(GamePayload(g))).status, 200);
    const std::string before = Digest(path_);

    GameSide bigger = g;
    bigger.best[0] = 99;
    const std::string good = GamePayload(bigger);
    const std::string target = TargetOf(good);
    std::string badName = good;
    badName[badName.find('{') + 1] = '_';
    std::string badId = good;
    badId[0] = 'a';
    std::string manyHeaders = "GET " + target + " HTTP/1.1\r\nHost: localhost\r\n";
    for (int i = 0; i < 500; ++i) manyHeaders += "X-Header-" + std::to_string(i) + ": value\r\n";
    manyHeaders += "\r\n";
    using servertest::GetRequest;
    const std::string headHead = "HEAD " + target + " HTTP/1.1\r\nHost: localhost\r\n";
    struct Case {
        const char* what;
        std::string request;
        int status;
        const char* logged = nullptr;  // what the log line says of the request, where checked
    };
    const Case cases[] = {
        {"bad user ID", GetRequest(TargetOf(badId)), 400},
        {"bad name character", GetRequest(TargetOf(badName)), 400},
        {"wrong game", GetRequest(TargetOf(good.substr(0, good.find("0559")) + "0560" + good.substr(good.find("0559") + 4))), 400},
        {"missing closing tag", GetRequest(TargetOf(good.substr(0, good.size() - 5))), 400},
        {"wrong score count", GetRequest(TargetOf(good.substr(0, good.size() - 5) + "1{1{KUVO{")), 400},
        {"Game parameter", GetRequest("/Scores.php?Game=0560&Score=" + target.substr(28)), 400},
        {"truncated payload", GetRequest(target.substr(0, target.size() / 2)), 400},
        {"over-long payload", GetRequest("/Scores.php?Game=0559&Score=" + std::string(2000, 'a')), 414},
        {"request line past the head limit", GetRequest("/Scores.php?Game=0559&Score=" + std::string(9000, 'a')), 414},
        {"a header past the head limit",
         "GET " + target + " HTTP/1.1\r\nHost: localhost\r\nX-Pad: " + std::string(20000, 'a') + "\r\n\r\n", 431},
        {"500 headers", manyHeaders, 431},
        {"other page", GetRequest("/index.php"), 404},
        {"other method", "DELETE " + target + " HTTP/1.1\r\nHost: localhost\r\n\r\n", 405},
        {"small body", Post(target, "x"), 405},
        {"body past the limit, refused unread", Post("/Scores.php", std::string(4096, 'x')), 413},
        {"method of control characters", "G\x01T " + target + " HTTP/1.1\r\n\r\n", 400},
        {"random bytes", std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03\r\n\r\n", 15), 400},
        {"not HTTP/1", "GET " + target + " SPDY/3\r\n\r\n", 400},
        {"header without a colon", "GET " + target + " HTTP/1.1\r\nHost localhost\r\n\r\n", 400},
        {"HTTP/1.1 without Host", "GET " + target + " HTTP/1.1\r\nConnection: close\r\n\r\n", 400},
        {"two Host lines", "GET " + target + " HTTP/1.1\r\nHost: localhost\r\nHost: localhost\r\n\r\n", 400},
        {"two Host lines in HTTP/1.0", "GET " + target + " HTTP/1.0\r\nHost: a\r\nHost: b\r\n\r\n", 400},
        {"Host with a space", "GET " + target + " HTTP/1.1\r\nHost: local host\r\n\r\n", 400},
        {"empty Host", "GET " + target + " HTTP/1.1\r\nHost: \r\n\r\n", 400},
        {"HEAD, answered without a body", "HEAD " + target + " HTTP/1.1\r\nHost: localhost\r\n\r\n", 405},
        {"HEAD of another page", "HEAD /index.php HTTP/1.1\r\nHost: localhost\r\n\r\n", 404},
        // Refused by the HTTP layer before the head is whole, HEAD still
        // gets no body and is logged as what it asked.
        {"HEAD with a body past the limit", headHead + "Content-Length: 2000\r\n\r\n", 413, " HEAD /Scores.php 413 "},
        {"HEAD with a 9,000-byte header", headHead + "X-Pad: " + std::string(9000, 'a') + "\r\n\r\n", 431,
         " HEAD /Scores.php 431 "},
        {"HEAD with two Content-Length", headHead + "Content-Length: 1\r\nContent-Length: 2\r\n\r\n", 400,
         " HEAD /Scores.php 400 "},
        {"HEAD with Content-Length and chunked", headHead + "Content-Length: 1\r\nTransfer-Encoding: chunked\r\n\r\n",
         400, " HEAD /Scores.php 400 "},
        {"HEAD with a line too long", "HEAD /Scores.php?Score=" + std::string(9000, 'a') + " HTTP/1.1\r\n\r\n", 414,
         " HEAD - 414 "},
    };
    size_t lines = 1;  // the first, stored score's
    for (const Case& c : cases) {
        const servertest::HttpReply r = servertest::Exchange(server.port(), c.request);
        EXPECT_EQ(r.status, c.status) << c.what;
        EXPECT_TRUE(r.closed) << c.what;
        EXPECT_EQ(r.body.find("Data-]"), std::string::npos) << c.what;
        EXPECT_EQ(Digest(path_), before) << c.what;
        if (c.request.rfind("HEAD ", 0) == 0) {
            EXPECT_EQ(r.body, "") << c.what;
        }
        const std::vector<std::string> logged = WaitForLines(server, ++lines);
        ASSERT_EQ(logged.size(), lines) << c.what;
        if (c.logged != nullptr) {
            EXPECT_NE(logged.back().find(c.logged), std::string::npos) << c.what << ": " << logged.back();
        }
    }
}

// The Host forms a client may send: the game's own (with the port when it
// is not 80), addresses, and none at all in HTTP/1.0.
TEST_F(ServerHttp, HostFormsThatAreTaken) {
    servertest::RunningServer server(store_);
    const std::string target = TargetOf(GamePayload(GameSide()));
    const char* const heads[] = {
        " HTTP/1.1\r\nHost: localhost:8559\r\nConnection: close\r\n\r\n",
        " HTTP/1.1\r\nHost: scores.example.org\r\nConnection: close\r\n\r\n",
        " HTTP/1.1\r\nHost: 127.0.0.1:8559\r\nConnection: close\r\n\r\n",
        " HTTP/1.1\r\nHost: [::1]:8559\r\nConnection: close\r\n\r\n",
        " HTTP/1.0\r\n\r\n",
    };
    for (const char* head : heads)
        EXPECT_EQ(servertest::Exchange(server.port(), "GET " + target + head).status, 200) << head;
}

TEST_F(ServerHttp, RateLimitPerAddress) {
    servertest::RunningServer server(store_, 1.0, 2.0);  // two at once, then one a minute
    GameSide g;
    g.best[0] = 10;
    EXPECT_EQ(servertest::Get(server.port(), TargetOf(GamePayload(g))).status, 200);
    EXPECT_EQ(servertest::Get(server.port(), TargetOf(GamePayload(g))).status, 200);
    const std::string before = Digest(path_);
    g.best[0] = 20;
    const servertest::HttpReply res = servertest::Get(server.port(), TargetOf(GamePayload(g)));
    EXPECT_EQ(res.status, 429);
    EXPECT_EQ(res.Header("Retry-After"), "60");
    EXPECT_EQ(Digest(path_), before);
    // Another address has its own allowance.
    EXPECT_EQ(servertest::Get(server.port(), TargetOf(GamePayload(g)), "127.0.0.2").status, 200);
}

TEST_F(ServerHttp, OneLogLinePerRequest) {
    servertest::RunningServer server(store_);
    GameSide g;
    g.best[2] = 10;
    // Each line is written after its answer, possibly by another thread, so
    // the next request waits for it to keep the lines in order.
    const std::string requests[] = {servertest::GetRequest(TargetOf(GamePayload(g))),
                                    servertest::GetRequest("/Scores.php?Game=0559&Score=%0Aforged"),
                                    servertest::GetRequest("/missing"), std::string("\x80\x81garbage\r\n\r\n", 13),
                                    "GET /Scores.php HTTP/1.1\r\nX: " + std::string(9000, 'x') + "\r\n\r\n"};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_GT(servertest::Exchange(server.port(), requests[i], "127.0.0." + std::to_string(i + 1)).status, 0);
        ASSERT_EQ(WaitForLines(server, i + 1).size(), i + 1);
    }
    const std::vector<std::string> lines = server.lines();
    EXPECT_NE(lines[0].find(" 127.0.0.1 GET /Scores.php 200 stored user " + servertest::UserIdOf(g) + " boards 1"),
              std::string::npos)
        << lines[0];
    EXPECT_NE(lines[1].find(" 127.0.0.2 GET /Scores.php 400 payload holds a character the game always escapes"),
              std::string::npos)
        << lines[1];
    EXPECT_NE(lines[2].find(" 127.0.0.3 GET /missing 404 "), std::string::npos) << lines[2];
    // Requests that could not be parsed are logged with their client too,
    // and with their method and path once those have come.
    EXPECT_NE(lines[3].find(" 127.0.0.4 - - 400 not an HTTP request line"), std::string::npos) << lines[3];
    EXPECT_NE(lines[4].find(" 127.0.0.5 GET /Scores.php 431 request head larger than 8192 bytes"), std::string::npos)
        << lines[4];
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
        ASSERT_EQ(servertest::Get(server.port(), TargetOf(GamePayload(g))).status, 200);
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
        ASSERT_EQ(servertest::Get(port, TargetOf(GamePayload(GameSide()))).status, 200);

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
