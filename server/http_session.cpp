// A connection's life: the request is read in pieces and parsed as it comes,
// all under one deadline that a trickling client cannot stretch; the answer is
// written under its own; nothing is kept once the connection ends. Every
// request that was started gets one log line with the client's address.

#include "http_session.h"

#include <boost/asio/ip/address_v6.hpp>
#include <boost/asio/post.hpp>
#include <boost/beast/core/error.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/write.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iterator>
#include <vector>

#include "scores_limits.h"

namespace zscores {

namespace beast = boost::beast;
namespace http = boost::beast::http;
using tcp = boost::asio::ip::tcp;

namespace {

constexpr size_t kReadChunk = 4096;  // bytes asked of the socket at a time
constexpr const char* kTextPlain = "text/plain";

std::string WithSize(const char* format, size_t size) {
    char buf[96];
    std::snprintf(buf, sizeof buf, format, size);
    return buf;
}

// Why a request's Host fields are refused (RFC 9112 section 3.2), or null.
// Only HTTP/1.1 must send one; any version may not send two or a bad one.
const char* HostProblem(const http::request<http::string_body>& req) {
    const auto hosts = req.equal_range(http::field::host);
    if (hosts.first == hosts.second) return req.version() >= 11 ? "HTTP/1.1 request without a Host header" : nullptr;
    if (std::next(hosts.first) != hosts.second) return "more than one Host header";
    const auto value = hosts.first->value();
    return IsValidHost(std::string_view(value.data(), value.size())) ? nullptr : "invalid Host header";
}

}  // namespace

RequestLineScan ScanRequestLine(std::string_view b) {
    const auto at = [&b](size_t i) { return static_cast<unsigned char>(b[i]); };
    RequestLineScan scan;
    const auto refuse = [&scan] {
        scan.may = false;
        return scan;
    };
    size_t i = 0;
    while (i < b.size() && at(i) >= 'A' && at(i) <= 'Z') ++i;
    if (i > kRequestLineMethodMax) return refuse();
    if (i == b.size()) return scan;
    if (i == 0 || at(i) != ' ') return refuse();
    scan.method = b.substr(0, i);
    const size_t target = ++i;
    while (i < b.size() && at(i) > 32 && at(i) < 127) ++i;
    if (i == b.size()) return scan;
    if (i == target || at(i) != ' ') return refuse();
    scan.target = b.substr(target, i - target);
    ++i;
    static const char kVersion[] = "HTTP/1.";
    for (size_t k = 0; kVersion[k] != 0; ++k, ++i) {
        if (i == b.size()) return scan;
        if (at(i) != static_cast<unsigned char>(kVersion[k])) return refuse();
    }
    if (i == b.size()) return scan;
    if (at(i) < '0' || at(i) > '9') return refuse();
    if (++i == b.size()) return scan;
    if (at(i) == '\r' && ++i == b.size()) return scan;
    if (at(i) != '\n') return refuse();
    return scan;
}

bool IsValidHost(std::string_view v) {
    if (v.empty() || v.size() > kHostMax) return false;
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    size_t end = 0;  // just past the host part
    if (v[0] == '[') {
        end = v.find(']');
        if (end == std::string_view::npos) return false;
        const std::string_view inside = v.substr(1, end - 1);
        // Hex digits, colons and dots only, so no zone ("%eth0") is looked up.
        for (char c : inside)
            if (!isDigit(c) && !(c >= 'a' && c <= 'f') && !(c >= 'A' && c <= 'F') && c != ':' && c != '.') return false;
        boost::system::error_code ec;
        boost::asio::ip::make_address_v6(std::string(inside), ec);
        if (ec) return false;
        ++end;
    } else {
        for (; end < v.size() && v[end] != ':'; ++end) {
            const char c = v[end];
            const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
            if (!letter && !isDigit(c) && c != '-' && c != '.' && c != '_' && c != '~') return false;
        }
        if (end == 0) return false;
    }
    if (end == v.size()) return true;
    const std::string_view port = v.substr(end + 1);
    if (v[end] != ':' || port.empty() || port.size() > 5) return false;
    long number = 0;
    for (char c : port) {
        if (!isDigit(c)) return false;
        number = number * 10 + (c - '0');
    }
    return number <= 65535;
}

HttpSession::HttpSession(tcp::socket socket, std::unique_ptr<ConnectionSlot> slot, HttpHandler& handler,
                         const TrustedProxies& proxies)
    : stream_(std::move(socket)), slot_(std::move(slot)), handler_(handler), proxies_(proxies),
      buffer_(kHeadMax + kBodyMax + kReadChunk) {
    info_.address = slot_->address();
}

void HttpSession::Start() {
    stream_.expires_after(std::chrono::seconds(kRequestDeadlineSec));
    BeginRequest();
}

void HttpSession::BeginRequest() {
    parser_.emplace();
    parser_->header_limit(static_cast<std::uint32_t>(kHeadMax));
    parser_->body_limit(kBodyMax);
    parser_->eager(true);
    // A proxy's kept connection carries one client's request, then another's.
    info_.address = slot_->address();
    info_.method = "-";
    info_.target = "-";
    lineChecked_ = false;
    headSeen_ = 0;
    if (buffer_.size() > 0) Parse();
    else ReadSome();
}

void HttpSession::ReadSome() {
    const size_t room = buffer_.max_size() - buffer_.size();
    if (room == 0) {
        GiveUp(431, WithSize("request head larger than %zu bytes", kHeadMax));
        return;
    }
    stream_.async_read_some(buffer_.prepare(room < kReadChunk ? room : kReadChunk),
                            [self = shared_from_this()](const beast::error_code& ec, size_t bytes) {
                                self->OnRead(ec, bytes);
                            });
}

void HttpSession::OnRead(const beast::error_code& ec, size_t bytes) {
    if (ec) {
        // A kept connection that goes quiet or away asked nothing more; the
        // stream has closed the socket itself on a timeout.
        if (waitingForNext_) return;
        const bool started = buffer_.size() > 0 || parser_->got_some();
        if (ec == beast::error::timeout)
            handler_.Log(info_, 408,
                         WithSize("request not complete within %zu s", static_cast<size_t>(kRequestDeadlineSec)));
        else if (started)
            handler_.Log(info_, 400, "connection closed before the request was complete");
        return;
    }
    buffer_.commit(bytes);
    if (waitingForNext_) {
        waitingForNext_ = false;
        stream_.expires_after(std::chrono::seconds(kRequestDeadlineSec));
        BeginRequest();
        return;
    }
    Parse();
}

void HttpSession::Parse() {
    for (;;) {
        if (parser_->is_done()) {
            Dispatch();
            return;
        }
        // The request line is checked as it comes, until it is whole (the
        // parser may take it out of the buffer after that).
        if (!lineChecked_) {
            const auto data = buffer_.data();
            const std::string_view seen(static_cast<const char*>(data.data()), data.size());
            // What the line asked is kept as soon as it has come, so that a
            // refusal before the head is whole is still logged as that
            // request, and a HEAD still gets no body.
            const RequestLineScan scan = ScanRequestLine(seen);
            if (!scan.method.empty()) info_.method = std::string(scan.method);
            if (!scan.target.empty()) info_.target = std::string(scan.target);
            if (!scan.may) {
                GiveUp(400, "not an HTTP request line");
                return;
            }
            lineChecked_ = seen.find('\n') != std::string_view::npos;
        }
        // The head is offered only up to its limit, counted over every
        // piece the parser has taken, so no arrangement of it gets past.
        const bool inHead = !parser_->is_header_done();
        const auto data = buffer_.data();
        const size_t offer = inHead ? std::min(data.size(), kHeadMax - headSeen_) : data.size();
        beast::error_code ec;
        const size_t used = parser_->put(boost::asio::const_buffer(data.data(), offer), ec);
        buffer_.consume(used);
        if (inHead) headSeen_ += used;
        const bool headFull = !parser_->is_header_done() && headSeen_ + buffer_.size() >= kHeadMax;
        if ((ec == http::error::need_more && headFull) || ec == http::error::header_limit) {
            if (lineChecked_) GiveUp(431, WithSize("request head larger than %zu bytes", kHeadMax));
            else GiveUp(414, WithSize("request line longer than %zu bytes", kHeadMax));
            return;
        }
        if (ec == http::error::need_more) {
            if (used == 0 || buffer_.size() == 0) {
                ReadSome();
                return;
            }
            continue;
        }
        if (ec == http::error::body_limit) {
            GiveUp(413, WithSize("request body larger than %zu bytes", kBodyMax));
            return;
        }
        if (ec) {
            GiveUp(400, "malformed request (" + ec.message() + ")");
            return;
        }
        if (used == 0 && !parser_->is_done()) {
            ReadSome();
            return;
        }
    }
}

// What the service and the log are told of a request once its head is in:
// from a trusted proxy, the client's address is the one it forwards.
void HttpSession::TakeHead() {
    const auto& req = parser_->get();
    info_.method = std::string(req.method_string());
    info_.target = std::string(req.target());
    if (!proxies_.Contains(slot_->address())) return;
    std::vector<std::string_view> forwarded;
    for (auto range = req.equal_range("X-Forwarded-For"); range.first != range.second; ++range.first)
        forwarded.emplace_back(range.first->value().data(), range.first->value().size());
    info_.address = proxies_.ClientOf(slot_->address(), forwarded);
}

void HttpSession::Dispatch() {
    TakeHead();
    const auto& req = parser_->get();
    if (const char* problem = HostProblem(req)) {
        Answer(Refusal(400, problem), false);
        return;
    }
    const bool keepAlive = req.keep_alive();
    auto self = shared_from_this();
    handler_.Serve(info_, [self, keepAlive](HttpAnswer answer) {
        boost::asio::post(self->stream_.get_executor(), [self, keepAlive, answer = std::move(answer)]() mutable {
            self->Answer(std::move(answer), keepAlive);
        });
    });
}

void HttpSession::GiveUp(int status, const std::string& note) {
    if (parser_ && parser_->is_header_done()) TakeHead();
    Answer(Refusal(status, note), false);
}

void HttpSession::Answer(HttpAnswer answer, bool keepAlive) {
    // Refusals close: a client that sent something wrong starts over, under
    // the connection caps again.
    const bool keep = keepAlive && answer.status == 200 && ++served_ < kKeepAliveMax;
    response_.emplace();
    response_->version(11);
    response_->result(static_cast<unsigned>(answer.status));
    response_->set(http::field::content_type, kTextPlain);
    if (!answer.retryAfter.empty()) response_->set(http::field::retry_after, answer.retryAfter);
    response_->body() = std::move(answer.body);
    response_->keep_alive(keep);
    response_->prepare_payload();
    // An answer to HEAD is the head a GET would get, Content-Length
    // included, and no body (RFC 9110 section 9.3.2).
    if (info_.method == "HEAD") response_->body().clear();
    stream_.expires_after(std::chrono::seconds(kWriteTimeoutSec));
    http::async_write(stream_, *response_,
                      [self = shared_from_this(), keep, status = answer.status, note = std::move(answer.note)](
                          const beast::error_code& ec, size_t) {
                          self->handler_.Log(self->info_, status, note);
                          if (ec || !keep) self->Close();
                          else self->WaitForNext();
                      });
}

void HttpSession::WaitForNext() {
    if (buffer_.size() > 0) {  // the next request came with the last one
        stream_.expires_after(std::chrono::seconds(kRequestDeadlineSec));
        BeginRequest();
        return;
    }
    waitingForNext_ = true;
    stream_.expires_after(std::chrono::seconds(kKeepAliveIdleSec));
    ReadSome();
}

// Closing with unread bytes would reset the connection and could wipe the
// answer from the client's side before it is read, so the rest of what it
// sends is read and dropped for a short, bounded while; closing our side
// first tells the client the answer is whole.
void HttpSession::Close() {
    beast::error_code ec;
    stream_.socket().shutdown(tcp::socket::shutdown_send, ec);
    if (ec) return;
    buffer_.clear();
    stream_.expires_after(std::chrono::milliseconds(kLingerMs));
    Linger();
}

void HttpSession::Linger() {
    stream_.async_read_some(buffer_.prepare(kReadChunk), [self = shared_from_this()](const beast::error_code& ec,
                                                                                       size_t bytes) {
        self->lingered_ += bytes;
        self->buffer_.clear();
        if (!ec && self->lingered_ < kLingerBytesMax) self->Linger();
    });
}

}  // namespace zscores
