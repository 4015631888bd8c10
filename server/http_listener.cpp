// Accepting for zindle-scores. A connection over a cap is answered 503 in one
// non-blocking write and closed before anything of it is read, so a crowd
// from one address never delays anyone else. The file limit is raised to fit
// the connection cap; an exception out of a handler is logged, and serving
// goes on.

#include "http_listener.h"

#include <sys/resource.h>

#include <boost/asio/post.hpp>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "http_session.h"
#include "scores_limits.h"

namespace zscores {

using tcp = boost::asio::ip::tcp;

namespace {

// Raises the soft limit on open files as far as the connection cap needs
// (and the hard limit lets it); the connections that then fit.
size_t UsableConnections() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return kConnectionsMax;
    const rlim_t wanted = static_cast<rlim_t>(kConnectionsMax + kFileReserve);
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < wanted) {
        rlimit raised = limit;
        raised.rlim_cur = (limit.rlim_max == RLIM_INFINITY || limit.rlim_max >= wanted) ? wanted : limit.rlim_max;
        if (setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
    }
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= wanted) return kConnectionsMax;
    return limit.rlim_cur > kFileReserve * 2 ? static_cast<size_t>(limit.rlim_cur) - kFileReserve : kFileReserve;
}

bool OutOfDescriptors(const boost::system::error_code& ec) {
    const int e = ec.value();
    return ec.category() == boost::system::system_category() &&
           (e == EMFILE || e == ENFILE || e == ENOBUFS || e == ENOMEM);
}

std::vector<std::unique_ptr<boost::asio::io_context>> MakeContexts() {
    std::vector<std::unique_ptr<boost::asio::io_context>> contexts;
    for (int i = 0; i < kIoThreads; ++i) contexts.push_back(std::make_unique<boost::asio::io_context>(1));
    return contexts;
}

}  // namespace

HttpListener::HttpListener(HttpHandler& handler, const TrustedProxies& proxies)
    : handler_(handler),
      proxies_(proxies),
      counter_(kConnectionsPerAddressMax, UsableConnections()),
      contexts_(MakeContexts()),
      io_(*contexts_.front()),
      acceptor_(io_),
      retry_(io_) {
    for (auto& c : contexts_) guards_.push_back(boost::asio::make_work_guard(*c));
}

HttpListener::~HttpListener() { Stop(); }

int HttpListener::Bind(const std::string& address, int port, std::string& error) {
    error = "cannot listen on " + address + ":" + std::to_string(port);
    if (port < 0 || port > 65535) return -1;
    boost::system::error_code ec;
    tcp::resolver resolver(io_);
    const auto found = resolver.resolve(address, std::to_string(port),
                                        tcp::resolver::passive | tcp::resolver::numeric_service, ec);
    if (ec || found.empty()) return -1;
    const tcp::endpoint endpoint = found.begin()->endpoint();
    // SO_REUSEADDR alone: a restart takes the port while old connections wind
    // down, but a second server can never share a port that one listens on.
    acceptor_.open(endpoint.protocol(), ec);
    if (!ec) acceptor_.set_option(tcp::acceptor::reuse_address(true), ec);
    if (!ec) acceptor_.bind(endpoint, ec);
    if (!ec) acceptor_.listen(kListenBacklog, ec);
    if (ec) {
        acceptor_.close(ec);
        return -1;
    }
    error.clear();
    return acceptor_.local_endpoint(ec).port();
}

bool HttpListener::Run() {
    if (!acceptor_.is_open()) return false;
    if (stopped_) return true;
    Accept();
    const auto serve = [](Context& context) {
        for (;;) {
            try {
                context.run();
                return;
            } catch (const std::exception& e) {
                std::fprintf(stderr, "zindle-scores: connection handler failed: %s\n", e.what());
            }
        }
    };
    std::vector<std::thread> threads;
    for (size_t i = 1; i < contexts_.size(); ++i) threads.emplace_back(serve, std::ref(*contexts_[i]));
    serve(io_);
    for (std::thread& t : threads) t.join();
    return true;
}

void HttpListener::Stop() {
    stopped_ = true;
    for (auto& c : contexts_) c->stop();
}

void HttpListener::Accept() {
    // Each connection goes to the next thread's context in turn.
    Context& next = *contexts_[nextContext_++ % contexts_.size()];
    acceptor_.async_accept(next, [this](const boost::system::error_code& ec, tcp::socket socket) {
        OnAccept(ec, std::move(socket));
    });
}

void HttpListener::OnAccept(const boost::system::error_code& ec, tcp::socket socket) {
    if (ec == boost::asio::error::operation_aborted || stopped_) return;
    if (ec) {
        if (!OutOfDescriptors(ec)) {
            Accept();
            return;
        }
        // Out of descriptors: let some connections end before trying again.
        retry_.expires_after(std::chrono::milliseconds(kAcceptRetryMs));
        retry_.async_wait([this](const boost::system::error_code& wait) {
            if (!wait) Accept();
        });
        return;
    }
    Accept();
    ++accepted_;
    boost::system::error_code peerError;
    const tcp::endpoint peer = socket.remote_endpoint(peerError);
    if (peerError) return;  // gone already
    const std::string peerText = peer.address().to_string();
    std::string address = CanonicalAddress(peerText).value_or(peerText);
    // A proxy keeps a pool of connections for all its clients; the total cap
    // still holds it.
    switch (counter_.Admit(address, !proxies_.Contains(address))) {
    case ConnectionCounter::Verdict::AddressFull:
        RefuseAtOnce(socket, address, "too many connections from this address");
        return;
    case ConnectionCounter::Verdict::ServerFull:
        RefuseAtOnce(socket, address, "too many connections");
        return;
    case ConnectionCounter::Verdict::Admitted:
        break;
    }
    // The session starts on its own thread, the only one that ever runs it.
    const auto executor = socket.get_executor();
    auto slot = std::make_unique<ConnectionSlot>(counter_, std::move(address));
    auto session = std::make_shared<HttpSession>(std::move(socket), std::move(slot), handler_, proxies_);
    boost::asio::post(executor, [session] { session->Start(); });
}

void HttpListener::RefuseAtOnce(tcp::socket& socket, const std::string& address, const std::string& reason) {
    const HttpAnswer a = Refusal(503, reason);
    const std::string answer = "HTTP/1.1 503 Service Unavailable\r\nContent-Type: text/plain\r\nContent-Length: " +
                               std::to_string(a.body.size()) + "\r\nConnection: close\r\n\r\n" + a.body;
    boost::system::error_code ec;
    socket.non_blocking(true, ec);
    socket.write_some(boost::asio::buffer(answer), ec);
    socket.shutdown(tcp::socket::shutdown_send, ec);
    socket.close(ec);
    handler_.Log(HttpRequestInfo{address, "-", "-"}, 503, reason);
}

}  // namespace zscores
