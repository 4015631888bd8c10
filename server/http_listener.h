// The listening side of zindle-scores' HTTP layer on Boost.Asio: binds, accepts
// on a few threads, refuses at once a connection past the per-address (never
// for a trusted proxy) or the total cap, and starts a session for each one it
// keeps. No request logic.
#pragma once

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "connection_counter.h"
#include "http_handler.h"
#include "trusted_proxies.h"

namespace zscores {

class HttpListener {
public:
    // `proxies` must outlive the listener.
    HttpListener(HttpHandler& handler, const TrustedProxies& proxies);
    ~HttpListener();
    HttpListener(const HttpListener&) = delete;
    HttpListener& operator=(const HttpListener&) = delete;

    // Listens on address:port (0 for any free port); the port, or -1 with
    // `error` set.
    int Bind(const std::string& address, int port, std::string& error);

    // Serves on kIoThreads threads (the caller's among them), each with its
    // own connections, until Stop(); false when there was nothing to serve on.
    bool Run();
    void Stop();

    // Connections open at once in all: kConnectionsMax, or fewer when the
    // process may not open that many files.
    size_t ConnectionsMax() const { return counter_.TotalMax(); }

    // Connections accepted since the start, refused ones included: beside
    // the request count it shows whether a proxy's pool is being reused.
    size_t ConnectionsAccepted() const { return accepted_; }

private:
    void Accept();
    void OnAccept(const boost::system::error_code& ec, boost::asio::ip::tcp::socket socket);
    void RefuseAtOnce(boost::asio::ip::tcp::socket& socket, const std::string& address, const std::string& reason);

    using Context = boost::asio::io_context;
    using Guard = boost::asio::executor_work_guard<Context::executor_type>;

    HttpHandler& handler_;
    const TrustedProxies& proxies_;
    ConnectionCounter counter_;  // before the contexts: it outlives every session
    // One context a thread: a connection lives on one thread alone, so its
    // handlers never need a lock; the first context also accepts.
    std::vector<std::unique_ptr<Context>> contexts_;
    std::vector<Guard> guards_;
    size_t nextContext_ = 0;
    Context& io_;
    boost::asio::ip::tcp::acceptor acceptor_;
    boost::asio::steady_timer retry_;
    std::atomic<bool> stopped_{false};
    std::atomic<size_t> accepted_{0};
};

}  // namespace zscores
