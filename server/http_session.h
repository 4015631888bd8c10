// One HTTP connection of zindle-scores on Boost.Beast: reads a request under
// one deadline for the whole of it, hands it to the HttpHandler, writes the
// answer and keeps the connection only briefly. Knows nothing of scores.
#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "connection_counter.h"
#include "http_handler.h"
#include "trusted_proxies.h"

namespace zscores {

// A connection's place in the counter, given back when the connection ends.
class ConnectionSlot {
public:
    ConnectionSlot(ConnectionCounter& counter, std::string address)
        : counter_(counter), address_(std::move(address)) {}
    ~ConnectionSlot() { counter_.Release(address_); }
    ConnectionSlot(const ConnectionSlot&) = delete;
    ConnectionSlot& operator=(const ConnectionSlot&) = delete;
    const std::string& address() const { return address_; }

private:
    ConnectionCounter& counter_;
    std::string address_;
};

// How far `bytes`, the start of what a client sent, goes as a request line
// ("METHOD target HTTP/1.x"). `may` turns false once it can no longer become
// one, so garbage is refused at once instead of being waited on until the
// deadline. The method and the target are given once the space after each
// has come (views into `bytes`), even from a line refused later on.
struct RequestLineScan {
    bool may = true;
    std::string_view method;
    std::string_view target;
};
RequestLineScan ScanRequestLine(std::string_view bytes);

// True for a Host value this server takes: a name of letters, digits and
// "-._~" (which covers IPv4) or a bracketed IPv6 address, then an optional
// ":port". Empty is refused: the game's requests are all origin-form, whose
// target is an http URI, and an http URI with an empty host is invalid.
bool IsValidHost(std::string_view value);

class HttpSession : public std::enable_shared_from_this<HttpSession> {
public:
    HttpSession(boost::asio::ip::tcp::socket socket, std::unique_ptr<ConnectionSlot> slot, HttpHandler& handler,
                const TrustedProxies& proxies);
    void Start();

private:
    void BeginRequest();
    void ReadSome();
    void OnRead(const boost::beast::error_code& ec, size_t bytes);
    void Parse();
    void TakeHead();
    void Dispatch();
    void GiveUp(int status, const std::string& note);
    void Answer(HttpAnswer answer, bool keepAlive);
    void WaitForNext();
    void Close();
    void Linger();

    using Parser = boost::beast::http::request_parser<boost::beast::http::string_body>;
    using Response = boost::beast::http::response<boost::beast::http::string_body>;

    boost::beast::tcp_stream stream_;
    std::unique_ptr<ConnectionSlot> slot_;
    HttpHandler& handler_;
    const TrustedProxies& proxies_;
    boost::beast::flat_buffer buffer_;
    std::optional<Parser> parser_;
    std::optional<Response> response_;
    HttpRequestInfo info_;
    size_t headSeen_ = 0;          // bytes of this request's head the parser has taken
    bool lineChecked_ = false;     // this request's line has arrived whole and passed
    bool waitingForNext_ = false;  // a kept connection's idle wait for its next request
    int served_ = 0;
    size_t lingered_ = 0;  // bytes read and dropped after the last answer
};

}  // namespace zscores
