// The score server against slow and crowding clients, on an ephemeral
// loopback port: one deadline for a whole request that trickling cannot
// stretch, other addresses served while one holds connections open, the
// per-address cap, kept connections closed when idle; and the pieces behind
// them (the request-line and Host checks, the connection counter) on their own.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "connection_counter.h"
#include "http_session.h"
#include "scores_limits.h"
#include "server_test_support.h"

namespace {

using servertest::GamePayload;
using servertest::GameSide;
using servertest::TargetOf;

// Far past the server's own limits, so only a server that never closes fails.
constexpr int kPatienceMs = servertest::kClientLimitMs;

std::vector<std::string> WaitForLine(servertest::RunningServer& server, const std::string& text) {
    for (int i = 0; i < 1000; ++i) {
        for (const std::string& line : server.lines())
            if (line.find(text) != std::string::npos) return server.lines();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return server.lines();
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& l : lines) all += l + "\n";
    return all;
}

class ServerLimits : public servertest::StoreTest {};

// A client sending a byte every 200 ms never pauses long enough for a
// per-read timeout; the whole-request deadline closes it all the same.
TEST_F(ServerLimits, TricklingClientIsClosedAtTheRequestDeadline) {
    servertest::RunningServer server(store_);
    const std::string request = servertest::GetRequest(TargetOf(GamePayload(GameSide())));
    const int fd = servertest::ConnectFrom(server.port(), "127.0.0.9");
    ASSERT_GE(fd, 0);
    const auto start = std::chrono::steady_clock::now();
    bool closed = false;
    for (size_t i = 0; i < request.size() && !closed; ++i) {
        if (!servertest::SendAll(fd, request.substr(i, 1))) break;
        closed = servertest::ClosedWithin(fd, 200);
        if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(kPatienceMs)) break;
    }
    if (!closed) closed = servertest::ClosedWithin(fd, 1000);
    close(fd);
    EXPECT_TRUE(closed) << "still open after " << kPatienceMs << " ms";
    const std::vector<std::string> lines = WaitForLine(server, " 408 ");
    EXPECT_NE(Joined(lines).find(" 127.0.0.9 GET - 408 request not complete within 5 s"), std::string::npos)
        << Joined(lines);
    zscores::StoredScore s;
    EXPECT_FALSE(store_.Find(559, servertest::UserIdOf(GameSide()), 1, s));
}

TEST_F(ServerLimits, OtherAddressesAreServedWhileOneHoldsConnections) {
    servertest::RunningServer server(store_);
    // As many half-sent requests from one address as it may have open.
    servertest::Connections slow;
    ASSERT_TRUE(slow.OpenAll(server.port(), "127.0.0.2"));
    for (int fd : slow.fds) ASSERT_TRUE(servertest::SendAll(fd, "GET /Scores.php?Game=05"));
    GameSide g;
    g.best[0] = 77;
    const servertest::HttpReply r = servertest::Get(server.port(), TargetOf(GamePayload(g)), "127.0.0.3");
    EXPECT_EQ(r.status, 200);
    zscores::StoredScore s;
    ASSERT_TRUE(store_.Find(559, servertest::UserIdOf(g), 1, s));
    EXPECT_EQ(s.best, 77);
    // Answered while the slow ones were still waiting on their deadline.
    for (int fd : slow.fds) EXPECT_FALSE(servertest::ClosedWithin(fd, 0));
}

TEST_F(ServerLimits, AnAddressPastItsCapIsRefusedAtOnce) {
    servertest::RunningServer server(store_);
    servertest::Connections held;
    ASSERT_TRUE(held.OpenAll(server.port(), "127.0.0.4"));
    // Connections are accepted in order, so the next one is the one too many.
    const int extra = servertest::ConnectFrom(server.port(), "127.0.0.4");
    ASSERT_GE(extra, 0);
    const servertest::HttpReply refused = servertest::ReadReply(extra);
    close(extra);
    EXPECT_EQ(refused.status, 503);
    EXPECT_TRUE(refused.closed);
    EXPECT_NE(refused.body.find("too many connections from this address"), std::string::npos) << refused.body;
    EXPECT_NE(Joined(WaitForLine(server, " 503 ")).find(" 127.0.0.4 - - 503 too many connections from this address"),
              std::string::npos);

    // Another address is not held back by it.
    EXPECT_EQ(servertest::Get(server.port(), TargetOf(GamePayload(GameSide())), "127.0.0.5").status, 200);

    // Once one of its connections ends, the address has a place again.
    ASSERT_TRUE(servertest::SendAll(held.fds[0], servertest::GetRequest(TargetOf(GamePayload(GameSide())))));
    EXPECT_EQ(servertest::ReadReply(held.fds[0]).status, 200);
    int status = 0;
    for (int tries = 0; tries < 200 && status != 200; ++tries) {
        status = servertest::Get(server.port(), TargetOf(GamePayload(GameSide())), "127.0.0.4").status;
        if (status != 200) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(status, 200);
}

TEST_F(ServerLimits, KeptConnectionServesAFewRequestsThenClosesWhenIdle) {
    servertest::RunningServer server(store_);
    const int fd = servertest::ConnectFrom(server.port());
    ASSERT_GE(fd, 0);
    const std::string keep = "GET " + TargetOf(GamePayload(GameSide())) + " HTTP/1.1\r\nHost: localhost\r\n\r\n";
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(servertest::SendAll(fd, keep));
        const servertest::HttpReply r = servertest::ReadReply(fd, false);
        EXPECT_EQ(r.status, 200) << i;
        EXPECT_EQ(r.Header("Connection"), "") << i;  // HTTP/1.1 keeps it open by default
    }
    EXPECT_TRUE(servertest::ClosedWithin(fd, kPatienceMs));
    close(fd);

    // The last request a connection may carry is answered with a close.
    const int again = servertest::ConnectFrom(server.port());
    ASSERT_GE(again, 0);
    for (int i = 0; i < zscores::kKeepAliveMax; ++i) {
        ASSERT_TRUE(servertest::SendAll(again, keep));
        const servertest::HttpReply r = servertest::ReadReply(again, false);
        EXPECT_EQ(r.status, 200) << i;
        EXPECT_EQ(r.Header("Connection"), i + 1 == zscores::kKeepAliveMax ? "close" : "") << i;
    }
    EXPECT_TRUE(servertest::ClosedWithin(again, kPatienceMs));
    close(again);
}

// Whether the bytes can still become a request line, and the method and
// target read so far: each once the space after it has come.
TEST(ServerRequestLine, RefusesWhatCanNeverBecomeARequestLine) {
    struct Case {
        std::string bytes;
        bool may;
        const char* method;
        const char* target;
    };
    const Case cases[] = {
        {"", true, "", ""},
        {"G", true, "", ""},
        {"GET", true, "", ""},
        {"GET ", true, "GET", ""},
        {"GET /Scores.php?Game=0559", true, "GET", ""},
        {"HEAD /Scores.php ", true, "HEAD", "/Scores.php"},
        {"GET / HTTP/1", true, "GET", "/"},
        {"GET / HTTP/1.1", true, "GET", "/"},
        {"GET / HTTP/1.1\r", true, "GET", "/"},
        {"GET / HTTP/1.1\r\nHost: x", true, "GET", "/"},
        {"GET / HTTP/1.0\n", true, "GET", "/"},
        {"POSTPOSTPOSTPOST /", true, "POSTPOSTPOSTPOST", ""},  // sixteen letters
        {"POSTPOSTPOSTPOSTX", false, "", ""},                  // seventeen
        {"get / HTTP/1.1", false, "", ""},
        {" GET / HTTP/1.1", false, "", ""},
        {"GET  / HTTP/1.1", false, "GET", ""},
        {"G\x01T / HTTP/1.1", false, "", ""},
        {"GET /\x7f HTTP/1.1", false, "GET", ""},
        {"GET /\xc3\xa9 HTTP/1.1", false, "GET", ""},
        {"GET / HTTP/2", false, "GET", "/"},
        {"GET / HTTP/1.x", false, "GET", "/"},
        {"GET / HTTP/1.1x", false, "GET", "/"},
        {"GET / HTTP/1.1\rx", false, "GET", "/"},
        {"HEAD /a SPDY/3", false, "HEAD", "/a"},
        {std::string("\x16\x03\x01", 3), false, "", ""},
        {std::string("\0GET", 4), false, "", ""},
    };
    for (const Case& c : cases) {
        const zscores::RequestLineScan scan = zscores::ScanRequestLine(c.bytes);
        EXPECT_EQ(scan.may, c.may) << c.bytes;
        EXPECT_EQ(scan.method, c.method) << c.bytes;
        EXPECT_EQ(scan.target, c.target) << c.bytes;
    }
}

TEST(ServerRequestLine, HostValues) {
    struct Case {
        std::string value;
        bool valid;
    };
    const Case cases[] = {
        {"localhost", true},
        {"localhost:8559", true},
        {"scores.example.org", true},
        {"my-host_1~.", true},
        {"127.0.0.1:80", true},
        {"[::1]", true},
        {"[2001:db8::1]:8559", true},
        {"[::ffff:192.0.2.1]", true},
        {"localhost:65535", true},
        {std::string(253, 'a') + ":65535", true},  // the longest the game sends
        {std::string(zscores::kHostMax, 'a'), true},
        {std::string(zscores::kHostMax + 1, 'a'), false},
        {"", false},
        {":8559", false},
        {"localhost:", false},
        {"localhost:65536", false},
        {"localhost:123456", false},
        {"localhost:80a", false},
        {"localhost:80:80", false},
        {"local host", false},
        {"local\thost", false},
        {"local\x01host", false},
        {"host\xc3\xa9", false},
        {"user@host", false},
        {"host/path", false},
        {"host%41", false},
        {"[::1", false},
        {"[]", false},
        {"[::1]x", false},
        {"[::1]:", false},
        {"[fe80::1%eth0]", false},
        {"[1.2.3.4]", false},
        {"[:::]", false},
        {"::1", false},
    };
    for (const Case& c : cases) EXPECT_EQ(zscores::IsValidHost(c.value), c.valid) << c.value;
}

TEST(ServerConnectionCounter, CapsPerAddressAndInAll) {
    zscores::ConnectionCounter counter(2, 3);
    using V = zscores::ConnectionCounter::Verdict;
    struct Step {
        bool admit;  // false: release
        const char* address;
        V verdict;
        size_t open;
        bool capped = true;  // false: admitted as a proxy, under the total cap alone
    };
    const Step steps[] = {
        {true, "a", V::Admitted, 1},     {true, "a", V::Admitted, 2},  {true, "a", V::AddressFull, 2},
        {true, "b", V::Admitted, 3},     {true, "c", V::ServerFull, 3},  // full before any address counts
        {false, "a", V::Admitted, 2},    {true, "c", V::Admitted, 3},  {true, "a", V::ServerFull, 3},
        {false, "x", V::Admitted, 3},    // never admitted: changes nothing
        {false, "c", V::Admitted, 2},    {false, "c", V::Admitted, 2},  // released twice: once counts
        {true, "a", V::Admitted, 3},
        {true, "a", V::ServerFull, 3, false},  // the total cap holds a proxy too
        {false, "b", V::Admitted, 2},    {true, "a", V::AddressFull, 2},
        {true, "a", V::Admitted, 3, false},    // past the per-address cap
    };
    for (const Step& st : steps) {
        if (st.admit) EXPECT_EQ(counter.Admit(st.address, st.capped), st.verdict) << st.address;
        else counter.Release(st.address);
        EXPECT_EQ(counter.Open(), st.open) << st.address;
    }
    EXPECT_EQ(counter.OpenFrom("a"), 3u);
    EXPECT_EQ(counter.OpenFrom("c"), 0u);
}

}  // namespace
