// The score server behind a reverse proxy: which peers are trusted, the
// client's address read off their X-Forwarded-For, that address under the
// rate limit and in the log, a proxy's connection pool past the per-address
// cap, and any other peer known by its own address whatever it sends.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "server_test_support.h"
#include "trusted_proxies.h"

namespace {

using servertest::Forwarded;
using servertest::LoggedAddresses;

TEST(ServerProxy, TrustedListsTakeAddressesOnly) {
    struct Case {
        const char* list;
        bool taken;
        const char* described;  // all the lists so far that were taken
    };
    const Case cases[] = {
        {"127.0.0.1", true, "127.0.0.1"},
        {" ::1 ,\t10.0.0.2", true, "127.0.0.1, ::1, 10.0.0.2"},
        {"::ffff:10.0.0.3,10.0.0.2,127.0.0.1", true, "127.0.0.1, ::1, 10.0.0.2, 10.0.0.3"},
        {"", false, ""},
        {"localhost", false, ""},
        {"10.0.0.4,", false, ""},
        {"10.0.0.4,,10.0.0.5", false, ""},
        {"10.0.0.4, nonsense", false, ""},  // refused whole: 10.0.0.4 is not taken either
        {"10.0.0.0/8", false, ""},
        {"10.0.0.4:80", false, ""},
        {"[::1]", false, ""},
        {"fe80::1%lo", false, ""},
        {"1.2.3", false, ""},
        {"01.2.3.4", false, ""},
    };
    zscores::TrustedProxies proxies;
    EXPECT_EQ(proxies.Describe(), "none");
    std::string described = "none";
    for (const Case& c : cases) {
        EXPECT_EQ(proxies.Add(c.list), c.taken) << c.list;
        if (c.taken) described = c.described;
        EXPECT_EQ(proxies.Describe(), described) << c.list;
    }
}

TEST(ServerProxy, ClientIsTheRightmostEntryNotATrustedProxy) {
    zscores::TrustedProxies proxies;
    ASSERT_TRUE(proxies.Add("127.0.0.1, 10.0.0.2, ::1"));
    struct Case {
        const char* peer;
        std::vector<std::string_view> lines;  // X-Forwarded-For lines in order
        const char* client;
    };
    const Case cases[] = {
        {"127.0.0.1", {}, "127.0.0.1"},  // no header: the proxy itself
        {"127.0.0.1", {"203.0.113.5"}, "203.0.113.5"},
        {"::1", {"203.0.113.5"}, "203.0.113.5"},
        {"127.0.0.1", {" \t203.0.113.5 "}, "203.0.113.5"},
        {"127.0.0.1", {"198.51.100.1, 203.0.113.5"}, "203.0.113.5"},  // the left is the client's word
        {"127.0.0.1", {"203.0.113.5, 10.0.0.2,127.0.0.1"}, "203.0.113.5"},
        {"127.0.0.1", {"198.51.100.1", "203.0.113.5"}, "203.0.113.5"},  // lines join in order
        {"127.0.0.1", {"203.0.113.5", "10.0.0.2"}, "203.0.113.5"},
        {"127.0.0.1", {"2001:DB8:0:0::1"}, "2001:db8::1"},
        {"127.0.0.1", {"::ffff:203.0.113.5"}, "203.0.113.5"},
        {"127.0.0.1", {"garbage, 203.0.113.5"}, "203.0.113.5"},
        {"127.0.0.1", {"203.0.113.5, garbage"}, "127.0.0.1"},
        {"127.0.0.1", {"203.0.113.5", ""}, "127.0.0.1"},
        {"127.0.0.1", {"203.0.113.5,"}, "127.0.0.1"},
        {"127.0.0.1", {"unknown"}, "127.0.0.1"},
        {"127.0.0.1", {"203.0.113.5:4711"}, "127.0.0.1"},
        {"127.0.0.1", {"[2001:db8::1]"}, "127.0.0.1"},
        {"127.0.0.1", {"fe80::1%lo"}, "127.0.0.1"},
        {"127.0.0.1", {"203.0.113.5 198.51.100.1"}, "127.0.0.1"},
        {"127.0.0.1", {"10.0.0.2, 127.0.0.1"}, "127.0.0.1"},  // proxies alone
        {"127.0.0.2", {"203.0.113.5"}, "127.0.0.2"},          // not a trusted peer
        {"10.0.0.20", {"10.0.0.2"}, "10.0.0.20"},
    };
    for (const Case& c : cases) {
        std::string lines;
        for (std::string_view l : c.lines) lines += "[" + std::string(l) + "]";
        EXPECT_EQ(proxies.ClientOf(c.peer, c.lines), c.client) << c.peer << " " << lines;
    }
}

// A bad --trusted-proxy is a usage error like any other bad argument; a good
// one, given more than once, goes on to --help.
TEST(ServerProxy, CommandLineRefusesWhatIsNotAnAddress) {
    struct Case {
        std::vector<const char*> args;
        int exitCode;
    };
    const Case cases[] = {
        {{"--trusted-proxy", "127.0.0.1, ::1", "--trusted-proxy", "10.0.0.2", "--help"}, 0},
        {{"--trusted-proxy", "proxy.example.org", "--help"}, 2},
        {{"--trusted-proxy", "127.0.0.1,", "--help"}, 2},
        {{"--trusted-proxy"}, 2},
    };
    for (const Case& c : cases) {
        std::vector<char*> argv{const_cast<char*>(ZINDLE_SCORES_BINARY)};
        for (const char* a : c.args) argv.push_back(const_cast<char*>(a));
        argv.push_back(nullptr);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            if (freopen("/dev/null", "w", stdout) == nullptr || freopen("/dev/null", "w", stderr) == nullptr) _exit(126);
            execv(argv[0], argv.data());
            _exit(127);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), c.exitCode) << c.args[0] << " " << (c.args.size() > 1 ? c.args[1] : "");
    }
}

class ServerProxyHttp : public servertest::StoreTest {};

TEST_F(ServerProxyHttp, StartUpLineNamesTheTrustedProxies) {
    zscores::ServerOptions options;
    const std::string none = zscores::ScoreServer(store_, options).LimitsLine();
    EXPECT_EQ(none.rfind("limits: a whole request within 5 s", 0), 0u) << none;
    EXPECT_NE(none.find("; trusted proxies: none"), std::string::npos) << none;
    ASSERT_TRUE(options.trustedProxies.Add("127.0.0.1,::1"));
    const std::string two = zscores::ScoreServer(store_, options).LimitsLine();
    EXPECT_NE(two.find("; trusted proxies: 127.0.0.1, ::1 ("), std::string::npos) << two;
}

// Kept connections as a proxy's pool uses them: each carries several
// clients' requests, and each request is known by its own client.
TEST_F(ServerProxyHttp, EachForwardedClientHasItsOwnAllowanceAndLogLine) {
    servertest::RunningServer server(store_, 1.0, 2.0, "127.0.0.1");  // two at once per client
    constexpr int kClients = 100;
    std::multiset<std::string> clients;
    for (int i = 0; i < kClients; i += zscores::kKeepAliveMax) {
        const int fd = servertest::ConnectFrom(server.port());
        ASSERT_GE(fd, 0);
        for (int k = i; k < i + zscores::kKeepAliveMax; ++k) {
            // IPv4 and IPv6 clients, behind what they claim themselves.
            const std::string client =
                k % 2 ? "203.0.113." + std::to_string(k) : "2001:db8::" + std::to_string(k + 1);
            clients.insert(client);
            ASSERT_TRUE(servertest::SendAll(fd, Forwarded("198.51.100.1, " + client, false)));
            EXPECT_EQ(servertest::ReadReply(fd, false).status, 200) << client;
        }
        close(fd);
    }
    EXPECT_EQ(LoggedAddresses(servertest::WaitForLines(server, kClients)), clients);
}

TEST_F(ServerProxyHttp, AForwardedClientIsLimitedAfterItsBurst) {
    servertest::RunningServer server(store_, 1.0, 2.0, "127.0.0.1");
    struct Step {
        const char* forwardedFor;
        int status;
    };
    const Step steps[] = {
        {"198.51.100.7", 200}, {"198.51.100.7", 200}, {"198.51.100.7", 429},
        {"198.51.100.8", 200},                 // another client is not held back
        {"198.51.100.8, 198.51.100.7", 429},   // the rightmost entry is the client
        {"198.51.100.7, 198.51.100.9", 200},   // naming a spent address first changes nothing
    };
    std::vector<std::string> expected;
    for (const Step& s : steps) {
        EXPECT_EQ(servertest::Exchange(server.port(), Forwarded(s.forwardedFor)).status, s.status) << s.forwardedFor;
        const std::string client = s.forwardedFor;
        expected.push_back(" " + client.substr(client.rfind(' ') + 1) + " GET /Scores.php " + std::to_string(s.status));
        ASSERT_EQ(servertest::WaitForLines(server, expected.size()).size(), expected.size());
    }
    const std::vector<std::string> lines = server.lines();
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_NE(lines[i].find(expected[i]), std::string::npos) << lines[i];
}

TEST_F(ServerProxyHttp, AProxysPoolIsNotCappedPerAddress) {
    servertest::RunningServer server(store_, 0.0, 20.0, "127.0.0.1");
    constexpr size_t kPool = 40;
    static_assert(kPool > zscores::kConnectionsPerAddressMax, "a pool the per-address cap would refuse");
    servertest::Connections pool;
    ASSERT_TRUE(pool.OpenAll(server.port(), "127.0.0.1", kPool));
    // Every one is open and served; one refused would have had its 503.
    for (size_t i = 0; i < kPool; ++i) {
        ASSERT_TRUE(servertest::SendAll(pool.fds[i], Forwarded("203.0.113." + std::to_string(i))));
        EXPECT_EQ(servertest::ReadReply(pool.fds[i]).status, 200) << i;
    }
}

// Whether no proxy is trusted or another one is, a peer's own X-Forwarded-For
// neither frees it from its limit nor changes its log line.
TEST_F(ServerProxyHttp, AnUntrustedPeerIsKnownByItsOwnAddress) {
    struct Case {
        const char* trusted;
        const char* peer;
    };
    for (const Case& c : {Case{"", "127.0.0.1"}, Case{"127.0.0.1", "127.0.0.2"}}) {
        servertest::RunningServer server(store_, 1.0, 2.0, c.trusted);
        const int statuses[] = {200, 200, 429};
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(servertest::Exchange(server.port(), Forwarded("203.0.113." + std::to_string(i)), c.peer).status,
                      statuses[i])
                << c.peer << " request " << i;
        const std::multiset<std::string> own{c.peer, c.peer, c.peer};
        EXPECT_EQ(LoggedAddresses(servertest::WaitForLines(server, 3)), own) << c.peer;
    }
}

}  // namespace
