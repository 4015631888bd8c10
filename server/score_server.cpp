// Wiring of zindle-scores onto cpp-httplib (Debian's compiled 0.11.4, so every
// limit is set through its runtime setters). Handlers never throw out: a
// failure inside becomes a 500 with nothing stored.

#include "score_server.h"

#include <httplib.h>
#include <sys/socket.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <thread>

#include "score_answer.h"

namespace zscores {

namespace {

// The reason of the request being served, for its log line: the logger runs
// on the same worker thread right after the answer is written.
thread_local std::string tNote;

constexpr const char* kTextPlain = "text/plain";

double MonotonicSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void Refuse(httplib::Response& res, int status, const std::string& reason) {
    res.status = status;
    res.set_content("zindle-scores: " + reason + "\n", kTextPlain);
    tNote = reason;
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
      http_(new httplib::Server()) {
    // Seconds until a spent address has one request again.
    const double perMinute = options_.ratePerMinute > 0 ? options_.ratePerMinute : 1.0;
    retryAfter_ = std::to_string(static_cast<long long>(std::ceil(60.0 / perMinute)));
    httplib::Server& s = *http_;
    s.set_payload_max_length(kBodyMax);
    s.set_read_timeout(kReadTimeoutSec, 0);
    s.set_write_timeout(kWriteTimeoutSec, 0);
    s.set_keep_alive_max_count(kKeepAliveMax);
    s.set_keep_alive_timeout(kKeepAliveTimeoutSec);
    s.new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
    // The library's default on Linux is SO_REUSEPORT, with which a second
    // server binds a port that one already serves and the system then deals
    // the game's requests out between their two databases. SO_REUSEADDR alone
    // still lets a restart take the port while old connections wind down.
    s.set_socket_options([](int sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });

    s.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        tNote.clear();
        if (limiter_.Allow(req.remote_addr, MonotonicSeconds())) return httplib::Server::HandlerResponse::Unhandled;
        res.set_header("Retry-After", retryAfter_);
        Refuse(res, 429, "too many requests from this address");
        return httplib::Server::HandlerResponse::Handled;
    });
    s.Get(R"(/Scores\.php)", [this](const httplib::Request& req, httplib::Response& res) {
        try {
            HandleScores(req, res);
        } catch (...) {
            Refuse(res, 500, "internal error, nothing stored");
        }
    });
    s.set_error_handler(httplib::Server::HandlerWithResponse([](const httplib::Request&, httplib::Response& res) {
        if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        const std::string reason = res.status == 404 ? "no such page; the game asks for /Scores.php" : "bad request";
        Refuse(res, res.status, reason);
        return httplib::Server::HandlerResponse::Handled;
    }));
    s.set_logger([this](const httplib::Request& req, const httplib::Response& res) { Log(req, res); });
}

ScoreServer::~ScoreServer() { Stop(); }

void ScoreServer::HandleScores(const httplib::Request& req, httplib::Response& res) {
    const Verdict v = ReadScoreRequest(req.target, key_);
    if (!v.ok()) {
        Refuse(res, v.status, v.reason);
        return;
    }
    if (!store_.Record(v.submission, static_cast<std::int64_t>(std::time(nullptr)))) {
        Refuse(res, 503, "score store unavailable, nothing stored");
        return;
    }
    std::vector<std::vector<RankedScore>> boards(static_cast<size_t>(kBoardCount));
    for (int b = 0; b < kBoardCount; ++b) {
        if (!store_.Top(v.submission.game, b + 1, kTopCount, boards[static_cast<size_t>(b)])) {
            Refuse(res, 503, "score store unavailable after storing");
            return;
        }
    }
    res.status = 200;
    res.set_content(FormatAnswer(boards), kTextPlain);
    int played = 0;
    for (const BoardScore& b : v.submission.boards)
        if (b.best > 0) ++played;
    tNote = "stored user " + v.submission.userId + " boards " + std::to_string(played);
}

void ScoreServer::Log(const httplib::Request& req, const httplib::Response& res) {
    const std::string line = FormatLogLine(static_cast<long long>(std::time(nullptr)), req.remote_addr, req.method,
                                           req.path, res.status, tNote);
    tNote.clear();
    if (options_.log) options_.log(line);
    else PrintLine(line);
}

int ScoreServer::Bind(std::string& error) {
    // A client that hangs up while its answer is written must not end the
    // whole process.
    std::signal(SIGPIPE, SIG_IGN);
    int port = -1;
    if (options_.port == 0) {
        port = http_->bind_to_any_port(options_.bind);
    } else if (options_.port > 0 && options_.port <= 65535 && http_->bind_to_port(options_.bind, options_.port)) {
        port = options_.port;
    }
    if (port < 0) error = "cannot listen on " + options_.bind + ":" + std::to_string(options_.port);
    return port;
}

bool ScoreServer::Run() {
    // Announce first, then look at the stop flag: a Stop racing with this
    // either is seen here or sees serving_ and waits for the loop.
    serving_ = true;
    if (stopRequested_) {
        serving_ = false;
        return true;
    }
    const bool ok = http_->listen_after_bind();
    serving_ = false;
    return ok || stopRequested_;
}

void ScoreServer::Stop() {
    stopRequested_ = true;
    // The library ignores a stop that comes before its loop has started, so
    // wait (briefly) for the loop while Run is on its way into it.
    for (int i = 0; i < 2000 && serving_ && !http_->is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    http_->stop();
}

}  // namespace zscores
