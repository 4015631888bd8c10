// Web requests and identity: the payload escaping table and its inverse, the
// request GetURL sends to a loopback server, and OpenBrowser handing a page to
// a stand-in xdg-open as one argument, never through a shell.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "KUVOCore.h"
#include "loopback_server.h"
#include "payload_escape.h"
#include "scratch_dir.h"
#include "sys_internal.h"

namespace {

// The engine calls here use no member state; one object serves every test.
KUVOCore& Core() {
    static KUVOCore core;
    return core;
}

const struct {
    char Plain;
    const char* Code;
} kTable[] = {
    {'&', "*!A!*"}, {'\\', "*!B!*"}, {'\'', "*!C!*"}, {'`', "*!D!*"}, {'"', "*!E!*"}, {'/', "*!F!*"},
    {'>', "*!G!*"}, {'#', "*!H!*"},  {'^', "*!I!*"},  {'{', "*!J!*"}, {'}', "*!K!*"}, {'<', "*!L!*"},
    {'|', "*!M!*"}, {'%', "*!P!*"},  {'?', "*!Q!*"},  {'+', "*!R!*"}, {'$', "*!S!*"}, {',', "*!T!*"},
    {' ', "*!U!*"},
};

TEST(EngineWeb, EscapingTable) {
    for (const auto& e : kTable) {
        EXPECT_EQ(e.Code, zcommon::EscapePayload(std::string(1, e.Plain))) << e.Plain;
        EXPECT_EQ(std::string(1, e.Plain), zcommon::UnescapePayload(e.Code)) << e.Code;
    }
    EXPECT_EQ("a*!J!*b*!U!*c", zcommon::EscapePayload("a{b c"));
    EXPECT_EQ("Abc123xyz", zcommon::EscapePayload("Abc123xyz"));
    EXPECT_EQ("*!=-_.~[]", zcommon::EscapePayload("*!=-_.~[]"));  // asterisk and exclamation stay
    EXPECT_EQ("ab", zcommon::EscapePayload(std::string("a\0\x80\xff" "b", 5)));
    EXPECT_EQ("\x01\x7f", zcommon::EscapePayload("\x01\x7f"));
    EXPECT_EQ("*!N!**!O!**!Z!**!a!*", zcommon::UnescapePayload("*!N!**!O!**!Z!**!a!*"));
    EXPECT_EQ("*!A!", zcommon::UnescapePayload("*!A!"));  // a code cut short is text
}

TEST(EngineWeb, EscapingRoundTripsEveryCharacterItKeeps) {
    std::string all;
    for (int c = 1; c <= 127; c++) all += static_cast<char>(c);
    const std::string escaped = zcommon::EscapePayload(all);
    for (const auto& e : kTable) EXPECT_EQ(std::string::npos, escaped.find(e.Plain)) << e.Plain;
    EXPECT_EQ(all, zcommon::UnescapePayload(escaped));

    // The scrambler's whole alphabet, in a run of every pair of neighbours.
    std::string scrambled;
    for (int c = 32; c <= 123; c++) scrambled += static_cast<char>(c), scrambled += static_cast<char>(155 - c);
    EXPECT_EQ(scrambled, zcommon::UnescapePayload(zcommon::EscapePayload(scrambled)));
}

class EngineWebFetch : public ::testing::Test {
protected:
    void SetUp() override {
        receive_ = WebReceiveLimitMs;
        WebReceiveLimitMs = 2000;
        ASys.WebResult.clear();
    }
    void TearDown() override { WebReceiveLimitMs = receive_; }
    KUVOCore* core_ = &Core();

private:
    int receive_ = 0;
};

TEST_F(EngineWebFetch, GetURLSendsTheEscapedPayloadAndReturnsTheFramedAnswer) {
    looptest::Server server({{looptest::Framed("OnlineScores{x")}});
    testing::internal::CaptureStdout();
    const std::string got = core_->GetURL(server.Host(), "Scores.php?Game=0559&Score=", "a{b c\xe9!");
    testing::internal::GetCapturedStdout();
    EXPECT_EQ("OnlineScores{x", got);
    const std::string request = server.Request();
    EXPECT_EQ(0u, request.find("GET /Scores.php?Game=0559&Score=a*!J!*b*!U!*c! HTTP/1.1\r\n")) << request;
}

TEST_F(EngineWebFetch, APayloadWithALineBreakIsNeverSent) {
    // A line break would end the request line early and start a header of
    // the caller's choosing.
    looptest::Server server({{looptest::Framed("x")}});
    ASys.WebResult = "before";
    testing::internal::CaptureStdout();
    EXPECT_EQ("before", core_->GetURL(server.Host(), "p?x=", "a\r\nHost: elsewhere"));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(0, server.Connections());
}

// A stand-in xdg-open on $PATH that writes its argument count and arguments,
// one a line, to a file beside it.
class EngineWebBrowser : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = testsupport::MakeTempDir("zindle-browser");
        ASSERT_FALSE(dir_.empty());
        record_ = dir_ + "/opened";
        std::ofstream script(dir_ + "/xdg-open");
        script << "#!/bin/sh\n{ echo \"$#\"; for a in \"$@\"; do echo \"$a\"; done; } > \"" << record_
               << ".tmp\"\n/bin/mv \"" << record_ << ".tmp\" \"" << record_ << "\"\n";
        script.close();
        chmod((dir_ + "/xdg-open").c_str(), 0755);
        const char* path = std::getenv("PATH");
        savedPath_ = path != nullptr ? path : "";
        setenv("PATH", dir_.c_str(), 1);
    }
    void TearDown() override {
        setenv("PATH", savedPath_.c_str(), 1);
        testsupport::RemoveTree(dir_);
    }
    // The record the stand-in wrote, waiting for it up to ten seconds.
    std::string Record() {
        for (int i = 0; i < 1000; i++) {
            std::ifstream in(record_);
            if (in) {
                std::stringstream all;
                all << in.rdbuf();
                return all.str();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return "(never opened)";
    }
    std::string dir_, record_, savedPath_;
    KUVOCore* core_ = &Core();
};

TEST_F(EngineWebBrowser, APageIsOneArgumentNoShellSeesIt) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, core_->OpenBrowser("example.com/a;touch${IFS}x|y&z`id`"));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ("1\nhttp://example.com/a;touch${IFS}x|y&z`id`\n", Record());
}

TEST_F(EngineWebBrowser, AnythingButAWebAddressIsRefused) {
    testing::internal::CaptureStdout();
    for (const char* page : {"", "-h", "--manual", "file:///etc/passwd", "ftp://x.org", "a b", "x\ny",
                             "smb://host/share"})
        EXPECT_EQ(-1, core_->OpenBrowser(page)) << page;
    EXPECT_EQ(-1, core_->OpenBrowser(std::string(3000, 'a')));
    EXPECT_EQ(0, core_->OpenBrowser("HTTPS://example.org/x"));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ("1\nHTTPS://example.org/x\n", Record()) << "only the web address was opened";
}

TEST_F(EngineWebBrowser, NoOpenerMeansFailure) {
    setenv("PATH", "/nonexistent-dir", 1);
    testing::internal::CaptureStdout();
    EXPECT_EQ(-1, core_->OpenBrowser("example.com"));
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStdout().find("No xdg-open"));
}

}  // namespace
