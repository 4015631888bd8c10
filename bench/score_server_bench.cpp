// score_server_bench: the score server in process on an ephemeral loopback
// port over a fresh SQLite file, each valid request made and sent as the game
// sends it (one connection, Connection: close, a stored write every time):
// requests/s and latency with 1, 4 and 16 clients, with 4 clients through a
// real nginx running the shipped configuration (where nginx is installed),
// and with 4 connections of a trusted proxy forwarding each player's address,
// then the same while 64
// slow connections trickle a byte a second, then while 8 clients flood it with
// malformed requests (with the resident memory along the way). Prints
// figures; it is run by hand, never as a test.
//
// Usage: score_server_bench [requests per run]   (default 20000)

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "nginx_proxy.h"
#include "payload_escape.h"
#include "score_bench_clients.h"
#include "score_keyword.h"
#include "score_server.h"
#include "scramble_text.h"
#include "sqlite_store.h"

using scorebench::Clock;
using scorebench::Outcome;

namespace {

constexpr int kPlayers = 2000;              // distinct user IDs cycled through
constexpr int kGameLimitMs = 5000;          // the game gives up on an answer after this
constexpr int kSlowConnections = 64;        // trickling connections held open in the second part
constexpr int kSlowAddresses = 8;           // addresses they come from (8 each)
constexpr int kLoadClients = 4;             // valid clients while slow or malformed clients are at it
constexpr int kPhaseSeconds = 15;           // how long the part with slow connections runs
constexpr int kFloodClients = 8;            // clients sending malformed requests
constexpr int kFloodRequests = 100000;      // malformed requests sent in all
constexpr int kFloodSeconds = 150;          // longest the flood runs
constexpr int kFloodLimitMs = 2000;         // a malformed request not finished by then counts as unanswered
constexpr int kFloodMemoryStep = 20000;     // malformed requests between two memory readings
constexpr size_t kFloodPool = 512;          // distinct malformed requests, made ahead of time
constexpr size_t kBodyMaxBytes = 2 << 20;   // largest malformed body

// Address groups 127.G.x.y, one per kind of client.
constexpr int kValidGroup = 1, kSlowGroup = 2, kFloodGroup = 3, kProxyGroup = 4;

// The one address the proxy's connections come from, trusted by the server.
const uint32_t kProxyAddress = scorebench::LoopbackAddress(kProxyGroup, 0);
// nginx reaches the server from 127.0.0.1, as it would on the same host.
constexpr const char* kNginxAddress = "127.0.0.1";
constexpr int kNginxWorkers = 2;

std::string AddressText(uint32_t a) {
    return std::to_string(a >> 24) + "." + std::to_string((a >> 16) & 255) + "." + std::to_string((a >> 8) & 255) +
           "." + std::to_string(a & 255);
}

std::string UserId(int n) {
    std::string id = "B";
    for (int i = 0; i < 4; ++i) {
        id += static_cast<char>('A' + n % 26);
        n /= 26;
    }
    return id;
}

std::string Scrambled(const std::string& payload) {
    signed char table[zcommon::kScrambleTableSize] = {};
    zcommon::BuildScrambleTable(zcommon::kScrambleKeyword, zcommon::kScrambleKeywordLength, 559, table);
    return zcommon::EscapePayload(zcommon::ScrambleText(payload, table));
}

std::string GameRequest(const std::string& target) {
    return "GET " + target + " HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n";
}

// Whole game requests made ahead of time, so the figure is the server's alone.
std::vector<std::string> MakeRequests(int count) {
    std::vector<std::string> requests;
    requests.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int player = i % kPlayers;
        const int best = 1000 + (i * 7919) % 500000;
        char payload[256];
        std::snprintf(payload, sizeof payload, "%s{Player%04d  {0559{0001{0000{%d{%d{%d{1{0{0{KUVO{",
                      UserId(player).c_str(), player, best, best / 2, best / 3);
        requests.push_back(GameRequest("/Scores.php?Game=0559&Score=" + Scrambled(payload)));
    }
    return requests;
}

// The same requests as a proxy passes them on: each with its player's
// address after one the player claims itself, as nginx appends it.
std::vector<std::string> ThroughProxy(const std::vector<std::string>& requests) {
    std::vector<std::string> forwarded;
    forwarded.reserve(requests.size());
    for (size_t i = 0; i < requests.size(); ++i) {
        const int player = static_cast<int>(i) % kPlayers;
        const std::string header = "\r\nX-Forwarded-For: 192.0.2.1, 10.0." + std::to_string(player / 250) + "." +
                                   std::to_string(player % 250 + 1);
        std::string r = requests[i];
        r.insert(r.find("\r\nConnection: close"), header);
        forwarded.push_back(std::move(r));
    }
    return forwarded;
}

// One malformed request: its head (or all of it) and how much body follows.
struct Malformed {
    std::string head;
    size_t bodyBytes = 0;
};

// Random bytes, 20-220 KB headers, 500 headers, 0.1-2 MB bodies, bad paths,
// truncated payloads and bad methods, in turn.
std::vector<Malformed> MakeFlood() {
    std::mt19937 rng(9);
    const auto pick = [&rng](size_t lo, size_t hi) { return std::uniform_int_distribution<size_t>(lo, hi)(rng); };
    const std::string good = "/Scores.php?Game=0559&Score=" + Scrambled("ABC{Mallory     {0559{0001{0000{9{1{0{0{0{0{KUVO{");
    const char* paths[] = {"/../../etc/passwd", "/Scores.php/../Scores.php?Game=0559", "/%00%ff", "/Scores.php?Game=0559",
                           "/index.html", "*", "/Scores.php?Score=&Game=", "/Scores.php?Game=0559&Score=%0d%0aX:"};
    const char* methods[] = {"DELETE", "PUT", "G\x01T", "GETGETGETGETGETGETGETGETGETGET", "HEAD", "OPTIONS", "POST"};
    std::vector<Malformed> pool(kFloodPool);
    for (size_t i = 0; i < pool.size(); ++i) {
        std::string& h = pool[i].head;
        switch (i % 7) {
        case 0:
            for (size_t n = pick(1024, 16384); n > 0; --n) h += static_cast<char>(rng());
            break;
        case 1:
            h = "GET " + good + " HTTP/1.1\r\nHost: localhost\r\nX-Pad: " + std::string(pick(20000, 220000), 'a') +
                "\r\n\r\n";
            break;
        case 2:
            h = "GET " + good + " HTTP/1.1\r\nHost: localhost\r\n";
            for (int k = 0; k < 500; ++k) h += "X-Header-" + std::to_string(k) + ": value\r\n";
            h += "\r\n";
            break;
        case 3:
            pool[i].bodyBytes = pick(100000, kBodyMaxBytes);
            h = "POST /Scores.php HTTP/1.1\r\nHost: localhost\r\nContent-Length: " + std::to_string(pool[i].bodyBytes) +
                "\r\n\r\n";
            break;
        case 4:
            h = GameRequest(paths[pick(0, sizeof paths / sizeof *paths - 1)]);
            break;
        case 5:
            h = GameRequest(good.substr(0, pick(28, good.size() - 2)));
            break;
        default:
            h = std::string(methods[pick(0, sizeof methods / sizeof *methods - 1)]) + " " + good +
                " HTTP/1.1\r\nHost: localhost\r\n\r\n";
            break;
        }
    }
    return pool;
}

long ResidentKb() {
    long pages = 0, resident = 0;
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (f == nullptr) return -1;
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = -1;
    std::fclose(f);
    return resident < 0 ? -1 : resident * (sysconf(_SC_PAGESIZE) / 1024);
}

std::string LoadAverage() {
    char text[128] = "?";
    FILE* f = std::fopen("/proc/loadavg", "r");
    if (f != nullptr) {
        if (std::fgets(text, sizeof text, f) == nullptr) text[0] = 0;
        std::fclose(f);
    }
    std::string s = text;
    while (!s.empty() && s.back() == '\n') s.pop_back();
    return s;
}

// Goals of the figures, printed beside them at the end.
constexpr double kGoalRequestsPerSecond = 5000;  // at 4 clients
constexpr double kGoalSlowP99Ms = 50;            // beside the slow connections
constexpr double kGoalFloodP99Ms = 100;          // during the malformed flood

struct Figures {
    double perSecond = 0;
    double p99 = 0;
};

// Valid requests from `clients` clients until `limit` are made, `stop` is
// set or `seconds` have passed; prints requests/s and latency, failures
// counted at the time they took.
// Each client comes from an address of its own, or all from the proxy's.
Figures RunValid(const char* label, int port, const std::vector<std::string>& requests, int clients, size_t limit,
              double seconds, const std::atomic<bool>& stop, bool fromProxy = false) {
    std::atomic<size_t> next{0};
    std::atomic<int> failures{0};
    std::vector<std::vector<double>> times(static_cast<size_t>(clients));
    const Clock::time_point t0 = Clock::now();
    const Clock::time_point end = t0 + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            const uint32_t from = fromProxy ? kProxyAddress : scorebench::LoopbackAddress(kValidGroup, c);
            std::string got;
            for (size_t i; !stop && Clock::now() < end && (i = next++) < limit;) {
                const Clock::time_point start = Clock::now();
                const Outcome o = scorebench::Exchange(from, port, requests[i % requests.size()], std::string(), 0,
                                                       start + std::chrono::milliseconds(kGameLimitMs), got);
                const bool ok = o == Outcome::Answered && got.rfind("HTTP/1.1 200", 0) == 0 &&
                                got.find("[-\r\nEnd-]") != std::string::npos;
                if (!ok) ++failures;
                times[static_cast<size_t>(c)].push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            }
        });
    }
    for (std::thread& t : threads) t.join();
    const double took = std::chrono::duration<double>(Clock::now() - t0).count();
    std::vector<double> all;
    for (const auto& t : times) all.insert(all.end(), t.begin(), t.end());
    std::sort(all.begin(), all.end());
    const auto at = [&](double q) { return all.empty() ? 0.0 : all[static_cast<size_t>(q * (all.size() - 1))]; };
    std::printf("%-34s %7.0f requests/s  (%zu requests, %d failed; latency p50 %.2f ms, p99 %.2f ms)\n", label,
                static_cast<double>(all.size() - static_cast<size_t>(failures)) / took, all.size(), failures.load(),
                at(0.5), at(0.99));
    std::fflush(stdout);
    Figures f;
    f.perSecond = static_cast<double>(all.size() - static_cast<size_t>(failures)) / took;
    f.p99 = at(0.99);
    return f;
}

// Connections that send a game request one byte a second, each opened again
// as soon as the server closes it, until `stop`.
void TrickleUntil(int port, const std::atomic<bool>& stop, std::atomic<int>& open, int& closedByServer) {
    const std::string request = MakeRequests(1)[0];
    struct Slow {
        int fd = -1;
        size_t sent = 0;
    };
    std::vector<Slow> slow(kSlowConnections);
    while (!stop) {
        int openNow = 0;
        for (size_t i = 0; i < slow.size(); ++i) {
            Slow& s = slow[i];
            if (s.fd < 0) {
                const int address = static_cast<int>(i) % kSlowAddresses;
                s.fd = scorebench::ConnectFrom(scorebench::LoopbackAddress(kSlowGroup, address), port,
                                               Clock::now() + std::chrono::milliseconds(200));
                s.sent = 0;
                if (s.fd < 0) continue;
            }
            char sink[4096];
            const ssize_t n = recv(s.fd, sink, sizeof sink, MSG_DONTWAIT);
            const bool gone = n == 0 || (n < 0 && errno != EAGAIN) ||
                              send(s.fd, request.data() + s.sent % request.size(), 1, MSG_NOSIGNAL) != 1;
            if (gone) {
                close(s.fd);
                s.fd = -1;
                ++closedByServer;
                continue;
            }
            ++s.sent;
            ++openNow;
        }
        open = openNow;
        for (int waited = 0; waited < 1000 && !stop; waited += 50)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    for (Slow& s : slow)
        if (s.fd >= 0) close(s.fd);
}

// The game's requests through nginx with the shipped file, beside the
// direct figure, and how many server connections carried them.
void RunThroughNginx(const zscores::ScoreServer& server, int port, const std::vector<std::string>& requests) {
    if (testsupport::FindNginx().empty()) {
        std::printf("4 clients through nginx:           not run: nginx is not installed\n");
        return;
    }
    testsupport::NginxProxy nginx(ZINDLE_NGINX_CONF, port, kNginxWorkers);
    if (nginx.port() == 0) {
        std::printf("4 clients through nginx:           not run: %s\n", nginx.error().c_str());
        return;
    }
    const std::atomic<bool> never{false};
    const size_t before = server.ConnectionsAccepted();
    RunValid("4 clients through nginx:", nginx.port(), requests, kLoadClients, requests.size(), 1e9, never);
    std::printf("  nginx %d workers, the shipped file; %zu server connections for %zu requests\n", kNginxWorkers,
                server.ConnectionsAccepted() - before, requests.size());
}

Figures RunWithSlowConnections(int port, const std::vector<std::string>& requests) {
    std::atomic<bool> stop{false};
    std::atomic<int> open{0};
    int closedByServer = 0;
    std::thread trickle([&] { TrickleUntil(port, stop, open, closedByServer); });
    for (int i = 0; i < 100 && open < kSlowConnections; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const int openAtStart = open;
    const std::atomic<bool> never{false};
    // Long enough for every slow connection to meet the server's deadline.
    const Figures f = RunValid("4 clients, 64 slow connections:", port, requests, kLoadClients, static_cast<size_t>(-1), kPhaseSeconds,
             never);
    stop = true;
    trickle.join();
    std::printf("  slow connections open at the start %d; closed by the server %d times in all\n", openAtStart,
                closedByServer);
    return f;
}

// The valid figures, and the memory grown from the first reading after the
// flood began to the last (KB).
Figures RunWithFlood(int port, const std::vector<std::string>& requests, std::optional<long>& grownKb) {
    const std::vector<Malformed> pool = MakeFlood();
    const std::string body(kBodyMaxBytes, 'x');
    std::atomic<bool> stop{false};
    std::atomic<int> next{0}, answered{0}, closed{0}, timedOut{0}, refused{0};
    std::vector<long> memory(kFloodRequests / kFloodMemoryStep + 1, -1);
    memory[0] = ResidentKb();
    const Clock::time_point t0 = Clock::now();
    const Clock::time_point end = t0 + std::chrono::seconds(kFloodSeconds);
    std::vector<std::thread> flood;
    std::atomic<int> finished{0};
    for (int c = 0; c < kFloodClients; ++c) {
        flood.emplace_back([&, c] {
            const uint32_t from = scorebench::LoopbackAddress(kFloodGroup, c);
            std::string got;
            for (int i; Clock::now() < end && (i = next++) < kFloodRequests;) {
                const Malformed& m = pool[static_cast<size_t>(i) % pool.size()];
                switch (scorebench::Exchange(from, port, m.head, body, m.bodyBytes,
                                             Clock::now() + std::chrono::milliseconds(kFloodLimitMs), got)) {
                case Outcome::Answered: ++answered; break;
                case Outcome::Closed: ++closed; break;
                case Outcome::TimedOut: ++timedOut; break;
                case Outcome::NoConnection: ++refused; break;
                }
                const int done = ++finished;
                if (done % kFloodMemoryStep == 0) memory[static_cast<size_t>(done / kFloodMemoryStep)] = ResidentKb();
            }
        });
    }
    Figures f;
    std::thread valid([&] {
        f = RunValid("4 clients, 8 flooding malformed:", port, requests, kLoadClients, static_cast<size_t>(-1),
                 kFloodSeconds, stop);
    });
    for (std::thread& t : flood) t.join();
    const double took = std::chrono::duration<double>(Clock::now() - t0).count();
    stop = true;
    valid.join();
    std::printf("  malformed: %d finished in %.1f s (%.0f/s): %d answered, %d closed unanswered, "
                "%d not done within %d ms, %d not connected\n",
                finished.load(), took, finished / took, answered.load(), closed.load(), timedOut.load(),
                kFloodLimitMs, refused.load());
    std::printf("  resident memory (KB) after 0");
    for (size_t k = 1; k < memory.size(); ++k) std::printf(", %zu", k * kFloodMemoryStep);
    std::printf(" malformed requests:");
    for (long kb : memory) std::printf(kb < 0 ? " -" : " %ld", kb);
    std::printf("\n");
    if (memory[1] >= 0 && memory.back() >= 0) grownKb = memory.back() - memory[1];
    return f;
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
        options.ratePerMinute = 0;  // the bench's few addresses send everything
        options.log = [](const std::string&) {};
        options.trustedProxies.Add(AddressText(kProxyAddress));
        options.trustedProxies.Add(kNginxAddress);
        zscores::ScoreServer server(store, options);
        const int port = server.Bind(error);
        if (port < 0) {
            std::fprintf(stderr, "score_server_bench: %s\n", error.c_str());
            code = 1;
        } else {
            std::thread serving([&server] { server.Run(); });
            const std::vector<std::string> requests = MakeRequests(count);
            std::printf("score server, %u cores, load average %s\n"
                        "every valid request a stored write and a top-five read of 3 boards, one connection per\n"
                        "request as the game makes it, each client from a loopback address of its own, %d players\n",
                        std::thread::hardware_concurrency(), LoadAverage().c_str(), kPlayers);
            const std::atomic<bool> never{false};
            Figures four;
            for (int clients : {1, 4, 16}) {
                const std::string label = std::to_string(clients) + (clients == 1 ? " client:" : " clients:");
                const Figures f = RunValid(label.c_str(), port, requests, clients, requests.size(), 1e9, never);
                if (clients != kLoadClients) continue;
                four = f;
                RunThroughNginx(server, port, requests);
            }
            RunValid("4 connections of a trusted proxy:", port, ThroughProxy(requests), kLoadClients, requests.size(),
                     1e9, never, true);
            const Figures slow = RunWithSlowConnections(port, requests);
            std::optional<long> grownKb;
            const Figures flood = RunWithFlood(port, requests, grownKb);
            const auto met = [](bool yes) { return yes ? "met" : "NOT met"; };
            std::printf("goals: >= %.0f requests/s at 4 clients: %.0f, %s; p99 < %.0f ms beside slow connections: "
                        "%.2f ms, %s;\n       p99 < %.0f ms during the flood: %.2f ms, %s; resident memory across "
                        "the flood after its first %d: %s\n",
                        kGoalRequestsPerSecond, four.perSecond, met(four.perSecond >= kGoalRequestsPerSecond),
                        kGoalSlowP99Ms, slow.p99, met(slow.p99 < kGoalSlowP99Ms), kGoalFloodP99Ms, flood.p99,
                        met(flood.p99 < kGoalFloodP99Ms), kFloodMemoryStep,
                        grownKb ? (std::to_string(*grownKb) + " KB").c_str() : "not reached");
            std::printf("load average at the end %s\n", LoadAverage().c_str());
            server.Stop();
            serving.join();
        }
        store.Close();
    }
    for (const char* suffix : {"/bench.db", "/bench.db-wal", "/bench.db-shm"})
        std::remove((dir + std::string(suffix)).c_str());
    rmdir(dir);
    return code;
}
