// The HTTP fetch: host parsing, the framing of answers block by block, and
// whole exchanges with a loopback server that answers well, badly, slowly,
// hugely or not at all. Time limits are shortened so dead servers cost little.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "loopback_server.h"
#include "sys_internal.h"

namespace {

using looptest::Ending;
using looptest::Framed;
using looptest::Server;
using looptest::Step;

TEST(BackendHttp, HostParsing) {
    const struct {
        const char* Text;
        bool Ok;
        const char* Name;
        int Port;
    } cases[] = {
        {"localhost", true, "localhost", 80},
        {"localhost:8559", true, "localhost", 8559},
        {"127.0.0.1:1", true, "127.0.0.1", 1},
        {"scores.example-host.org:65535", true, "scores.example-host.org", 65535},
        {"h:080", true, "h", 80},
        {"", false, "", 0},
        {":80", false, "", 0},
        {"host:", false, "", 0},
        {"host:0", false, "", 0},
        {"host:65536", false, "", 0},
        {"host:123456", false, "", 0},
        {"host:8x", false, "", 0},
        {"host:-1", false, "", 0},
        {"host:80:90", false, "", 0},
        {"[::1]:80", false, "", 0},
        {"a b", false, "", 0},
        {"-host", false, "", 0},
        {".host", false, "", 0},
        {"ho/st", false, "", 0},
        {"host\r\nX: y", false, "", 0},
        {"h\xc3\xa9", false, "", 0},
    };
    for (const auto& c : cases) {
        kuvo::HostPort hp{"untouched", 7};
        EXPECT_EQ(c.Ok, kuvo::ParseHostPort(c.Text, &hp)) << c.Text;
        EXPECT_EQ(c.Ok ? c.Name : "untouched", hp.Name) << c.Text;
        EXPECT_EQ(c.Ok ? c.Port : 7, hp.Port) << c.Text;
    }
    kuvo::HostPort hp{};
    EXPECT_TRUE(kuvo::ParseHostPort(std::string(253, 'a'), &hp));
    EXPECT_FALSE(kuvo::ParseHostPort(std::string(254, 'a'), &hp));
}

// Frames the blocks as consecutive receives and returns the payload.
std::string FrameBlocks(const std::vector<std::string>& blocks, bool* done = nullptr) {
    std::string window = "stale", result = "stale";
    kuvo::WebFramer framer(window, result);
    for (const std::string& b : blocks) framer.Block(b.data(), b.size());
    if (done != nullptr) *done = framer.Done();
    framer.Finish();
    return result;
}

TEST(BackendHttp, FramingBlockByBlock) {
    const std::string data = "[-\r\nData-]", end = "[-\r\nEnd-]";
    const struct {
        std::vector<std::string> Blocks;
        std::string Payload;
        bool Done;
    } cases[] = {
        {{"HTTP/1.1 200 OK\r\nA: b\r\n\r\n" + data + "abc{def" + end + "tail"}, "abc{def", true},
        {{data + "a\x01" "b\x7f\xc3\xa9\tc\r\nd\x80" + end}, "ab\x7f" "c\r\nd", true},
        {{"no tags at all"}, "", false},
        {{data + "unended"}, "unended", false},
        {{data + "ab", "cd" + end}, "abcd", true},                  // the payload runs on across blocks
        {{"x[-\r\nDa", "ta-]abc" + end}, "", false},                 // a start tag cut in two is not seen
        {{data + "abc[-\r\nE", "nd-]def"}, "abc[-\r\nEnd-]def", false},  // nor an end tag
        {{end + "x" + data + "abc" + end}, "", true},                 // an end tag before the start tag
        {{data + end}, "", true},
        {{data + "a" + end, data + "b" + end}, "a", true},            // nothing after the end tag counts
    };
    for (const auto& c : cases) {
        bool done = false;
        EXPECT_EQ(c.Payload, FrameBlocks(c.Blocks, &done)) << c.Blocks[0];
        EXPECT_EQ(c.Done, done) << c.Blocks[0];
    }
    // A zero byte inside the answer is dropped like any control byte.
    EXPECT_EQ("ab", FrameBlocks({data + std::string("a\0b", 3) + end}));
}

TEST(BackendHttp, PayloadsAreCutTo1023Characters) {
    const std::string data = "[-\r\nData-]", end = "[-\r\nEnd-]";
    const std::string big(5000, 'x');
    EXPECT_EQ(std::string(1023, 'x'), FrameBlocks({data + big + end}));
    EXPECT_EQ(std::string(1023, 'x'), FrameBlocks({data + big}));
    EXPECT_EQ(std::string(1023, 'x'), FrameBlocks({data + std::string(1023, 'x') + end}));
    EXPECT_EQ(std::string(1022, 'x'), FrameBlocks({data + std::string(1022, 'x') + end}));
    EXPECT_EQ(std::string(1023, 'x'), FrameBlocks({data, std::string(1020, 'x'), "xxxxx" + end}));
}

// Shortened limits for one test, restored afterwards.
class BackendHttpFetch : public ::testing::Test {
protected:
    void SetUp() override {
        connect_ = WebConnectLimitMs;
        receive_ = WebReceiveLimitMs;
        WebConnectLimitMs = 400;
        WebReceiveLimitMs = 2000;
        ASys.WebResult = "previous";
    }
    void TearDown() override {
        WebConnectLimitMs = connect_;
        WebReceiveLimitMs = receive_;
    }
    static std::string Fetch(const std::string& host, const std::string& path, std::string* console = nullptr) {
        testing::internal::CaptureStdout();
        ASys.URLData(host, path);
        const std::string out = testing::internal::GetCapturedStdout();
        if (console != nullptr) *console = out;
        return ASys.WebResult;
    }

private:
    int connect_ = 0, receive_ = 0;
};

TEST_F(BackendHttpFetch, ANormalAnswerAndTheExactRequest) {
    Server server({{Framed("abc{def")}});
    ASSERT_TRUE(server.Listening());
    EXPECT_EQ("abc{def", Fetch(server.Host(), "Scores.php?Game=0559&Score=x*!U!*y"));
    EXPECT_EQ("GET /Scores.php?Game=0559&Score=x*!U!*y HTTP/1.1\r\nHost: 127.0.0.1:" +
                  std::to_string(server.Port()) + "\r\nConnection: close\r\n\r\n",
              server.Request());
}

TEST_F(BackendHttpFetch, AnswersWithoutFramingOrWithoutAWord) {
    {
        Server server({{"HTTP/1.1 200 OK\r\n\r\nno frame here"}});
        EXPECT_EQ("", Fetch(server.Host(), "p"));
    }
    ASys.WebResult = "previous";
    {
        Server server({});  // accepts, reads, closes
        EXPECT_EQ("", Fetch(server.Host(), "p")) << "the request went out, so the old payload is gone";
        EXPECT_EQ(1, server.Connections());
    }
}

TEST_F(BackendHttpFetch, AnAnswerSplitAcrossSends) {
    Server server({{"HTTP/1.1 200 OK\r\n\r\n[-\r\nData-]abc", 150}, {"def", 150}, {"[-\r\nEnd-]"}});
    EXPECT_EQ("abcdef", Fetch(server.Host(), "p"));
}

TEST_F(BackendHttpFetch, ASilentServerEndsAtTheReceiveLimit) {
    Server server({{"HTTP/1.1 200 OK\r\n\r\n[-\r\nData-]part"}}, Ending::Hold);
    EXPECT_EQ("part", Fetch(server.Host(), "p"));
}

TEST_F(BackendHttpFetch, ATricklingServerCannotStretchTheLimit) {
    // A byte every 100 ms would keep a per-receive limit waiting for ever;
    // the answer's one deadline stops it with what has arrived.
    std::vector<Step> script{{"HTTP/1.1 200 OK\r\n\r\n[-\r\nData-]", 0}};
    for (int i = 0; i < 600; i++) script.push_back({"z", 100});
    WebReceiveLimitMs = 700;
    Server server(script);
    const std::string got = Fetch(server.Host(), "p");
    EXPECT_FALSE(got.empty());
    EXPECT_LT(got.size(), 100u);
    EXPECT_EQ(std::string(got.size(), 'z'), got);
}

TEST_F(BackendHttpFetch, AServerHoldingTheLineAfterTheEndTagIsLeftAtOnce) {
    WebReceiveLimitMs = 60000;  // were the end tag ignored, the test would wait this long
    Server server({{Framed("done")}}, Ending::Hold);
    EXPECT_EQ("done", Fetch(server.Host(), "p"));
    EXPECT_TRUE(server.ClientClosedFirst());
}

TEST_F(BackendHttpFetch, ARefusedConnectionKeepsThePreviousPayload) {
    int port = 0;
    // Bound but not listening: the port is ours and every connection is refused.
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof(a);
    ASSERT_EQ(0, bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a)));
    ASSERT_EQ(0, getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size));
    port = ntohs(a.sin_port);
    std::string console;
    EXPECT_EQ("previous", Fetch("127.0.0.1:" + std::to_string(port), "p", &console));
    // The refusal comes back after the connection was started, not at once.
    EXPECT_EQ("\n-=Unable to Connect=-\n\n", console);
    close(fd);
}

TEST_F(BackendHttpFetch, AConnectionThatFailsAtOnceSaysSoWithoutALineEnd) {
    // No TCP connection can go to a multicast group: the system refuses it
    // before any packet is sent.
    std::string console;
    EXPECT_EQ("previous", Fetch("224.0.0.1:9", "p", &console));
    EXPECT_EQ("Could not connect", console);
}

TEST_F(BackendHttpFetch, AConnectionThatNeverCompletesEndsAtTheConnectLimit) {
    // A listener with a backlog of 0 that never accepts: once its queue holds
    // a connection, further handshakes go unanswered.
    int port = 0;
    const int listener = looptest::ListenOnLoopback(0, &port);
    ASSERT_GE(listener, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    std::vector<int> fillers;
    for (int i = 0; i < 3; i++) {
        const int f = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        connect(f, reinterpret_cast<sockaddr*>(&a), sizeof(a));
        fillers.push_back(f);
    }
    usleep(200000);
    std::string console;
    EXPECT_EQ("previous", Fetch("127.0.0.1:" + std::to_string(port), "p", &console));
    EXPECT_EQ("\n-=Unable to Connect=-\n\n", console);
    for (int f : fillers) close(f);
    close(listener);
}

TEST_F(BackendHttpFetch, HugeAnswersAreBounded) {
    {
        Server server({{"HTTP/1.1 200 OK\r\n\r\n[-\r\nData-]"}, {std::string(200000, 'q')}, {"[-\r\nEnd-]"}});
        EXPECT_EQ(std::string(1023, 'q'), Fetch(server.Host(), "p"));
    }
    {
        // Endless junk without a tag: reading stops after a bounded amount.
        std::vector<Step> script;
        for (int i = 0; i < 64; i++) script.push_back({std::string(65536, 'j')});
        Server server(script);
        EXPECT_EQ("", Fetch(server.Host(), "p"));
    }
}

TEST_F(BackendHttpFetch, BadHostsAndPathsSendNothing) {
    Server server({{Framed("never")}});
    const struct {
        std::string Host, Path;
    } cases[] = {
        {"", "p"},
        {"127.0.0.1:" + std::to_string(server.Port()) + ":1", "p"},
        {server.Host(), "p q"},
        {server.Host(), "p\r\nX-Injected: 1"},
        {server.Host(), std::string(20000, 'p')},
    };
    for (const auto& c : cases) EXPECT_EQ("previous", Fetch(c.Host, c.Path)) << c.Path.substr(0, 20);
    EXPECT_EQ(0, server.Connections());
}

TEST_F(BackendHttpFetch, ALaterFailureKeepsTheEarlierPayload) {
    {
        Server server({{Framed("first")}});
        EXPECT_EQ("first", Fetch(server.Host(), "p"));
    }
    EXPECT_EQ("first", Fetch("", "p"));
}

}  // namespace
