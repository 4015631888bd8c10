// Test support for the score server: a request built the way the game builds
// one (engine text helpers, the shared scrambler and escaper), a fresh store
// in a private temporary folder, a server on an ephemeral loopback port (and
// its log lines), and a plain HTTP client that connects from any loopback
// address and can hold connections open.
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "KUVOCore.h"
#include "payload_escape.h"
#include "score_answer.h"
#include "score_keyword.h"
#include "score_server.h"
#include "scratch_dir.h"
#include "scramble_text.h"
#include "sqlite_store.h"

namespace servertest {

inline KUVOCore& Core() {
    static KUVOCore core;
    return core;
}

// What the game holds when it sends: the user ID slots, the name as twelve
// codes of the name alphabet, and each board's best and newest local score.
struct GameSide {
    long id[3] = {20240115, 123456, 4567890};
    int nameCodes[12] = {12, 49, 46, 40, 42, 0, 0, 0, 0, 0, 0, 0};  // "Alice"
    int best[3] = {0, 0, 0};
    int newest[3] = {0, 0, 0};
};

inline std::string UserIdOf(const GameSide& g) {
    return Core().Strip(Core().SixDigitString(g.id[0], g.id[1], g.id[2]));
}

inline std::string NameOf(const GameSide& g) {
    std::string name;
    for (int code : g.nameCodes) name += static_cast<char>(Core().Char64b(code));
    return name;
}

// The plain payload, field by field as the game formats it.
inline std::string GamePayload(const GameSide& g) {
    std::string p = UserIdOf(g) + "{" + NameOf(g) + "{";
    p += Core().fstr("%04d{%04d{%04d{", 559, 1, 0);
    for (int b = 0; b < 3; ++b) {
        const int newest = (g.newest[b] == 0 && g.best[b] > 0) ? 1 : g.newest[b];
        p += Core().fstr("%d{%d{", g.best[b], newest);
    }
    return p + "KUVO{";
}

inline std::string Scramble(const std::string& plain) {
    signed char table[zcommon::kScrambleTableSize] = {};
    zcommon::BuildScrambleTable(zcommon::kScrambleKeyword, zcommon::kScrambleKeywordLength, 559, table);
    return zcommon::ScrambleText(plain, table);
}

// The request target: the path with the scrambled, escaped payload.
inline std::string TargetOf(const std::string& plainPayload) {
    return "/Scores.php?Game=0559&Score=" + zcommon::EscapePayload(Scramble(plainPayload));
}

// Reads an answer the way the game does: the text between the tags, split
// on '{' with the engine's Split, 22 fields a board.
struct GameReading {
    bool received[3] = {false, false, false};
    std::string names[3][5];
    int scores[3][5] = {};
};

inline GameReading ReadLikeTheGame(const std::string& body) {
    GameReading r;
    const size_t start = body.find(zscores::kAnswerStartTag);
    const size_t end = body.find(zscores::kAnswerEndTag);
    if (start == std::string::npos || end == std::string::npos) return r;
    const size_t from = start + std::string(zscores::kAnswerStartTag).size();
    const std::string text = body.substr(from, end - from);
    if (text.size() <= 10) return r;
    for (int j = 0; j < 3; ++j) {
        if (Core().Split(text, '{', 22 * j + 1) != "OnlineScores") continue;
        r.received[j] = true;
        for (int k = 0; k < 5; ++k) {
            r.names[j][k] = Core().Left(Core().Split(text, '{', 22 * j + 3 + 4 * k), 12);
            r.scores[j][k] = Core().StrToInt(Core().Split(text, '{', 22 * j + 4 + 4 * k));
        }
    }
    return r;
}

// ---- a plain HTTP client

// Each wait of the client is bounded by this, far past any limit of the
// server, so a test fails instead of hanging.
constexpr int kClientLimitMs = 20000;

using Clock = std::chrono::steady_clock;

// A TCP connection to 127.0.0.1:port from the loopback address `from`
// (any of 127/8 is this machine, so tests can play several clients); -1
// when it cannot be made.
inline int ConnectFrom(int port, const std::string& from = "127.0.0.1") {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in source{};
    source.sin_family = AF_INET;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (inet_pton(AF_INET, from.c_str(), &source.sin_addr) != 1 ||
        bind(fd, reinterpret_cast<sockaddr*>(&source), sizeof source) != 0 ||
        connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

inline bool SendAll(int fd, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

// Waits for the next bytes: what came, "" when the server closed (or reset)
// the connection, or "" with `timedOut` set when nothing came in `limitMs`.
inline std::string ReceiveSome(int fd, int limitMs, bool& timedOut) {
    timedOut = false;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, limitMs) <= 0) {
        timedOut = true;
        return std::string();
    }
    char block[16384];
    const ssize_t n = recv(fd, block, sizeof block, 0);
    return n > 0 ? std::string(block, static_cast<size_t>(n)) : std::string();
}

// True once the server has closed the connection, reading (and dropping)
// whatever it sends first; false when it is still open after `limitMs`.
inline bool ClosedWithin(int fd, int limitMs) {
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(limitMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        bool timedOut = false;
        const std::string got = ReceiveSome(fd, left > 0 ? static_cast<int>(left) : 0, timedOut);
        if (timedOut) return false;
        if (got.empty()) return true;
    }
}

struct HttpReply {
    int status = 0;      // 0 when no answer came
    std::string head;    // status line and headers
    std::string body;
    bool closed = false;  // the server closed the connection after it
    std::string Header(const std::string& name) const {
        const std::string key = "\r\n" + name + ":";
        for (size_t at = head.find("\r\n"); at != std::string::npos; at = head.find("\r\n", at + 2)) {
            if (strncasecmp(head.c_str() + at, key.c_str(), key.size()) != 0) continue;
            size_t from = at + key.size();
            while (from < head.size() && head[from] == ' ') ++from;
            return head.substr(from, head.find("\r\n", from) - from);
        }
        return std::string();
    }
};

// Reads one answer off an open connection: its head, and its body up to
// Content-Length (or to the close). `closed` says whether the server then
// closed, looked for only when `waitForClose`.
inline HttpReply ReadReply(int fd, bool waitForClose = true) {
    HttpReply r;
    std::string got;
    bool timedOut = false;
    size_t headEnd = std::string::npos;
    long length = -1;
    for (;;) {
        if (headEnd != std::string::npos && length >= 0 && got.size() >= headEnd + 4 + static_cast<size_t>(length)) break;
        const std::string more = ReceiveSome(fd, kClientLimitMs, timedOut);
        if (more.empty()) {
            r.closed = !timedOut;
            break;
        }
        got += more;
        if (headEnd == std::string::npos && (headEnd = got.find("\r\n\r\n")) != std::string::npos) {
            r.head = got.substr(0, headEnd + 2);
            const std::string cl = r.Header("Content-Length");
            length = cl.empty() ? -1 : std::atol(cl.c_str());
        }
    }
    if (headEnd == std::string::npos) return r;
    if (got.rfind("HTTP/1.", 0) == 0 && got.size() > 12) r.status = std::atoi(got.c_str() + 9);
    r.body = got.substr(headEnd + 4);
    if (waitForClose && !r.closed) r.closed = ClosedWithin(fd, kClientLimitMs);
    return r;
}

// One request on a connection of its own, as the game makes it.
inline HttpReply Exchange(int port, const std::string& request, const std::string& from = "127.0.0.1") {
    const int fd = ConnectFrom(port, from);
    if (fd < 0) return HttpReply();
    SendAll(fd, request);
    HttpReply r = ReadReply(fd);
    close(fd);
    return r;
}

inline std::string GetRequest(const std::string& target) {
    return "GET " + target + " HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n";
}

inline HttpReply Get(int port, const std::string& target, const std::string& from = "127.0.0.1") {
    return Exchange(port, GetRequest(target), from);
}

// The game's request as a proxy passes it on, keeping the connection open
// unless `close`; no header at all for an empty `forwardedFor`.
inline std::string Forwarded(const std::string& forwardedFor, bool close = true) {
    GameSide g;
    g.best[0] = 10;
    return "GET " + TargetOf(GamePayload(g)) + " HTTP/1.1\r\nHost: localhost\r\n" +
           (forwardedFor.empty() ? "" : "X-Forwarded-For: " + forwardedFor + "\r\n") +
           (close ? "Connection: close\r\n" : "") + "\r\n";
}

// The address field of each log line.
inline std::multiset<std::string> LoggedAddresses(const std::vector<std::string>& lines) {
    std::multiset<std::string> addresses;
    for (const std::string& line : lines) {
        const size_t from = line.find(' ') + 1;
        addresses.insert(line.substr(from, line.find(' ', from) - from));
    }
    return addresses;
}

// A fresh SQLite store ("scores.db") in a private folder for each test.
class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = testsupport::MakeTempDir("zindle-scores-test");
        ASSERT_FALSE(dir_.empty());
        path_ = dir_ + "/scores.db";
        std::string error;
        ASSERT_TRUE(store_.Open(path_, error)) << error;
    }
    void TearDown() override {
        store_.Close();
        testsupport::RemoveTree(dir_);
    }
    std::string dir_, path_;
    zscores::SqliteStore store_;
};

// Open connections, closed when the test ends.
struct Connections {
    std::vector<int> fds;
    // `count` connections from `from`; by default as many as one address
    // may have open.
    bool OpenAll(int port, const std::string& from, size_t count = zscores::kConnectionsPerAddressMax) {
        for (size_t i = 0; i < count; ++i) {
            fds.push_back(ConnectFrom(port, from));
            if (fds.back() < 0) return false;
        }
        return true;
    }
    ~Connections() {
        for (int fd : fds)
            if (fd >= 0) close(fd);
    }
};

// A server on an ephemeral loopback port over its own store, trusting the
// proxies listed in `trustedProxies`; its log lines are kept for the test to
// read.
class RunningServer {
public:
    explicit RunningServer(zscores::ScoreStore& store, double ratePerMinute = 0.0, double burst = 20.0,
                           const std::string& trustedProxies = "") {
        zscores::ServerOptions options;
        options.port = 0;
        options.ratePerMinute = ratePerMinute;
        options.rateBurst = burst;
        if (!trustedProxies.empty()) {
            EXPECT_TRUE(options.trustedProxies.Add(trustedProxies)) << trustedProxies;
        }
        options.log = [this](const std::string& line) {
            std::lock_guard<std::mutex> lock(mutex_);
            lines_.push_back(line);
        };
        server_.reset(new zscores::ScoreServer(store, options));
        std::string error;
        port_ = server_->Bind(error);
        if (port_ > 0) thread_ = std::thread([this] { server_->Run(); });
    }
    ~RunningServer() {
        server_->Stop();
        if (thread_.joinable()) thread_.join();
    }
    int port() const { return port_; }
    size_t ConnectionsAccepted() const { return server_->ConnectionsAccepted(); }
    std::vector<std::string> lines() {
        std::lock_guard<std::mutex> lock(mutex_);
        return lines_;
    }

private:
    std::unique_ptr<zscores::ScoreServer> server_;
    std::thread thread_;
    int port_ = -1;
    std::mutex mutex_;
    std::vector<std::string> lines_;
};

// The logger runs just after the answer is written; wait (boundedly) for
// `count` lines.
inline std::vector<std::string> WaitForLines(RunningServer& server, size_t count) {
    for (int i = 0; i < 500 && server.lines().size() < count; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return server.lines();
}

}  // namespace servertest
