// What the HTTP layer of zindle-scores asks of the service behind it: one
// read request in, one answer out (possibly later, from another thread), and
// one log line per request. Plain types only; no networking header here.
#pragma once

#include <functional>
#include <string>

namespace zscores {

// A request as read off the wire, or as much of it as could be read.
struct HttpRequestInfo {
    std::string address;  // the client's address, always known
    std::string method;   // "-" when the request could not be parsed
    std::string target;   // the raw request target; "-" likewise
};

struct HttpAnswer {
    int status = 200;
    std::string body;
    std::string retryAfter;  // a Retry-After header when not empty
    std::string note;        // the reason for the log line
};

// A refusal as both layers word it: the reason in the body and the log.
inline HttpAnswer Refusal(int status, const std::string& reason) {
    HttpAnswer a;
    a.status = status;
    a.body = "zindle-scores: " + reason + "\n";
    a.note = reason;
    return a;
}

class HttpHandler {
public:
    virtual ~HttpHandler() = default;

    // Answers one whole request by calling `reply` exactly once, on any
    // thread, at once or later; it must not block the caller.
    using Reply = std::function<void(HttpAnswer)>;
    virtual void Serve(const HttpRequestInfo& request, Reply reply) = 0;

    // One line for a request once it is over: answered, refused by the HTTP
    // layer itself, or given up on.
    virtual void Log(const HttpRequestInfo& request, int status, const std::string& note) = 0;
};

}  // namespace zscores
