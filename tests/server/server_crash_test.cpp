// The real zindle-scores killed with SIGKILL in the middle of a burst of
// writes, then started again on the same file: every request that was
// answered 200 is in the database, and SQLite finds the file intact.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "server_test_support.h"

namespace {

constexpr int kSenders = 8;
constexpr int kAnsweredBeforeKill = 300;  // answers seen before the kill comes
constexpr int kPerAddress = 10;           // requests from one address, well inside its rate burst

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// zindle-scores on any free loopback port, its output in a log of its own.
class Process {
public:
    bool Start(const std::string& db, const std::string& log) {
        log_ = log;
        pid_ = fork();
        if (pid_ < 0) return false;
        if (pid_ == 0) {
            const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (out < 0) _exit(126);
            dup2(out, STDOUT_FILENO);
            dup2(out, STDERR_FILENO);
            execl(ZINDLE_SCORES_BINARY, ZINDLE_SCORES_BINARY, "--port", "0", "--db", db.c_str(), "--bind", "127.0.0.1",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        const std::regex listening("listening on 127\\.0\\.0\\.1:([0-9]+),");
        for (int i = 0; i < 1500; ++i) {
            const std::string text = ReadAll(log_);
            std::smatch m;
            if (std::regex_search(text, m, listening)) {
                port_ = std::stoi(m[1].str());
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    // Sends `sig` and waits for the end; the exit status as waitpid tells it.
    int End(int sig) {
        if (pid_ <= 0) return -1;
        kill(pid_, sig);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }
    ~Process() { End(SIGKILL); }
    int port() const { return port_; }

private:
    std::string log_;
    pid_t pid_ = -1;
    int port_ = -1;
};

std::string UserId(int n) {
    std::string id = "K";
    for (int i = 0; i < 4; ++i) {
        id += static_cast<char>('A' + n % 26);
        n /= 26;
    }
    return id;
}

class ServerCrash : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = testsupport::MakeTempDir("zindle-scores-crash");
        ASSERT_FALSE(dir_.empty());
    }
    void TearDown() override { testsupport::RemoveTree(dir_); }
    std::string dir_;
};

TEST_F(ServerCrash, EveryAnsweredScoreSurvivesAKill) {
    const std::string db = dir_ + "/scores.db", log = dir_ + "/server.log", log2 = dir_ + "/again.log";
    Process server;
    ASSERT_TRUE(server.Start(db, log)) << ReadAll(log);

    std::mutex mutex;
    std::vector<int> answered;  // request numbers answered 200
    std::atomic<bool> killed{false};
    std::vector<std::thread> senders;
    for (int t = 0; t < kSenders; ++t) {
        senders.emplace_back([&, t] {
            for (int i = 0; i < 2000 && !killed; ++i) {
                const int n = i * kSenders + t;
                char payload[128];
                std::snprintf(payload, sizeof payload, "%s{Player%04d  {0559{0001{0000{%d{1{0{0{0{0{KUVO{",
                              UserId(n).c_str(), n % 10000, 1000 + n);
                const std::string from =
                    "127.0." + std::to_string(100 + t) + "." + std::to_string(1 + (i / kPerAddress) % 250);
                const servertest::HttpReply r = servertest::Get(server.port(), servertest::TargetOf(payload), from);
                if (r.status != 200 || r.body.find("[-\r\nEnd-]") == std::string::npos) continue;
                std::lock_guard<std::mutex> lock(mutex);
                answered.push_back(n);
            }
        });
    }
    for (int i = 0; i < 3000; ++i) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (answered.size() >= static_cast<size_t>(kAnsweredBeforeKill)) break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const int status = server.End(SIGKILL);
    killed = true;
    for (std::thread& t : senders) t.join();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    ASSERT_GE(answered.size(), static_cast<size_t>(kAnsweredBeforeKill)) << ReadAll(log);

    // Started again on the same file, it opens it and goes on serving.
    Process again;
    ASSERT_TRUE(again.Start(db, log2)) << ReadAll(log2);
    servertest::GameSide g;
    g.best[0] = 5;
    EXPECT_EQ(servertest::Get(again.port(), servertest::TargetOf(servertest::GamePayload(g))).status, 200);
    const int stopped = again.End(SIGTERM);
    EXPECT_TRUE(WIFEXITED(stopped) && WEXITSTATUS(stopped) == 0) << ReadAll(log2);

    sqlite3* check = nullptr;
    ASSERT_EQ(sqlite3_open_v2(db.c_str(), &check, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(check, "PRAGMA integrity_check", -1, &stmt, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)), "ok");
    sqlite3_finalize(stmt);
    ASSERT_EQ(sqlite3_prepare_v2(check, "SELECT best FROM scores WHERE game = 559 AND user_id = ?1 AND board = 1", -1,
                                 &stmt, nullptr),
              SQLITE_OK);
    int missing = 0;
    for (int n : answered) {
        sqlite3_bind_text(stmt, 1, UserId(n).c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(stmt) != SQLITE_ROW || sqlite3_column_int(stmt, 0) != 1000 + n) ++missing;
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    sqlite3_close(check);
    EXPECT_EQ(missing, 0) << "of " << answered.size() << " answered";
}

}  // namespace
