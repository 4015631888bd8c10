// Test support for the score server: a request built the way the game builds
// one (engine text helpers, the shared scrambler and escaper), a fresh store
// in a private temporary folder, and a server on an ephemeral loopback port.
#pragma once

#include <gtest/gtest.h>
#include <httplib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
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

// A server on an ephemeral loopback port over its own store; its log lines
// are kept for the test to read.
class RunningServer {
public:
    explicit RunningServer(zscores::ScoreStore& store, double ratePerMinute = 0.0, double burst = 20.0) {
        zscores::ServerOptions options;
        options.port = 0;
        options.ratePerMinute = ratePerMinute;
        options.rateBurst = burst;
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

}  // namespace servertest
