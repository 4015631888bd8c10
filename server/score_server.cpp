// The score route of zindle-scores over the HTTP layer. Serving never throws
// out: a failure inside becomes a 500 with nothing stored; a stored score is
// answered only after its transaction has committed.

#include "score_server.h"

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <mutex>

#include "http_listener.h"
#include "score_answer.h"

namespace zscores {

namespace {

constexpr const char* kScorePath = "/Scores.php";

double MonotonicSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string Clean(const std::string& s) {
    std::string out = s.substr(0, kLogFieldMax);
    for (char& c : out) {
        const int code = static_cast<unsigned char>(c);
        if (code < 32 || code > 126) c = '?';
    }
    if (s.size() > kLogFieldMax) out += "...";
    return out;
}

std::mutex gStdoutMutex;

void PrintLine(const std::string& line) {
    std::lock_guard<std::mutex> lock(gStdoutMutex);
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

}  // namespace

std::string FormatLogLine(long long unixTime, const std::string& address, const std::string& method,
                          const std::string& path, int status, const std::string& note) {
    const std::time_t t = static_cast<std::time_t>(unixTime);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &tm);
    std::string line = std::string(stamp) + " " + Clean(address) + " " + Clean(method) + " " + Clean(path) + " " +
                       std::to_string(status);
    if (!note.empty()) line += " " + Clean(note);
    return line;
}

ScoreServer::ScoreServer(ScoreStore& store, ServerOptions options)
    : store_(store),
      options_(std::move(options)),
      limiter_(options_.ratePerMinute, options_.rateBurst, kRateAddressesMax),
      writer_(store_),
      http_(new HttpListener(*this, options_.trustedProxies)) {
    // Seconds until a spent address has one request again.
    const double perMinute = options_.ratePerMinute > 0 ? options_.ratePerMinute : 1.0;
    retryAfter_ = std::to_string(static_cast<long long>(std::ceil(60.0 / perMinute)));
}

ScoreServer::~ScoreServer() {
    Stop();
    writer_.Stop();
}

void ScoreServer::Serve(const HttpRequestInfo& request, Reply reply) {
    try {
        if (!limiter_.Allow(request.address, MonotonicSeconds())) {
            HttpAnswer a = Refusal(429, "too many requests from this address");
            a.retryAfter = retryAfter_;
            reply(std::move(a));
            return;
        }
        if (request.target.compare(0, request.target.find('?'), kScorePath) != 0) {
            reply(Refusal(404, "no such page; the game asks for /Scores.php"));
            return;
        }
        if (request.method != "GET") {
            reply(Refusal(405, "method not allowed; the game sends GET"));
            return;
        }
        Verdict v = ReadScoreRequest(request.target, key_);
        if (!v.ok()) {
            reply(Refusal(v.status, v.reason));
            return;
        }
        int played = 0;
        for (const BoardScore& b : v.submission.boards)
            if (b.best > 0) ++played;
        const std::string note = "stored user " + v.submission.userId + " boards " + std::to_string(played);
        const bool queued = writer_.Submit(std::move(v.submission), [reply, note](const WriteResult& r) {
            if (!r.stored) {
                reply(Refusal(503, "score store unavailable, nothing stored"));
            } else if (!r.boardsRead) {
                reply(Refusal(503, "score store unavailable after storing"));
            } else {
                HttpAnswer a;
                a.body = FormatAnswer(r.boards);
                a.note = note;
                reply(std::move(a));
            }
        });
        if (!queued) reply(Refusal(503, "score store busy, nothing stored"));
    } catch (...) {
        reply(Refusal(500, "internal error, nothing stored"));
    }
}

void ScoreServer::Log(const HttpRequestInfo& request, int status, const std::string& note) {
    const std::string path = request.target.substr(0, request.target.find('?'));
    const std::string line =
        FormatLogLine(static_cast<long long>(std::time(nullptr)), request.address, request.method, path, status, note);
    if (options_.log) options_.log(line);
    else PrintLine(line);
}

int ScoreServer::Bind(std::string& error) {
    // A client that hangs up while its answer is written must not end the
    // whole process.
    std::signal(SIGPIPE, SIG_IGN);
    return http_->Bind(options_.bind, options_.port, error);
}

bool ScoreServer::Run() {
    writer_.Start();
    const bool ok = http_->Run();
    // Whatever is still queued is stored before the writer ends; its answers
    // go nowhere, as the connections are closing.
    writer_.Stop();
    return ok;
}

void ScoreServer::Stop() { http_->Stop(); }

size_t ScoreServer::ConnectionsAccepted() const { return http_->ConnectionsAccepted(); }

std::string ScoreServer::LimitsLine() const {
    char rate[96] = "no rate limit";
    if (options_.ratePerMinute > 0)
        std::snprintf(rate, sizeof rate, "%g requests a minute per address, bursts of %g", options_.ratePerMinute,
                      options_.rateBurst);
    char line[512];
    std::snprintf(line, sizeof line,
                  "limits: a whole request within %d s (head %zu bytes, body %zu bytes), an answer within %d s, "
                  "kept connections %d s idle and %d requests, connections %zu per address and %zu in all, %s; "
                  "%d threads, up to %zu scores per commit",
                  kRequestDeadlineSec, kHeadMax, kBodyMax, kWriteTimeoutSec, kKeepAliveIdleSec, kKeepAliveMax,
                  kConnectionsPerAddressMax, http_->ConnectionsMax(), rate, kIoThreads, kWriteBatchMax);
    std::string all = std::string(line) + "; trusted proxies: " + options_.trustedProxies.Describe();
    if (!options_.trustedProxies.Empty())
        all += " (their X-Forwarded-For names the client; no per-address connection cap for them)";
    return all;
}

}  // namespace zscores
