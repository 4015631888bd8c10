// The HTTP side of zindle-scores: cpp-httplib with its limits set, the one
// route the game calls, the rate limit per address and one log line per
// request. It holds no scores itself; everything goes through a ScoreStore.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "rate_limiter.h"
#include "score_request.h"
#include "score_store.h"
#include "scores_limits.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace zscores {

struct ServerOptions {
    std::string bind = kDefaultBind;
    int port = kDefaultPort;  // 0 takes any free port (Bind tells which)
    double ratePerMinute = kRatePerMinute;  // 0 turns the rate limit off
    double rateBurst = kRateBurst;
    // Receives each request's log line without its line end; when empty,
    // lines go to standard output.
    std::function<void(const std::string&)> log;
};

class ScoreServer {
public:
    ScoreServer(ScoreStore& store, ServerOptions options);
    ~ScoreServer();
    ScoreServer(const ScoreServer&) = delete;
    ScoreServer& operator=(const ScoreServer&) = delete;

    // Binds the listening socket; the port bound, or -1 with `error` set.
    int Bind(std::string& error);

    // Serves until Stop(); false when serving could not go on.
    bool Run();

    // Ends Run() from any thread (a signal watcher, a test); safe to call
    // before, during or after Run.
    void Stop();

private:
    void HandleScores(const httplib::Request& req, httplib::Response& res);
    void Log(const httplib::Request& req, const httplib::Response& res);

    ScoreStore& store_;
    ServerOptions options_;
    ScrambleKey key_;
    RateLimiter limiter_;
    std::string retryAfter_;
    std::unique_ptr<httplib::Server> http_;
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> serving_{false};
};

// One request's log line: time, address, method, path, status and a reason.
// Control characters and bytes above 126 become '?', long texts are cut.
std::string FormatLogLine(long long unixTime, const std::string& address, const std::string& method,
                          const std::string& path, int status, const std::string& note);

}  // namespace zscores
