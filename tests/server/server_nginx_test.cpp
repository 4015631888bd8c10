// The score server behind a real nginx running the shipped
// deploy/nginx/zindle-scores.conf: every client stored and logged by its own
// address, a forged X-Forwarded-For never believed, kept connections to the
// server reused within the server's own limits, and a trickled body cut.
// Each client binds its own loopback address, so nginx sees distinct clients.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "nginx_proxy.h"
#include "server_test_support.h"

namespace {

using servertest::Clock;
using servertest::GamePayload;
using servertest::GameSide;
using servertest::TargetOf;

std::string Client(int n) { return "127.0." + std::to_string(n / 250) + "." + std::to_string(n % 250 + 2); }

// Player n of up to 676, with a user ID of its own: the ID packs a letter
// in every five bits, and two of them (1..26 each) tell the players apart.
GameSide Player(int n) {
    GameSide g;
    g.id[1] = 32 * (n / 26 % 26 + 1) + n % 26 + 1;
    g.best[0] = 100 + n;
    return g;
}

// Behind nginx a client has two requests at once, then one a minute, so a
// client that the server took for another (nginx itself, or an address it
// made up) would show at once.
class ServerBehindNginx : public servertest::StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        if (testsupport::FindNginx().empty())
            GTEST_SKIP() << "nginx is not installed (scripts/install-deps.sh --test installs it)";
        server_ = std::make_unique<servertest::RunningServer>(store_, 1.0, 2.0, "127.0.0.1");
        ASSERT_GT(server_->port(), 0);
        nginx_ = std::make_unique<testsupport::NginxProxy>(ZINDLE_NGINX_CONF, server_->port());
        ASSERT_GT(nginx_->port(), 0) << nginx_->error();
    }
    void TearDown() override {
        nginx_.reset();
        server_.reset();
        StoreTest::TearDown();
    }

    std::unique_ptr<servertest::RunningServer> server_;
    std::unique_ptr<testsupport::NginxProxy> nginx_;
};

TEST_F(ServerBehindNginx, TheShippedFilePassesNginxTestInsideHttp) {
    int status = -1;
    const std::string said = nginx_->Check(status);
    EXPECT_EQ(status, 0) << said;
    EXPECT_NE(said.find("test is successful"), std::string::npos) << said;
}

TEST_F(ServerBehindNginx, ManyClientsAreStoredAndLoggedByTheirOwnAddress) {
    constexpr int kClients = 120;
    constexpr int kThreads = 4;
    // Made here: the engine's text helpers share their scratch texts, so
    // they are not for the client threads.
    std::vector<std::string> targets;
    for (int i = 0; i < kClients; ++i) targets.push_back(TargetOf(GamePayload(Player(i))));
    std::vector<int> statuses(kClients, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (size_t i = static_cast<size_t>(t); i < targets.size(); i += kThreads)
                statuses[i] = servertest::Get(nginx_->port(), targets[i], Client(static_cast<int>(i))).status;
        });
    }
    for (std::thread& t : threads) t.join();
    std::multiset<std::string> clients;
    for (int i = 0; i < kClients; ++i) {
        EXPECT_EQ(statuses[static_cast<size_t>(i)], 200) << Client(i);
        clients.insert(Client(i));
        zscores::StoredScore s;
        ASSERT_TRUE(store_.Find(559, servertest::UserIdOf(Player(i)), 1, s)) << Client(i);
        EXPECT_EQ(s.best, 100 + i);
    }
    EXPECT_EQ(servertest::LoggedAddresses(servertest::WaitForLines(*server_, kClients)), clients);
}

// One client naming others in every way: the server counts each request
// against that client alone (its allowance of two is spent) and logs it so.
TEST_F(ServerBehindNginx, AForgedForwardedForIsNeverBelieved) {
    std::string many;
    for (int i = 0; i < 200; ++i) many += (i ? ", 10.0." : "10.0.") + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1);
    const std::string forged[] = {"203.0.113.9", "198.51.100.1, 203.0.113.9", "garbage", many, ""};
    const int expected[] = {200, 200, 429, 429, 429};
    const std::string client = Client(7);
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ(servertest::Exchange(nginx_->port(), servertest::Forwarded(forged[i]), client).status, expected[i])
            << forged[i].substr(0, 40);
    const std::vector<std::string> own(5, client);
    EXPECT_EQ(servertest::LoggedAddresses(servertest::WaitForLines(*server_, 5)),
              std::multiset<std::string>(own.begin(), own.end()));
}

// Which checks nginx makes itself and which it leaves to the server, each
// request from a client of its own: what nginx answers never reaches the
// server and is logged by nginx with its client; everything else reaches the
// server, with the client's own Host, and is logged by it with the client's
// address. A head nginx passes on is never too long for the server.
TEST_F(ServerBehindNginx, EachCheckIsMadeByNginxOrByTheServerAndLoggedWithItsClient) {
    const std::string target = TargetOf(GamePayload(GameSide()));
    auto get = [&](const std::string& version, const std::string& headers) {
        return "GET " + target + " " + version + "\r\n" + headers + "Connection: close\r\n\r\n";
    };
    auto padded = [&](size_t bytes) {  // headers of 100 bytes each, to about `bytes` of head
        std::string headers = "Host: localhost\r\n";
        for (int i = 0; headers.size() + 100 < bytes; ++i) {
            char name[24];
            std::snprintf(name, sizeof name, "X-Pad-%03d: ", i);
            headers += name + std::string(100 - std::strlen(name) - 2, 'p') + "\r\n";
        }
        return get("HTTP/1.1", headers);
    };
    struct Row {
        const char* what;
        std::string request;
        int status;
        bool server;  // answered by the server rather than by nginx
    };
    const Row rows[] = {
        {"the game's request", get("HTTP/1.1", "Host: localhost\r\n"), 200, true},
        {"a Host the server refuses", get("HTTP/1.1", "Host: user@localhost\r\n"), 400, true},
        {"a Host with a port", get("HTTP/1.1", "Host: localhost:8080\r\n"), 200, true},
        {"HTTP/1.0 without a Host", get("HTTP/1.0", ""), 200, true},
        {"a Content-Length of 00", get("HTTP/1.1", "Host: localhost\r\nContent-Length: 00\r\n"), 200, true},
        {"a head of 7,000 bytes", padded(7000), 200, true},
        {"HTTP/1.1 without a Host", get("HTTP/1.1", ""), 400, false},
        {"two Hosts", get("HTTP/1.1", "Host: localhost\r\nHost: localhost\r\n"), 400, false},
        {"a head of 9,000 bytes", padded(9000), 400, false},
        {"a header line of 7,500 bytes", get("HTTP/1.1", "Host: localhost\r\nX-Long: " + std::string(7500, 'l') + "\r\n"),
         400, false},
        {"a URI of 8,500 bytes", "GET /Scores.php?" + std::string(8500, 'u') + " HTTP/1.1\r\nHost: localhost\r\n\r\n",
         414, false},
        {"a Content-Length of 5", get("HTTP/1.1", "Host: localhost\r\nContent-Length: 5\r\n"), 413, false},
        {"two Content-Lengths", get("HTTP/1.1", "Host: localhost\r\nContent-Length: 0\r\nContent-Length: 0\r\n"), 400,
         false},
        {"Content-Length and Transfer-Encoding",
         get("HTTP/1.1", "Host: localhost\r\nContent-Length: 0\r\nTransfer-Encoding: chunked\r\n"), 400, false},
        {"another transfer encoding", get("HTTP/1.1", "Host: localhost\r\nTransfer-Encoding: gzip\r\n"), 501, false},
        {"HTTP/9.9", get("HTTP/9.9", "Host: localhost\r\n"), 505, false},
        {"another path", "GET /other HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n", 404, false},
    };
    std::multiset<std::string> byServer;
    for (size_t i = 0; i < sizeof rows / sizeof *rows; ++i) {
        SCOPED_TRACE(rows[i].what);
        const std::string client = Client(int(100 + i));
        EXPECT_EQ(servertest::Exchange(nginx_->port(), rows[i].request, client).status, rows[i].status);
        if (rows[i].server) byServer.insert(client);
    }
    EXPECT_EQ(servertest::LoggedAddresses(servertest::WaitForLines(*server_, byServer.size())), byServer);
    // nginx logged every request, each with its own client.
    const std::string access = nginx_->AccessLog();
    for (size_t i = 0; i < sizeof rows / sizeof *rows; ++i)
        EXPECT_NE(access.find(Client(int(100 + i)) + " " + std::to_string(rows[i].status) + " "), std::string::npos)
            << rows[i].what << "\n" << access;
}

// Requests one after another go over a few kept connections, each carrying
// fewer requests than the server allows one; one that comes after nginx's
// idle limit and before the server's takes a new connection, so nginx never
// sends on one the server is closing.
TEST_F(ServerBehindNginx, NginxKeepsConnectionsToTheServerWithinItsLimits) {
    // Not a multiple of nginx's requests a connection, so the last one is
    // still kept when the late request comes.
    constexpr int kRequests = 38;
    std::multiset<std::string> clients;
    for (int i = 0; i < kRequests; ++i) {
        clients.insert(Client(i));
        EXPECT_EQ(servertest::Get(nginx_->port(), TargetOf(GamePayload(GameSide())), Client(i)).status, 200) << i;
    }
    const size_t pooled = server_->ConnectionsAccepted();
    EXPECT_LE(pooled, static_cast<size_t>(kRequests / 2));
    EXPECT_GE(pooled, static_cast<size_t>(kRequests / (zscores::kKeepAliveMax - 1)));
    EXPECT_EQ(servertest::LoggedAddresses(servertest::WaitForLines(*server_, kRequests)), clients);

    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_EQ(servertest::Get(nginx_->port(), TargetOf(GamePayload(GameSide())), Client(kRequests)).status, 200);
    EXPECT_EQ(server_->ConnectionsAccepted(), pooled + 1);
}

// What a connection that trickles its body one byte a second gets: the
// status it was answered (0 for none) and the seconds until it was closed
// (past `limitSec` when it was not).
struct Trickled {
    int status = 0;
    double closedAfter = 0;
};

Trickled TrickleBody(int port, const std::string& from, const std::string& head, int limitSec) {
    Trickled t;
    const int fd = servertest::ConnectFrom(port, from);
    if (fd < 0) return t;
    const Clock::time_point start = Clock::now();
    std::string got;
    bool closed = !servertest::SendAll(fd, head);
    for (int second = 0; second <= limitSec && !closed; ++second) {
        closed = !servertest::SendAll(fd, "x");
        const Clock::time_point next = Clock::now() + std::chrono::seconds(1);
        while (!closed && Clock::now() < next) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now()).count();
            bool timedOut = false;
            const std::string more = servertest::ReceiveSome(fd, static_cast<int>(left) + 1, timedOut);
            if (timedOut) break;
            closed = more.empty();
            got += more;
        }
    }
    t.closedAfter = closed ? std::chrono::duration<double>(Clock::now() - start).count() : limitSec + 1.0;
    close(fd);
    if (got.rfind("HTTP/1.", 0) == 0 && got.size() > 12) t.status = std::atoi(got.c_str() + 9);
    return t;
}

TEST_F(ServerBehindNginx, ATrickledBodyIsCutWithinTenSeconds) {
    constexpr int kLimitSec = 10;
    const std::string target = TargetOf(GamePayload(GameSide()));
    const std::string heads[] = {
        "POST /Scores.php HTTP/1.1\r\nHost: localhost\r\nContent-Length: 900\r\n\r\n",
        "GET " + target + " HTTP/1.1\r\nHost: localhost\r\nContent-Length: 900\r\n\r\n",
        "POST /Scores.php HTTP/1.1\r\nHost: localhost\r\nTransfer-Encoding: chunked\r\n\r\n384\r\n",
    };
    constexpr size_t kCases = sizeof heads / sizeof *heads;
    Trickled results[kCases];
    std::vector<std::thread> threads;
    for (size_t i = 0; i < kCases; ++i)
        threads.emplace_back([&, i] {
            results[i] = TrickleBody(nginx_->port(), Client(static_cast<int>(i)), heads[i], kLimitSec + 2);
        });
    for (std::thread& t : threads) t.join();
    for (size_t i = 0; i < kCases; ++i) {
        std::printf("trickled body %zu: answered %d, closed after %.1f s\n", i, results[i].status,
                    results[i].closedAfter);
        EXPECT_LT(results[i].closedAfter, kLimitSec) << heads[i];
        EXPECT_GE(results[i].status, 400) << heads[i];
    }
}

}  // namespace
