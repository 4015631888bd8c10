// score_server_bench: requests per second of the score server, in process on
// an ephemeral loopback port over a fresh SQLite file, each request made and
// sent as the game sends it (one connection, Connection: close, a stored
// write every time). Prints figures; it is run by hand, never as a test.
//
// Usage: score_server_bench [requests per run]   (default 20000)

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "payload_escape.h"
#include "score_keyword.h"
#include "score_server.h"
#include "scramble_text.h"
#include "sqlite_store.h"

using Clock = std::chrono::steady_clock;

namespace {

constexpr int kPlayers = 2000;  // distinct user IDs cycled through

std::string UserId(int n) {
    std::string id = "B";
    for (int i = 0; i < 4; ++i) {
        id += static_cast<char>('A' + n % 26);
        n /= 26;
    }
    return id;
}

// Request targets made ahead of time, so the figure is the server's alone.
std::vector<std::string> MakeTargets(int count) {
    signed char table[zcommon::kScrambleTableSize] = {};
    zcommon::BuildScrambleTable(zcommon::kScrambleKeyword, zcommon::kScrambleKeywordLength, 559, table);
    std::vector<std::string> targets;
    targets.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int player = i % kPlayers;
        const int best = 1000 + (i * 7919) % 500000;
        char payload[256];
        std::snprintf(payload, sizeof payload, "%s{Player%04d  {0559{0001{0000{%d{%d{%d{1{0{0{KUVO{",
                      UserId(player).c_str(), player, best, best / 2, best / 3);
        targets.push_back("/Scores.php?Game=0559&Score=" +
                          zcommon::EscapePayload(zcommon::ScrambleText(payload, table)));
    }
    return targets;
}

bool Fetch(int port, const std::string& target, double& ms) {
    const Clock::time_point t0 = Clock::now();
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return false;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    const std::string request = "GET " + target + " HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n";
    ok = ok && send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size());
    std::string answer;
    char block[10000];
    ssize_t n;
    while (ok && (n = recv(fd, block, sizeof block, 0)) > 0) answer.append(block, static_cast<size_t>(n));
    close(fd);
    ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    return ok && answer.rfind("HTTP/1.1 200", 0) == 0 && answer.find("[-\r\nEnd-]") != std::string::npos;
}

void Run(int port, const std::vector<std::string>& targets, int clients) {
    std::atomic<size_t> next{0};
    std::atomic<int> failures{0};
    std::vector<std::vector<double>> times(static_cast<size_t>(clients));
    const Clock::time_point t0 = Clock::now();
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            for (size_t i; (i = next++) < targets.size();) {
                double ms = 0;
                if (!Fetch(port, targets[i], ms)) ++failures;
                times[static_cast<size_t>(c)].push_back(ms);
            }
        });
    }
    for (std::thread& t : threads) t.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    std::vector<double> all;
    for (const auto& t : times) all.insert(all.end(), t.begin(), t.end());
    std::sort(all.begin(), all.end());
    const auto at = [&](double q) { return all.empty() ? 0.0 : all[static_cast<size_t>(q * (all.size() - 1))]; };
    std::printf("%2d client%s: %8.0f requests/s  (%zu requests, %d failed; latency p50 %.2f ms, p99 %.2f ms)\n",
                clients, clients == 1 ? " " : "s", static_cast<double>(targets.size()) / seconds, targets.size(),
                failures.load(), at(0.5), at(0.99));
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(100, std::atoi(argv[1])) : 20000;
    char dir[] = "/tmp/zindle-scores-bench.XXXXXX";
    if (mkdtemp(dir) == nullptr) {
        std::fprintf(stderr, "score_server_bench: no temporary folder\n");
        return 1;
    }
    const std::string db = std::string(dir) + "/bench.db";
    int code = 0;
    {
        zscores::SqliteStore store;
        std::string error;
        if (!store.Open(db, error)) {
            std::fprintf(stderr, "score_server_bench: %s\n", error.c_str());
            return 1;
        }
        zscores::ServerOptions options;
        options.port = 0;
        options.ratePerMinute = 0;  // one address sends everything here
        options.log = [](const std::string&) {};
        zscores::ScoreServer server(store, options);
        const int port = server.Bind(error);
        if (port < 0) {
            std::fprintf(stderr, "score_server_bench: %s\n", error.c_str());
            code = 1;
        } else {
            std::thread serving([&server] { server.Run(); });
            const std::vector<std::string> targets = MakeTargets(count);
            std::printf("score server, %u cores, every request a stored write and a top-five read of 3 boards,\n"
                        "one connection per request as the game makes it, %d players\n",
                        std::thread::hardware_concurrency(), kPlayers);
            for (int clients : {1, 4, 8, 16}) Run(port, targets, clients);
            server.Stop();
            serving.join();
        }
        store.Close();
    }
    for (const char* suffix : {"/bench.db", "/bench.db-wal", "/bench.db-shm"}) std::remove((dir + std::string(suffix)).c_str());
    rmdir(dir);
    return code;
}
