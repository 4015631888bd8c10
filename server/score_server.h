// The score service of zindle-scores: the one route the game calls, the rate
// limit per address, the writer that stores what passed, and one log line per
// request. It holds no scores itself (everything goes through a ScoreStore)
// and no sockets (the HTTP layer serves it through HttpHandler).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "http_handler.h"
#include "rate_limiter.h"
#include "score_request.h"
#include "score_store.h"
#include "score_writer.h"
#include "scores_limits.h"
#include "trusted_proxies.h"

namespace zscores {

class HttpListener;

struct ServerOptions {
    std::string bind = kDefaultBind;
    int port = kDefaultPort;  // 0 takes any free port (Bind tells which)
    double ratePerMinute = kRatePerMinute;  // 0 turns the rate limit off
    double rateBurst = kRateBurst;
    // Peers whose X-Forwarded-For names the client; none unless told.
    TrustedProxies trustedProxies;
    // Receives each request's log line without its line end; when empty,
    // lines go to standard output.
    std::function<void(const std::string&)> log;
};

class ScoreServer : private HttpHandler {
public:
    ScoreServer(ScoreStore& store, ServerOptions options);
    ~ScoreServer() override;
    ScoreServer(const ScoreServer&) = delete;
    ScoreServer& operator=(const ScoreServer&) = delete;

    // Binds the listening socket; the port bound, or -1 with `error` set.
    int Bind(std::string& error);

    // Serves until Stop(); false when serving could not go on.
    bool Run();

    // Ends Run() from any thread (a signal watcher, a test); safe to call
    // before, during or after Run.
    void Stop();

    // The limits in force, for the start-up lines.
    std::string LimitsLine() const;

    // TCP connections accepted so far, for telling pooled requests apart.
    size_t ConnectionsAccepted() const;

private:
    void Serve(const HttpRequestInfo& request, Reply reply) override;
    void Log(const HttpRequestInfo& request, int status, const std::string& note) override;

    ScoreStore& store_;
    ServerOptions options_;
    ScrambleKey key_;
    RateLimiter limiter_;
    std::string retryAfter_;
    ScoreWriter writer_;
    std::unique_ptr<HttpListener> http_;  // last: its sessions use everything above
};

// One request's log line: time, address, method, path, status and a reason.
// Control characters and bytes above 126 become '?', long texts are cut.
std::string FormatLogLine(long long unixTime, const std::string& address, const std::string& method,
                          const std::string& path, int status, const std::string& note);

}  // namespace zscores
